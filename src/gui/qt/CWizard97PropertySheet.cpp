#include "gui/qt/CWizard97PropertySheet.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "gui/qt/DialogFrame.h"
#include "gui/qt/pages/CWizard97PropertyPage1.h"
#include "gui/qt/pages/FilePages.h"
#include "gui/qt/pages/MessagePages.h"
#include "gui/qt/pages/SettingsPages.h"
#include "resources/DeviceTexts.h"
#include "resources/PageTexts.h"
#include "wizard/DialogTemplates.h"

namespace {

// Ids and captions of the button row, in their order from the left.
struct ButtonSpec {
    int id;
    const char* caption;
};
constexpr ButtonSpec kButtonSpecs[5] = {
    {kCmdWizBack, texts::kButtonBack},     {kCmdWizNext, texts::kButtonNext},
    {kCmdWizFinish, texts::kButtonFinish}, {kCmdCancel, texts::kButtonCancel},
    {kCmdHelp, texts::kButtonHelp},
};
constexpr int kHeaderHeightDlu = 36;
constexpr int kButtonWidthDlu = 50;
constexpr int kButtonHeightDlu = 14;
constexpr int kMarginDlu = 7;

QFrame* MakeLine(QWidget* parent, const QRect& rect)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(rect);
    return line;
}

}  // namespace

CWizard97PropertySheet::CWizard97PropertySheet(PageServices& services, FlowOperations& ops, int startPage)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_flow(*this, ops, services.prompts, services.keys)
{
    setWindowTitle(QString::fromUtf8(texts::StringTableEntry(132)));
    setFont(DialogFont());
    const DialogUnits units(DialogFont());
    const QSize pageSize = PageSizeDlu();
    const int width = units.X(pageSize.width());
    const int headerHeight = std::max(units.Y(kHeaderHeightDlu), 49 + 2 * units.Y(4));
    m_interiorRect = QRect(0, headerHeight + 2, width, units.Y(pageSize.height()));
    m_exteriorRect = QRect(0, 0, width, m_interiorRect.bottom() + 1);

    m_page1 = new CWizard97PropertyPage1(services);
    m_page3 = new CWizard97PropertyPage3(services);
    m_page4 = new CWizard97PropertyPage4(services);
    m_page6 = new CWizard97PropertyPage6(services);
    m_page8 = new CWizard97PropertyPage8(services);
    m_pages = {m_page1,
               new CWizard97PropertyPage2(services),
               m_page3,
               m_page4,
               new CWizard97PropertyPage5(services),
               m_page6,
               new CWizard97PropertyPage7(services),
               m_page8};
    for (WizardPage* page : m_pages) {
        page->setParent(this);
        page->setGeometry(page->Exterior() ? m_exteriorRect : m_interiorRect);
        page->hide();
    }
    BuildHeader(units);
    MakeLine(this, QRect(0, m_exteriorRect.bottom() + 1, width, 2));
    BuildButtons(units, m_exteriorRect.bottom() + 3 + units.Y(kMarginDlu));
    setFixedSize(width, m_exteriorRect.bottom() + 3 + units.Y(2 * kMarginDlu + kButtonHeightDlu));
    SetActivePage(kPageStart);
    if (startPage != kPageStart)
        SetActivePage(startPage);
}

CWizard97PropertySheet::~CWizard97PropertySheet() = default;

void CWizard97PropertySheet::BuildHeader(const DialogUnits& units)
{
    const int width = m_exteriorRect.width();
    const int height = m_interiorRect.top() - 2;
    m_header = new QWidget(this);
    m_header->setGeometry(0, 0, width, height);
    QPalette palette = m_header->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_header->setPalette(palette);
    m_header->setAutoFillBackground(true);

    auto* picture = new QLabel(m_header);
    picture->setPixmap(QPixmap(QStringLiteral(":/images/%1.png").arg(kBitmapHeader)));
    picture->setGeometry(width - 49 - units.X(kMarginDlu), (height - 49) / 2, 49, 49);

    QFont bold = DialogFont();
    bold.setBold(true);
    const int textWidth = picture->x() - units.X(2 * kMarginDlu);
    m_title = new QLabel(m_header);
    m_title->setFont(bold);
    m_title->setTextFormat(Qt::PlainText);
    m_title->setGeometry(units.X(15), units.Y(8), textWidth - units.X(8), units.Y(10));
    m_subtitle = new QLabel(m_header);
    m_subtitle->setTextFormat(Qt::PlainText);
    m_subtitle->setGeometry(units.X(30), units.Y(19), textWidth - units.X(23), units.Y(10));
    m_headerLine = MakeLine(this, QRect(0, height, width, 2));
}

