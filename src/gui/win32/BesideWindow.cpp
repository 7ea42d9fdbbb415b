#include "gui/win32/BesideWindow.h"

#include <windows.h>

#include <exception>
#include <system_error>
#include <thread>

#include "platform/win32/UniqueHandle.h"

namespace {

bool IsMouseInput(UINT message)
{
    return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

// What would start something: a key, a click, or the command or close
// request that one makes.
bool IsDropped(UINT message)
{
    return IsMouseInput(message) || (message >= WM_KEYFIRST && message <= WM_KEYLAST) || message == WM_COMMAND ||
           message == WM_SYSCOMMAND || message == WM_CLOSE;
}

}  // namespace

void RunBesideWindow(const std::function<void()>& call)
{
    UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done.Valid()) {
        call();
        return;
    }
    std::exception_ptr failure;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                call();
            } catch (...) {
                failure = std::current_exception();
            }
            ::SetEvent(done.Get());
        });
    } catch (const std::system_error&) {
        call();
        return;
    }

    const HCURSOR busy = ::LoadCursorW(nullptr, IDC_WAIT);
    const HCURSOR previous = ::SetCursor(busy);
    bool quit = false;
    WPARAM quitCode = 0;
    const HANDLE finished = done.Get();
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = message.wParam;
            } else if (IsDropped(message.message)) {
                // The window under the pointer has just set its own cursor.
                if (IsMouseInput(message.message))
                    ::SetCursor(busy);
            } else {
                ::DispatchMessageW(&message);
            }
        }
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &finished, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0)
            break;
        if (woke == WAIT_FAILED) {
            ::WaitForSingleObject(finished, INFINITE);
            break;
        }
    }
    worker.join();
    ::SetCursor(previous);
    // A quit request belongs to the loop that runs the window.
    if (quit)
        ::PostQuitMessage(static_cast<int>(quitCode));
    if (failure)
        std::rethrow_exception(failure);
}
