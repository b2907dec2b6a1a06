// Opening a disk file or a process into the frame, closing it, the one place
// where the current document changes, and the question about pending
// changes before a document is closed or replaced.
#include "frame/frame_window.h"
#include "frame/current_document.h"
#include "frame/pending_edits.h"
#include "frame/win32/document_bookmarks.h"
#include "frame/win32/file_change_check.h"
#include "frame/win32/frame_state.h"
#include "frame/win32/process_dialog.h"
#include "frame/win32/recovery_hooks.h"

#include "base/format_text.h"
#include "base/messages.h"
#include "base/same_path.h"
#include "base/tkstr.h"
#include "data/apply_journal.h"
#include "data/document.h"
#include "data/workspace.h"
#include "view/geometry.h"
#include "view/selection.h"
#include "view/size_change.h"
#include "view/view_host.h"
#include "view/status_panes.h"
#include "view/view_state.h"
#include "view/win32/hex_view_control.h"

#include <windows.h>
#include <commdlg.h>

#include <memory>
#include <new>
#include <string>

namespace {

const wchar_t kQuestionCaption[] = L"Message";
const wchar_t kDamagedWorkspaceKeptText[] =
    L"Only part of the workspace %s could be read (it is damaged or did not fit in memory). "
    L"The changes read are shown; the whole file is kept as %s.";
const wchar_t kDamagedWorkspaceLostText[] =
    L"Only part of the workspace %s could be read (it is damaged or did not fit in memory). "
    L"The changes read are shown; the file could not be set aside, so keeping the changes "
    L"will replace it.";
const wchar_t kDamagedWorkspaceLeftText[] =
    L"Only part of the workspace %s could be read (it is damaged or did not fit in memory). "
    L"The changes read are shown; the file is opened read-only, so the workspace is left as "
    L"it is.";

// The workspace file of the current file document, or empty.
std::wstring CurrentWorkspacePath() {
    const CallBackInfo* doc = g_p_current_document;
    if (!doc || doc->m_n_source_kind != 0 || !doc->m_file_mapping.m_p_name ||
        !doc->m_file_mapping.m_p_name->c_str()) {
        return std::wstring();
    }
    return WorkspaceName(doc->m_file_mapping.m_p_name->c_str());
}

// Questions are owned by the window that asks (the main window, or a dialog
// that replaces the document), which stays disabled while they are open.
class WindowPendingEditsHost : public PendingEditsHost {
  public:
    explicit WindowPendingEditsHost(HWND owner) : m_h_owner(owner) {}
    PendingAnswer AskKeepPendingEdits(const wchar_t* workspace_path) override {
        const std::wstring text = FormatText(kKeepPendingEditsText, workspace_path);
        switch (MessageBoxW(m_h_owner, text.c_str(), kQuestionCaption,
                            MB_YESNOCANCEL | MB_ICONQUESTION | MB_TOPMOST)) {
        case IDYES:
            return PendingAnswer::kYes;
        case IDNO:
            return PendingAnswer::kNo;
        default:
            return PendingAnswer::kCancel;
        }
    }
    int AskCloseAnyway(const wchar_t* workspace_path) override {
        const std::wstring text = FormatText(kCloseAnywayText, workspace_path);
        return MessageBoxW(m_h_owner, text.c_str(), kQuestionCaption,
                           MB_YESNO | MB_ICONWARNING | MB_TOPMOST) == IDYES;
    }
    int AskDropProcessEdits() override {
        return MessageBoxW(m_h_owner, kDropProcessEditsText, kQuestionCaption,
                           MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2 | MB_TOPMOST) == IDOK;
    }
    void ReportWorkspaceFailure(const wchar_t* workspace_path) override {
        ShowMessage(kWorkspaceFailedText, workspace_path);
    }
    // A file that another program changed is asked about first; a reload
    // keeps the changes beside the file, so nothing is left to write.
    int WriteWorkspace() override {
        return CheckFileBeforeWrite(m_h_owner) ? WriteCurrentWorkspace() : 1;
    }
    int WorkspaceReplacedElsewhere() override { return ::WorkspaceReplacedElsewhere(); }
    PendingAnswer AskReplaceWorkspace(const wchar_t* workspace_path) override {
        return ::AskReplaceWorkspace(m_h_owner, workspace_path);
    }
    int KeepInRecoveryCopy() override { return KeepEditsInRecoveryCopy(); }

