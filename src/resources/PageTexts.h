#pragma once
// The Russian texts of the wizard's pages and sheet, exactly as the user
// sees them (trailing blanks included). UTF-8. The numbered string table
// and the core's texts are in DeviceTexts.

namespace texts {

// Sheet.
inline constexpr const char* kButtonBack = "< Назад";
inline constexpr const char* kButtonNext = "Далее >";
inline constexpr const char* kButtonFinish = "В начало";
inline constexpr const char* kButtonCancel = "Выход";
inline constexpr const char* kButtonHelp = "Справка";
inline constexpr const char* kButtonYes = "Да";
inline constexpr const char* kButtonNo = "Нет";
inline constexpr const char* kButtonOk = "OK";
inline constexpr const char* kReplicateFromDevice = "Replicate From Device ";
inline constexpr const char* kWriteDoneQuestion =
    "Запись конфигурации в прибор произведена успешно. \n\n"
    "Записать эту конфигурацию в другой прибор? \n\n";

// Page 1.
inline constexpr const char* kStartIntro =
    "Программа предназначена для тиражирования конфигураций приборов КЛХ41/51, РГХ206К/207К , "
    "а также для сохранения их в файл.\n"
    "Конфигурация может быть взята как из образцового прибора, так и из сохраненного файла.\n\n"
    "Выберите желаемое действие:";
inline constexpr const char* kRadioSave = "Сохранение в файл";
inline constexpr const char* kRadioReplicateFile = "Тиражирование из файла";
inline constexpr const char* kRadioReplicateDevice = "Тиражирование из прибора";

// Message pages 2, 5 and 7.
inline constexpr const char* kConnectForSave =
    "Подключите к ПК полностью сконфигурированный прибор, \n"
    "из которого Вы хотите сохранить конфигурацию в файл, и нажмите 'Далее >'";
inline constexpr const char* kDeviceUnsupported =
    "Подключенный к ПК прибор не поддерживается данной программой.";
inline constexpr const char* kConnectForWrite =
    "Подключите прибор к ПК, и нажмите 'Далее >'. \n\n"
    "Предупреждение! \n\n"
    "Конфигурация в приборе, при нажатии кнопки 'Далее >', будет заменена записываемой "
    "конфигурацией. \n"
    "Для сохрания конфигурации, \n"
    "имеющейся в приборе, нажмите \n"
    "'В начало', 'Сохранение в файл'.";

// Pages 4 and 6.
inline constexpr const char* kChooseSaveFile = "Выберите имя файла для сохранения конфигурации.";
inline constexpr const char* kBrowse = "...";
inline constexpr const char* kReplicateIntro =
    "Мастер поможет Вам записать конфигурацию, ранее сохраненную в файле, в один или несколько "
    "приборов. Выберите файл, который необходимо записать в прибор, а также режим записи "
    "времени: синхронизировать время в приборе с ПК или оставить \nбез изменений.";
inline constexpr const char* kClockOption = "Синхронизировать время прибора с ПК";
// Ours: a write reads every area back and compares it.
inline constexpr const char* kVerifyOption = "Проверять записанную конфигурацию";
// Ours: a write first keeps the device's configuration in a backup file.
inline constexpr const char* kBackupOption = "Сохранять прежнюю конфигурацию прибора перед записью";
inline constexpr const char* kFileFilterName = "Файлы klx41-51";
inline constexpr const char* kAllFilesFilterName = "Все файлы";
inline constexpr const char* kDefaultExtension = "207K";
// The file dialog's columns where the toolkit has no words of its own: the
// headings, and the type of a folder and of a file ("Файл KLX41").
inline constexpr const char* kFileColumnHeadings[4] = {"Имя", "Размер", "Тип", "Дата изменения"};
inline constexpr const char* kFolderType = "Папка";
inline constexpr const char* kFileType = "Файл";
// A size below a kilobyte, after its number.
inline constexpr const char* kBytesUnit = "байт";
// Follows the chosen path.
inline constexpr const char* kReadOnlyFile =
    "\nфайл имеет атрибут 'только чтение'.\n"
    "Для сохранения файла необходимо изменить атрибут или выбрать другое имя. ";
// Ours: the program was started with more than one file (it opens one).
inline constexpr const char* kOneFileOnly =
    "Программа открывает один файл конфигурации, а указано несколько:\n";

// Settings list of pages 3 and 8.
inline constexpr const char* kColumnParameter = "Параметр";
inline constexpr const char* kColumnValue = "Значение";
inline constexpr const char* kRowNames[9] = {
    "Тип интерфейса связи", "COM-порт ПК", "Скорость обмена", "Адрес прибора", "Размер адреса",
    "Преобразователь", "Биты данных", "Четность", "Количество стоп-бит",
};
inline constexpr const char* kRs232 = "RS-232";
inline constexpr const char* kRs485 = "RS-485";
inline constexpr const char* kConverterAuto = "Автомат.";
inline constexpr const char* kConverterSemi = "Полуавтомат.";
inline constexpr const char* kParityNone = "Нет";
inline constexpr const char* kParityOdd = "Нечет";
inline constexpr const char* kParityEven = "Чет";

// Progress dialogs (the template's text, replaced when the dialog opens).
inline constexpr const char* kProgressCancel = "Отмена";
inline constexpr const char* kProgressTemplateText = "Подождите, идет считывание конфигурации.";

}  // namespace texts
