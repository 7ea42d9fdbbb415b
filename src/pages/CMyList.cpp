#include "pages/CMyList.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "resources/PageTexts.h"
#include "wizard/SettingsListTexts.h"

namespace {

QStringList Texts(std::initializer_list<const char*> entries)
{
    QStringList list;
    for (const char* entry : entries)
        list << QString::fromUtf8(entry);
    return list;
}

bool IsEnter(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

CMyList::CMyList(QWidget* parent) : QTreeWidget(parent)
{
    m_font = font();
    m_font.setPixelSize(12);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignCenter);
}

QString CMyList::CellText(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(1) : QString();
}

void CMyList::SetCellText(int row, const QString& text)
{
    if (QTreeWidgetItem* item = topLevelItem(row))
        item->setText(1, text);
}

void CMyList::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        OnItemActivate(index.row(), index.column());
}

void CMyList::OnItemActivate(int row, int column)
{
    m_nItem = row;
    m_nSubItem = column;
    if (column == 0 || row < 0 || row >= kSettingsRows)
        return;
    if (row == kRowAddress)
        ShowEdit();
    else
        ShowCombo(row, column);
}

QRect CMyList::CellRect(int row, int column, int extraBottom) const
{
    const QRect rowRect = visualItemRect(topLevelItem(row));
    const int left = rowRect.left() + header()->sectionViewportPosition(column);
    return QRect(QPoint(left, rowRect.top()),
                 QPoint(left + header()->sectionSize(column) - 1, rowRect.bottom() + extraBottom));
}

QStringList CMyList::EntriesOf(int row) const
{
    switch (row) {
    case kRowInterface: return Texts({texts::kRs232, texts::kRs485});
    case kRowBaudRate:
        return Texts({"2400", "4800", "9600", "14400", "19200", "28800", "38400", "57600", "115200"});
    case kRowAddressSize: return Texts({"8", "11"});
    case kRowConverter: return Texts({texts::kConverterSemi, texts::kConverterAuto});
    case kRowDataBits: return Texts({"5", "6", "7", "8"});
    case kRowParity: return Texts({texts::kParityNone, texts::kParityEven, texts::kParityOdd});
    case kRowStopBits: return Texts({"1", "2"});
    default: return {};
    }
}

void CMyList::ShowCombo(int row, int column)
{
    if (column == 0 || (m_nMode == 0 && row > kRowPort))
        return;
    const QString current = topLevelItem(row)->text(column);
    DestroyCombo();

    m_combo = new QComboBox(viewport());
    m_combo->setObjectName(QStringLiteral("1"));
    m_combo->setFont(m_font);
    m_combo->setGeometry(CellRect(row, column, 0));
    if (row == kRowPort && m_portSource) {
        for (const PortChoice& port : m_portSource()) {
            m_combo->addItem(QString::fromStdString(port.name));
            m_combo->setItemData(m_combo->count() - 1, QString::fromStdString(port.tooltip), Qt::ToolTipRole);
        }
    } else {
        m_combo->addItems(EntriesOf(row));
    }
    m_combo->setCurrentIndex(m_combo->findText(current, Qt::MatchExactly | Qt::MatchCaseSensitive));
    m_combo->installEventFilter(this);
    connect(m_combo, &QComboBox::activated, this, [this] { CommitCombo(); });
    m_combo->show();
    m_combo->setFocus(Qt::OtherFocusReason);
}

void CMyList::ShowEdit()
{
    if (m_nMode == 0)
        return;
    DestroyEdit();
    m_edit = new QLineEdit(viewport());
    m_edit->setObjectName(QStringLiteral("2"));
    m_edit->setFont(m_font);
    m_edit->setMaxLength(32767);
    m_edit->setGeometry(CellRect(m_nItem, m_nSubItem, 3));
    m_edit->setText(topLevelItem(m_nItem)->text(m_nSubItem));
    m_edit->selectAll();
    m_edit->installEventFilter(this);
    m_edit->show();
    m_edit->setFocus(Qt::OtherFocusReason);
}

void CMyList::CommitCombo()
{
    if (!m_combo)
        return;
    const QString text = m_combo->currentText();
    SetCellText(m_nItem, text);
    if (m_nItem == kRowInterface) {
        if (text == QString::fromUtf8(texts::kRs232))
            m_nMode = 0;
        else if (text == QString::fromUtf8(texts::kRs485))
            m_nMode = 1;
    }
    if (m_nMode == 0) {
        const SettingsListValues& fixed = Rs232FixedValues();
        for (int row = kRowBaudRate; row < kSettingsRows; ++row)
            SetCellText(row, QString::fromUtf8(fixed[row]));
    }
    if (m_nItem == kRowInterface && m_modeRepaint)
        m_modeRepaint();
    DestroyCombo();
}

void CMyList::CommitEdit()
{
    if (!m_edit)
        return;
    const QString text = m_edit->text();
    DestroyEdit();
    SetCellText(m_nItem, text);
}

bool CMyList::eventFilter(QObject* watched, QEvent* event)
{
    const bool combo = m_combo && watched == m_combo;
    const bool edit = m_edit && watched == m_edit;
    if (!combo && !edit)
        return QTreeWidget::eventFilter(watched, event);
    if (IsEnter(event)) {
        if (combo)
            CommitCombo();
        else
            CommitEdit();
        return true;
    }
    // The combo box's own drop-down takes the focus for a moment; that is
    // not leaving the editor.
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        if (combo)
            CommitCombo();
        else
            CommitEdit();
    }
    return QTreeWidget::eventFilter(watched, event);
}

void CMyList::DestroyCombo()
{
    if (!m_combo)
        return;
    // Forgotten first, so the focus loss of its going commits nothing twice.
    QComboBox* combo = m_combo;
    m_combo = nullptr;
    const bool hadFocus = combo->hasFocus();
    combo->removeEventFilter(this);
    combo->hide();
    combo->deleteLater();
    ReturnFocus(hadFocus);
}

void CMyList::DestroyEdit()
{
    if (!m_edit)
        return;
    QLineEdit* edit = m_edit;
    m_edit = nullptr;
    const bool hadFocus = edit->hasFocus();
    edit->removeEventFilter(this);
    edit->hide();
    edit->deleteLater();
    ReturnFocus(hadFocus);
}

void CMyList::ReturnFocus(bool editorHadFocus)
{
    if (editorHadFocus)
        setFocus(Qt::OtherFocusReason);
}
