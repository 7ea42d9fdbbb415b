#pragma once
// Page 4 (the file to save a configuration into) and page 6 (the file to
// replicate, and whether to set the device clock). Each remembers the path
// last chosen with "..."; a path typed by hand is used but not remembered.

#include <string>

#include "pages/WizardPage.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

class CWizard97PropertyPage4 : public WizardPage {
public:
    explicit CWizard97PropertyPage4(PageServices& services);
    std::string Path() const;
    void OnBrowse();

protected:
    void OnInitDialog() override;

private:
    QLineEdit* m_edit;
};

class CWizard97PropertyPage6 : public WizardPage {
public:
    explicit CWizard97PropertyPage6(PageServices& services);
    std::string Path() const;
    void OnBrowse();
    void OnTimeSyncClicked();

protected:
    void OnInitDialog() override;

private:
    QLineEdit* m_edit;
    QCheckBox* m_check;
};
