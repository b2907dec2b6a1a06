// The view's follow-up of a change of the document's size.
#include "view/size_change.h"

#include "base/format_text.h"
#include "view/geometry.h"
#include "view/selection.h"
#include "view/view_host.h"

std::wstring TotalText(int64_t size) {
    return size > 0 ? FormatText(L"Total: 0x%I64X", size - 1) : std::wstring(L"Total: empty");
}

void DocumentSizeChanged(CallBackInfo* doc, ViewState* state) {
    if (!doc) {
        return;
    }
    if (doc->m_n_data_size <= 0) {
        ClearSelection(doc);
    }
    // A top row past the end would leave nothing on the screen to paint.
    if (doc->m_n_top_line > MaxTopLine(doc)) {
        ScrollToLine(doc, MaxTopLine(doc));
    }
    SetScrollRange(state, ScrollLines(doc));
    SyncThumb(doc, state, doc->m_n_top_line);
    SetStatusText(0, TotalText(doc->m_n_data_size).c_str());
    CurrentViewHost()->Invalidate();
}
