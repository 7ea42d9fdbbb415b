#pragma once
// What the start page and the two file pages do, without any window: the
// start page's stored action, page 4's save file (the read-only check, its
// message, what is remembered), page 6's file to replicate (the default
// path on "...") and its two options. Each front end shows the controls
// and hands their events and texts here.

#include <optional>
#include <string>
#include <utility>

class KeyStore;
class Prompts;

// The file dialogs of pages 4 and 6: the full path chosen, or nullopt when
// the user cancelled. Saving asks before it overwrites; opening takes only
// an existing file.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<std::string> ChooseSaveFile(const std::string& initial) = 0;
    virtual std::optional<std::string> ChooseOpenFile(const std::string& initial) = 0;
};

// The dialogs' filter: configuration files, then all files; the user sees
// the names only.
struct FileFilter {
    const char* name;
    const char* pattern;
};
extern const FileFilter kConfigFileFilters[2];

class StartPageLogic {
public:
    explicit StartPageLogic(KeyStore& keys) : m_keys(keys) {}
    // The radio button the stored action selects (the hidden 1002 for 3).
    int OnInitDialog();
    // The program is left: the selected button (0 for none) is remembered.
    void OnCancel(int selectedButton);

private:
    KeyStore& m_keys;
};

class SaveFilePageLogic {
public:
    SaveFilePageLogic(KeyStore& keys, Prompts& prompts, FileDialogs& files);
    // The text the file edit box starts with.
    std::string OnInitDialog();
    // "...": the text the edit box shows afterwards. Only a path chosen here
    // and not refused is remembered; a read-only file is refused with a
    // message and changes nothing.
    std::string OnBrowse(const std::string& editText);

private:
    KeyStore& m_keys;
    Prompts& m_prompts;
    FileDialogs& m_files;
};

class ReplicateFilePageLogic {
public:
    struct Initial {
        std::string path;
        bool setClock;
        bool verify;
    };

    // startFile: the file the program was started with (WizardStart), shown
    // instead of the stored path.
    ReplicateFilePageLogic(KeyStore& keys, FileDialogs& files, std::optional<std::string> startFile = std::nullopt)
        : m_keys(keys), m_files(files), m_startFile(std::move(startFile))
    {
    }
    Initial OnInitDialog();
    // "...": an empty box gets the default path first (kept even when the
    // dialog is then cancelled); a chosen path is remembered.
    std::string OnBrowse(const std::string& editText);
    // The options are stored at every click: the write reads them from the
    // key store, not from the check boxes.
    void OnTimeSyncClicked(bool checked);
    void OnVerifyClicked(bool checked);

private:
    KeyStore& m_keys;
    FileDialogs& m_files;
    std::optional<std::string> m_startFile;
};

// Page 7's backup option, stored at every click like page 6's options.
class WritePageLogic {
public:
    explicit WritePageLogic(KeyStore& keys) : m_keys(keys) {}
    bool OnInitDialog();
    void OnBackupClicked(bool checked);

private:
    KeyStore& m_keys;
};
