// Snapshots of the edit overlay and walks over them (see plane_snapshot.h).
#include "data/plane_snapshot.h"

#include <cstdlib>
#include <utility>

void PlaneKeep::FreeAll() {
    for (PlanePiece* p : m_pieces)
        std::free(p);
    for (uint8_t* b : m_bytes)
        std::free(b);
    m_pieces.clear();
    m_pieces.shrink_to_fit();
    m_bytes.clear();
    m_bytes.shrink_to_fit();
}

void PlaneKeep::Release() {
    std::lock_guard<std::mutex> lock(m_lock);
    // Release: this snapshot's reads happen before the overlay sees none left.
    if (m_n_snapshots.fetch_sub(1, std::memory_order_acq_rel) == 1 && m_b_orphaned)
        FreeAll();
}

PlaneSnapshot::PlaneSnapshot(std::shared_ptr<PlaneKeep> keep, const PlanePiece* root, int64_t size,
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

const PlanePiece* PlaneSnapshot::Find(int64_t offset, int64_t* start) const {
    return FindPieceInTree(const_cast<PlanePiece*>(m_p_root), offset, start);
}

SnapshotCursor::SnapshotCursor(const PlaneSnapshot& snapshot) {
    for (const PlanePiece* n = snapshot.Root(); n != nullptr; n = n->m_p_left)
        m_path.push_back(n);
}

SnapshotCursor::SnapshotCursor(const PlaneSnapshot& snapshot, int64_t offset) {
    const PlanePiece* p = offset >= 0 ? snapshot.Root() : nullptr;
    int64_t base = 0;
    while (p != nullptr) {
        m_path.push_back(p);
        if (offset < base + p->m_n_left_length) {
            p = p->m_p_left;
            continue;
        }
        base += p->m_n_left_length;
        if (offset < base + p->m_n_length) {
            m_n_start = base;
            return;
        }
        base += p->m_n_length;
        p = p->m_p_right;
    }
    m_path.clear();
    m_n_start = snapshot.Size();
}

void SnapshotCursor::Next() {
    if (m_path.empty())
        return;
    const PlanePiece* n = m_path.back();
    m_n_start += n->m_n_length;
    if (n->m_p_right != nullptr) {
        for (n = n->m_p_right; n != nullptr; n = n->m_p_left)
            m_path.push_back(n);
        return;
    }
    // Up past every step that came from a right child.
    m_path.pop_back();
    while (!m_path.empty() && m_path.back()->m_p_right == n) {
        n = m_path.back();
        m_path.pop_back();
    }
}

void SnapshotCursor::Prev() {
    if (m_path.empty())
        return;
    const PlanePiece* n = m_path.back();
    if (n->m_p_left != nullptr) {
        for (n = n->m_p_left; n != nullptr; n = n->m_p_right)
            m_path.push_back(n);
    } else {
        m_path.pop_back();
        while (!m_path.empty() && m_path.back()->m_p_left == n) {
            n = m_path.back();
            m_path.pop_back();
        }
    }
    m_n_start = m_path.empty() ? 0 : m_n_start - m_path.back()->m_n_length;
}