  private:
    HWND m_h_owner;
};

int HasPendingEdits() {
    return g_p_current_document && g_p_current_document->IsModified();
}

// Pending changes of a file document, which its workspace file can keep.
int HasPendingFileEdits() {
    return HasPendingEdits() && g_p_current_document->m_n_source_kind == 0;
}

int HasPendingProcessEdits() {
    return HasPendingEdits() && g_p_current_document->m_n_source_kind == 1;
}

void RepaintView(BOOL erase) {
    if (HWND control = Frame().m_h_view_control) {
        InvalidateRect(control, nullptr, erase);
    }
    NotifyViewChanged();
}

// The one place where the current document changes: the shown one goes with
// its recovery copy and its watches, and doc (or none) becomes current and
// is watched by the view and the inspector. A process document's copy follows it at once;
// a file document's once OfferRecovery has looked for a copy an ended
// instance left (not at all when it is read-only). The caller repaints,
// which tells the view's watchers.
void ReplaceCurrentDocument(CallBackInfo* doc) {
    CallBackInfo* old = g_p_current_document;
    if (Frame().m_p_checksums) {
        Frame().m_p_checksums->SetDocument(doc); // its computation over old ends first
    }
    if (Frame().m_p_find_results) {
        Frame().m_p_find_results->SetDocument(doc); // likewise its pass, and old's matches go
    }
    g_p_current_document = nullptr;
    SetHexViewDocument(Frame().m_h_view_control, nullptr);
    if (Frame().m_p_inspector) {
        Frame().m_p_inspector->SetDocument(nullptr);
    }
    RecoveryDocumentGone();
    InstallBookmarks(nullptr);
    delete old;
    g_p_current_document = doc;
    FrameState& frame = Frame();
    SetHexViewDocument(frame.m_h_view_control, doc);
    frame.m_view_follower.Show(doc, g_p_view_state);
    frame.m_view_watch = DocumentWatch(doc, &frame.m_view_follower);
    if (CInspectorWindow* inspector = frame.m_p_inspector.get()) {
        inspector->SetDocument(doc);
    }
    InstallBookmarks(doc);
    if (doc != nullptr && doc->m_n_source_kind == 1) {
        RecoveryFollowProcess(doc);
    }
    // Nothing the former document showed stays in the panes.
    ShowDocumentStatus(doc);
}

// Makes an opened process's document current and shows it: size, title,
// scroll range and status.
void ShowProcessDocument(CallBackInfo* doc) {
    ReplaceCurrentDocument(doc);
    ComputeMetrics(doc);
    const wchar_t* path =
        doc->m_proc_info.m_sz_process_path != nullptr ? doc->m_proc_info.m_sz_process_path : L"";
    tkstr path_text(path);
    if (const wchar_t* folder = path_text.GetFolder()) {
        SetCurrentDirectoryW(folder);
    }
    ViewState* view = g_p_view_state;
    if (view != nullptr) {
        const std::wstring title = FormatText(L"%s - %s [process]", view->m_sz_title, path);
        SetWindowTextW(Frame().m_h_main_window, title.c_str());
    }
    SetScrollRange(view, ScrollLines(doc));
    const std::wstring total = TotalText(doc->m_n_data_size);
    SetStatusText(0, total.c_str());
    if (view != nullptr) {
        view->m_b_document_open = 1;
    }
    RepaintView(FALSE);
}

// The absolute form of a path, so that no later change of the current folder
// moves the file a document names or where its workspace is written.
std::wstring FullPath(const wchar_t* path) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(path, MAX_PATH, buffer, nullptr);
    if (length == 0) {
        return path;
    }
    if (length < MAX_PATH) {
        return buffer;
    }
    std::wstring longer(length, L'\0');
    const DWORD copied = GetFullPathNameW(path, length, &longer[0], nullptr);
    if (copied == 0 || copied >= length) {
        return path;
    }
    longer.resize(copied);
    return longer;
}

