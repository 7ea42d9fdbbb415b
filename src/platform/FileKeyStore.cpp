#include "platform/FileKeyStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
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

// Tries the names <file>.bad, <file>.bad.1, <file>.bad.2 ... in turn until
// place(name) succeeds; place must fail with EEXIST for a name in use, so an
// earlier copy is never replaced.
template <typename Place>
bool UnderFreeAsideName(const std::string& file, Place place)
{
    constexpr int kMostCopies = 1000;
    for (int n = 0; n < kMostCopies; ++n) {
        const std::string name = file + ".bad" + (n == 0 ? std::string() : "." + std::to_string(n));
        if (place(name))
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// Moves a file that is not a key file out of the key's place, whatever it
// holds and even when it cannot be read.
bool MoveAside(const std::string& file)
{
    return UnderFreeAsideName(file, [&](const std::string& name) {
        return ::link(file.c_str(), name.c_str()) == 0 && ::unlink(file.c_str()) == 0;
    });
}

// Keeps a copy of a key file's text before a write replaces it.
bool KeepCopyAside(const std::string& file, const std::string& text)
{
    return UnderFreeAsideName(file, [&](const std::string& name) {
        UniqueFd fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!fd.Valid())
            return false;
        bool written = ::write(fd.Get(), text.data(), text.size()) == static_cast<ssize_t>(text.size())
                       && ::fsync(fd.Get()) == 0;
        if (!written) {
            ::unlink(name.c_str());
            errno = EIO;  // not a name in use: stop trying
        }
        return written;
    });
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

// What lies in a key's place.
struct FileKeyStore::KeyFile {
    enum class Kind {
        Missing,  // nothing: the key does not exist
        Key,      // a key file, read
        Foreign,  // a file that is not a key file, or that we may not read
        Blocked,  // a folder, a FIFO or a device, or a read that failed: left alone
    };
    Kind kind = Kind::Missing;
    std::optional<std::string> text;  // as read, when it could be
    ParsedKeyFile parsed;
};

FileKeyStore::KeyFile FileKeyStore::ReadKeyFile(const std::string& file) const
{
    KeyFile found;
    ReadFailure failure = ReadFailure::None;
    found.text = ReadWholeFile(file, kMaxKeyFileSize, &failure);
    using Kind = KeyFile::Kind;
    switch (failure) {
    case ReadFailure::None: break;
    case ReadFailure::Missing: found.kind = Kind::Missing; return found;
    case ReadFailure::NoPermission:
    case ReadFailure::TooLarge: found.kind = Kind::Foreign; return found;
    case ReadFailure::NotRegular:
    case ReadFailure::Other: found.kind = Kind::Blocked; return found;
    }
    auto parsed = ParseKeyFile(*found.text);
    found.kind = parsed ? Kind::Key : Kind::Foreign;
    if (parsed)
        found.parsed = std::move(*parsed);
    return found;
}

std::optional<KeyValues> FileKeyStore::ReadKey(const std::string& key) const
{
    const std::string file = FileOfKey(key);
    if (file.empty())
        return std::nullopt;
    KeyFile found = ReadKeyFile(file);
    if (found.kind != KeyFile::Kind::Key)
        return std::nullopt;
    return std::move(found.parsed.values);
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
    const KeyFile found = ReadKeyFile(file);
    switch (found.kind) {
    case KeyFile::Kind::Key: return true;  // made by another program meanwhile
    case KeyFile::Kind::Blocked: return false;
    case KeyFile::Kind::Foreign:
        // Kept rather than destroyed, so nobody's data disappears without a
        // trace; an empty file holds nothing to keep.
        if (found.text != std::string() && !MoveAside(file))
            return false;
        break;
    case KeyFile::Kind::Missing: break;
    }
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
    KeyFile found = ReadKeyFile(file);
    if (found.kind != KeyFile::Kind::Key)
        return false;
    // The new file has no room for lines we could not read; the user may
    // still want what they meant by them.
    if (found.parsed.unreadableLines > 0 && !KeepCopyAside(file, *found.text))
        return false;
    found.parsed.values[name] = std::move(value);
    return WriteFileAtomically(file, FormatKeyFile(found.parsed.values));
}

std::unique_ptr<KeyStore> MakeUserKeyStore()
{
    return std::make_unique<FileKeyStore>(UserConfigDir());
}
