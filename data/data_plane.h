// CDataPlane: the edit overlay, an ordered sequence of pieces whose
// concatenation is the document's effective data, kept in a B+ tree of wide
// nodes: leaves hold the pieces inline, inner nodes the byte length and piece
// count below each child, so a lookup at a million pieces reads four nodes.
// The source is never written.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class CDataPlane;
class CSrclibrary;
class PlaneSnapshot;
struct PlaneKeep;

// Asked before every allocation the overlay makes; a test hook that refuses
// one shows that an edit which cannot finish leaves the overlay as it was.
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

// One piece, stored inline in a leaf (40 bytes on both word sizes).
struct PlanePiece {
    uint32_t m_n_kind : 2;
    // The overlay's snapshot epoch when the owned bytes were made: bytes of
    // an older epoch may be read by a snapshot, so they are replaced, never
    // written or freed, while one lives.
    uint32_t m_n_epoch : 30;
    int64_t m_n_length;
    uint8_t* m_p_bytes; // exactly m_n_length owned bytes; null for source pieces
    int64_t m_n_src_begin;
    int64_t m_n_src_end; // source: begin + length - 1; overwritten: begin; inserted: 0
};

// The tree's shape: every node but the root (and those on the path to the
// last piece, which appending fills from the left) holds at least the
// minimum; all leaves are at the same depth.
enum : int {
    kPlaneLeafMax = 32,
    kPlaneInnerMax = 32,
    kPlaneLeafMin = kPlaneLeafMax / 4,
    kPlaneInnerMin = kPlaneInnerMax / 4,
    kPlaneMaxDepth = 24,
};

// A node is never changed once a snapshot may see it: its epoch tells.
struct PlaneNode {
    uint32_t m_n_epoch;
    uint16_t m_n_count; // pieces of a leaf, children of an inner node
    uint8_t m_b_leaf;
    uint8_t m_n_state; // for the edit that is being built (0 outside one)
};
struct PlaneLeaf : PlaneNode {
    PlanePiece m_pieces[kPlaneLeafMax];
};
struct PlaneInner : PlaneNode {
    int64_t m_n_lengths[kPlaneInnerMax]; // bytes below each child
    int64_t m_n_counts[kPlaneInnerMax];  // pieces below each child
    PlaneNode* m_p_children[kPlaneInnerMax];
};

// Frees a tree with every owned byte buffer in it.
void FreePlaneTree(PlaneNode* node);

// The piece of non-zero length holding offset in the tree below root, with
// its first offset in start and its index in index (either may be null);
// null past the end. The live overlay and its snapshots descend alike.
const PlanePiece* FindPieceInTree(const PlaneNode* root, int64_t offset, int64_t* start,
                                  int64_t* index);

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

// A position among the pieces of the live overlay or of a snapshot, zero-length
// pieces included, moved piece by piece in amortised constant time. It holds
// the path from the root, so it is good until the overlay it walks changes (a
// snapshot's never does).
class PieceCursor {
  public:
    PieceCursor() = default; // at the end of nothing
    // At the first piece, or at the piece of non-zero length holding offset
    // (at the end past it).
    explicit PieceCursor(const CDataPlane& plane);
    PieceCursor(const CDataPlane& plane, int64_t offset);
    explicit PieceCursor(const PlaneSnapshot& snapshot);
    PieceCursor(const PlaneSnapshot& snapshot, int64_t offset);

    const PlanePiece* Piece() const {
        return m_n_depth == 0 ? nullptr
                              : &static_cast<const PlaneLeaf*>(m_p_nodes[m_n_depth - 1])
                                     ->m_pieces[m_n_at[m_n_depth - 1]];
    }
    int64_t Start() const { return m_n_start; } // the piece's offset (the size at the end)
    int64_t Index() const { return m_n_index; } // the piece's place in the sequence
    // To the next piece (past the last: the end) or the one before (before
    // the first: the end, with Start 0).
    void Next();
    void Prev();

  private:
    void First(const PlaneNode* root);
    void Seek(const PlaneNode* root, int64_t offset, int64_t size, int64_t pieces);
    const PlaneNode* m_p_nodes[kPlaneMaxDepth];
    uint16_t m_n_at[kPlaneMaxDepth];
    int m_n_depth = 0;
    int64_t m_n_start = 0;
    int64_t m_n_index = 0;
};

class CDataPlane {
  public:
    CDataPlane();                          // no pieces (readers append them)
    explicit CDataPlane(int64_t src_size); // one source piece 0..src_size-1
    virtual ~CDataPlane();
    CDataPlane(const CDataPlane&) = delete;
    CDataPlane& operator=(const CDataPlane&) = delete;

