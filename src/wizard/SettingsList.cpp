#include "wizard/SettingsList.h"

#include "resources/PageTexts.h"
#include "settings/SettingsStore.h"

namespace {

std::vector<ComboEntry> Entries(std::initializer_list<const char*> texts)
{
    std::vector<ComboEntry> entries;
    for (const char* text : texts)
        entries.push_back({text, {}});
    return entries;
}

}  // namespace

SettingsList::SettingsList(SettingsListView& view) : m_view(view) {}

void SettingsList::Fill(const CommSettings& settings)
{
    const SettingsListValues values = SettingsToListValues(settings);
    for (int row = 0; row < kSettingsRows; ++row)
        SetCell(row, values[row]);
    m_nMode = settings.rs_type;
    m_view.ShowRowColours();
}

CommSettings SettingsList::Read() const
{
    return ListValuesToSettings(m_cells);
}

void SettingsList::SetCell(int row, const std::string& text)
{
    if (row < 0 || row >= kSettingsRows)
        return;
    m_cells[row] = text;
    m_view.ShowCellText(row, text);
}

CellEditor SettingsList::EditorFor(int row, int column) const
{
    if (column != 1 || row < 0 || row >= kSettingsRows || RowLocked(row))
        return CellEditor::None;
    return row == kRowAddress ? CellEditor::Edit : CellEditor::Combo;
}

void SettingsList::OnItemActivate(int row, int column)
{
    // A press elsewhere normally takes the focus first and so commits; an
    // editor still open here is committed all the same, never left behind.
    CommitOpenEditor();
    m_nItem = row;
    m_nSubItem = column;
    switch (EditorFor(row, column)) {
    case CellEditor::None:
        return;
    case CellEditor::Edit:
        m_open = CellEditor::Edit;
        m_view.OpenEdit(row, m_cells[row]);
        return;
    case CellEditor::Combo: {
        const std::vector<ComboEntry> entries = EntriesOf(row);
        m_open = CellEditor::Combo;
        m_view.OpenCombo(row, entries, EntryMatching(entries, m_cells[row]));
        return;
    }
    }
}

void SettingsList::OnDropDown()
{
    if (m_open != CellEditor::Combo || m_nItem != kRowPort)
        return;
    const std::vector<ComboEntry> entries = EntriesOf(kRowPort);
    m_view.ReplaceComboEntries(entries, EntryMatching(entries, m_view.EditorText()));
}

void SettingsList::CommitCombo()
{
    if (m_open != CellEditor::Combo)
        return;
    const std::string text = m_view.EditorText();
    // Closed before anything else, so the focus loss of its going finds no
    // editor to commit a second time.
    m_open = CellEditor::None;
    m_view.CloseEditor();

    SetCell(m_nItem, text);
    if (m_nItem == kRowInterface) {
        if (text == texts::kRs232)
            m_nMode = 0;
        else if (text == texts::kRs485)
            m_nMode = 1;
    }
    // Whichever row was committed, RS-232 fixes rows 2 to 8.
    if (m_nMode == 0) {
        const SettingsListValues& fixed = Rs232FixedValues();
        for (int row = kRowBaudRate; row < kSettingsRows; ++row)
            SetCell(row, fixed[row]);
    }
    if (m_nItem == kRowInterface)
        m_view.ShowRowColours();
}

void SettingsList::CommitEdit()
{
    if (m_open != CellEditor::Edit)
        return;
    const std::string text = m_view.EditorText();
    m_open = CellEditor::None;
    m_view.CloseEditor();
    SetCell(m_nItem, text);
}

bool SettingsList::OnEnter()
{
    if (m_open == CellEditor::None)
        return false;
    CommitOpenEditor();
    return true;
}

void SettingsList::CommitOpenEditor()
{
    if (m_open == CellEditor::Combo)
        CommitCombo();
    else if (m_open == CellEditor::Edit)
        CommitEdit();
}

std::vector<ComboEntry> SettingsList::EntriesOf(int row) const
{
    switch (row) {
    case kRowInterface: return Entries({texts::kRs232, texts::kRs485});
    case kRowPort: return m_ports ? m_ports() : std::vector<ComboEntry>{};
    case kRowBaudRate:
        return Entries({"2400", "4800", "9600", "14400", "19200", "28800", "38400", "57600", "115200"});
    case kRowAddressSize: return Entries({"8", "11"});
    case kRowConverter: return Entries({texts::kConverterSemi, texts::kConverterAuto});
    case kRowDataBits: return Entries({"5", "6", "7", "8"});
    case kRowParity: return Entries({texts::kParityNone, texts::kParityEven, texts::kParityOdd});
    case kRowStopBits: return Entries({"1", "2"});
    default: return {};
    }
}

int SettingsList::EntryMatching(const std::vector<ComboEntry>& entries, const std::string& text)
{
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].text == text)
            return static_cast<int>(i);
    return -1;
}

PixelBox EditorBox(CellEditor editor, const PixelBox& row, int columnLeft, int columnWidth)
{
    const int left = row.left + columnLeft;
    return {left, row.top, left + columnWidth, row.bottom + (editor == CellEditor::Edit ? 3 : 0)};
}

ListColumns ListColumnWidths(int clientWidth)
{
    return {3 * clientWidth / 5, 2 * clientWidth / 5};
}

SettingsPageLogic::SettingsPageLogic(SettingsStore& store, SettingsList& list) : m_store(store), m_list(list)
{
    m_list.SetPortSource([this] {
        // An adapter plugged in while the wizard runs is offered as soon as
        // the list opens again.
        m_store.EnumeratePorts();
        std::vector<ComboEntry> ports;
        for (const std::string& name : m_store.m_ports)
            ports.push_back({name, m_store.PortDescription(name)});
        return ports;
    });
}

void SettingsPageLogic::OnInitDialog()
{
    m_store.Initialize();
    Fill(m_store.GetRecord());
}

void SettingsPageLogic::Fill(const CommSettings& settings)
{
    m_settings = settings;
    m_origin = m_store.StoredRecord();
    m_list.Fill(m_settings);
    m_originCells = m_list.Cells();
}

bool SettingsPageLogic::Outdated() const { return m_store.StoredRecord() != m_origin; }

bool SettingsPageLogic::OnSetActive()
{
    if (!Outdated())
        return false;
    Fill(m_store.StoredRecord());
    return true;
}

void SettingsPageLogic::SaveListSettings()
{
    // An editor still open holds what the user chose last.
    m_list.CommitOpenEditor();
    m_settings = m_list.Read();
    m_store.SetRecord(m_settings);
    m_store.Save();
    m_origin = m_store.StoredRecord();
    m_originCells = m_list.Cells();
}

void SettingsPageLogic::OnCancel()
{
    // A page left behind before the settings were stored elsewhere would
    // put back values nobody chose on this pass.
    m_list.CommitOpenEditor();
    if (!Outdated() || m_list.Cells() != m_originCells)
        SaveListSettings();
}

CommSettings SettingsPageLogic::ListRecord()
{
    m_list.CommitOpenEditor();
    return m_list.Read();
}

std::vector<std::string> SettingsPageLogic::PortsPresent()
{
    m_store.EnumeratePorts();
    return m_store.m_ports;
}

void SettingsPageLogic::ShowFound(const CommSettings& settings)
{
    // The origin stays: the list now differs from it as after an edit.
    m_list.Fill(settings);
}
