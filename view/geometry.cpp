// View geometry: metrics, layout, hit test, byte positions, scrolling and the
// scroll bar mapping, font creation.
#include "view/geometry.h"

#include "base/hex_digits.h"
#include "view/view_host.h"

#include <cstring>
#include <cwchar>

namespace {

constexpr CaretPoint kHidden = {kHiddenCoordinate, kHiddenCoordinate};

// Metrics in use; a document without metrics (h = 0) hits nothing and shows no rows.
bool HasMetrics(const CallBackInfo* doc) {
    return doc && doc->m_n_line_height > 0;
}

// Moves the system caret to the caret offset's position, leaving m_pt_caret
// alone. Without the focus the caret is another window's (a dialog's text
// box), so it is not touched.
void MoveSystemCaret(CallBackInfo* doc) {
    if (!doc->m_b_has_focus) {
        return;
    }
    CaretPoint point = kHidden;
    if (doc->m_n_caret_offset >= 0) {
        BytePosition(doc, doc->m_n_caret_offset, &point);
    }
    CurrentViewHost()->SetCaretPos(point.x, point.y);
}

wchar_t AsciiLower(wchar_t ch) {
    return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
}

bool EqualsNoCase(const wchar_t* a, const wchar_t* b) {
    for (; *a && *b; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b)) {
            return false;
        }
    }
    return *a == *b;
}

} // namespace

int32_t TextWidth(Canvas* canvas, const wchar_t* text) {
    if (!canvas || !text) {
        return 0;
    }
    const size_t n = std::wcslen(text);
    if (n == 0) {
        return 0;
    }
    int32_t width = 0;
    if (n > 1) {
        int32_t cx = 0;
        int32_t cy = 0;
        if (canvas->TextExtent(text, static_cast<int32_t>(n - 1), &cx, &cy)) {
            width = cx;
        }
    }
    double a = 0;
    double b = 0;
    double c = 0;
    if (canvas->CharAbcWidths(text[n - 1], &a, &b, &c)) {
        if (c < 0) {
            c = 0;
        }
        width += static_cast<int32_t>(a + b + c);
    }
    return width;
}

int32_t LineHeight(Canvas* canvas) {
    int32_t cx = 0;
    int32_t cy = 0;
    if (!canvas || !canvas->TextExtent(L"ajm", 3, &cx, &cy)) {
        return 0;
    }
    return cy;
}

int32_t MainWindowWidth(int32_t cell_width, int32_t space_width) {
    return 46 * space_width + 24 * cell_width + 52;
}

int32_t HexPairWidth(Canvas* canvas) {
    int32_t cell = 0;
    for (int i = 0; i < 16; ++i) {
        for (int j = 0; j < 16; ++j) {
            const wchar_t pair[3] = {WideHexDigit(i), WideHexDigit(j), 0};
            const int32_t width = TextWidth(canvas, pair);
            if (width > cell) {
                cell = width;
            }
        }
    }
    return cell;
}

int ComputeMetrics(CallBackInfo* doc) {
    Canvas* canvas = CurrentViewHost()->MemoryCanvas();
    if (!doc || !canvas) {
        return 0;
    }
    const int32_t cell = HexPairWidth(canvas);
    const int32_t space = TextWidth(canvas, L" ");
    ViewOptions options = {};
    options.m_n_mask = 0xF;
    options.m_n_hex_left = 8 * cell + 4 * space;
    options.m_n_cell_width = cell;
    options.m_n_space_width = space;
    options.m_n_line_height = LineHeight(canvas);
    ApplyViewOptions(doc, options);
    CurrentViewHost()->FitMainWindowWidth(MainWindowWidth(cell, space));
    return 1;
}

int32_t HexCellLeft(const CallBackInfo* doc, int column) {
    const int32_t m = doc->m_n_cell_width;
    const int32_t s = doc->m_n_space_width;
    return doc->m_n_hex_left + column * (m + s) + (column >= 8 ? s : 0);
}

int32_t CharColumnLeft(const CallBackInfo* doc) {
    const int32_t s = doc->m_n_space_width;
    return doc->m_n_hex_left + 16 * (doc->m_n_cell_width + s) + 4 * s;
}

int HitColumn(const CallBackInfo* doc, int32_t x) {
    const int32_t m = doc->m_n_cell_width;
    const int32_t s = doc->m_n_space_width;
    for (int c = 0; c < 16; ++c) {
        const int32_t left = HexCellLeft(doc, c);
        const int32_t right = c < 15 ? HexCellLeft(doc, c + 1) : left + m + s;
        if (x >= left && x < right) {
            return c;
        }
    }
    return -1;
}

