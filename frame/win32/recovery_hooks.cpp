// Recovery copies in the frame (see recovery_hooks.h).
#include "frame/win32/recovery_hooks.h"

#include "frame/win32/frame_state.h"

#include "base/format_text.h"
#include "base/messages.h"
#include "base/tkstr.h"
#include "data/document.h"
#include "data/recovery.h"
#include "data/recovery_keeper.h"
#include "data/workspace.h"
#include "view/view_state.h"

#include <new>
#include <string>

const wchar_t kRestoreQuestionText[] =
    L"Pelmora was closed before the pending changes of %s were kept. Restore them?";
const wchar_t kRecoveredAsideText[] =
    L"Pelmora was closed before the pending changes of %s were kept, but the file has changed "
    L"since, so they were not applied. They are kept in %s.";
const wchar_t kRecoveredDeletedText[] =
    L"Pelmora was closed before the pending changes of %s were kept, but the file has changed "
    L"since, so they were not applied. They could not be kept beside the file and were deleted.";

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

// Replaces the document's pieces with those of the copy; 1 on success. A
// damaged copy gives what can be read, and the whole of it is kept beside the
// file, where no later copy replaces it.
int RestoreFromCopy(CallBackInfo* doc, const RecoveryIdentity& copy) {
    CDataPlane* plane = new (std::nothrow) CDataPlane();
    int64_t size = doc->m_file_mapping.m_n_file_size;
    RecoveryStore& store = Frame().m_recovery.Store();
    const int read = plane != nullptr ? store.Read(copy, plane, &size) : 0;
    if (read == kWorkspaceReadInPart && doc->m_file_mapping.m_p_name != nullptr) {
        const wchar_t* path = doc->m_file_mapping.m_p_name->c_str();
        const std::wstring kept = KeepDamagedWorkspace(store.CopyPath(copy).c_str(), path, 0);
        ShowMessage(kept.empty() ? kDamagedCopyLostText : kDamagedCopyKeptText, path, kept.c_str());
    }
    if (!read || plane->m_p_head == nullptr) {
        delete plane;
        return 0;
    }
    delete doc->m_p_data_plane;
    doc->m_p_data_plane = plane;
    doc->m_n_data_size = size;
    doc->m_history.MarkUnclean(); // the restored edits stay pending whatever is undone
    return 1;
}

} // namespace

void OnRecoveryTimer() {
    FrameState& frame = Frame();
    CallBackInfo* doc = g_p_current_document;
    if (doc == nullptr) {
        if (frame.m_p_recovery_document != nullptr)
            RecoveryDocumentGone();
        return;
    }
    if (doc != frame.m_p_recovery_document) {
        // File documents are taken on by OfferRecovery when they open; a
        // process document is taken on here.
        if (doc->m_n_source_kind != 1)
            return;
        frame.m_recovery.Track(doc->m_p_data_plane, ProcessIdentity(doc), 0);
        frame.m_p_recovery_document = doc;
    }
    frame.m_recovery.Tick(static_cast<int64_t>(GetTickCount64()), doc->m_p_data_plane,
                          SourceSize(doc));
}

int OfferRecovery(CallBackInfo* doc, const wchar_t* path) {
    FrameState& frame = Frame();
    RecoveryKeeper& keeper = frame.m_recovery;
    keeper.Release();
    frame.m_p_recovery_document = nullptr;
    RecoveryPlatform& platform = PlatformRecovery();
    RecoveryIdentity opened;
    opened.m_sz_path = path;
    int64_t size = 0;
    platform.Stamp(path, &size, &opened.m_n_time);
    opened.m_n_size = doc->m_file_mapping.m_n_file_size;

    int restored = 0;
    RecoveryIdentity copy;
    int64_t copy_time = 0;
    RecoveryStore& store = keeper.Store();
    if (store.FindFileCopy(path, &copy, &copy_time)) {
        int64_t workspace_size = 0, workspace_time = -1;
        if (!platform.Stamp(WorkspaceName(path).c_str(), &workspace_size, &workspace_time))
            workspace_time = -1;
        switch (MatchRecovery(copy, opened, copy_time, workspace_time)) {
        case RecoveryMatch::kOffer: {
            const std::wstring text = FormatText(kRestoreQuestionText, path);
            const int yes = MessageBoxW(frame.m_h_main_window, text.c_str(), L"Message",
                                        MB_YESNO | MB_ICONQUESTION | MB_TOPMOST) == IDYES;
            if (yes && RestoreFromCopy(doc, copy)) {
                restored = 1;
            } else {
                if (yes)
                    DebugTrace(L"Recovery: copy of %s could not be read\n", path);
                store.Delete(copy);
            }
            break;
        }
        case RecoveryMatch::kStale:
            DebugTrace(L"Recovery: the workspace of %s is newer than its copy\n", path);
            store.Delete(copy);
            break;
        case RecoveryMatch::kChanged: {
            std::wstring aside;
            if (store.MoveBeside(copy, &aside)) {
                ShowMessage(kRecoveredAsideText, path, aside.c_str());
            } else {
                store.Delete(copy);
                ShowMessage(kRecoveredDeletedText, path);
            }
            break;
        }
        }
    }
    keeper.Track(doc->m_p_data_plane, opened, restored);
    frame.m_p_recovery_document = doc;
    return restored;
}

void RecoveryDocumentGone() {
    FrameState& frame = Frame();
    frame.m_recovery.Release();
    frame.m_p_recovery_document = nullptr;
}

void RecoveryEditsKept() {
    if (CallBackInfo* doc = g_p_current_document)
        Frame().m_recovery.Settled(doc->m_p_data_plane);
}

void RecoveryFileRewritten() {
    CallBackInfo* doc = g_p_current_document;
    RecoveryDocumentGone();
    if (doc != nullptr && doc->m_n_source_kind == 0 && doc->m_file_mapping.m_p_name != nullptr) {
        // No copy is left to offer: this only follows the file anew.
        OfferRecovery(doc, doc->m_file_mapping.m_p_name->c_str());
    }
}

void KeepEditsAtSessionEnd() {
    CallBackInfo* doc = g_p_current_document;
    if (doc == nullptr || g_p_view_state == nullptr || !g_p_view_state->m_b_modified)
        return;
    if (doc->m_n_source_kind == 0 && SaveWorkspace()) {
        g_p_view_state->m_b_modified = 0;
        RecoveryEditsKept();
        return;
    }
    FrameState& frame = Frame();
    if (doc != frame.m_p_recovery_document ||
        !frame.m_recovery.WriteNow(doc->m_p_data_plane, SourceSize(doc)))
        DebugTrace(L"Recovery: pending changes not kept at session end\n");
}

void CleanRecoveryFolder() {
    const int deleted = Frame().m_recovery.Store().Sweep();
    if (deleted > 0)
        DebugTrace(L"Recovery: %d old copies deleted\n", deleted);
}
