// The page and control tables both front ends are built from: every page
// has its template, ids are unique and found where the code looks for
// them, and every control lies on its dialog without covering another.
#include <gtest/gtest.h>

#include <set>

#include "wizard/DialogTemplates.h"
#include "wizard/PageTable.h"

namespace {

bool Overlap(const DluRect& a, const DluRect& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

std::vector<int> AllTemplateIds()
{
    std::vector<int> ids;
    for (int page = 0; page < kPageCount; ++page)
        ids.push_back(PageSpecOf(page).templateId);
    ids.push_back(kTemplateProgress);
    ids.push_back(kTemplateSearch);
    return ids;
}

TEST(Templates, EveryPageHasItsTemplateAndNoControlCoversAnother)
{
    for (int id : AllTemplateIds()) {
        const DialogTemplate* dialog = FindTemplate(id);
        ASSERT_NE(dialog, nullptr) << id;
        std::set<int> ids;
        for (std::size_t i = 0; i < dialog->controls.size(); ++i) {
            const ControlSpec& control = dialog->controls[i];
            if (control.id != 0) {
                EXPECT_TRUE(ids.insert(control.id).second) << "template " << id << " id " << control.id;
            }
            // Pictures sit under everything at the left edge; the rest must
            // fit the dialog and keep apart.
            if (control.kind == ControlKind::Picture)
                continue;
            EXPECT_LE(control.rect.x + control.rect.width, dialog->width) << "template " << id << " #" << i;
            EXPECT_LE(control.rect.y + control.rect.height, dialog->height) << "template " << id << " #" << i;
            for (std::size_t j = i + 1; j < dialog->controls.size(); ++j) {
                if (dialog->controls[j].kind != ControlKind::Picture) {
                    EXPECT_FALSE(Overlap(control.rect, dialog->controls[j].rect))
                        << "template " << id << " #" << i << " and #" << j;
                }
            }
        }
    }
    EXPECT_EQ(FindTemplate(111), nullptr);
}

TEST(Templates, ControlsTheCodeRefersToAreWhereItLooks)
{
    struct Expected {
        int page;  // -1: the progress dialog, -2: the search dialog
        int id;
        ControlKind kind;
    };
    const Expected expected[] = {
        {kPageStart, kRadioSaveToFile, ControlKind::RadioButton},
        {kPageStart, kRadioReplicateFromDevice, ControlKind::RadioButton},
        {kPageReadSettings, kIdReadSettingsList, ControlKind::ListView},
        {kPageSaveFile, kIdSavePathEdit, ControlKind::Edit},
        {kPageSaveFile, kIdSaveBrowse, ControlKind::PushButton},
        {kPageReplicateFile, kIdReplicatePathEdit, ControlKind::Edit},
        {kPageReplicateFile, kIdReplicateBrowse, ControlKind::PushButton},
        {kPageReplicateFile, kIdClockCheck, ControlKind::CheckBox},
        {kPageReplicateFile, kIdVerifyCheck, ControlKind::CheckBox},
        {kPageWrite, kIdBackupCheck, ControlKind::CheckBox},
        {kPageWriteSettings, kIdWriteSettingsList, ControlKind::ListView},
        {-1, kIdProgressBar, ControlKind::ProgressBar},
        {-1, kIdProgressText, ControlKind::Static},
        {-1, kIdProgressCancel, ControlKind::PushButton},
        {kPageReadSettings, kIdSearchButton, ControlKind::PushButton},
        {kPageWriteSettings, kIdSearchButton, ControlKind::PushButton},
        {kPageReadSettings, kIdSearchNote, ControlKind::Static},
        {kPageWriteSettings, kIdSearchNote, ControlKind::Static},
        {-2, kIdSearchText, ControlKind::Static},
        {-2, kIdSearchBar, ControlKind::ProgressBar},
        {-2, kIdProgressCancel, ControlKind::PushButton},
    };
    for (const Expected& e : expected) {
        const int templateId = e.page == -1   ? kTemplateProgress
                               : e.page == -2 ? kTemplateSearch
                                              : PageSpecOf(e.page).templateId;
        const ControlSpec* control = FindControl(*FindTemplate(templateId), e.id);
        ASSERT_NE(control, nullptr) << templateId << " " << e.id;
        EXPECT_EQ(control->kind, e.kind) << e.id;
    }
    // The hidden start choice is created invisible; nothing else is.
    EXPECT_TRUE(FindControl(*FindTemplate(103), kRadioReplicateFromDevice)->styles & kStyleHidden);
    EXPECT_FALSE(FindControl(*FindTemplate(103), kRadioSaveToFile)->styles & kStyleHidden);
}

TEST(Templates, TheOptionsKeepTheDialogMarginAboveTheBottomEdge)
{
    // The side picture fills the page by design; everything else stays the
    // dialog margin (7 units) above the bottom edge.
    for (int page : {kPageReadSettings, kPageReplicateFile, kPageWrite, kPageWriteSettings}) {
        const DialogTemplate& dialog = *FindTemplate(PageSpecOf(page).templateId);
        for (const ControlSpec& control : dialog.controls) {
            if (control.kind == ControlKind::Picture) continue;
            EXPECT_LE(control.rect.y + control.rect.height, dialog.height - 7) << page << " " << control.id;
        }
    }
}

}  // namespace
