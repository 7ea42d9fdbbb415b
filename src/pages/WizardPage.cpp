#include "pages/WizardPage.h"

#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPixmap>

#include "resources/DeviceTexts.h"

WizardPage::WizardPage(PageServices& services, int headerTitleId, int headerSubtitleId, int buttons)
    : m_services(services),
      m_headerTitleId(headerTitleId),
      m_headerSubtitleId(headerSubtitleId),
      m_buttons(buttons),
      m_units(DialogFont())
{
    setFont(DialogFont());
    // White page, static texts and check boxes; edit boxes and buttons keep
    // their own colours.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);
}

QString WizardPage::HeaderTitle() const
{
    return QString::fromUtf8(texts::StringTableEntry(m_headerTitleId));
}

QString WizardPage::HeaderSubtitle() const
{
    return QString::fromUtf8(texts::StringTableEntry(m_headerSubtitleId));
}

void WizardPage::EnsureInitialized()
{
    if (m_initialized)
        return;
    m_initialized = true;
    OnInitDialog();
}

QLabel* WizardPage::AddStatic(const char* text, int x, int y, int width, int height)
{
    auto* label = new QLabel(QString::fromUtf8(text), this);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return Place(label, 0, x, y, width, height);
}

void WizardPage::AddSidePicture()
{
    auto* picture = new QLabel(this);
    picture->setPixmap(QPixmap(QStringLiteral(":/images/131.png")));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(picture, 0, 0, 0, 109, 194);
}

void WizardPage::PlaceWidget(QWidget* control, int id, int x, int y, int width, int height)
{
    control->setParent(this);
    if (id != 0)
        control->setObjectName(QString::number(id));
    control->setGeometry(m_units.Rect(x, y, width, height));
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/images/128-%1.png").arg(size), QSize(size, size));
    return icon;
}
