#include "gui/qt/pages/CMyList.h"

#include <functional>

#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "resources/PageTexts.h"

namespace {

bool IsEnter(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool IsVerticalMove(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
}

QColor ToQColor(RowColour colour)
{
    return QColor(colour.red, colour.green, colour.blue);
}

// The in-place combo box, which tells the list before its own list drops
// down (F4, Alt+Down or a click), so the port row can offer the ports
// present at that moment.
class CellCombo : public QComboBox {
public:
    CellCombo(QWidget* parent, std::function<void()> beforeDropDown)
        : QComboBox(parent), m_beforeDropDown(std::move(beforeDropDown))
    {
    }
    void showPopup() override
    {
        m_beforeDropDown();
        QComboBox::showPopup();
    }

private:
    std::function<void()> m_beforeDropDown;
};

}  // namespace

CMyList::CMyList(QWidget* parent) : QTreeWidget(parent), m_logic(*this)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignCenter);
    setColumnCount(2);
    setHeaderLabels({QString::fromUtf8(texts::kColumnParameter), QString::fromUtf8(texts::kColumnValue)});
    for (int row = 0; row < kSettingsRows; ++row) {
        auto* item = new QTreeWidgetItem(this);
        item->setText(0, QString::fromUtf8(texts::kRowNames[row]));
        // Both columns are centred; a report list keeps its first column
        // left-aligned whatever it is asked.
        item->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
        item->setTextAlignment(1, Qt::AlignCenter);
    }
    ShowRowColours();
}

QFont CMyList::EditorFont() const
{
    // A font of the cell's height: the list's own, which the page gives it
    // only once it is placed, so it is taken when an editor opens.
    return font();
}

QString CMyList::CellText(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(1) : QString();
}

void CMyList::ShowCellText(int row, const std::string& text)
{
    if (QTreeWidgetItem* item = topLevelItem(row))
        item->setText(1, QString::fromStdString(text));
}

void CMyList::ShowRowColours()
{
    for (int row = 0; row < kSettingsRows; ++row) {
        const QColor colour = ToQColor(m_logic.RowColourOf(row));
        for (int column = 0; column < 2; ++column)
            topLevelItem(row)->setForeground(column, colour);
    }
}

void CMyList::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        m_logic.OnItemActivate(index.row(), index.column());
}

QRect CMyList::CellRect(int row, CellEditor editor) const
{
    // Exclusive right and bottom edges, as the window systems count them.
    const QRect rowRect = visualItemRect(topLevelItem(row));
    const PixelBox box = EditorBox(editor, {rowRect.left(), rowRect.top(), rowRect.right() + 1, rowRect.bottom() + 1},
                                   header()->sectionViewportPosition(1), header()->sectionSize(1));
    return QRect(QPoint(box.left, box.top), QPoint(box.right - 1, box.bottom - 1));
}

void CMyList::OpenCombo(int row, const std::vector<ComboEntry>& entries, int selected)
{
    m_combo = new CellCombo(viewport(), [this] { m_logic.OnDropDown(); });
    m_combo->setObjectName(QString::number(kInPlaceComboId));
    m_combo->setFont(EditorFont());
    m_combo->setGeometry(CellRect(row, CellEditor::Combo));
    FillCombo(entries, selected);
    m_combo->installEventFilter(this);
    connect(m_combo, &QComboBox::activated, this, [this] { m_logic.CommitCombo(); });
    m_combo->show();
    m_combo->setFocus(Qt::OtherFocusReason);
}

void CMyList::FillCombo(const std::vector<ComboEntry>& entries, int selected)
{
    m_combo->clear();
    for (const ComboEntry& entry : entries) {
        m_combo->addItem(QString::fromStdString(entry.text));
        if (!entry.tooltip.empty())
            m_combo->setItemData(m_combo->count() - 1, QString::fromStdString(entry.tooltip), Qt::ToolTipRole);
    }
    m_combo->setCurrentIndex(selected);
}

void CMyList::ReplaceComboEntries(const std::vector<ComboEntry>& entries, int selected)
{
    if (m_combo)
        FillCombo(entries, selected);
}

void CMyList::OpenEdit(int row, const std::string& text)
{
    m_edit = new QLineEdit(viewport());
    m_edit->setObjectName(QString::number(kInPlaceEditId));
    m_edit->setFont(EditorFont());
    m_edit->setMaxLength(32767);
    m_edit->setGeometry(CellRect(row, CellEditor::Edit));
    m_edit->setText(QString::fromStdString(text));
    m_edit->selectAll();
    m_edit->installEventFilter(this);
    m_edit->show();
    m_edit->setFocus(Qt::OtherFocusReason);
}

std::string CMyList::EditorText() const
{
    if (m_combo)
        return m_combo->currentText().toStdString();
    if (m_edit)
        return m_edit->text().toStdString();
    return {};
}

void CMyList::CloseEditor()
{
    QWidget* editor = m_combo ? static_cast<QWidget*>(m_combo) : m_edit;
    m_combo = nullptr;
    m_edit = nullptr;
    if (!editor)
        return;
    const bool hadFocus = editor->hasFocus();
    editor->removeEventFilter(this);
    editor->hide();
    editor->deleteLater();
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
}

bool CMyList::FocusInOwnPopup(const QFocusEvent* event) const
{
    // The combo box's drop-down list is a window of its own: while it is
    // open the focus moves into it (first with the popup reason, then once
    // more inside it), and that is not leaving the editor.
    if (!m_combo)
        return false;
    return event->reason() == Qt::PopupFocusReason || m_combo->view()->isVisible();
}

bool CMyList::eventFilter(QObject* watched, QEvent* event)
{
    const bool editor = watched != nullptr && (watched == m_combo || watched == m_edit);
    if (!editor)
        return QTreeWidget::eventFilter(watched, event);
    if (IsEnter(event) && m_logic.OnEnter())
        return true;
    // A one-line edit box has no use for Up and Down; they must not reach
    // the list and move its current row under the open editor.
    if (watched == m_edit && IsVerticalMove(event))
        return true;
    if (event->type() == QEvent::FocusOut && !FocusInOwnPopup(static_cast<QFocusEvent*>(event)))
        m_logic.CommitOpenEditor();
    return QTreeWidget::eventFilter(watched, event);
}
