// The edit overlay: a piece list over the unchanged source (see data_plane.h).
#include "data/data_plane.h"

#include "data/source.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

bool OwnsBytes(const PlanePiece* p) {
    return p->m_n_kind != PIECE_SOURCE;
}

} // namespace

PlanePiece* CDataPlane::NewPiece() {
    if (m_p_alloc_gate != nullptr && !m_p_alloc_gate->Allow())
        return nullptr;
    return static_cast<PlanePiece*>(std::calloc(1, sizeof(PlanePiece)));
}

// Owned buffers are plain heap blocks; a zero-byte buffer still gets a block so
// that an owned piece never has a null pointer.
uint8_t* CDataPlane::AllocBytes(int64_t count) {
    if (m_p_alloc_gate != nullptr && !m_p_alloc_gate->Allow())
        return nullptr;
    return static_cast<uint8_t*>(std::malloc(count > 0 ? static_cast<size_t>(count) : 1));
}

void* CDataPlane::ShrinkBytes(uint8_t* bytes, int64_t count) {
    if (m_p_alloc_gate != nullptr && !m_p_alloc_gate->Allow())
        return nullptr;
    return std::realloc(bytes, count > 0 ? static_cast<size_t>(count) : 1);
}

CDataPlane::CDataPlane() = default;

CDataPlane::CDataPlane(int64_t src_size) {
    PlanePiece* p = NewPiece();
    if (p == nullptr)
        return;
    p->m_n_kind = PIECE_SOURCE;
    p->m_n_src_begin = 0;
    p->m_n_src_end = src_size - 1;
    p->m_n_length = src_size;
    m_p_head = p;
    Changed();
}

CDataPlane::~CDataPlane() {
    PlanePiece* p = m_p_head;
    while (p != nullptr) {
        PlanePiece* next = p->m_p_next;
        std::free(p->m_p_bytes);
        std::free(p);
        p = next;
    }
    m_p_head = nullptr;
}

int64_t CDataPlane::PieceCount() const {
    int64_t n = 0;
    for (const PlanePiece* p = m_p_head; p != nullptr; p = p->m_p_next)
        ++n;
    return n;
}

PlanePiece* CDataPlane::Find(int64_t offset, int64_t* start) const {
    if (offset < 0)
        return nullptr;
    std::lock_guard<std::mutex> lock(m_index_lock);
    if (m_n_index_generation != m_n_generation) {
        m_index.clear();
        int64_t s = 0;
        for (PlanePiece* p = m_p_head; p != nullptr; p = p->m_p_next) {
            if (p->m_n_length > 0)
                m_index.push_back({s, p});
            s += p->m_n_length;
        }
        m_n_index_generation = m_n_generation;
        m_n_last_entry = 0;
    }
    const size_t count = m_index.size();
    // Sequential readers ask for the piece they just read or the next one.
    for (size_t i = m_n_last_entry; i < count && i < m_n_last_entry + 2; ++i) {
        const IndexEntry& e = m_index[i];
        if (offset >= e.start && offset < e.start + e.piece->m_n_length) {
            m_n_last_entry = i;
            if (start != nullptr)
                *start = e.start;
            return e.piece;
        }
    }
    auto it = std::upper_bound(m_index.begin(), m_index.end(), offset,
                               [](int64_t o, const IndexEntry& e) { return o < e.start; });
    if (it == m_index.begin())
        return nullptr;
    --it;
    if (offset >= it->start + it->piece->m_n_length)
        return nullptr;
    m_n_last_entry = static_cast<size_t>(it - m_index.begin());
    if (start != nullptr)
        *start = it->start;
    return it->piece;
}

int CDataPlane::LinkAfter(PlanePiece* piece, PlanePiece* anchor) {
    if (IsBeingRead())
        return 0;
    if (piece == nullptr)
        return 0;
    if (anchor != nullptr) {
        piece->m_p_prev = anchor;
        piece->m_p_next = anchor->m_p_next;
        if (anchor->m_p_next != nullptr)
            anchor->m_p_next->m_p_prev = piece;
        anchor->m_p_next = piece;
    } else {
        piece->m_p_prev = nullptr;
        piece->m_p_next = m_p_head;
        if (m_p_head != nullptr)
            m_p_head->m_p_prev = piece;
        m_p_head = piece;
    }
    Changed();
    return 1;
}

