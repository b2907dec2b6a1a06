// The write-out of a document into a new file: refuses targets that would
// destroy the document's own files, walks the overlay's pieces copying whole
// spans from the worker's own source reader into one large output block, and
// only puts the new file in the target's place once all of it is on the disk.
#include "data/save_file.h"

#include "base/messages.h"
#include "base/same_path.h"
#include "base/tkstr.h"
#include "data/block_reader.h"
#include "data/document.h"
#include "data/plane_snapshot.h"
#include "data/process_reader.h"
#include "data/workspace.h"

#include <cstring>
#include <string>

namespace {

constexpr int64_t kProgressStep = 0x10000;
// Output block: large enough that each write costs little next to its copy.
constexpr int64_t kBlock = kSaveBlockSize;
// Spans of unchanged file bytes at least this long are read straight into the
// output block.
constexpr int64_t kDirectRead = int64_t{64} << 10;

const wchar_t kSaveFailed[] = L"Could not save the file %s\n";
const wchar_t kTargetIsSource[] =
    L"Could not save the file %s\nIt is the file being edited; choose another name.\n";
const wchar_t kUnreadableSaved[] =
    L"The file %s was saved, but %I64d bytes in %I64d ranges could not be read and were "
    L"written as zeros.\nThe first range starts at offset 0x%I64X.\n";
const wchar_t kTargetIsWorkspace[] =
    L"Could not save the file %s\nIt holds the pending changes of the file being edited; "
    L"choose another name.\n";

// Splits a path at its last '\' or '/': the folder ("." when there is none)
// and the final name.
void SplitPath(const std::wstring& path, std::wstring* folder, std::wstring* name) {
    const size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos) {
        *folder = L".";
        *name = path;
        return;
    }
    *folder = cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
    // "C:" alone names the drive's current folder; its root is meant.
    if (folder->size() == 2 && (*folder)[1] == L':')
        folder->push_back(path[cut]);
    *name = path.substr(cut + 1);
}

// Whether target names the file at other: the same file when both exist, or
// the same name in the same folder when other does not exist yet (a workspace
// written later would then replace the saved file).
bool NamesFile(SaveFileOps& ops, const wchar_t* target, const FileIdentity* target_id,
               const std::wstring& other) {
    FileIdentity other_id = {};
    if (ops.IdentifyPath(other.c_str(), &other_id))
        return target_id != nullptr && SameFile(*target_id, other_id);
    std::wstring target_folder, target_name, other_folder, other_name;
    SplitPath(target, &target_folder, &target_name);
    SplitPath(other, &other_folder, &other_name);
    if (!SamePath(target_name, other_name))
        return false;
    FileIdentity a = {}, b = {};
    return ops.IdentifyPath(target_folder.c_str(), &a) &&
           ops.IdentifyPath(other_folder.c_str(), &b) && SameFile(a, b);
}

// Refuses a target that is the document's source file, its workspace file or
// the workspace's backup; 1 when the target may be written.
int CheckTarget(CallBackInfo* doc, const wchar_t* target, SaveFileOps& ops, MessageSink* messages) {
    FileIdentity target_id = {};
    const bool exists = ops.IdentifyPath(target, &target_id) != 0;
    if (doc->m_n_source_kind != 0)
        return 1; // a process document has no file of its own
    const CFileMapping& source = doc->m_file_mapping;
    if (exists && source.m_h_file != nullptr) {
        FileIdentity source_id = {};
        const bool known = ops.IdentifyFile(source.m_h_file, &source_id) != 0 ||
                           (source.m_p_name != nullptr && source.m_p_name->c_str() != nullptr &&
                            ops.IdentifyPath(source.m_p_name->c_str(), &source_id) != 0);
        if (known && SameFile(source_id, target_id)) {
            ShowMessageTo(messages, kTargetIsSource, target);
            return 0;
        }
    }
    if (source.m_p_name == nullptr || source.m_p_name->c_str() == nullptr)
        return 1;
    const std::wstring workspace = WorkspaceName(source.m_p_name->c_str());
    if (NamesFile(ops, target, exists ? &target_id : nullptr, workspace) ||
        NamesFile(ops, target, exists ? &target_id : nullptr, workspace + L"~")) {
        ShowMessageTo(messages, kTargetIsWorkspace, target);
        return 0;
    }
    return 1;
}

} // namespace

int CheckSaveTarget(CallBackInfo* doc, const wchar_t* target, SaveFileOps& ops,
                    MessageSink* messages) {
    return doc != nullptr && target != nullptr && CheckTarget(doc, target, ops, messages);
}

