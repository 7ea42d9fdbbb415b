// A call that blocks, run beside the window: the window keeps painting under
// a busy cursor, and what the user does meanwhile (a click on a button, the
// keys that press it, a close request) starts nothing, then or afterwards.
// The input is real: SendInput, through the system's input queue.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "gui/win32/BesideWindow.h"

namespace {

constexpr int kButtonId = 100;

// A window with one push button, counting what reaches it.
class TestWindow {
public:
    TestWindow()
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"MirrexBesideWindowTest";
        ::RegisterClassW(&windowClass);
        m_window = ::CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"beside", WS_POPUP | WS_VISIBLE | WS_BORDER,
                                     100, 100, 300, 200, nullptr, nullptr, windowClass.hInstance, this);
        m_button = ::CreateWindowExW(0, L"Button", L"Далее", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 50, 50, 200, 100,
                                     m_window, reinterpret_cast<HMENU>(kButtonId), windowClass.hInstance, nullptr);
        ::SetForegroundWindow(m_window);
        ::SetFocus(m_button);
        Pump(200);
    }
    ~TestWindow() { ::DestroyWindow(m_window); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Get() const { return m_window; }
    HWND Button() const { return m_button; }

    // Runs the window as its own loop would, for a while.
    static void Pump(DWORD milliseconds)
    {
        const ULONGLONG end = ::GetTickCount64() + milliseconds;
        while (::GetTickCount64() < end) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
            ::Sleep(10);
        }
    }

    std::atomic<bool> busy{false};  // a call is running beside the window
    int paintsWhileBusy = 0;
    int paintsUnderBusyCursor = 0;
    int clicks = 0;
    int closeRequests = 0;
    int appMessages = 0;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
            ::SetWindowLongPtrW(window, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self) {
            switch (message) {
            case WM_PAINT:
                if (self->busy) {
                    ++self->paintsWhileBusy;
                    if (::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT))
                        ++self->paintsUnderBusyCursor;
                }
                break;
            case WM_COMMAND:
                if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED)
                    ++self->clicks;
                return 0;
            case WM_SYSCOMMAND:
                if ((wParam & 0xFFF0) == SC_CLOSE) {
                    ++self->closeRequests;
                    return 0;
                }
                break;
            case WM_APP: ++self->appMessages; return 0;
            default: break;
            }
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    HWND m_window = nullptr;
    HWND m_button = nullptr;
};

void SendMouse(DWORD flags, const POINT& at = {})
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        input.mi.dx = at.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = at.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    ::SendInput(1, &input, sizeof input);
    ::Sleep(30);
}

void SendKey(WORD key)
{
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, input, sizeof input[0]);
    ::Sleep(30);
}

// A click on the middle of the button, and the space bar that presses the
// button with the focus.
void PressButton(HWND button)
{
    RECT rect{};
    ::GetWindowRect(button, &rect);
    const POINT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, middle);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    SendKey(VK_SPACE);
}

TEST(BesideWindow, WindowPaintsUnderABusyCursorWhileTheCallRuns)
{
    TestWindow window;
    const HCURSOR before = ::GetCursor();
    RunBesideWindow([&] {
        window.busy = true;
        for (int i = 0; i < 10; ++i) {
            ::InvalidateRect(window.Get(), nullptr, FALSE);
            ::Sleep(40);
        }
        ::PostMessageW(window.Get(), WM_APP, 0, 0);
        ::Sleep(40);
        window.busy = false;
    });
    EXPECT_GE(window.paintsWhileBusy, 5);
    EXPECT_EQ(window.paintsUnderBusyCursor, window.paintsWhileBusy);
    // What the program posts to itself still arrives.
    EXPECT_EQ(window.appMessages, 1);
    EXPECT_EQ(::GetCursor(), before);
}

TEST(BesideWindow, WhatTheUserDoesMeanwhileStartsNothingThenOrLater)
{
    TestWindow window;
    RunBesideWindow([&] {
        PressButton(window.Button());
        ::PostMessageW(window.Get(), WM_SYSCOMMAND, SC_CLOSE, 0);
        ::Sleep(200);
    });
    TestWindow::Pump(300);
    EXPECT_EQ(window.clicks, 0);
    EXPECT_EQ(window.closeRequests, 0);

    // The same input once the call has ended does press the button: the
    // click and the space bar, two presses.
    PressButton(window.Button());
    TestWindow::Pump(300);
    EXPECT_EQ(window.clicks, 2);
}

TEST(BesideWindow, CallsFailureAndAQuitRequestMadeMeanwhileComeThrough)
{
    const DWORD thread = ::GetCurrentThreadId();
    EXPECT_THROW(RunBesideWindow([&] {
                     ::PostThreadMessageW(thread, WM_QUIT, 7, 0);
                     ::Sleep(100);
                     throw std::runtime_error("the port vanished");
                 }),
                 std::runtime_error);
    MSG message;
    ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
}

}  // namespace
