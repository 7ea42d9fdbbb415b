#pragma once
// The frame of our dialogs on X11: a title and a border, and no system
// menu, minimise, maximise or close box, as their templates have it. Qt
// asks the window manager for decorations only; with none of close,
// minimise or maximise among a window's flags it leaves every function
// allowed, and most window managers then draw all three buttons. The
// functions are asked for here as well. Does nothing on other platforms.

class QWidget;

// After the native window exists and before it is mapped (a show event).
void AskForDialogFrame(QWidget& window);

// Motif's window manager hints, as X11 window managers read them.
struct MotifFrameHints {
    unsigned long flags = 0;
    unsigned long functions = 0;
    unsigned long decorations = 0;
};
constexpr unsigned long kMotifHintFunctions = 1;
constexpr unsigned long kMotifHintDecorations = 2;
constexpr unsigned long kMotifFunctionMove = 4;
constexpr unsigned long kMotifDecorBorder = 2;
constexpr unsigned long kMotifDecorTitle = 8;
// What the frame asks for.
constexpr MotifFrameHints kDialogFrameHints{kMotifHintFunctions | kMotifHintDecorations, kMotifFunctionMove,
                                            kMotifDecorBorder | kMotifDecorTitle};
