#pragma once
// Texts of the command-line tool that the wizard has no words for. UTF-8.

namespace texts {

inline constexpr const char* kCliUsage =
    "Использование:\n"
    "  mirrex-cli ports\n"
    "  mirrex-cli [связь] identify\n"
    "  mirrex-cli [связь] save ФАЙЛ [--force]\n"
    "  mirrex-cli [связь] write ФАЙЛ [--set-clock] [--accept-version-mismatch] [--no-verify]\n"
    "  mirrex-cli inspect ФАЙЛ\n"
    "связь: --port COMn|ПУТЬ --baud N --address N --address-bits 8|11 --data-bits N\n"
    "       --parity none|odd|even --stop-bits 1|2 --converter auto|semi\n"
    "       (по умолчанию - сохранённые настройки программы)\n"
    "       --area-folder ПАПКА - папка временных файлов областей\n"
    "Коды завершения: 0 - выполнено, 1 - ошибка, 2 - неверные аргументы,\n"
    "  3 - прибор не поддерживается или другой модели, 4 - отменено,\n"
    "  5 - записанная область при проверке отличается от файла.\n"
    "Записанные области считываются и сравниваются с файлом; --no-verify отключает проверку.\n";
inline constexpr const char* kCliBadArgument = "Неверный аргумент: ";
inline constexpr const char* kCliVerifyDone = "Проверка: содержимое прибора совпадает с файлом. ";
inline constexpr const char* kCliRewrites = "Повторные записи областей 0, 16, 40, 64: ";
inline constexpr const char* kCliWouldRefuse = "Запись этого файла в прибор будет отклонена: ";
inline constexpr const char* kCliModel = "Прибор: ";
inline constexpr const char* kCliVersion = "Версия ПО: ";
inline constexpr const char* kCliSizes = "Размеры областей 0, 16, 40, 64: ";
inline constexpr const char* kCliNoPorts = "Последовательные порты не найдены. ";
inline constexpr const char* kCliAnswerHint = " [д/н] ";

}  // namespace texts
