// Canvas: the drawing surface the hex view paints into and measures text with.
// GDI implements it over the memory DC; tests record every call instead.
#pragma once

#include "data/document.h"

#include <cstdint>

struct CanvasRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// What the view asks of a font; every other font attribute is left at 0.
struct FontRequest {
    wchar_t m_sz_face[32]; // at most 31 characters and a terminator
    int32_t m_n_height;    // negative: character height in pixels
    int32_t m_n_weight;    // 400 regular, 700 bold
    int32_t m_b_italic;
};

class Canvas {
  public:
    virtual ~Canvas() = default;

    // Solid fill of [left, right) x [top, bottom).
    virtual void FillRect(const CanvasRect& rect, ColorRef color) = 0;
    // Text at (x, y) over a rectangle filled with bk first (opaque text).
    virtual void OpaqueTextW(int32_t x, int32_t y, const CanvasRect& rect, const wchar_t* text,
                             int32_t count, ColorRef fg, ColorRef bk) = 0;
    // Single-byte characters shown by the font's ANSI character set, no conversion.
    virtual void OpaqueTextA(int32_t x, int32_t y, const CanvasRect& rect, const char* text,
                             int32_t count, ColorRef fg, ColorRef bk) = 0;
    // Text at (x, y) whose own character cells take the background bk.
    virtual void TextOutW(int32_t x, int32_t y, const wchar_t* text, int32_t count, ColorRef fg,
                          ColorRef bk) = 0;

    // Extent of the text in the selected font; 0 on failure.
    virtual int TextExtent(const wchar_t* text, int32_t count, int32_t* cx, int32_t* cy) = 0;
    // Floating-point A, B and C widths of one character; 0 on failure.
    virtual int CharAbcWidths(wchar_t ch, double* a, double* b, double* c) = 0;
    // Vertical pixels per logical inch.
    virtual int32_t LogPixelsY() = 0;

    // (Named apart from the Windows macros CreateFont, SelectFont and DeleteFont.)
    // A new font (owned by the caller, released with FreeFont), or null.
    virtual void* NewFont(const FontRequest& request) = 0;
    // Selects a font; null selects the surface's stock font so that the
    // previous one can be deleted.
    virtual void UseFont(void* font) = 0;
    virtual void FreeFont(void* font) = 0;
};
