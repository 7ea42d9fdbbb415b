#pragma once
// The file dialogs of pages 4 and 6 as the system's common dialogs
// (GetSaveFileNameW, GetOpenFileNameW), modal to the sheet.

#include <windows.h>

#include "wizard/ChoicePageLogic.h"

class Win32Prompts;

class Win32FileDialogs : public FileDialogs {
public:
    // The dialogs are modal to the message boxes' owner of the moment.
    explicit Win32FileDialogs(const Win32Prompts& owners) : m_owners(owners) {}
    std::optional<std::string> ChooseSaveFile(const std::string& initial) override;
    std::optional<std::string> ChooseOpenFile(const std::string& initial) override;

private:
    std::optional<std::string> Run(const std::string& initial, bool save);
    const Win32Prompts& m_owners;
};