void CDataPlane::DeletePiece(PlanePiece* piece) {
    if (IsBeingRead())
        return;
    if (piece == nullptr)
        return;
    if (piece->m_p_prev != nullptr)
        piece->m_p_prev->m_p_next = piece->m_p_next;
    else
        m_p_head = piece->m_p_next;
    if (piece->m_p_next != nullptr)
        piece->m_p_next->m_p_prev = piece->m_p_prev;
    std::free(piece->m_p_bytes);
    std::free(piece);
    Changed();
}

PlanePiece* CDataPlane::AppendPiece(uint32_t kind, int64_t src_begin, int64_t src_end,
                                    int64_t length, uint8_t* bytes) {
    if (IsBeingRead())
        return nullptr;
    PlanePiece* p = NewPiece();
    if (p == nullptr)
        return nullptr;
    p->m_n_kind = kind;
    p->m_n_src_begin = src_begin;
    p->m_n_src_end = src_end;
    p->m_n_length = length;
    p->m_p_bytes = bytes;
    PlanePiece* last = m_n_append_generation == m_n_generation ? m_p_append_tail : m_p_head;
    while (last != nullptr && last->m_p_next != nullptr)
        last = last->m_p_next;
    LinkAfter(p, last);
    m_p_append_tail = p;
    m_n_append_generation = m_n_generation;
    return p;
}

int CDataPlane::SplitPiece(PlanePiece* piece, int64_t relative) {
    if (IsBeingRead())
        return 0;
    if (piece == nullptr || relative >= piece->m_n_length || relative < 0)
        return 0;
    if (relative == 0)
        return 1;
    PlanePiece* n = NewPiece();
    if (n == nullptr)
        return 0;
    n->m_n_kind = piece->m_n_kind;
    n->m_n_length = piece->m_n_length - relative;
    if (!OwnsBytes(piece)) {
        n->m_n_src_begin = piece->m_n_src_begin + relative;
        n->m_n_src_end = piece->m_n_src_end;
    } else {
        n->m_n_src_begin = piece->m_n_src_begin;
        n->m_n_src_end = piece->m_n_src_end;
        n->m_p_bytes = AllocBytes(n->m_n_length);
        if (n->m_p_bytes == nullptr) {
            std::free(n);
            return 0;
        }
        std::memcpy(n->m_p_bytes, piece->m_p_bytes + relative, static_cast<size_t>(n->m_n_length));
        // The first part keeps the right first bytes even if the shrink fails.
        void* shrunk = ShrinkBytes(piece->m_p_bytes, relative);
        if (shrunk == nullptr) {
            std::free(n->m_p_bytes);
            std::free(n);
            return 0;
        }
        piece->m_p_bytes = static_cast<uint8_t*>(shrunk);
    }
    LinkAfter(n, piece);
    piece->m_n_length = relative;
    if (!OwnsBytes(piece))
        piece->m_n_src_end = piece->m_n_src_begin + relative - 1;
    Changed();
    return 1;
}

int CDataPlane::InsertPiece(PlanePiece* piece, PlanePiece* added, int64_t relative) {
    if (IsBeingRead())
        return 0;
    if (piece == nullptr || added == nullptr)
        return 0;
    if (relative != 0) {
        if (!SplitPiece(piece, relative))
            return 0;
        return LinkAfter(added, piece);
    }
    return LinkAfter(added, piece->m_p_prev);
}

