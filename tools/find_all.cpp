// Find all: the pass walks the snapshot as runs of contiguous bytes (owned
// piece bytes, or blocks of the source) and searches each run in place. A
// start is decided only once MaxLength() bytes from it are at hand; the
// undecided bytes at a run's end are carried over and searched again joined
// with the next run's first bytes, so matches across runs count once and the
// list stays in document order.
#include "tools/find_all.h"

#include "data/block_reader.h"
#include "data/document.h"
#include "data/process_reader.h"

#include <algorithm>
#include <cstring>

namespace {

enum RunResult { kRunEnd = 0, kRunOk = 1, kRunSkipped = 2 };

// The snapshot's bytes from offset 0 as runs: owned piece bytes as they lie,
// source bytes through a block reader of the search's own.
class SnapshotRuns {
  public:
    SnapshotRuns(const PlaneSnapshot& snapshot, CallBackInfo* doc) : m_pieces(snapshot) {
        if (doc->m_n_source_kind == 0)
            m_p_file = std::make_unique<BlockReader>(doc->m_file_mapping.m_h_file,
                                                     doc->m_file_mapping.m_n_file_size);
        else if (doc->m_n_source_kind == 1)
            m_p_process = std::make_unique<ProcessReader>(doc->m_proc_info.m_p_ops,
                                                          doc->m_proc_info.m_h_open_process);
    }

    // kRunOk with the next run; kRunSkipped when unreadable process memory
    // was passed over (no match spans it); kRunEnd at the end or at a byte
    // of a file that cannot be read.
    RunResult Next(const uint8_t** data, int64_t* length, int64_t* offset) {
        for (;;) {
            const PlanePiece* piece = m_pieces.Piece();
            if (piece == nullptr)
                return kRunEnd;
            if (m_n_rel >= piece->m_n_length) {
                m_pieces.Next();
                m_n_rel = 0;
                continue;
            }
            const int64_t left = piece->m_n_length - m_n_rel;
            *offset = m_pieces.Start() + m_n_rel;
            if (piece->m_n_kind != PIECE_SOURCE) {
                if (piece->m_p_bytes == nullptr)
                    return kRunEnd;
                *data = piece->m_p_bytes + m_n_rel;
                *length = left;
                m_n_rel += left;
                return kRunOk;
            }
            const int64_t src = piece->m_n_src_begin + m_n_rel;
            int64_t got = 0;
            const uint8_t* p = nullptr;
            if (m_p_file)
                p = m_p_file->Span(src, left, &got);
            else if (m_p_process)
                p = m_p_process->Span(src, left, &got);
            if (p != nullptr && got > 0) {
                *data = p;
                *length = got;
                m_n_rel += got;
                return kRunOk;
            }
            const int64_t skip = m_p_process ? m_p_process->UnreadableLength(src, left) : 0;
            if (skip <= 0)
                return kRunEnd;
            m_n_rel += skip;
            return kRunSkipped;
        }
    }

  private:
    SnapshotCursor m_pieces;
    int64_t m_n_rel = 0; // position within the cursor's piece
    std::unique_ptr<BlockReader> m_p_file;
    std::unique_ptr<ProcessReader> m_p_process;
};

// Runs are searched in slices of this size so progress and a stop request
// are seen often even in one long run.
constexpr int64_t kSlice = 0x10000;

// Lists the matches in buffer whose start lies before limit; offset is the
// document offset of buffer[0]. After a match the search goes on one byte
// after its start, as a repeated "Next" does.
void ListStarts(const SearchMatcher& matcher, const uint8_t* buffer, size_t length, size_t limit,
                int64_t offset, MatchList* list) {
    size_t pos = 0;
    while (pos < limit) {
        size_t matched = 0;
        const int64_t r = matcher.First(buffer + pos, length - pos, &matched);
        if (r < 0)
            return;
        const size_t start = pos + static_cast<size_t>(r);
        if (start >= limit)
            return;
        list->Add(offset + static_cast<int64_t>(start), matched);
        pos = start + 1;
    }
}

// The bytes from the first undecided start on (fewer than MaxLength()).
struct Carry {
    std::vector<uint8_t> m_bytes;
    int64_t m_n_offset = 0;
};

// Decides every start in the carry, as at the end of the data or before
// bytes that cannot be read: a match there must lie within the carry.
void Flush(const SearchMatcher& matcher, Carry* carry, MatchList* list) {
    ListStarts(matcher, carry->m_bytes.data(), carry->m_bytes.size(), carry->m_bytes.size(),
               carry->m_n_offset, list);
    carry->m_bytes.clear();
}

// Searches one slice: first the carried starts joined with the slice's
// first bytes, then the slice's own starts that have keep bytes after them;
// the rest is carried to the next slice.
void SearchSlice(const SearchMatcher& matcher, const uint8_t* data, size_t len, int64_t offset,
                 size_t keep, Carry* carry, std::vector<uint8_t>* joint, MatchList* list) {
    if (len < keep) {
        // A short run (a small inserted piece): it joins the carry, whose
        // decided starts are then listed and let go.
        if (carry->m_bytes.empty())
            carry->m_n_offset = offset;
        carry->m_bytes.insert(carry->m_bytes.end(), data, data + len);
        if (carry->m_bytes.size() <= keep)
            return;
        const size_t decided = carry->m_bytes.size() - keep;
        ListStarts(matcher, carry->m_bytes.data(), carry->m_bytes.size(), decided,
                   carry->m_n_offset, list);
        carry->m_bytes.erase(carry->m_bytes.begin(),
                             carry->m_bytes.begin() + static_cast<std::ptrdiff_t>(decided));
        carry->m_n_offset += static_cast<int64_t>(decided);
        return;
    }
    if (!carry->m_bytes.empty()) {
        const size_t carried = carry->m_bytes.size();
        joint->assign(carry->m_bytes.begin(), carry->m_bytes.end());
        joint->insert(joint->end(), data, data + keep);
        ListStarts(matcher, joint->data(), joint->size(), carried, carry->m_n_offset, list);
    }
    ListStarts(matcher, data, len, len - keep, offset, list);
    carry->m_bytes.assign(data + (len - keep), data + len);
    carry->m_n_offset = offset + static_cast<int64_t>(len - keep);
}

} // namespace

