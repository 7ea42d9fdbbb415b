#pragma once
// Page 4 (the file to save a configuration into), page 6 (the file to
// replicate, whether to set the device clock and whether to check what was
// written) and page 7 (connect the device; whether to keep what it holds
// first). What they remember and refuse is their logic's.

#include <string>

#include "gui/win32/pages/WizardPage.h"
#include "wizard/ChoicePageLogic.h"

class CWizard97PropertyPage4 : public WizardPage {
public:
    explicit CWizard97PropertyPage4(PageServices& services);
    std::string Path() const;

protected:
    void OnInitDialog() override;
    void OnCommand(int id, int code) override;

private:
    SaveFilePageLogic m_logic;
};

class CWizard97PropertyPage6 : public WizardPage {
public:
    explicit CWizard97PropertyPage6(PageServices& services);
    std::string Path() const;

protected:
    void OnInitDialog() override;
    void OnCommand(int id, int code) override;

private:
    bool Checked(int id) const;
    ReplicateFilePageLogic m_logic;
};

class CWizard97PropertyPage7 : public WizardPage {
public:
    explicit CWizard97PropertyPage7(PageServices& services);

protected:
    void OnInitDialog() override;
    void OnCommand(int id, int code) override;

private:
    WritePageLogic m_logic;
};
