#pragma once
// A temporary folder for one test, removed with everything in it afterwards.

#include <cstdlib>
#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirrex-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Points the per-user folders at a temporary folder for the test's lifetime,
// so nothing touches the real home folder.
class ScopedUserFolders {
public:
    ScopedUserFolders()
    {
        Save("XDG_CONFIG_HOME", m_oldConfig);
        Save("XDG_STATE_HOME", m_oldState);
        ::setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (m_dir / "state").c_str(), 1);
    }
    ~ScopedUserFolders()
    {
        Restore("XDG_CONFIG_HOME", m_oldConfig);
        Restore("XDG_STATE_HOME", m_oldState);
    }
    std::string ConfigDir() const { return m_dir / "config"; }

private:
    static void Save(const char* name, std::string& into)
    {
        const char* value = std::getenv(name);
        into = value != nullptr ? value : "";
    }
    static void Restore(const char* name, const std::string& value)
    {
        if (value.empty())
            ::unsetenv(name);
        else
            ::setenv(name, value.c_str(), 1);
    }

    TempDir m_dir;
    std::string m_oldConfig;
    std::string m_oldState;
};
