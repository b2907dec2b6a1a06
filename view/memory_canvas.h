// The drawing surface of ViewState: the memory DC with its screen-sized bitmap
// and the initial view font (a no-op where there is no window system).
#pragma once

struct ViewState;

// Creates the memory DC, the bitmap and the initial font into the state and
// sets the caret size of that font; 0 when there is no drawing surface (the
// state stays usable and painting does nothing).
int CreateMemoryCanvas(ViewState* state);
// Deletes the font, bitmap and memory DC and nulls their handles.
void ReleaseMemoryCanvas(ViewState* state);
// "Courier New", weight 400, height 0; null on failure or without a window system.
void* CreateDefaultFont();
