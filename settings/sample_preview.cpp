// The Fonts and Colors page's sample: font, metrics, caret and painting.
#include "settings/sample_preview.h"

#include "base/hex_digits.h"
#include "view/geometry.h"

#include <cwchar>

namespace {

const char kSampleText[] = "pelmora sample data.";
constexpr int kSampleRows = kSampleByteCount / kSampleBytesPerRow;

void CopyName(wchar_t* out, const wchar_t* text) {
    std::wcsncpy(out, text ? text : L"", 31);
    out[31] = 0;
}

struct Pair {
    ColorRef m_cr_fg;
    ColorRef m_cr_bk;
};

// The colours of sample byte i: the marker stands on byte 1, the selection
// covers 3..8 of which 5..7 are modified, 11..12 are modified outside it, and
// a bookmark covers 13..15.
Pair ByteColors(int i, const ItemColors& c) {
    switch (i) {
    case 1:
        return {c.color_hex_text_fg, c.color_selection_marker_bk};
    case 3:
    case 4:
    case 8:
        return {c.color_selected_text_fg, c.color_selected_text_bk};
    case 5:
    case 6:
    case 7:
        return {c.color_modified_text_fg ^ c.color_selected_text_fg,
                c.color_modified_text_bk ^ c.color_selected_text_bk};
    case 11:
    case 12:
        return {c.color_modified_text_fg, c.color_modified_text_bk};
    case 13:
    case 14:
    case 15:
        return {c.color_hex_text_fg, c.color_bookmark_bk};
    default:
        return {c.color_hex_text_fg, c.color_hex_text_bk};
    }
}

} // namespace

uint8_t SampleByte(int index) {
    if (index < 0 || index >= kSampleByteCount) {
        return 0;
    }
    // UTF-16LE: each character's low byte, then its high byte (always 0 here).
    return index % 2 ? 0 : static_cast<uint8_t>(kSampleText[index / 2]);
}

int SampleModel::SetAttributes(Canvas* canvas, const wchar_t* face, const wchar_t* style, int size,
                               const ItemColors& colors) {
    CopyName(m_sz_face, face);
    CopyName(m_sz_style, style);
    m_n_size = size;
    m_colors = colors;
    if (!canvas) {
        return 0;
    }
    void* font = canvas->NewFont(MakeFontRequest(canvas, m_sz_face, m_sz_style, size));
    if (!font) {
        return 0;
    }
    canvas->UseFont(font);
    if (m_p_font) {
        canvas->FreeFont(m_p_font);
    }
    m_p_font = font;

    m_n_cell_width = HexPairWidth(canvas);
    m_n_space_width = TextWidth(canvas, L" ");
    m_n_address_width = TextWidth(canvas, L"0001") + 2 * m_n_space_width;
    m_n_line_height = ::LineHeight(canvas);
    return 1;
}

SampleCaret SampleModel::Caret() const {
    SampleCaret caret = {};
    caret.m_n_x = m_n_address_width + 3 * (m_n_cell_width + m_n_space_width);
    caret.m_n_y = m_n_line_height;
    caret.m_n_width = m_n_cell_width / 2;
    caret.m_n_height = m_n_line_height;
    caret.m_cr_pixel = m_colors.color_caret_fg ^ m_colors.color_selected_text_bk;
    return caret;
}

void SampleModel::PaintByte(Canvas* canvas, int i) const {
    const int32_t m = m_n_cell_width;
    const int32_t s = m_n_space_width;
    const int32_t h = m_n_line_height;
    const int column = i % kSampleBytesPerRow;
    const int32_t y = h * (i / kSampleBytesPerRow + 1);
    const int32_t x = m_n_address_width + column * (m + s);
    const uint8_t byte = SampleByte(i);
    const Pair cell = ByteColors(i, m_colors);
    // Next to the marker the gap and the character take the plain text background.
    const Pair beside =
        i == 1 ? Pair{m_colors.color_hex_text_fg, m_colors.color_hex_text_bk} : cell;

    const wchar_t digits[2] = {WideHexDigit(byte >> 4), WideHexDigit(byte & 0xF)};
    canvas->OpaqueTextW(x, y, {x, y, x + m, y + h}, digits, 2, cell.m_cr_fg, cell.m_cr_bk);
    if (column < kSampleBytesPerRow - 1) {
        canvas->OpaqueTextW(x + m, y, {x + m, y, x + m + s, y + h}, L" ", 1, beside.m_cr_fg,
                            beside.m_cr_bk);
    }
    const int32_t cx = m_n_address_width + kSampleBytesPerRow * (m + s) + column * s;
    const wchar_t character[1] = {byte >= 0x20 && byte <= 0x7E ? static_cast<wchar_t>(byte) : L'.'};
    canvas->OpaqueTextW(cx, y, {cx, y, cx + s, y + h}, character, 1, beside.m_cr_fg,
                        beside.m_cr_bk);
}

void SampleModel::Paint(Canvas* canvas, int32_t width, int32_t height) const {
    if (!canvas) {
        return;
    }
    const ItemColors& c = m_colors;
    canvas->FillRect({0, 0, width, height}, c.color_background_fg);
    const int32_t step = m_n_cell_width + m_n_space_width;
    for (int k = 0; k < kSampleBytesPerRow; ++k) {
        const wchar_t label[1] = {WideHexDigit(k)};
        canvas->TextOutW(m_n_address_width + k * step, 0, label, 1, c.color_header_fg,
                         c.color_header_bk);
    }
    canvas->TextOutW(m_n_address_width + kSampleBytesPerRow * step, 0, L"0123", 4,
                     c.color_header_fg, c.color_header_bk);
    for (int r = 0; r < kSampleRows; ++r) {
        const int offset = kSampleBytesPerRow * r;
        const wchar_t address[4] = {WideHexDigit((offset >> 12) & 0xF),
                                    WideHexDigit((offset >> 8) & 0xF),
                                    WideHexDigit((offset >> 4) & 0xF), WideHexDigit(offset & 0xF)};
        canvas->TextOutW(0, m_n_line_height * (r + 1), address, 4, c.color_line_number_fg,
                         c.color_line_number_bk);
    }
    for (int i = 0; i < kSampleByteCount; ++i) {
        PaintByte(canvas, i);
    }
}

void SampleModel::Release(Canvas* canvas) {
    if (m_p_font && canvas) {
        canvas->UseFont(nullptr);
        canvas->FreeFont(m_p_font);
    }
    m_p_font = nullptr;
}
