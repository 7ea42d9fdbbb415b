// Reads the state of a running mirrex.exe from outside, for the tests that
// drive it with real input: which page the sheet shows, the text of the
// message box on the screen, the progress dialog's status, and where to
// click a settings cell or a drop-down entry. It only looks; the tests press
// keys and click the mouse themselves.
//   wizard_probe page              the page number (1 to 8) the sheet shows
//   wizard_probe box               the text of the newest message box
//   wizard_probe progress          the progress dialog's status text
//   wizard_probe search            the search dialog's text of what it tries
//   wizard_probe cell ROW          screen point of a settings value cell
//   wizard_probe combo-arrow       screen point of the open combo box's arrow
//   wizard_probe dropdown ENTRY    screen point of an entry of the open drop-down
//   wizard_probe button ID         screen point of a button of the sheet
//   wizard_probe text ID           the text of a control of the current page
//   wizard_probe control ID        screen point of a control of the current page
//   wizard_probe paint-gaps MS     for MS milliseconds, or until a message box
//                                  shows, has the sheet repainted over and over
//                                  and prints the longest time in milliseconds
//                                  between two paints
//   wizard_probe restart-text MS   for MS milliseconds, or until the progress
//                                  dialog of the restart goes, looks at what the screen shows
//                                  of its status text while that text is the
//                                  restart's: prints the samples taken, those
//                                  showing no text, and the longest time in
//                                  milliseconds the text was missing
// Prints UTF-8; exits 1 when there is nothing of the kind.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/WideText.h"

