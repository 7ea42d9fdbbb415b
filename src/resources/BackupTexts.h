#pragma once
// Texts of the comparison of a device or a file with a file, and of the
// backup before a write. UTF-8.

namespace texts {

inline constexpr const char* kBackupFailed = "Не удалось сохранить прежнюю конфигурацию прибора в папку ";
inline constexpr const char* kBackupNothingWritten = "Конфигурация в прибор не записывалась. ";
inline constexpr const char* kBackupSaved = "Прежняя конфигурация прибора сохранена в файл ";
inline constexpr const char* kWriteSkippedSame = "Прибор уже содержит эту конфигурацию, запись не производилась. ";
inline constexpr const char* kBackupFolderName = "Резервные копии";

// The comparison as the command line prints it.
inline constexpr const char* kCompareModel = "Модель: ";
inline constexpr const char* kCompareVersion = "Версия ПО: ";
inline constexpr const char* kCompareArea = "Область ";
inline constexpr const char* kCompareSame = "совпадает";
inline constexpr const char* kCompareDiffers = "отличается";
inline constexpr const char* kCompareInDevice = "в приборе ";
inline constexpr const char* kCompareInFile = "в файле ";
inline constexpr const char* kCompareInFirst = "в первом файле ";
inline constexpr const char* kCompareInSecond = "во втором ";
inline constexpr const char* kCompareBytes = " байт";
inline constexpr const char* kCompareBytesDiffer = "различных байт: ";
inline constexpr const char* kCompareSizes = "размер ";
inline constexpr const char* kCompareOffsets = "первые различия со смещения: ";
inline constexpr const char* kCompareResultSame = "Результат: совпадает с файлом. ";
inline constexpr const char* kCompareResultDiffers = "Результат: отличается от файла. ";
inline constexpr const char* kDiffResultSame = "Результат: файлы совпадают. ";
inline constexpr const char* kDiffResultDiffers = "Результат: файлы различаются. ";
inline constexpr const char* kCompareWordModel = "модель";
inline constexpr const char* kCompareWordVersion = "версия ПО";
inline constexpr const char* kCompareWordAreas = "области";
inline constexpr const char* kCompareResultWordSame = "совпадает";
inline constexpr const char* kCompareResultWordDiffers = "отличается";
inline constexpr const char* kCliTotalsSame = ", совпадает: ";
inline constexpr const char* kCliTotalsDifferent = ", отличается: ";

}  // namespace texts
