// "&Save file ...": the save dialog, then the write-out on a worker thread
// under the modal progress dialog, which closes itself when the worker is
// done and cannot be closed by the user before.
#include "data/save_file.h"

#include "base/tkstr.h"
#include "data/document.h"
#include "data/win32/progress_dialog.h"

#include <windows.h>
#include <commdlg.h>

namespace {

// The write-out on the progress dialog's worker; then the target's folder
// becomes the current one, where the next dialog opens.
void SaveWork(void* context) {
    const auto* path = static_cast<const wchar_t*>(context);
    if (g_p_current_document == nullptr)
        return;
    SaveDataToFile(path);
    tkstr folder_of(path);
    if (const wchar_t* folder = folder_of.GetFolder())
        SetCurrentDirectoryW(folder);
}

} // namespace

int SaveFileAs(void* owner_window) {
    if (g_p_current_document == nullptr)
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

    return RunUnderProgress(owner, SaveWork, path);
}
