// The hex view control window (class "PELMORA_CTRL") with its status bar.
#pragma once

#include <windows.h>

// Registers the class and creates the control over the main window's client
// area; stores it in ViewState. Null when the class cannot be registered.
HWND CreateHexViewControl(HWND main_window);
// The status bar inside the control, or null before the control exists.
HWND HexViewStatusBar();
// The window procedure's paint step: paints the current document into the
// memory DC and copies it to the given DC. 1 when it painted.
int PaintHexView(HWND control, HDC target);
// (The edit mode hook for double clicks: SetEditModeChangedHook, view/control_logic.h.)
