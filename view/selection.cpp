// Selection, caret and navigation: the operations that move the anchor, the
// active end and the caret, hex digit entry, the markers and the status texts.
#include "view/selection.h"

#include "base/format_text.h"
#include "base/hex_digits.h"
#include "data/data_plane.h"
#include "view/geometry.h"
#include "view/view_host.h"

namespace {

constexpr CaretPoint kHidden = {kHiddenCoordinate, kHiddenCoordinate};

// Size of the one caret; replaced whenever a caret is made.
int32_t g_n_caret_width = 0;
int32_t g_n_caret_height = 0;

bool IsHidden(const CaretPoint& point) {
    return point.x == kHiddenCoordinate && point.y == kHiddenCoordinate;
}

int64_t Lower(const CallBackInfo* doc) {
    return doc->m_n_sel_anchor < doc->m_n_sel_active ? doc->m_n_sel_anchor : doc->m_n_sel_active;
}

int64_t Upper(const CallBackInfo* doc) {
    return doc->m_n_sel_anchor < doc->m_n_sel_active ? doc->m_n_sel_active : doc->m_n_sel_anchor;
}

CSrclibrary* SourceOf(CallBackInfo* doc) {
    if (doc->m_n_source_kind == 0) {
        return &doc->m_file_mapping;
    }
    if (doc->m_n_source_kind == 1) {
        return &doc->m_proc_info;
    }
    return nullptr;
}

// Rows of the control window (header row and the status bar's part included).
int64_t WindowRows(const CallBackInfo* doc) {
    if (doc->m_n_line_height <= 0) {
        return 0;
    }
    return CurrentViewHost()->WindowHeight() / doc->m_n_line_height;
}

} // namespace

void SetCaretSize(int32_t width, int32_t height) {
    g_n_caret_width = width;
    g_n_caret_height = height;
}

void GetCaretSize(int32_t* width, int32_t* height) {
    *width = g_n_caret_width;
    *height = g_n_caret_height;
}

void WriteSelectionStatus(const CallBackInfo* doc, int with_count, int slash_form) {
    if (!doc || doc->m_n_sel_anchor < 0 || doc->m_n_sel_active < 0) {
        return;
    }
    const int64_t start = Lower(doc);
    const int64_t end = Upper(doc);
    SetStatusText(1, FormatText(L"Begin: 0x%I64X", start).c_str());
    SetStatusText(2, FormatText(L"End: 0x%I64X", end).c_str());
    if (with_count) {
        const int64_t count = end - start + 1;
        const wchar_t* format =
            slash_form ? L"Selected: 0x%I64X / %I64d" : L"Selected: 0x%I64X ~ %I64d";
        SetStatusText(3, FormatText(format, count, count).c_str());
    }
}

void PlaceCaret(CallBackInfo* doc) {
    if (!doc) {
        return;
    }
    CaretPoint point = kHidden;
    if (doc->m_n_caret_offset >= 0) {
        BytePosition(doc, doc->m_n_caret_offset, &point);
    }
    doc->m_pt_caret = point;
    ViewHost* host = CurrentViewHost();
    // Without the focus the system caret is another window's: the position is
    // only kept for when the focus comes back.
    if (doc->m_b_has_focus) {
        host->SetCaretPos(point.x, point.y);
    }
    host->Invalidate();
}

namespace {

// The document, with the offset clamped to its last byte; null when there is
// no document or no byte to go to (an empty one is repainted).
CallBackInfo* DocumentAt(CallBackInfo* doc, int64_t* offset) {
    if (!doc) {
        return nullptr;
    }
    if (*offset > doc->m_n_data_size - 1) {
        *offset = doc->m_n_data_size - 1;
    }
    if (*offset < 0) {
        CurrentViewHost()->Invalidate();
        return nullptr;
    }
    return doc;
}

// Selects the one byte at offset, the caret on its high digit; the status
// counts that one byte (slash_form as WriteSelectionStatus takes it). Always 1.
int SelectOne(CallBackInfo* doc, int64_t offset, int slash_form) {
    doc->m_n_sel_anchor = offset;
    doc->m_n_sel_active = offset;
    doc->m_b_low_nibble = 0;
    doc->m_n_edit_pos = -1;
    doc->m_n_caret_offset = offset;
    PlaceCaret(doc);
    WriteSelectionStatus(doc, 1, slash_form);
    return 1;
}

// Moves the selection's active end to offset and the caret to the selection's
// start; the status shows the count (slash_form as WriteSelectionStatus takes
// it). Always 1.
int MoveActiveEnd(CallBackInfo* doc, int64_t offset, int slash_form) {
    doc->m_n_sel_active = offset;
    doc->m_n_caret_offset = Lower(doc);
    PlaceCaret(doc);
    WriteSelectionStatus(doc, 1, slash_form);
    return 1;
}

} // namespace

