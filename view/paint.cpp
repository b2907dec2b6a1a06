// Painting of a document: header, addresses, hex cells and
// characters, each cell in the colours of its selection, change and marker state.
#include "view/paint.h"

#include "base/hex_digits.h"
#include "data/data_plane.h"
#include "view/geometry.h"
#include "view/view_state.h"

namespace {

// Reads up to count effective bytes from offset with their pending-change flags,
// locating the first piece once and walking on from there. Stops at the first
// byte that cannot be read; returns the number of bytes read.
int64_t FetchSpan(const CallBackInfo* doc, int64_t offset, int64_t count, CSrclibrary* source,
                  uint8_t* bytes, uint8_t* modified) {
    const CDataPlane* plane = doc->m_p_data_plane;
    if (!plane || count <= 0 || offset < 0) {
        return 0;
    }
    PieceCursor cursor(*plane, offset);
    int64_t start = cursor.Start();
    const PlanePiece* piece = cursor.Piece();
    int64_t n = 0;
    while (piece && n < count) {
        const int64_t relative = offset + n - start;
        if (relative >= piece->m_n_length) {
            start += piece->m_n_length;
            cursor.Next();
            piece = cursor.Piece();
            continue;
        }
        if (piece->m_n_kind != PIECE_SOURCE) {
            bytes[n] = piece->m_p_bytes[relative];
            modified[n] = 1;
        } else {
            const uint8_t* byte =
                source ? source->GetData(piece->m_n_src_begin + relative) : nullptr;
            if (!byte) {
                break;
            }
            bytes[n] = *byte;
            modified[n] = 0;
        }
        ++n;
    }
    return n;
}

// The 16 hex digits of a 64-bit value (painting allocates nothing, so no
// formatting through strings here).
void FormatAddress(uint64_t value, wchar_t* out) {
    for (int i = 15; i >= 0; --i) {
        out[i] = WideHexDigit(value & 0xF);
        value >>= 4;
    }
    out[16] = 0;
}

} // namespace

CellColors PickCellColors(const CallBackInfo* doc, int selected, int marker, int modified) {
    if (marker) {
        return {selected ? doc->m_cr_sel_fg : doc->m_cr_hex_fg, doc->m_cr_marker_bk};
    }
    if (selected) {
        if (modified) {
            return {doc->m_cr_modified_fg ^ doc->m_cr_sel_fg,
                    doc->m_cr_modified_bk ^ doc->m_cr_sel_bk};
        }
        return {doc->m_cr_sel_fg, doc->m_cr_sel_bk};
    }
    if (modified) {
        return {doc->m_cr_modified_fg, doc->m_cr_modified_bk};
    }
    return {doc->m_cr_hex_fg, doc->m_cr_hex_bk};
}

