#include "platform/FileKeyStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/ProgramPath.h"
#include "platform/UniqueFd.h"

namespace {

// Key files hold a handful of short values; anything far larger is not ours.
constexpr std::size_t kMaxKeyFileSize = 1 << 20;

std::vector<std::string> SplitKeyPath(const std::string& key)
{
    std::vector<std::string> parts;
    std::string part;
    for (const char c : key) {
        if (c == '\\') {
            parts.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(std::move(part));
    return parts;
}

bool IsSafeComponent(const std::string& part)
{
    return !part.empty() && part != "." && part != ".." && part.find('/') == std::string::npos
           && part.find('\0') == std::string::npos;
}

template <typename T>
std::optional<T> ValueOfType(const std::optional<KeyValues>& values, const std::string& name)
{
    if (!values)
        return std::nullopt;
    const auto found = values->find(name);
    if (found == values->end() || !std::holds_alternative<T>(found->second))
        return std::nullopt;
    return std::get<T>(found->second);
}

enum class PathKind { Missing, File, Other };

PathKind KindOfPath(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return PathKind::Missing;
    return S_ISREG(info.st_mode) ? PathKind::File : PathKind::Other;
}

std::string FolderOfFile(const std::string& file)
{
    return file.substr(0, file.rfind('/'));
}

// Every change reads the whole key and writes it back; the wizard and the
// command-line tool may do that at the same moment, and without this lock
// one of them would lose the other's value.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
        : m_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_fd.Valid())
            ::flock(m_fd.Get(), LOCK_EX);
    }

private:
    UniqueFd m_fd;
};

}  // namespace

FileKeyStore::FileKeyStore(std::string rootFolder) : m_root(std::move(rootFolder)) {}

std::string FileKeyStore::FileOfKey(const std::string& key) const
{
    auto parts = SplitKeyPath(key);
    // The per-user root already plays the part of "Software".
    if (parts.size() > 1 && parts.front() == "Software")
        parts.erase(parts.begin());
    std::string path = m_root;
    for (const auto& part : parts) {
        if (!IsSafeComponent(part))
            return {};
        path += '/' + part;
    }
    return path;
}

std::optional<KeyValues> FileKeyStore::ReadKey(const std::string& key) const
{
    const std::string file = FileOfKey(key);
    if (file.empty())
        return std::nullopt;
    const auto text = ReadWholeFile(file, kMaxKeyFileSize);
    if (!text)
        return std::nullopt;
    return ParseKeyFile(*text);
}

bool FileKeyStore::KeyExists(const std::string& key)
{
    return ReadKey(key).has_value();
}

bool FileKeyStore::CreateKey(const std::string& key)
{
    if (KeyExists(key))
        return true;
    const std::string file = FileOfKey(key);
    if (file.empty() || !MakeDirectories(FolderOfFile(file)))
        return false;
    const FolderLock lock(FolderOfFile(file));
    if (KeyExists(key))
        return true;
    // A damaged or foreign file in the key's place is kept aside rather than
    // destroyed, so nobody's data disappears without a trace; a folder there
    // (another key's parent) is never touched.
    const PathKind kind = KindOfPath(file);
    if (kind == PathKind::Other
        || (kind == PathKind::File && std::rename(file.c_str(), (file + ".bad").c_str()) != 0))
        return false;
    return WriteFileAtomically(file, FormatKeyFile({}));
}

std::optional<uint32_t> FileKeyStore::ReadDword(const std::string& key, const std::string& name)
{
    return ValueOfType<uint32_t>(ReadKey(key), name);
}

std::optional<std::string> FileKeyStore::ReadString(const std::string& key, const std::string& name)
{
    return ValueOfType<std::string>(ReadKey(key), name);
}

bool FileKeyStore::WriteDword(const std::string& key, const std::string& name, uint32_t value)
{
    return WriteValue(key, name, value);
}

bool FileKeyStore::WriteString(const std::string& key, const std::string& name, const std::string& value)
{
    return WriteValue(key, name, value);
}

bool FileKeyStore::WriteValue(const std::string& key, const std::string& name, KeyValue value)
{
    const std::string file = FileOfKey(key);
    if (file.empty() || name.empty())
        return false;
    const FolderLock lock(FolderOfFile(file));
    auto values = ReadKey(key);
    if (!values)
        return false;
    (*values)[name] = std::move(value);
    return WriteFileAtomically(file, FormatKeyFile(*values));
}

std::unique_ptr<KeyStore> MakeUserKeyStore()
{
    return std::make_unique<FileKeyStore>(UserConfigDir());
}
