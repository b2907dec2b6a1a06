// The edit overlay as a B+ tree of wide nodes (see data_plane.h). An edit
// builds the new nodes for the path it changes beside the old ones, then puts
// them in place at once: a failed allocation leaves the tree as it was, and a
// node that a snapshot may read is never written.
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

bool OwnsBytes(const PlanePiece& p) {
    return p.m_n_kind != PIECE_SOURCE;
}

// Whether source piece b continues source piece a in the source.
bool Continues(const PlanePiece& a, const PlanePiece& b) {
    return a.m_n_kind == PIECE_SOURCE && b.m_n_kind == PIECE_SOURCE && a.m_n_length > 0 &&
           b.m_n_length > 0 && a.m_n_src_end + 1 == b.m_n_src_begin;
}

void Join(PlanePiece* a, const PlanePiece& b) {
    a->m_n_src_end = b.m_n_src_end;
    a->m_n_length += b.m_n_length;
}

const PlaneLeaf* AsLeaf(const PlaneNode* n) {
    return static_cast<const PlaneLeaf*>(n);
}
const PlaneInner* AsInner(const PlaneNode* n) {
    return static_cast<const PlaneInner*>(n);
}

// A child as its parent records it.
struct ChildRef {
    PlaneNode* m_p_node;
    int64_t m_n_length;
    int64_t m_n_count;
};

enum : uint8_t { kStateOld = 0, kStateMade = 1, kStateDead = 2 };

} // namespace

void FreePlaneTree(PlaneNode* node) {
    if (node == nullptr)
        return;
    if (node->m_b_leaf) {
        const PlaneLeaf* leaf = AsLeaf(node);
        for (int i = 0; i < leaf->m_n_count; ++i)
            std::free(leaf->m_pieces[i].m_p_bytes);
    } else {
        const PlaneInner* inner = AsInner(node);
        for (int i = 0; i < inner->m_n_count; ++i)
            FreePlaneTree(inner->m_p_children[i]);
    }
    std::free(node);
}

const PlanePiece* FindPieceInTree(const PlaneNode* node, int64_t offset, int64_t* start,
                                  int64_t* index) {
    if (node == nullptr || offset < 0)
        return nullptr;
    int64_t base = 0;
    int64_t at = 0;
    while (!node->m_b_leaf) {
        const PlaneInner* inner = AsInner(node);
        const int n = inner->m_n_count;
        int k = 0;
        while (k < n && offset >= base + inner->m_n_lengths[k]) {
            base += inner->m_n_lengths[k];
            at += inner->m_n_counts[k];
            ++k;
        }
        if (k == n)
            return nullptr;
        node = inner->m_p_children[k];
    }
    const PlaneLeaf* leaf = AsLeaf(node);
    for (int k = 0; k < leaf->m_n_count; ++k, ++at) {
        const PlanePiece& p = leaf->m_pieces[k];
        if (offset < base + p.m_n_length) {
            if (start != nullptr)
                *start = base;
            if (index != nullptr)
                *index = at;
            return &p;
        }
        base += p.m_n_length;
    }
    return nullptr;
}

// ---- Cursor ----

PieceCursor::PieceCursor(const CDataPlane& plane) {
    First(plane.Root());
}

PieceCursor::PieceCursor(const CDataPlane& plane, int64_t offset) {
    Seek(plane.Root(), offset, plane.Size(), plane.PieceCount());
}

void PieceCursor::First(const PlaneNode* node) {
    m_n_depth = 0;
    m_n_start = 0;
    m_n_index = 0;
    for (; node != nullptr && node->m_n_count > 0;
         node = node->m_b_leaf ? nullptr : AsInner(node)->m_p_children[0]) {
        m_p_nodes[m_n_depth] = node;
        m_n_at[m_n_depth] = 0;
        ++m_n_depth;
    }
    if (m_n_depth > 0 && !m_p_nodes[m_n_depth - 1]->m_b_leaf)
        m_n_depth = 0;
}

void PieceCursor::Seek(const PlaneNode* node, int64_t offset, int64_t size, int64_t pieces) {
    m_n_depth = 0;
    m_n_start = 0;
    m_n_index = 0;
    if (node != nullptr && offset >= 0) {
        int64_t base = 0;
        int64_t at = 0;
        while (!node->m_b_leaf) {
            const PlaneInner* inner = AsInner(node);
            int k = 0;
            while (k < inner->m_n_count && offset >= base + inner->m_n_lengths[k]) {
                base += inner->m_n_lengths[k];
                at += inner->m_n_counts[k];
                ++k;
            }
            if (k == inner->m_n_count)
                break;
            m_p_nodes[m_n_depth] = node;
            m_n_at[m_n_depth++] = static_cast<uint16_t>(k);
            node = inner->m_p_children[k];
        }
        if (node->m_b_leaf) {
            const PlaneLeaf* leaf = AsLeaf(node);
            for (int k = 0; k < leaf->m_n_count; ++k, ++at) {
                if (offset < base + leaf->m_pieces[k].m_n_length) {
                    m_p_nodes[m_n_depth] = node;
                    m_n_at[m_n_depth++] = static_cast<uint16_t>(k);
                    m_n_start = base;
                    m_n_index = at;
                    return;
                }
                base += leaf->m_pieces[k].m_n_length;
            }
        }
    }
    m_n_depth = 0;
    m_n_start = size;
    m_n_index = pieces;
}

