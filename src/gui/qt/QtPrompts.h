#pragma once
// Message boxes of the program as Qt message boxes, captioned with the
// application's title or, for the sheet's own questions, the program's name.

#include <QPointer>
#include <QString>
#include <QWidget>

#include "device/Prompts.h"

class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QString applicationTitle);
    // The window the boxes are modal to (the sheet, once it exists).
    void SetOwner(QWidget* owner) { m_owner = owner; }
    MsgAnswer Show(const MessageBoxRequest& request) override;

private:
    QString m_applicationTitle;
    QPointer<QWidget> m_owner;
};