int HitTest(CallBackInfo* doc, int32_t x, int32_t y, int64_t* offset) {
    if (!doc) {
        return 0;
    }
    x = static_cast<int16_t>(x);
    y = static_cast<int16_t>(y);
    const int32_t m = doc->m_n_cell_width;
    const int32_t s = doc->m_n_space_width;
    const int32_t h = doc->m_n_line_height;
    const int32_t left = doc->m_n_hex_left;
    const int64_t size = doc->m_n_data_size;
    int64_t q = size / 16;
    if (q == 0) {
        q = 1;
    }
    int column = -1;
    int64_t row = 0;
    if (HasMetrics(doc) && x >= left && x <= left + 16 * (m + s) && y >= h) {
        row = y / h - 1;
        if (doc->m_n_top_line + row <= q) {
            column = HitColumn(doc, x);
        }
    }
    int64_t hit = -1;
    if (column >= 0) {
        hit = doc->m_n_top_line * 16 + row * 16 + column;
        // Empty cells of the last row and the row below select the last byte,
        // as the keyboard and drag paths do.
        if (hit > size - 1) {
            hit = size - 1;
        }
    }
    if (hit < 0) {
        doc->m_n_caret_offset = -1;
        doc->m_pt_caret = kHidden;
        return 0;
    }
    if (offset) {
        *offset = hit;
    }
    return 1;
}

int BytePosition(const CallBackInfo* doc, int64_t offset, CaretPoint* point) {
    if (!doc || offset < 0 || !point) {
        return 0;
    }
    const int32_t m = doc->m_n_cell_width;
    const int32_t s = doc->m_n_space_width;
    const int32_t h = doc->m_n_line_height;
    const int64_t line = offset / 16;
    const int c = static_cast<int>(offset % 16);
    const int64_t r = line - doc->m_n_top_line;
    if (!HasMetrics(doc) || r < 0 || r > CurrentViewHost()->ClientHeight() / h) {
        *point = kHidden;
        return 1;
    }
    point->x =
        doc->m_n_hex_left + c * (m + s) + (c > 7 ? s : 0) + (doc->m_b_low_nibble ? m / 2 : 0);
    point->y = static_cast<int32_t>((r + 1) * h);
    return 1;
}

int64_t MaxTopLine(const CallBackInfo* doc) {
    if (!doc || doc->m_n_data_size <= 0) {
        return 0;
    }
    return (doc->m_n_data_size - 1) / 16;
}

void ScrollBy(CallBackInfo* doc, int64_t delta) {
    if (!doc) {
        return;
    }
    const int64_t max_top = MaxTopLine(doc);
    if (delta == 0 || (delta < 0 && doc->m_n_top_line == 0) ||
        (delta > 0 && doc->m_n_top_line == max_top)) {
        return;
    }
    int64_t top = doc->m_n_top_line;
    // Clamp without overflowing on extreme deltas.
    if (delta > 0) {
        top = (delta > max_top - top) ? max_top : top + delta;
    } else {
        top = (-delta > top) ? 0 : top + delta;
    }
    if (top > max_top) {
        top = max_top;
    }
    doc->m_n_top_line = top;
    doc->m_n_top_offset = top * 16;
    MoveSystemCaret(doc);
}

void ScrollToLine(CallBackInfo* doc, int64_t line) {
    if (!doc) {
        return;
    }
    const int64_t old_top = doc->m_n_top_line;
    doc->m_n_top_line = 0;
    doc->m_n_top_offset = 0;
    ScrollBy(doc, line);
    // Going back to the first row scrolls by 0; the caret still has to follow.
    if (doc->m_n_top_line == 0 && old_top != 0) {
        MoveSystemCaret(doc);
    }
}

int64_t MulDivFloor(int64_t a, int64_t b, int64_t c) {
    if (c <= 0 || a <= 0 || b <= 0) {
        return 0;
    }
    const uint64_t ua = static_cast<uint64_t>(a);
    const uint64_t ub = static_cast<uint64_t>(b);
    const uint64_t a_lo = ua & 0xFFFFFFFFu;
    const uint64_t a_hi = ua >> 32;
    const uint64_t b_lo = ub & 0xFFFFFFFFu;
    const uint64_t b_hi = ub >> 32;
    const uint64_t p0 = a_lo * b_lo;
    const uint64_t p1 = a_lo * b_hi;
    const uint64_t p2 = a_hi * b_lo;
    const uint64_t p3 = a_hi * b_hi;
    const uint64_t mid = (p0 >> 32) + (p1 & 0xFFFFFFFFu) + (p2 & 0xFFFFFFFFu);
    const uint64_t lo = (p0 & 0xFFFFFFFFu) | (mid << 32);
    const uint64_t hi = p3 + (p1 >> 32) + (p2 >> 32) + (mid >> 32);
    // Long division of the 128-bit product; the remainder stays below c < 2^63.
    const uint64_t divisor = static_cast<uint64_t>(c);
    uint64_t remainder = 0;
    uint64_t q_hi = 0;
    uint64_t q_lo = 0;
    for (int bit = 127; bit >= 0; --bit) {
        const uint64_t next = bit >= 64 ? (hi >> (bit - 64)) & 1u : (lo >> bit) & 1u;
        remainder = (remainder << 1) | next;
        q_hi = (q_hi << 1) | (q_lo >> 63);
        q_lo <<= 1;
        if (remainder >= divisor) {
            remainder -= divisor;
            q_lo |= 1u;
        }
    }
    if (q_hi != 0 || q_lo > static_cast<uint64_t>(INT64_MAX)) {
        return INT64_MAX;
    }
    return static_cast<int64_t>(q_lo);
}