void PieceCursor::Next() {
    if (m_n_depth == 0)
        return;
    m_n_start += Piece()->m_n_length;
    ++m_n_index;
    int level = m_n_depth - 1;
    while (level >= 0 && m_n_at[level] + 1 >= m_p_nodes[level]->m_n_count)
        --level;
    if (level < 0) {
        m_n_depth = 0;
        return;
    }
    ++m_n_at[level];
    for (int d = level + 1; d < m_n_depth; ++d) {
        m_p_nodes[d] = AsInner(m_p_nodes[d - 1])->m_p_children[m_n_at[d - 1]];
        m_n_at[d] = 0;
    }
}

void PieceCursor::Prev() {
    if (m_n_depth == 0)
        return;
    int level = m_n_depth - 1;
    while (level >= 0 && m_n_at[level] == 0)
        --level;
    if (level < 0) {
        m_n_depth = 0;
        m_n_start = 0;
        m_n_index = 0;
        return;
    }
    --m_n_at[level];
    for (int d = level + 1; d < m_n_depth; ++d) {
        m_p_nodes[d] = AsInner(m_p_nodes[d - 1])->m_p_children[m_n_at[d - 1]];
        m_n_at[d] = static_cast<uint16_t>(m_p_nodes[d]->m_n_count - 1);
    }
    m_n_start -= Piece()->m_n_length;
    --m_n_index;
}

// ---- One edit in the building ----

// Builds the nodes that take the place of the changed ones, remembering what
// it made and what the old tree lets go of, so that the whole edit can be put
// in place or dropped at the end.
class PlaneEdit {
  public:
    explicit PlaneEdit(CDataPlane* plane) : m_plane(*plane) {}
    ~PlaneEdit() {
        if (!m_b_done)
            for (PlaneNode* n : m_made)
                std::free(n);
    }
    PlaneEdit(const PlaneEdit&) = delete;
    PlaneEdit& operator=(const PlaneEdit&) = delete;

    bool Ok() const { return m_b_ok; }

    // The nodes (of node's height) that replace node once its pieces
    // [first, last) give way to pieces[0..count).
    void Splice(PlaneNode* node, int64_t first, int64_t last, const PlanePiece* pieces,
                size_t count, std::vector<ChildRef>* out);
    // Packs a sequence of pieces or of children into as few nodes as the
    // bounds allow, each at least the minimum when there is enough.
    void Pack(const std::vector<PlanePiece>& pieces, std::vector<ChildRef>* out);
    void Pack(const std::vector<ChildRef>& children, std::vector<ChildRef>* out);
    // Merges every node of list[lo, hi) below the minimum with a neighbour.
    void Fix(std::vector<ChildRef>* list, size_t lo, size_t hi);
    // The root over a list of nodes of one height (null for none).
    PlaneNode* Root(std::vector<ChildRef> top);
    // Lets go of a node whose content moved to new nodes.
    void Release(PlaneNode* n);
    // A piece that goes: its owned bytes are freed or kept once the edit is in place.
    void Removed(const PlanePiece& p) {
        if (OwnsBytes(p))
            Push(&m_removed, p);
    }
    void DroppedSubtree(PlaneNode* n) { Push(&m_dropped, n); }

    // Leaves filled in order, one piece at a time, each source piece that
    // continues the last one joined to it; EndStream gives them, the last two
    // sharing their pieces when the last would be short.
    void Stream(const PlanePiece& p);
    std::vector<ChildRef> EndStream();

    // Puts the edit in place: what the old tree let go of is freed or kept.
    void Commit();

  private:
    template <class T> void Push(std::vector<T>* v, const T& item) {
        if (!m_b_ok)
            return;
        try {
            v->push_back(item);
        } catch (const std::bad_alloc&) {
            m_b_ok = false;
        }
    }
    PlaneNode* NewNode(bool leaf);
    bool Underfull(const ChildRef& c) const {
        return c.m_p_node->m_n_count < (c.m_p_node->m_b_leaf ? kPlaneLeafMin : kPlaneInnerMin);
    }
    void Merge(const ChildRef& a, const ChildRef& b, std::vector<ChildRef>* out);
    // Sizes of the nodes a run of n entries is cut into.
    static std::vector<size_t> Cuts(size_t n, size_t max, size_t min);

    CDataPlane& m_plane;
    bool m_b_ok = true;
    bool m_b_done = false;
    std::vector<PlaneNode*> m_made;
    std::vector<PlaneNode*> m_released;
    std::vector<PlaneNode*> m_dropped;
    std::vector<PlanePiece> m_removed;
    std::vector<ChildRef> m_stream;
    PlaneLeaf* m_p_open = nullptr;
    int64_t m_n_open_length = 0;
};

void PlaneEdit::Stream(const PlanePiece& p) {
    if (!m_b_ok)
        return;
    if (m_p_open != nullptr && Continues(m_p_open->m_pieces[m_p_open->m_n_count - 1], p)) {
        Join(&m_p_open->m_pieces[m_p_open->m_n_count - 1], p);
        m_n_open_length += p.m_n_length;
        return;
    }
    if (m_p_open == nullptr || m_p_open->m_n_count == kPlaneLeafMax) {
        if (m_p_open != nullptr)
            Push(&m_stream, ChildRef{m_p_open, m_n_open_length, m_p_open->m_n_count});
        m_p_open = static_cast<PlaneLeaf*>(NewNode(true));
        m_n_open_length = 0;
        if (m_p_open == nullptr)
            return;
    }
    m_p_open->m_pieces[m_p_open->m_n_count++] = p;
    m_n_open_length += p.m_n_length;
}

