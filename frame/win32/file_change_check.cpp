// Changes by another program to the shown file (see file_change_check.h):
// the stamps compared and the decision in frame/file_change, the questions,
// the keeping of pending changes and the reload here.
#include "frame/win32/file_change_check.h"
#include "frame/current_document.h"

#include "frame/file_change.h"
#include "frame/frame_window.h"
#include "frame/win32/frame_state.h"
#include "frame/win32/recovery_hooks.h"

#include "data/apply_file.h"
#include "data/document.h"
#include "data/workspace.h"
#include "base/format_text.h"
#include "base/messages.h"
#include "base/tkstr.h"
#include "view/selection.h"
#include "view/size_change.h"
#include "view/view_host.h"
#include "view/view_state.h"

#include <memory>
#include <new>
#include <string>

namespace {

const wchar_t kReopenFailedText[] =
    L"%s could not be opened again; the document stays as it was.\n";

int64_t Clamp(int64_t value, int64_t last) {
    return value > last ? last : value;
}

// The document takes the freshly opened file and its pieces and starts its
// undo history afresh: no step may lead back to bytes it no longer shows.
// The old file goes with fresh; the watchers are told everything changed.
void StartAfreshFrom(CallBackInfo* doc, CallBackInfo* fresh) {
    doc->m_file_mapping.Swap(fresh->m_file_mapping);
    std::unique_ptr<CDataPlane> pieces(fresh->m_p_data_plane);
    fresh->m_p_data_plane = nullptr;
    doc->StartAfreshWith(std::move(pieces), fresh->m_n_data_size);
}

} // namespace

int ReloadFileFromDisk(CallBackInfo* doc) {
    const std::wstring path = doc->m_file_mapping.m_p_name->c_str();
    std::unique_ptr<CallBackInfo> fresh(new (std::nothrow) CallBackInfo(doc->m_h_view_window));
    if (fresh == nullptr || !fresh->OpenFile(path.c_str())) {
        ShowMessage(kReopenFailedText, path.c_str());
        return 0;
    }
    StartAfreshFrom(doc, fresh.get());
    fresh.reset();
    ShowReopenedDocument(doc);
    RecoveryFileRewritten(); // the copy follows the new pieces
    return 1;
}

namespace {

class WindowFileChangeHost : public FileChangeHost {
  public:
    WindowFileChangeHost(HWND owner, CallBackInfo* doc) : m_h_owner(owner), m_p_doc(doc) {}
    int AskReload(const wchar_t* path, const wchar_t* kept_path) override {
        const std::wstring text = kept_path[0] != 0
                                      ? FormatText(kFileChangedPendingText, path, kept_path)
                                      : FormatText(kFileChangedText, path);
        return MessageBoxW(m_h_owner, text.c_str(), L"Message",
                           MB_YESNO | MB_ICONQUESTION | MB_TOPMOST) == IDYES;
    }
    // The workspace's changes were made over the old bytes too and are part
    // of what is kept: it goes, so that the reload shows the file as it is.
    int KeepChanges(const wchar_t* kept_path) override {
        const CFileMapping& file = m_p_doc->m_file_mapping;
        if (!WriteWorkspace(kept_path, m_p_doc->m_p_data_plane, file.m_n_file_size))
            return 0;
        const std::wstring workspace = WorkspaceName(file.m_p_name->c_str());
        WorkspaceFileOps& ops = PlatformWorkspaceFileOps();
        if (ops.Exists(workspace.c_str()))
            ops.Delete(workspace.c_str());
        return 1;
    }
    void ReportKeepFailure(const wchar_t* path, const wchar_t* kept_path) override {
        ShowMessage(kChangesNotKeptText, kept_path, path);
    }
    int Reload() override { return ReloadFileFromDisk(m_p_doc); }

  private:
    HWND m_h_owner;
    CallBackInfo* m_p_doc;
};

// The current file document, or null.
CallBackInfo* CurrentFileDocument() {
    CallBackInfo* doc = g_p_current_document;
    if (doc == nullptr || doc->m_n_source_kind != 0 || doc->m_file_mapping.m_p_name == nullptr ||
        doc->m_file_mapping.m_p_name->c_str() == nullptr || g_p_view_state == nullptr)
        return nullptr;
    return doc;
}

ChangeOutcome Check(HWND owner, ChangeCheck when) {
    CallBackInfo* doc = CurrentFileDocument();
    if (doc == nullptr)
        return ChangeOutcome::kUnchanged;
    FileStamp now;
    if (!doc->m_file_mapping.CheckStamp(&now))
        return ChangeOutcome::kUnchanged;
    CFileMapping& file = doc->m_file_mapping;
    const std::wstring path = file.m_p_name->c_str();
    WindowFileChangeHost host(owner, doc);
    const ChangeOutcome outcome = CheckFileChange(
        when, file.m_stamp_opened, now, &file.m_stamp_asked, CanApply(doc), path.c_str(), host);
    if (outcome == ChangeOutcome::kKeptWorking)
        CurrentViewHost()->Invalidate(); // a shorter file shows fewer bytes
    return outcome;
}

} // namespace

void ShowReopenedDocument(CallBackInfo* doc) {
    const int64_t last = doc->m_n_data_size - 1;
    const int64_t anchor = doc->m_n_sel_anchor;
    const int64_t active = doc->m_n_sel_active;
    const int64_t top = doc->m_n_top_line;
    doc->m_n_top_line = top;
    doc->m_n_top_offset = top * 16;
    // Clamps the top row, sets the scroll range and the total.
    DocumentSizeChanged(doc, g_p_view_state);
    if (anchor >= 0 && active >= 0 && last >= 0) {
        GoToOffset(doc, Clamp(anchor, last));
        ExtendToOffset(doc, Clamp(active, last));
    }
    CurrentViewHost()->Invalidate();
}

void CheckFileAtActivation(HWND owner) {
    if (!ModalWindowOpen())
        Check(owner, ChangeCheck::kAtActivation);
}

int CheckFileBeforeWrite(HWND owner) {
    return Check(owner, ChangeCheck::kBeforeWrite) != ChangeOutcome::kReloaded ? 1 : 0;
}
