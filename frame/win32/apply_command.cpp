// "&Apply" (40009, shortcut 41029): asks, writes the pending changes into the
// document's file (the long write under the progress dialog), and shows the
// file as it now is with the view kept where it was (clamped to the new size).
// A file that another program changed is asked about before anything is written.
#include "data/apply_file.h"
#include "frame/current_document.h"
#include "data/document.h"
#include "data/win32/progress_dialog.h"
#include "base/format_text.h"
#include "base/messages.h"
#include "frame/win32/file_change_check.h"
#include "frame/win32/frame_state.h"
#include "base/tkstr.h"
#include "view/geometry.h"
#include "view/selection.h"
#include "view/size_change.h"
#include "view/view_host.h"
#include "view/view_state.h"

#include <windows.h>

#include <string>

namespace {

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
// it was); -1 when the file could not be opened again (a message said where
// the changes are), so the caller shows no document.
int ApplyCurrentDocument(HWND owner) {
    CallBackInfo* doc = g_p_current_document;
    if (!CanApply(doc) || g_p_view_state == nullptr || doc->m_file_mapping.m_p_name == nullptr) {
        return 0;
    }
    // A file changed by another program is asked about first; after a
    // reload nothing is left to apply.
    if (!CheckFileBeforeWrite(owner) || !CanApply(doc)) {
        return 0;
    }
    const wchar_t* name = doc->m_file_mapping.m_p_name->c_str();
    const std::wstring path = name ? name : L""; // the name goes with the file's handles
    const std::wstring question = FormatText(kApplyQuestionText, path.c_str());
    if (MessageBoxW(owner, question.c_str(), L"Message", MB_YESNO | MB_ICONQUESTION | MB_TOPMOST) !=
        IDYES) {
        return 0;
    }
    // The checksums window reads the pieces the Apply is about to replace.
    if (Frame().m_p_checksums) {
        Frame().m_p_checksums->Halt();
    }
    if (Frame().m_p_find_results) {
        Frame().m_p_find_results->Halt();
    }
    ApplyCopy copy;
    ApplyWork work = {doc, &copy, 0};
    // Runs the write here when no dialog or thread can be made.
    RunUnderProgress(owner, doc, WriteCopyWork, &work);
    if (!work.m_b_written) {
        CurrentViewHost()->Invalidate();
        return 0;
    }
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const int64_t file_size = doc->m_file_mapping.m_n_file_size;
    const ApplyResult result = FinishApply(doc, PlatformApplyFileOps(), &copy);
    SetCursor(previous);
    if (result == ApplyResult::kKeptBeside) {
        // The edits are in no workspace: their recovery copy outlives the
        // document, so that the next opening of the file offers them.
        FrameState& frame = Frame();
        if (!frame.m_recovery.Tracking() ||
            !frame.m_recovery.WriteNow(doc->m_p_data_plane, file_size)) {
            DebugTrace(L"Apply: no recovery copy kept for %s\n", path.c_str());
        }
        return -1;
    }
    if (result == ApplyResult::kReopenFailed) {
        return -1;
    }
    if (result != ApplyResult::kApplied) {
        CurrentViewHost()->Invalidate();
        return 0;
    }
    ShowReopenedDocument(doc);
    return 1;
}