std::vector<ChildRef> PlaneEdit::EndStream() {
    if (m_p_open != nullptr)
        Push(&m_stream, ChildRef{m_p_open, m_n_open_length, m_p_open->m_n_count});
    m_p_open = nullptr;
    const size_t n = m_stream.size();
    if (m_b_ok && n >= 2 && m_stream[n - 1].m_n_count < kPlaneLeafMin) {
        auto* a = static_cast<PlaneLeaf*>(m_stream[n - 2].m_p_node);
        auto* b = static_cast<PlaneLeaf*>(m_stream[n - 1].m_p_node);
        const int both = a->m_n_count + b->m_n_count;
        const int move = a->m_n_count - (both + 1) / 2;
        std::memmove(b->m_pieces + move, b->m_pieces, sizeof(PlanePiece) * b->m_n_count);
        int64_t moved = 0;
        for (int i = 0; i < move; ++i) {
            b->m_pieces[i] = a->m_pieces[a->m_n_count - move + i];
            moved += b->m_pieces[i].m_n_length;
        }
        a->m_n_count = static_cast<uint16_t>(a->m_n_count - move);
        b->m_n_count = static_cast<uint16_t>(b->m_n_count + move);
        m_stream[n - 2].m_n_length -= moved;
        m_stream[n - 2].m_n_count -= move;
        m_stream[n - 1].m_n_length += moved;
        m_stream[n - 1].m_n_count += move;
    }
    return std::move(m_stream);
}

PlaneNode* PlaneEdit::NewNode(bool leaf) {
    if (!m_b_ok || !m_plane.Allow()) {
        m_b_ok = false;
        return nullptr;
    }
    const size_t size = leaf ? sizeof(PlaneLeaf) : sizeof(PlaneInner);
    auto* n = static_cast<PlaneNode*>(std::malloc(size));
    if (n == nullptr) {
        m_b_ok = false;
        return nullptr;
    }
    try {
        m_made.push_back(n);
    } catch (const std::bad_alloc&) {
        std::free(n);
        m_b_ok = false;
        return nullptr;
    }
    n->m_n_epoch = m_plane.m_n_epoch;
    n->m_n_count = 0;
    n->m_b_leaf = leaf ? 1 : 0;
    n->m_n_state = kStateMade;
    return n;
}

void PlaneEdit::Release(PlaneNode* n) {
    if (n->m_n_state == kStateMade)
        n->m_n_state = kStateDead;
    else
        Push(&m_released, n);
}

std::vector<size_t> PlaneEdit::Cuts(size_t n, size_t max, size_t min) {
    std::vector<size_t> cuts;
    if (n == 0)
        return cuts;
    const size_t k = (n + max - 1) / max;
    cuts.assign(k, max);
    cuts.back() = n - (k - 1) * max;
    if (k > 1 && cuts.back() < min) {
        // The last two share what they hold; both then have at least max / 2.
        const size_t both = max + cuts.back();
        cuts[k - 2] = (both + 1) / 2;
        cuts[k - 1] = both - cuts[k - 2];
    }
    return cuts;
}

void PlaneEdit::Pack(const std::vector<PlanePiece>& pieces, std::vector<ChildRef>* out) {
    size_t from = 0;
    for (size_t cut : Cuts(pieces.size(), kPlaneLeafMax, kPlaneLeafMin)) {
        auto* leaf = static_cast<PlaneLeaf*>(NewNode(true));
        if (leaf == nullptr)
            return;
        int64_t length = 0;
        for (size_t i = 0; i < cut; ++i) {
            leaf->m_pieces[i] = pieces[from + i];
            length += pieces[from + i].m_n_length;
        }
        leaf->m_n_count = static_cast<uint16_t>(cut);
        from += cut;
        Push(out, ChildRef{leaf, length, static_cast<int64_t>(cut)});
    }
}

void PlaneEdit::Pack(const std::vector<ChildRef>& children, std::vector<ChildRef>* out) {
    size_t from = 0;
    for (size_t cut : Cuts(children.size(), kPlaneInnerMax, kPlaneInnerMin)) {
        auto* inner = static_cast<PlaneInner*>(NewNode(false));
        if (inner == nullptr)
            return;
        ChildRef ref = {inner, 0, 0};
        for (size_t i = 0; i < cut; ++i) {
            const ChildRef& c = children[from + i];
            inner->m_p_children[i] = c.m_p_node;
            inner->m_n_lengths[i] = c.m_n_length;
            inner->m_n_counts[i] = c.m_n_count;
            ref.m_n_length += c.m_n_length;
            ref.m_n_count += c.m_n_count;
        }
        inner->m_n_count = static_cast<uint16_t>(cut);
        from += cut;
        Push(out, ref);
    }
}