// A new document showing the file (for reading only with read_only 1), not
// yet current; null when the file cannot be opened. *opened gets OpenFile's
// result; *read the workspace as it was before the document read it. An
// apply that was cut short is rolled back first, so the file is never shown
// half written.
CallBackInfo* OpenFileDocument(const std::wstring& path, int read_only, int* opened,
                               WorkspaceStamp* read) {
    RollBackInterruptedApply(path.c_str(), PlatformInPlaceFileOps());
    *read = WorkspaceStampOf(path.c_str());
    CallBackInfo* doc = new (std::nothrow) CallBackInfo(Frame().m_h_view_control);
    *opened = doc ? doc->OpenFile(path.c_str(), read_only) : 0;
    if (doc && !*opened) {
        delete doc;
        doc = nullptr;
    }
    return doc;
}

// The workspace of the file now current could be read only in part: it is
// set aside where no later write replaces it, and the user is told. Its
// edits then live only in the document, so they count as pending. 1 when
// the workspace was set aside.
int SetDamagedWorkspaceAside(CallBackInfo* doc, const std::wstring& path) {
    const std::wstring workspace = WorkspaceName(path.c_str());
    const std::wstring kept = KeepDamagedWorkspace(workspace.c_str(), path.c_str(), 1);
    ShowMessage(kept.empty() ? kDamagedWorkspaceLostText : kDamagedWorkspaceKeptText,
                workspace.c_str(), kept.c_str());
    if (kept.empty()) {
        return 0;
    }
    doc->MarkNeverKept();
    return 1;
}

// The current document is a file document showing this path.
int ShowsFile(const std::wstring& path) {
    const CallBackInfo* doc = g_p_current_document;
    return doc && doc->m_n_source_kind == 0 && doc->m_file_mapping.m_p_name &&
           doc->m_file_mapping.m_p_name->c_str() &&
           SamePath(doc->m_file_mapping.m_p_name->c_str(), path);
}

} // namespace

int ConfirmReleaseOfCurrentDocument(void* owner_window) {
    if (!g_p_current_document) {
        return 1;
    }
    WindowPendingEditsHost host(static_cast<HWND>(owner_window));
    if (g_p_current_document->m_n_source_kind == 1) {
        return ConfirmProcessEditsRelease(HasPendingProcessEdits(), host);
    }
    const std::wstring path = CurrentWorkspacePath();
    return ConfirmDocumentRelease(HasPendingFileEdits(), path.c_str(), host);
}

int SaveCurrentWorkspace(void* owner_window) {
    WindowPendingEditsHost host(static_cast<HWND>(owner_window));
    const std::wstring path = CurrentWorkspacePath();
    return !path.empty() && WriteOwnWorkspace(path.c_str(), host) == WorkspaceWrite::kWritten;
}

int PrepareWindowClose() {
    WindowPendingEditsHost host(Frame().m_h_main_window);
    if (HasPendingProcessEdits()) {
        return ConfirmProcessEditsRelease(1, host);
    }
    const std::wstring path = CurrentWorkspacePath();
    return ConfirmWindowClose(HasPendingFileEdits(), path.c_str(), host);
}

int ModalWindowOpen() {
    HWND main = Frame().m_h_main_window;
    return main && !IsWindowEnabled(main);
}

