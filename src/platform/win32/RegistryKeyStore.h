#pragma once
// The key store on the registry: keys below one root (HKEY_CURRENT_USER
// for the program), REG_DWORD and REG_SZ values; texts of any length.

#include <windows.h>

#include <optional>
#include <string>

#include "platform/KeyStore.h"

class RegistryKeyStore final : public KeyStore {
public:
    explicit RegistryKeyStore(HKEY root = HKEY_CURRENT_USER) : m_root(root) {}

    bool KeyExists(const std::string& key) override;
    bool CreateKey(const std::string& key) override;
    std::optional<uint32_t> ReadDword(const std::string& key, const std::string& name) override;
    std::optional<std::string> ReadString(const std::string& key, const std::string& name) override;
    bool WriteDword(const std::string& key, const std::string& name, uint32_t value) override;
    bool WriteString(const std::string& key, const std::string& name, const std::string& value) override;

private:
    bool WriteValue(const std::string& key, const std::string& name, DWORD type, const void* data, DWORD size);

    HKEY m_root;
};