    // The piece of non-zero length holding offset and its start, by a descent
    // in O(log n); null past the end. The pointer is good until the next
    // change. Writes nothing, so readers on several threads may call it at once.
    const PlanePiece* Find(int64_t offset, int64_t* start) const {
        return FindPieceInTree(m_p_root, offset, start, nullptr);
    }
    // Replaces the count effective bytes at first with the given pieces, all
    // or nothing: every allocation is made before the overlay changes. Source
    // pieces that continue each other are joined into one.
    int Replace(int64_t first, int64_t count, const PieceRecord* records, size_t record_count);
    // Many replacements in one pass over the pieces, all or nothing: the edits
    // are sorted by offset and do not overlap (two may touch). Costs O(n + k)
    // for n pieces and k edits, and builds the tree anew bottom-up.
    int ReplaceMany(const PlaneRangeEdit* edits, size_t edit_count);
    int Remove(int64_t first, int64_t last);
    int Insert(int64_t offset, const uint8_t* bytes, int64_t count);
    int SetNibble(int64_t offset, uint8_t value, int high, CSrclibrary* source);

    // Appends a piece after the last one as it is, joining nothing (workspace
    // reader, process source), in amortised constant time; takes ownership of
    // bytes when it succeeds. The piece as stored, or null when allocation fails.
    const PlanePiece* AppendPiece(uint32_t kind, int64_t src_begin, int64_t src_end, int64_t length,
                                  uint8_t* bytes);

    // Number of pieces (zero-length pieces included) and their total length.
    int64_t PieceCount() const { return m_n_pieces; }
    int64_t Size() const { return m_n_size; }
    // The tree's root (null when there are no pieces), for checks of its shape.
    const PlaneNode* Root() const { return m_p_root; }

    // An immutable view of the overlay as it is now, in O(1): the nodes are
    // shared, and an edit copies the nodes on its path instead of changing
    // one that a snapshot may see. A worker reads the snapshot on its own
    // thread while this overlay goes on being edited; the replaced nodes go
    // when no snapshot lives any more. An invalid snapshot when memory is
    // short. Keeping a replaced node cannot be refused once an edit has been
    // built, so the program ends if even that bookkeeping cannot be had.
    PlaneSnapshot Snapshot() const;

    // A worker reading the overlay on another thread holds it against change:
    // while any reader does, every mutator above refuses (0 or null) and the
    // overlay stays as it is. Readers begin on the interface thread, which is
    // the one that edits, so a check there cannot race with a new reader.
    void BeginRead() { m_n_readers.fetch_add(1); }
    void EndRead() { m_n_readers.fetch_sub(1); }
    int IsBeingRead() const { return m_n_readers.load() > 0 ? 1 : 0; }

    // Consulted before each allocation when set (tests only).
    PlaneAllocGate* m_p_alloc_gate = nullptr;
    // Bumped by every change of the pieces; readers that cache positions or
    // piece pointers compare it.
    uint64_t m_n_generation = 0;

  private:
    friend class PlaneEdit;
    std::atomic<int> m_n_readers{0};
    bool Allow() const { return m_p_alloc_gate == nullptr || m_p_alloc_gate->Allow(); }
    uint8_t* AllocBytes(int64_t count);
    void Changed() { ++m_n_generation; }
    // A piece for the part [from, from + length) of a record, owning a copy
    // of its bytes; 0 when the allocation fails.
    int MakePiece(const PieceRecord& record, int64_t from, int64_t length, PlanePiece* out);
    // The pieces [first, last) give way to pieces (whose bytes they own), all
    // or nothing; with join, source pieces continuing their new neighbours
    // are joined to them. 0 when memory is short: the pieces' bytes are then
    // still the caller's to free.
    int Splice(int64_t first, int64_t last, PlanePiece* pieces, size_t count, bool join);
    const PlanePiece* PieceAt(int64_t index) const;

    // Snapshot support. A frozen node or byte buffer may be seen by a live
    // snapshot; what the overlay lets go of is then kept until none lives.
    bool SnapshotsLive() const;
    bool Frozen(const PlaneNode* n) const { return SnapshotsLive() && n->m_n_epoch != m_n_epoch; }
    bool BytesFrozen(const PlanePiece& p) const {
        return SnapshotsLive() && p.m_n_epoch != m_n_epoch;
    }
    void DropNode(PlaneNode* n);    // the node alone: its children and bytes live on
    void DropSubtree(PlaneNode* n); // the node, everything below and its bytes
    void DropBytes(const PlanePiece& p);
    // Frees what was kept for snapshots once none lives.
    void FreeKept() const;

    PlaneNode* m_p_root = nullptr;
    int64_t m_n_pieces = 0;
    int64_t m_n_size = 0; // sum of all lengths
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
