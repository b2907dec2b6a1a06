// The document: sources, overlay, view fields and the effective-byte readers.
#include "data/document.h"

#include "data/workspace.h"

#include <cstring>
#include <new>

const wchar_t kDocumentBusyText[] = L"A save or search is running";

CallBackInfo::CallBackInfo(void* view_window, FileMapOps& file_ops, ProcessOps& process_ops)
    : m_h_view_window(view_window), m_file_mapping(file_ops), m_proc_info(process_ops) {}

CallBackInfo::~CallBackInfo() {
    // Watches outlive the document harmlessly: they forget it.
    for (DocumentWatch* watch : m_watches) {
        watch->m_p_doc = nullptr;
        watch->m_p_watcher = nullptr;
    }
    m_watches.clear();
    m_n_data_size = 0;
    m_h_view_window = nullptr;
    m_n_top_offset = 0;
    delete m_p_data_plane;
    m_p_data_plane = nullptr;
    m_proc_info.ReleaseProcesses();
    m_file_mapping.Close();
}

CSrclibrary* CallBackInfo::Source() {
    if (m_n_source_kind == 0)
        return &m_file_mapping;
    if (m_n_source_kind == 1)
        return &m_proc_info;
    return nullptr;
}

void CallBackInfo::Tell(const DocumentChange& change) {
    ++m_n_generation;
    // By index: a watcher may stop watching while it is told.
    for (size_t i = 0; i < m_watches.size(); ++i)
        m_watches[i]->m_p_watcher->DocumentChanged(*this, change);
}

void CallBackInfo::TellStep(const HistoryResult& result, int direction) {
    m_n_data_size += result.m_n_size_delta;
    DocumentChange change = {result.m_n_first, result.m_n_length - result.m_n_size_delta,
                             result.m_n_length, 0};
    change.m_n_step = direction;
    const std::vector<DocumentChangePart>& parts = m_history.LastBulkParts();
    if (!parts.empty()) {
        change.m_p_parts = parts.data();
        change.m_n_parts = parts.size();
    }
    Tell(change);
}

int CallBackInfo::Replace(int64_t first, int64_t count, const uint8_t* bytes, int64_t length) {
    if ((count == 0 && length == 0) ||
        !m_history.Replace(m_p_data_plane, first, count, bytes, length, EditMarkOf(*this)))
        return 0;
    m_n_data_size += length - count;
    Tell({first, count, length, 0});
    return 1;
}

int CallBackInfo::Insert(int64_t offset, const uint8_t* bytes, int64_t length) {
    return length > 0 ? Replace(offset, 0, bytes, length) : 0;
}

int CallBackInfo::Remove(int64_t first, int64_t last) {
    return last >= first ? Replace(first, last - first + 1, nullptr, 0) : 0;
}

int CallBackInfo::Overwrite(int64_t offset, const uint8_t* bytes, int64_t length) {
    return length > 0 ? Replace(offset, length, bytes, length) : 0;
}

