// The apply sequence (see apply_file.h).
#include "data/apply_file.h"

#include "base/messages.h"
#include "base/tkstr.h"
#include "data/apply_journal.h"
#include "data/block_reader.h"
#include "data/document.h"
#include "data/save_file.h"
#include "data/workspace.h"

#include <memory>
#include <new>
#include <vector>
#include <string>

const wchar_t kApplyQuestionText[] = L"Write the pending changes into %s?";

namespace {

const wchar_t kReadOnly[] = L"Could not apply the changes to %s\nThe file is read-only.\n";
const wchar_t kWriteFailed[] =
    L"Could not apply the changes to %s\nThe new file could not be written in its folder: the "
    L"folder cannot be written or the disk is full.\nThe file is unchanged.\n";
const wchar_t kFileShorter[] =
    L"Could not apply the changes to %s\nThe file is shorter now than when it was opened: "
    L"another program changed it, and the bytes it no longer has cannot be read.\nThe file is "
    L"unchanged.\n";
const wchar_t kReleaseFailed[] =
    L"Could not apply the changes to %s\nThe file could not be released.\nThe file is "
    L"unchanged.\n";
const wchar_t kReplaceFailed[] =
    L"Could not apply the changes to %s\nThe file could not be replaced: another program holds "
    L"it open, or it cannot be written.\nThe file is unchanged.\n";
const wchar_t kReopenFailed[] =
    L"The changes were written into %s, but the file could not be opened again.\n";
const wchar_t kLostFile[] =
    L"Could not apply the changes to %s\nThe file could not be replaced, nor opened again; the "
    L"pending changes were kept in its workspace file %s.\n";
const wchar_t kLostFileKeptBeside[] =
    L"Could not apply the changes to %s\nThe file could not be replaced, nor opened again, and "
    L"the pending changes could not be kept in its workspace file. The file as it would have "
    L"become is %s.\n";
const wchar_t kFileGoneKeptBeside[] =
    L"Could not apply the changes to %s\nThe file could not be replaced and is gone. The file "
    L"as it would have become is %s.\n";
const wchar_t kNoMemory[] = L"Could not apply the changes to %s\nNot enough memory.\n";
const wchar_t kInPlaceFailed[] =
    L"Could not apply the changes to %s\nThe file could not be written.\nThe file is "
    L"unchanged.\n";
const wchar_t kInPlaceFailedKept[] =
    L"Could not apply the changes to %s\nThe file could not be written, nor put back as it "
    L"was; its journal %s was kept, and the file is put back when it is next opened. The "
    L"pending changes are kept.\n";

// Takes the save's own messages: they name the new file, which the user never
// chose, so the apply says in its own words what failed instead.
class SaveMessagesDropped : public MessageSink {
  public:
    void OnMessage(const std::wstring&) override {}
    void OnTrace(const std::wstring& text) override { DebugTrace(L"%s", text.c_str()); }
};

// A name beside the file that names nothing yet.
std::wstring NewSibling(SaveFileOps& ops, const std::wstring& path) {
    for (int n = 0; n < 1000; ++n) {
        std::wstring name = path + L".apply" + (n > 0 ? std::to_wstring(n) : std::wstring()) + L"~";
        FileIdentity id = {};
        if (!ops.IdentifyPath(name.c_str(), &id))
            return name;
    }
    return std::wstring();
}

// A replacement that failed half way can leave the file gone and the new
// bytes under the sibling's name: they then take the file's name as they are.
// 1 when that was the case and the move succeeded.
int MoveIntoLostPlace(SaveFileOps& save, const std::wstring& path, const std::wstring& sibling) {
    FileIdentity id = {};
    return !save.IdentifyPath(path.c_str(), &id) &&
           save.ReplaceTarget(sibling.c_str(), path.c_str());
}

// The workspace's edits are in the file now; its records would point wrong.
// One that cannot be deleted is rewritten to hold no change.
void DropWorkspace(ApplyFileOps& ops, const std::wstring& path, const CDataPlane& unchanged,
                   int64_t size) {
    SaveFileOps& save = ops.SaveOps();
    const std::wstring workspace = WorkspaceName(path.c_str());
    FileIdentity id = {};
    if (!save.DeletePath(workspace.c_str()) && save.IdentifyPath(workspace.c_str(), &id))
        WriteWorkspace(workspace.c_str(), &unchanged, size, ops.WorkspaceOps());
    save.DeletePath((workspace + L"~").c_str());
}

class PlatformApply : public ApplyFileOps {
  public:
    SaveFileOps& SaveOps() override { return PlatformSaveFileOps(); }
    WorkspaceFileOps& WorkspaceOps() override { return PlatformWorkspaceFileOps(); }
    int IsReadOnly(const wchar_t* path) override { return PlatformIsReadOnly(path); }
    int Release(CallBackInfo* doc) override {
        doc->m_file_mapping.Close();
        return 1;
    }
    int ReplaceKeeping(const wchar_t* target, const wchar_t* replacement) override {
        return PlatformReplaceKeeping(target, replacement);
    }
    int Reopen(CallBackInfo* doc, const wchar_t* path) override {
        return doc->m_file_mapping.Open(path);
    }
};

} // namespace

