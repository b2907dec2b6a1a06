// Recovery copies in the frame (see recovery_hooks.h).
#include "frame/win32/recovery_hooks.h"
#include "frame/current_document.h"

#include "frame/win32/frame_state.h"

#include "base/format_text.h"
#include "base/messages.h"
#include "base/tkstr.h"
#include "data/document.h"
#include "data/recovery.h"
#include "data/recovery_keeper.h"
#include "data/workspace.h"
#include "view/view_host.h"
#include "view/view_state.h"

#include <new>
#include <string>

const wchar_t kRestoreQuestionText[] =
    L"Pelmora was closed before the pending changes of %s were kept. Restore them?";
const wchar_t kRecoveredAsideText[] =
    L"Pelmora was closed before the pending changes of %s were kept, but the file has changed "
    L"since, so they were not applied. They are kept in %s.";
const wchar_t kRecoveredNotMovedText[] =
    L"Pelmora was closed before the pending changes of %s were kept, but the file has changed "
    L"since, so they were not applied. They could not be kept beside the file and stay in %s.";
const wchar_t kCopyUnreadableText[] =
    L"The pending changes of %s could not be read from %s. They were not restored; the copy is "
    L"kept.";
const wchar_t kOpenElsewhereText[] = L"Also open in another Pelmora window";

const wchar_t kDamagedCopyKeptText[] =
    L"Only part of the recovery copy of %s could be read (it is damaged or did not fit in "
    L"memory). The changes read were restored; the whole copy is kept as %s.";
const wchar_t kDamagedCopyLostText[] =
    L"Only part of the recovery copy of %s could be read (it is damaged or did not fit in "
    L"memory). The changes read were restored; the whole copy could not be kept beside the "
    L"file.";

namespace {

RecoveryIdentity ProcessIdentity(const CallBackInfo* doc) {
    RecoveryIdentity id;
    id.m_n_kind = RECOVERY_PROCESS;
    const CProcInfo& info = doc->m_proc_info;
    for (int64_t i = 0; i < info.m_n_process_count; ++i) {
        const ProcessEntry& entry = info.m_p_processes[i];
        if (entry.m_h_process != nullptr && entry.m_h_process == info.m_h_open_process) {
            id.m_n_process_id = entry.m_n_process_id;
            id.m_sz_path = entry.m_sz_path != nullptr ? entry.m_sz_path : L"";
        }
    }
    id.m_n_size = static_cast<int64_t>(info.m_n_total_size);
    return id;
}

int64_t SourceSize(const CallBackInfo* doc) {
    return doc->m_n_source_kind == 0 ? doc->m_file_mapping.m_n_file_size
                                     : static_cast<int64_t>(doc->m_proc_info.m_n_total_size);
}

// A damaged copy gave what could be read: the whole of it is kept beside the
// file, where no later copy replaces it, and the user is told where.
void KeepDamagedCopy(RecoveryStore& store, const RecoveryIdentity& copy, const wchar_t* path) {
    const std::wstring kept = KeepDamagedWorkspace(store.CopyPath(copy).c_str(), path, 0);
    ShowMessage(kept.empty() ? kDamagedCopyLostText : kDamagedCopyKeptText, path, kept.c_str());
}

std::wstring CurrentWorkspaceName() {
    const CallBackInfo* doc = g_p_current_document;
    if (doc == nullptr || doc->m_n_source_kind != 0 || doc->m_file_mapping.m_p_name == nullptr ||
        doc->m_file_mapping.m_p_name->c_str() == nullptr)
        return std::wstring();
    return WorkspaceName(doc->m_file_mapping.m_p_name->c_str());
}

} // namespace

void OnRecoveryTimer() {
    FrameState& frame = Frame();
    CallBackInfo* doc = g_p_current_document;
    if (doc == nullptr) {
        if (frame.m_recovery.Tracking())
            RecoveryDocumentGone();
        return;
    }
    // A document opened read-only has no copy.
    if (!frame.m_recovery.Tracking())
        return;
    const int pending = doc->IsModified();
    frame.m_recovery.Tick(static_cast<int64_t>(GetTickCount64()), doc->m_p_data_plane,
                          doc->Generation(), SourceSize(doc), pending);
}

