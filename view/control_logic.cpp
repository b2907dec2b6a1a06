// Mouse, wheel and scroll bar handling of the hex view control: drags with
// edge auto-scroll, wheel rows and font zoom, the scroll bar codes.
#include "view/control_logic.h"

#include "view/geometry.h"
#include "view/selection.h"
#include "view/view_host.h"

namespace {

DragState g_drag_state = {0, 0};
void (*g_p_edit_mode_hook)(int) = nullptr;

void SyncAndInvalidate() {
    SyncThumb(g_p_current_document->m_n_top_line);
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

int OnLeftButtonDown(int32_t x, int32_t y, int shift) {
    if (!g_p_current_document) {
        return 0;
    }
    ViewHost* host = CurrentViewHost();
    if (shift) {
        return ExtendToPoint(x, y);
    }
    g_drag_state.m_b_dragging = 1;
    if (!ClickAtPoint(x, y)) {
        if (g_p_current_document->m_b_has_focus) {
            host->SetCaretPos(kHiddenCoordinate, kHiddenCoordinate);
        }
        host->Invalidate();
        return 0;
    }
    host->CaptureMouse();
    return 1;
}

void OnDragMove(int32_t x, int32_t y) {
    CallBackInfo* doc = g_p_current_document;
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
        ExtendToPoint(x, y);
        return;
    }
    ScrollBy(g_drag_state.m_n_direction);
    SyncThumb(doc->m_n_top_line);
    ExtendToPoint(x, y);
    host->TrackHover(1);
}

void OnDragHover(int32_t x, int32_t y) {
    CallBackInfo* doc = g_p_current_document;
    if (!doc || !DragHasAnchor(doc)) {
        return;
    }
    if (g_drag_state.m_n_direction != 0) {
        ScrollBy(g_drag_state.m_n_direction);
    }
    SyncThumb(doc->m_n_top_line);
    ExtendToPoint(x, y);
    CurrentViewHost()->TrackHover(1);
}

void OnLeftButtonUp(int32_t x, int32_t y) {
    if (!g_p_current_document) {
        return;
    }
    g_drag_state.m_b_dragging = 0;
    ExtendToPoint(x, y);
    ViewHost* host = CurrentViewHost();
    host->ReleaseMouse();
    host->TrackHover(0);
}

int OnMouseWheel(int32_t delta, int ctrl) {
    if (ctrl) {
        // One size step per message, whatever the delta, also without a document.
        CurrentViewHost()->RequestFont(delta > 0 ? 1 : -1);
        return 1;
    }
    if (!g_p_current_document) {
        return 0;
    }
    const int64_t lines = delta / -120;
    if (lines == 0) {
        return 0;
    }
    ScrollBy(lines);
    SyncAndInvalidate();
    return 1;
}

int OnScrollCode(int code, int32_t track) {
    CallBackInfo* doc = g_p_current_document;
    if (!doc) {
        return 0;
    }
    const int32_t h = doc->m_n_line_height;
    const int64_t rows = h > 0 ? CurrentViewHost()->WindowHeight() / h : 0;
    switch (code) {
    case kScrollLineUp:
        ScrollBy(-1);
        SyncAndInvalidate();
        return 1;
    case kScrollLineDown:
        ScrollBy(1);
        SyncAndInvalidate();
        return 1;
    case kScrollPageUp:
    case kScrollPageDown: {
        // Three rows of overlap, but a page of a view of three rows or fewer
        // is still one row. The SB_ENDSCROLL that follows repaints.
        const int64_t page = rows - 3 > 1 ? rows - 3 : 1;
        ScrollBy(code == kScrollPageUp ? -page : page);
        SyncThumb(doc->m_n_top_line);
        return 0;
    }
    case kScrollThumbPosition:
    case kScrollThumbTrack: {
        const int64_t line = ThumbToLine(track);
        ScrollToLine(line);
        SyncThumb(line);
        CurrentViewHost()->Invalidate();
        return 1;
    }
    case kScrollTop:
        ScrollBy(-doc->m_n_top_line);
        SyncThumb(0);
        CurrentViewHost()->Invalidate();
        return 1;
    case kScrollBottom: {
        const int64_t lines = ScrollLines();
        ScrollBy(lines - doc->m_n_top_line);
        SyncThumb(lines);
        CurrentViewHost()->Invalidate();
        return 1;
    }
    default:
        CurrentViewHost()->Invalidate();
        return 1;
    }
}

int OnDoubleClick() {
    if (!g_p_current_document || !g_p_view_state) {
        return 0;
    }
    const int on = SetEditMode(!g_p_view_state->m_b_edit_mode);
    if (g_p_edit_mode_hook) {
        g_p_edit_mode_hook(on);
    }
    return on;
}