InPlaceFileOps& ApplyFileOps::InPlaceOps() {
    return PlatformInPlaceFileOps();
}

ApplyFileOps& PlatformApplyFileOps() {
    static PlatformApply ops;
    return ops;
}

int CanApply(const CallBackInfo* doc) {
    if (doc == nullptr || doc->m_n_source_kind != 0 || doc->m_p_data_plane == nullptr ||
        doc->m_file_mapping.m_p_name == nullptr)
        return 0;
    const CDataPlane& plane = *doc->m_p_data_plane;
    const PlanePiece* head = PieceCursor(plane).Piece();
    const bool unchanged = head != nullptr && plane.PieceCount() == 1 &&
                           head->m_n_kind == PIECE_SOURCE && head->m_n_src_begin == 0 &&
                           head->m_n_length == doc->m_file_mapping.m_n_file_size;
    return unchanged ? 0 : 1;
}

namespace {

// The changes written into the file itself when they keep its size and move
// no bytes: 1 when written, 0 after a message (the file as it was, or to be
// put back from its journal), -1 when it cannot be done in place.
int ApplyInPlace(CallBackInfo* doc, ApplyFileOps& ops, const std::wstring& path) {
    std::vector<InPlaceChange> changes;
    if (!CollectInPlaceChanges(*doc->m_p_data_plane, doc->m_file_mapping.m_n_file_size,
                               doc->m_n_data_size, &changes))
        return -1;
    doc->m_n_progress_total = InPlaceSteps(changes);
    doc->m_n_progress_pos = 0;
    switch (WriteInPlace(path.c_str(), doc->m_file_mapping.m_n_file_size, changes, ops.InPlaceOps(),
                         &doc->m_n_progress_pos)) {
    case InPlaceResult::kWritten:
        return 1;
    case InPlaceResult::kNotInPlace:
        return -1;
    case InPlaceResult::kFailed:
        ShowMessage(kInPlaceFailed, path.c_str());
        return 0;
    case InPlaceResult::kFailedKept:
        ShowMessage(kInPlaceFailedKept, path.c_str(), JournalName(path.c_str()).c_str());
        return 0;
    }
    return 0;
}

} // namespace

ApplyCopy::~ApplyCopy() {
    if (m_p_ops != nullptr && !m_sz_sibling.empty())
        m_p_ops->SaveOps().DeletePath(m_sz_sibling.c_str());
}

int WriteApplyCopy(CallBackInfo* doc, ApplyFileOps& ops, ApplyCopy* copy) {
    if (!CanApply(doc) || doc->m_file_mapping.m_p_name->c_str() == nullptr)
        return 0;
    const std::wstring path = doc->m_file_mapping.m_p_name->c_str();
    SaveFileOps& save = ops.SaveOps();
    if (ops.IsReadOnly(path.c_str())) {
        ShowMessage(kReadOnly, path.c_str());
        return 0;
    }
    // Everything that can run out of memory is made before the file changes.
    std::unique_ptr<CDataPlane> fresh(new (std::nothrow) CDataPlane(doc->m_n_data_size));
    if (fresh == nullptr || (doc->m_n_data_size > 0 && fresh->PieceCount() == 0)) {
        ShowMessage(kNoMemory, path.c_str());
        return 0;
    }
    const int in_place = ApplyInPlace(doc, ops, path);
    if (in_place >= 0) {
        if (in_place == 0)
            return 0;
        copy->m_p_ops = &ops;
        copy->m_sz_path = path;
        copy->m_b_in_place = 1;
        copy->m_p_fresh = std::move(fresh);
        return 1;
    }
    const std::wstring sibling = NewSibling(save, path);
    if (sibling.empty()) {
        ShowMessage(kWriteFailed, path.c_str());
        return 0;
    }
    SaveMessagesDropped save_messages;
    if (!SaveDocumentToFile(doc, sibling.c_str(), save, PlatformBlockReadOps(), &save_messages)) {
        // A file that lost bytes under the document fails the read, not the write.
        FileStamp now;
        const int shorter =
            doc->m_file_mapping.ReadStamp(&now) && now.m_n_size < doc->m_file_mapping.m_n_file_size;
        ShowMessage(shorter ? kFileShorter : kWriteFailed, path.c_str());
        return 0;
    }
    copy->m_p_ops = &ops;
    copy->m_sz_path = path;
    copy->m_sz_sibling = sibling;
    copy->m_p_fresh = std::move(fresh);
    return 1;
}

