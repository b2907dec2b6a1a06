// The current document and the one view state. The frame owns both and hands
// them to everything below it; nothing under frame/ reads them from here.
#pragma once

#include "data/document.h"
#include "view/view_state.h"

// The current document; null when nothing is open.
extern CallBackInfo* g_p_current_document;

// The one ViewState, created at start-up and released last.
extern ViewState* g_p_view_state;
