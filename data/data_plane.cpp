// The edit overlay: a piece list over the unchanged source, and a treap over
// the same pieces whose nodes know the length below them (see data_plane.h).
#include "data/data_plane.h"

#include "data/plane_snapshot.h"
#include "data/source.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace {

bool OwnsBytes(const PlanePiece* p) {
    return p->m_n_kind != PIECE_SOURCE;
}

// The priority of a piece at the level of the lowest set bit of ranked, a
// random tie-break below it.
uint32_t Priority(uint32_t ranked, uint32_t random) {
    return (static_cast<uint32_t>(__builtin_ctz(ranked)) << 27) | (random >> 5);
}

} // namespace

PlanePiece* CDataPlane::NewPiece() {
    if (m_p_alloc_gate != nullptr && !m_p_alloc_gate->Allow())
        return nullptr;
    auto* p = static_cast<PlanePiece*>(std::calloc(1, sizeof(PlanePiece)));
    if (p != nullptr) {
        const uint64_t random = NextRandom();
        // A level drawn as a skip list draws it (k with odd 1 / 2^(k+1)) above
        // random low bits: the order of priorities stays uniformly random.
        p->m_n_priority = Priority(static_cast<uint32_t>(random) | 0x80000000u,
                                   static_cast<uint32_t>(random >> 32));
        p->m_n_epoch = m_n_epoch;
    }
    return p;
}

uint64_t CDataPlane::NextRandom() {
    m_n_seed ^= m_n_seed << 13;
    m_n_seed ^= m_n_seed >> 7;
    m_n_seed ^= m_n_seed << 17;
    return m_n_seed;
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
    Link(p, nullptr);
    Changed();
}

CDataPlane::~CDataPlane() {
    if (m_p_keep != nullptr) {
        std::lock_guard<std::mutex> lock(m_p_keep->m_lock);
        if (m_p_keep->m_n_snapshots.load(std::memory_order_acquire) > 0) {
            // Snapshots outlive the overlay: the last of them frees every piece.
            try {
                for (PlanePiece* p = m_p_head; p != nullptr; p = p->m_p_next) {
                    m_p_keep->m_pieces.push_back(p);
                    if (OwnsBytes(p))
                        m_p_keep->m_bytes.push_back(p->m_p_bytes);
                }
            } catch (const std::bad_alloc&) {
                std::abort();
            }
            m_p_keep->m_b_orphaned = true;
            m_p_head = nullptr;
            return;
        }
        m_p_keep->FreeAll();
    }
    PlanePiece* p = m_p_head;
    while (p != nullptr) {
        PlanePiece* next = p->m_p_next;
        std::free(p->m_p_bytes);
        std::free(p);
        p = next;
    }
    m_p_head = nullptr;
}

PlaneSnapshot CDataPlane::Snapshot() const {
    if (m_p_keep == nullptr) {
        try {
            m_p_keep = std::make_shared<PlaneKeep>();
        } catch (const std::bad_alloc&) {
            return PlaneSnapshot();
        }
    }
    FreeKept();
    // Every piece made so far is now shared with the snapshot.
    m_n_epoch = (m_n_epoch + 1) & 0x1FFFFFFFu;
    return PlaneSnapshot(m_p_keep, m_p_root, m_n_size, m_n_pieces);
}

bool CDataPlane::Frozen(const PlanePiece* p) const {
    return m_p_keep != nullptr && m_p_keep->m_n_snapshots.load(std::memory_order_acquire) > 0 &&
           p->m_n_epoch != m_n_epoch;
}

bool CDataPlane::BytesFrozen(const PlanePiece* p) const {
    return m_p_keep != nullptr && m_p_keep->m_n_snapshots.load(std::memory_order_acquire) > 0 &&
           (p->m_b_shared_bytes || p->m_n_epoch != m_n_epoch);
}

// A piece replaced by its copy points to itself as its predecessor and to the
// copy as its successor: links no live piece ever has, and no snapshot reads.
PlanePiece* CDataPlane::Fresh(PlanePiece* p) {
    while (p != nullptr && p->m_p_prev == p)
        p = p->m_p_next;
    return p;
}

