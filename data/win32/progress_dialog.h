// The modal progress dialog (template 112) with a worker thread behind it:
// used by "&Save file ..." and "&Apply" for the write-out of a document.
#pragma once

#include <windows.h>

class CallBackInfo;

// Runs work(context) on a worker thread while the dialog shows the document's
// progress counters; the dialog closes itself when the work is done and
// cannot be closed before. When the dialog or the thread cannot be made, the
// work runs on the calling thread instead. 1 once the work has run (0 only
// without work). With hold 1 the document is held against edits until the
// work is done; work that reads a snapshot of the document passes 0.
int RunUnderProgress(HWND owner, CallBackInfo* doc, void (*work)(void*), void* context,
                     int hold = 1);
