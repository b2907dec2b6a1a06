// CDataPlane: the edit overlay, an ordered doubly linked list of pieces whose
// concatenation is the document's effective data, with a balanced tree over the
// same pieces for lookups by offset. The source is never written.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class CSrclibrary;
class PlaneSnapshot;
struct PlaneKeep;

// Asked before every allocation the overlay makes; a test hook that refuses
// one shows that an edit which cannot finish leaves the list as it was.
class PlaneAllocGate {
  public:
    virtual ~PlaneAllocGate() = default;
    virtual bool Allow() = 0;
};

enum : uint32_t {
    PIECE_SOURCE = 0,      // refers to source bytes m_n_src_begin..m_n_src_end
    PIECE_INSERTED = 2,    // owns inserted bytes
    PIECE_OVERWRITTEN = 3, // owns one byte typed over source byte m_n_src_begin
};

struct PlanePiece {
    uint32_t m_n_kind : 2;
    // Set on a piece copied from one that a snapshot still reads: the bytes
    // are that snapshot's too, so they are replaced, never written or freed,
    // while a snapshot lives.
    uint32_t m_b_shared_bytes : 1;
    // The overlay's snapshot epoch when the piece was made; a piece of an
    // older epoch may be seen by a snapshot and is copied before it changes.
    uint32_t m_n_epoch : 29;
    uint32_t m_n_priority; // the tree's heap key
    int64_t m_n_length;
    // The lookup tree (a treap in list order), kept by CDataPlane alone. A node
    // knows the length of its left subtree, so a descent reads only the nodes
    // on its path; the fields a descent and a walk read come first. Snapshots
    // read every field up to m_n_src_end and never the list or parent links,
    // which belong to the live overlay alone.
    int64_t m_n_left_length;
    PlanePiece* m_p_left;
    PlanePiece* m_p_right;
    PlanePiece* m_p_next;
    uint8_t* m_p_bytes; // exactly m_n_length owned bytes; null for source pieces
    int64_t m_n_src_begin;
    int64_t m_n_src_end; // source: begin + length - 1; overwritten: begin; inserted: 0
    PlanePiece* m_p_prev;
    PlanePiece* m_p_parent;
};

// The piece of a lookup tree holding the offset, with its first offset in
// start; null past the end. The live overlay and its snapshots descend alike.
inline PlanePiece* FindPieceInTree(PlanePiece* root, int64_t offset, int64_t* start) {
    if (offset < 0)
        return nullptr;
    int64_t base = 0;
    for (PlanePiece* p = root; p != nullptr;) {
        if (offset < base + p->m_n_left_length) {
            p = p->m_p_left;
            continue;
        }
        base += p->m_n_left_length;
        if (offset < base + p->m_n_length) {
            if (start != nullptr)
                *start = base;
            return p;
        }
        base += p->m_n_length;
        p = p->m_p_right;
    }
    return nullptr;
}

// One piece to place by Replace: the bytes of an owned kind are copied.
struct PieceRecord {
    uint32_t m_n_kind;
    int64_t m_n_src_begin;
    int64_t m_n_src_end;
    int64_t m_n_length;
    const uint8_t* m_p_bytes; // m_n_length bytes for owned kinds, null for source
};

// One range of a bulk replacement: the count effective bytes at first (an
// offset as the plane stands before the bulk step) give way to the records.
struct PlaneRangeEdit {
    int64_t m_n_first;
    int64_t m_n_count;
    const PieceRecord* m_p_records;
    size_t m_n_record_count;
};

class CDataPlane {
  public:
    CDataPlane();                          // empty list (readers append themselves)
    explicit CDataPlane(int64_t src_size); // one source piece 0..src_size-1
    virtual ~CDataPlane();
    CDataPlane(const CDataPlane&) = delete;
    CDataPlane& operator=(const CDataPlane&) = delete;

    // The piece of non-zero length holding offset and its start, by a descent
    // of the tree in O(log n); null past the end. Writes nothing, so readers on
    // several threads may call it at once (nothing edits while a worker reads).
    PlanePiece* Find(int64_t offset, int64_t* start) const;
    // Replaces the count effective bytes at first with the given pieces, all
    // or nothing: every allocation is made before the list changes. Source
    // pieces that continue each other are joined into one.
    int Replace(int64_t first, int64_t count, const PieceRecord* records, size_t record_count);
    // Many replacements in one pass over the list, all or nothing: the edits
    // are sorted by offset and do not overlap (two may touch). Costs O(n + k)
    // for n pieces and k edits, then rebuilds the tree balanced.
    int ReplaceMany(const PlaneRangeEdit* edits, size_t edit_count);
    int Remove(int64_t first, int64_t last);
    int Insert(int64_t offset, const uint8_t* bytes, int64_t count);
    int SetNibble(int64_t offset, uint8_t value, int high, CSrclibrary* source);

    // Appends a zero-filled piece after the last one (workspace reader, process
    // source); takes ownership of bytes. Null when allocation fails.
    PlanePiece* AppendPiece(uint32_t kind, int64_t src_begin, int64_t src_end, int64_t length,
                            uint8_t* bytes);

    int LinkAfter(PlanePiece* piece, PlanePiece* anchor);
    void DeletePiece(PlanePiece* piece);
    int SplitPiece(PlanePiece* piece, int64_t relative);
    int InsertPiece(PlanePiece* piece, PlanePiece* added, int64_t relative);
    int RemoveInPiece(PlanePiece* piece, int64_t first, int64_t last);