namespace {

// The document shows its file afresh as one source piece: the file holds its
// bytes now, and its history and workspace are over.
ApplyResult ShowAppliedFile(CallBackInfo* doc, ApplyFileOps& ops, const std::wstring& path,
                            std::unique_ptr<CDataPlane> fresh) {
    DropWorkspace(ops, path, *fresh, doc->m_n_data_size);
    if (!ops.Reopen(doc, path.c_str())) {
        ShowMessage(kReopenFailed, path.c_str());
        return ApplyResult::kReopenFailed;
    }
    doc->StartAfreshWith(std::move(fresh), doc->m_file_mapping.m_n_file_size);
    return ApplyResult::kApplied;
}

} // namespace

ApplyResult FinishApply(CallBackInfo* doc, ApplyFileOps& ops, ApplyCopy* copy) {
    if (copy->m_p_ops != &ops || (copy->m_sz_sibling.empty() && !copy->m_b_in_place))
        return ApplyResult::kFailed;
    const std::wstring& path = copy->m_sz_path;
    SaveFileOps& save = ops.SaveOps();
    const int64_t file_size = doc->m_file_mapping.m_n_file_size;
    if (copy->m_b_in_place) {
        // The file already holds the bytes; it is opened afresh for its new stamp.
        copy->m_b_in_place = 0;
        if (!ops.Release(doc)) {
            ShowMessage(kReopenFailed, path.c_str());
            return ApplyResult::kReopenFailed;
        }
        return ShowAppliedFile(doc, ops, path, std::move(copy->m_p_fresh));
    }
    if (!ops.Release(doc)) {
        save.DeletePath(copy->m_sz_sibling.c_str());
        copy->m_sz_sibling.clear();
        ShowMessage(kReleaseFailed, path.c_str());
        return ApplyResult::kFailed;
    }
    if (!ops.ReplaceKeeping(path.c_str(), copy->m_sz_sibling.c_str()) &&
        !MoveIntoLostPlace(save, path, copy->m_sz_sibling)) {
        // The new file is deleted only once the edits are somewhere else too.
        const std::wstring sibling = copy->m_sz_sibling;
        copy->m_sz_sibling.clear();
        FileIdentity id = {};
        const int file_there = save.IdentifyPath(path.c_str(), &id);
        if (ops.Reopen(doc, path.c_str())) {
            save.DeletePath(sibling.c_str());
            ShowMessage(kReplaceFailed, path.c_str());
            return ApplyResult::kFailed;
        }
        // The document goes; its edits must not go with it.
        const std::wstring workspace = WorkspaceName(path.c_str());
        if (file_there &&
            WriteWorkspace(workspace.c_str(), doc->m_p_data_plane, file_size, ops.WorkspaceOps())) {
            save.DeletePath(sibling.c_str());
            ShowMessage(kLostFile, path.c_str(), workspace.c_str());
            return ApplyResult::kReopenFailed;
        }
        ShowMessage(file_there ? kLostFileKeptBeside : kFileGoneKeptBeside, path.c_str(),
                    sibling.c_str());
        return ApplyResult::kKeptBeside;
    }
    copy->m_sz_sibling.clear(); // it is the file now
    // A journal left by an in-place apply that could not be put back belongs
    // to the file that was just replaced: it would roll back the new one.
    const std::wstring journal = JournalName(path.c_str());
    if (ops.InPlaceOps().Exists(journal.c_str()))
        ops.InPlaceOps().Delete(journal.c_str());
    return ShowAppliedFile(doc, ops, path, std::move(copy->m_p_fresh));
}

ApplyResult ApplyDocumentToFile(CallBackInfo* doc, ApplyFileOps& ops) {
    ApplyCopy copy;
    if (!WriteApplyCopy(doc, ops, &copy))
        return ApplyResult::kFailed;
    return FinishApply(doc, ops, &copy);
}
