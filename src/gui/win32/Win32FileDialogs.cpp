#include "gui/win32/Win32FileDialogs.h"

#include <commdlg.h>

#include <vector>

#include "gui/win32/Win32Prompts.h"
#include "platform/win32/WideText.h"
#include "resources/PageTexts.h"

namespace {

// "name\0pattern\0name\0pattern\0\0", the filter as the dialogs take it.
std::wstring FilterText()
{
    std::wstring filter;
    for (const FileFilter& entry : kConfigFileFilters) {
        filter += WideOf(entry.name);
        filter.push_back(L'\0');
        filter += WideOf(entry.pattern);
        filter.push_back(L'\0');
    }
    filter.push_back(L'\0');
    return filter;
}

// Room for the longest path the system's wide calls take.
constexpr DWORD kPathCapacity = 32768;

}  // namespace

std::optional<std::string> Win32FileDialogs::ChooseSaveFile(const std::string& initial)
{
    return Run(initial, true);
}

std::optional<std::string> Win32FileDialogs::ChooseOpenFile(const std::string& initial)
{
    return Run(initial, false);
}

std::optional<std::string> Win32FileDialogs::Run(const std::string& initial, bool save)
{
    const std::wstring filter = FilterText();
    const std::wstring extension = WideOf(texts::kDefaultExtension);
    std::wstring start = WideOf(initial);
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::vector<wchar_t> file(kPathCapacity, L'\0');
        start.copy(file.data(), std::min<std::size_t>(start.size(), kPathCapacity - 1));
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = m_owners.Owner();
        dialog.lpstrFilter = filter.c_str();
        dialog.nFilterIndex = 1;
        dialog.lpstrFile = file.data();
        dialog.nMaxFile = kPathCapacity;
        dialog.lpstrDefExt = extension.c_str();
        dialog.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_LONGNAMES |
                       (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
        const BOOL chosen = save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
        if (chosen)
            return Utf8Of(file.data());
        // A starting name the dialog refuses (a folder that has gone) is
        // not the user's cancel: offer the bare file name instead.
        if (::CommDlgExtendedError() == 0 || attempt == 1)
            break;
        const auto separator = start.find_last_of(L"\\/:");
        start = separator == std::wstring::npos ? std::wstring() : start.substr(separator + 1);
    }
    return std::nullopt;
}