void CWizard97PropertySheet::BuildButtons(const DialogUnits& units, int top)
{
    const int buttonWidth = units.X(kButtonWidthDlu);
    const int buttonHeight = units.Y(kButtonHeightDlu);
    // Right to left: "Выход", a gap, "В начало", a gap, "Далее >" against
    // "< Назад". Help keeps no place: it is never shown.
    int right = m_exteriorRect.width() - units.X(kMarginDlu);
    const int lefts[4] = {
        right - 4 * buttonWidth - 2 * units.X(kMarginDlu),
        right - 3 * buttonWidth - 2 * units.X(kMarginDlu),
        right - 2 * buttonWidth - units.X(kMarginDlu),
        right - buttonWidth,
    };
    for (int i = 0; i < 5; ++i) {
        auto* button = new QPushButton(QString::fromUtf8(kButtonSpecs[i].caption), this);
        button->setObjectName(QString::number(kButtonSpecs[i].id));
        button->setAutoDefault(false);
        if (i < 4)
            button->setGeometry(lefts[i], top, buttonWidth, buttonHeight);
        const int id = kButtonSpecs[i].id;
        connect(button, &QPushButton::clicked, this, [this, id] { OnCmdMsg(id); });
        m_buttons[i] = button;
    }
    m_buttons[4]->hide();
    m_buttons[1]->setDefault(true);
}

QPushButton* CWizard97PropertySheet::Button(int commandId) const
{
    for (int i = 0; i < 5; ++i)
        if (kButtonSpecs[i].id == commandId)
            return m_buttons[i];
    return nullptr;
}

void CWizard97PropertySheet::SetActivePage(int index)
{
    if (index < 0 || index >= static_cast<int>(m_pages.size()))
        return;
    if (m_active >= 0 && m_active != index)
        m_pages[m_active]->hide();
    m_active = index;
    WizardPage* page = m_pages[index];
    page->EnsureInitialized();

    m_header->setVisible(!page->Exterior());
    m_headerLine->setVisible(!page->Exterior());
    m_title->setText(page->HeaderTitle());
    m_subtitle->setText(page->HeaderSubtitle());
    const int buttons = page->Buttons();
    Button(kCmdWizBack)->setEnabled(buttons & kWizBack);
    Button(kCmdWizNext)->setEnabled(buttons & kWizNext);
    Button(kCmdWizFinish)->setEnabled(buttons & kWizFinish);
    page->show();
    page->raise();
    page->OnSetActive();
    // All of it: an exterior page covers the header the previous page had.
    update();
}

void CWizard97PropertySheet::OnCmdMsg(int commandId)
{
    if (m_flow.OnCommand(commandId) == WizardFlow::Outcome::PassOn)
        DefaultCommand(commandId);
}

void CWizard97PropertySheet::DefaultCommand(int commandId)
{
    switch (commandId) {
    case kCmdWizBack: SetActivePage(m_active - 1); break;
    case kCmdWizNext: SetActivePage(m_active + 1); break;
    case kCmdWizFinish: m_pages[m_active]->OnWizardFinish(); break;
    case kCmdCancel: CloseSheet(); break;
    default: break;
    }
}

void CWizard97PropertySheet::CloseSheet()
{
    for (WizardPage* page : m_pages)
        if (page->Initialized())
            page->OnCancel();
    QDialog::done(QDialog::Rejected);
}

void CWizard97PropertySheet::reject()
{
    // Esc is the "Выход" button.
    OnCmdMsg(kCmdCancel);
}

void CWizard97PropertySheet::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (m_flow.OnSysCommand(kSysCmdClose) == WizardFlow::Outcome::PassOn)
        CloseSheet();
}

void CWizard97PropertySheet::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    AskForDialogFrame(*this);
}

int CWizard97PropertySheet::StartPageSelection() const
{
    return m_page1->SelectedButton();
}

std::string CWizard97PropertySheet::SaveFilePath() const
{
    return m_page4->Path();
}

std::string CWizard97PropertySheet::ReplicateFilePath() const
{
    return m_page6->Path();
}

SettingsPage* CWizard97PropertySheet::ListPage(int page) const
{
    return page == kPageWriteSettings ? m_page8 : m_page3;
}

void CWizard97PropertySheet::SaveListSettings(int page)
{
    SettingsPage* listPage = ListPage(page);
    listPage->EnsureInitialized();
    listPage->SaveListSettings();
}

CommSettings CWizard97PropertySheet::ListSettings(int page) const
{
    return ListPage(page)->Settings();
}

void CWizard97PropertySheet::SetListSettings(int page, const CommSettings& settings)
{
    ListPage(page)->Settings() = settings;
}
