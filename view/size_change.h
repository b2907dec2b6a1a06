// What the view does after the document's size changed (bytes inserted or
// removed): the top row stays within the data, the scroll bar spans the new
// size, an emptied document keeps no selection, and status pane 0 shows the total.
#pragma once

#include "view/view_state.h"

#include <cstdint>
#include <string>

// Status pane 0's text for a document of the given size: its last offset,
// or that it is empty.
std::wstring TotalText(int64_t size);

// Brings the view in line with the document's m_n_data_size and repaints.
void DocumentSizeChanged(CallBackInfo* doc, ViewState* state);