PlanePiece* CDataPlane::Own(PlanePiece* p) {
    p = Fresh(p);
    if (p == nullptr || !Frozen(p))
        return p;
    PlanePiece* parent = Own(p->m_p_parent);
    auto* c = static_cast<PlanePiece*>(std::malloc(sizeof(PlanePiece)));
    if (c == nullptr)
        std::abort(); // see Snapshot
    std::memcpy(static_cast<void*>(c), p, sizeof(PlanePiece));
    c->m_n_epoch = m_n_epoch;
    c->m_b_shared_bytes = OwnsBytes(p) ? 1 : 0;
    c->m_p_parent = parent;
    if (parent == nullptr)
        m_p_root = c;
    else if (parent->m_p_left == p)
        parent->m_p_left = c;
    else
        parent->m_p_right = c;
    if (c->m_p_left != nullptr)
        c->m_p_left->m_p_parent = c;
    if (c->m_p_right != nullptr)
        c->m_p_right->m_p_parent = c;
    if (c->m_p_prev != nullptr)
        c->m_p_prev->m_p_next = c;
    else
        m_p_head = c;
    if (c->m_p_next != nullptr)
        c->m_p_next->m_p_prev = c;
    KeepPiece(p);
    p->m_p_prev = p;
    p->m_p_next = c;
    Changed(); // pointers to p that readers cached go stale even if the edit fails
    return c;
}

void CDataPlane::KeepPiece(PlanePiece* p) {
    std::lock_guard<std::mutex> lock(m_p_keep->m_lock);
    try {
        m_p_keep->m_pieces.push_back(p);
    } catch (const std::bad_alloc&) {
        std::abort(); // see Snapshot
    }
}

void CDataPlane::KeepBytes(uint8_t* bytes) {
    std::lock_guard<std::mutex> lock(m_p_keep->m_lock);
    try {
        m_p_keep->m_bytes.push_back(bytes);
    } catch (const std::bad_alloc&) {
        std::abort(); // see Snapshot
    }
}

void CDataPlane::Drop(PlanePiece* p) {
    if (OwnsBytes(p)) {
        if (BytesFrozen(p))
            KeepBytes(p->m_p_bytes);
        else
            std::free(p->m_p_bytes);
    }
    if (Frozen(p))
        KeepPiece(p);
    else
        std::free(p);
}

void CDataPlane::FreeKept() const {
    if (m_p_keep == nullptr || m_p_keep->m_n_snapshots.load(std::memory_order_acquire) > 0)
        return;
    std::lock_guard<std::mutex> lock(m_p_keep->m_lock);
    if (m_p_keep->m_n_snapshots.load(std::memory_order_acquire) == 0)
        m_p_keep->FreeAll();
}

int CDataPlane::CutBytes(PlanePiece* piece, int64_t from, int64_t count) {
    if (from == 0 && !BytesFrozen(piece)) {
        void* shrunk = ShrinkBytes(piece->m_p_bytes, count);
        if (shrunk == nullptr)
            return 0;
        piece->m_p_bytes = static_cast<uint8_t*>(shrunk);
        return 1;
    }
    uint8_t* bytes = AllocBytes(count);
    if (bytes == nullptr)
        return 0;
    if (count > 0)
        std::memcpy(bytes, piece->m_p_bytes + from, static_cast<size_t>(count));
    if (BytesFrozen(piece))
        KeepBytes(piece->m_p_bytes);
    else
        std::free(piece->m_p_bytes);
    piece->m_p_bytes = bytes;
    piece->m_b_shared_bytes = 0;
    return 1;
}

PlanePiece* CDataPlane::Find(int64_t offset, int64_t* start) const {
    return FindPieceInTree(m_p_root, offset, start);
}

void CDataPlane::AddAbove(PlanePiece* p, int64_t delta) {
    m_n_size += delta;
    for (PlanePiece* parent = p->m_p_parent; parent != nullptr; p = parent, parent = p->m_p_parent)
        if (parent->m_p_left == p)
            parent->m_n_left_length += delta;
}

