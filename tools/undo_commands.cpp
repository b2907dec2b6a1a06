// Undo and redo of the shown document (see undo_commands.h).
#include "tools/undo_commands.h"

#include "data/document.h"
#include "view/geometry.h"
#include "view/selection.h"
#include "view/view_host.h"
#include "view/view_state.h"

namespace {

bool Steppable(CallBackInfo* doc, const ViewState* view) {
    return doc != nullptr && doc->m_p_data_plane != nullptr && view != nullptr &&
           !RefusedWhileRead(doc);
}

void Select(CallBackInfo* doc, int64_t anchor, int64_t active) {
    if (anchor < 0 || active < 0 || doc->m_n_data_size <= 0) {
        ClearSelection(doc);
        return;
    }
    GoToOffset(doc, anchor);
    ExtendToOffset(doc, active);
}

} // namespace

int UndoLastStep(CallBackInfo* doc, ViewState* view) {
    HistoryResult result = {};
    if (!Steppable(doc, view) || !doc->Undo(&result))
        return 0;
    ScrollToLine(doc, result.m_mark.m_n_top_line);
    SyncThumb(doc, view, doc->m_n_top_line);
    Select(doc, result.m_mark.m_n_sel_anchor, result.m_mark.m_n_sel_active);
    CurrentViewHost()->Invalidate();
    return 1;
}

int RedoNextStep(CallBackInfo* doc, ViewState* view) {
    HistoryResult result = {};
    if (!Steppable(doc, view) || !doc->Redo(&result))
        return 0;
    // A removal leaves nothing to select: the byte that took its place is.
    const int64_t last =
        result.m_n_length > 0 ? result.m_n_first + result.m_n_length - 1 : result.m_n_first;
    const int64_t first =
        result.m_n_first < doc->m_n_data_size ? result.m_n_first : doc->m_n_data_size - 1;
    Select(doc, first, last < doc->m_n_data_size ? last : doc->m_n_data_size - 1);
    ScrollIntoView(doc, view, first);
    SyncThumb(doc, view, doc->m_n_top_line);
    CurrentViewHost()->Invalidate();
    return 1;
}
