#pragma once
// The two-column settings list of pages 3 and 8 ("Параметр" / "Значение")
// as a Qt list with its in-place editors: a double click on a value opens a
// drop-down combo box, or an edit box for the device address, exactly over
// the cell. What opens where, what each list offers and what a commit
// changes is the SettingsList's; this control shows it and forwards the
// user's actions.

#include <QFont>
#include <QTreeWidget>

#include "wizard/SettingsList.h"

class QComboBox;
class QFocusEvent;
class QLineEdit;

class CMyList : public QTreeWidget, private SettingsListView {
public:
    explicit CMyList(QWidget* parent = nullptr);

    SettingsList& Logic() { return m_logic; }
    const SettingsList& Logic() const { return m_logic; }
    // The value column as shown.
    QString CellText(int row) const;

    QComboBox* OpenCombo() const { return m_combo; }
    QLineEdit* OpenEdit() const { return m_edit; }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowCellText(int row, const std::string& text) override;
    void ShowRowColours() override;
    void OpenCombo(int row, const std::vector<ComboEntry>& entries, int selected) override;
    void OpenEdit(int row, const std::string& text) override;
    void ReplaceComboEntries(const std::vector<ComboEntry>& entries, int selected) override;
    std::string EditorText() const override;
    void CloseEditor() override;

    QFont EditorFont() const;
    bool FocusInOwnPopup(const QFocusEvent* event) const;
    QRect CellRect(int row, CellEditor editor) const;
    void FillCombo(const std::vector<ComboEntry>& entries, int selected);

    SettingsList m_logic;
    QComboBox* m_combo = nullptr;
    QLineEdit* m_edit = nullptr;
};
