#include "gui/win32/DialogPlacement.h"

#include <algorithm>

void CentreOverOwner(HWND dialog)
{
    const HWND owner = ::GetWindow(dialog, GW_OWNER);
    RECT area{};
    RECT own{};
    RECT self{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : dialog, MONITOR_DEFAULTTONEAREST), &monitor);
    area = monitor.rcWork;
    if (!owner || !::GetWindowRect(owner, &own))
        own = area;
    ::GetWindowRect(dialog, &self);
    const LONG width = self.right - self.left;
    const LONG height = self.bottom - self.top;
    LONG left = (own.left + own.right - width) / 2;
    LONG top = (own.top + own.bottom - height) / 2;
    left = std::max(area.left, std::min(left, area.right - width));
    top = std::max(area.top, std::min(top, area.bottom - height));
    ::SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

