// PlaneSnapshot: an immutable view of an edit overlay as it was when taken,
// which a worker reads on its own thread while the overlay goes on being
// edited; SnapshotCursor walks its pieces in order.
#pragma once

#include "data/data_plane.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// What an overlay keeps for its snapshots: the count of live ones, and the
// pieces and byte buffers the overlay has let go of while some lived.
struct PlaneKeep {
    std::atomic<int> m_n_snapshots{0};
    std::mutex m_lock;                 // guards everything below
    std::vector<PlanePiece*> m_pieces; // their bytes belong to m_bytes or to a live piece
    std::vector<uint8_t*> m_bytes;
    bool m_b_orphaned = false; // the overlay is gone: the last snapshot frees all
    // Frees the pieces and buffers kept; the caller holds m_lock.
    void FreeAll();
    // A snapshot ends.
    void Release();
};

class PlaneSnapshot {
  public:
    PlaneSnapshot() = default;
    ~PlaneSnapshot() { Reset(); }
    PlaneSnapshot(PlaneSnapshot&& other) noexcept { *this = std::move(other); }
    PlaneSnapshot& operator=(PlaneSnapshot&& other) noexcept;
    PlaneSnapshot(const PlaneSnapshot&) = delete;
    PlaneSnapshot& operator=(const PlaneSnapshot&) = delete;

    int Valid() const { return m_p_keep != nullptr ? 1 : 0; }
    int64_t Size() const { return m_n_size; }
    int64_t PieceCount() const { return m_n_pieces; }
    // The piece of non-zero length holding offset and its start; null past the end.
    const PlanePiece* Find(int64_t offset, int64_t* start) const;
    const PlanePiece* Root() const { return m_p_root; }
    // Lets go of the view; the overlay may then free what only it kept alive.
    void Reset();

  private:
    friend class CDataPlane;
    PlaneSnapshot(std::shared_ptr<PlaneKeep> keep, const PlanePiece* root, int64_t size,
                  int64_t pieces);
    std::shared_ptr<PlaneKeep> m_p_keep;
    const PlanePiece* m_p_root = nullptr;
    int64_t m_n_size = 0;
    int64_t m_n_pieces = 0;
};

// An in-order walk over a snapshot's pieces, zero-length ones included, by
// the tree alone (the list links belong to the live overlay).
class SnapshotCursor {
  public:
    SnapshotCursor() = default; // at the end of nothing
    // At the first piece.
    explicit SnapshotCursor(const PlaneSnapshot& snapshot);
    // At the piece of non-zero length holding offset; at the end past it.
    SnapshotCursor(const PlaneSnapshot& snapshot, int64_t offset);
    const PlanePiece* Piece() const { return m_path.empty() ? nullptr : m_path.back(); }
    int64_t Start() const { return m_n_start; } // the piece's offset (the size at the end)
    // To the next piece (past the last: the end) or the one before (before
    // the first: the end, with Start 0).
    void Next();
    void Prev();

  private:
    // The path from the root down to the piece; empty at the end.
    std::vector<const PlanePiece*> m_path;
    int64_t m_n_start = 0;
};
