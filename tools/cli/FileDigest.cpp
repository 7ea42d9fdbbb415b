#include "FileDigest.h"

#include <vector>

#include "device/FileIo.h"
#include "platform/Sha256.h"

std::optional<std::string> FileSha256(const std::filesystem::path& path)
{
    File file = OpenFile(path, FileMode::Read);
    if (!file) return std::nullopt;
    Sha256 hash;
    std::vector<char> piece(64 * 1024);
    for (;;) {
        int64_t got = file.ReadSome(piece.data(), piece.size());
        if (got < 0) return std::nullopt;
        if (got == 0) return Sha256::Hex(hash.Finish());
        hash.Update(piece.data(), static_cast<std::size_t>(got));
    }
}

