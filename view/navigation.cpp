// Page, row and document moves of the caret (see navigation.h).
#include "view/navigation.h"

#include "data/document.h"
#include "view/selection.h"
#include "view/view_host.h"

namespace {

int64_t Clamp(int64_t offset, int64_t size) {
    return offset < 0 ? 0 : (offset > size - 1 ? size - 1 : offset);
}

// Rows of bytes the control shows at once: its height less the header row
// and the status bar's row, at least one.
int64_t PageRows(const CallBackInfo* doc) {
    const int64_t rows =
        doc->m_n_line_height > 0 ? CurrentViewHost()->WindowHeight() / doc->m_n_line_height : 0;
    return rows > 3 ? rows - 2 : 1;
}

} // namespace

int64_t NavigationTarget(NavigationStep step, int64_t from, int64_t size, int64_t page_rows) {
    if (size <= 0) {
        return -1;
    }
    from = Clamp(from, size);
    const int64_t row_start = from - from % 16;
    switch (step) {
    case NavigationStep::kPageUp:
        return Clamp(from - page_rows * 16, size);
    case NavigationStep::kPageDown:
        return Clamp(from + page_rows * 16, size);
    case NavigationStep::kRowStart:
        return row_start;
    case NavigationStep::kRowEnd:
        return Clamp(row_start + 15, size);
    case NavigationStep::kDocumentStart:
        return 0;
    case NavigationStep::kDocumentEnd:
        return size - 1;
    }
    return -1;
}

int Navigate(CallBackInfo* doc, ViewState* state, NavigationStep step, int extend) {
    if (!doc) {
        return 0;
    }
    // Without a selection the moves start at the first byte.
    const int64_t start = SelectionStart(doc) >= 0 ? SelectionStart(doc) : 0;
    const int64_t from = extend && doc->m_n_sel_active >= 0 ? doc->m_n_sel_active : start;
    const int64_t target = NavigationTarget(step, from, doc->m_n_data_size, PageRows(doc));
    if (target < 0) {
        return 0;
    }
    ScrollIntoView(doc, state, target);
    return extend ? ExtendToOffset(doc, target) : GoToOffset(doc, target);
}
