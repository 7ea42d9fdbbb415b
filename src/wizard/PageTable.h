#pragma once
// The eight pages of the sheet: which template each is drawn from, its
// header texts (string table ids) or none for the exterior start page,
// and the wizard buttons it enables when it becomes active.

#include "wizard/WizardFlow.h"

// Wizard button flags of a page's enable set.
constexpr int kWizBack = 1;
constexpr int kWizNext = 2;
constexpr int kWizFinish = 4;

constexpr int kPageCount = 8;

struct PageSpec {
    int templateId;
    int headerTitleId;  // 0: an exterior page, without header, on the watermark
    int headerSubtitleId;
    int buttons;

    bool Exterior() const { return headerTitleId == 0; }
};

// index: kPageStart ... kPageWriteSettings.
const PageSpec& PageSpecOf(int index);