namespace {

constexpr int kNextButton = 0x3024;
constexpr int kProgressBar = 1009;
constexpr int kProgressText = 1010;
constexpr int kSearchText = 1016;
constexpr int kSearchBar = 1017;
constexpr int kBoxText = 0xFFFF;

void Print(const std::string& text)
{
    const std::string line = text + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

std::string TextOf(HWND window)
{
    std::vector<wchar_t> text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return Utf8Of(text.data());
}

// Visible top-level dialogs, newest (highest in the z-order) first.
std::vector<HWND> Dialogs()
{
    std::vector<HWND> dialogs;
    ::EnumWindows(
        [](HWND window, LPARAM found) {
            if (::IsWindowVisible(window) && ClassOf(window) == L"#32770")
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

// The tooltip on show, if any.
HWND TipShown()
{
    HWND shown = nullptr;
    ::EnumWindows(
        [](HWND window, LPARAM found) {
            if (::IsWindowVisible(window) && ClassOf(window) == TOOLTIPS_CLASSW) {
                *reinterpret_cast<HWND*>(found) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&shown));
    return shown;
}

// The text of the tooltip's current tool. A tooltip keeps it out of its
// window text, so it is asked for into memory of the program's own.
std::string TipText(HWND tip)
{
    struct Request {
        TTTOOLINFOW tool;
        wchar_t text[512];
    };
    DWORD process = 0;
    ::GetWindowThreadProcessId(tip, &process);
    const HANDLE program = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    if (!program)
        return {};
    std::string text;
    auto* remote = static_cast<Request*>(::VirtualAllocEx(program, nullptr, sizeof(Request), MEM_COMMIT, PAGE_READWRITE));
    Request local{};
    local.tool.cbSize = sizeof local.tool;
    if (remote && ::WriteProcessMemory(program, remote, &local, sizeof local, nullptr) &&
        ::SendMessageW(tip, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&remote->tool)) &&
        ::ReadProcessMemory(program, remote, &local, sizeof local, nullptr)) {
        local.tool.lpszText = remote->text;
        if (::WriteProcessMemory(program, &remote->tool, &local.tool, sizeof local.tool, nullptr)) {
            ::SendMessageW(tip, TTM_GETTEXTW, std::size(local.text), reinterpret_cast<LPARAM>(&remote->tool));
            if (::ReadProcessMemory(program, remote->text, local.text, sizeof local.text, nullptr)) {
                local.text[std::size(local.text) - 1] = L'\0';
                text = Utf8Of(local.text);
            }
        }
    }
    if (remote)
        ::VirtualFreeEx(program, remote, 0, MEM_RELEASE);
    ::CloseHandle(program);
    return text;
}

HWND FindDialogWith(int controlId)
{
    for (HWND dialog : Dialogs())
        if (::GetDlgItem(dialog, controlId))
            return dialog;
    return nullptr;
}

HWND CurrentPage()
{
    const HWND sheet = FindDialogWith(kNextButton);
    return sheet ? reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)) : nullptr;
}

HWND FindChild(HWND parent, const wchar_t* className)
{
    return parent ? ::FindWindowExW(parent, nullptr, className, nullptr) : nullptr;
}

void PrintPoint(LONG x, LONG y)
{
    Print(std::to_string(x) + " " + std::to_string(y));
}

// The rectangle of a list cell, asked in the wizard's own memory.
bool CellRect(HWND list, int row, RECT* rect)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(list, &process);
    const HANDLE target = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    if (!target)
        return false;
    void* remote = ::VirtualAllocEx(target, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    RECT asked{LVIR_BOUNDS, 1, 0, 0};  // top: the column
    bool ok = remote && ::WriteProcessMemory(target, remote, &asked, sizeof asked, nullptr) &&
              ::SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote)) &&
              ::ReadProcessMemory(target, remote, rect, sizeof(RECT), nullptr);
    if (remote)
        ::VirtualFreeEx(target, remote, 0, MEM_RELEASE);
    ::CloseHandle(target);
    return ok;
}

int Cell(int row)
{
    const HWND list = FindChild(CurrentPage(), WC_LISTVIEWW);
    RECT cell{};
    if (!list || !CellRect(list, row, &cell))
        return 1;
    POINT centre{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    ::ClientToScreen(list, &centre);
    PrintPoint(centre.x, centre.y);
    return 0;
}

int ComboArrow()
{
    const HWND combo = FindChild(FindChild(CurrentPage(), WC_LISTVIEWW), WC_COMBOBOXW);
    if (!combo)
        return 1;
    RECT rect{};
    ::GetWindowRect(combo, &rect);
    const LRESULT field = ::SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    PrintPoint(rect.right - 8, rect.top + static_cast<LONG>(field) / 2 + 3);
    return 0;
}

int DropDownEntry(int entry)
{
    HWND list = nullptr;
    while ((list = ::FindWindowExW(nullptr, list, L"ComboLBox", nullptr)) != nullptr)
        if (::IsWindowVisible(list))
            break;
    if (!list)
        return 1;
    RECT rect{};
    ::GetClientRect(list, &rect);
    const LRESULT height = ::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    const LRESULT top = ::SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    POINT centre{(rect.left + rect.right) / 2, static_cast<LONG>((entry - top) * height + height / 2)};
    ::ClientToScreen(list, &centre);
    PrintPoint(centre.x, centre.y);
    return 0;
}

// The sheet's whole area invalidated again as soon as it has been painted
// (its update region is empty again), for `span` milliseconds or until a
// message box ends the wait: a window whose thread is held up stays
// unpainted until it is free.
int PaintGaps(DWORD span)
{
    const HWND sheet = FindDialogWith(kNextButton);
    if (!sheet)
        return 1;
    const ULONGLONG start = ::GetTickCount64();
    ULONGLONG lastPaint = start;
    ULONGLONG longest = 0;
    const auto boxShown = [] {
        for (HWND dialog : Dialogs())
            if (::GetDlgItem(dialog, kBoxText))
                return true;
        return false;
    };
    while (::GetTickCount64() - start < span && !boxShown()) {
        ::RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        while (::GetUpdateRect(sheet, nullptr, FALSE) && ::GetTickCount64() - start < span)
            ::Sleep(1);
        const ULONGLONG now = ::GetTickCount64();
        longest = std::max(longest, now - lastPaint);
        lastPaint = now;
        ::Sleep(5);
    }
    Print(std::to_string(longest));
    return 0;
}

// Whether the screen shows any text in the window's rectangle: a pixel much
// darker than the dialog's face.
bool ShowsText(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    bool dark = false;
    const auto* pixel = static_cast<const uint8_t*>(bits);
    for (int i = 0; i < width * height && !dark; ++i, pixel += 4)
        dark = std::max({pixel[0], pixel[1], pixel[2]}) < 96;
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return dark;
}

int RestartText(DWORD span)
{
    const std::string restart = Utf8Of(L"перезагрузка");
    const ULONGLONG start = ::GetTickCount64();
    int samples = 0, blank = 0;
    ULONGLONG missingSince = 0, longest = 0;
    bool seen = false;
    while (::GetTickCount64() - start < span) {
        // Each area has a dialog of its own; the restart's is the last.
        const HWND dialog = FindDialogWith(kProgressBar);
        if (!dialog) {
            if (seen)
                break;
            ::Sleep(20);
            continue;
        }
        const HWND text = ::GetDlgItem(dialog, kProgressText);
        const ULONGLONG now = ::GetTickCount64();
        if (TextOf(text).find(restart) != std::string::npos) {
            seen = true;
            ++samples;
            if (ShowsText(text)) {
                missingSince = 0;
            } else {
                ++blank;
                if (!missingSince)
                    missingSince = now;
                longest = std::max(longest, now - missingSince);
            }
        } else {
            missingSince = 0;
        }
        ::Sleep(20);
    }
    Print(std::to_string(samples) + " " + std::to_string(blank) + " " + std::to_string(longest));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"page") {
        const HWND sheet = FindDialogWith(kNextButton);
        const HWND page = CurrentPage();
        if (!page)
            return 1;
        Print(std::to_string(::SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0) + 1));
        return 0;
    }
    if (command == L"box") {
        for (HWND dialog : Dialogs()) {
            if (const HWND text = ::GetDlgItem(dialog, kBoxText)) {
                Print(TextOf(text));
                return 0;
            }
        }
        return 1;
    }
    if (command == L"progress") {
        const HWND dialog = FindDialogWith(kProgressBar);
        if (!dialog)
            return 1;
        Print(TextOf(::GetDlgItem(dialog, kProgressText)));
        return 0;
    }
    if (command == L"search") {
        const HWND dialog = FindDialogWith(kSearchBar);
        if (!dialog)
            return 1;
        Print(TextOf(::GetDlgItem(dialog, kSearchText)));
        return 0;
    }
    if (command == L"tooltip") {
        const HWND tip = TipShown();
        if (!tip)
            return 1;
        Print(TipText(tip));
        return 0;
    }
    if (command == L"cell" && argc > 2)
        return Cell(std::wcstol(argv[2], nullptr, 10));
    if (command == L"combo-arrow")
        return ComboArrow();
    if (command == L"dropdown" && argc > 2)
        return DropDownEntry(std::wcstol(argv[2], nullptr, 10));
    if (command == L"button" && argc > 2) {
        const HWND sheet = FindDialogWith(kNextButton);
        const HWND button = sheet ? ::GetDlgItem(sheet, std::wcstol(argv[2], nullptr, 10)) : nullptr;
        if (!button)
            return 1;
        RECT rect{};
        ::GetWindowRect(button, &rect);
        PrintPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        return 0;
    }
    if (command == L"control" && argc > 2) {
        // A control of the current page: the point a user clicks, a little
        // inside its left edge (a check box's box, a radio button's circle).
        const HWND page = CurrentPage();
        const HWND control = page ? ::GetDlgItem(page, std::wcstol(argv[2], nullptr, 10)) : nullptr;
        if (!control)
            return 1;
        RECT rect{};
        ::GetWindowRect(control, &rect);
        PrintPoint(rect.left + 6, (rect.top + rect.bottom) / 2);
        return 0;
    }
    if (command == L"text" && argc > 2) {
        const HWND control = ::GetDlgItem(CurrentPage(), std::wcstol(argv[2], nullptr, 10));
        if (!control)
            return 1;
        // Asked with the message: the window text of an edit control of
        // another process is not kept where GetWindowText looks.
        std::vector<wchar_t> text(static_cast<std::size_t>(::SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
        ::SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
        Print(Utf8Of(text.data()));
        return 0;
    }
    if (command == L"restart-text" && argc > 2)
        return RestartText(static_cast<DWORD>(std::wcstol(argv[2], nullptr, 10)));
    if (command == L"paint-gaps" && argc > 2)
        return PaintGaps(static_cast<DWORD>(std::wcstol(argv[2], nullptr, 10)));
    Print("usage: wizard_probe page|box|progress|search|tooltip|cell ROW|combo-arrow|dropdown ENTRY|button ID|control ID|text ID|paint-gaps MS|restart-text MS");
    return 2;
}
