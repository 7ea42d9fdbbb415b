#pragma once
// Why a file could not be opened or created, in the user's words rather
// than the system's.

#include <string>

#include "device/FileIo.h"

std::string FileErrorReason(const FileError& error);
