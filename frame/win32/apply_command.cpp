// "&Apply" (40009, shortcut 41029): asks, writes the pending changes into the
// document's file (the long write under the progress dialog), and shows the
// file as it now is with the view kept where it was (clamped to the new size).
#include "base/format_text.h"
#include "base/tkstr.h"
#include "data/apply_file.h"
#include "data/document.h"
#include "data/win32/progress_dialog.h"
#include "view/geometry.h"
#include "view/selection.h"
#include "view/size_change.h"
#include "view/view_host.h"
#include "view/view_state.h"

#include <windows.h>

#include <string>

namespace {

int64_t Clamp(int64_t value, int64_t last) {
    return value > last ? last : value;
}

// The document after an apply: same selection and top row where they still
// fit, nothing pending, the new size on the status bar and the scroll bar.
void ShowAppliedDocument(CallBackInfo* doc) {
    const int64_t last = doc->m_n_data_size - 1;
    const int64_t anchor = doc->m_n_sel_anchor;
    const int64_t active = doc->m_n_sel_active;
    const int64_t top = doc->m_n_top_line;
    doc->m_n_top_line = top;
    doc->m_n_top_offset = top * 16;
    DocumentSizeChanged(); // clamps the top row, sets the scroll range and the total
    if (anchor >= 0 && active >= 0 && last >= 0) {
        GoToOffset(Clamp(anchor, last));
        ExtendToOffset(Clamp(active, last));
    }
    g_p_view_state->m_b_modified = 0;
    CurrentViewHost()->Invalidate();
}

// The new file is written on the progress dialog's worker, which only reads
// the document; replacing the file and reopening it follow on this thread.
struct ApplyWork {
    CallBackInfo* m_p_doc;
    ApplyCopy* m_p_copy;
    int m_b_written;
};

void WriteCopyWork(void* context) {
    auto* work = static_cast<ApplyWork*>(context);
    work->m_b_written = WriteApplyCopy(work->m_p_doc, PlatformApplyFileOps(), work->m_p_copy);
}

} // namespace

// 1 when applied; 0 when not asked, answered No or failed (the document is as
// it was); -1 when the file holds the changes but could not be opened again,
// so the caller shows no document.
int ApplyCurrentDocument(HWND owner) {
    CallBackInfo* doc = g_p_current_document;
    if (!CanApply(doc) || g_p_view_state == nullptr || doc->m_file_mapping.m_p_name == nullptr) {
        return 0;
    }
    const wchar_t* path = doc->m_file_mapping.m_p_name->c_str();
    const std::wstring question = FormatText(kApplyQuestionText, path ? path : L"");
    if (MessageBoxW(owner, question.c_str(), L"Message", MB_YESNO | MB_ICONQUESTION | MB_TOPMOST) !=
        IDYES) {
        return 0;
    }
    ApplyCopy copy;
    ApplyWork work = {doc, &copy, 0};
    if (!RunUnderProgress(owner, WriteCopyWork, &work)) {
        // No dialog or thread to spare: the write runs here.
        HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        WriteCopyWork(&work);
        SetCursor(previous);
    }
    if (!work.m_b_written) {
        CurrentViewHost()->Invalidate();
        return 0;
    }
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const ApplyResult result = FinishApply(doc, PlatformApplyFileOps(), &copy);
    SetCursor(previous);
    if (result == ApplyResult::kReopenFailed) {
        return -1;
    }
    if (result != ApplyResult::kApplied) {
        CurrentViewHost()->Invalidate();
        return 0;
    }
    ShowAppliedDocument(doc);
    return 1;
}
