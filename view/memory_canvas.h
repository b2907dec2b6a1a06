// The drawing surface of ViewState: a memory DC with a back bitmap (the
// screen's size at first) and the initial view font, made once at start-up
// and released at exit.
#pragma once

struct ViewState;

// Creates the surface and the "Courier New" default font and sets the caret
// size from that font; 0 when a surface exists already or cannot be made.
int CreateMemoryCanvas(ViewState* state);
void ReleaseMemoryCanvas(ViewState* state);
