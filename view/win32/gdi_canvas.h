// GdiCanvas: the view's canvas over a GDI device context (the memory DC).
#pragma once

#include "view/canvas.h"

#include <windows.h>

// The pixels per inch of the monitor a window is on, as the window sees it
// (per-monitor awareness); 0 where the system cannot tell (before Windows 10).
int32_t WindowDpi(HWND window);

class GdiCanvas : public Canvas {
  public:
    explicit GdiCanvas(HDC dc = nullptr) : m_h_dc(dc) {}
    // Points the canvas at another DC; the colour cache starts afresh.
    void Bind(HDC dc);
    HDC Dc() const { return m_h_dc; }
    // The window whose monitor fonts are sized for (asked when a font is
    // made); null, or a system that cannot tell, takes the DC's own scale.
    void SetScaleWindow(HWND window) { m_h_scale_window = window; }

    void FillRect(const CanvasRect& rect, ColorRef color) override;
    void OpaqueTextW(int32_t x, int32_t y, const CanvasRect& rect, const wchar_t* text,
                     int32_t count, ColorRef fg, ColorRef bk) override;
    void OpaqueTextA(int32_t x, int32_t y, const CanvasRect& rect, const char* text, int32_t count,
                     ColorRef fg, ColorRef bk) override;
    void TextOutW(int32_t x, int32_t y, const wchar_t* text, int32_t count, ColorRef fg,
                  ColorRef bk) override;
    int TextExtent(const wchar_t* text, int32_t count, int32_t* cx, int32_t* cy) override;
    int CharAbcWidths(wchar_t ch, double* a, double* b, double* c) override;
    int32_t LogPixelsY() override;
    void* NewFont(const FontRequest& request) override;
    void UseFont(void* font) override;
    void FreeFont(void* font) override;

  private:
    void SetColors(ColorRef fg, ColorRef bk);
    HDC m_h_dc;
    HWND m_h_scale_window = nullptr;
    // Colours last set on the DC; painting sets the same pair for long runs.
    ColorRef m_cr_fg = 0xFFFFFFFFu;
    ColorRef m_cr_bk = 0xFFFFFFFFu;
};
