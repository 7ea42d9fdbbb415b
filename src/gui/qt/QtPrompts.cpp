#include "gui/qt/QtPrompts.h"

#include <QMessageBox>
#include <QPushButton>

#include "resources/DeviceTexts.h"
#include "resources/PageTexts.h"

namespace {

QMessageBox::Icon IconOf(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QtPrompts::QtPrompts(QString applicationTitle) : m_applicationTitle(std::move(applicationTitle)) {}

MsgAnswer QtPrompts::Show(const MessageBoxRequest& request)
{
    const QString caption = request.caption == MsgCaption::Sheet
                                ? QString::fromUtf8(texts::StringTableEntry(132))
                                : m_applicationTitle;
    QMessageBox box(IconOf(request.icon), caption, QString::fromStdString(request.text), QMessageBox::NoButton,
                    m_owner);
    box.setTextFormat(Qt::PlainText);
    if (request.buttons == MsgButtons::Ok) {
        box.addButton(QString::fromUtf8(texts::kButtonOk), QMessageBox::AcceptRole);
        box.exec();
        return MsgAnswer::Ok;
    }
    QPushButton* yes = box.addButton(QString::fromUtf8(texts::kButtonYes), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QString::fromUtf8(texts::kButtonNo), QMessageBox::NoRole);
    box.setDefaultButton(request.defaultIsSecond ? no : yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? MsgAnswer::Yes : MsgAnswer::No;
}
