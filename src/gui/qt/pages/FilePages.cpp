#include "gui/qt/pages/FilePages.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "wizard/DialogTemplates.h"

CWizard97PropertyPage4::CWizard97PropertyPage4(PageServices& services)
    : WizardPage(services, kPageSaveFile),
      m_edit(ControlById<QLineEdit>(kIdSavePathEdit)),
      m_logic(services.keys, services.prompts, services.files)
{
    connect(ControlById<QPushButton>(kIdSaveBrowse), &QPushButton::clicked, this, [this] { OnBrowse(); });
}

std::string CWizard97PropertyPage4::Path() const
{
    return m_edit->text().toStdString();
}

void CWizard97PropertyPage4::OnInitDialog()
{
    m_edit->setText(QString::fromStdString(m_logic.OnInitDialog()));
}

void CWizard97PropertyPage4::OnBrowse()
{
    m_edit->setText(QString::fromStdString(m_logic.OnBrowse(Path())));
}

CWizard97PropertyPage6::CWizard97PropertyPage6(PageServices& services)
    : WizardPage(services, kPageReplicateFile),
      m_edit(ControlById<QLineEdit>(kIdReplicatePathEdit)),
      m_check(ControlById<QCheckBox>(kIdClockCheck)),
      m_verify(ControlById<QCheckBox>(kIdVerifyCheck)),
      m_logic(services.keys, services.files, services.startFile)
{
    connect(ControlById<QPushButton>(kIdReplicateBrowse), &QPushButton::clicked, this, [this] { OnBrowse(); });
    connect(m_check, &QCheckBox::clicked, this, [this](bool checked) { m_logic.OnTimeSyncClicked(checked); });
    connect(m_verify, &QCheckBox::clicked, this, [this](bool checked) { m_logic.OnVerifyClicked(checked); });
}

std::string CWizard97PropertyPage6::Path() const
{
    return m_edit->text().toStdString();
}

void CWizard97PropertyPage6::OnInitDialog()
{
    const ReplicateFilePageLogic::Initial initial = m_logic.OnInitDialog();
    m_edit->setText(QString::fromStdString(initial.path));
    m_check->setChecked(initial.setClock);
    m_verify->setChecked(initial.verify);
}

void CWizard97PropertyPage6::OnBrowse()
{
    m_edit->setText(QString::fromStdString(m_logic.OnBrowse(Path())));
}

CWizard97PropertyPage7::CWizard97PropertyPage7(PageServices& services)
    : WizardPage(services, kPageWrite), m_backup(ControlById<QCheckBox>(kIdBackupCheck)), m_logic(services.keys)
{
    connect(m_backup, &QCheckBox::clicked, this, [this](bool checked) { m_logic.OnBackupClicked(checked); });
}

void CWizard97PropertyPage7::OnInitDialog()
{
    m_backup->setChecked(m_logic.OnInitDialog());
}
