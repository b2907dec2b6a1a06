// What happens to a document's pending changes when the document is about to
// go away: on "&Close" or when another document replaces it the user is asked
// first; when the window closes they are kept in the workspace file, and a
// failed write is not passed over silently. A workspace that another window
// wrote since this one read or wrote it is replaced only when the user says
// so. A process document's changes have no workspace: the user either drops
// them or keeps working.
#pragma once

enum class PendingAnswer { kYes, kNo, kCancel };

// The window-system side: questions, the failure message and the write.
class PendingEditsHost {
  public:
    virtual ~PendingEditsHost() = default;
    // Keep the pending changes in the workspace file? Yes / No / Cancel.
    virtual PendingAnswer AskKeepPendingEdits(const wchar_t* workspace_path) = 0;
    // The workspace could not be written: close anyway? 1 Yes, 0 No.
    virtual int AskCloseAnyway(const wchar_t* workspace_path) = 0;
    // Drop the pending changes of process memory? 1 OK (drop), 0 Cancel.
    virtual int AskDropProcessEdits() = 0;
    // Tells that the workspace could not be written.
    virtual void ReportWorkspaceFailure(const wchar_t* workspace_path) = 0;
    // Writes the pending changes into the workspace file; 1 or 0.
    virtual int WriteWorkspace() = 0;
    // Another window wrote the workspace since this one read or wrote it.
    virtual int WorkspaceReplacedElsewhere() = 0;
    // Replace that workspace with this window's changes? Yes / No / Cancel.
    virtual PendingAnswer AskReplaceWorkspace(const wchar_t* workspace_path) = 0;
    // Keeps the pending changes in a recovery copy that outlives the
    // document, offered when the file is next opened; 1 or 0.
    virtual int KeepInRecoveryCopy() = 0;
};

enum class WorkspaceWrite {
    kWritten,   // the workspace holds this window's changes
    kDeclined,  // the user kept another window's workspace
    kCancelled, // the user went back
    kFailed,    // the write failed
};

// Writes the workspace, first asking when another window wrote it since
// this one read or wrote it.
WorkspaceWrite WriteOwnWorkspace(const wchar_t* workspace_path, PendingEditsHost& host);

// Before "&Close" or a replacing open: 1 when the document may go (changes
// kept or dropped as the user chose), 0 when everything must stay as it was.
// Without pending changes nothing is asked and the result is 1.
int ConfirmDocumentRelease(int modified, const wchar_t* workspace_path, PendingEditsHost& host);

// At window close: pending changes are written without a question; 1 when
// the window may close, 0 when the write failed and the user kept the window.
int ConfirmWindowClose(int modified, const wchar_t* workspace_path, PendingEditsHost& host);

// Before a process document is closed or replaced, or the window closes: 1
// when it may go (nothing pending, or the user dropped the changes), 0 when
// the user keeps working with it. Its changes are never written anywhere.
int ConfirmProcessEditsRelease(int modified, PendingEditsHost& host);

// The texts of the questions and of the failure message.
extern const wchar_t kKeepPendingEditsText[];
extern const wchar_t kDropProcessEditsText[];
extern const wchar_t kWorkspaceFailedText[];
extern const wchar_t kCloseAnywayText[];
extern const wchar_t kReplaceWorkspaceText[];
