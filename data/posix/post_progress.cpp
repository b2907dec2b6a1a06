// Without a window system there is no progress bar to post to; the counters
// stay readable in the document.
#include "data/document.h"

int CallBackInfo::PostProgress(void* progress_bar) const {
    return progress_bar != nullptr ? 1 : 0;
}
