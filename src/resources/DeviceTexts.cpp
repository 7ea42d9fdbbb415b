#include "resources/DeviceTexts.h"

#include "resources/SearchTexts.h"

namespace texts {

const char* StatusText(int code)
{
    switch (code) {
    case -106: return "Неверная ответная квитанция от прибора. ";
    case -105: return "Ошибка прибора. ";
    case -104: return "Прибор вернул nErr. ";
    case -103: return "Неверная контрольная сумма в принятом от прибора пакете. ";
    case -102: return "Прибор не ответил на запрос. ";
    case -101: return "Неверный формат данных для запроса. ";
    case -100: return "Общая ошибка обмена. ";
    case -8: return "Предоставленный буфер неверен. ";
    case -7: return "Размер буфера слишком мал. ";
    case -6: return "Функция не поддерживается. ";
    case -5: return "Ошибка открытия ресурса. ";
    case -4: return "Ресурс уже используется. ";
    case -3: return "Ошибка резервирования памяти внутри библиотеки. ";
    case -2: return "Попытка использовать неинициализированный ресурс (например, неоткрытый порт). ";
    case -1: return "Неверный аргумент. ";
    case 0: return "Операция завершена успешно. ";
    case 2: return "Отменено пользователем. ";
    default: return "ошибка ";
    }
}

const char* StringTableEntry(int id)
{
    switch (id) {
    case 132: return "Программа тиражирования КЛХ41/51, РГХ206К/207К";
    case 133: return "Вернуться к начальному окну программы? ";
    case 134: return "Выйти из программы? ";
    case 135: return "Unsupported command ";
    case 137: case 138: case 139: case 140: case 141: case 142: case 143: return " ";
    case 145: return "Сохранение в файл ";
    case 146: return "Выбор сетевых настроек ";
    case 147: return "Задание имени файла сохранения ";
    case 148: return "Ошибка прибора ";
    case 149: return "Тиражирование из файла ";
    case 150: return "Запись конфигурации в прибор ";
    case 151: return "Выбор сетевых настроек ";
    case 153: return "Подождите, выполняется перезагрузка прибора... ";
    case 155: return " ";
    // Ours: the search dialog's caption.
    case 160: return texts::kSearchTitle;
    default: return "";
    }
}

namespace {

int AreaIndex(uint8_t area)
{
    switch (area) {
    case 16: return 1;
    case 40: return 2;
    case 64: return 3;
    default: return 0;
    }
}

// Every read title begins with a Latin capital C followed by Cyrillic.
constexpr AreaTexts kReadTexts[4] = {
    {"Cчитывание программы CoDeSys... ", "Программа CoDeSys не считана. ",
     "Не удалось считать программу CoDeSys. ", "Не удалось создать файл считанной программы CoDeSys. ", "", "", ""},
    {"Cчитывание конфигурации... ", "Кофигурация не считана. ", "Не удалось считать конфигурацию. ",
     "Не удалось создать файл считанной конфигурации. ", "", "", ""},
    {"Cчитывание значений параметров... ", "Значения параметров не считаны. ",
     "Не удалось считать значения параметров. ", "Не удалось создать файл считанных значений параметров. ", "", "",
     ""},
    {"Cчитывание значений Retain... ", "Значения Retain не считаны. ", "Не удалось считать значения Retain. ",
     "Не удалось создать файл считанных значений Retain. ", "", "", ""},
};

// The read-back titles, the texts of a cancel after the area was written
// and the areas' names are ours: a verified write reads every area back.
constexpr AreaTexts kWriteTexts[4] = {
    {"Запись программы CoDeSys... ", "Программа CoDeSys не записана. ", "Не удалось записать программу CoDeSys. ",
     "", "Проверка записанной программы CoDeSys... ", "Программа CoDeSys записана, но не проверена. ",
     "программа CoDeSys"},
    {"Запись конфигурации... ", "Конфигурация не записана. ", "Не удалось записать конфигурацию. ", "",
     "Проверка записанной конфигурации... ", "Конфигурация записана, но не проверена. ", "конфигурация"},
    {"Запись значений параметров... ", "Значения параметров не записаны. ",
     "Не удалось записать значения параметров. ", "", "Проверка записанных значений параметров... ",
     "Значения параметров записаны, но не проверены. ", "значения параметров"},
    {"Запись значений Retain... ", "Значения Retain не записаны. ", "Не удалось записать значения Retain. ", "",
     "Проверка записанных значений Retain... ", "Значения Retain записаны, но не проверены. ", "значения Retain"},
};

}  // namespace

const AreaTexts& ReadAreaTexts(uint8_t area) { return kReadTexts[AreaIndex(area)]; }

std::string ReadBackDiffers(uint32_t writes)
{
    if (writes == 3) return kReadBackDiffers;
    // Russian counts: 2-4 "раза", otherwise "раз" (at most six here).
    const char* times = writes >= 2 && writes <= 4 ? " раза). " : " раз). ";
    return "Данные, считанные из прибора после записи, отличаются от файла (записано " + std::to_string(writes)
           + times;
}

std::string AttemptSuffix(uint32_t attempt, uint32_t attempts)
{
    return " (повтор " + std::to_string(attempt) + " из " + std::to_string(attempts) + ")";
}
const AreaTexts& WriteAreaTexts(uint8_t area) { return kWriteTexts[AreaIndex(area)]; }

std::string PortOpenDetail(LineOpenError error, const std::string& detail)
{
    switch (error) {
    // An empty port cell names no port at all.
    case LineOpenError::NotFound: return detail.empty() ? std::string("порт не выбран") : detail + ": порт не найден";
#ifdef _WIN32
    case LineOpenError::NoPermission: return detail + ": нет прав доступа к порту";
#else
    case LineOpenError::NoPermission:
        return detail + ": нет прав доступа к порту (пользователь должен входить в группу dialout)";
#endif
    case LineOpenError::Busy: return detail + ": порт занят другой программой";
    default: return detail;
    }
}

const char* PortOpenText(int code)
{
    if (code == -1) return kPortCannotOpen;
    if (code < -1) return kPortSetupFailed;
    return kPortUnknownError;
}

}  // namespace texts
