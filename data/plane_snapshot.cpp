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
    if (offset < 0)
        return nullptr;
    const PlanePiece* p = m_p_root;
    int64_t base = 0;
    while (p != nullptr) {
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

SnapshotCursor::SnapshotCursor(const PlaneSnapshot& snapshot) {
    Descend(snapshot.Root());
}

SnapshotCursor::SnapshotCursor(const PlaneSnapshot& snapshot, int64_t offset) {
    if (offset < 0)
        return;
    const PlanePiece* p = snapshot.Root();
    int64_t base = 0;
    while (p != nullptr) {
        if (offset < base + p->m_n_left_length) {
            m_above.push_back(p);
            p = p->m_p_left;
            continue;
        }
        base += p->m_n_left_length;
        if (offset < base + p->m_n_length) {
            m_p_piece = p;
            m_n_start = base;
            return;
        }
        base += p->m_n_length;
        p = p->m_p_right;
    }
    m_above.clear();
    m_n_start = snapshot.Size();
}

void SnapshotCursor::Descend(const PlanePiece* n) {
    while (n != nullptr && n->m_p_left != nullptr) {
        m_above.push_back(n);
        n = n->m_p_left;
    }
    m_p_piece = n;
}

void SnapshotCursor::Next() {
    if (m_p_piece == nullptr)
        return;
    m_n_start += m_p_piece->m_n_length;
    if (m_p_piece->m_p_right != nullptr) {
        Descend(m_p_piece->m_p_right);
        return;
    }
    if (m_above.empty()) {
        m_p_piece = nullptr;
        return;
    }
    m_p_piece = m_above.back();
    m_above.pop_back();
}