namespace {

// The new file while it is written: a temporary file with at most one mapped
// view. Unless Commit succeeds, everything is released and the file removed.
class OutputFile final : public SaveOutput {
  public:
    OutputFile(SaveFileOps& ops, MessageSink* messages) : m_ops(ops), m_p_messages(messages) {}
    ~OutputFile() { Abandon(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    int Create(const wchar_t* target, int64_t size) {
        m_h_file = m_ops.CreateTemp(target, &m_sz_temp);
        if (m_h_file == nullptr)
            return 0;
        m_n_size = size;
        if (size == 0)
            return 1; // an empty file needs no mapping, and none can be made
        m_h_mapping = m_ops.CreateMapping(m_h_file, size);
        return m_h_mapping != nullptr;
    }

    // Pointer to output byte offset and the bytes left in its view; maps the
    // view that holds it after writing out the previous one.
    uint8_t* At(int64_t offset, int64_t* room) override {
        const int64_t index = offset / kBlock;
        if (m_p_view == nullptr || index != m_n_view_index) {
            if (!ReleaseView(true))
                return nullptr;
            const int64_t begin = index * kBlock;
            const int64_t rest = m_n_size - begin;
            if (rest <= 0)
                return nullptr;
            const size_t length = static_cast<size_t>(rest < kBlock ? rest : kBlock);
            m_p_view = m_ops.MapView(m_h_mapping, begin, length);
            if (m_p_view == nullptr) {
                ShowMessageTo(m_p_messages, L"MapViewOfFileEx Failed!");
                return nullptr;
            }
            m_n_view_length = length;
            m_n_view_index = index;
        }
        const int64_t position = offset - m_n_view_index * kBlock;
        *room = static_cast<int64_t>(m_n_view_length) - position;
        return m_p_view + position;
    }

    // Writes out the last view, forces the file to the disk, closes it and
    // replaces the target with it.
    int Commit(const wchar_t* target) {
        if (!ReleaseView(true))
            return 0;
        if (m_h_mapping != nullptr) {
            m_ops.CloseMapping(m_h_mapping);
            m_h_mapping = nullptr;
        }
        if (!m_ops.FlushFile(m_h_file))
            return 0;
        void* file = m_h_file;
        m_h_file = nullptr;
        if (!m_ops.CloseFile(file))
            return 0;
        if (!m_ops.ReplaceTarget(m_sz_temp.c_str(), target))
            return 0;
        m_sz_temp.clear();
        return 1;
    }

  private:
    int ReleaseView(bool write) {
        if (m_p_view == nullptr)
            return 1;
        int ok = write ? m_ops.FlushView(m_p_view, m_n_view_length) : 1;
        if (!m_ops.UnmapView(m_p_view, m_n_view_length))
            ok = 0;
        m_p_view = nullptr;
        m_n_view_length = 0;
        return ok;
    }

    void Abandon() {
        ReleaseView(false);
        if (m_h_mapping != nullptr)
            m_ops.CloseMapping(m_h_mapping);
        m_h_mapping = nullptr;
        if (m_h_file != nullptr)
            m_ops.CloseFile(m_h_file);
        m_h_file = nullptr;
        if (!m_sz_temp.empty())
            m_ops.DeletePath(m_sz_temp.c_str());
        m_sz_temp.clear();
    }

    SaveFileOps& m_ops;
    MessageSink* m_p_messages;
    void* m_h_file = nullptr;
    void* m_h_mapping = nullptr;
    std::wstring m_sz_temp; // the temporary file's path while it exists
    int64_t m_n_size = 0;
    uint8_t* m_p_view = nullptr;
    size_t m_n_view_length = 0;
    int64_t m_n_view_index = -1;
};

// The ranges of output bytes written as zeros because their source bytes
// could not be read; adjacent ones count as one range.
struct UnreadableRanges {
    int64_t m_n_bytes = 0;
    int64_t m_n_ranges = 0;
    int64_t m_n_first = -1; // output offset of the first range
    int64_t m_n_end = -1;   // end of the last range

    void Add(int64_t out, int64_t length) {
        if (out != m_n_end)
            ++m_n_ranges;
        if (m_n_first < 0)
            m_n_first = out;
        m_n_bytes += length;
        m_n_end = out + length;
    }
};

// Reads unchanged bytes in spans through the worker's own reader: large
// blocks of a file, or a block of a process's memory.
class SourceReader {
  public:
    SourceReader(CallBackInfo* doc, BlockReadOps& reads)
        : m_b_process(doc->m_n_source_kind == 1),
          m_file(m_b_process ? nullptr : doc->m_file_mapping.m_h_file,
                 doc->m_file_mapping.m_n_file_size, reads),
          m_process(doc->m_proc_info.m_p_ops, doc->m_proc_info.m_h_open_process) {}

    // Pointer to the byte at a source offset and the bytes readable from it
    // (at least 1, at most max_length), or null when the byte cannot be read.
    const uint8_t* At(int64_t offset, int64_t max_length, int64_t* available) {
        return m_b_process ? m_process.Span(offset, max_length, available)
                           : m_file.Span(offset, max_length, available);
    }

    // Reads a large span of a file straight into out (one copy fewer than
    // through a span): the bytes read, 0 when they cannot be read, or -1 to
    // go through At instead.
    int64_t ReadInto(int64_t offset, uint8_t* out, int64_t length) {
        return m_b_process || length < kDirectRead ? -1 : m_file.ReadInto(offset, out, length);
    }

    // For an unreadable byte: how many bytes from it to write as zeros, or 0
    // when the save cannot go on (a file must be read whole).
    int64_t ZeroFill(int64_t offset, int64_t max_length) {
        return m_b_process ? m_process.UnreadableLength(offset, max_length) : 0;
    }

  private:
    bool m_b_process;
    BlockReader m_file;
    ProcessReader m_process;
};

// The pieces in order: from a snapshot, or from the live overlay.
PieceCursor PieceWalk(const CDataPlane* plane, const PlaneSnapshot* snapshot) {
    if (snapshot != nullptr)
        return PieceCursor(*snapshot);
    return plane != nullptr ? PieceCursor(*plane) : PieceCursor();
}

} // namespace

int WriteDocumentBytes(CallBackInfo* doc, SaveOutput& output, int64_t size, BlockReadOps& reads,
                       SaveReport* report, const PlaneSnapshot* snapshot) {
    SourceReader reader(doc, reads);
    UnreadableRanges unreadable;
    int64_t out = 0;
    int ok = 1;
    PieceCursor pieces = PieceWalk(doc->m_p_data_plane, snapshot);
    for (const PlanePiece* piece = pieces.Piece(); ok && piece != nullptr;
         pieces.Next(), piece = pieces.Piece()) {
        int64_t rem = piece->m_n_length;
        if (rem < 0 || rem > size - out)
            return 0; // pieces that do not add up to the document's size
        const bool owned = piece->m_n_kind != PIECE_SOURCE;
        if (owned && rem > 0 && piece->m_p_bytes == nullptr)
            return 0;
        int64_t pos = owned ? 0 : piece->m_n_src_begin;
        while (rem > 0) {
            doc->m_n_progress_pos = out / kProgressStep;
            int64_t room = 0;
            uint8_t* dst = output.At(out, &room);
            if (dst == nullptr)
                return 0;
            int64_t n = rem < room ? rem : room;
            if (owned) {
                std::memcpy(dst, piece->m_p_bytes + pos, static_cast<size_t>(n));
            } else if (const int64_t direct = reader.ReadInto(pos, dst, n); direct >= 0) {
                if (direct == 0)
                    return 0; // an unreadable file byte: no file of partial data
                n = direct;
            } else {
                int64_t available = 0;
                const uint8_t* src = reader.At(pos, n, &available);
                if (src != nullptr) {
                    n = available;
                    std::memcpy(dst, src, static_cast<size_t>(n));
                } else {
                    n = reader.ZeroFill(pos, n);
                    if (n <= 0)
                        return 0; // an unreadable file byte: no file of partial data
                    std::memset(dst, 0, static_cast<size_t>(n));
                    unreadable.Add(out, n);
                }
            }
            out += n;
            pos += n;
            rem -= n;
        }
    }
    doc->m_n_progress_pos = out / kProgressStep;
    if (report != nullptr) {
        report->m_n_unreadable_bytes = unreadable.m_n_bytes;
        report->m_n_unreadable_ranges = unreadable.m_n_ranges;
        report->m_n_first_unreadable = unreadable.m_n_first;
    }
    return out == size;
}

int SaveDocumentToFile(CallBackInfo* doc, const wchar_t* path, SaveFileOps& ops,
                       BlockReadOps& reads, MessageSink* messages, const PlaneSnapshot* snapshot) {
    if (path == nullptr || path[0] == 0)
        return 0;
    if (doc == nullptr) {
        ShowMessageTo(messages, kSaveFailed, path);
        return 0;
    }
    if (!CheckTarget(doc, path, ops, messages))
        return 0;
    // The window's size changes with its edits; the snapshot's does not.
    const int64_t size = snapshot != nullptr ? snapshot->Size() : doc->m_n_data_size;
    doc->m_n_progress_total = size / kProgressStep + 1;
    doc->m_n_progress_pos = 0;
    SaveReport report;
    int ok;
    {
        OutputFile output(ops, messages);
        ok = size >= 0 && output.Create(path, size) &&
             WriteDocumentBytes(doc, output, size, reads, &report, snapshot) && output.Commit(path);
    } // a failed output is removed before the message is shown
    if (!ok) {
        ShowMessageTo(messages, kSaveFailed, path);
        return 0;
    }
    if (report.m_n_unreadable_ranges > 0)
        ShowMessageTo(messages, kUnreadableSaved, path, report.m_n_unreadable_bytes,
                      report.m_n_unreadable_ranges, report.m_n_first_unreadable);
    return 1;
}

int SaveDocumentToFile(CallBackInfo* doc, const wchar_t* path, SaveFileOps& ops,
                       BlockReadOps& reads) {
    return SaveDocumentToFile(doc, path, ops, reads, nullptr);
}

int SaveDocumentToFile(CallBackInfo* doc, const wchar_t* path, SaveFileOps& ops) {
    return SaveDocumentToFile(doc, path, ops, PlatformBlockReadOps());
}
