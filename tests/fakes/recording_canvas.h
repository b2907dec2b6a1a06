// RecordingCanvas: a canvas that keeps every drawing call and answers text
// measurements from a simple font model (fixed width unless told otherwise).
#pragma once

#include "view/canvas.h"

#include <map>
#include <string>
#include <vector>

struct CanvasOp {
    enum Kind { kFill, kTextW, kTextA, kTextOut } m_kind;
    int32_t m_x;
    int32_t m_y;
    CanvasRect m_rect; // the area the call paints (for TextOut: its character cells)
    std::wstring m_text;
    ColorRef m_cr_fg;
    ColorRef m_cr_bk;
};

class RecordingCanvas : public Canvas {
  public:
    void FillRect(const CanvasRect& rect, ColorRef color) override;
    void OpaqueTextW(int32_t x, int32_t y, const CanvasRect& rect, const wchar_t* text,
                     int32_t count, ColorRef fg, ColorRef bk) override;
    void OpaqueTextA(int32_t x, int32_t y, const CanvasRect& rect, const char* text, int32_t count,
                     ColorRef fg, ColorRef bk) override;
    void TextOutW(int32_t x, int32_t y, const wchar_t* text, int32_t count, ColorRef fg,
                  ColorRef bk) override;
    int TextExtent(const wchar_t* text, int32_t count, int32_t* cx, int32_t* cy) override;
    int CharAbcWidths(wchar_t ch, double* a, double* b, double* c) override;
    int32_t LogPixelsY() override { return m_n_dpi; }
    void* NewFont(const FontRequest& request) override;
    void UseFont(void* font) override { m_p_selected = font; }
    void FreeFont(void* font) override;

    // The op that painted the point last, or null.
    const CanvasOp* OpAt(int32_t x, int32_t y) const;
    // Background colour at a point: the last op covering it, else fallback.
    ColorRef BackgroundAt(int32_t x, int32_t y, ColorRef fallback) const;
    size_t Count(CanvasOp::Kind kind) const;
    void Clear() { m_ops.clear(); }

    // Font model: every character advance is m_n_char_width unless listed;
    // the C width of the last character may be set negative.
    int32_t m_n_char_width = 8;
    int32_t m_n_height = 16;
    int32_t m_n_dpi = 96;
    double m_n_c_width = 0;
    std::map<wchar_t, int32_t> m_widths;
    int m_b_fail_font = 0;

    std::vector<CanvasOp> m_ops;
    std::vector<FontRequest> m_font_requests;
    int m_n_live_fonts = 0;
    void* m_p_selected = nullptr;

  private:
    int32_t Advance(wchar_t ch) const;
    int m_n_font_tokens[64] = {};
    int m_n_next_token = 0;
};
