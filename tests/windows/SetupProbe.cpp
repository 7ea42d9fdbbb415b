// Reads what the setup program installed as the shell and the file
// properties show it, for the setup test:
//   setup_probe shortcut FILE.lnk   the shortcut's target, then its working folder
//   setup_probe version FILE.exe    the version resource: product, version,
//                                   description and the numeric file version
// Prints UTF-8, one item a line; exits 1 when there is nothing to read.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "platform/win32/WideText.h"

namespace {

void Print(const std::wstring& text)
{
    const std::string line = Utf8Of(text) + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

int Shortcut(const wchar_t* path)
{
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    int status = 1;
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(path, STGM_READ))) {
        wchar_t target[MAX_PATH] = {};
        wchar_t folder[MAX_PATH] = {};
        if (SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
            SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH))) {
            Print(target);
            Print(folder);
            status = 0;
        }
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    ::CoUninitialize();
    return status;
}

// The strings of the Russian (Unicode) block, as the file properties show them.
int Version(const wchar_t* path)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    std::vector<BYTE> info(size);
    if (size == 0 || !::GetFileVersionInfoW(path, 0, size, info.data()))
        return 1;
    for (const wchar_t* name : {L"ProductName", L"ProductVersion", L"FileDescription"}) {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\041904B0\\") + name;
        if (!::VerQueryValueW(info.data(), query.c_str(), &value, &length) || length == 0)
            return 1;
        Print(static_cast<const wchar_t*>(value));
    }
    void* fixed = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(info.data(), L"\\", &fixed, &length) || length < sizeof(VS_FIXEDFILEINFO))
        return 1;
    const auto* numbers = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    Print(std::to_wstring(HIWORD(numbers->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(numbers->dwFileVersionMS)) +
          L"." + std::to_wstring(HIWORD(numbers->dwFileVersionLS)) + L"." +
          std::to_wstring(LOWORD(numbers->dwFileVersionLS)));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc == 3 ? argv[1] : L"";
    if (command == L"shortcut")
        return Shortcut(argv[2]);
    if (command == L"version")
        return Version(argv[2]);
    Print(L"usage: setup_probe shortcut FILE.lnk | version FILE.exe");
    return 2;
}