void PlaneEdit::Merge(const ChildRef& a, const ChildRef& b, std::vector<ChildRef>* out) {
    if (a.m_p_node->m_b_leaf) {
        std::vector<PlanePiece> pieces;
        for (const ChildRef* c : {&a, &b}) {
            const PlaneLeaf* leaf = AsLeaf(c->m_p_node);
            for (int i = 0; i < leaf->m_n_count; ++i)
                Push(&pieces, leaf->m_pieces[i]);
        }
        Pack(pieces, out);
    } else {
        std::vector<ChildRef> children;
        for (const ChildRef* c : {&a, &b}) {
            const PlaneInner* inner = AsInner(c->m_p_node);
            for (int i = 0; i < inner->m_n_count; ++i)
                Push(&children,
                     ChildRef{inner->m_p_children[i], inner->m_n_lengths[i], inner->m_n_counts[i]});
        }
        if (m_b_ok)
            Fix(&children, 0, children.size());
        Pack(children, out);
    }
    if (m_b_ok) {
        Release(a.m_p_node);
        Release(b.m_p_node);
    }
}

void PlaneEdit::Fix(std::vector<ChildRef>* list, size_t lo, size_t hi) {
    size_t k = lo;
    while (m_b_ok && k < hi && k < list->size() && list->size() > 1) {
        if (!Underfull((*list)[k])) {
            ++k;
            continue;
        }
        const size_t x = k + 1 < list->size() ? k : k - 1;
        const size_t y = x + 1;
        std::vector<ChildRef> merged;
        Merge((*list)[x], (*list)[y], &merged);
        if (!m_b_ok)
            return;
        try {
            list->erase(list->begin() + static_cast<ptrdiff_t>(x),
                        list->begin() + static_cast<ptrdiff_t>(y + 1));
            list->insert(list->begin() + static_cast<ptrdiff_t>(x), merged.begin(), merged.end());
        } catch (const std::bad_alloc&) {
            m_b_ok = false;
            return;
        }
        hi = std::max(x + merged.size(), hi > y ? hi - 2 + merged.size() : 0);
        k = x;
    }
}

void PlaneEdit::Splice(PlaneNode* node, int64_t first, int64_t last, const PlanePiece* pieces,
                       size_t count, std::vector<ChildRef>* out) {
    if (!m_b_ok)
        return;
    if (node->m_b_leaf) {
        const PlaneLeaf* leaf = AsLeaf(node);
        std::vector<PlanePiece> items;
        try {
            items.reserve(static_cast<size_t>(leaf->m_n_count - (last - first)) + count);
        } catch (const std::bad_alloc&) {
            m_b_ok = false;
            return;
        }
        items.insert(items.end(), leaf->m_pieces, leaf->m_pieces + first);
        items.insert(items.end(), pieces, pieces + count);
        items.insert(items.end(), leaf->m_pieces + last, leaf->m_pieces + leaf->m_n_count);
        for (int64_t i = first; i < last; ++i)
            Removed(leaf->m_pieces[i]);
        Pack(items, out);
        Release(node);
        return;
    }
    const PlaneInner* inner = AsInner(node);
    const int n = inner->m_n_count;
    // Child a holds piece first (or is the last child when first is the
    // end); child b holds the last piece that goes (a for an insertion).
    int a = 0;
    int64_t base_a = 0;
    while (a + 1 < n && first >= base_a + inner->m_n_counts[a]) {
        base_a += inner->m_n_counts[a];
        ++a;
    }
    int b = a;
    int64_t base_b = base_a;
    if (last > first) {
        while (b + 1 < n && last - 1 >= base_b + inner->m_n_counts[b]) {
            base_b += inner->m_n_counts[b];
            ++b;
        }
    }
    std::vector<ChildRef> list;
    try {
        list.reserve(static_cast<size_t>(n) + 8);
    } catch (const std::bad_alloc&) {
        m_b_ok = false;
        return;
    }
    for (int i = 0; i < a; ++i)
        list.push_back({inner->m_p_children[i], inner->m_n_lengths[i], inner->m_n_counts[i]});
    const size_t lo = list.size();
    if (a == b) {
        Splice(inner->m_p_children[a], first - base_a, last - base_a, pieces, count, &list);
    } else {
        Splice(inner->m_p_children[a], first - base_a, inner->m_n_counts[a], pieces, count, &list);
        for (int i = a + 1; i < b; ++i)
            DroppedSubtree(inner->m_p_children[i]);
        Splice(inner->m_p_children[b], 0, last - base_b, nullptr, 0, &list);
    }
    const size_t hi = list.size();
    for (int i = b + 1; i < n; ++i)
        Push(&list, ChildRef{inner->m_p_children[i], inner->m_n_lengths[i], inner->m_n_counts[i]});
    Fix(&list, lo, hi);
    Pack(list, out);
    Release(node);
}

PlaneNode* PlaneEdit::Root(std::vector<ChildRef> top) {
    Fix(&top, 0, top.size());
    while (m_b_ok && top.size() > 1) {
        std::vector<ChildRef> up;
        Pack(top, &up);
        top.swap(up);
    }
    if (!m_b_ok || top.empty())
        return nullptr;
    PlaneNode* root = top[0].m_p_node;
    while (!root->m_b_leaf && root->m_n_count == 1) {
        PlaneNode* child = AsInner(root)->m_p_children[0];
        Release(root);
        root = child;
    }
    return root;
}

