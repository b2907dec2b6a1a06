// Mouse, wheel and scroll bar handling of the hex view control: drags with
// edge auto-scroll, wheel rows and font zoom, the scroll bar codes.
#include "view/control_logic.h"

#include "view/geometry.h"
#include "view/selection.h"
#include "view/view_host.h"

namespace {

DragState g_drag_state = {0, 0};
void (*g_p_edit_mode_hook)(int) = nullptr;

void SyncAndInvalidate(const CallBackInfo* doc, const ViewState* state) {
    SyncThumb(doc, state, doc->m_n_top_line);
    CurrentViewHost()->Invalidate();
}

// A drag from a press that hit no byte (the header row, the address column)
// selects nothing until the release, so it does not scroll either.
bool DragHasAnchor(const CallBackInfo* doc) {
    return doc->m_n_sel_anchor >= 0;
}

} // namespace

DragState& ControlDragState() {
    return g_drag_state;
}

void SetEditModeChangedHook(void (*hook)(int on)) {
    g_p_edit_mode_hook = hook;
}

int OnLeftButtonDown(CallBackInfo* doc, int32_t x, int32_t y, int shift) {
    if (!doc) {
        return 0;
    }
    ViewHost* host = CurrentViewHost();
    if (shift) {
        return ExtendToPoint(doc, x, y);
    }
    g_drag_state.m_b_dragging = 1;
    if (!ClickAtPoint(doc, x, y)) {
        if (doc->m_b_has_focus) {
            host->SetCaretPos(kHiddenCoordinate, kHiddenCoordinate);
        }
        host->Invalidate();
        return 0;
    }
    host->CaptureMouse();
    return 1;
}

void OnDragMove(CallBackInfo* doc, ViewState* state, int32_t x, int32_t y) {
    if (!doc || !g_drag_state.m_b_dragging || !DragHasAnchor(doc)) {
        return;
    }
    ViewHost* host = CurrentViewHost();
    y = static_cast<int16_t>(y);
    if (y + kEdgeZone > host->ClientBottom()) {
        g_drag_state.m_n_direction = 1;
    } else if (y - kEdgeZone < 0) {
        g_drag_state.m_n_direction = -1;
    } else {
        g_drag_state.m_n_direction = 0;
        host->TrackHover(0);
        ExtendToPoint(doc, x, y);
        return;
    }
    ScrollBy(doc, g_drag_state.m_n_direction);
    SyncThumb(doc, state, doc->m_n_top_line);
    ExtendToPoint(doc, x, y);
    host->TrackHover(1);
}

void OnDragHover(CallBackInfo* doc, ViewState* state, int32_t x, int32_t y) {
    if (!doc || !DragHasAnchor(doc)) {
        return;
    }
    if (g_drag_state.m_n_direction != 0) {
        ScrollBy(doc, g_drag_state.m_n_direction);
    }
    SyncThumb(doc, state, doc->m_n_top_line);
    ExtendToPoint(doc, x, y);
    CurrentViewHost()->TrackHover(1);
}

void OnLeftButtonUp(CallBackInfo* doc, int32_t x, int32_t y) {
    if (!doc) {
        return;
    }
    g_drag_state.m_b_dragging = 0;
    ExtendToPoint(doc, x, y);
    ViewHost* host = CurrentViewHost();
    host->ReleaseMouse();
    host->TrackHover(0);
}

int OnMouseWheel(CallBackInfo* doc, ViewState* state, int32_t delta, int ctrl) {
    if (ctrl) {
        // One size step per message, whatever the delta, also without a document.
        CurrentViewHost()->RequestFont(delta > 0 ? 1 : -1);
        return 1;
    }
    if (!doc) {
        return 0;
    }
    const int64_t lines = delta / -120;
    if (lines == 0) {
        return 0;
    }
    ScrollBy(doc, lines);
    SyncAndInvalidate(doc, state);
    return 1;
}

int OnScrollCode(CallBackInfo* doc, ViewState* state, int code, int32_t track) {
    if (!doc) {
        return 0;
    }
    const int32_t h = doc->m_n_line_height;
    const int64_t rows = h > 0 ? CurrentViewHost()->WindowHeight() / h : 0;
    switch (code) {
    case kScrollLineUp:
        ScrollBy(doc, -1);
        SyncAndInvalidate(doc, state);
        return 1;
    case kScrollLineDown:
        ScrollBy(doc, 1);
        SyncAndInvalidate(doc, state);
        return 1;
    case kScrollPageUp:
    case kScrollPageDown: {
        // Three rows of overlap, but a page of a view of three rows or fewer
        // is still one row. The SB_ENDSCROLL that follows repaints.
        const int64_t page = rows - 3 > 1 ? rows - 3 : 1;
        ScrollBy(doc, code == kScrollPageUp ? -page : page);
        SyncThumb(doc, state, doc->m_n_top_line);
        return 0;
    }
    case kScrollThumbPosition:
    case kScrollThumbTrack: {
        const int64_t line = ThumbToLine(doc, state, track);
        ScrollToLine(doc, line);
        SyncThumb(doc, state, line);
        CurrentViewHost()->Invalidate();
        return 1;
    }
    case kScrollTop:
        ScrollBy(doc, -doc->m_n_top_line);
        SyncThumb(doc, state, 0);
        CurrentViewHost()->Invalidate();
        return 1;
    case kScrollBottom: {
        const int64_t lines = ScrollLines(doc);
        ScrollBy(doc, lines - doc->m_n_top_line);
        SyncThumb(doc, state, lines);
        CurrentViewHost()->Invalidate();
        return 1;
    }
    default:
        CurrentViewHost()->Invalidate();
        return 1;
    }
}

int OnDoubleClick(CallBackInfo* doc, ViewState* state) {
    if (!doc || !state) {
        return 0;
    }
    const int on = SetEditMode(doc, state, !state->m_b_edit_mode);
    if (g_p_edit_mode_hook) {
        g_p_edit_mode_hook(on);
    }
    return on;
}
