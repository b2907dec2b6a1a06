// Find all: the pass asks the forward search over the snapshot for one match
// after another, each from one byte after the last match's start; the search
// keeps its reader and block between the calls, so the pass reads the bytes
// once.
#include "tools/find_all.h"

#include "data/document.h"

#include <algorithm>

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
    if (doc == nullptr || !request->m_snapshot.Valid() || matcher.MinLength() == 0)
        return 0;
    doc->m_n_progress_pos = 0;
    SnapshotSearch search(doc, request->m_snapshot, matcher, &request->m_b_stop);
    int64_t length = 0;
    for (int64_t at = SearchSnapshotForward(&search, 0, &length); at >= 0;
         at = SearchSnapshotForward(&search, at + 1, &length))
        list->Add(at, static_cast<size_t>(length));
    if (request->m_b_stop.load(std::memory_order_relaxed))
        return 0;
    doc->m_n_progress_pos = doc->m_n_progress_total.load();
    return 1;
}
