#pragma once
// Where the program's modal dialogs open.

#include <windows.h>

// Over the middle of the window that owns the dialog, kept inside that
// monitor's work area.
void CentreOverOwner(HWND dialog);
