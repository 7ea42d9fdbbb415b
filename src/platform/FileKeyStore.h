#pragma once
// The key store on files: one small text file per key below a root folder
// ("Software\Tolvar\Mirrex" is <root>/Tolvar/Mirrex), each replaced
// atomically on every write. A line of the file that cannot be read costs
// only its value. A file that is not a key file at all counts as a key that
// does not exist; creating the key moves it aside first (<file>.bad, then
// <file>.bad.1 ...), and a write that is about to drop unreadable lines
// keeps a copy of the file the same way, so no hand edit is ever lost.

#include <optional>
#include <string>

#include "platform/KeyFileFormat.h"
#include "platform/KeyStore.h"

class FileKeyStore final : public KeyStore {
public:
    explicit FileKeyStore(std::string rootFolder);

    bool KeyExists(const std::string& key) override;
    bool CreateKey(const std::string& key) override;
    std::optional<uint32_t> ReadDword(const std::string& key, const std::string& name) override;
    std::optional<std::string> ReadString(const std::string& key, const std::string& name) override;
    bool WriteDword(const std::string& key, const std::string& name, uint32_t value) override;
    bool WriteString(const std::string& key, const std::string& name, const std::string& value) override;

    // The file that holds the key, or empty for a key path that would leave
    // the root folder or names nothing.
    std::string FileOfKey(const std::string& key) const;

private:
    struct KeyFile;
    KeyFile ReadKeyFile(const std::string& file) const;
    std::optional<KeyValues> ReadKey(const std::string& key) const;
    bool WriteValue(const std::string& key, const std::string& name, KeyValue value);

    std::string m_root;
};