int64_t ScrollLines(const CallBackInfo* doc) {
    const int64_t lines = doc ? doc->m_n_data_size / 16 : 0;
    return lines > 0 ? lines : 1;
}

void SetScrollRange(ViewState* state, int64_t lines) {
    // The bar's values are signed 32-bit: beyond that one unit stands for
    // several rows, and the thumb still spans the whole document.
    int32_t max = 1;
    if (lines > kScrollLimit) {
        max = kScrollLimit;
    } else if (lines > 1) {
        max = static_cast<int32_t>(lines);
    }
    if (state) {
        state->m_n_scroll_max = max;
    }
    CurrentViewHost()->SetScrollRange(max);
}

namespace {

int32_t CurrentScrollMax(const ViewState* state) {
    ScrollState scroll = {};
    if (CurrentViewHost()->GetScrollState(&scroll)) {
        return scroll.m_n_max;
    }
    return state ? state->m_n_scroll_max : 0;
}

} // namespace

void SyncThumb(const CallBackInfo* doc, const ViewState* state, int64_t line) {
    if (!doc) {
        return;
    }
    const int64_t lines = ScrollLines(doc);
    const int32_t max = CurrentScrollMax(state);
    if (line < 0) {
        line = 0;
    }
    if (line > lines) {
        line = lines;
    }
    int64_t pos = max > 0 ? MulDivFloor(max, line, lines) : 0;
    if (pos > max) {
        pos = max;
    }
    CurrentViewHost()->SetScrollPos(static_cast<int32_t>(pos));
}

int64_t ThumbToLine(const CallBackInfo* doc, const ViewState* state, int32_t track) {
    if (!doc) {
        return 0;
    }
    const int32_t max = CurrentScrollMax(state);
    if (max <= 0 || track <= 0) {
        return 0;
    }
    return MulDivFloor(ScrollLines(doc), track > max ? max : track, max);
}

void MapFontStyle(const wchar_t* style, int32_t* weight, int32_t* italic) {
    *weight = 400;
    *italic = 0;
    if (!style) {
        return;
    }
    if (EqualsNoCase(style, L"Italic")) {
        *italic = 1;
    } else if (EqualsNoCase(style, L"Bold")) {
        *weight = 700;
    } else if (EqualsNoCase(style, L"Bold Italic")) {
        *weight = 700;
        *italic = 1;
    }
}

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
    if (c == 0) {
        return -1;
    }
    const int64_t product = static_cast<int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const uint64_t magnitude = static_cast<uint64_t>(product < 0 ? -product : product);
    const uint64_t divisor = static_cast<uint64_t>(c < 0 ? -static_cast<int64_t>(c) : c);
    const uint64_t quotient = (magnitude + divisor / 2) / divisor;
    if (quotient > static_cast<uint64_t>(INT32_MAX)) {
        return -1;
    }
    const int64_t result = static_cast<int64_t>(quotient);
    return static_cast<int32_t>(negative ? -result : result);
}

FontRequest MakeFontRequest(Canvas* canvas, const wchar_t* face, const wchar_t* style, int points) {
    FontRequest request = {};
    MapFontStyle(style, &request.m_n_weight, &request.m_b_italic);
    request.m_n_height = -MulDivRound(points, canvas->LogPixelsY(), 72);
    if (face) {
        const size_t capacity = sizeof(request.m_sz_face) / sizeof(request.m_sz_face[0]);
        std::wcsncpy(request.m_sz_face, face, capacity - 1);
        request.m_sz_face[capacity - 1] = 0;
    }
    return request;
}

int ApplyFont(CallBackInfo* doc, ViewState* state, const wchar_t* face, const wchar_t* style,
              int points, const ViewOptions* options) {
    Canvas* canvas = CurrentViewHost()->MemoryCanvas();
    if (!state || !canvas) {
        return 0;
    }
    canvas->UseFont(nullptr);
    if (state->m_h_font) {
        canvas->FreeFont(state->m_h_font);
        state->m_h_font = nullptr;
    }
    void* font = canvas->NewFont(MakeFontRequest(canvas, face, style, points));
    if (!font) {
        return 0;
    }
    state->m_h_font = font;
    canvas->UseFont(font);
    if (options && doc) {
        ApplyViewOptions(doc, *options);
    }
    ComputeMetrics(doc);
    CurrentViewHost()->Invalidate();
    return 1;
}
