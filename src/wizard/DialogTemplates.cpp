#include "wizard/DialogTemplates.h"

#include <array>
#include <iterator>

#include "resources/PageTexts.h"
#include "resources/SearchTexts.h"
#include "wizard/WizardFlow.h"

namespace {

constexpr const char* kPageFont = "MS Sans Serif";
constexpr const char* kProgressFont = "MS Shell Dlg";
constexpr int kProgramNameString = 132;
constexpr int kPageWidth = 280;
constexpr int kPageHeight = 140;

// The picture at the left edge of every inner page.
constexpr ControlSpec kSidePicture{ControlKind::Picture, 0, nullptr, {0, 0, 109, 194}, kStyleBitmap,
                                   kBitmapPageSide};

constexpr ControlSpec kPage1[] = {
    {ControlKind::Static, 0, texts::kStartIntro, {112, 7, 161, 71}, kStyleNone, 0},
    {ControlKind::RadioButton, kRadioSaveToFile, texts::kRadioSave, {146, 80, 81, 10}, kStyleAuto, 0},
    {ControlKind::RadioButton, kRadioReplicateFromFile, texts::kRadioReplicateFile, {146, 96, 103, 10},
     kStyleAuto, 0},
    {ControlKind::RadioButton, kRadioReplicateFromDevice, texts::kRadioReplicateDevice, {146, 112, 110, 10},
     kStyleAuto | kStyleHidden, 0},
};

constexpr ControlSpec kPage2[] = {
    kSidePicture,
    {ControlKind::Static, 0, texts::kConnectForSave, {132, 16, 120, 44}, kStyleNone, 0},
};

// The settings list, and under it ours: the search button and, beside it,
// the note of the device the search found. The list keeps room for its
// nine rows and header; the note has three lines, and the page's margin
// stays below both.
constexpr std::array<ControlSpec, 4> SettingsPageControls(int listId)
{
    return {{
        kSidePicture,
        {ControlKind::ListView, listId, nullptr, {110, 1, 169, 103}, kStyleBorder | kStyleReport, 0},
        {ControlKind::PushButton, kIdSearchButton, texts::kSearchButton, {110, 108, 64, 14}, kStyleTabStop, 0},
        {ControlKind::Static, kIdSearchNote, nullptr, {178, 107, 101, 26}, kStyleNone, 0},
    }};
}

constexpr auto kPage3 = SettingsPageControls(kIdReadSettingsList);

constexpr ControlSpec kPage4[] = {
    kSidePicture,
    {ControlKind::Static, 0, texts::kChooseSaveFile, {132, 16, 134, 20}, kStyleNone, 0},
    {ControlKind::Edit, kIdSavePathEdit, nullptr, {132, 60, 114, 14},
     kStyleBorder | kStyleTabStop | kStyleAutoHScroll, 0},
    {ControlKind::PushButton, kIdSaveBrowse, texts::kBrowse, {254, 60, 16, 14}, kStyleTabStop, 0},
};

constexpr ControlSpec kPage5[] = {
    kSidePicture,
    {ControlKind::Static, 0, texts::kDeviceUnsupported, {132, 16, 100, 28}, kStyleNone, 0},
};

// The two options keep the page's margin below them, and start further
// left than the file box so that their texts show whole in any of the
// fonts the dialog font may become.
constexpr ControlSpec kPage6[] = {
    kSidePicture,
    {ControlKind::Static, 0, texts::kReplicateIntro, {132, 16, 140, 68}, kStyleNone, 0},
    {ControlKind::Edit, kIdReplicatePathEdit, nullptr, {132, 89, 114, 14},
     kStyleBorder | kStyleTabStop | kStyleAutoHScroll, 0},
    {ControlKind::PushButton, kIdReplicateBrowse, texts::kBrowse, {254, 89, 16, 14}, kStyleTabStop, 0},
    {ControlKind::CheckBox, kIdClockCheck, texts::kClockOption, {120, 109, 158, 10}, kStyleAuto | kStyleTabStop, 0},
    // Ours, under the clock option.
    {ControlKind::CheckBox, kIdVerifyCheck, texts::kVerifyOption, {120, 121, 158, 10}, kStyleAuto | kStyleTabStop,
     0},
};

constexpr ControlSpec kPage7[] = {
    kSidePicture,
    {ControlKind::Static, 0, texts::kConnectForWrite, {132, 16, 136, 92}, kStyleNone, 0},
    // Ours, under the warning that the device's configuration is replaced:
    // keep it first. Page 6 has no room left for a third option.
    {ControlKind::CheckBox, kIdBackupCheck, texts::kBackupOption, {132, 111, 140, 20},
     kStyleAuto | kStyleTabStop | kStyleMultiline, 0},
};

constexpr auto kPage8 = SettingsPageControls(kIdWriteSettingsList);

constexpr ControlSpec kProgress[] = {
    {ControlKind::ProgressBar, kIdProgressBar, nullptr, {48, 20, 197, 13}, kStyleBorder | kStyleSmooth, 0},
    {ControlKind::Picture, 0, nullptr, {0, 0, 41, 55}, kStyleBitmap, kBitmapProgress},
    {ControlKind::Static, kIdProgressText, texts::kProgressTemplateText, {55, 6, 181, 12}, kStyleCentre, 0},
    {ControlKind::PushButton, kIdProgressCancel, texts::kProgressCancel, {196, 37, 50, 14}, kStyleTabStop, 0},
};

// What is tried on each port, the bar of the candidates done, "Отмена".
constexpr ControlSpec kSearch[] = {
    {ControlKind::Static, kIdSearchText, nullptr, {7, 6, 240, 26}, kStyleNone, 0},
    {ControlKind::ProgressBar, kIdSearchBar, nullptr, {7, 35, 240, 12}, kStyleBorder | kStyleSmooth, 0},
    {ControlKind::PushButton, kIdProgressCancel, texts::kSearchCancel, {197, 52, 50, 14}, kStyleTabStop, 0},
};

constexpr DialogTemplate Page(int number, std::span<const ControlSpec> controls)
{
    return {kTemplateFirstPage + number - 1, kPageWidth, kPageHeight, kPageFont, 8, kProgramNameString, controls};
}

constexpr DialogTemplate kTemplates[] = {
    Page(1, kPage1), Page(2, kPage2), Page(3, kPage3), Page(4, kPage4),
    Page(5, kPage5), Page(6, kPage6), Page(7, kPage7), Page(8, kPage8),
    {kTemplateProgress, 254, 55, kProgressFont, 8, kProgramNameString, kProgress},
    {kTemplateSearch, 254, 72, kProgressFont, 8, kTemplateSearch, kSearch},
};

}  // namespace

const DialogTemplate* FindTemplate(int templateId)
{
    for (const DialogTemplate& dialog : kTemplates)
        if (dialog.id == templateId)
            return &dialog;
    return nullptr;
}

const ControlSpec* FindControl(const DialogTemplate& dialog, int id)
{
    for (const ControlSpec& control : dialog.controls)
        if (control.id == id)
            return &control;
    return nullptr;
}
