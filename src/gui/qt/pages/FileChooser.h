#pragma once
// The file dialogs of pages 4 and 6 as the toolkit's own, modal to the
// sheet.

#include <QPointer>
#include <QWidget>

#include "wizard/ChoicePageLogic.h"

class QtFileChooser : public FileDialogs {
public:
    void SetOwner(QWidget* owner) { m_owner = owner; }
    std::optional<std::string> ChooseSaveFile(const std::string& initial) override;
    std::optional<std::string> ChooseOpenFile(const std::string& initial) override;

private:
    QPointer<QWidget> m_owner;
};
