// Opening a disk file into the frame, closing it, and the question about
// pending changes before a document is closed or replaced.
#include "frame/frame_window.h"
#include "frame/pending_edits.h"
#include "frame/win32/file_change_check.h"
#include "frame/win32/frame_state.h"
#include "frame/win32/recovery_hooks.h"

#include "data/document.h"
#include "data/workspace.h"
#include "frame/format_text.h"
#include "frame/messages.h"
#include "frame/tkstr.h"
#include "view/geometry.h"
#include "view/size_change.h"
#include "view/view_host.h"
#include "view/view_state.h"
#include "view/win32/hex_view_control.h"

#include <windows.h>
#include <commdlg.h>

#include <new>
#include <string>

namespace {

const wchar_t kQuestionCaption[] = L"Message";

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
    int WriteWorkspace() override { return CheckFileBeforeWrite(m_h_owner) ? SaveWorkspace() : 1; }

  private:
    HWND m_h_owner;
};

int HasPendingEdits() {
    return g_p_view_state && g_p_view_state->m_b_modified && g_p_current_document;
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

void DestroyCurrentDocument() {
    CallBackInfo* doc = g_p_current_document;
    g_p_current_document = nullptr;
    RecoveryDocumentGone();
    delete doc;
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

// A new document showing the file, not yet current; null when the file
// cannot be opened.
CallBackInfo* OpenFileDocument(const std::wstring& path) {
    CallBackInfo* doc = new (std::nothrow) CallBackInfo(Frame().m_h_view_control);
    if (doc && !doc->OpenFile(path.c_str())) {
        delete doc;
        doc = nullptr;
    }
    return doc;
}

// The current document is a file document showing this path.
int ShowsFile(const std::wstring& path) {
    const CallBackInfo* doc = g_p_current_document;
    return doc && doc->m_n_source_kind == 0 && doc->m_file_mapping.m_p_name &&
           doc->m_file_mapping.m_p_name->c_str() &&
           _wcsicmp(doc->m_file_mapping.m_p_name->c_str(), path.c_str()) == 0;
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
    if (!path) {
        wchar_t folder[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, folder);
        OPENFILENAMEW dialog = {};
        dialog.lStructSize = sizeof(dialog);
        dialog.hwndOwner = frame.m_h_view_control;
        dialog.lpstrFile = chosen;
        dialog.nMaxFile = MAX_PATH;
        dialog.lpstrInitialDir = folder;
        dialog.Flags = OFN_NODEREFERENCELINKS;
        if (!GetOpenFileNameW(&dialog)) {
            RepaintView(FALSE);
            return state->m_b_document_open;
        }
        path = chosen;
    }
    // The new file is opened first: when it cannot be, the shown document
    // stays exactly as it was, pending changes included.
    const std::wstring full = FullPath(path);
    CallBackInfo* doc = OpenFileDocument(full);
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
        doc = OpenFileDocument(full);
        if (!doc) {
            ShowMessage(L"Failed to open file %s\n", path);
            RepaintView(FALSE);
            return 0;
        }
    }
    DestroyCurrentDocument();
    g_p_current_document = doc;
    ComputeMetrics();
    const int restored = OfferRecovery(doc, full.c_str());

    tkstr folder_text(full.c_str());
    if (const wchar_t* folder = folder_text.GetFolder()) {
        SetCurrentDirectoryW(folder);
    }
    const std::wstring title = FormatText(L"%s - %s", state->m_sz_title, full.c_str());
    SetWindowTextW(frame.m_h_main_window, title.c_str());

    state->m_b_document_open = 1;
    DocumentSizeChanged(); // the scroll range and the total
    state->m_b_modified = restored;
    RepaintView(FALSE);
    return 1;
}

int OpenDocument(const wchar_t* path) {
    const int result = LoadDocument(path);
    // A failed open leaves a shown document shown: the commands follow it.
    SetDocumentCommands(result || (g_p_view_state && g_p_view_state->m_b_document_open));
    return result;
}

void CloseDocument() {
    DestroyCurrentDocument();
    if (ViewState* state = g_p_view_state) {
        state->m_b_document_open = 0;
        state->m_b_modified = 0;
        if (Frame().m_h_main_window) {
            SetWindowTextW(Frame().m_h_main_window, state->m_sz_title);
        }
    }
    RepaintView(TRUE);
}
