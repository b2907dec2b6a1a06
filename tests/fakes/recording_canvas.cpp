// RecordingCanvas: keeps drawing calls, measures with a simple font model.
#include "tests/fakes/recording_canvas.h"

int32_t RecordingCanvas::Advance(wchar_t ch) const {
    const auto it = m_widths.find(ch);
    return it == m_widths.end() ? m_n_char_width : it->second;
}

void RecordingCanvas::FillRect(const CanvasRect& rect, ColorRef color) {
    m_ops.push_back({CanvasOp::kFill, rect.left, rect.top, rect, L"", color, color});
}

void RecordingCanvas::OpaqueTextW(int32_t x, int32_t y, const CanvasRect& rect, const wchar_t* text,
                                  int32_t count, ColorRef fg, ColorRef bk) {
    m_ops.push_back({CanvasOp::kTextW, x, y, rect, std::wstring(text, count), fg, bk});
}

void RecordingCanvas::OpaqueTextA(int32_t x, int32_t y, const CanvasRect& rect, const char* text,
                                  int32_t count, ColorRef fg, ColorRef bk) {
    std::wstring wide;
    for (int32_t i = 0; i < count; ++i) {
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(text[i])));
    }
    m_ops.push_back({CanvasOp::kTextA, x, y, rect, wide, fg, bk});
}

void RecordingCanvas::TextOutW(int32_t x, int32_t y, const wchar_t* text, int32_t count,
                               ColorRef fg, ColorRef bk) {
    int32_t width = 0;
    for (int32_t i = 0; i < count; ++i) {
        width += Advance(text[i]);
    }
    m_ops.push_back({CanvasOp::kTextOut,
                     x,
                     y,
                     {x, y, x + width, y + m_n_height},
                     std::wstring(text, count),
                     fg,
                     bk});
}

int RecordingCanvas::TextExtent(const wchar_t* text, int32_t count, int32_t* cx, int32_t* cy) {
    int32_t width = 0;
    for (int32_t i = 0; i < count; ++i) {
        width += Advance(text[i]);
    }
    *cx = width;
    *cy = m_n_height;
    return 1;
}

int RecordingCanvas::CharAbcWidths(wchar_t ch, double* a, double* b, double* c) {
    *a = 0;
    *b = Advance(ch) - m_n_c_width;
    *c = m_n_c_width;
    return 1;
}

void* RecordingCanvas::NewFont(const FontRequest& request) {
    if (m_b_fail_font) {
        return nullptr;
    }
    m_font_requests.push_back(request);
    ++m_n_live_fonts;
    return &m_n_font_tokens[m_n_next_token++ % 64];
}

void RecordingCanvas::FreeFont(void* font) {
    if (font) {
        --m_n_live_fonts;
    }
}

const CanvasOp* RecordingCanvas::OpAt(int32_t x, int32_t y) const {
    for (auto it = m_ops.rbegin(); it != m_ops.rend(); ++it) {
        const CanvasRect& r = it->m_rect;
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
            return &*it;
        }
    }
    return nullptr;
}

ColorRef RecordingCanvas::BackgroundAt(int32_t x, int32_t y, ColorRef fallback) const {
    const CanvasOp* op = OpAt(x, y);
    return op ? op->m_cr_bk : fallback;
}

size_t RecordingCanvas::Count(CanvasOp::Kind kind) const {
    size_t n = 0;
    for (const CanvasOp& op : m_ops) {
        n += op.m_kind == kind ? 1 : 0;
    }
    return n;
}
