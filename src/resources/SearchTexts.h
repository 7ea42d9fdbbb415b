#pragma once
// Texts of the device search, for the command line and the wizard. UTF-8.

namespace texts {

inline constexpr const char* kSearchPortLost = "Порт пропал во время поиска. ";
inline constexpr const char* kSearchButton = "Найти прибор...";
inline constexpr const char* kSearchTitle = "Поиск прибора";
inline constexpr const char* kSearchTrying = "Проверяется: ";
inline constexpr const char* kSearchConfirming = "Прибор ответил, проверка: ";
inline constexpr const char* kSearchCancel = "Отмена";
inline constexpr const char* kSearchNothing = "Ни один прибор не ответил. Проверено: ";
inline constexpr const char* kSearchFound = "Найден прибор ";
inline constexpr const char* kSearchPortSkipped = ": порт пропущен. ";
inline constexpr const char* kSearchAddress = "адрес ";
inline constexpr const char* kSearchRates = "скорости ";
inline constexpr const char* kSearchFormats = "форматы ";
inline constexpr const char* kSearchAddresses = "адреса ";
inline constexpr const char* kSearchPorts = "порты ";
inline constexpr const char* kSearchUnknownModel = "(модель не сообщает)";
inline constexpr const char* kSearchBitsPerSecond = " бит/с";
inline constexpr const char* kSearchNoPorts = "Нет ни одного COM-порта, на котором можно искать прибор. ";

}  // namespace texts
