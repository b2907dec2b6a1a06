// The Open virtual memory dialog: a flat tree of the readable processes with
// their icons and module paths; OK (or a double click) opens the chosen one's
// committed memory as a document. The processes are listed into a document
// of the dialog's own, which the caller receives once a process has really
// been opened; the shown document is never touched here.
#include "frame/win32/process_dialog.h"

#include "data/document.h"
#include "frame/frame_window.h"
#include "frame/win32/frame_state.h"
#include "resources/data_ids.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <new>

namespace {

// Alive while the dialog is shown.
struct ProcessDialogState {
    HIMAGELIST m_h_images = nullptr;
    // The listed processes; on OK the opened process's document.
    std::unique_ptr<CallBackInfo> m_p_listing;
    INT_PTR m_n_result = 0;
    int m_b_opening = 0; // an OK is being handled; a second one must not re-enter
};

ProcessDialogState* StateOf(HWND dialog) {
    return reinterpret_cast<ProcessDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void FillTree(HWND dialog, ProcessDialogState* state) {
    CProcInfo& processes = state->m_p_listing->m_proc_info;
    if (!processes.ListProcesses())
        return; // an empty tree; OK then opens nothing
    HWND tree = GetDlgItem(dialog, IDC_PROCESS_TREE);
    state->m_h_images = ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
    TreeView_SetImageList(tree, state->m_h_images, TVSIL_NORMAL);
    for (int64_t i = 0; i < processes.m_n_process_count; ++i) {
        const ProcessEntry& entry = processes.m_p_processes[i];
        TVINSERTSTRUCTW insert = {};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.pszText =
            const_cast<wchar_t*>(entry.m_sz_path != nullptr ? entry.m_sz_path : L"");
        insert.item.lParam = static_cast<LPARAM>(i);
        int image = -1;
        if (entry.m_h_icon != nullptr && state->m_h_images != nullptr)
            image =
                ImageList_ReplaceIcon(state->m_h_images, -1, static_cast<HICON>(entry.m_h_icon));
        insert.item.iImage = image >= 0 ? image : I_IMAGENONE;
        insert.item.iSelectedImage = insert.item.iImage;
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
    }
}

void EndProcessDialog(HWND dialog, ProcessDialogState* state, INT_PTR result) {
    if (state->m_h_images != nullptr) {
        TreeView_SetImageList(GetDlgItem(dialog, IDC_PROCESS_TREE), nullptr, TVSIL_NORMAL);
        ImageList_Destroy(state->m_h_images);
        state->m_h_images = nullptr;
    }
    EndDialog(dialog, result);
}

// OK or a double click: opens the selected process (the first one when none
// is selected) and ends the dialog with 1, or with 0 when nothing was opened.
void OpenSelectedOnce(HWND dialog, ProcessDialogState* state) {
    HWND tree = GetDlgItem(dialog, IDC_PROCESS_TREE);
    int64_t index = 0;
    if (HTREEITEM item = TreeView_GetNextItem(tree, nullptr, TVGN_CARET)) {
        TVITEMW data = {};
        data.mask = TVIF_PARAM;
        data.hItem = item;
        if (SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data)))
            index = static_cast<int64_t>(data.lParam);
    }
    CallBackInfo* doc = state->m_p_listing.get();
    if (doc == nullptr || doc->m_proc_info.m_n_process_count == 0) {
        EndProcessDialog(dialog, state, 0);
        return;
    }
    if (!doc->OpenProcess(index)) {
        // "Could not open process" has been shown; the shown document stays.
        EndProcessDialog(dialog, state, 0);
        return;
    }
    // The shown document goes as when another file replaces it: pending edits
    // are asked about, with this dialog as the owner of the question, so that
    // the dialog is disabled while it is open.
    if (!ConfirmReleaseOfCurrentDocument(dialog)) {
        EndProcessDialog(dialog, state, 0);
        return;
    }
    EndProcessDialog(dialog, state, 1);
}

// A question asked during OK runs a message loop: an OK or double click that
// reaches the dialog meanwhile (posted, or queued before it was disabled) is
// ignored rather than opening again under the first.
void OpenSelected(HWND dialog, ProcessDialogState* state) {
    if (state->m_b_opening)
        return;
    state->m_b_opening = 1;
    OpenSelectedOnce(dialog, state);
    state->m_b_opening = 0;
}

INT_PTR CALLBACK ProcessDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* state = reinterpret_cast<ProcessDialogState*>(lparam);
        SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
        state->m_p_listing.reset(new (std::nothrow) CallBackInfo(Frame().m_h_view_control));
        if (state->m_p_listing != nullptr)
            FillTree(dialog, state);
        return TRUE; // no focus is set and no item selected; Enter means OK
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lparam);
        if (header->idFrom == IDC_PROCESS_TREE && header->code == NM_DBLCLK) {
            OpenSelected(dialog, StateOf(dialog));
            return TRUE;
        }
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            OpenSelected(dialog, StateOf(dialog));
            return TRUE;
        case IDCANCEL:
            EndProcessDialog(dialog, StateOf(dialog), 0);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        EndProcessDialog(dialog, StateOf(dialog), StateOf(dialog)->m_n_result);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

std::unique_ptr<CallBackInfo> ChooseProcessDocument(void* main_window) {
    ProcessDialogState state;
    const INT_PTR result = DialogBoxParamW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_OPEN_PROCESS),
        static_cast<HWND>(main_window), ProcessDlgProc, reinterpret_cast<LPARAM>(&state));
    // A listing that did not become the document releases its process handles.
    if (result != 1)
        state.m_p_listing.reset();
    return std::move(state.m_p_listing);
}