int PaintDocument(CallBackInfo* doc, Canvas* canvas, int32_t client_height, const ByteMarks* marks,
                  ColorRef mark_bk) {
    if (!canvas || !doc) {
        return 0;
    }
    const int64_t first = doc->m_n_top_line * 16;
    const int64_t remaining = doc->m_n_data_size - first;
    if (remaining <= 0) {
        return 0;
    }
    const int64_t count = remaining < kMaxPaintBytes ? remaining : kMaxPaintBytes;
    const int32_t m = doc->m_n_cell_width;
    const int32_t s = doc->m_n_space_width;
    const int32_t h = doc->m_n_line_height;
    const int32_t xc = CharColumnLeft(doc);

    for (int c = 0; c < 16; ++c) {
        const wchar_t label[2] = {WideHexDigit(c), 0};
        canvas->TextOutW(HexCellLeft(doc, c), 0, label, 1, doc->m_cr_header_fg,
                         doc->m_cr_header_bk);
        canvas->TextOutW(xc + c * (s + 2), 0, label, 1, doc->m_cr_header_fg, doc->m_cr_header_bk);
    }

    const int64_t sel_a = doc->m_n_sel_anchor;
    const int64_t sel_b = doc->m_n_sel_active;
    const int64_t sel_lo = sel_a < sel_b ? sel_a : sel_b;
    const int64_t sel_hi = sel_a < sel_b ? sel_b : sel_a;
    const bool has_selection = sel_lo >= 0 || sel_hi >= 0;

    // Rows are drawn while the last one drawn starts above the bottom, so only
    // the bytes of those rows are read.
    int64_t rows = 1;
    if (h > 0 && client_height > 0) {
        rows = (client_height + h - 1) / h;
        if (rows < 1) {
            rows = 1;
        }
    }
    const int64_t wanted = count < rows * 16 ? count : rows * 16;
    CSrclibrary* source = nullptr;
    if (doc->m_n_source_kind == 0) {
        source = &doc->m_file_mapping;
    } else if (doc->m_n_source_kind == 1) {
        source = &doc->m_proc_info;
    }
    uint8_t bytes[kMaxPaintBytes];
    uint8_t modified[kMaxPaintBytes];
    const int64_t read = source ? FetchSpan(doc, first, wanted, source, bytes, modified) : 0;
    doc->m_b_cur_modified = (read > 0 && read == wanted) ? modified[read - 1] : 0;
    // One byte past the span too, so a band of marked bytes knows whether the
    // gap after its last shown byte belongs to it.
    uint8_t marked[kMaxPaintBytes + 1] = {};
    if (marks && read > 0) {
        marks->MarkSpan(first, read + 1, marked);
    }

    wchar_t address[17];
    wchar_t digits[2];
    char character[1];
    for (int64_t i = 0; i < rows; ++i) {
        const int32_t y = static_cast<int32_t>((i + 1) * h);
        const int64_t row_first = first + 16 * i;
        if (row_first >= first + count) {
            break;
        }
        const int64_t shown = doc->m_n_source_kind == 1 ? SourceAddress(doc, row_first) : row_first;
        FormatAddress(static_cast<uint64_t>(shown), address);
        canvas->TextOutW(0, y, address, 16, doc->m_cr_line_number_fg, doc->m_cr_line_number_bk);

        int32_t x = doc->m_n_hex_left;
        int32_t cx = xc;
        for (int c = 0; c < 16; ++c) {
            const int64_t o = row_first + c;
            if (o >= first + count) {
                break;
            }
            const int64_t index = o - first;
            if (index >= read) {
                return 1; // unreadable byte: the rest stays in the fill colour
            }
            const uint8_t byte = bytes[index];
            const int is_marker = o == doc->m_n_marker_offset;
            const int is_selected = has_selection && sel_lo <= o && o <= sel_hi;
            CellColors colors = PickCellColors(doc, is_selected, is_marker, modified[index]);
            // Selection and begin marker show over a bookmark.
            const bool is_marked = marked[index] && !is_selected && !is_marker;
            if (is_marked) {
                colors.m_cr_bk = mark_bk;
            }

            digits[0] = WideHexDigit(byte >> 4);
            digits[1] = WideHexDigit(byte & 0xF);
            canvas->OpaqueTextW(x, y, {x, y, x + m, y + h}, digits, 2, colors.m_cr_fg,
                                colors.m_cr_bk);
            character[0] = (byte >= 0x20 && byte <= 0x7E) ? static_cast<char>(byte) : '.';
            canvas->OpaqueTextA(cx, y, {cx, y, cx + s + 2, y + h}, character, 1, colors.m_cr_fg,
                                colors.m_cr_bk);
            cx += s + 2;

            bool gap_selected = is_selected;
            if (o == sel_hi) {
                colors = {doc->m_cr_hex_fg, doc->m_cr_hex_bk};
                gap_selected = false;
                if (marked[index] && marked[index + 1]) {
                    colors.m_cr_bk = mark_bk; // the bookmark goes on past the selection
                }
            }
            if (o == first + count - 1) {
                return 1;
            }
            if (is_marker) {
                colors.m_cr_bk = gap_selected ? doc->m_cr_sel_bk : doc->m_cr_hex_bk;
            }
            if (is_marked && !marked[index + 1]) {
                colors.m_cr_bk = modified[index] ? doc->m_cr_modified_bk : doc->m_cr_hex_bk;
            }
            x += m;
            if ((c + 1) % 8 != 0) {
                canvas->OpaqueTextW(x, y, {x, y, x + s, y + h}, L" ", 1, colors.m_cr_fg,
                                    colors.m_cr_bk);
                x += s;
            }
            if (c == 7) {
                canvas->OpaqueTextW(x, y, {x, y, x + 2 * s, y + h}, L"  ", 2, colors.m_cr_fg,
                                    colors.m_cr_bk);
                x += 2 * s;
            }
        }
    }
    return 1;
}

int PaintView(CallBackInfo* doc, const ViewState* state, Canvas* canvas, int32_t client_width,
              int32_t client_height) {
    if (!canvas || !doc || !state || !state->m_b_document_open) {
        return 0;
    }
    canvas->FillRect({0, 0, client_width, client_height}, state->m_cr_background);
    PaintDocument(doc, canvas, client_height, state->m_p_byte_marks, state->m_cr_bookmark_bk);
    return 1;
}
