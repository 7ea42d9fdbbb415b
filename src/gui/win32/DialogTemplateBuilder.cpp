#include "gui/win32/DialogTemplateBuilder.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "platform/win32/WideText.h"
#include "resources/DeviceTexts.h"

namespace {

// Predefined window classes, as a template names them by ordinal.
constexpr WORD kClassButton = 0x0080;
constexpr WORD kClassEdit = 0x0081;
constexpr WORD kClassStatic = 0x0082;

// Writes the template's parts in order, each at the alignment it needs.
class TemplateWriter {
public:
    void Word(WORD value) { Append(&value, sizeof value); }
    void Dword(DWORD value) { Append(&value, sizeof value); }
    void Short(short value) { Append(&value, sizeof value); }
    void Byte(BYTE value) { Append(&value, 1); }
    void Text(const std::wstring& text)
    {
        Append(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    void Ordinal(WORD value)
    {
        Word(0xFFFF);
        Word(value);
    }
    void AlignDword()
    {
        while (m_bytes.size() % 4 != 0)
            m_bytes.push_back(0);
    }
    std::vector<uint32_t> Words()
    {
        AlignDword();
        std::vector<uint32_t> words(m_bytes.size() / 4);
        std::memcpy(words.data(), m_bytes.data(), m_bytes.size());
        return words;
    }

private:
    void Append(const void* data, std::size_t size)
    {
        const auto* bytes = static_cast<const uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    }
    std::vector<uint8_t> m_bytes;
};

DWORD CommonStyles(const ControlSpec& control)
{
    DWORD style = WS_CHILD;
    if (!(control.styles & kStyleHidden))
        style |= WS_VISIBLE;
    if (control.styles & kStyleBorder)
        style |= WS_BORDER;
    if (control.styles & kStyleTabStop)
        style |= WS_TABSTOP;
    return style;
}

struct ItemClass {
    WORD ordinal;          // 0 when named
    const wchar_t* name;   // for the common controls
    DWORD style;
};

ItemClass ClassOf(const ControlSpec& control, bool firstRadio)
{
    switch (control.kind) {
    case ControlKind::Static:
        return {kClassStatic, nullptr, static_cast<DWORD>((control.styles & kStyleCentre) ? SS_CENTER : SS_LEFT)};
    case ControlKind::Picture: return {kClassStatic, nullptr, SS_BITMAP};
    case ControlKind::Edit:
        return {kClassEdit, nullptr,
                static_cast<DWORD>(ES_LEFT | ((control.styles & kStyleAutoHScroll) ? ES_AUTOHSCROLL : 0))};
    case ControlKind::PushButton: return {kClassButton, nullptr, BS_PUSHBUTTON};
    case ControlKind::RadioButton:
        // The first button of the group starts it and takes the tab stop;
        // the arrow keys move between the others.
        return {kClassButton, nullptr,
                static_cast<DWORD>((control.styles & kStyleAuto ? BS_AUTORADIOBUTTON : BS_RADIOBUTTON) |
                                   (firstRadio ? WS_GROUP | WS_TABSTOP : 0))};
    case ControlKind::CheckBox:
        return {kClassButton, nullptr,
                static_cast<DWORD>((control.styles & kStyleAuto ? BS_AUTOCHECKBOX : BS_CHECKBOX) |
                                   (control.styles & kStyleMultiline ? BS_MULTILINE : 0))};
    case ControlKind::ListView:
        // The only control of its page: it takes the keyboard.
        return {0, WC_LISTVIEWW, static_cast<DWORD>(LVS_REPORT | LVS_ALIGNLEFT | WS_TABSTOP)};
    case ControlKind::ProgressBar:
        return {0, PROGRESS_CLASSW, static_cast<DWORD>((control.styles & kStyleSmooth) ? PBS_SMOOTH : 0)};
    }
    return {kClassStatic, nullptr, 0};
}

void WriteItem(TemplateWriter& out, const ControlSpec& control, bool firstRadio)
{
    const ItemClass itemClass = ClassOf(control, firstRadio);
    out.AlignDword();
    out.Dword(0);  // help id
    out.Dword(0);  // extended style
    out.Dword(CommonStyles(control) | itemClass.style);
    out.Short(static_cast<short>(control.rect.x));
    out.Short(static_cast<short>(control.rect.y));
    out.Short(static_cast<short>(control.rect.width));
    out.Short(static_cast<short>(control.rect.height));
    // Controls nothing refers to keep the "static" id of resource scripts.
    out.Dword(control.id != 0 ? static_cast<DWORD>(control.id) : static_cast<DWORD>(-1));
    if (itemClass.ordinal != 0)
        out.Ordinal(itemClass.ordinal);
    else
        out.Text(itemClass.name);
    if (control.kind == ControlKind::Picture)
        out.Ordinal(static_cast<WORD>(control.imageId));
    else
        out.Text(control.text ? WideOf(control.text) : std::wstring());
    out.Word(0);  // no creation data
}

}  // namespace

InMemoryTemplate::InMemoryTemplate(const DialogTemplate& dialog, TemplateUse use)
{
    DWORD style = DS_SETFONT | WS_CAPTION;
    if (use == TemplateUse::PropertyPage)
        style |= WS_CHILD | WS_DISABLED;
    else
        style |= WS_POPUP | DS_MODALFRAME;

    TemplateWriter out;
    out.Word(1);       // extended template, version 1
    out.Word(0xFFFF);
    out.Dword(0);      // help id
    out.Dword(0);      // extended style
    out.Dword(style);
    out.Word(static_cast<WORD>(dialog.controls.size()));
    out.Short(0);
    out.Short(0);
    out.Short(static_cast<short>(dialog.width));
    out.Short(static_cast<short>(dialog.height));
    out.Word(0);  // no menu
    out.Word(0);  // the dialog class
    out.Text(WideOf(texts::StringTableEntry(dialog.captionStringId)));
    out.Word(static_cast<WORD>(dialog.fontPoints));
    out.Word(FW_NORMAL);
    out.Byte(FALSE);
    // The texts are Russian: the font is asked for with its Cyrillic
    // letters, whatever the code page of the system it runs on.
    out.Byte(RUSSIAN_CHARSET);
    out.Text(WideOf(dialog.fontFace));

    bool radioSeen = false;
    for (const ControlSpec& control : dialog.controls) {
        const bool firstRadio = control.kind == ControlKind::RadioButton && !radioSeen;
        radioSeen = radioSeen || control.kind == ControlKind::RadioButton;
        WriteItem(out, control, firstRadio);
    }
    m_words = out.Words();
}