int LoadDocument(const wchar_t* path) {
    FrameState& frame = Frame();
    ViewState* state = g_p_view_state;
    if (!frame.m_h_view_control || !state) {
        return 0;
    }
    wchar_t chosen[MAX_PATH] = {};
    int read_only = 0;
    if (!path) {
        wchar_t folder[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, folder);
        OPENFILENAMEW dialog = {};
        dialog.lStructSize = sizeof(dialog);
        dialog.hwndOwner = frame.m_h_view_control;
        dialog.lpstrFile = chosen;
        dialog.nMaxFile = MAX_PATH;
        dialog.lpstrInitialDir = folder;
        // The dialog shows its "Open as read-only" check box.
        dialog.Flags = OFN_NODEREFERENCELINKS;
        if (!GetOpenFileNameW(&dialog)) {
            RepaintView(FALSE);
            return state->m_b_document_open;
        }
        path = chosen;
        read_only = (dialog.Flags & OFN_READONLY) != 0;
    }
    // The new file is opened first: when it cannot be, the shown document
    // stays exactly as it was, pending changes included.
    const std::wstring full = FullPath(path);
    int opened = 0;
    WorkspaceStamp read;
    CallBackInfo* doc = OpenFileDocument(full, read_only, &opened, &read);
    if (!doc) {
        ShowMessage(L"Failed to open file %s\n", path);
        RepaintView(FALSE);
        return 0;
    }
    // Pending changes are the user's work: asked about before they go.
    if (!ConfirmReleaseOfCurrentDocument(frame.m_h_main_window)) {
        delete doc;
        RepaintView(FALSE);
        return state->m_b_document_open;
    }
    if (ShowsFile(full)) {
        // The same file again: open it afresh, so that it shows the workspace
        // the question may just have written.
        delete doc;
        doc = OpenFileDocument(full, read_only, &opened, &read);
        if (!doc) {
            ShowMessage(L"Failed to open file %s\n", path);
            RepaintView(FALSE);
            return 0;
        }
    }
    ReplaceCurrentDocument(doc);
    frame.m_workspace_stamp = read;
    ComputeMetrics(doc);
    if (read_only) {
        // Nothing is written beside a file opened read-only: a damaged
        // workspace stays where it is, and a recovery copy waits for the
        // file to be opened for editing.
        if (opened == kWorkspaceReadInPart) {
            ShowMessage(kDamagedWorkspaceLeftText, WorkspaceName(full.c_str()).c_str());
        }
        SetEditMode(doc, state, 0);
        OnEditModeChanged(0);
    } else {
        // Either leaves the document marked as never kept when it applies.
        if (opened == kWorkspaceReadInPart) {
            SetDamagedWorkspaceAside(doc, full);
        }
        OfferRecovery(doc, full.c_str());
    }

    tkstr folder_text(full.c_str());
    if (const wchar_t* folder = folder_text.GetFolder()) {
        SetCurrentDirectoryW(folder);
    }
    const std::wstring title = FormatText(read_only ? L"%s - %s [read-only]" : L"%s - %s",
                                          state->m_sz_title, full.c_str());
    SetWindowTextW(frame.m_h_main_window, title.c_str());

    state->m_b_document_open = 1;
    DocumentSizeChanged(doc, state); // the scroll range and the total
    RepaintView(FALSE);
    return 1;
}

int OpenDocument(const wchar_t* path) {
    const int result = LoadDocument(path);
    // A failed open leaves a shown document shown: the commands follow it.
    SetDocumentCommands(result || (g_p_view_state && g_p_view_state->m_b_document_open));
    return result;
}

int OpenProcessDocument(void* main_window) {
    std::unique_ptr<CallBackInfo> doc = ChooseProcessDocument(main_window);
    const int opened = doc != nullptr;
    if (opened) {
        ShowProcessDocument(doc.release());
    }
    // Greyed only when no document is shown afterwards.
    const int shown = g_p_view_state != nullptr && g_p_view_state->m_b_document_open;
    SetDocumentCommands(opened || shown);
    return opened;
}

void CloseDocument() {
    ReplaceCurrentDocument(nullptr);
    if (ViewState* state = g_p_view_state) {
        state->m_b_document_open = 0;
        if (Frame().m_h_main_window) {
            SetWindowTextW(Frame().m_h_main_window, state->m_sz_title);
        }
    }
    RepaintView(TRUE);
}