int GoToOffset(CallBackInfo* doc, int64_t offset) {
    if (!DocumentAt(doc, &offset)) {
        return 0;
    }
    return SelectOne(doc, offset, 0);
}

int ExtendToOffset(CallBackInfo* doc, int64_t offset) {
    if (!DocumentAt(doc, &offset)) {
        return 0;
    }
    // Extending with nothing selected starts the selection at the target, so
    // that no half-set selection (one end -1) can arise.
    if (doc->m_n_sel_anchor < 0) {
        doc->m_n_sel_anchor = offset;
    }
    return MoveActiveEnd(doc, offset, 0);
}

int ClickAtPoint(CallBackInfo* doc, int x, int y) {
    if (!doc) {
        return 0;
    }
    doc->m_n_sel_anchor = -1;
    doc->m_n_sel_active = -1;
    int64_t offset = -1;
    if (!HitTest(doc, x, y, &offset)) {
        return 0;
    }
    return SelectOne(doc, offset, 1);
}

int ExtendToPoint(CallBackInfo* doc, int x, int y) {
    if (!doc || doc->m_n_sel_anchor < 0) {
        return 0;
    }
    x = static_cast<int16_t>(x);
    y = static_cast<int16_t>(y);
    const int32_t h = doc->m_n_line_height;
    if (h <= 0) {
        return 0;
    }
    int64_t row = y / h - 1;
    if (row < 0) {
        row = 0;
    }
    const int32_t left = doc->m_n_hex_left;
    const int32_t right = left + 16 * (doc->m_n_cell_width + doc->m_n_space_width);
    int column;
    if (x < left || x > right) {
        column = doc->m_n_sel_active >= doc->m_n_sel_anchor ? 15 : 0;
    } else {
        column = HitColumn(doc, x);
        if (column < 0) {
            return 0;
        }
    }
    int64_t active = (doc->m_n_top_line + row) * 16 + column;
    if (active > doc->m_n_data_size - 1) {
        active = doc->m_n_data_size - 1;
    }
    if (active < 0) {
        return 0;
    }
    return MoveActiveEnd(doc, active, 1);
}

int MoveCaret(CallBackInfo* doc, ViewState* state, int mode, int64_t delta) {
    if (!doc) {
        return 0;
    }
    int64_t target = 0;
    if (mode == 0) {
        target = delta;
    } else if (mode == 1) {
        target = SelectionStart(doc) + delta;
    }
    if (target < 0 || target > doc->m_n_data_size - 1) {
        return 0;
    }
    ScrollIntoView(doc, state, target);
    return GoToOffset(doc, target);
}

int ExtendBy(CallBackInfo* doc, ViewState* state, int64_t delta) {
    if (!doc || doc->m_n_sel_active < 0 || doc->m_n_sel_anchor < 0) {
        return 0;
    }
    const int64_t target = doc->m_n_sel_active + delta;
    if (target < 0 || target > doc->m_n_data_size - 1) {
        return 0;
    }
    ScrollIntoView(doc, state, target);
    return ExtendToOffset(doc, target);
}

void ScrollIntoView(CallBackInfo* doc, ViewState* state, int64_t offset) {
    if (!doc || offset < 0) {
        return;
    }
    const int64_t rows = WindowRows(doc);
    const int64_t line = offset / 16;
    const int64_t top = doc->m_n_top_line;
    if (offset < (top + 2) * 16) {
        ScrollToLine(doc, line - 2);
    } else if (offset < (top + rows - 4) * 16) {
        return;
    } else {
        ScrollToLine(doc, line + 4 - rows);
    }
    if (doc->m_n_top_line != top) {
        SyncThumb(doc, state, doc->m_n_top_line);
        CurrentViewHost()->Invalidate();
    }
}

void ClearSelection(CallBackInfo* doc) {
    if (!doc) {
        return;
    }
    doc->m_n_sel_anchor = -1;
    doc->m_n_sel_active = -1;
    doc->m_n_edit_pos = -1;
    doc->m_b_low_nibble = 0;
    doc->m_n_caret_offset = -1;
    PlaceCaret(doc);
    for (int part = 1; part <= 3; ++part) {
        SetStatusText(part, L"");
    }
}

int64_t SelectionStart(const CallBackInfo* doc) {
    return doc ? Lower(doc) : -1;
}

int64_t SelectionEnd(const CallBackInfo* doc) {
    return doc ? Upper(doc) : -1;
}

int SetBeginPosition(CallBackInfo* doc, ViewState* state) {
    if (!doc || !state) {
        return 0;
    }
    state->m_n_begin_marker = SelectionStart(doc);
    doc->m_n_marker_offset = state->m_n_begin_marker;
    CurrentViewHost()->Invalidate();
    return 1;
}