void PlaneEdit::Commit() {
    m_b_done = true;
    for (PlaneNode* n : m_made) {
        if (n->m_n_state == kStateDead)
            std::free(n);
        else
            n->m_n_state = kStateOld;
    }
    for (PlaneNode* n : m_released)
        m_plane.DropNode(n);
    for (PlaneNode* n : m_dropped)
        m_plane.DropSubtree(n);
    for (const PlanePiece& p : m_removed)
        m_plane.DropBytes(p);
    m_plane.Changed();
}

// ---- The overlay ----

// Owned buffers are plain heap blocks; a zero-byte buffer still gets a block so
// that an owned piece never has a null pointer.
uint8_t* CDataPlane::AllocBytes(int64_t count) {
    if (!Allow())
        return nullptr;
    return static_cast<uint8_t*>(std::malloc(count > 0 ? static_cast<size_t>(count) : 1));
}

CDataPlane::CDataPlane() = default;

CDataPlane::CDataPlane(int64_t src_size) {
    AppendPiece(PIECE_SOURCE, 0, src_size - 1, src_size, nullptr);
    m_n_generation = 1;
}

CDataPlane::~CDataPlane() {
    if (m_p_keep != nullptr) {
        std::lock_guard<std::mutex> lock(m_p_keep->m_lock);
        if (m_p_keep->m_n_snapshots.load(std::memory_order_acquire) > 0) {
            // Snapshots outlive the overlay: the last of them frees the tree.
            if (m_p_root != nullptr) {
                try {
                    m_p_keep->m_subtrees.push_back(m_p_root);
                } catch (const std::bad_alloc&) {
                    std::abort();
                }
            }
            m_p_keep->m_b_orphaned = true;
            m_p_root = nullptr;
            return;
        }
        m_p_keep->FreeAll();
    }
    FreePlaneTree(m_p_root);
    m_p_root = nullptr;
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
    // Every node and buffer made so far is now shared with the snapshot.
    m_n_epoch = (m_n_epoch + 1) & 0x3FFFFFFFu;
    return PlaneSnapshot(m_p_keep, m_p_root, m_n_size, m_n_pieces);
}

bool CDataPlane::SnapshotsLive() const {
    return m_p_keep != nullptr && m_p_keep->m_n_snapshots.load(std::memory_order_acquire) > 0;
}

namespace {

template <class T> void Keep(PlaneKeep* keep, std::vector<T>* list, T item) {
    std::lock_guard<std::mutex> lock(keep->m_lock);
    try {
        list->push_back(item);
    } catch (const std::bad_alloc&) {
        std::abort(); // see CDataPlane::Snapshot
    }
}

} // namespace

void CDataPlane::DropNode(PlaneNode* n) {
    if (Frozen(n))
        Keep(m_p_keep.get(), &m_p_keep->m_nodes, n);
    else
        std::free(n);
}

void CDataPlane::DropSubtree(PlaneNode* n) {
    // Below a node a snapshot may see, every node and buffer is as old.
    if (Frozen(n)) {
        Keep(m_p_keep.get(), &m_p_keep->m_subtrees, n);
        return;
    }
    if (n->m_b_leaf) {
        const PlaneLeaf* leaf = AsLeaf(n);
        for (int i = 0; i < leaf->m_n_count; ++i)
            DropBytes(leaf->m_pieces[i]);
    } else {
        const PlaneInner* inner = AsInner(n);
        for (int i = 0; i < inner->m_n_count; ++i)
            DropSubtree(inner->m_p_children[i]);
    }
    std::free(n);
}

void CDataPlane::DropBytes(const PlanePiece& p) {
    if (!OwnsBytes(p))
        return;
    if (BytesFrozen(p))
        Keep(m_p_keep.get(), &m_p_keep->m_bytes, p.m_p_bytes);
    else
        std::free(p.m_p_bytes);
}

void CDataPlane::FreeKept() const {
    if (m_p_keep == nullptr || m_p_keep->m_n_snapshots.load(std::memory_order_acquire) > 0)
        return;
    std::lock_guard<std::mutex> lock(m_p_keep->m_lock);
    if (m_p_keep->m_n_snapshots.load(std::memory_order_acquire) == 0)
        m_p_keep->FreeAll();
}

const PlanePiece* CDataPlane::PieceAt(int64_t index) const {
    const PlaneNode* node = m_p_root;
    if (node == nullptr || index < 0 || index >= m_n_pieces)
        return nullptr;
    while (!node->m_b_leaf) {
        const PlaneInner* inner = AsInner(node);
        int k = 0;
        while (k + 1 < inner->m_n_count && index >= inner->m_n_counts[k])
            index -= inner->m_n_counts[k++];
        node = inner->m_p_children[k];
    }
    return &AsLeaf(node)->m_pieces[index];
}

