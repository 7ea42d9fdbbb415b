#include "pages/CWizard97PropertyPage1.h"

#include <QButtonGroup>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>

#include "resources/PageTexts.h"
#include "wizard/StoredChoices.h"
#include "wizard/WizardFlow.h"

CWizard97PropertyPage1::CWizard97PropertyPage1(PageServices& services)
    : WizardPage(services, 0, 0, kWizNext)
{
    auto* watermark = new QLabel(this);
    watermark->setPixmap(QPixmap(QStringLiteral(":/images/130.png")));
    watermark->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    watermark->setGeometry(0, 0, 164, 314);

    AddStatic(texts::kStartIntro, 112, 7, 161, 71);
    const char* captions[3] = {texts::kRadioSave, texts::kRadioReplicateFile, texts::kRadioReplicateDevice};
    const int rects[3][2] = {{80, 81}, {96, 103}, {112, 110}};
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_pRadio[i] = Place(new QRadioButton(QString::fromUtf8(captions[i])), kRadioSaveToFile + i, 146,
                            rects[i][0], rects[i][1], 10);
        group->addButton(m_pRadio[i], kRadioSaveToFile + i);
    }
    m_pRadio[2]->setVisible(false);
}

int CWizard97PropertyPage1::SelectedButton() const
{
    for (int i = 0; i < 3; ++i)
        if (m_pRadio[i]->isChecked())
            return kRadioSaveToFile + i;
    return 0;
}

void CWizard97PropertyPage1::OnInitDialog()
{
    const int button = StartRadioForChoice(ReadStartChoice(Services().keys));
    m_pRadio[button - kRadioSaveToFile]->setChecked(true);
    window()->setWindowIcon(ProgramIcon());
}

void CWizard97PropertyPage1::OnCancel()
{
    const int button = SelectedButton();
    StoreStartChoice(Services().keys, button == 0 ? 1 : button - kRadioSaveToFile + 1);
}
