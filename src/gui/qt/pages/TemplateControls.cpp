#include "gui/qt/pages/TemplateControls.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "gui/qt/pages/CMyList.h"

namespace {

QLabel* MakeStatic(const ControlSpec& spec)
{
    auto* label = new QLabel(QString::fromUtf8(spec.text));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(((spec.styles & kStyleCentre) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    return label;
}

QLabel* MakePicture(const ControlSpec& spec)
{
    auto* picture = new QLabel;
    picture->setPixmap(QPixmap(QStringLiteral(":/images/%1.png").arg(spec.imageId)));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return picture;
}

QLineEdit* MakeEdit()
{
    auto* edit = new QLineEdit;
    // Paths are longer than any box: no length limit.
    edit->setMaxLength(32767);
    return edit;
}

QProgressBar* MakeProgressBar()
{
    auto* bar = new QProgressBar;
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

QWidget* MakeControl(const ControlSpec& spec)
{
    const QString text = spec.text ? QString::fromUtf8(spec.text) : QString();
    switch (spec.kind) {
    case ControlKind::Static: return MakeStatic(spec);
    case ControlKind::Picture: return MakePicture(spec);
    case ControlKind::Edit: return MakeEdit();
    case ControlKind::PushButton: {
        auto* button = new QPushButton(text);
        button->setAutoDefault(false);
        return button;
    }
    case ControlKind::RadioButton: return new QRadioButton(text);
    case ControlKind::CheckBox: return new QCheckBox(text);
    case ControlKind::ListView: return new CMyList;
    case ControlKind::ProgressBar: return MakeProgressBar();
    }
    return nullptr;
}

}  // namespace

void BuildTemplateControls(const DialogTemplate& dialog, QWidget* parent, const DialogUnits& units)
{
    for (const ControlSpec& spec : dialog.controls) {
        QWidget* control = MakeControl(spec);
        control->setParent(parent);
        if (spec.id != 0)
            control->setObjectName(QString::number(spec.id));
        const DluRect& r = spec.rect;
        control->setGeometry(units.Rect(r.x, r.y, r.width, r.height));
        if (spec.styles & kStyleHidden)
            control->hide();
    }
}
