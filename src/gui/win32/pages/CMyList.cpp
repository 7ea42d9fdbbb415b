#include "gui/win32/pages/CMyList.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "platform/win32/WideText.h"
#include "resources/PageTexts.h"

namespace {

constexpr int kComboId = kInPlaceComboId;
constexpr int kEditId = kInPlaceEditId;
constexpr COLORREF kListTextColour = RGB(0, 0, 221);
// Posted by an editor to the list, lParam the editor: commit it, or handle
// Enter in it.
constexpr UINT kMsgCommitEditor = WM_APP + 1;
constexpr UINT kMsgEnter = WM_APP + 2;
constexpr UINT_PTR kSubclassId = 1;
constexpr UINT_PTR kActivateTimer = 1;
constexpr int kVisibleEntries = 9;

}  // namespace

CMyList::CMyList() : m_logic(*this)
{
    m_font = ::CreateFontW(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, L"MS Shell Dlg");
}

CMyList::~CMyList()
{
    if (m_list)
        ::RemoveWindowSubclass(m_list, ListProc, kSubclassId);
    ::DeleteObject(m_font);
}

void CMyList::Attach(HWND list)
{
    m_list = list;
    ::SetWindowSubclass(m_list, ListProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    RECT client{};
    ::GetClientRect(m_list, &client);
    const ListColumns widths = ListColumnWidths(client.right - client.left);
    ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    const std::wstring headings[2] = {WideOf(texts::kColumnParameter), WideOf(texts::kColumnValue)};
    const int columnWidths[2] = {widths.parameterWidth, widths.valueWidth};
    for (int column = 0; column < 2; ++column) {
        LVCOLUMNW heading{};
        heading.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        heading.fmt = LVCFMT_CENTER;
        heading.cx = columnWidths[column];
        heading.pszText = const_cast<wchar_t*>(headings[column].c_str());
        heading.iSubItem = column;
        ListView_InsertColumn(m_list, column, &heading);
    }
    for (int row = 0; row < kSettingsRows; ++row) {
        const std::wstring name = WideOf(texts::kRowNames[row]);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(name.c_str());
        ListView_InsertItem(m_list, &item);
    }
    ListView_SetTextColor(m_list, kListTextColour);
}

void CMyList::OnItemActivate(const NMITEMACTIVATE& activation)
{
    // The column under the pointer, whatever the list put into the notice.
    LVHITTESTINFO hit{};
    hit.pt = activation.ptAction;
    const bool hitCell = ListView_SubItemHitTest(m_list, &hit) >= 0;
    m_activatedRow = hitCell ? hit.iItem : activation.iItem;
    m_activatedColumn = hitCell ? hit.iSubItem : activation.iSubItem;
    // The editor opens once the list has finished with the click that
    // activated the cell: a timer comes after the pending mouse input, so
    // the list's own handling of the button cannot take the focus or the
    // mouse from the new editor.
    ::SetTimer(m_list, kActivateTimer, USER_TIMER_MINIMUM, nullptr);
}

LRESULT CMyList::OnCustomDraw(NMLVCUSTOMDRAW& draw) const
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const int row = static_cast<int>(draw.nmcd.dwItemSpec);
        if (row <= kRowPort || row >= kSettingsRows)
            return CDRF_DODEFAULT;
        const RowColour colour = m_logic.RowColourOf(row);
        draw.clrText = RGB(colour.red, colour.green, colour.blue);
        return CDRF_NEWFONT;
    }
    default: return CDRF_DODEFAULT;
    }
}

LRESULT CALLBACK CMyList::ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR self)
{
    auto* list = reinterpret_cast<CMyList*>(self);
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(window, ListProc, kSubclassId);
        list->m_list = list->m_combo = list->m_edit = nullptr;
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
    return list->OnListMessage(message, wParam, lParam);
}

LRESULT CMyList::OnListMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (lParam != 0 && (LOWORD(wParam) == kComboId || LOWORD(wParam) == kEditId)) {
            OnEditorCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        }
        break;
    case WM_TIMER:
        if (wParam != kActivateTimer)
            break;
        ::KillTimer(m_list, kActivateTimer);
        m_logic.OnItemActivate(m_activatedRow, m_activatedColumn);
        return 0;
    case kMsgCommitEditor:
    case kMsgEnter:
        OnPosted(message, reinterpret_cast<HWND>(lParam));
        return 0;
    default: break;
    }
    return ::DefSubclassProc(m_list, message, wParam, lParam);
}