int CDataPlane::Splice(int64_t first, int64_t last, PlanePiece* pieces, size_t count, bool join) {
    std::vector<PlanePiece> joined;
    if (join) {
        // A source piece continuing its new neighbour joins it: the neighbour
        // then goes too, and comes back as part of the joined piece.
        const PlanePiece* before = PieceAt(first - 1);
        const PlanePiece* after = PieceAt(last);
        bool changed = false;
        try {
            joined.assign(pieces, pieces + count);
            if (!joined.empty() && before != nullptr && Continues(*before, joined.front())) {
                PlanePiece p = *before;
                Join(&p, joined.front());
                joined.front() = p;
                --first;
                changed = true;
            }
            if (after != nullptr) {
                if (!joined.empty() && Continues(joined.back(), *after)) {
                    Join(&joined.back(), *after);
                    ++last;
                    changed = true;
                } else if (joined.empty() && before != nullptr && Continues(*before, *after)) {
                    PlanePiece p = *before;
                    Join(&p, *after);
                    joined.push_back(p);
                    --first;
                    ++last;
                    changed = true;
                }
            }
        } catch (const std::bad_alloc&) {
            return 0;
        }
        if (changed) {
            pieces = joined.data();
            count = joined.size();
        }
    }
    PlaneEdit edit(this);
    std::vector<ChildRef> top;
    if (m_p_root == nullptr) {
        std::vector<PlanePiece> items;
        try {
            items.assign(pieces, pieces + count);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        edit.Pack(items, &top);
    } else {
        edit.Splice(m_p_root, first, last, pieces, count, &top);
    }
    int64_t size = 0;
    int64_t total = 0;
    for (const ChildRef& c : top) {
        size += c.m_n_length;
        total += c.m_n_count;
    }
    PlaneNode* root = edit.Root(std::move(top));
    if (!edit.Ok())
        return 0;
    m_p_root = root;
    m_n_size = size;
    m_n_pieces = total;
    edit.Commit();
    return 1;
}

int CDataPlane::MakePiece(const PieceRecord& record, int64_t from, int64_t length,
                          PlanePiece* out) {
    *out = PlanePiece{};
    out->m_n_kind = record.m_n_kind & 3u;
    out->m_n_epoch = m_n_epoch;
    out->m_n_length = length;
    if (record.m_n_kind == PIECE_SOURCE) {
        out->m_n_src_begin = record.m_n_src_begin + from;
        out->m_n_src_end = out->m_n_src_begin + length - 1;
        return 1;
    }
    out->m_n_src_begin = record.m_n_src_begin;
    out->m_n_src_end = record.m_n_src_end;
    out->m_p_bytes = AllocBytes(length);
    if (out->m_p_bytes == nullptr)
        return 0;
    if (length > 0)
        std::memcpy(out->m_p_bytes, record.m_p_bytes + from, static_cast<size_t>(length));
    return 1;
}

namespace {

PieceRecord RecordOf(const PlanePiece& p) {
    return {p.m_n_kind, p.m_n_src_begin, p.m_n_src_end, p.m_n_length, p.m_p_bytes};
}

void FreeBytes(const std::vector<PlanePiece>& pieces) {
    for (const PlanePiece& p : pieces)
        std::free(p.m_p_bytes);
}

// New pieces in order, each source piece that continues the last one joined to it.
struct Chain {
    std::vector<PlanePiece> m_pieces;
    void Add(const PlanePiece& p) {
        if (!m_pieces.empty() && Continues(m_pieces.back(), p))
            Join(&m_pieces.back(), p);
        else
            m_pieces.push_back(p);
    }
};

} // namespace

int CDataPlane::Replace(int64_t first, int64_t count, const PieceRecord* records,
                        size_t record_count) {
    if (IsBeingRead())
        return 0;
    if (first < 0 || count < 0 || (record_count > 0 && records == nullptr))
        return 0;
    FreeKept();
    // The run of pieces that goes (left..right) and the parts of its edge
    // pieces that stay (head and tail).
    int64_t left_start = 0, left_index = m_n_pieces;
    const PlanePiece* left = FindPieceInTree(m_p_root, first, &left_start, &left_index);
    const PlanePiece* right = left;
    int64_t right_start = left_start, right_index = left_index;
    if (left == nullptr) {
        // Only an insertion at the very end finds no piece.
        if (count != 0 || first != m_n_size)
            return 0;
    } else if (count > 0) {
        right = FindPieceInTree(m_p_root, first + count - 1, &right_start, &right_index);
        if (right == nullptr)
            return 0;
    }
    const int64_t head_length = left != nullptr ? first - left_start : 0;
    const int64_t tail_from = left == nullptr ? 0
                              : count > 0     ? first + count - right_start
                                              : head_length;
    int64_t from = left_index;
    int64_t to = right_index + 1;
    if (left == nullptr || (count == 0 && head_length == 0)) {
        // A pure insertion in front of a piece keeps that piece whole.
        left = nullptr;
        to = from;
    }

    Chain chain;
    bool ok = true;
    auto add = [&](const PieceRecord& record, int64_t at, int64_t length) {
        PlanePiece p;
        if (!ok)
            return;
        if (!MakePiece(record, at, length, &p)) {
            ok = false;
            return;
        }
        try {
            chain.Add(p);
        } catch (const std::bad_alloc&) {
            std::free(p.m_p_bytes);
            ok = false;
        }
    };
    try {
        chain.m_pieces.reserve(record_count + 2);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (left != nullptr && head_length > 0)
        add(RecordOf(*left), 0, head_length);
    for (size_t i = 0; i < record_count; ++i)
        add(records[i], 0, records[i].m_n_length);
    if (left != nullptr && tail_from < right->m_n_length)
        add(RecordOf(*right), tail_from, right->m_n_length - tail_from);
    if (!ok || !Splice(from, to, chain.m_pieces.data(), chain.m_pieces.size(), true)) {
        FreeBytes(chain.m_pieces);
        return 0;
    }
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
    int64_t s = 0, index = 0;
    const PlanePiece* p = FindPieceInTree(m_p_root, offset, &s, &index);
    if (p == nullptr)
        return 0;
    const int64_t r = offset - s;
    value &= 0x0F;
    FreeKept();
    auto merge = [&](uint8_t b) {
        return high ? static_cast<uint8_t>((value << 4) | (b & 0x0F))
                    : static_cast<uint8_t>((b & 0xF0) | value);
    };
    if (OwnsBytes(*p)) {
        if (!BytesFrozen(*p)) {
            // The buffer is the live overlay's alone, even in a shared leaf.
            p->m_p_bytes[r] = merge(p->m_p_bytes[r]);
            Changed();
            return 1;
        }
        PlanePiece copy;
        if (!MakePiece(RecordOf(*p), 0, p->m_n_length, &copy))
            return 0;
        copy.m_p_bytes[r] = merge(copy.m_p_bytes[r]);
        if (!Splice(index, index + 1, &copy, 1, false)) {
            std::free(copy.m_p_bytes);
            return 0;
        }
        return 1;
    }
    // The other half comes from the source; without it the edit is refused
    // before anything changes.
    if (source == nullptr)
        return 0;
    const uint8_t* src = source->GetData(p->m_n_src_begin + r);
    if (src == nullptr)
        return 0;
    PlanePiece parts[3];
    size_t n = 0;
    const PieceRecord whole = RecordOf(*p);
    if (r > 0)
        MakePiece(whole, 0, r, &parts[n++]);
    const PieceRecord typed = {PIECE_OVERWRITTEN, p->m_n_src_begin + r, p->m_n_src_begin + r, 1,
                               src};
    if (!MakePiece(typed, 0, 1, &parts[n]))
        return 0;
    parts[n].m_p_bytes[0] = merge(parts[n].m_p_bytes[0]);
    const size_t typed_at = n++;
    if (r + 1 < p->m_n_length)
        MakePiece(whole, r + 1, p->m_n_length - r - 1, &parts[n++]);
    // The parts come from one piece, which continues neither neighbour, so
    // there is nothing to join.
    if (!Splice(index, index + 1, parts, n, false)) {
        std::free(parts[typed_at].m_p_bytes);
        return 0;
    }
    return 1;
}

const PlanePiece* CDataPlane::AppendPiece(uint32_t kind, int64_t src_begin, int64_t src_end,
                                          int64_t length, uint8_t* bytes) {
    if (IsBeingRead())
        return nullptr;
    PlanePiece piece{};
    piece.m_n_kind = kind & 3u;
    piece.m_n_epoch = m_n_epoch;
    piece.m_n_length = length;
    piece.m_p_bytes = bytes;
    piece.m_n_src_begin = src_begin;
    piece.m_n_src_end = src_end;
    // The path to the last piece, changed in place when no snapshot sees it:
    // a full leaf or inner node gets a new neighbour holding the one new
    // entry, so an overlay built by appending has full nodes.
    PlaneNode* path[kPlaneMaxDepth];
    int depth = 0;
    bool in_place = m_p_root != nullptr;
    for (PlaneNode* n = m_p_root; n != nullptr && in_place; ++depth) {
        path[depth] = n;
        in_place = !Frozen(n) && n->m_n_count > 0 && depth + 1 < kPlaneMaxDepth;
        n = n->m_b_leaf ? nullptr : static_cast<PlaneInner*>(n)->m_p_children[n->m_n_count - 1];
    }
    if (!in_place) {
        if (!Splice(m_n_pieces, m_n_pieces, &piece, 1, false))
            return nullptr;
        return PieceAt(m_n_pieces - 1);
    }
    int top = depth - 1; // the deepest node on the path with room
    while (top >= 0 &&
           path[top]->m_n_count == (path[top]->m_b_leaf ? kPlaneLeafMax : kPlaneInnerMax))
        --top;
    PlaneNode* made[kPlaneMaxDepth + 1];
    const int need = depth - 1 - top + (top < 0 ? 1 : 0);
    for (int i = 0; i < need; ++i) {
        const bool leaf = i == 0;
        made[i] = Allow() ? static_cast<PlaneNode*>(
                                std::malloc(leaf ? sizeof(PlaneLeaf) : sizeof(PlaneInner)))
                          : nullptr;
        if (made[i] == nullptr) {
            for (int j = 0; j < i; ++j)
                std::free(made[j]);
            return nullptr;
        }
        made[i]->m_n_epoch = m_n_epoch;
        made[i]->m_n_count = 0;
        made[i]->m_b_leaf = leaf ? 1 : 0;
        made[i]->m_n_state = kStateOld;
    }
    // Up the path: every node above the one that takes the entry counts it.
    for (int d = 0; d < top && d < depth - 1; ++d) {
        auto* inner = static_cast<PlaneInner*>(path[d]);
        inner->m_n_lengths[inner->m_n_count - 1] += length;
        inner->m_n_counts[inner->m_n_count - 1] += 1;
    }
    const PlanePiece* stored = nullptr;
    if (top == depth - 1) {
        auto* leaf = static_cast<PlaneLeaf*>(path[top]);
        leaf->m_pieces[leaf->m_n_count] = piece;
        stored = &leaf->m_pieces[leaf->m_n_count++];
    } else {
        // A chain of new nodes, one entry each, from a new leaf up.
        auto* leaf = static_cast<PlaneLeaf*>(made[0]);
        leaf->m_pieces[0] = piece;
        leaf->m_n_count = 1;
        stored = &leaf->m_pieces[0];
        PlaneNode* below = leaf;
        for (int i = 1; i < depth - 1 - top; ++i) {
            auto* inner = static_cast<PlaneInner*>(made[i]);
            inner->m_p_children[0] = below;
            inner->m_n_lengths[0] = length;
            inner->m_n_counts[0] = 1;
            inner->m_n_count = 1;
            below = inner;
        }
        if (top >= 0) {
            auto* inner = static_cast<PlaneInner*>(path[top]);
            const int k = inner->m_n_count++;
            inner->m_p_children[k] = below;
            inner->m_n_lengths[k] = length;
            inner->m_n_counts[k] = 1;
        } else {
            auto* root = static_cast<PlaneInner*>(made[need - 1]);
            root->m_b_leaf = 0;
            root->m_p_children[0] = m_p_root;
            root->m_n_lengths[0] = m_n_size;
            root->m_n_counts[0] = m_n_pieces;
            root->m_p_children[1] = below;
            root->m_n_lengths[1] = length;
            root->m_n_counts[1] = 1;
            root->m_n_count = 2;
            m_p_root = root;
        }
    }
    m_n_size += length;
    ++m_n_pieces;
    Changed();
    return stored;
}

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

    // The new sequence, streamed into new leaves in order: old pieces kept
    // whole, and new pieces for the parts of cut pieces that stay and for the
    // records. The old pieces that do not stay whole give their buffers up
    // once the edit is in place.
    PlaneEdit edit(this);
    std::vector<uint8_t*> made; // the buffers this step allocated
    bool ok = true;
    auto make = [&](const PieceRecord& record, int64_t at, int64_t length) {
        PlanePiece p;
        if (!ok || !MakePiece(record, at, length, &p)) {
            ok = false;
            return;
        }
        if (p.m_p_bytes != nullptr) {
            try {
                made.push_back(p.m_p_bytes);
            } catch (const std::bad_alloc&) {
                std::free(p.m_p_bytes);
                throw;
            }
        }
        edit.Stream(p);
    };
    // The piece at the cursor begins at offset start; its bytes before
    // start + from are dealt with.
    PieceCursor cursor(*this);
    int64_t from = 0;
    auto leave = [&]() {
        edit.Removed(*cursor.Piece());
        from = 0;
        cursor.Next();
    };
    auto pass = [&]() {
        const PlanePiece& p = *cursor.Piece();
        if (from == 0) {
            edit.Stream(p);
            cursor.Next();
            return;
        }
        if (from < p.m_n_length)
            make(RecordOf(p), from, p.m_n_length - from);
        leave();
    };
    try {
        made.reserve(2 * edit_count);
        for (size_t i = 0; ok && i < edit_count; ++i) {
            const PlaneRangeEdit& e = edits[i];
            while (ok && cursor.Piece() != nullptr &&
                   cursor.Start() + cursor.Piece()->m_n_length <= e.m_n_first)
                pass();
            if (ok && cursor.Piece() != nullptr && e.m_n_first > cursor.Start() + from) {
                make(RecordOf(*cursor.Piece()), from, e.m_n_first - cursor.Start() - from);
                from = e.m_n_first - cursor.Start();
            }
            for (size_t r = 0; ok && r < e.m_n_record_count; ++r)
                if (e.m_p_records[r].m_n_length > 0)
                    make(e.m_p_records[r], 0, e.m_p_records[r].m_n_length);
            const int64_t skip_to = e.m_n_first + e.m_n_count;
            while (e.m_n_count > 0 && cursor.Piece() != nullptr &&
                   cursor.Start() + cursor.Piece()->m_n_length <= skip_to)
                leave();
            if (cursor.Piece() != nullptr && skip_to > cursor.Start())
                from = skip_to - cursor.Start();
        }
        while (ok && cursor.Piece() != nullptr)
            pass();
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    std::vector<ChildRef> leaves = edit.EndStream();
    int64_t size = 0;
    int64_t pieces = 0;
    for (const ChildRef& c : leaves) {
        size += c.m_n_length;
        pieces += c.m_n_count;
    }
    PlaneNode* root = ok && edit.Ok() ? edit.Root(std::move(leaves)) : nullptr;
    if (!ok || !edit.Ok()) {
        for (uint8_t* b : made)
            std::free(b);
        return 0;
    }
    // Every old node goes; the buffers of pieces kept whole live on.
    std::vector<PlaneNode*> todo;
    try {
        if (m_p_root != nullptr)
            todo.push_back(m_p_root);
        while (!todo.empty()) {
            PlaneNode* n = todo.back();
            todo.pop_back();
            if (!n->m_b_leaf) {
                const PlaneInner* inner = AsInner(n);
                todo.insert(todo.end(), inner->m_p_children,
                            inner->m_p_children + inner->m_n_count);
            }
            edit.Release(n);
        }
    } catch (const std::bad_alloc&) {
        std::abort(); // the new tree is built; the old one cannot be half let go of
    }
    if (!edit.Ok())
        std::abort();
    m_p_root = root;
    m_n_size = size;
    m_n_pieces = pieces;
    edit.Commit();
    return 1;
}
