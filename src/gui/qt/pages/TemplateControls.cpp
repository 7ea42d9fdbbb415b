#include "gui/qt/pages/TemplateControls.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>

#include "gui/qt/pages/CMyList.h"

namespace {

QLabel* MakeStatic(const ControlSpec& entry)
{
    auto* label = new QLabel(QString::fromUtf8(entry.text));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(((entry.styles & kStyleCentre) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    return label;
}

QLabel* MakePicture(const ControlSpec& entry)
{
    auto* picture = new QLabel;
    picture->setPixmap(QPixmap(QStringLiteral(":/images/%1.png").arg(entry.imageId)));
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

QWidget* MakeControl(const ControlSpec& entry)
{
    const QString text = entry.text ? QString::fromUtf8(entry.text) : QString();
    switch (entry.kind) {
    case ControlKind::Static: return MakeStatic(entry);
    case ControlKind::Picture: return MakePicture(entry);
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

// A check box draws its text on one line: the words are broken onto the
// lines its width holds beside the box, as the window system does for a
// multiline button.
void WrapCheckBoxText(QCheckBox* box)
{
    const int indicator = box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box)
                          + box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box);
    const int room = box->width() - indicator - 4;
    const QFontMetrics metrics(box->font());
    QStringList lines;
    for (const QString& word : box->text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!lines.isEmpty() && metrics.horizontalAdvance(lines.last() + QLatin1Char(' ') + word) <= room)
            lines.last() += QLatin1Char(' ') + word;
        else
            lines.append(word);
    }
    box->setText(lines.join(QLatin1Char('\n')));
}

}  // namespace

void BuildTemplateControls(const DialogTemplate& dialog, QWidget* parent, const DialogUnits& units)
{
    for (const ControlSpec& entry : dialog.controls) {
        QWidget* control = MakeControl(entry);
        control->setParent(parent);
        if (entry.id != 0)
            control->setObjectName(QString::number(entry.id));
        const DluRect& r = entry.rect;
        control->setGeometry(units.Rect(r.x, r.y, r.width, r.height));
        if (entry.kind == ControlKind::CheckBox && (entry.styles & kStyleMultiline))
            WrapCheckBoxText(static_cast<QCheckBox*>(control));
        if (entry.styles & kStyleHidden)
            control->hide();
    }
}
