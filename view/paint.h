// Painting: the header, the address column, the hex cells and the character
// column of a document, with the colours of selection, pending
// changes and the begin marker.
#pragma once

#include "view/byte_marks.h"
#include "view/canvas.h"
#include "view/view_state.h"

#include <cstdint>

constexpr int64_t kMaxPaintBytes = 2400; // 150 rows per paint

// The colours of one byte cell.
struct CellColors {
    ColorRef m_cr_fg;
    ColorRef m_cr_bk;
};
CellColors PickCellColors(const CallBackInfo* doc, int selected, int marker, int modified);

// Draws the document into the canvas for a client area of the given
// height. 1 when rows were drawn (also when drawing stopped at an unreadable
// byte); 0 when there is nothing to show.
// Bytes that marks reports are drawn on mark_bk (see ViewState).
int PaintDocument(CallBackInfo* doc, Canvas* canvas, int32_t client_height,
                  const ByteMarks* marks = nullptr, ColorRef mark_bk = 0);
// Fills the client area with the background colour and paints the document,
// when there is a document and the view shows it open. 1 when it painted.
int PaintView(CallBackInfo* doc, const ViewState* state, Canvas* canvas, int32_t client_width,
              int32_t client_height);
