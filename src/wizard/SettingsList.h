#pragma once
// The settings list of pages 3 and 8 without any window: nine value cells
// and the interface mode; which editor a cell opens, what each drop-down
// list offers and which of its entries a cell's text selects; what
// committing an editor changes (the mode, the fixed RS-232 values, the
// row colours); and which rows RS-232 locks. A front end's list control
// shows it through SettingsListView and forwards the user's actions; at
// most one editor is open at a time, and every way out of an editor
// commits its text.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "settings/CommSettings.h"
#include "wizard/SettingsListTexts.h"

class SettingsStore;

struct ComboEntry {
    std::string text;     // "COM3"
    std::string tooltip;  // for a port: the device behind it
};

enum class CellEditor { None, Combo, Edit };

struct RowColour {
    uint8_t red, green, blue;
    friend bool operator==(const RowColour&, const RowColour&) = default;
};
inline constexpr RowColour kListBlue{0, 0, 221};
inline constexpr RowColour kListGrey{172, 168, 153};

// The window side, called on the user-interface thread only.
class SettingsListView {
public:
    virtual ~SettingsListView() = default;
    virtual void ShowCellText(int row, const std::string& text) = 0;
    // RowColourOf may have changed for rows 2 to 8.
    virtual void ShowRowColours() = 0;
    // Opens the in-place editor over the value cell of the row and gives it
    // the focus; selected -1 shows no entry (an empty text).
    virtual void OpenCombo(int row, const std::vector<ComboEntry>& entries, int selected) = 0;
    // The whole text selected, so typing replaces it.
    virtual void OpenEdit(int row, const std::string& text) = 0;
    // The open combo box's entries changed while it is open (the port list
    // was refreshed); selected as for OpenCombo.
    virtual void ReplaceComboEntries(const std::vector<ComboEntry>& entries, int selected) = 0;
    // The open editor's text: the chosen entry's (empty for none) or the
    // edit box's.
    virtual std::string EditorText() const = 0;
    // Closes the open editor; it may lose its focus on the way, which must
    // then commit nothing more.
    virtual void CloseEditor() = 0;
};

class SettingsList {
public:
    // The ports offered by row 1, asked each time its list opens.
    using PortSource = std::function<std::vector<ComboEntry>()>;

    explicit SettingsList(SettingsListView& view);
    void SetPortSource(PortSource source) { m_ports = std::move(source); }

    // The cells and the mode from a record (the mode is its rs_type).
    void Fill(const CommSettings& settings);
    // The record the cells stand for; every text converts.
    CommSettings Read() const;

    const std::string& Cell(int row) const { return m_cells[row]; }
    void SetCell(int row, const std::string& text);
    const SettingsListValues& Cells() const { return m_cells; }

    // 0 = RS-232, anything else = RS-485.
    int Mode() const { return m_nMode; }
    bool RowLocked(int row) const { return m_nMode == 0 && row > kRowPort; }
    RowColour RowColourOf(int row) const { return RowLocked(row) ? kListGrey : kListBlue; }

    // The editor a double click on the cell opens now (None for the name
    // column, a row outside the list or a locked row).
    CellEditor EditorFor(int row, int column) const;
    CellEditor OpenEditor() const { return m_open; }
    int EditedRow() const { return m_nItem; }

    // A value cell was activated (double click); an editor still open is
    // committed first.
    void OnItemActivate(int row, int column);
    // The open combo box's list is about to drop down: the port row asks
    // for the ports present again.
    void OnDropDown();
    // An entry was taken, the combo box lost the focus to something that is
    // not its own list, or it is being closed: its text goes into the cell.
    void CommitCombo();
    // The edit box lost the focus or Enter was pressed in it.
    void CommitEdit();
    // Enter aimed at the list or its editor: commits the open editor and
    // reports the key consumed; with no editor open it is not the list's.
    bool OnEnter();
    // Commits whichever editor is open (the page is about to store, or the
    // window goes).
    void CommitOpenEditor();

    // A combo row's entries, in order (the port row's from the port source).
    std::vector<ComboEntry> EntriesOf(int row) const;
    // The entry whose text equals the cell's exactly; -1 for none.
    static int EntryMatching(const std::vector<ComboEntry>& entries, const std::string& text);

private:
    SettingsListView& m_view;
    PortSource m_ports;
    SettingsListValues m_cells;
    int m_nMode = 0;
    int m_nItem = 0;
    int m_nSubItem = 0;
    CellEditor m_open = CellEditor::None;
};

// The in-place editors' child ids.
constexpr int kInPlaceComboId = 1;
constexpr int kInPlaceEditId = 2;

// Where an editor lies, in the list's pixels: across the value column,
// from the row's top to its bottom; the edit box reaches 3 pixels lower.
struct PixelBox {
    int left, top, right, bottom;
    friend bool operator==(const PixelBox&, const PixelBox&) = default;
};
PixelBox EditorBox(CellEditor editor, const PixelBox& row, int columnLeft, int columnWidth);

// Columns of the list: their widths in a client area of the given width.
struct ListColumns {
    int parameterWidth, valueWidth;
};
ListColumns ListColumnWidths(int clientWidth);

// What pages 3 and 8 do with their list: fill it from the settings store,
// offer the store's ports (enumerated anew whenever the port list opens),
// and store the cells back into the record, the store and the key store.
// A page coming back keeps the list as it was left, edits included, unless
// the stored settings changed meanwhile (the other page stored its list, a
// write reloaded them): then it shows what is stored. On the way out of
// the program a page stores its list unless that list is older than what
// is stored and nobody has touched it since.
class SettingsPageLogic {
public:
    SettingsPageLogic(SettingsStore& store, SettingsList& list);

    void OnInitDialog();
    // The page has become the current page; true when it shows what is
    // stored anew, so a note of a device found is no longer about its list.
    bool OnSetActive();
    void SaveListSettings();
    // The program is being left.
    void OnCancel();

    // The record the list shows now, an open editor committed first.
    CommSettings ListRecord();
    // The ports present, enumerated anew.
    std::vector<std::string> PortsPresent();
    // Shows settings the user has not chosen in the list (a device found
    // there); they are stored only when the page stores its list, and a
    // return to the page keeps them as any edit is kept.
    void ShowFound(const CommSettings& settings);

    CommSettings m_settings{};

private:
    bool Outdated() const;
    void Fill(const CommSettings& settings);

    SettingsStore& m_store;
    SettingsList& m_list;
    // The stored record the list was last filled from or stored as, and
    // the cells it showed then.
    CommSettings m_origin{};
    SettingsListValues m_originCells{};
};
