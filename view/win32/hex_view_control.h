// The hex view control window (class "PELMORA_CTRL") with its status bar.
#pragma once

#include "view/view_state.h"

#include <windows.h>

// Sent by the view to its top-level window for a new font: wparam is the
// step (1 larger, -1 smaller, 0 the same size made anew) plus one.
constexpr UINT kViewFontMessage = WM_APP + 27;

// Registers the class and creates the control over the main window's client
// area, showing through state (which it keeps and which keeps it). Null
// without a state or when the class cannot be registered.
HWND CreateHexViewControl(HWND main_window, ViewState* state);
// The document the control shows from now on (null: none); the frame sets it
// whenever it installs a document.
void SetHexViewDocument(HWND control, CallBackInfo* doc);
// The view state whose windows and memory DC the platform view host uses.
void BindViewHostState(ViewState* state);
// Lets go of state if the host is bound to it (when the state is released).
void UnbindViewHostState(const ViewState* state);
// The status bar inside the control, or null before the control exists.
HWND HexViewStatusBar();
// The window procedure's paint step: paints the control's document into the
// memory DC and copies it to the given DC. 1 when it painted.
int PaintHexView(HWND control, HDC target);
// Every repaint of the view (a move of the selection or the scroll position
// among them) tells the one listener installed here: the data inspector
// follows the selection by it, and changed bytes through its watch of the
// document. A null hook removes it.
void SetViewChangedHook(void (*hook)(void* context), void* context);
// Further listeners (tool windows) beside that hook: added with their
// context, 1 or 0 when there is no room; removed by their context.
int AddViewChangedListener(void (*hook)(void* context), void* context);
void RemoveViewChangedListener(void* context);
// Tells the listener, if any, that what the view shows has changed.
void NotifyViewChanged();
// (The edit mode hook for double clicks: SetEditModeChangedHook, view/control_logic.h.)