int CDataPlane::RemoveInPiece(PlanePiece* piece, int64_t first, int64_t last) {
    if (IsBeingRead())
        return 0;
    if (piece == nullptr || last >= piece->m_n_length || first < 0 || first > last)
        return 0;
    if (first == 0 && last == piece->m_n_length - 1) {
        DeletePiece(piece);
        return 1;
    }
    const int64_t n = last - first + 1;
    const int64_t new_length = piece->m_n_length - n;
    if (first == 0) {
        if (!OwnsBytes(piece)) {
            piece->m_n_src_begin += last + 1;
        } else {
            uint8_t* bytes = AllocBytes(new_length);
            if (bytes == nullptr)
                return 0;
            std::memcpy(bytes, piece->m_p_bytes + last + 1, new_length);
            std::free(piece->m_p_bytes);
            piece->m_p_bytes = bytes;
        }
        piece->m_n_length = new_length;
        Changed();
        return 1;
    }
    if (last == piece->m_n_length - 1) {
        if (!OwnsBytes(piece)) {
            piece->m_n_src_end -= n;
        } else {
            void* shrunk = ShrinkBytes(piece->m_p_bytes, new_length);
            if (shrunk == nullptr)
                return 0;
            piece->m_p_bytes = static_cast<uint8_t*>(shrunk);
        }
        piece->m_n_length = new_length;
        Changed();
        return 1;
    }
    // A run in the middle: the tail after it becomes a new piece.
    PlanePiece* tail = NewPiece();
    if (tail == nullptr)
        return 0;
    tail->m_n_kind = piece->m_n_kind;
    tail->m_n_length = piece->m_n_length - last - 1;
    if (!OwnsBytes(piece)) {
        tail->m_n_src_begin = piece->m_n_src_begin + last + 1;
        tail->m_n_src_end = piece->m_n_src_end;
    } else {
        tail->m_n_src_begin = piece->m_n_src_begin;
        tail->m_n_src_end = piece->m_n_src_end;
        tail->m_p_bytes = AllocBytes(tail->m_n_length);
        if (tail->m_p_bytes == nullptr) {
            std::free(tail);
            return 0;
        }
        std::memcpy(tail->m_p_bytes, piece->m_p_bytes + last + 1,
                    static_cast<size_t>(tail->m_n_length));
        void* shrunk = ShrinkBytes(piece->m_p_bytes, first);
        if (shrunk == nullptr) {
            std::free(tail->m_p_bytes);
            std::free(tail);
            return 0;
        }
        piece->m_p_bytes = static_cast<uint8_t*>(shrunk);
    }
    LinkAfter(tail, piece);
    piece->m_n_length = first;
    if (!OwnsBytes(piece))
        piece->m_n_src_end = piece->m_n_src_begin + first - 1;
    Changed();
    return 1;
}

namespace {

PieceRecord RecordOf(const PlanePiece* p) {
    return {p->m_n_kind, p->m_n_src_begin, p->m_n_src_end, p->m_n_length, p->m_p_bytes};
}

// Whether source piece b continues source piece a in the source.
bool Continues(const PlanePiece* a, const PlanePiece* b) {
    return a != nullptr && b != nullptr && a->m_n_kind == PIECE_SOURCE &&
           b->m_n_kind == PIECE_SOURCE && a->m_n_length > 0 && b->m_n_length > 0 &&
           a->m_n_src_end + 1 == b->m_n_src_begin;
}

void FreeChain(PlanePiece* p) {
    while (p != nullptr) {
        PlanePiece* next = p->m_p_next;
        std::free(p->m_p_bytes);
        std::free(p);
        p = next;
    }
}

// A list of new pieces built before the plane changes; a source piece that
// continues the last one is joined to it.
struct Chain {
    PlanePiece* head = nullptr;
    PlanePiece* tail = nullptr;
    void Add(PlanePiece* p) {
        if (Continues(tail, p)) {
            tail->m_n_src_end = p->m_n_src_end;
            tail->m_n_length += p->m_n_length;
            std::free(p);
            return;
        }
        p->m_p_prev = tail;
        if (tail != nullptr)
            tail->m_p_next = p;
        else
            head = p;
        tail = p;
    }
};

} // namespace

void CDataPlane::PatchIndex(uint64_t generation_before, size_t lo, size_t hi,
                            const PlanePiece* first, const PlanePiece* last, int64_t start,
                            int64_t shift) {
    std::lock_guard<std::mutex> lock(m_index_lock);
    if (m_n_index_generation != generation_before || lo > hi || hi > m_index.size())
        return;
    try {
        std::vector<IndexEntry> added;
        for (const PlanePiece* p = first; p != nullptr; p = p->m_p_next) {
            if (p->m_n_length > 0) {
                added.push_back({start, const_cast<PlanePiece*>(p)});
                start += p->m_n_length;
            }
            if (p == last)
                break;
        }
        m_index.erase(m_index.begin() + static_cast<std::ptrdiff_t>(lo),
                      m_index.begin() + static_cast<std::ptrdiff_t>(hi));
        m_index.insert(m_index.begin() + static_cast<std::ptrdiff_t>(lo), added.begin(),
                       added.end());
        if (shift != 0)
            for (size_t i = lo + added.size(); i < m_index.size(); ++i)
                m_index[i].start += shift;
    } catch (const std::bad_alloc&) {
        return; // rebuilt at the next Find
    }
    m_n_index_generation = m_n_generation;
    m_n_last_entry = lo < m_index.size() ? lo : 0;
}

