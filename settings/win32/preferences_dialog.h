// The preferences dialog: a tree choosing between the Keyboard page and the
// Fonts and Colors page; OK writes and applies the font and colours.
#pragma once

#include "view/view_state.h"

#include <windows.h>

// Shows the dialog modally over owner and returns when it has closed; 0. OK
// hands the font and colours to the view of doc (null: none open).
INT_PTR ShowPreferencesDialog(HWND owner, CallBackInfo* doc, ViewState* state);
