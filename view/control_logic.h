// The hex view control's mouse, wheel and scroll bar decisions, apart from
// the window procedure so that they run without a window system.
#pragma once

#include "view/view_state.h"

#include <cstdint>

// Drag state of the control.
struct DragState {
    int32_t m_b_dragging;
    int32_t m_n_direction; // +1 down, -1 up, 0 none
};
DragState& ControlDragState();

constexpr int32_t kEdgeZone = 30; // pixels from the top or bottom edge that auto-scroll

// Left press at a client point; shift extends instead of starting a drag.
// 1 when the selection was set or extended.
int OnLeftButtonDown(CallBackInfo* doc, int32_t x, int32_t y, int shift);
// Pointer move while dragging (plain left button held).
void OnDragMove(CallBackInfo* doc, ViewState* state, int32_t x, int32_t y);
// Hover notice while dragging in an edge zone: one more row.
void OnDragHover(CallBackInfo* doc, ViewState* state, int32_t x, int32_t y);
void OnLeftButtonUp(CallBackInfo* doc, int32_t x, int32_t y);
// Wheel turned by delta (120 per notch); ctrl zooms the font. 1 when it scrolled or zoomed.
int OnMouseWheel(CallBackInfo* doc, ViewState* state, int32_t delta, int ctrl);
// A vertical scroll bar code (SB_LINEUP = 0 ... SB_ENDSCROLL = 8); 1 when the
// control handled the message itself (returns 0), 0 when default handling follows.
int OnScrollCode(CallBackInfo* doc, ViewState* state, int code, int32_t track);
// Double click: toggles edit mode and tells the hook; returns the new state.
int OnDoubleClick(CallBackInfo* doc, ViewState* state);
// Called with the new edit mode after the control toggled it (the frame
// follows with its menu check and toolbar button).
void SetEditModeChangedHook(void (*hook)(int on));

enum ScrollCode : int {
    kScrollLineUp = 0,
    kScrollLineDown = 1,
    kScrollPageUp = 2,
    kScrollPageDown = 3,
    kScrollThumbPosition = 4,
    kScrollThumbTrack = 5,
    kScrollTop = 6,
    kScrollBottom = 7,
    kScrollEnd = 8,
};
