#pragma once
// The program's dialog templates, control by control: the eight pages of
// the sheet and the progress dialog of an area transfer, with their ids,
// texts, rectangles in dialog units and styles. Each front end builds its
// windows from these tables (the Qt pages place widgets, the Win32 side
// writes in-memory dialog templates), so a control is described once.

#include <cstdint>
#include <span>

enum class ControlKind { Static, Picture, Edit, PushButton, RadioButton, CheckBox, ListView, ProgressBar };

// What a template asks of a control beyond its kind; each front end maps
// these onto its own styles.
enum ControlStyle : uint32_t {
    kStyleNone = 0,
    kStyleHidden = 1u << 0,       // created invisible (and never shown)
    kStyleBorder = 1u << 1,
    kStyleTabStop = 1u << 2,
    kStyleAutoHScroll = 1u << 3,  // an edit box scrolls long text sideways
    kStyleCentre = 1u << 4,       // a static text centred in its rectangle
    kStyleSmooth = 1u << 5,       // a progress bar without segments
    kStyleReport = 1u << 6,       // a list view in report view, aligned left
    kStyleAuto = 1u << 7,         // a radio button or check box that checks itself
    kStyleBitmap = 1u << 8,       // a picture showing a bitmap resource
    kStyleMultiline = 1u << 9,    // a check box whose text wraps onto the lines its height holds
};

struct DluRect {
    int x, y, width, height;
};

struct ControlSpec {
    ControlKind kind;
    int id;            // 0: a control nothing refers to (texts, pictures)
    const char* text;  // UTF-8; nullptr when the control has none
    DluRect rect;
    uint32_t styles;
    int imageId;  // bitmap resource of a picture; 0 otherwise
};

struct DialogTemplate {
    int id;
    int width, height;  // dialog units
    const char* fontFace;
    int fontPoints;
    int captionStringId;
    std::span<const ControlSpec> controls;
};

// Template ids.
constexpr int kTemplateFirstPage = 103;  // page n has template 102 + n
constexpr int kTemplateProgress = 152;
// Ours: the dialog of the device search.
constexpr int kTemplateSearch = 160;

// Control ids that the code refers to (the start page's radio buttons are
// kRadioSaveToFile ... of the flow; the progress dialog's button is 2).
constexpr int kIdSavePathEdit = 1003;
constexpr int kIdSaveBrowse = 1004;
constexpr int kIdReadSettingsList = 1005;
constexpr int kIdReplicatePathEdit = 1006;
constexpr int kIdReplicateBrowse = 1007;
constexpr int kIdClockCheck = 1008;
constexpr int kIdProgressBar = 1009;
constexpr int kIdProgressText = 1010;
constexpr int kIdWriteSettingsList = 1011;
// Ours: page 6's check box for reading a written configuration back.
constexpr int kIdVerifyCheck = 1012;
// Ours: page 7's check box for keeping the device's configuration first.
constexpr int kIdBackupCheck = 1013;
constexpr int kIdProgressCancel = 2;
// Ours: the search button of pages 3 and 8, the note of the device it
// found, and the search dialog's text and bar (its button is 2 as well).
constexpr int kIdSearchButton = 1014;
constexpr int kIdSearchNote = 1015;
constexpr int kIdSearchText = 1016;
constexpr int kIdSearchBar = 1017;

// Bitmap and icon resources.
constexpr int kIconProgram = 128;
constexpr int kBitmapHeader = 129;
constexpr int kBitmapWatermark = 130;
constexpr int kBitmapPageSide = 131;
constexpr int kBitmapProgress = 154;

// 103 to 110, 152 and 160; nullptr for any other id.
const DialogTemplate* FindTemplate(int templateId);
// The control of a template with that id; nullptr when it has none.
const ControlSpec* FindControl(const DialogTemplate& dialog, int id);
