#pragma once
// A key store in memory, with the registry's rules: values live in keys
// that must be created first.

#include <map>
#include <optional>
#include <string>

#include "platform/KeyStore.h"

class MemoryKeyStore : public KeyStore {
public:
    bool KeyExists(const std::string& key) override { return m_keys.count(key) != 0; }
    bool CreateKey(const std::string& key) override
    {
        m_keys[key];
        return true;
    }
    std::optional<uint32_t> ReadDword(const std::string& key, const std::string& name) override
    {
        auto k = m_keys.find(key);
        if (k == m_keys.end())
            return std::nullopt;
        auto v = k->second.dwords.find(name);
        if (v == k->second.dwords.end())
            return std::nullopt;
        return v->second;
    }
    std::optional<std::string> ReadString(const std::string& key, const std::string& name) override
    {
        auto k = m_keys.find(key);
        if (k == m_keys.end())
            return std::nullopt;
        auto v = k->second.strings.find(name);
        if (v == k->second.strings.end())
            return std::nullopt;
        return v->second;
    }
    bool WriteDword(const std::string& key, const std::string& name, uint32_t value) override
    {
        auto k = m_keys.find(key);
        if (k == m_keys.end())
            return false;
        k->second.dwords[name] = value;
        return true;
    }
    bool WriteString(const std::string& key, const std::string& name, const std::string& value) override
    {
        auto k = m_keys.find(key);
        if (k == m_keys.end())
            return false;
        k->second.strings[name] = value;
        return true;
    }

private:
    struct Key {
        std::map<std::string, uint32_t> dwords;
        std::map<std::string, std::string> strings;
    };
    std::map<std::string, Key> m_keys;
};
