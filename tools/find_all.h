// Find all: one forward pass over a snapshot of a document that counts every
// match and lists the first ones, and the list itself, which follows the
// document's later insertions and removals so its offsets stay right.
#pragma once

#include "data/document_change.h"
#include "tools/find.h"
#include "tools/search_matcher.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// One listed match.
struct FoundMatch {
    int64_t m_n_offset;
    uint32_t m_n_length;
    uint32_t m_b_touched; // a change since the pass overlapped its bytes
};
static_assert(sizeof(FoundMatch) == 16, "a listed match takes 16 bytes");

// How many matches a pass lists; it counts on past them.
constexpr size_t kFindAllListLimit = 1000000;

// The matches of one pass in document order: every one counted, the first
// `limit` kept. The entries live in fixed chunks, so the list takes 16 bytes
// a match and never twice that while it grows.
class MatchList {
  public:
    explicit MatchList(size_t limit = kFindAllListLimit) : m_n_limit(limit) {}

    // Counts a match and lists it while there is room; offsets come in
    // ascending order. 1 when listed.
    int Add(int64_t offset, size_t length);
    void Clear();

    size_t Size() const { return m_n_size; } // listed matches
    const FoundMatch& At(size_t index) const {
        return m_chunks[index >> kChunkShift][index & (kChunkSize - 1)];
    }
    int64_t Count() const { return m_n_count; } // all matches, listed or not
    int Truncated() const { return m_n_count > static_cast<int64_t>(m_n_size) ? 1 : 0; }
    // 1 once the document changed after the pass: the list may be stale.
    int Stale() const { return m_b_stale; }

    // Follows a change of the document: matches after it move by the bytes
    // it inserted less those it removed, matches whose bytes it touched are
    // marked (their start kept within the document), and the list turns
    // stale. A change of everything marks every match.
    void Follow(const DocumentChange& change);

  private:
    static constexpr size_t kChunkShift = 16;
    static constexpr size_t kChunkSize = size_t{1} << kChunkShift;
    FoundMatch& Entry(size_t index) {
        return m_chunks[index >> kChunkShift][index & (kChunkSize - 1)];
    }
    // The first listed match that ends after offset (Size() when none).
    size_t FirstEndingAfter(int64_t offset) const;

    size_t m_n_limit;
    std::vector<std::unique_ptr<FoundMatch[]>> m_chunks;
    size_t m_n_size = 0;
    int64_t m_n_count = 0;
    uint32_t m_n_longest = 0; // no listed match is longer: bounds the search in Follow
    int m_b_stale = 0;
};

// Runs the pass over the request's snapshot from offset 0 with the matcher,
// filling list (cleared first) and the document's progress counters. Matches
// are counted as repeated "Next" searches find them: each search starts one
// byte after the previous match's first byte, so overlapping matches all
// count. 1 when the pass reached the end, 0 when stopped by the request's
// flag or when there was nothing to search.
int FindAll(SearchRequest* request, const SearchMatcher& matcher, MatchList* list);
