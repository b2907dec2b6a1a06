// Decisions about pending changes when a document goes away (see pending_edits.h).
#include "frame/pending_edits.h"

const wchar_t kKeepPendingEditsText[] =
    L"The document has pending changes.\nKeep them in the workspace file %s?\n\n"
    L"Yes keeps them for the next opening, No drops them, Cancel leaves the document open.";
const wchar_t kDropProcessEditsText[] =
    L"The process memory has pending changes, which cannot be kept.\nDrop them?\n\n"
    L"OK drops them, Cancel leaves the document open.";
const wchar_t kWorkspaceFailedText[] = L"Failed to write the workspace file %s\n";
const wchar_t kCloseAnywayText[] =
    L"Failed to write the workspace file %s\nClose anyway and drop the pending changes?";

const wchar_t kReplaceWorkspaceText[] =
    L"%s was changed by another Pelmora window since this one read it.\n"
    L"Replace it with this window's pending changes?\n\n"
    L"Yes replaces it, No keeps it and this window's changes stay pending, Cancel goes back.";

WorkspaceWrite WriteOwnWorkspace(const wchar_t* workspace_path, PendingEditsHost& host) {
    if (host.WorkspaceReplacedElsewhere()) {
        switch (host.AskReplaceWorkspace(workspace_path)) {
        case PendingAnswer::kNo:
            return WorkspaceWrite::kDeclined;
        case PendingAnswer::kCancel:
            return WorkspaceWrite::kCancelled;
        case PendingAnswer::kYes:
            break;
        }
    }
    return host.WriteWorkspace() ? WorkspaceWrite::kWritten : WorkspaceWrite::kFailed;
}

namespace {

// Keeps the pending changes before the document goes: 1 when they are kept
// (in the workspace, or in a recovery copy when the user declined to replace
// another window's workspace), 0 when the user cancelled, -1 when they could
// not be kept.
int KeepBeforeGoing(const wchar_t* workspace_path, PendingEditsHost& host) {
    switch (WriteOwnWorkspace(workspace_path, host)) {
    case WorkspaceWrite::kWritten:
        return 1;
    case WorkspaceWrite::kCancelled:
        return 0;
    case WorkspaceWrite::kDeclined:
        // The changes stay pending in a recovery copy, as the document goes.
        return host.KeepInRecoveryCopy() ? 1 : -1;
    case WorkspaceWrite::kFailed:
        break;
    }
    return -1;
}

} // namespace

int ConfirmDocumentRelease(int modified, const wchar_t* workspace_path, PendingEditsHost& host) {
    if (!modified) {
        return 1;
    }
    switch (host.AskKeepPendingEdits(workspace_path)) {
    case PendingAnswer::kNo:
        return 1;
    case PendingAnswer::kCancel:
        return 0;
    case PendingAnswer::kYes:
        break;
    }
    const int kept = KeepBeforeGoing(workspace_path, host);
    if (kept >= 0) {
        return kept;
    }
    host.ReportWorkspaceFailure(workspace_path);
    return 0;
}

int ConfirmWindowClose(int modified, const wchar_t* workspace_path, PendingEditsHost& host) {
    if (!modified) {
        return 1;
    }
    const int kept = KeepBeforeGoing(workspace_path, host);
    if (kept >= 0) {
        return kept;
    }
    return host.AskCloseAnyway(workspace_path) ? 1 : 0;
}

int ConfirmProcessEditsRelease(int modified, PendingEditsHost& host) {
    return !modified || host.AskDropProcessEdits() ? 1 : 0;
}
