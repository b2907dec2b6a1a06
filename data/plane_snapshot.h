// PlaneSnapshot: an immutable view of an edit overlay as it was when taken,
// which a worker reads on its own thread while the overlay goes on being
// edited; a PieceCursor walks its pieces in order.
#pragma once

#include "data/data_plane.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// What an overlay keeps for its snapshots: the count of live ones, and the
// nodes and byte buffers the overlay has let go of while some lived.
struct PlaneKeep {
    std::atomic<int> m_n_snapshots{0};
    std::mutex m_lock;                  // guards everything below
    std::vector<PlaneNode*> m_nodes;    // alone: their children and bytes are kept elsewhere
    std::vector<PlaneNode*> m_subtrees; // whole, with every byte buffer below
    std::vector<uint8_t*> m_bytes;
    bool m_b_orphaned = false; // the overlay is gone: the last snapshot frees all
    // Frees the nodes and buffers kept; the caller holds m_lock.
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
    const PlanePiece* Find(int64_t offset, int64_t* start) const {
        return FindPieceInTree(m_p_root, offset, start, nullptr);
    }
    const PlaneNode* Root() const { return m_p_root; }
    // Lets go of the view; the overlay may then free what only it kept alive.
    void Reset();

  private:
    friend class CDataPlane;
    PlaneSnapshot(std::shared_ptr<PlaneKeep> keep, const PlaneNode* root, int64_t size,
                  int64_t pieces);
    std::shared_ptr<PlaneKeep> m_p_keep;
    const PlaneNode* m_p_root = nullptr;
    int64_t m_n_size = 0;
    int64_t m_n_pieces = 0;
};

// Snapshot walks use the same cursor as the live overlay's.
using SnapshotCursor = PieceCursor;