PlanePiece* CDataPlane::MakePiece(const PieceRecord& record, int64_t from, int64_t length) {
    PlanePiece* p = NewPiece();
    if (p == nullptr)
        return nullptr;
    p->m_n_kind = record.m_n_kind;
    p->m_n_length = length;
    if (record.m_n_kind == PIECE_SOURCE) {
        p->m_n_src_begin = record.m_n_src_begin + from;
        p->m_n_src_end = p->m_n_src_begin + length - 1;
        return p;
    }
    p->m_n_src_begin = record.m_n_src_begin;
    p->m_n_src_end = record.m_n_src_end;
    p->m_p_bytes = AllocBytes(length);
    if (p->m_p_bytes == nullptr) {
        std::free(p);
        return nullptr;
    }
    if (length > 0)
        std::memcpy(p->m_p_bytes, record.m_p_bytes + from, static_cast<size_t>(length));
    return p;
}

int CDataPlane::Replace(int64_t first, int64_t count, const PieceRecord* records,
                        size_t record_count) {
    if (IsBeingRead())
        return 0;
    if (first < 0 || count < 0 || (record_count > 0 && records == nullptr))
        return 0;
    // The run of pieces that goes (left..right), the parts of its edge pieces
    // that stay (head and tail), and the pieces around it.
    int64_t left_start = 0;
    PlanePiece* left = Find(first, &left_start);
    PlanePiece* right = left;
    int64_t right_start = left_start;
    PlanePiece* before = nullptr;
    // The index entries the change replaces, [entry_lo, entry_hi).
    const uint64_t generation = m_n_generation;
    size_t entry_lo = left != nullptr ? LastEntry() : 0;
    size_t entry_hi = entry_lo;
    if (left == nullptr) {
        // Only an insertion at the very end finds no piece.
        int64_t size = 0;
        for (PlanePiece* q = m_p_head; q != nullptr; q = q->m_p_next) {
            size += q->m_n_length;
            before = q;
        }
        if (count != 0 || first != size)
            return 0;
        std::lock_guard<std::mutex> lock(m_index_lock);
        entry_lo = entry_hi = m_index.size();
    } else if (count > 0) {
        right = Find(first + count - 1, &right_start);
        if (right == nullptr)
            return 0;
        entry_hi = LastEntry() + 1;
    } else {
        entry_hi = entry_lo + 1;
    }
    const int64_t head_length = left != nullptr ? first - left_start : 0;
    const int64_t tail_from = left == nullptr ? 0
                              : count > 0     ? first + count - right_start
                                              : head_length;
    if (left != nullptr && count == 0 && head_length == 0) {
        // A pure insertion in front of a piece keeps that piece whole.
        before = left->m_p_prev;
        left = nullptr;
        entry_hi = entry_lo;
    }
    // Where the new pieces begin: the head part of left is one of them.
    int64_t new_start = left != nullptr ? left_start : first;
    int64_t new_length = 0;
    for (size_t i = 0; i < record_count; ++i)
        new_length += records[i].m_n_length;

    Chain chain;
    bool ok = true;
    auto add = [&](const PieceRecord& record, int64_t from, int64_t length) {
        PlanePiece* p = ok ? MakePiece(record, from, length) : nullptr;
        if (p == nullptr)
            ok = false;
        else
            chain.Add(p);
    };
    if (left != nullptr && head_length > 0)
        add(RecordOf(left), 0, head_length);
    for (size_t i = 0; i < record_count; ++i)
        add(records[i], 0, records[i].m_n_length);
    if (left != nullptr && tail_from < right->m_n_length)
        add(RecordOf(right), tail_from, right->m_n_length - tail_from);
    if (!ok) {
        FreeChain(chain.head);
        return 0;
    }

    // Nothing fails from here on.
    PlanePiece* after = nullptr;
    if (left != nullptr) {
        before = left->m_p_prev;
        after = right->m_p_next;
        right->m_p_next = nullptr;
        FreeChain(left);
    } else {
        after = before != nullptr ? before->m_p_next : m_p_head;
    }
    if (chain.head != nullptr && Continues(before, chain.head)) {
        PlanePiece* joined = chain.head;
        before->m_n_src_end = joined->m_n_src_end;
        before->m_n_length += joined->m_n_length;
        new_start += joined->m_n_length;
        chain.head = joined->m_p_next;
        if (chain.tail == joined)
            chain.tail = nullptr;
        std::free(joined);
    }
    PlanePiece* last = chain.tail != nullptr ? chain.tail : before;
    if (Continues(last, after)) {
        last->m_n_src_end = after->m_n_src_end;
        last->m_n_length += after->m_n_length;
        PlanePiece* gone = after;
        after = after->m_p_next;
        std::free(gone);
        ++entry_hi; // the joined piece's entry goes
    }
    if (chain.head != nullptr) {
        chain.head->m_p_prev = before;
        chain.tail->m_p_next = after;
        if (before != nullptr)
            before->m_p_next = chain.head;
        else
            m_p_head = chain.head;
        if (after != nullptr)
            after->m_p_prev = chain.tail;
    } else {
        if (before != nullptr)
            before->m_p_next = after;
        else
            m_p_head = after;
        if (after != nullptr)
            after->m_p_prev = before;
    }
    Changed();
    PatchIndex(generation, entry_lo, entry_hi, chain.head, chain.tail, new_start,
               new_length - count);
    return 1;
}

