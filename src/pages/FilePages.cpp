#include "pages/FilePages.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "device/Prompts.h"
#include "pages/FileChooser.h"
#include "resources/PageTexts.h"
#include "wizard/StoredChoices.h"

namespace {

QLineEdit* MakePathEdit()
{
    auto* edit = new QLineEdit;
    // Paths are longer than any box: no length limit.
    edit->setMaxLength(32767);
    return edit;
}

// The file exists and may not be written: no write permission at all (the
// read-only attribute), or none for this user.
bool IsReadOnlyFile(const std::string& path)
{
    const QFileInfo info(QString::fromStdString(path));
    if (!info.exists() || info.isDir())
        return false;
    const auto writeBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return (info.permissions() & writeBits) == 0 || !info.isWritable();
}

}  // namespace

CWizard97PropertyPage4::CWizard97PropertyPage4(PageServices& services)
    : WizardPage(services, 147, 139, kWizBack | kWizNext | kWizFinish)
{
    AddSidePicture();
    AddStatic(texts::kChooseSaveFile, 132, 16, 134, 20);
    m_edit = Place(MakePathEdit(), 1003, 132, 60, 114, 14);
    auto* browse = Place(new QPushButton(QString::fromUtf8(texts::kBrowse)), 1004, 254, 60, 16, 14);
    connect(browse, &QPushButton::clicked, this, [this] { OnBrowse(); });
}

std::string CWizard97PropertyPage4::Path() const
{
    return m_edit->text().toStdString();
}

void CWizard97PropertyPage4::OnInitDialog()
{
    m_edit->setText(QString::fromStdString(ReadStoredPath(Services().keys, kSavePathValue)));
}

void CWizard97PropertyPage4::OnBrowse()
{
    const auto chosen = Services().files.ChooseSaveFile(window(), Path());
    if (!chosen)
        return;
    if (IsReadOnlyFile(*chosen)) {
        Services().prompts.Show({*chosen + texts::kReadOnlyFile, MsgIcon::Exclamation});
        return;
    }
    StorePath(Services().keys, kSavePathValue, *chosen);
    m_edit->setText(QString::fromStdString(*chosen));
}

CWizard97PropertyPage6::CWizard97PropertyPage6(PageServices& services)
    : WizardPage(services, 149, 141, kWizNext | kWizFinish)
{
    AddSidePicture();
    AddStatic(texts::kReplicateIntro, 132, 16, 140, 68);
    m_edit = Place(MakePathEdit(), 1006, 132, 94, 114, 14);
    auto* browse = Place(new QPushButton(QString::fromUtf8(texts::kBrowse)), 1007, 254, 94, 16, 14);
    m_check = Place(new QCheckBox(QString::fromUtf8(texts::kClockOption)), 1008, 132, 118, 147, 10);
    connect(browse, &QPushButton::clicked, this, [this] { OnBrowse(); });
    connect(m_check, &QCheckBox::clicked, this, [this] { OnTimeSyncClicked(); });
}

std::string CWizard97PropertyPage6::Path() const
{
    return m_edit->text().toStdString();
}

void CWizard97PropertyPage6::OnInitDialog()
{
    m_edit->setText(QString::fromStdString(ReadStoredPath(Services().keys, kReplicatePathValue)));
    m_check->setChecked(ReadClockOption(Services().keys) == 1);
}

void CWizard97PropertyPage6::OnBrowse()
{
    if (m_edit->text().isEmpty())
        m_edit->setText(QString::fromStdString(kDefaultConfigPath));
    const auto chosen = Services().files.ChooseOpenFile(window(), Path());
    if (!chosen)
        return;
    StorePath(Services().keys, kReplicatePathValue, *chosen);
    m_edit->setText(QString::fromStdString(*chosen));
}

void CWizard97PropertyPage6::OnTimeSyncClicked()
{
    StoreClockOption(Services().keys, m_check->isChecked());
}
