#pragma once
// The two-column settings list of pages 3 and 8 ("Параметр" / "Значение")
// with its in-place editors: a double click on a value opens a drop-down
// combo box, or an edit box for the device address, exactly over the cell;
// a selection, Enter or the editor losing the focus writes the text back.
// In RS-232 mode rows 2 to 8 are fixed and cannot be edited.

#include <functional>
#include <string>
#include <vector>

#include <QFont>
#include <QTreeWidget>

class QComboBox;
class QLineEdit;

struct PortChoice {
    std::string name;     // "COM3"
    std::string tooltip;  // the device behind it
};

class CMyList : public QTreeWidget {
public:
    explicit CMyList(QWidget* parent = nullptr);

    // The port names offered by the port row, read each time it opens.
    void SetPortSource(std::function<std::vector<PortChoice>()> source) { m_portSource = std::move(source); }
    // Called after the interface row was committed, so the owner recolours.
    void SetModeRepaint(std::function<void()> repaint) { m_modeRepaint = std::move(repaint); }

    QString CellText(int row) const;
    void SetCellText(int row, const QString& text);

    void OnItemActivate(int row, int column);
    void ShowCombo(int row, int column);
    void ShowEdit();
    void CommitCombo();
    void CommitEdit();

    QComboBox* OpenCombo() const { return m_combo; }
    QLineEdit* OpenEdit() const { return m_edit; }

    // 0 = RS-232 (rows 2 to 8 locked), anything else = RS-485.
    int m_nMode = 0;
    int m_nItem = 0;
    int m_nSubItem = 0;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRect CellRect(int row, int column, int extraBottom) const;
    QStringList EntriesOf(int row) const;
    void DestroyCombo();
    void DestroyEdit();
    void ReturnFocus(bool editorHadFocus);

    QFont m_font;
    QComboBox* m_combo = nullptr;
    QLineEdit* m_edit = nullptr;
    std::function<std::vector<PortChoice>()> m_portSource;
    std::function<void()> m_modeRepaint;
};