// Lifts x above its parent, keeping the in-order sequence and the left lengths.
void CDataPlane::RotateUp(PlanePiece* x) {
    PlanePiece* p = x->m_p_parent;
    PlanePiece* g = p->m_p_parent;
    if (p->m_p_left == x) {
        // p keeps as its left subtree what was x's right one.
        p->m_n_left_length -= x->m_n_left_length + x->m_n_length;
        p->m_p_left = x->m_p_right;
        if (x->m_p_right != nullptr)
            x->m_p_right->m_p_parent = p;
        x->m_p_right = p;
    } else {
        // x's left subtree becomes p, its left subtree and x's old left one.
        x->m_n_left_length += p->m_n_left_length + p->m_n_length;
        p->m_p_right = x->m_p_left;
        if (x->m_p_left != nullptr)
            x->m_p_left->m_p_parent = p;
        x->m_p_left = p;
    }
    p->m_p_parent = x;
    x->m_p_parent = g;
    if (g == nullptr)
        m_p_root = x;
    else if (g->m_p_left == p)
        g->m_p_left = x;
    else
        g->m_p_right = x;
}

void CDataPlane::Link(PlanePiece* piece, PlanePiece* anchor) {
    // In the tree the piece goes where its list neighbours say: the anchor's
    // right child when it has none, else the left child of its successor,
    // which then is the leftmost piece of the anchor's right subtree. Owning
    // one neighbour may copy the other (one is above the other): both are
    // read again from the owned one.
    anchor = Fresh(anchor);
    PlanePiece* next = anchor != nullptr ? anchor->m_p_next : m_p_head;
    piece->m_p_left = piece->m_p_right = nullptr;
    piece->m_n_left_length = 0;
    if (anchor != nullptr && anchor->m_p_right == nullptr) {
        anchor = Own(anchor);
        next = anchor->m_p_next;
        anchor->m_p_right = piece;
        piece->m_p_parent = anchor;
    } else if (next != nullptr) {
        next = Own(next);
        anchor = next->m_p_prev;
        next->m_p_left = piece;
        piece->m_p_parent = next;
    } else {
        piece->m_p_parent = nullptr;
        m_p_root = piece;
    }
    AddAbove(piece, piece->m_n_length);
    while (piece->m_p_parent != nullptr && piece->m_p_parent->m_n_priority < piece->m_n_priority)
        RotateUp(piece);

    piece->m_p_prev = anchor;
    piece->m_p_next = next;
    if (next != nullptr)
        next->m_p_prev = piece;
    if (anchor != nullptr)
        anchor->m_p_next = piece;
    else
        m_p_head = piece;
    ++m_n_pieces;
}

PlanePiece* CDataPlane::Unlink(PlanePiece* piece) {
    // Down to where it has one child at most, then out with that child taking
    // its place. The pieces it passes are owned first: their links change.
    piece = Own(piece);
    while (piece->m_p_left != nullptr && piece->m_p_right != nullptr)
        RotateUp(Own(piece->m_p_left->m_n_priority > piece->m_p_right->m_n_priority
                         ? piece->m_p_left
                         : piece->m_p_right));
    AddAbove(piece, -piece->m_n_length);
    PlanePiece* child = piece->m_p_left != nullptr ? piece->m_p_left : piece->m_p_right;
    PlanePiece* parent = piece->m_p_parent;
    if (child != nullptr)
        child->m_p_parent = parent;
    if (parent == nullptr)
        m_p_root = child;
    else if (parent->m_p_left == piece)
        parent->m_p_left = child;
    else
        parent->m_p_right = child;
    piece->m_p_parent = piece->m_p_left = piece->m_p_right = nullptr;

    if (piece->m_p_prev != nullptr)
        piece->m_p_prev->m_p_next = piece->m_p_next;
    else
        m_p_head = piece->m_p_next;
    if (piece->m_p_next != nullptr)
        piece->m_p_next->m_p_prev = piece->m_p_prev;
    piece->m_p_prev = piece->m_p_next = nullptr;
    --m_n_pieces;
    return piece;
}

PlanePiece* CDataPlane::SetLength(PlanePiece* piece, int64_t length) {
    piece = Own(piece);
    AddAbove(piece, length - piece->m_n_length);
    piece->m_n_length = length;
    return piece;
}

int CDataPlane::LinkAfter(PlanePiece* piece, PlanePiece* anchor) {
    if (IsBeingRead())
        return 0;
    if (piece == nullptr)
        return 0;
    Link(piece, anchor);
    Changed();
    return 1;
}

void CDataPlane::DeletePiece(PlanePiece* piece) {
    if (IsBeingRead())
        return;
    if (piece == nullptr)
        return;
    Drop(Unlink(piece));
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
    // A list built by appending gets a perfectly balanced tree: the i-th piece
    // ranks at the level of i's lowest set bit, as in a ruler.
    p->m_n_priority =
        Priority(static_cast<uint32_t>(m_n_pieces + 1) | 0x80000000u, p->m_n_priority);
    // The last piece is the tree's rightmost.
    PlanePiece* last = m_p_root;
    while (last != nullptr && last->m_p_right != nullptr)
        last = last->m_p_right;
    LinkAfter(p, last);
    return p;
}