int OfferRecovery(CallBackInfo* doc, const wchar_t* path) {
    FrameState& frame = Frame();
    RecoveryKeeper& keeper = frame.m_recovery;
    keeper.Release();
    RecoveryPlatform& platform = PlatformRecovery();
    RecoveryIdentity opened;
    opened.m_sz_path = path;
    int64_t size = 0;
    platform.Stamp(path, &size, &opened.m_n_time);
    platform.FileKey(path, &opened.m_sz_file_key);
    opened.m_n_size = doc->m_file_mapping.m_n_file_size;

    int restored = 0, open_elsewhere = 0;
    RecoveryIdentity copy;
    int64_t copy_time = 0;
    RecoveryStore& store = keeper.Store();
    if (store.FindFileCopy(opened, &copy, &copy_time, &open_elsewhere)) {
        int64_t workspace_size = 0, workspace_time = -1;
        if (!platform.Stamp(WorkspaceName(path).c_str(), &workspace_size, &workspace_time))
            workspace_time = -1;
        switch (MatchRecovery(copy, opened, copy_time, workspace_time)) {
        case RecoveryMatch::kOffer: {
            const std::wstring text = FormatText(kRestoreQuestionText, path);
            const int yes = MessageBoxW(frame.m_h_main_window, text.c_str(), L"Message",
                                        MB_YESNO | MB_ICONQUESTION | MB_TOPMOST) == IDYES;
            if (!yes)
                store.Delete(copy);
            else if (const int read = RestoreFromCopy(doc, store, copy)) {
                restored = 1;
                if (read == kWorkspaceReadInPart)
                    KeepDamagedCopy(store, copy, path);
            } else
                ShowMessage(kCopyUnreadableText, path, store.CopyPath(copy).c_str());
            break;
        }
        case RecoveryMatch::kStale:
            DebugTrace(L"Recovery: the workspace of %s is newer than its copy\n", path);
            store.Delete(copy);
            break;
        case RecoveryMatch::kChanged: {
            std::wstring place;
            if (store.MoveBeside(copy, &place))
                ShowMessage(kRecoveredAsideText, path, place.c_str());
            else
                ShowMessage(kRecoveredNotMovedText, path, place.c_str());
            break;
        }
        }
    }
    keeper.Track(doc->m_p_data_plane, doc->Generation(), opened, restored ? &copy : nullptr);
    if (open_elsewhere)
        SetStatusText(3, kOpenElsewhereText);
    return restored;
}

void RecoveryFollowProcess(CallBackInfo* doc) {
    Frame().m_recovery.Track(doc->m_p_data_plane, doc->Generation(), ProcessIdentity(doc), nullptr);
}

WorkspaceStamp WorkspaceStampOf(const wchar_t* file_path) {
    return TakeWorkspaceStamp(PlatformRecovery(), WorkspaceName(file_path).c_str());
}

int WorkspaceReplacedElsewhere() {
    const std::wstring name = CurrentWorkspaceName();
    return !name.empty() &&
           WorkspaceReplacedSince(Frame().m_workspace_stamp,
                                  TakeWorkspaceStamp(PlatformRecovery(), name.c_str()));
}

int WriteCurrentWorkspace() {
    if (!SaveWorkspace(g_p_current_document))
        return 0;
    const std::wstring name = CurrentWorkspaceName();
    Frame().m_workspace_stamp = TakeWorkspaceStamp(PlatformRecovery(), name.c_str());
    return 1;
}

PendingAnswer AskReplaceWorkspace(HWND owner, const wchar_t* workspace_path) {
    const std::wstring text = FormatText(kReplaceWorkspaceText, workspace_path);
    switch (MessageBoxW(owner, text.c_str(), L"Message",
                        MB_YESNOCANCEL | MB_ICONWARNING | MB_TOPMOST)) {
    case IDYES:
        return PendingAnswer::kYes;
    case IDNO:
        return PendingAnswer::kNo;
    default:
        return PendingAnswer::kCancel;
    }
}

int KeepEditsInRecoveryCopy() {
    CallBackInfo* doc = g_p_current_document;
    FrameState& frame = Frame();
    return doc != nullptr && frame.m_recovery.Tracking() &&
                   frame.m_recovery.WriteNow(doc->m_p_data_plane, SourceSize(doc))
               ? 1
               : 0;
}

void RecoveryDocumentGone() {
    FrameState& frame = Frame();
    frame.m_recovery.Release();
}

void RecoveryEditsKept() {
    if (CallBackInfo* doc = g_p_current_document)
        Frame().m_recovery.Settled(doc->Generation());
}

void RecoveryFileRewritten() {
    CallBackInfo* doc = g_p_current_document;
    RecoveryDocumentGone();
    if (doc != nullptr && doc->m_n_source_kind == 0 && doc->m_file_mapping.m_p_name != nullptr) {
        // No copy is left to offer: this only follows the file anew.
        Frame().m_workspace_stamp = WorkspaceStampOf(doc->m_file_mapping.m_p_name->c_str());
        OfferRecovery(doc, doc->m_file_mapping.m_p_name->c_str());
    }
}

void KeepEditsAtSessionEnd() {
    CallBackInfo* doc = g_p_current_document;
    if (doc == nullptr || !doc->IsModified())
        return;
    // No question can be asked now: another window's workspace is not
    // replaced, and these edits go into the copy instead.
    if (doc->m_n_source_kind == 0 && !WorkspaceReplacedElsewhere() && WriteCurrentWorkspace()) {
        doc->MarkKept();
        RecoveryEditsKept();
        return;
    }
    if (!KeepEditsInRecoveryCopy())
        DebugTrace(L"Recovery: pending changes not kept at session end\n");
}

void CleanRecoveryFolder() {
    const int deleted = Frame().m_recovery.Store().Sweep();
    if (deleted > 0)
        DebugTrace(L"Recovery: %d old copies deleted\n", deleted);
}
