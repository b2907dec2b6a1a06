// Recovery copies in the frame: the timer that keeps the current document's
// copy in step with its edits, the question when a file with a copy opens,
// and the calls when edits are kept, applied or the session ends.
#pragma once

#include <windows.h>

class CallBackInfo;

// The main window's timer that drives the copies.
constexpr UINT_PTR kRecoveryTimerId = 10020;
constexpr UINT kRecoveryTimerMs = 500;

// Notices edits of the current document and writes its copy when due.
void OnRecoveryTimer();
// Right after a file opened: a copy made for this file is offered ("Restore
// them?"), moved aside or deleted. 1 when the document now shows restored
// pending edits.
int OfferRecovery(CallBackInfo* doc, const wchar_t* path);
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
