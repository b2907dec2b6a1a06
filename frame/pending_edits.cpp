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
    if (host.WriteWorkspace()) {
        return 1;
    }
    host.ReportWorkspaceFailure(workspace_path);
    return 0;
}

int ConfirmWindowClose(int modified, const wchar_t* workspace_path, PendingEditsHost& host) {
    if (!modified || host.WriteWorkspace()) {
        return 1;
    }
    return host.AskCloseAnyway(workspace_path) ? 1 : 0;
}

int ConfirmProcessEditsRelease(int modified, PendingEditsHost& host) {
    return !modified || host.AskDropProcessEdits() ? 1 : 0;
}