int CallBackInfo::ReplaceMany(const BulkReplacement* replacements, size_t count) {
    std::vector<DocumentChangePart> parts;
    try {
        parts.reserve(count);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (count == 0 || replacements == nullptr ||
        !m_history.ReplaceMany(m_p_data_plane, replacements, count, EditMarkOf(*this)))
        return 0;
    int64_t delta = 0;
    for (size_t i = 0; i < count; ++i) {
        const BulkReplacement& r = replacements[i];
        parts.push_back({r.m_n_first, r.m_n_count, r.m_n_length});
        delta += r.m_n_length - r.m_n_count;
    }
    m_n_data_size += delta;
    const BulkReplacement& last = replacements[count - 1];
    const int64_t removed = last.m_n_first + last.m_n_count - replacements[0].m_n_first;
    DocumentChange change = {replacements[0].m_n_first, removed, removed + delta, 0};
    change.m_p_parts = parts.data();
    change.m_n_parts = parts.size();
    Tell(change);
    return 1;
}

int CallBackInfo::TypeNibble(int64_t offset, uint8_t value, int high, CSrclibrary* source) {
    if (!m_history.TypeNibble(m_p_data_plane, offset, value, high, source, EditMarkOf(*this)))
        return 0;
    Tell({offset, 1, 1, 0});
    return 1;
}

int CallBackInfo::Undo(HistoryResult* result) {
    HistoryResult step = {};
    if (!m_history.Undo(m_p_data_plane, &step))
        return 0;
    TellStep(step, -1);
    if (result != nullptr)
        *result = step;
    return 1;
}

int CallBackInfo::Redo(HistoryResult* result) {
    HistoryResult step = {};
    if (!m_history.Redo(m_p_data_plane, &step))
        return 0;
    TellStep(step, 1);
    if (result != nullptr)
        *result = step;
    return 1;
}

void CallBackInfo::MarkKept() {
    m_history.EndTyping();
    m_history.MarkClean();
}

int CallBackInfo::StartAfreshWith(std::unique_ptr<CDataPlane> plane, int64_t size) {
    if (plane == nullptr)
        return 0;
    const int64_t before = m_n_data_size;
    delete m_p_data_plane;
    m_p_data_plane = plane.release();
    m_n_data_size = size;
    m_history.Clear();
    Tell({0, before, size, 1});
    return 1;
}

int CallBackInfo::OpenFile(const wchar_t* path, int read_only) {
    if (!m_file_mapping.Open(path, read_only))
        return 0;
    m_b_read_only = read_only ? 1 : 0;
    m_n_data_size = m_file_mapping.m_n_file_size;
    const std::wstring workspace = WorkspaceName(path);
    CDataPlane* restored = new (std::nothrow) CDataPlane();
    int64_t size = m_file_mapping.m_n_file_size;
    const int read = restored != nullptr ? ReadWorkspace(restored, workspace.c_str(), &size) : 0;
    if (read && restored->PieceCount() > 0) {
        m_p_data_plane = restored;
        m_n_data_size = size;
    } else {
        delete restored;
        m_p_data_plane = new (std::nothrow) CDataPlane(m_file_mapping.m_n_file_size);
        if (m_p_data_plane != nullptr && m_p_data_plane->PieceCount() == 0) {
            delete m_p_data_plane;
            m_p_data_plane = nullptr;
        }
    }
    if (m_p_data_plane == nullptr)
        return 0;
    m_n_source_kind = 0;
    return read == kWorkspaceReadInPart ? kWorkspaceReadInPart : 1;
}

const uint8_t* FetchEffectiveByte(CallBackInfo* doc, int64_t offset, CSrclibrary* source) {
    doc->m_b_cur_modified = 0;
    if (doc->m_p_data_plane == nullptr)
        return nullptr;
    int64_t start = 0;
    const PlanePiece* p = doc->m_p_data_plane->Find(offset, &start);
    if (p == nullptr)
        return nullptr;
    if (p->m_n_kind != PIECE_SOURCE) {
        doc->m_b_cur_modified = 1;
        return p->m_p_bytes + (offset - start);
    }
    if (source == nullptr)
        return nullptr;
    return source->GetData(p->m_n_src_begin + offset - start);
}

int64_t SourceAddress(CallBackInfo* doc, int64_t offset) {
    doc->m_b_cur_modified = 0;
    if (doc->m_p_data_plane == nullptr)
        return -1;
    int64_t start = 0;
    const PlanePiece* p = doc->m_p_data_plane->Find(offset, &start);
    if (p == nullptr)
        return -1;
    doc->m_b_cur_modified = p->m_n_kind != PIECE_SOURCE ? 1 : 0;
    return p->m_n_src_begin + (offset - start);
}

int CallBackInfo::OpenProcess(int64_t index) {
    std::unique_ptr<CDataPlane> pieces(new (std::nothrow) CDataPlane());
    if (pieces == nullptr || !m_proc_info.OpenProcessAt(index, pieces.get()))
        return 0;
    delete m_p_data_plane;
    m_p_data_plane = pieces.release();
    m_n_data_size = static_cast<int64_t>(m_proc_info.m_n_total_size);
    m_n_source_kind = 1;
    return 1;
}

namespace {

// Reads up to count bytes at a source offset; the file source hands out whole
// view remainders, the process source its read block, any other one byte.
int64_t ReadSource(CSrclibrary* source, int64_t at, uint8_t* out, int64_t count) {
    int64_t done = 0;
    if (auto* file = dynamic_cast<CFileMapping*>(source)) {
        while (done < count) {
            size_t available = 0;
            const uint8_t* p = file->ViewData(at + done, &available);
            if (p == nullptr || available == 0)
                break;
            const int64_t n = static_cast<int64_t>(available) < count - done
                                  ? static_cast<int64_t>(available)
                                  : count - done;
            std::memcpy(out + done, p, static_cast<size_t>(n));
            done += n;
        }
        return done;
    }
    if (auto* process = dynamic_cast<CProcInfo*>(source)) {
        while (done < count) {
            const uint8_t* p = process->GetData(at + done);
            if (p == nullptr)
                break;
            const ProcAddress address = static_cast<ProcAddress>(at + done);
            int64_t available =
                static_cast<int64_t>(process->m_n_read_address + process->m_n_read_count - address);
            if (available < 1)
                available = 1;
            const int64_t n = available < count - done ? available : count - done;
            std::memcpy(out + done, p, static_cast<size_t>(n));
            done += n;
        }
        return done;
    }
    for (; done < count; ++done) {
        const uint8_t* p = source->GetData(at + done);
        if (p == nullptr)
            break;
        out[done] = *p;
    }
    return done;
}

} // namespace

int64_t ReadEffectiveSpan(CallBackInfo* doc, int64_t offset, uint8_t* out, int64_t count,
                          CSrclibrary* source) {
    if (doc == nullptr || doc->m_p_data_plane == nullptr || count <= 0)
        return 0;
    PieceCursor cursor(*doc->m_p_data_plane, offset);
    int64_t start = cursor.Start();
    const PlanePiece* p = cursor.Piece();
    int64_t done = 0;
    while (p != nullptr && done < count) {
        const int64_t rel = offset + done - start;
        if (rel < p->m_n_length) {
            int64_t n = p->m_n_length - rel;
            if (n > count - done)
                n = count - done;
            if (p->m_n_kind != PIECE_SOURCE) {
                std::memcpy(out + done, p->m_p_bytes + rel, static_cast<size_t>(n));
                done += n;
            } else {
                if (source == nullptr)
                    break;
                const int64_t got = ReadSource(source, p->m_n_src_begin + rel, out + done, n);
                done += got;
                if (got < n)
                    break;
            }
        }
        start += p->m_n_length;
        cursor.Next();
        p = cursor.Piece();
    }
    return done;
}
