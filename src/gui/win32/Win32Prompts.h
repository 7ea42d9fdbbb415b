#pragma once
// Message boxes of the program as the system's own (MessageBoxW), captioned
// with the application's title or, for the sheet's own questions, the
// program's name; owned by the window the user is working in.

#include <windows.h>

#include <string>
#include <vector>

#include "device/Prompts.h"

class Win32Prompts : public Prompts {
public:
    explicit Win32Prompts(std::wstring applicationTitle);
    MsgAnswer Show(const MessageBoxRequest& request) override;

    // The window a box is modal to: the latest one pushed (the sheet, then
    // a progress dialog above it while it is open).
    void PushOwner(HWND owner) { m_owners.push_back(owner); }
    void PopOwner() { m_owners.pop_back(); }
    HWND Owner() const { return m_owners.empty() ? nullptr : m_owners.back(); }

private:
    std::wstring m_applicationTitle;
    std::vector<HWND> m_owners;
};

// Keeps a window the owner of the boxes while it exists.
class ScopedOwner {
public:
    ScopedOwner(Win32Prompts& prompts, HWND owner) : m_prompts(prompts) { m_prompts.PushOwner(owner); }
    ~ScopedOwner() { m_prompts.PopOwner(); }
    ScopedOwner(const ScopedOwner&) = delete;
    ScopedOwner& operator=(const ScopedOwner&) = delete;

private:
    Win32Prompts& m_prompts;
};