int CDataPlane::SplitPiece(PlanePiece* piece, int64_t relative) {
    if (IsBeingRead())
        return 0;
    piece = Fresh(piece);
    if (piece == nullptr || relative >= piece->m_n_length || relative < 0)
        return 0;
    if (relative == 0)
        return 1;
    PlanePiece* n = NewPiece();
    if (n == nullptr)
        return 0;
    piece = Own(piece);
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
        if (!CutBytes(piece, 0, relative)) {
            std::free(n->m_p_bytes);
            std::free(n);
            return 0;
        }
    }
    Link(n, piece);
    piece = SetLength(piece, relative);
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
        return LinkAfter(added, Fresh(piece));
    }
    return LinkAfter(added, Fresh(piece)->m_p_prev);
}

int CDataPlane::RemoveInPiece(PlanePiece* piece, int64_t first, int64_t last) {
    if (IsBeingRead())
        return 0;
    piece = Fresh(piece);
    if (piece == nullptr || last >= piece->m_n_length || first < 0 || first > last)
        return 0;
    if (first == 0 && last == piece->m_n_length - 1) {
        DeletePiece(piece);
        return 1;
    }
    // Owning changes no byte of the document, so a failure below still
    // leaves it as it was.
    piece = Own(piece);
    const int64_t n = last - first + 1;
    const int64_t new_length = piece->m_n_length - n;
    if (first == 0 || last == piece->m_n_length - 1) {
        if (!OwnsBytes(piece)) {
            if (first == 0)
                piece->m_n_src_begin += last + 1;
            else
                piece->m_n_src_end -= n;
        } else if (!CutBytes(piece, first == 0 ? last + 1 : 0, new_length)) {
            return 0;
        }
        SetLength(piece, new_length);
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
        if (!CutBytes(piece, 0, first)) {
            std::free(tail->m_p_bytes);
            std::free(tail);
            return 0;
        }
    }
    Link(tail, piece);
    piece = SetLength(piece, first);
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
    FreeKept();
    // The run of pieces that goes (left..right), the parts of its edge pieces
    // that stay (head and tail), and the pieces around it.
    int64_t left_start = 0;
    PlanePiece* left = Find(first, &left_start);
    PlanePiece* right = left;
    int64_t right_start = left_start;
    PlanePiece* before = nullptr;
    if (left == nullptr) {
        // Only an insertion at the very end finds no piece.
        if (count != 0 || first != m_n_size)
            return 0;
        before = m_p_root;
        while (before != nullptr && before->m_p_right != nullptr)
            before = before->m_p_right;
    } else if (count > 0) {
        right = Find(first + count - 1, &right_start);
        if (right == nullptr)
            return 0;
    }
    const int64_t head_length = left != nullptr ? first - left_start : 0;
    const int64_t tail_from = left == nullptr ? 0
                              : count > 0     ? first + count - right_start
                                              : head_length;
    if (left != nullptr && count == 0 && head_length == 0) {
        // A pure insertion in front of a piece keeps that piece whole.
        before = left->m_p_prev;
        left = nullptr;
    }

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

    // Nothing fails from here on. Unlinking and resizing may put copies in
    // place of pieces a snapshot sees, so pointers held across are refreshed.
    PlanePiece* after = nullptr;
    if (left != nullptr) {
        before = left->m_p_prev;
        after = right->m_p_next;
        for (PlanePiece* p = left; (p = Fresh(p)) != Fresh(after);) {
            PlanePiece* next = p->m_p_next;
            Drop(Unlink(p));
            p = next;
        }
        before = Fresh(before);
        after = Fresh(after);
    } else {
        after = before != nullptr ? before->m_p_next : m_p_head;
    }
    if (chain.head != nullptr && Continues(before, chain.head)) {
        PlanePiece* joined = chain.head;
        before = Own(before);
        before->m_n_src_end = joined->m_n_src_end;
        before = SetLength(before, before->m_n_length + joined->m_n_length);
        chain.head = joined->m_p_next;
        if (chain.tail == joined)
            chain.tail = nullptr;
        std::free(joined);
        after = Fresh(after);
    }
    PlanePiece* last = chain.tail != nullptr ? chain.tail : before;
    if (Continues(last, after)) {
        if (last == before) {
            before = last = Own(before);
            after = Fresh(after);
        }
        last->m_n_src_end = after->m_n_src_end;
        if (last == before)
            before = last = SetLength(last, last->m_n_length + after->m_n_length);
        else
            last->m_n_length += after->m_n_length; // not linked yet
        Drop(Unlink(after));
    }
    PlanePiece* anchor = Fresh(before);
    for (PlanePiece* p = chain.head; p != nullptr;) {
        PlanePiece* next = p == chain.tail ? nullptr : p->m_p_next;
        Link(p, anchor);
        anchor = p;
        p = next;
    }
    Changed();
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
    const int64_t r = offset - s;
    value &= 0x0F;
    FreeKept();
    if (OwnsBytes(p)) {
        p = Own(p);
        if (BytesFrozen(p) && !CutBytes(p, 0, p->m_n_length))
            return 0;
        uint8_t& b = p->m_p_bytes[r];
        b = high ? static_cast<uint8_t>((value << 4) | (b & 0x0F))
                 : static_cast<uint8_t>((b & 0xF0) | value);
        Changed();
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
    p = Fresh(p);
    PlanePiece* target = r != 0 ? p->m_p_next : p;
    m->m_p_bytes[0] = merged;
    m->m_n_kind = PIECE_OVERWRITTEN;
    m->m_n_src_begin = m->m_n_src_end = target->m_n_src_begin;
    m->m_n_length = 1;
    Link(m, r != 0 ? p : p->m_p_prev);
    target = Own(target);
    target->m_n_src_begin += 1;
    target = SetLength(target, target->m_n_length - 1);
    if (target->m_n_length == 0)
        Drop(Unlink(target));
    Changed();
    return 1;
}

namespace {

// ReplaceMany's new pieces carry a tag in the low bit of their pointer, so the
// old pieces it keeps whole can be told from them (pieces are 8-byte aligned).
PlanePiece* Tagged(PlanePiece* p) {
    return reinterpret_cast<PlanePiece*>(reinterpret_cast<uintptr_t>(p) | 1u);
}
bool IsNew(const PlanePiece* p) {
    return (reinterpret_cast<uintptr_t>(p) & 1u) != 0;
}
PlanePiece* Untagged(PlanePiece* p) {
    return reinterpret_cast<PlanePiece*>(reinterpret_cast<uintptr_t>(p) & ~uintptr_t{1});
}

void FreePiece(PlanePiece* p) {
    std::free(p->m_p_bytes);
    std::free(p);
}

} // namespace

int CDataPlane::ReplaceMany(const PlaneRangeEdit* edits, size_t edit_count) {
    if (IsBeingRead())
        return 0;
    if (edit_count == 0)
        return 1;
    if (edits == nullptr)
        return 0;
    FreeKept();
    int64_t end = 0;
    for (size_t i = 0; i < edit_count; ++i) {
        const PlaneRangeEdit& e = edits[i];
        if (e.m_n_first < end || e.m_n_count < 0 || e.m_n_first + e.m_n_count > m_n_size ||
            (e.m_n_record_count > 0 && e.m_p_records == nullptr))
            return 0;
        end = e.m_n_first + e.m_n_count;
    }

    // The new list, in order: old pieces kept whole, and new pieces for the
    // parts of cut pieces that stay and for the records. The plane does not
    // change until every new piece is made.
    std::vector<PlanePiece*> out;
    bool ok = true;
    auto made = [&](PlanePiece* piece) {
        if (piece == nullptr) {
            ok = false;
            return;
        }
        try {
            out.push_back(Tagged(piece));
        } catch (const std::bad_alloc&) {
            FreePiece(piece);
            throw;
        }
    };
    // p begins at offset start; its bytes before start + from are dealt with.
    PlanePiece* p = m_p_head;
    int64_t start = 0;
    int64_t from = 0;
    auto pass = [&]() {
        if (from == 0)
            out.push_back(p);
        else if (from < p->m_n_length)
            made(MakePiece(RecordOf(p), from, p->m_n_length - from));
        start += p->m_n_length;
        from = 0;
        p = p->m_p_next;
    };
    try {
        out.reserve(static_cast<size_t>(m_n_pieces) + 2 * edit_count);
        for (size_t i = 0; ok && i < edit_count; ++i) {
            const PlaneRangeEdit& e = edits[i];
            while (ok && p != nullptr && start + p->m_n_length <= e.m_n_first)
                pass();
            if (ok && p != nullptr && e.m_n_first > start + from) {
                made(MakePiece(RecordOf(p), from, e.m_n_first - start - from));
                from = e.m_n_first - start;
            }
            for (size_t r = 0; ok && r < e.m_n_record_count; ++r)
                if (e.m_p_records[r].m_n_length > 0)
                    made(MakePiece(e.m_p_records[r], 0, e.m_p_records[r].m_n_length));
            const int64_t skip_to = e.m_n_first + e.m_n_count;
            while (e.m_n_count > 0 && p != nullptr && start + p->m_n_length <= skip_to) {
                start += p->m_n_length;
                from = 0;
                p = p->m_p_next;
            }
            if (p != nullptr && skip_to > start)
                from = skip_to - start;
        }
        while (ok && p != nullptr)
            pass();
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok) {
        for (PlanePiece* piece : out)
            if (IsNew(piece))
                FreePiece(Untagged(piece));
        return 0;
    }

    // Nothing fails from here on. The old pieces that were not kept go; the
    // kept ones come in the list's order.
    size_t kept = 0;
    for (PlanePiece* q = m_p_head; q != nullptr;) {
        PlanePiece* next = q->m_p_next;
        while (kept < out.size() && IsNew(out[kept]))
            ++kept;
        if (kept < out.size() && out[kept] == q)
            ++kept;
        else
            Drop(q);
        q = next;
    }
    // Every link of every piece is made anew below: a kept piece that a
    // snapshot sees gives way to a copy.
    size_t count = 0;
    for (PlanePiece* entry : out) {
        PlanePiece* piece = Untagged(entry);
        if (count > 0 && Continues(out[count - 1], piece)) {
            out[count - 1]->m_n_src_end = piece->m_n_src_end;
            out[count - 1]->m_n_length += piece->m_n_length;
            Drop(piece);
            continue;
        }
        if (Frozen(piece)) {
            auto* c = static_cast<PlanePiece*>(std::malloc(sizeof(PlanePiece)));
            if (c == nullptr)
                std::abort(); // see Snapshot
            std::memcpy(static_cast<void*>(c), piece, sizeof(PlanePiece));
            c->m_n_epoch = m_n_epoch;
            c->m_b_shared_bytes = OwnsBytes(piece) ? 1 : 0;
            KeepPiece(piece);
            piece = c;
        }
        out[count++] = piece;
    }
    Rebuild(out.data(), count);
    Changed();
    return 1;
}

void CDataPlane::Rebuild(PlanePiece** pieces, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        pieces[i]->m_p_prev = i > 0 ? pieces[i - 1] : nullptr;
        pieces[i]->m_p_next = i + 1 < count ? pieces[i + 1] : nullptr;
    }
    m_p_head = count > 0 ? pieces[0] : nullptr;
    uint32_t height = 0;
    m_p_root = Balanced(pieces, 0, count, nullptr, &m_n_size, &height);
    m_n_pieces = static_cast<int64_t>(count);
}

PlanePiece* CDataPlane::Balanced(PlanePiece** pieces, size_t lo, size_t hi, PlanePiece* parent,
                                 int64_t* total, uint32_t* height) {
    if (lo >= hi) {
        *total = 0;
        *height = 0;
        return nullptr;
    }
    const size_t mid = lo + (hi - lo) / 2;
    PlanePiece* n = pieces[mid];
    int64_t left_total = 0, right_total = 0;
    uint32_t left_height = 0, right_height = 0;
    n->m_p_parent = parent;
    n->m_p_left = Balanced(pieces, lo, mid, n, &left_total, &left_height);
    n->m_p_right = Balanced(pieces, mid + 1, hi, n, &right_total, &right_height);
    n->m_n_left_length = left_total;
    *total = left_total + n->m_n_length + right_total;
    *height = 1 + std::max(left_height, right_height);
    // A node ranks at its height, as the pieces of a ruler-built tree do, so
    // later edits draw their levels against the same scale.
    n->m_n_priority = Priority(1u << (*height - 1), static_cast<uint32_t>(NextRandom() >> 32));
    return n;
}
