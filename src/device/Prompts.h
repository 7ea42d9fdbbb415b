#pragma once
// Every message box and question of the core goes through this one seam:
// Qt message boxes in the wizard, terminal lines in the command-line tool,
// a scripted answerer in tests.

#include <string>

enum class MsgIcon { None, Error, Exclamation, Information, Question };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };
// Boxes of the jobs and pages carry the application's title; the sheet's
// own questions carry the program's full name (string 132).
enum class MsgCaption { Application, Sheet };

struct MessageBoxRequest {
    std::string text;  // UTF-8, the system's own words
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    bool defaultIsSecond = false;  // No is the default button
    MsgCaption caption = MsgCaption::Application;
};

class Prompts {
public:
    virtual ~Prompts() = default;
    virtual MsgAnswer Show(const MessageBoxRequest& request) = 0;
};
