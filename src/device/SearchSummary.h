#pragma once
// The device search in the user's words, for every front end that runs
// one: the candidate a port is trying, and what a search that found
// nothing has tried.

#include <string>

#include "settings/CommSettings.h"

class DeviceSearch;

// "COM3, 9600 бит/с, 8N1, адрес 17 (8)".
std::string SearchCandidateText(const std::string& port, const CommSettings& settings);
// "порты COM3,COM4; скорости 9600,115200; форматы 8N1; адреса 0..255 (8). ".
std::string SearchedText(const DeviceSearch& search);
// "8" or "11".
std::string AddressWidthText(const CommSettings& settings);
