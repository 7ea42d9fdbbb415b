#pragma once
// The controls of one dialog template as Qt widgets, placed at their
// dialog-unit rectangles, each named by its id so it can be found again.

#include <QWidget>

#include "gui/qt/pages/DialogUnits.h"
#include "wizard/DialogTemplates.h"

// Makes every control of the template a child of parent. The list view
// becomes a CMyList.
void BuildTemplateControls(const DialogTemplate& dialog, QWidget* parent, const DialogUnits& units);

// The control of the template with that id, as built above.
template <class Control>
Control* TemplateControl(const QWidget* parent, int id)
{
    return parent->findChild<Control*>(QString::number(id), Qt::FindDirectChildrenOnly);
}