    // Number of pieces in the list (zero-length pieces included).
    int64_t PieceCount() const { return m_n_pieces; }
    // The lookup tree's root, for checks of its shape.
    const PlanePiece* TreeRoot() const { return m_p_root; }

    // An immutable view of the overlay as it is now, in O(1): the pieces are
    // shared, and the overlay copies a piece (and the path above it) before
    // it changes one that a snapshot may see. A worker reads the snapshot on
    // its own thread while this overlay goes on being edited; the copies and
    // the pieces they replace go when no snapshot lives any more. An invalid
    // snapshot when memory is short. Copying a piece that a snapshot sees
    // cannot be refused half-way through an edit, so the program ends if
    // even those few bytes cannot be had.
    PlaneSnapshot Snapshot() const;

    // A worker reading the list on another thread holds it against change:
    // while any reader does, every mutator above refuses (0 or null) and the
    // list stays as it is. Readers begin on the interface thread, which is
    // the one that edits, so a check there cannot race with a new reader.
    void BeginRead() { m_n_readers.fetch_add(1); }
    void EndRead() { m_n_readers.fetch_sub(1); }
    int IsBeingRead() const { return m_n_readers.load() > 0 ? 1 : 0; }

    PlanePiece* m_p_head = nullptr;
    // Consulted before each allocation when set (tests only).
    PlaneAllocGate* m_p_alloc_gate = nullptr;
    // Bumped by every change of the list or of a piece's extent; readers that
    // cache positions compare it.
    uint64_t m_n_generation = 0;

  private:
    std::atomic<int> m_n_readers{0};
    PlanePiece* NewPiece();
    uint8_t* AllocBytes(int64_t count);
    void* ShrinkBytes(uint8_t* bytes, int64_t count);
    // A new piece for the part [from, from + length) of a record; null when an
    // allocation fails.
    PlanePiece* MakePiece(const PieceRecord& record, int64_t from, int64_t length);
    void Changed() { ++m_n_generation; }

    // List and tree together; none of these allocates or fails.
    // These return the piece as it now is (Own may have put a copy in its place).
    void Link(PlanePiece* piece, PlanePiece* anchor); // after anchor, at the head when null
    PlanePiece* Unlink(PlanePiece* piece);            // out of both; the caller drops it
    PlanePiece* SetLength(PlanePiece* piece, int64_t length);
    // Tree steps.
    void RotateUp(PlanePiece* x);
    // Adds delta to the left length of every ancestor that has p on its left.
    void AddAbove(PlanePiece* p, int64_t delta);

    // Snapshot support. A frozen piece may be seen by a live snapshot; Own
    // returns a piece that may change (p, or a copy in its place with the
    // path above it copied too; p then forwards to the copy), Fresh follows
    // such forwarding for a pointer held across a change. Drop lets go of an
    // unlinked piece (freed, or kept while snapshots may read it).
    bool Frozen(const PlanePiece* p) const;
    bool BytesFrozen(const PlanePiece* p) const;
    static PlanePiece* Fresh(PlanePiece* p);
    PlanePiece* Own(PlanePiece* p);
    void Drop(PlanePiece* p);
    void KeepPiece(PlanePiece* p);
    void KeepBytes(uint8_t* bytes);
    // Makes an owned piece's bytes the count bytes at from of its bytes; 0
    // when memory is short, with the piece as it was.
    int CutBytes(PlanePiece* piece, int64_t from, int64_t count);
    // Frees the pieces kept for snapshots once none lives.
    void FreeKept() const;
    // Makes pieces[0..count) the list and a perfectly balanced tree over it.
    void Rebuild(PlanePiece** pieces, size_t count);
    // The balanced subtree over pieces[lo, hi) below parent: its root, its
    // byte length and its height (0 when empty).
    PlanePiece* Balanced(PlanePiece** pieces, size_t lo, size_t hi, PlanePiece* parent,
                         int64_t* total, uint32_t* height);
    uint64_t NextRandom();

    PlanePiece* m_p_root = nullptr;
    int64_t m_n_pieces = 0;
    int64_t m_n_size = 0;                      // sum of all lengths
    uint64_t m_n_seed = 0x9E3779B97F4A7C15ull; // priorities (xorshift)
    // Made by the first snapshot; holds what snapshots still read.
    mutable std::shared_ptr<PlaneKeep> m_p_keep;
    mutable uint32_t m_n_epoch = 0; // bumped by each snapshot
};

// One reader's hold on a plane (see CDataPlane::BeginRead), let go when the
// guard dies or is released; movable, so the worker that reads can own it.
class PlaneReadGuard {
  public:
    PlaneReadGuard() = default;
    explicit PlaneReadGuard(CDataPlane* plane) : m_p_plane(plane) {
        if (m_p_plane != nullptr)
            m_p_plane->BeginRead();
    }
    ~PlaneReadGuard() { Release(); }
    PlaneReadGuard(PlaneReadGuard&& other) noexcept : m_p_plane(other.m_p_plane) {
        other.m_p_plane = nullptr;
    }
    PlaneReadGuard& operator=(PlaneReadGuard&& other) noexcept {
        if (this != &other) {
            Release();
            m_p_plane = other.m_p_plane;
            other.m_p_plane = nullptr;
        }
        return *this;
    }
    PlaneReadGuard(const PlaneReadGuard&) = delete;
    PlaneReadGuard& operator=(const PlaneReadGuard&) = delete;
    void Release() {
        if (m_p_plane != nullptr)
            m_p_plane->EndRead();
        m_p_plane = nullptr;
    }

  private:
    CDataPlane* m_p_plane = nullptr;
};
