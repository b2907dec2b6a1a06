// Snapshots of the edit overlay (see plane_snapshot.h).
#include "data/plane_snapshot.h"

#include <cstdlib>
#include <utility>

void PlaneKeep::FreeAll() {
    for (PlaneNode* n : m_nodes)
        std::free(n);
    for (PlaneNode* n : m_subtrees)
        FreePlaneTree(n);
    for (uint8_t* b : m_bytes)
        std::free(b);
    m_nodes.clear();
    m_nodes.shrink_to_fit();
    m_subtrees.clear();
    m_subtrees.shrink_to_fit();
    m_bytes.clear();
    m_bytes.shrink_to_fit();
}

void PlaneKeep::Release() {
    std::lock_guard<std::mutex> lock(m_lock);
    // Release: this snapshot's reads happen before the overlay sees none left.
    if (m_n_snapshots.fetch_sub(1, std::memory_order_acq_rel) == 1 && m_b_orphaned)
        FreeAll();
}

PlaneSnapshot::PlaneSnapshot(std::shared_ptr<PlaneKeep> keep, const PlaneNode* root, int64_t size,
                             int64_t pieces)
    : m_p_keep(std::move(keep)), m_p_root(root), m_n_size(size), m_n_pieces(pieces) {
    m_p_keep->m_n_snapshots.fetch_add(1, std::memory_order_acq_rel);
}

PlaneSnapshot& PlaneSnapshot::operator=(PlaneSnapshot&& other) noexcept {
    if (this != &other) {
        Reset();
        m_p_keep = std::move(other.m_p_keep);
        m_p_root = other.m_p_root;
        m_n_size = other.m_n_size;
        m_n_pieces = other.m_n_pieces;
        other.m_p_keep = nullptr;
        other.m_p_root = nullptr;
    }
    return *this;
}

void PlaneSnapshot::Reset() {
    if (m_p_keep != nullptr)
        m_p_keep->Release();
    m_p_keep = nullptr;
    m_p_root = nullptr;
    m_n_size = 0;
    m_n_pieces = 0;
}

PieceCursor::PieceCursor(const PlaneSnapshot& snapshot) {
    First(snapshot.Root());
}

PieceCursor::PieceCursor(const PlaneSnapshot& snapshot, int64_t offset) {
    Seek(snapshot.Root(), offset, snapshot.Size(), snapshot.PieceCount());
}