int MatchList::Add(int64_t offset, size_t length) {
    ++m_n_count;
    if (m_n_size >= m_n_limit)
        return 0;
    if ((m_n_size >> kChunkShift) >= m_chunks.size())
        m_chunks.emplace_back(new FoundMatch[kChunkSize]);
    const auto n = static_cast<uint32_t>(length);
    Entry(m_n_size++) = FoundMatch{offset, n, 0};
    m_n_longest = std::max(m_n_longest, n);
    return 1;
}

void MatchList::Clear() {
    m_chunks.clear();
    m_n_size = 0;
    m_n_count = 0;
    m_n_longest = 0;
    m_b_stale = 0;
}

size_t MatchList::FirstEndingAfter(int64_t offset) const {
    // Offsets ascend and no match is longer than m_n_longest, so every match
    // ending after offset starts at or after offset - m_n_longest + 1.
    const int64_t from = offset - static_cast<int64_t>(m_n_longest) + 1;
    size_t lo = 0;
    size_t hi = m_n_size;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (At(mid).m_n_offset < from)
            lo = mid + 1;
        else
            hi = mid;
    }
    while (lo < m_n_size && At(lo).m_n_offset + At(lo).m_n_length <= offset)
        ++lo;
    return lo;
}

void MatchList::Follow(const DocumentChange& change) {
    m_b_stale = 1;
    if (change.m_b_everything) {
        for (size_t i = 0; i < m_n_size; ++i)
            Entry(i).m_b_touched = 1;
        return;
    }
    const int64_t at = change.m_n_offset;
    const int64_t removed_end = at + change.m_n_removed;
    const int64_t delta = change.m_n_inserted - change.m_n_removed;
    for (size_t i = FirstEndingAfter(at); i < m_n_size; ++i) {
        FoundMatch& match = Entry(i);
        if (match.m_n_offset >= removed_end) {
            match.m_n_offset += delta;
            continue;
        }
        // The change lies inside the match or overlaps it: its bytes are no
        // longer those found. A start in the removed bytes moves to where
        // they were.
        match.m_b_touched = 1;
        if (match.m_n_offset > at)
            match.m_n_offset = at;
    }
}

int FindAll(SearchRequest* request, const SearchMatcher& matcher, MatchList* list) {
    list->Clear();
    CallBackInfo* doc = request->m_p_document;
    const size_t longest = matcher.MaxLength();
    if (doc == nullptr || !request->m_snapshot.Valid() || longest == 0 || matcher.MinLength() == 0)
        return 0;
    doc->m_n_progress_total = request->m_snapshot.Size() / 65536;
    doc->m_n_progress_pos = 0;
    const size_t keep = longest - 1; // bytes after a start it takes to decide it
    Carry carry;
    carry.m_bytes.reserve(2 * keep);
    std::vector<uint8_t> joint;
    joint.reserve(2 * keep);
    SnapshotRuns runs(request->m_snapshot, doc);
    const uint8_t* data = nullptr;
    int64_t length = 0;
    int64_t offset = 0;
    for (;;) {
        const RunResult got = runs.Next(&data, &length, &offset);
        if (got == kRunEnd)
            break;
        if (got == kRunSkipped) {
            Flush(matcher, &carry, list);
            if (request->m_b_stop.load(std::memory_order_relaxed))
                return 0;
            continue;
        }
        while (length > 0) {
            if (request->m_b_stop.load(std::memory_order_relaxed))
                return 0;
            doc->m_n_progress_pos = offset >> 16;
            const int64_t slice = std::min(length, kSlice);
            SearchSlice(matcher, data, static_cast<size_t>(slice), offset, keep, &carry, &joint,
                        list);
            data += slice;
            offset += slice;
            length -= slice;
        }
    }
    Flush(matcher, &carry, list);
    doc->m_n_progress_pos = doc->m_n_progress_total.load();
    return 1;
}
