// The decision about a file changed by another program (see file_change.h).
#include "frame/file_change.h"

#include "data/workspace.h"

const wchar_t kFileChangedText[] = L"%s was changed by another program. Reload it?";
const wchar_t kFileChangedPendingText[] =
    L"%s was changed by another program. Your pending changes were made over its old bytes. "
    L"Reload it?\n\nYes keeps your changes in %s and shows the file as it is now. No keeps "
    L"working with them as they are.";
const wchar_t kChangesNotKeptText[] =
    L"Your pending changes could not be kept in %s, so %s was not reloaded.\n";

std::wstring ChangedFileKeptName(const wchar_t* path) {
    return WorkspaceName(path) + L".recovered";
}

ChangeOutcome CheckFileChange(ChangeCheck when, const FileStamp& opened, const FileStamp& now,
                              FileStamp* asked, int has_changes, const wchar_t* path,
                              FileChangeHost& host) {
    if (path == nullptr || opened.m_n_size < 0 || now.m_n_size < 0 || SameStamp(opened, now))
        return ChangeOutcome::kUnchanged;
    if (when == ChangeCheck::kAtActivation && SameStamp(*asked, now))
        return ChangeOutcome::kKeptWorking;
    *asked = now;
    const std::wstring kept = has_changes ? ChangedFileKeptName(path) : std::wstring();
    if (!host.AskReload(path, kept.c_str()))
        return ChangeOutcome::kKeptWorking;
    if (has_changes && !host.KeepChanges(kept.c_str())) {
        host.ReportKeepFailure(path, kept.c_str());
        return ChangeOutcome::kKeptWorking;
    }
    return host.Reload() ? ChangeOutcome::kReloaded : ChangeOutcome::kKeptWorking;
}