void CMyList::OnEditorCommand(int id, int code, HWND editor)
{
    if (id == kComboId && code == CBN_DROPDOWN) {
        // The port row offers the ports present now; refilled while the
        // list is about to drop, before it is measured and shown.
        if (editor == m_combo)
            m_logic.OnDropDown();
        return;
    }
    const bool commits = (id == kComboId && (code == CBN_SELENDOK || code == CBN_KILLFOCUS)) ||
                         (id == kEditId && code == EN_KILLFOCUS);
    if (commits)
        ::PostMessageW(m_list, kMsgCommitEditor, 0, reinterpret_cast<LPARAM>(editor));
}

void CMyList::OnPosted(UINT message, HWND editor)
{
    // A notice of an editor that has gone since, or of one that another
    // commit has closed, has nothing left to commit.
    if (!editor || editor != OpenEditor())
        return;
    if (message == kMsgEnter)
        m_logic.OnEnter();
    else if (editor == m_combo)
        m_logic.CommitCombo();
    else
        m_logic.CommitEdit();
}

LRESULT CALLBACK CMyList::EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR self)
{
    auto* list = reinterpret_cast<CMyList*>(self);
    // An open drop-down takes Enter by itself: it picks the entry.
    auto droppedCombo = [&] { return window == list->m_combo && ::SendMessageW(window, CB_GETDROPPEDSTATE, 0, 0); };
    switch (message) {
    case WM_GETDLGCODE:
        // Enter belongs to the editor, not to the sheet's default button
        // (an open drop-down takes it by itself).
        if (lParam && reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
            reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN)
            return ::DefSubclassProc(window, message, wParam, lParam) | DLGC_WANTALLKEYS;
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN && !droppedCombo()) {
            ::PostMessageW(list->m_list, kMsgEnter, 0, reinterpret_cast<LPARAM>(window));
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == VK_RETURN && !droppedCombo())
            return 0;
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(window, EditorProc, kSubclassId);
        break;
    default: break;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

RECT CMyList::CellRect(int row, CellEditor editor) const
{
    RECT rowRect{};
    ListView_GetItemRect(m_list, row, &rowRect, LVIR_BOUNDS);
    RECT headerItem{};
    Header_GetItemRect(ListView_GetHeader(m_list), 1, &headerItem);
    const PixelBox box = EditorBox(editor, {rowRect.left, rowRect.top, rowRect.right, rowRect.bottom},
                                   headerItem.left, headerItem.right - headerItem.left);
    return RECT{box.left, box.top, box.right, box.bottom};
}

HWND CMyList::CreateEditor(const wchar_t* className, DWORD style, const RECT& cell, int height, int id)
{
    const HWND editor = ::CreateWindowExW(0, className, L"", style, cell.left, cell.top, cell.right - cell.left,
                                          height, m_list, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                          reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(m_list, GWLP_HINSTANCE)),
                                          nullptr);
    ::SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), TRUE);
    ::SetWindowSubclass(editor, EditorProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    return editor;
}

void CMyList::OpenCombo(int row, const std::vector<ComboEntry>& entries, int selected)
{
    if (!m_list)
        return;
    const RECT cell = CellRect(row, CellEditor::Combo);
    const int cellHeight = cell.bottom - cell.top;
    // The window's height includes the drop-down part below the cell.
    m_combo = CreateEditor(WC_COMBOBOXW, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, cell,
                           cellHeight * (kVisibleEntries + 1), kComboId);
    ::SendMessageW(m_combo, CB_SETMINVISIBLE, kVisibleEntries, 0);
    FillCombo(entries, selected);
    AttachEntryTips();
    ::SetFocus(m_combo);
}

