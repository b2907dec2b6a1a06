// "&Save file ...": the save dialog, then the write-out on a worker thread
// under the modal progress dialog (template 112), which closes itself when
// the worker is done and cannot be closed by the user before.
#include "data/save_file.h"

#include "data/document.h"
#include "frame/tkstr.h"
#include "resources/data_ids.h"

#include <windows.h>
#include <commdlg.h>

#include <cwchar>
#include <new>

namespace {

// One save: created by the command, reached through g_p_save_job while the
// progress dialog is shown.
struct SaveFileJob {
    HWND m_h_dialog = nullptr;
    wchar_t* m_sz_path = nullptr; // owned copy of the target path
    volatile LONG m_b_done = 0;   // 1 once the worker has finished

    ~SaveFileJob() { delete[] m_sz_path; }
};

SaveFileJob* g_p_save_job = nullptr;

DWORD WINAPI SaveFileWorker(void* argument) {
    auto* job = static_cast<SaveFileJob*>(argument);
    if (job->m_sz_path == nullptr)
        return 0;
    if (g_p_current_document != nullptr) {
        SaveDataToFile(job->m_sz_path);
        tkstr path(job->m_sz_path);
        if (const wchar_t* folder = path.GetFolder())
            SetCurrentDirectoryW(folder);
    }
    const HWND dialog = job->m_h_dialog;
    InterlockedExchange(&job->m_b_done, 1);
    // The dialog frees the job while it handles this; the job is not touched after.
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    return 0;
}

void PostSaveProgress(HWND dialog) {
    if (g_p_current_document != nullptr)
        g_p_current_document->PostProgress(GetDlgItem(dialog, IDC_SAVE_PROGRESS));
}

INT_PTR CALLBACK SaveProgressDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        SaveFileJob* job = g_p_save_job;
        if (job == nullptr) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        job->m_h_dialog = dialog;
        job->m_b_done = 0;
        // The timer belongs to the dialog's own thread, which alone may own it.
        SetTimer(dialog, ID_PROGRESS_TIMER, 100, nullptr);
        PostSaveProgress(dialog);
        HANDLE thread = CreateThread(nullptr, 0, SaveFileWorker, job, 0, nullptr);
        if (thread != nullptr) {
            CloseHandle(thread);
        } else {
            job->m_b_done = 1; // nothing runs; let the dialog close at once
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
        return TRUE;
    }
    case WM_TIMER:
        if (wparam == ID_PROGRESS_TIMER)
            PostSaveProgress(dialog);
        return TRUE;
    case WM_CLOSE:
        if (g_p_save_job != nullptr && g_p_save_job->m_b_done == 1) {
            KillTimer(dialog, ID_PROGRESS_TIMER);
            PostSaveProgress(dialog);
            delete g_p_save_job;
            g_p_save_job = nullptr;
            EndDialog(dialog, LOWORD(wparam));
            return TRUE;
        }
        return FALSE; // still writing: the dialog stays
    default:
        return FALSE;
    }
}

} // namespace

int SaveFileAs(void* owner_window) {
    if (g_p_current_document == nullptr || g_p_save_job != nullptr)
        return 0;
    const HWND owner = static_cast<HWND>(owner_window);
    wchar_t path[MAX_PATH] = {};
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = folder;
    dialog.Flags = OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameW(&dialog) || path[0] == 0)
        return 0;

    auto* job = new (std::nothrow) SaveFileJob;
    if (job == nullptr)
        return 0;
    const size_t length = std::wcslen(path);
    job->m_sz_path = new (std::nothrow) wchar_t[length + 1];
    if (job->m_sz_path == nullptr) {
        delete job;
        return 0;
    }
    std::wmemcpy(job->m_sz_path, path, length + 1);
    g_p_save_job = job;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SAVE_PROGRESS), owner,
                    SaveProgressDlgProc, 0);
    if (g_p_save_job == job) {
        // The dialog could not be shown, so no worker was started.
        delete job;
        g_p_save_job = nullptr;
        return 0;
    }
    return 1;
}
