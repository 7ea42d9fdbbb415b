// The in-memory dialog templates of the Windows wizard, made into real
// dialogs by the dialog manager: every control of the shared tables is
// there with its id, window class, text, visibility and rectangle in dialog
// units, and the dialogs carry their caption and font.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "gui/win32/DialogTemplateBuilder.h"
#include "platform/win32/WideText.h"
#include "resources/DeviceTexts.h"
#include "wizard/PageTable.h"

namespace {

INT_PTR CALLBACK NoHandler(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return text;
}

const wchar_t* ExpectedClass(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Static:
    case ControlKind::Picture: return L"Static";
    case ControlKind::Edit: return L"Edit";
    case ControlKind::PushButton:
    case ControlKind::RadioButton:
    case ControlKind::CheckBox: return L"Button";
    case ControlKind::ListView: return WC_LISTVIEWW;
    case ControlKind::ProgressBar: return PROGRESS_CLASSW;
    }
    return L"";
}

// The dialog as the system builds it from the template: a page inside a
// hidden parent, the progress dialog on its own.
class BuiltDialog {
public:
    BuiltDialog(const DialogTemplate& layout, TemplateUse use) : m_template(layout, use)
    {
        if (use == TemplateUse::PropertyPage)
            m_parent = ::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                         ::GetModuleHandleW(nullptr), nullptr);
        m_dialog = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), m_template.Get(), m_parent, NoHandler, 0);
    }
    ~BuiltDialog()
    {
        if (m_dialog)
            ::DestroyWindow(m_dialog);
        if (m_parent)
            ::DestroyWindow(m_parent);
    }
    HWND Get() const { return m_dialog; }

    // The control's rectangle in the dialog's client area.
    RECT ClientRect(HWND control) const
    {
        RECT rect{};
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, m_dialog, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    // Origin and size converted each on its own, as the dialog manager
    // places a control.
    RECT FromDialogUnits(const DluRect& dlu) const
    {
        RECT rect{dlu.x, dlu.y, dlu.width, dlu.height};
        ::MapDialogRect(m_dialog, &rect);
        return {rect.left, rect.top, rect.left + rect.right, rect.top + rect.bottom};
    }

private:
    InMemoryTemplate m_template;
    HWND m_parent = nullptr;
    HWND m_dialog = nullptr;
};

void ExpectControlsAsSpecified(const DialogTemplate& layout, TemplateUse use)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    BuiltDialog dialog(layout, use);
    ASSERT_NE(dialog.Get(), nullptr) << "template " << layout.id;
    EXPECT_EQ(TextOf(dialog.Get()), WideOf(texts::StringTableEntry(layout.captionStringId)));

    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(dialog.Get(), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(std::wstring(font.lfFaceName), WideOf(layout.fontFace)) << "template " << layout.id;

    // Controls in template order: the n-th child window is the n-th control.
    HWND child = ::GetWindow(dialog.Get(), GW_CHILD);
    for (const ControlSpec& control : layout.controls) {
        ASSERT_NE(child, nullptr) << "template " << layout.id << " lacks control " << control.id;
        const std::string where = "template " + std::to_string(layout.id) + " control " + std::to_string(control.id);
        EXPECT_EQ(ClassOf(child), ExpectedClass(control.kind)) << where;
        if (control.id != 0) {
            EXPECT_EQ(::GetDlgCtrlID(child), control.id) << where;
        }
        if (control.text) {
            EXPECT_EQ(TextOf(child), WideOf(control.text)) << where;
        }
        const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
        EXPECT_EQ((style & WS_VISIBLE) != 0, !(control.styles & kStyleHidden)) << where;
        if (control.kind == ControlKind::Picture) {
            EXPECT_EQ(style & SS_TYPEMASK, SS_BITMAP) << where;
        } else {
            // A bitmap picture takes the size of its bitmap; everything else
            // is exactly where the table puts it.
            const RECT expected = dialog.FromDialogUnits(control.rect);
            const RECT actual = dialog.ClientRect(child);
            EXPECT_EQ(actual.left, expected.left) << where;
            EXPECT_EQ(actual.top, expected.top) << where;
            EXPECT_EQ(actual.right, expected.right) << where;
            EXPECT_EQ(actual.bottom, expected.bottom) << where;
        }
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "template " << layout.id << " has controls the table lacks";
}

TEST(WindowsTemplates, EveryPageIsBuiltAsItsTableSays)
{
    for (int page = 0; page < kPageCount; ++page)
        ExpectControlsAsSpecified(*FindTemplate(PageSpecOf(page).templateId), TemplateUse::PropertyPage);
}

TEST(WindowsTemplates, TheProgressDialogIsBuiltAsItsTableSaysWithoutSystemMenu)
{
    const DialogTemplate& layout = *FindTemplate(kTemplateProgress);
    ExpectControlsAsSpecified(layout, TemplateUse::ModalDialog);
    BuiltDialog dialog(layout, TemplateUse::ModalDialog);
    const LONG_PTR style = ::GetWindowLongPtrW(dialog.Get(), GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_POPUP);
    // The bar is smooth (its border is the control's own to draw), the
    // status text centred.
    EXPECT_TRUE(::GetWindowLongPtrW(::GetDlgItem(dialog.Get(), kIdProgressBar), GWL_STYLE) & PBS_SMOOTH);
    EXPECT_EQ(::GetWindowLongPtrW(::GetDlgItem(dialog.Get(), kIdProgressText), GWL_STYLE) & SS_TYPEMASK, SS_CENTER);
}

}  // namespace
