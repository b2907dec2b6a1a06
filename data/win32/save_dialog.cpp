// "&Save file ...": the save dialog, then the write-out on a worker thread
// under the modal progress dialog, which closes itself when the worker is
// done and cannot be closed by the user before.
#include "data/save_file.h"

#include "base/format_text.h"
#include "base/tkstr.h"
#include "data/block_reader.h"
#include "data/document.h"
#include "data/plane_snapshot.h"
#include "data/win32/progress_dialog.h"

#include <windows.h>
#include <commdlg.h>

namespace {

const wchar_t kReplaceQuestionText[] = L"%s already exists.\nDo you want to replace it?";

// What the worker saves, and where: the document as its snapshot, taken
// before the worker starts, saw it, so editing may go on meanwhile.
struct SaveJob {
    CallBackInfo* m_p_document;
    const wchar_t* m_sz_path;
    PlaneSnapshot m_snapshot;
};

// The write-out on the progress dialog's worker; then the target's folder
// becomes the current one, where the next dialog opens.
void SaveWork(void* context) {
    const auto* job = static_cast<const SaveJob*>(context);
    const wchar_t* path = job->m_sz_path;
    SaveDocumentToFile(job->m_p_document, path, PlatformSaveFileOps(), PlatformBlockReadOps(),
                       nullptr, job->m_snapshot.Valid() ? &job->m_snapshot : nullptr);
    tkstr folder_of(path);
    if (const wchar_t* folder = folder_of.GetFolder())
        SetCurrentDirectoryW(folder);
}

} // namespace

int SaveFileAs(void* owner_window, CallBackInfo* doc) {
    if (doc == nullptr)
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
    // The replace question is asked here, after the document's own file and
    // workspace have been refused: asking first would offer what cannot be.
    for (;;) {
        if (!GetSaveFileNameW(&dialog) || path[0] == 0)
            return 0;
        if (!CheckSaveTarget(doc, path, PlatformSaveFileOps()))
            continue;
        if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
            break;
        const std::wstring question = FormatText(kReplaceQuestionText, path);
        if (MessageBoxW(owner, question.c_str(), L"Message",
                        MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_TOPMOST) == IDYES)
            break;
    }

    SaveJob job = {doc, path, PlaneSnapshot()};
    if (doc->m_p_data_plane != nullptr)
        job.m_snapshot = doc->m_p_data_plane->Snapshot();
    // Without a snapshot the save reads the live overlay, held against edits.
    return RunUnderProgress(owner, doc, SaveWork, &job, job.m_snapshot.Valid() ? 0 : 1);
}
