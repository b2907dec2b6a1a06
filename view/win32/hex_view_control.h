// The hex view control window (class "PELMORA_CTRL") with its status bar.
#pragma once

#include <windows.h>

// Sent by the view to its top-level window for a new font: wparam is the
// step (1 larger, -1 smaller, 0 the same size made anew) plus one.
constexpr UINT kViewFontMessage = WM_APP + 27;

// Registers the class and creates the control over the main window's client
// area; stores it in ViewState. Null when the class cannot be registered.
HWND CreateHexViewControl(HWND main_window);
// The status bar inside the control, or null before the control exists.
HWND HexViewStatusBar();
// The window procedure's paint step: paints the current document into the
// memory DC and copies it to the given DC. 1 when it painted.
int PaintHexView(HWND control, HDC target);
// Every change of the document, the selection or the scroll position
// invalidates the view, which tells the one listener installed here (the
// data inspector while it is open); a null hook removes it.
void SetViewChangedHook(void (*hook)(void* context), void* context);
// Further listeners (tool windows) beside that hook: added with their
// context, 1 or 0 when there is no room; removed by their context.
int AddViewChangedListener(void (*hook)(void* context), void* context);
void RemoveViewChangedListener(void* context);
// Tells the listener, if any, that what the view shows has changed.
void NotifyViewChanged();
// (The edit mode hook for double clicks: SetEditModeChangedHook, view/control_logic.h.)
