#include "platform/Utf8Path.h"
#include "platform/win32/WideText.h"

// Windows paths are UTF-16: the texts are converted here, never through
// the ANSI code page.
std::filesystem::path PathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(WideOf(utf8));
}

std::string Utf8FromPath(const std::filesystem::path& path)
{
    return Utf8Of(path.native());
}