void CMyList::AttachEntryTips()
{
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!::GetComboBoxInfo(m_combo, &info) || !info.hwndList)
        return;
    m_dropDown = info.hwndList;
    // Owned by the combo box, it goes with it.
    m_entryTips = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_combo, nullptr,
                                    reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(m_list, GWLP_HINSTANCE)),
                                    nullptr);
    if (!m_entryTips)
        return;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_combo;
    tool.uId = reinterpret_cast<UINT_PTR>(m_dropDown);
    tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(m_entryTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(m_entryTips, TTM_SETMAXTIPWIDTH, 0, 480);
    m_tipEntry = -1;
    ::SetWindowSubclass(m_dropDown, DropDownProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

// The tip follows the entry under the pointer; an entry without one shows
// none.
void CMyList::ShowEntryTip(int entry)
{
    if (!m_entryTips || entry == m_tipEntry)
        return;
    m_tipEntry = entry;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = m_combo;
    tool.uId = reinterpret_cast<UINT_PTR>(m_dropDown);
    const bool known = entry >= 0 && static_cast<std::size_t>(entry) < m_entryTipTexts.size();
    tool.lpszText = const_cast<wchar_t*>(known ? m_entryTipTexts[entry].c_str() : L"");
    ::SendMessageW(m_entryTips, TTM_POP, 0, 0);
    ::SendMessageW(m_entryTips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CALLBACK CMyList::DropDownProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self)
{
    auto* list = reinterpret_cast<CMyList*>(self);
    switch (message) {
    case WM_MOUSEMOVE: {
        const LRESULT hit = ::SendMessageW(window, LB_ITEMFROMPOINT, 0, lParam);
        list->ShowEntryTip(HIWORD(hit) == 0 ? static_cast<int>(LOWORD(hit)) : -1);
        break;
    }
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(window, DropDownProc, kSubclassId);
        if (list->m_dropDown == window) {
            list->m_dropDown = nullptr;
            list->m_entryTips = nullptr;
        }
        break;
    default: break;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

void CMyList::FillCombo(const std::vector<ComboEntry>& entries, int selected)
{
    ::SendMessageW(m_combo, CB_RESETCONTENT, 0, 0);
    m_entryTipTexts.clear();
    for (const ComboEntry& entry : entries) {
        ::SendMessageW(m_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideOf(entry.text).c_str()));
        m_entryTipTexts.push_back(WideOf(entry.tooltip));
    }
    m_tipEntry = -1;
    ::SendMessageW(m_combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void CMyList::ReplaceComboEntries(const std::vector<ComboEntry>& entries, int selected)
{
    if (m_combo)
        FillCombo(entries, selected);
}

void CMyList::OpenEdit(int row, const std::string& text)
{
    if (!m_list)
        return;
    const RECT cell = CellRect(row, CellEditor::Edit);
    m_edit = CreateEditor(WC_EDITW, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, cell,
                          cell.bottom - cell.top, kEditId);
    ::SetWindowTextW(m_edit, WideOf(text).c_str());
    ::SendMessageW(m_edit, EM_SETSEL, 0, -1);
    ::SetFocus(m_edit);
}

std::string CMyList::EditorText() const
{
    if (m_combo) {
        const LRESULT index = ::SendMessageW(m_combo, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR)
            return {};
        std::vector<wchar_t> text(static_cast<std::size_t>(::SendMessageW(m_combo, CB_GETLBTEXTLEN, index, 0)) + 1,
                                  L'\0');
        ::SendMessageW(m_combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
        return Utf8Of(text.data());
    }
    if (m_edit) {
        std::vector<wchar_t> text(static_cast<std::size_t>(::GetWindowTextLengthW(m_edit)) + 1, L'\0');
        ::GetWindowTextW(m_edit, text.data(), static_cast<int>(text.size()));
        return Utf8Of(text.data());
    }
    return {};
}

void CMyList::CloseEditor()
{
    const HWND editor = OpenEditor();
    m_combo = nullptr;
    m_edit = nullptr;
    m_entryTips = nullptr;
    m_dropDown = nullptr;
    if (!editor)
        return;
    // The keyboard stays in the list rather than going nowhere; the focus
    // loss this causes finds no open editor.
    const HWND focus = ::GetFocus();
    if (focus == editor || ::IsChild(editor, focus))
        ::SetFocus(m_list);
    ::DestroyWindow(editor);
}

void CMyList::ShowCellText(int row, const std::string& text)
{
    if (!m_list)
        return;
    const std::wstring wide = WideOf(text);
    ListView_SetItemText(m_list, row, 1, const_cast<wchar_t*>(wide.c_str()));
}

void CMyList::ShowRowColours()
{
    if (m_list)
        ::InvalidateRect(m_list, nullptr, TRUE);
}
