#pragma once
// Device texts ("dev", "ver") and the table of supported models.

#include <cstdint>
#include <string>

// The data of a text parameter arrives last character first, in the
// single-byte Cyrillic code page; it ends at the length or the first zero.
std::u16string DecodeDeviceText(const uint8_t* data, uint32_t length);
// True when an entry of the supported-model table occurs in the model text,
// ignoring case.
bool IsSupportedModel(const std::u16string& model);
