// Without a window system there is no memory DC; the view's drawing goes
// through the canvas the tests install instead.
#include "view/memory_canvas.h"

int CreateMemoryCanvas(ViewState*) {
    return 0;
}

void ReleaseMemoryCanvas(ViewState*) {}
