#pragma once
// The Russian texts of the core, exactly as the user sees them (trailing
// blanks and spellings included). UTF-8. The pages' own texts live in
// PageTexts.

#include <cstdint>
#include <string>

#include "platform/SerialLine.h"

namespace texts {

// The text for a status code of any device operation; "ошибка " for a code
// without one of its own.
const char* StatusText(int code);

// Entries 132..155 of the program's string table; "" for an id it lacks.
const char* StringTableEntry(int id);
constexpr int kRestartWaitString = 153;
constexpr int kRestartBlankString = 155;

// Per-area texts of the read job and of the write job (fileText is the
// read job's only; checkTitle, uncheckedText and name the write job's: the
// title of an area's read-back after it was written, the cancel text once
// the area was written whole, and the area as the repeats note names it).
struct AreaTexts {
    const char* title;
    const char* cancelText;
    const char* failureText;
    const char* fileText;
    const char* checkTitle;
    const char* uncheckedText;
    const char* name;
};
const AreaTexts& ReadAreaTexts(uint8_t area);
const AreaTexts& WriteAreaTexts(uint8_t area);

// Identification.
inline constexpr const char* kDevUnreadable = "Параметр 'dev' прочитать не удалось. ";
inline constexpr const char* kVerUnreadable = "Параметр 'ver' прочитать не удалось. ";

// Write job.
inline constexpr const char* kImageSizeError = "Ошибка размера конфигурации. ";
// Ours: the line after an area's failure text when its read-back still
// differed from the file after the last rewrite; the area was written
// `writes` times (kReadBackDiffers for three).
inline constexpr const char* kReadBackDiffers =
    "Данные, считанные из прибора после записи, отличаются от файла (записано трижды). ";
std::string ReadBackDiffers(uint32_t writes);

// Ours: the suffix of a progress title while an area is transferred again,
// " (повтор 2 из 3)": the attempt under way and the most there may be.
std::string AttemptSuffix(uint32_t attempt, uint32_t attempts);
// Ours: the line that tells, after a write, which areas had to be written
// again: "Запись потребовала повторов: программа CoDeSys - 1 (сбой связи), ..."
inline constexpr const char* kRepeatsNoteStart = "Запись потребовала повторов: ";
inline constexpr const char* kRepeatsNoteFailed = "сбой связи";
inline constexpr const char* kRepeatsNoteDiffered = "отличие при проверке";
inline constexpr const char* kVersionMismatchQuestion =
    "Внимание! Версия программного обеспечения в приборе и в выбранном файле не совпадаюст. \n"
    "Попытка записи этой конфигурации в прибор может привести к непредсказуемым последствиям. \n"
    "Произвести запись? ";

// Progress dialogs.
inline constexpr const char* kCancelReadQuestion = "Отменить чтение конфигурации? ";
inline constexpr const char* kCancelWriteQuestion = "Отменить запись конфигурации? ";

// Configuration file operations. The "file ..." texts follow the path.
inline constexpr const char* kSaveNoProgramFile = "Не удалось открыть файл считанной программы CoDeSys. ";
inline constexpr const char* kSaveNoConfigFile = "Не удалось открыть файл считанной конфигурации. ";
inline constexpr const char* kSaveOverwriteQuestion = "\nфайл будет перезаписан, продолжить? ";
inline constexpr const char* kSaveCannotWrite = "Не удалось сохранить конфигурацию в указанный файл. ";
inline constexpr const char* kSaveSizesWrong = "Ошибка в размерах считанных областей конфигурации. ";
inline constexpr const char* kSaveDone = "Конфигурация из прибора успешно сохранена в файл. ";
inline constexpr const char* kCheckCannotOpen = "\nфайл конфигурации открыть не удалось. ";
inline constexpr const char* kCheckNotConfig = "\nне является действительным файлом конфигурации. ";
inline constexpr const char* kCheckSizesWrong =
    "\nне является действительным файлом конфигурации. Ошибка в размерах считанных областей конфигурации. ";
// Reading a file that passed the check failed after all (it changed, or the
// disk failed): the check's own words for an unreadable file.
inline constexpr const char* kLoadCannotRead = kCheckCannotOpen;

// Device clock.
inline constexpr const char* kClockRetryQuestion =
    "Внимание! Время и дату в прибор записать не удалось. \n"
    "Если прибор подключён к ПК по интерфейсу RS-232, \n"
    "то нажмите сочетание клавиш 'стрелка вниз' + \n"
    "'стрелка вверх' + 'пуск/стоп' дважды. При этом \n"
    "прибор должен издать длинный звуковой сигнал. \n\n"
    "Повторить попытку записи времени и даты в прибор? ";
inline constexpr const char* kClockFailed = "Записать время и дату в прибор не удалось. ";
// printf formats of the read-back: the device's date and time, then the box.
inline constexpr const char* kClockReadBackFormat = "%d.%d.%d.%d.%d.%d";
inline constexpr const char* kClockShownFormat = "Дата и время в приборе: %s ";

// Opening the port.
inline constexpr const char* kPortCannotOpen = "Не удалось открыть COM-порт. ";
inline constexpr const char* kPortSetupFailed = "Возникла ошибка при настройке COM-порта. ";
inline constexpr const char* kPortUnknownError = "Неизвестная ошибка при открытии порта. ";
// The text for a result of DeviceLink::Start that is not 0.
const char* PortOpenText(int code);
// Which port failed to open and why, as the line reported it.
std::string PortOpenDetail(LineOpenError error, const std::string& detail);

}  // namespace texts
