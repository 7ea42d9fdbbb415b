#pragma once
// What the write job refuses from the configuration alone, decided before
// the port opens and before any request reaches a device: the job itself,
// the wizard and the command-line tool all ask here, so they refuse alike
// and with the words the job would use.
//
// - an image below 424 or above 500000 bytes, or one whose header sizes do
//   not add up to it: "Ошибка размера конфигурации. " (error icon);
// - an empty area: that area's failure text (exclamation icon). The job
//   fails on an empty area in any case, but only after opening the write on
//   the device, which would then commit the empty area.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "configfile/ConfigHeader.h"
#include "device/Prompts.h"

struct WriteRefusal {
    std::string text;
    MsgIcon icon = MsgIcon::None;
};

// header: the sizes the image is cut by; imageLength: the whole image with
// its header.
std::optional<WriteRefusal> RefuseWrite(const ConfigHeader& header, std::size_t imageLength);
// The same for an image that carries its header as its last 212 bytes.
std::optional<WriteRefusal> RefuseImage(const uint8_t* image, std::size_t length);