int SetEndPosition(CallBackInfo* doc, ViewState* state) {
    if (!doc || !state) {
        return 0;
    }
    state->m_n_end_marker = SelectionStart(doc);
    GoToOffset(doc, state->m_n_begin_marker);
    const int result = ExtendToOffset(doc, state->m_n_end_marker);
    state->m_n_begin_marker = -1;
    state->m_n_end_marker = -1;
    doc->m_n_marker_offset = -1;
    CurrentViewHost()->Invalidate();
    return result;
}

int RefusedWhileRead(const CallBackInfo* doc) {
    if (!DocumentBeingRead(doc)) {
        return 0;
    }
    SetStatusText(3, kDocumentBusyText);
    return 1;
}

int TypeDigit(CallBackInfo* doc, ViewState* state, unsigned ch) {
    if (!doc || RefusedWhileRead(doc)) {
        return 0;
    }
    if (doc->m_n_sel_anchor < 0 || doc->m_n_sel_active < 0) {
        doc->m_n_edit_pos = -1;
        return 0;
    }
    const int value = HexValue(ch);
    if (value < 0) {
        return 0;
    }
    CSrclibrary* source = SourceOf(doc);
    if (!source || !doc->m_p_data_plane) {
        return 0;
    }
    doc->m_n_last_nibble = static_cast<uint8_t>(value);
    const int high = doc->m_b_low_nibble == 0;
    if (doc->m_n_edit_pos < 0) {
        // Typing starts afresh (a click or a new selection): a new undo step.
        doc->m_history.EndTyping();
        doc->m_n_edit_pos = SelectionStart(doc);
    }
    if (!doc->TypeNibble(doc->m_n_edit_pos, static_cast<uint8_t>(value), high, source)) {
        return 0; // nothing written: the caret stays on the same half
    }
    doc->m_b_low_nibble = high ? 1 : 0;
    if (!high) {
        ++doc->m_n_edit_pos;
    }
    if (doc->m_n_edit_pos > SelectionEnd(doc)) {
        doc->m_n_edit_pos = SelectionStart(doc);
    }
    doc->m_n_caret_offset = doc->m_n_edit_pos;
    PlaceCaret(doc);
    ScrollIntoView(doc, state, doc->m_n_edit_pos);
    return 1;
}

const wchar_t kEditModeOffText[] = L"Edit mode is off (double click or Edit > Edit mode)";

int SayEditModeOff(const CallBackInfo* doc) {
    if (!doc || doc->m_b_read_only) {
        return 0;
    }
    SetStatusText(3, kEditModeOffText);
    return 1;
}

int TypeKey(CallBackInfo* doc, ViewState* state, unsigned ch) {
    if (state && state->m_b_edit_mode) {
        return TypeDigit(doc, state, ch);
    }
    if (HexValue(ch) >= 0) {
        SayEditModeOff(doc);
    }
    return 0;
}

int CreateViewCaret(CallBackInfo* doc, ViewState* state) {
    if (!doc || !state || !doc->m_b_has_focus) {
        return 0;
    }
    DestroyViewCaret();
    g_n_caret_width = doc->m_n_cell_width / 2;
    g_n_caret_height = doc->m_n_line_height;
    ViewHost* host = CurrentViewHost();
    if (!host->CreateCaret(g_n_caret_width, g_n_caret_height,
                           doc->m_cr_sel_bk ^ state->m_cr_caret)) {
        return 0;
    }
    if (!IsHidden(doc->m_pt_caret)) {
        BytePosition(doc, doc->m_n_caret_offset, &doc->m_pt_caret);
    }
    host->SetCaretPos(doc->m_pt_caret.x, doc->m_pt_caret.y);
    host->ShowCaret();
    return 1;
}

void DestroyViewCaret() {
    CurrentViewHost()->DestroyCaret();
}

int SetEditMode(CallBackInfo* doc, ViewState* state, int on) {
    if (!state) {
        return 0;
    }
    // A document opened read-only is never edited.
    if (doc && doc->m_b_read_only) {
        on = 0;
    }
    state->m_b_edit_mode = on ? 1 : 0;
    if (on && doc) {
        CreateViewCaret(doc, state);
    } else {
        DestroyViewCaret();
    }
    CurrentViewHost()->Invalidate();
    return state->m_b_edit_mode;
}

CaretPoint CaretPositionForFocus(CallBackInfo* doc) {
    if (!doc) {
        return kHidden;
    }
    if (!IsHidden(doc->m_pt_caret)) {
        BytePosition(doc, doc->m_n_caret_offset, &doc->m_pt_caret);
    }
    return doc->m_pt_caret;
}
