// View geometry: font metrics to column positions, points to bytes and bytes
// to pixels, scrolling limits and the 32-bit scroll bar mapping, font creation.
// Each operation is handed the document and, where it needs it, the view state.
#pragma once

#include "view/canvas.h"
#include "view/view_state.h"

#include <cstdint>

constexpr int32_t kHiddenCoordinate = -100; // (-100, -100): no caret position

// Width of a text by the view's rule: the extent of all but the last
// character plus the last one's A + B + C (a negative C counts as 0).
int32_t TextWidth(Canvas* canvas, const wchar_t* text);
// Height of the characters "ajm"; 0 without a canvas.
int32_t LineHeight(Canvas* canvas);
// The widest of the 256 two-digit hex texts: the width of a hex cell.
int32_t HexPairWidth(Canvas* canvas);

// Cell width, space width, hex left and line height of the current font into
// the document; fits the main window's width. 1, or 0 without memory DC or
// document.
int ComputeMetrics(CallBackInfo* doc);
// Main window width for cell width m and space width s.
int32_t MainWindowWidth(int32_t cell_width, int32_t space_width);

// Left edge of hex cell column c (0..15) and of the character column.
int32_t HexCellLeft(const CallBackInfo* doc, int column);
int32_t CharColumnLeft(const CallBackInfo* doc);
// The hex column whose hit span holds x, or -1.
int HitColumn(const CallBackInfo* doc, int32_t x);

// Offset of the byte under a client point (coordinates as signed 16-bit
// values). 1 and *offset when inside the hex area; a point on the empty cells
// of the last row or the row below selects the last byte. 0 when outside: the
// caret offset becomes -1 and the caret position hidden.
int HitTest(CallBackInfo* doc, int32_t x, int32_t y, int64_t* offset);
// Client position of the caret on an offset (second digit when the low nibble
// is set), hidden (-100, -100) when the row is not shown. 0 for a negative
// offset or no document.
int BytePosition(const CallBackInfo* doc, int64_t offset, CaretPoint* point);

// Row of the last byte; 0 for an empty document.
int64_t MaxTopLine(const CallBackInfo* doc);
// Moves the top row by delta (clamped) and moves the system caret along.
void ScrollBy(CallBackInfo* doc, int64_t delta);
void ScrollToLine(CallBackInfo* doc, int64_t line);

// Largest scroll bar maximum: the bar's values are signed 32-bit.
constexpr int32_t kScrollLimit = 0x7FFFFFFF;
// Rows counted by the scroll bar: size / 16, at least 1.
int64_t ScrollLines(const CallBackInfo* doc);
// Sets the scroll range for a document of the given row count, thumb at 0.
void SetScrollRange(ViewState* state, int64_t lines);
// Puts the thumb where the top line t stands proportionally.
void SyncThumb(const CallBackInfo* doc, const ViewState* state, int64_t line);
// The top line a thumb track position stands for.
int64_t ThumbToLine(const CallBackInfo* doc, const ViewState* state, int32_t track);
// floor(a * b / c) for a, b >= 0 and c > 0 without overflow; 0 for c <= 0.
int64_t MulDivFloor(int64_t a, int64_t b, int64_t c);

// Weight and slant of a style name ("Regular", "Italic", "Bold", "Bold
// Italic", any case; anything else is regular).
void MapFontStyle(const wchar_t* style, int32_t* weight, int32_t* italic);
// Rounded a * b / c as the platform's MulDiv does; -1 when c is 0.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);
// The request for a font of a face (null: none), style and point size on a
// canvas: the height in pixels from the canvas's pixels per inch.
FontRequest MakeFontRequest(Canvas* canvas, const wchar_t* face, const wchar_t* style, int points);
// Creates and selects the view font, applies options to the document (doc
// may be null), recomputes metrics and invalidates. 1, or 0 without memory DC
// or when the font cannot be created.
int ApplyFont(CallBackInfo* doc, ViewState* state, const wchar_t* face, const wchar_t* style,
              int points, const ViewOptions* options);
