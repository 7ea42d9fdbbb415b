#include "gui/qt/pages/WizardPage.h"

#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPixmap>

#include "resources/DeviceTexts.h"

WizardPage::WizardPage(PageServices& services, int index) : m_services(services), m_spec(PageSpecOf(index))
{
    setFont(DialogFont());
    // White page, static texts and check boxes; edit boxes and buttons keep
    // their own colours.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);
    if (Exterior()) {
        // The sheet's watermark, which an exterior page shows at its left.
        auto* watermark = new QLabel(this);
        watermark->setPixmap(QPixmap(QStringLiteral(":/images/%1.png").arg(kBitmapWatermark)));
        watermark->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        watermark->setGeometry(0, 0, 164, 314);
    }
    BuildTemplateControls(*FindTemplate(m_spec.templateId), this, DialogUnits(DialogFont()));
}

QString WizardPage::HeaderTitle() const
{
    return QString::fromUtf8(texts::StringTableEntry(m_spec.headerTitleId));
}

QString WizardPage::HeaderSubtitle() const
{
    return QString::fromUtf8(texts::StringTableEntry(m_spec.headerSubtitleId));
}

void WizardPage::EnsureInitialized()
{
    if (m_initialized)
        return;
    m_initialized = true;
    OnInitDialog();
}

QSize PageSizeDlu()
{
    const DialogTemplate* page = FindTemplate(kTemplateFirstPage);
    return QSize(page->width, page->height);
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/images/%1-%2.png").arg(kIconProgram).arg(size), QSize(size, size));
    return icon;
}
