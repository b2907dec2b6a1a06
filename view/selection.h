// Selection, caret and navigation of a document, the begin and end
// markers, hex digit entry in edit mode and the selection status texts.
#pragma once

#include "view/view_state.h"

#include <cstdint>

int GoToOffset(CallBackInfo* doc, int64_t offset);
int ExtendToOffset(CallBackInfo* doc, int64_t offset);
int ClickAtPoint(CallBackInfo* doc, int x, int y);
int ExtendToPoint(CallBackInfo* doc, int x, int y);
// mode 0: target = delta; 1: selection start + delta; other: 0. Refused
// (0) unless the target is a byte of the document.
int MoveCaret(CallBackInfo* doc, ViewState* state, int mode, int64_t delta);
int ExtendBy(CallBackInfo* doc, ViewState* state, int64_t delta);
void ScrollIntoView(CallBackInfo* doc, ViewState* state, int64_t offset);
// Drops the selection: no caret offset, the caret hidden, panes 1 to 3 blank.
void ClearSelection(CallBackInfo* doc);
int64_t SelectionStart(const CallBackInfo* doc); // -1 without a selection
int64_t SelectionEnd(const CallBackInfo* doc);
int SetBeginPosition(CallBackInfo* doc, ViewState* state);
int SetEndPosition(CallBackInfo* doc, ViewState* state);
// 1 while a worker reads the document, after telling why on the status bar
// (the last pane): every edit made from the main window asks this first.
int RefusedWhileRead(const CallBackInfo* doc);
// One typed character in edit mode; 1 when it changed a nibble.
int TypeDigit(CallBackInfo* doc, ViewState* state, unsigned ch);
// What the status bar says when bytes were to change with edit mode off.
extern const wchar_t kEditModeOffText[];
// Tells on the status bar (the last pane) that edit mode is off, for a
// document that could be edited; 1 when it was said.
int SayEditModeOff(const CallBackInfo* doc);
// A character typed into the view: a digit in edit mode, else a hex digit
// only tells that edit mode is off. 1 when it changed a nibble.
int TypeKey(CallBackInfo* doc, ViewState* state, unsigned ch);
// Switches edit mode (never on for a document opened read-only; doc may be
// null); returns the new state.
int SetEditMode(CallBackInfo* doc, ViewState* state, int on);
int CreateViewCaret(CallBackInfo* doc, ViewState* state);
void DestroyViewCaret();
// The caret position to show when the control gets the focus.
CaretPoint CaretPositionForFocus(CallBackInfo* doc);
// Computes m_pt_caret from the caret offset, moves the system caret there (or
// hides it without focus) and invalidates the control.
void PlaceCaret(CallBackInfo* doc);

// Caret size used before the first caret of a document is made.
void SetCaretSize(int32_t width, int32_t height);
void GetCaretSize(int32_t* width, int32_t* height);

// Status panes 1..3 for the current selection; slash_form picks the mouse
// form of pane 3, with_count whether pane 3 is written.
void WriteSelectionStatus(const CallBackInfo* doc, int with_count, int slash_form);
