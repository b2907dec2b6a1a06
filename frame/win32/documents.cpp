// Opening a disk file into the frame, closing it, and the question about
// pending changes before a document is closed or replaced.
#include "frame/frame_window.h"
#include "frame/pending_edits.h"
#include "frame/win32/frame_state.h"

#include "data/document.h"
#include "data/workspace.h"
#include "frame/format_text.h"
#include "frame/messages.h"
#include "frame/tkstr.h"
#include "view/geometry.h"
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

class WindowPendingEditsHost : public PendingEditsHost {
  public:
    PendingAnswer AskKeepPendingEdits(const wchar_t* workspace_path) override {
        const std::wstring text = FormatText(kKeepPendingEditsText, workspace_path);
        switch (MessageBoxW(Frame().m_h_main_window, text.c_str(), kQuestionCaption,
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
        return MessageBoxW(Frame().m_h_main_window, text.c_str(), kQuestionCaption,
                           MB_YESNO | MB_ICONWARNING | MB_TOPMOST) == IDYES;
    }
    void ReportWorkspaceFailure(const wchar_t* workspace_path) override {
        ShowMessage(kWorkspaceFailedText, workspace_path);
    }
    int WriteWorkspace() override { return SaveWorkspace(); }
};

// Pending changes of a file document; a process document has no workspace
// file, so its changes go as before.
int HasPendingFileEdits() {
    return g_p_view_state && g_p_view_state->m_b_modified && g_p_current_document &&
           g_p_current_document->m_n_source_kind == 0;
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
    delete doc;
}

} // namespace

int ConfirmReleaseOfCurrentDocument() {
    if (!g_p_current_document) {
        return 1;
    }
    WindowPendingEditsHost host;
    const std::wstring path = CurrentWorkspacePath();
    return ConfirmDocumentRelease(HasPendingFileEdits(), path.c_str(), host);
}

int PrepareWindowClose() {
    WindowPendingEditsHost host;
    const std::wstring path = CurrentWorkspacePath();
    return ConfirmWindowClose(HasPendingFileEdits(), path.c_str(), host);
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
    // Pending changes are the user's work: asked about before they go.
    if (!ConfirmReleaseOfCurrentDocument()) {
        RepaintView(FALSE);
        return state->m_b_document_open;
    }
    DestroyCurrentDocument();

    CallBackInfo* doc = new (std::nothrow) CallBackInfo(frame.m_h_view_control);
    if (!doc) {
        return 0;
    }
    g_p_current_document = doc;
    ComputeMetrics();
    if (!doc->OpenFile(path)) {
        DestroyCurrentDocument();
        state->m_b_document_open = 0;
        RepaintView(FALSE);
        return 0;
    }

    tkstr folder_text(path);
    if (const wchar_t* folder = folder_text.GetFolder()) {
        SetCurrentDirectoryW(folder);
    }
    const std::wstring title = FormatText(L"%s - %s", state->m_sz_title, path);
    SetWindowTextW(frame.m_h_main_window, title.c_str());

    SetScrollRange(ScrollLines());
    const std::wstring total = FormatText(L"Total: 0x%I64X", doc->m_n_data_size - 1);
    SetStatusText(0, total.c_str());

    state->m_b_document_open = 1;
    state->m_b_modified = 0;
    RepaintView(FALSE);
    return 1;
}

int OpenDocument(const wchar_t* path) {
    const int result = LoadDocument(path);
    SetDocumentCommands(result);
    return result;
}

void OpenDocumentOrReport(const wchar_t* path) {
    if (!OpenDocument(path)) {
        ShowMessage(L"Failed to open file %s\n", path);
    }
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
