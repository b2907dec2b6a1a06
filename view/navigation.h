// The caret moves by page, to the ends of a row and of the document, each
// with an extending twin that moves the selection's active end instead.
#pragma once

#include <cstdint>

class CallBackInfo;
struct ViewState;

enum class NavigationStep : int {
    kPageUp,
    kPageDown,
    kRowStart,
    kRowEnd,
    kDocumentStart,
    kDocumentEnd,
};

// Where a step from the offset lands in a document of size bytes with
// page_rows rows of 16 bytes to a page, clamped to the document; -1 for a
// document without bytes.
int64_t NavigationTarget(NavigationStep step, int64_t from, int64_t size, int64_t page_rows);

// Moves the caret (collapsing the selection) from the selection start, or
// with extend 1 the active end; 1 when it moved.
int Navigate(CallBackInfo* doc, ViewState* state, NavigationStep step, int extend);
