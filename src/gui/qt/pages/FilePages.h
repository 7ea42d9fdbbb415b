#pragma once
// Page 4 (the file to save a configuration into), page 6 (the file to
// replicate, whether to set the device clock and whether to check what was
// written) and page 7 (connect the device; whether to keep what it holds
// first). What they remember and refuse is their logic's.

#include <string>

#include "gui/qt/pages/WizardPage.h"
#include "wizard/ChoicePageLogic.h"

class QCheckBox;
class QLineEdit;

class CWizard97PropertyPage4 : public WizardPage {
public:
    explicit CWizard97PropertyPage4(PageServices& services);
    std::string Path() const;
    void OnBrowse();

protected:
    void OnInitDialog() override;

private:
    QLineEdit* m_edit;
    SaveFilePageLogic m_logic;
};

class CWizard97PropertyPage6 : public WizardPage {
public:
    explicit CWizard97PropertyPage6(PageServices& services);
    std::string Path() const;
    void OnBrowse();

protected:
    void OnInitDialog() override;

private:
    QLineEdit* m_edit;
    QCheckBox* m_check;
    QCheckBox* m_verify;
    ReplicateFilePageLogic m_logic;
};

class CWizard97PropertyPage7 : public WizardPage {
public:
    explicit CWizard97PropertyPage7(PageServices& services);

protected:
    void OnInitDialog() override;

private:
    QCheckBox* m_backup;
    WritePageLogic m_logic;
};