int CDataPlane::Remove(int64_t first, int64_t last) {
    if (first < 0 || last < first)
        return 0;
    return Replace(first, last - first + 1, nullptr, 0);
}

int CDataPlane::Insert(int64_t offset, const uint8_t* bytes, int64_t count) {
    if (offset < 0 || count < 0 || (count > 0 && bytes == nullptr))
        return 0;
    const PieceRecord record = {PIECE_INSERTED, 0, 0, count, bytes};
    return Replace(offset, 0, &record, 1);
}

int CDataPlane::SetNibble(int64_t offset, uint8_t value, int high, CSrclibrary* source) {
    if (IsBeingRead())
        return 0;
    int64_t s = 0;
    PlanePiece* p = Find(offset, &s);
    if (p == nullptr)
        return 0;
    const uint64_t generation = m_n_generation;
    const size_t entry = LastEntry();
    const int64_t r = offset - s;
    value &= 0x0F;
    if (OwnsBytes(p)) {
        uint8_t& b = p->m_p_bytes[r];
        b = high ? static_cast<uint8_t>((value << 4) | (b & 0x0F))
                 : static_cast<uint8_t>((b & 0xF0) | value);
        Changed();
        PatchIndex(generation, 0, 0, nullptr, nullptr, 0, 0); // no extent moved
        return 1;
    }
    // The other half comes from the source; without it the edit is refused
    // before anything changes.
    if (source == nullptr)
        return 0;
    const uint8_t* src = source->GetData(p->m_n_src_begin + r);
    if (src == nullptr)
        return 0;
    const uint8_t merged = high ? static_cast<uint8_t>((*src & 0x0F) | (value << 4))
                                : static_cast<uint8_t>((*src & 0xF0) | value);
    PlanePiece* m = NewPiece();
    if (m == nullptr)
        return 0;
    m->m_p_bytes = AllocBytes(1);
    if (m->m_p_bytes == nullptr) {
        std::free(m);
        return 0;
    }
    if (!SplitPiece(p, r)) {
        std::free(m->m_p_bytes);
        std::free(m);
        return 0;
    }
    PlanePiece* target = r != 0 ? p->m_p_next : p;
    LinkAfter(m, r != 0 ? p : p->m_p_prev);
    m->m_p_bytes[0] = merged;
    m->m_n_kind = PIECE_OVERWRITTEN;
    m->m_n_src_begin = m->m_n_src_end = target->m_n_src_begin;
    m->m_n_length = 1;
    target->m_n_src_begin += 1;
    target->m_n_length -= 1;
    // The piece's one entry becomes those of its parts: before, typed, after.
    PlanePiece* last = target;
    if (target->m_n_length == 0) {
        last = m;
        DeletePiece(target);
    }
    Changed();
    PatchIndex(generation, entry, entry + 1, r != 0 ? p : m, last, s, 0);
    return 1;
}
