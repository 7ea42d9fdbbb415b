#include "gui/win32/Win32Prompts.h"

#include "platform/win32/WideText.h"
#include "resources/DeviceTexts.h"

namespace {

UINT IconStyle(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Error: return MB_ICONERROR;
    case MsgIcon::Exclamation: return MB_ICONEXCLAMATION;
    case MsgIcon::Information: return MB_ICONINFORMATION;
    case MsgIcon::Question: return MB_ICONQUESTION;
    case MsgIcon::None: break;
    }
    return 0;
}

}  // namespace

Win32Prompts::Win32Prompts(std::wstring applicationTitle) : m_applicationTitle(std::move(applicationTitle)) {}

MsgAnswer Win32Prompts::Show(const MessageBoxRequest& request)
{
    const std::wstring caption =
        request.caption == MsgCaption::Sheet ? WideOf(texts::StringTableEntry(132)) : m_applicationTitle;
    UINT style = IconStyle(request.icon);
    style |= request.buttons == MsgButtons::YesNo ? MB_YESNO : MB_OK;
    if (request.defaultIsSecond)
        style |= MB_DEFBUTTON2;
    const int answer = ::MessageBoxW(Owner(), WideOf(request.text).c_str(), caption.c_str(), style);
    switch (answer) {
    case IDYES: return MsgAnswer::Yes;
    case IDOK: return MsgAnswer::Ok;
    default:
        // A box that could not be shown answers a question with No, which
        // never leaves the program or overwrites anything.
        return request.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    }
}
