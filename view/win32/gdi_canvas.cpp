// GdiCanvas: opaque text, fills and text measurement through GDI.
#include "view/win32/gdi_canvas.h"

#include <cwchar>

namespace {

// A solid brush for the length of one fill.
class SolidBrush {
  public:
    explicit SolidBrush(COLORREF color) : m_h_brush(CreateSolidBrush(color)) {}
    ~SolidBrush() {
        if (m_h_brush) {
            DeleteObject(m_h_brush);
        }
    }
    SolidBrush(const SolidBrush&) = delete;
    SolidBrush& operator=(const SolidBrush&) = delete;
    HBRUSH Get() const { return m_h_brush; }

  private:
    HBRUSH m_h_brush;
};

RECT ToRect(const CanvasRect& rect) {
    return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

} // namespace

void GdiCanvas::Bind(HDC dc) {
    if (dc != m_h_dc) {
        m_h_dc = dc;
        m_cr_fg = 0xFFFFFFFFu;
        m_cr_bk = 0xFFFFFFFFu;
    }
}

void GdiCanvas::SetColors(ColorRef fg, ColorRef bk) {
    if (fg != m_cr_fg) {
        SetTextColor(m_h_dc, fg);
        m_cr_fg = fg;
    }
    if (bk != m_cr_bk) {
        SetBkColor(m_h_dc, bk);
        m_cr_bk = bk;
    }
}

void GdiCanvas::FillRect(const CanvasRect& rect, ColorRef color) {
    SolidBrush brush(color);
    if (brush.Get()) {
        const RECT r = ToRect(rect);
        ::FillRect(m_h_dc, &r, brush.Get());
    }
}

void GdiCanvas::OpaqueTextW(int32_t x, int32_t y, const CanvasRect& rect, const wchar_t* text,
                            int32_t count, ColorRef fg, ColorRef bk) {
    SetColors(fg, bk);
    const RECT r = ToRect(rect);
    ExtTextOutW(m_h_dc, x, y, ETO_OPAQUE, &r, text, static_cast<UINT>(count), nullptr);
}

void GdiCanvas::OpaqueTextA(int32_t x, int32_t y, const CanvasRect& rect, const char* text,
                            int32_t count, ColorRef fg, ColorRef bk) {
    SetColors(fg, bk);
    const RECT r = ToRect(rect);
    ExtTextOutA(m_h_dc, x, y, ETO_OPAQUE, &r, text, static_cast<UINT>(count), nullptr);
}

void GdiCanvas::TextOutW(int32_t x, int32_t y, const wchar_t* text, int32_t count, ColorRef fg,
                         ColorRef bk) {
    SetColors(fg, bk);
    SetBkMode(m_h_dc, OPAQUE);
    ::TextOutW(m_h_dc, x, y, text, count);
}

int GdiCanvas::TextExtent(const wchar_t* text, int32_t count, int32_t* cx, int32_t* cy) {
    SIZE size = {};
    if (!GetTextExtentPoint32W(m_h_dc, text, count, &size)) {
        return 0;
    }
    *cx = size.cx;
    *cy = size.cy;
    return 1;
}

int GdiCanvas::CharAbcWidths(wchar_t ch, double* a, double* b, double* c) {
    ABCFLOAT abc = {};
    if (!GetCharABCWidthsFloatW(m_h_dc, ch, ch, &abc)) {
        return 0;
    }
    *a = abc.abcfA;
    *b = abc.abcfB;
    *c = abc.abcfC;
    return 1;
}

int32_t GdiCanvas::LogPixelsY() {
    const int32_t dpi = WindowDpi(m_h_scale_window);
    return dpi > 0 ? dpi : GetDeviceCaps(m_h_dc, LOGPIXELSY);
}

int32_t WindowDpi(HWND window) {
    // GetDpiForWindow exists from Windows 10 1607 on; looked up so that the
    // program still starts on older systems.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto get_dpi = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return window && get_dpi ? static_cast<int32_t>(get_dpi(window)) : 0;
}

void* GdiCanvas::NewFont(const FontRequest& request) {
    LOGFONTW font = {};
    font.lfHeight = request.m_n_height;
    font.lfWeight = request.m_n_weight;
    font.lfItalic = request.m_b_italic ? TRUE : FALSE;
    font.lfCharSet = ANSI_CHARSET;
    std::wcsncpy(font.lfFaceName, request.m_sz_face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

void GdiCanvas::UseFont(void* font) {
    SelectObject(m_h_dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
}

void GdiCanvas::FreeFont(void* font) {
    if (font) {
        DeleteObject(static_cast<HGDIOBJ>(font));
    }
}
