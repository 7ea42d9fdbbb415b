#pragma once
// A per-user store of keys holding named DWORD and string values, with the
// semantics of the Windows registry: a key exists or not; opening for
// reading fails when it does not; writing a value needs an existing key;
// a value is present or missing. Key paths use backslashes
// ("Software\Tolvar\Mirrex"); strings are UTF-8 here.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class KeyStore {
public:
    virtual ~KeyStore() = default;

    // Opening for reading: true when the key exists and can be read.
    virtual bool KeyExists(const std::string& key) = 0;
    // Creates the key if it does not exist; true when it exists afterwards.
    virtual bool CreateKey(const std::string& key) = 0;

    // Missing key or missing value (or a value of the other type): nullopt.
    virtual std::optional<uint32_t> ReadDword(const std::string& key, const std::string& name) = 0;
    virtual std::optional<std::string> ReadString(const std::string& key, const std::string& name) = 0;

    // False, and nothing written, when the key does not exist.
    virtual bool WriteDword(const std::string& key, const std::string& name, uint32_t value) = 0;
    virtual bool WriteString(const std::string& key, const std::string& name, const std::string& value) = 0;
};

// The platform's per-user store (files under $XDG_CONFIG_HOME on Linux,
// HKEY_CURRENT_USER on Windows).
std::unique_ptr<KeyStore> MakeUserKeyStore();

// The key that holds all of the program's values.
inline const std::string kMirrexKey = "Software\\Tolvar\\Mirrex";
