// The progress dialog and its worker (see progress_dialog.h).
#include "data/win32/progress_dialog.h"

#include "data/document.h"
#include "resources/data_ids.h"

namespace {

// One run, on the stack of RunUnderProgress for as long as the dialog shows.
struct ProgressJob {
    CallBackInfo* m_p_document; // whose progress the dialog shows
    void (*m_work)(void*);
    void* m_p_context;
    // Holds the document against edits (the data inspector stays usable)
    // from before the worker starts until its work is done, unless the work
    // reads a snapshot.
    PlaneReadGuard m_reading;
    HWND m_h_dialog = nullptr;
    volatile LONG m_b_started = 0; // 1 once the worker runs
    volatile LONG m_b_done = 0;    // 1 once the worker has finished
};

DWORD WINAPI ProgressWorker(void* argument) {
    auto* job = static_cast<ProgressJob*>(argument);
    job->m_work(job->m_p_context);
    job->m_reading.Release();
    const HWND dialog = job->m_h_dialog;
    InterlockedExchange(&job->m_b_done, 1);
    // The dialog ends while it handles this; the job is not touched after.
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    return 0;
}

void PostDocumentProgress(HWND dialog, const ProgressJob* job) {
    if (job != nullptr && job->m_p_document != nullptr)
        job->m_p_document->PostProgress(GetDlgItem(dialog, IDC_SAVE_PROGRESS));
}

INT_PTR CALLBACK ProgressDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* job = reinterpret_cast<ProgressJob*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
    switch (message) {
    case WM_INITDIALOG: {
        job = reinterpret_cast<ProgressJob*>(lparam);
        SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(job));
        job->m_h_dialog = dialog;
        // The timer belongs to the dialog's own thread, which alone may own it.
        SetTimer(dialog, ID_PROGRESS_TIMER, 100, nullptr);
        PostDocumentProgress(dialog, job);
        HANDLE thread = CreateThread(nullptr, 0, ProgressWorker, job, 0, nullptr);
        if (thread != nullptr) {
            job->m_b_started = 1;
            CloseHandle(thread);
        } else {
            job->m_b_done = 1; // nothing runs; let the dialog close at once
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
        return TRUE;
    }
    case WM_TIMER:
        if (wparam == ID_PROGRESS_TIMER)
            PostDocumentProgress(dialog, job);
        return TRUE;
    case WM_CLOSE:
        if (job != nullptr && job->m_b_done == 1) {
            KillTimer(dialog, ID_PROGRESS_TIMER);
            PostDocumentProgress(dialog, job);
            SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE; // still writing: the dialog stays
    default:
        return FALSE;
    }
}

} // namespace

int RunUnderProgress(HWND owner, CallBackInfo* doc, void (*work)(void*), void* context, int hold) {
    if (work == nullptr)
        return 0;
    ProgressJob job;
    job.m_p_document = doc;
    job.m_work = work;
    job.m_p_context = context;
    if (hold)
        job.m_reading = HoldForReading(doc);
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SAVE_PROGRESS), owner,
                    ProgressDlgProc, reinterpret_cast<LPARAM>(&job));
    if (job.m_b_started == 1)
        return 1;
    // No dialog or no thread to spare: the work is still done, here, under
    // the wait cursor, rather than dropped without a word.
    const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    work(context);
    SetCursor(previous);
    return 1;
}
