#pragma once
// Texts of the command-line tool that the wizard has no words for. UTF-8.

namespace texts {

inline constexpr const char* kCliUsage =
    "Использование:\n"
    "  mirrex-cli ports [--json]\n"
    "  mirrex-cli [связь] identify [--json]\n"
    "  mirrex-cli [связь] save ФАЙЛ [--force]\n"
    "  mirrex-cli [связь] write ФАЙЛ [--set-clock] [--accept-version-mismatch] [--no-verify]\n"
    "             [--loop [--count N]] [--report ОТЧЁТ] [--backup ПАПКА] [--skip-same]\n"
    "  mirrex-cli [связь] compare ФАЙЛ [--loop [--count N]] [--report ОТЧЁТ]\n"
    "  mirrex-cli inspect ФАЙЛ [--json]\n"
    "  mirrex-cli diff ФАЙЛ1 ФАЙЛ2\n"
    "  mirrex-cli scan [--port P ...] [--baud N ...] [--formats stored|common|all]\n"
    "             [--address-bits 8|11|both] [--first] [--json]\n"
    "  mirrex-cli --version\n"
    "связь: --port COMn|ПУТЬ --baud N --address N --address-bits 8|11 --data-bits N\n"
    "       --parity none|odd|even --stop-bits 1|2 --converter auto|semi\n"
    "       (по умолчанию - сохранённые настройки программы)\n"
    "       --area-folder ПАПКА - папка временных файлов областей\n"
    "       --retries N - сколько раз повторять область после сбоя связи (0..5, по умолчанию 2)\n"
    "write пишет во все приборы, порты которых указаны (--port несколько раз), одновременно;\n"
    "  --loop - в каждый следующий прибор, подключённый к порту, до Ctrl-C или N приборов;\n"
    "  --report - дописывать в ОТЧЁТ строку JSON о каждом приборе;\n"
    "  --backup - перед записью сохранить конфигурацию прибора в новый файл в ПАПКЕ;\n"
    "  --skip-same - не записывать прибор, уже содержащий конфигурацию файла.\n"
    "compare считывает приборы и сравнивает с файлом, ничего не записывая (порты и ключи - как у write);\n"
    "  diff сравнивает два файла.\n"
    "--json - вывод для программ: объект JSON (для ports - по одному на порт) с полями отчёта;\n"
    "  для scan - по объекту на найденный прибор.\n"
    "Коды завершения: 0 - выполнено, 1 - ошибка, 2 - неверные аргументы,\n"
    "  3 - прибор не поддерживается или другой модели,\n"
    "  4 - отменено (также последним Ctrl-C, SIGTERM или SIGHUP),\n"
    "  5 - записанная область при проверке отличается от файла,\n"
    "  6 - compare, diff: конфигурации различаются;\n"
    "  для нескольких приборов - код худшего результата (5, 1, 3, 6, 4, 0).\n"
    "Записанные области считываются и сравниваются с файлом; --no-verify отключает проверку.\n"
    "Ctrl-C отменяет после текущего блока (с --loop: первое - не принимать новые приборы,\n"
    "  второе - отменить); последнее Ctrl-C, SIGTERM и SIGHUP завершают программу, в таблице\n"
    "  и в отчёте остаётся каждый начатый прибор.\n"
    "scan ищет приборы на портах (по умолчанию - на сохранённом): сначала сохранённые настройки,\n"
    "  затем все адреса, другие скорости, другие форматы (--formats); 11-битные адреса - только\n"
    "  с --address-bits 11 или both; --first - до первого прибора; код 0 - найден, 1 - нет.\n";
inline constexpr const char* kCliScanOnly = " (только для scan)";
inline constexpr const char* kCliScanCancelled = "Поиск отменён. ";
inline constexpr const char* kCliScanTrying = "Поиск: ";
inline constexpr const char* kCliScanFoundHeader = "Порт\tСкорость\tФормат\tАдрес\tРазрядность\tМодель\tВерсия\n";
inline constexpr const char* kCliBadArgument = "Неверный аргумент: ";
inline constexpr const char* kCliAllowedValues = " (допустимо: ";
inline constexpr const char* kCliPortValues = "COMn или путь к устройству, например COM3 или /dev/ttyUSB0";
inline constexpr const char* kCliPortTwice = " (порт указан дважды)";
inline constexpr const char* kCliSamePort = " (это тот же порт, что и ";
inline constexpr const char* kCliOnePortOnly = " (save и identify работают с одним портом)";
inline constexpr const char* kCliCountValues = "1..1000000";
inline constexpr const char* kCliRetriesValues = "0..5";
inline constexpr const char* kCliCountNeedsLoop = " (только вместе с --loop)";
inline constexpr const char* kCliAddressValues = "0..255 при 8-битной адресации, 0..2047 при 11-битной";
inline constexpr const char* kCliStoredAddressTooWide =
    " (при 8-битной адресации допустимы адреса 0..255; укажите --address, сохранённый адрес: ";
inline constexpr const char* kCliVerifyDone = "Проверка: содержимое прибора совпадает с файлом. ";
inline constexpr const char* kCliRewrites = "Повторные записи областей 0, 16, 40, 64: ";
inline constexpr const char* kCliWouldRefuse = "Запись этого файла в прибор будет отклонена: ";
inline constexpr const char* kCliConnection = "Связь: порт ";
inline constexpr const char* kCliPortAbsent = " (такого порта нет)";
inline constexpr const char* kCliStoredRate = " (сохранённая скорость ";
inline constexpr const char* kCliRateUnsupported = " не поддерживается)";
inline constexpr const char* kCliAddress = ", адрес ";
inline constexpr const char* kCliEightBit = "8-битная адресация";
inline constexpr const char* kCliElevenBit = "11-битная адресация";
inline constexpr const char* kCliConverterAuto = "преобразователь автоматический";
inline constexpr const char* kCliConverterSemi = "преобразователь полуавтоматический";
inline constexpr const char* kCliTargetNoName = ": не указано имя файла. ";
inline constexpr const char* kCliTargetIsFolder = ": это папка, а не файл. ";
inline constexpr const char* kCliTargetNotAFile = ": это не обычный файл. ";
inline constexpr const char* kCliTargetReadOnly = ": файл защищён от записи. ";
inline constexpr const char* kCliFolderMissing = ": такой папки нет. ";
inline constexpr const char* kCliFolderNotAFolder = ": это не папка. ";
inline constexpr const char* kCliTargetNoPermission = "нет права создавать файлы в этой папке. ";
inline constexpr const char* kCliTargetReadOnlyDisk = "диск доступен только для чтения. ";
inline constexpr const char* kCliTargetDiskFull = "на диске нет места. ";
inline constexpr const char* kCliTargetNameTooLong = "слишком длинное имя файла. ";
inline constexpr const char* kCliFileFolderMissing = "папки, в которой должен быть файл, нет. ";
inline constexpr const char* kCliModel = "Прибор: ";
inline constexpr const char* kCliVersion = "Версия ПО: ";
inline constexpr const char* kCliSizes = "Размеры областей 0, 16, 40, 64: ";
inline constexpr const char* kCliSha256 = "SHA-256: ";
inline constexpr const char* kCliNoPorts = "Последовательные порты не найдены. ";
inline constexpr const char* kCliAnswerHint = " [д/н] ";
// Writing on several ports, and the loop.
inline constexpr const char* kCliLineOpening = "открытие порта";
inline constexpr const char* kCliLineChecking = "проверка прибора";
inline constexpr const char* kCliLineWaiting = "ожидание прибора";
inline constexpr const char* kCliLineWaitingGone = "ожидание отключения прибора";
inline constexpr const char* kCliLinePortLost = "порт недоступен, ожидание порта";
inline constexpr const char* kCliLineStopped = "остановлено";
inline constexpr const char* kCliLineLastDevice = " (последний прибор: ";
inline constexpr const char* kCliResultDone = "выполнено";
inline constexpr const char* kCliResultFailed = "ошибка";
inline constexpr const char* kCliResultRefused = "отклонено";
inline constexpr const char* kCliResultCancelled = "отменено";
inline constexpr const char* kCliSeconds = " с";
inline constexpr const char* kCliTablePort = "Порт";
inline constexpr const char* kCliTableModel = "Прибор";
inline constexpr const char* kCliTableVersion = "Версия ПО";
inline constexpr const char* kCliTableResult = "Результат";
inline constexpr const char* kCliTableTime = "Время, с";
inline constexpr const char* kCliTableMessage = "Сообщение";
inline constexpr const char* kCliTotals = "Всего приборов: ";
inline constexpr const char* kCliTotalsDone = ", выполнено: ";
inline constexpr const char* kCliTotalsFailed = ", ошибок: ";
inline constexpr const char* kCliTotalsRefused = ", отклонено: ";
inline constexpr const char* kCliTotalsCancelled = ", отменено: ";
inline constexpr const char* kCliFinishing =
    "Ctrl-C: новые приборы не принимаются, начатые записи завершаются; повторное Ctrl-C отменит их.";
inline constexpr const char* kCliReportCannotOpen = "Файл отчёта не удаётся открыть для записи: ";
inline constexpr const char* kCliReportCannotWrite = "Не удалось дописать строку в файл отчёта. ";
inline constexpr const char* kCliReportLineLost = "строка отчёта не записана";
inline constexpr const char* kCliReportNoPermission = "нет права записи в этот файл. ";
inline constexpr const char* kCliReportIsFolder = "это папка, а не файл. ";
inline constexpr const char* kCliReportNotAFile = "это не обычный файл. ";
inline constexpr const char* kCliFileCannotOpen = "файл не удаётся открыть. ";
// How a device was left when its write did not end as done.
inline constexpr const char* kCliAreasWritten = "Из файла записаны области: ";
inline constexpr const char* kCliNoAreaWritten = "Ни одна область из файла не записана. ";
inline constexpr const char* kCliResultInterrupted = "прервано";
inline constexpr const char* kCliResultUnverified = "выполнено без проверки";
inline constexpr const char* kCliTotalsInterrupted = ", прервано: ";
inline constexpr const char* kCliLineInterrupted = "Запись прервана: программа завершается. ";
inline constexpr const char* kCliEnding = "Программа завершается: начатые записи отменяются.";

}  // namespace texts
