#pragma once
// The two-column settings list of pages 3 and 8 ("Параметр" / "Значение"):
// the page's list-view control in report view, subclassed, with its
// in-place editors: a double click on a value opens a drop-down combo box
// (child id 1), or an edit box (child id 2) for the device address, exactly
// over the cell. What opens where, what each list offers and what a commit
// changes is the SettingsList's; this control shows it and forwards the
// user's actions.
//
// An editor is never destroyed inside one of its own notifications: its
// selection, focus loss and Enter are posted back to the list and handled
// once the editor has finished with the message, and only if that editor
// is still the open one.
//
// The port row's drop-down shows, as the tooltip of the entry under the
// pointer, the device behind that port.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "wizard/SettingsList.h"

class CMyList : private SettingsListView {
public:
    CMyList();
    ~CMyList() override;
    CMyList(const CMyList&) = delete;
    CMyList& operator=(const CMyList&) = delete;

    // Takes over the template's list-view control: columns, the nine rows'
    // names, the styles and colours.
    void Attach(HWND list);

    SettingsList& Logic() { return m_logic; }
    // An activation notice (a double click) from the list.
    void OnItemActivate(const NMITEMACTIVATE& activation);
    // The list's custom-draw notice: the rows' text colours.
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw) const;

private:
    static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
    static LRESULT CALLBACK DropDownProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    static LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
    LRESULT OnListMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnEditorCommand(int id, int code, HWND editor);
    void OnPosted(UINT message, HWND editor);

    void ShowCellText(int row, const std::string& text) override;
    void ShowRowColours() override;
    void OpenCombo(int row, const std::vector<ComboEntry>& entries, int selected) override;
    void OpenEdit(int row, const std::string& text) override;
    void ReplaceComboEntries(const std::vector<ComboEntry>& entries, int selected) override;
    std::string EditorText() const override;
    void CloseEditor() override;

    RECT CellRect(int row, CellEditor editor) const;
    HWND CreateEditor(const wchar_t* className, DWORD style, const RECT& cell, int height, int id);
    void FillCombo(const std::vector<ComboEntry>& entries, int selected);
    void AttachEntryTips();
    void ShowEntryTip(int entry);
    HWND OpenEditor() const { return m_combo ? m_combo : m_edit; }

    SettingsList m_logic;
    HFONT m_font;
    HWND m_list = nullptr;
    HWND m_combo = nullptr;
    HWND m_edit = nullptr;
    HWND m_entryTips = nullptr;  // the open combo's tooltip, owned by it
    HWND m_dropDown = nullptr;   // the open combo's drop-down list
    std::vector<std::wstring> m_entryTipTexts;
    int m_tipEntry = -1;
    int m_activatedRow = -1;
    int m_activatedColumn = -1;
};
