// Recovery copies in the frame: the timer that keeps the current document's
// copy in step with its edits, the question when a file with a copy opens,
// the calls when edits are kept, applied or the session ends, and the
// workspace as this window last read or wrote it.
#pragma once

#include "data/recovery.h"
#include "frame/pending_edits.h"

#include <windows.h>

class CallBackInfo;

// The main window's timer that drives the copies.
constexpr UINT_PTR kRecoveryTimerId = 10020;
constexpr UINT kRecoveryTimerMs = 500;

// Notices edits of the current document and writes its copy when due.
void OnRecoveryTimer();
// Right after a file opened: a copy made for this file by an instance that
// has ended is offered ("Restore them?"), moved aside or deleted; when
// another running instance has the file open, the status bar says so. 1
// when the document now shows restored pending edits.
int OfferRecovery(CallBackInfo* doc, const wchar_t* path);
// A process document became current: its copy follows it from now on.
void RecoveryFollowProcess(CallBackInfo* doc);
// The state of a file's workspace, taken before a document reads it and
// remembered while the document is current, so that a later write notices
// another window's write in between.
WorkspaceStamp WorkspaceStampOf(const wchar_t* file_path);
// Another window wrote the current document's workspace since then.
int WorkspaceReplacedElsewhere();
// Writes the current document's workspace and remembers it; 1 or 0.
int WriteCurrentWorkspace();
// Asks whether another window's workspace is replaced.
PendingAnswer AskReplaceWorkspace(HWND owner, const wchar_t* workspace_path);
// Keeps the pending edits in a copy that outlives the document; 1 or 0.
int KeepEditsInRecoveryCopy();
// The current document goes cleanly (closed or replaced): its copy goes too.
void RecoveryDocumentGone();
// The pending edits were kept in the workspace or written into the file:
// the copy is deleted until the next edit.
void RecoveryEditsKept();
// The pending edits were written into the file by Apply: the copy goes, and
// later copies name the file as it now is (its new size and time).
void RecoveryFileRewritten();
// Session end: keeps the pending edits in the workspace, or when that cannot
// be written, in the recovery copy, which then outlives the process.
void KeepEditsAtSessionEnd();
// Start-up without a file: deletes copies no longer of use.
void CleanRecoveryFolder();
