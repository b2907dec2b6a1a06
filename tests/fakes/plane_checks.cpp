// Checks over an overlay shared by the overlay and the history tests.
#include "tests/fakes/plane_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

std::vector<uint8_t> Effective(const CDataPlane& plane, CSrclibrary& source) {
    std::vector<uint8_t> out;
    for (PieceCursor c(plane); c.Piece() != nullptr; c.Next()) {
        const PlanePiece* p = c.Piece();
        for (int64_t i = 0; i < p->m_n_length; ++i) {
            if (p->m_n_kind == PIECE_SOURCE)
                out.push_back(*source.GetData(p->m_n_src_begin + i));
            else
                out.push_back(p->m_p_bytes[i]);
        }
    }
    return out;
}

void ExpectInvariants(const CDataPlane& plane) {
    const PlanePiece* prev = nullptr;
    int64_t last_source_end = -1;
    int64_t index = 0;
    for (PieceCursor c(plane); c.Piece() != nullptr; prev = c.Piece(), c.Next(), ++index) {
        const PlanePiece* p = c.Piece();
        ASSERT_EQ(c.Index(), index);
        ASSERT_GE(p->m_n_length, 0);
        if (p->m_n_kind == PIECE_SOURCE) {
            // Source runs that continue each other are one piece.
            if (prev != nullptr && prev->m_n_kind == PIECE_SOURCE && prev->m_n_length > 0 &&
                p->m_n_length > 0) {
                ASSERT_NE(prev->m_n_src_end + 1, p->m_n_src_begin);
            }
            ASSERT_EQ(p->m_n_src_end, p->m_n_src_begin + p->m_n_length - 1);
            ASSERT_EQ(p->m_p_bytes, nullptr);
            ASSERT_GT(p->m_n_src_begin, last_source_end);
            last_source_end = p->m_n_src_end;
        } else if (p->m_n_kind == PIECE_OVERWRITTEN) {
            ASSERT_EQ(p->m_n_length, 1);
            ASSERT_EQ(p->m_n_src_begin, p->m_n_src_end);
            ASSERT_GT(p->m_n_src_begin, last_source_end);
            last_source_end = p->m_n_src_begin;
        } else {
            ASSERT_EQ(p->m_n_kind, static_cast<uint32_t>(PIECE_INSERTED));
            ASSERT_NE(p->m_p_bytes, nullptr);
        }
    }
    ASSERT_EQ(index, plane.PieceCount());
    ExpectTreeShape(plane);
}

namespace {

struct Totals {
    int64_t length = 0;
    int64_t count = 0;
};

// Fill bounds, recorded lengths and counts, and leaf depth below n; on_right
// says n is on the path to the last piece, which appending may leave short.
Totals CheckNode(const PlaneNode* n, int depth, bool is_root, bool on_right, int* leaf_depth) {
    Totals t;
    const int max = n->m_b_leaf ? kPlaneLeafMax : kPlaneInnerMax;
    const int min = is_root || on_right ? 1 : n->m_b_leaf ? kPlaneLeafMin : kPlaneInnerMin;
    EXPECT_LE(n->m_n_count, max);
    EXPECT_GE(n->m_n_count, min) << "depth " << depth;
    EXPECT_EQ(n->m_n_state, 0);
    if (n->m_b_leaf) {
        if (*leaf_depth < 0)
            *leaf_depth = depth;
        EXPECT_EQ(depth, *leaf_depth) << "leaves at different depths";
        const auto* leaf = static_cast<const PlaneLeaf*>(n);
        for (int i = 0; i < leaf->m_n_count; ++i)
            t.length += leaf->m_pieces[i].m_n_length;
        t.count = leaf->m_n_count;
        return t;
    }
    const auto* inner = static_cast<const PlaneInner*>(n);
    EXPECT_TRUE(!is_root || inner->m_n_count >= 2) << "a root with one child";
    for (int i = 0; i < inner->m_n_count; ++i) {
        const Totals below = CheckNode(inner->m_p_children[i], depth + 1, false,
                                       on_right && i + 1 == inner->m_n_count, leaf_depth);
        EXPECT_EQ(inner->m_n_lengths[i], below.length);
        EXPECT_EQ(inner->m_n_counts[i], below.count);
        t.length += below.length;
        t.count += below.count;
    }
    return t;
}

} // namespace

void ExpectTreeShape(const CDataPlane& plane) {
    if (plane.Root() == nullptr) {
        ASSERT_EQ(plane.PieceCount(), 0);
        ASSERT_EQ(plane.Size(), 0);
        return;
    }
    int leaf_depth = -1;
    const Totals t = CheckNode(plane.Root(), 0, true, true, &leaf_depth);
    ASSERT_EQ(t.length, plane.Size());
    ASSERT_EQ(t.count, plane.PieceCount());
}

int64_t SumOfLengths(const CDataPlane& plane) {
    int64_t n = 0;
    for (PieceCursor c(plane); c.Piece() != nullptr; c.Next())
        n += c.Piece()->m_n_length;
    return n;
}

void ExpectFindAgreesWithTheList(const CDataPlane& plane) {
    int64_t s = 0;
    for (PieceCursor c(plane); c.Piece() != nullptr; c.Next()) {
        const PlanePiece* p = c.Piece();
        ASSERT_EQ(c.Start(), s);
        if (p->m_n_length > 0) {
            int64_t found_start = -1;
            ASSERT_EQ(plane.Find(s, &found_start), p);
            ASSERT_EQ(found_start, s);
            ASSERT_EQ(plane.Find(s + p->m_n_length - 1, &found_start), p);
            const PieceCursor at(plane, s + p->m_n_length - 1);
            ASSERT_EQ(at.Piece(), p);
            ASSERT_EQ(at.Index(), c.Index());
        }
        s += p->m_n_length;
    }
    int64_t ignored = 0;
    ASSERT_EQ(plane.Find(s, &ignored), nullptr);
    // Walking back meets the same pieces at the same starts.
    std::vector<PieceCursor> forward;
    for (PieceCursor c(plane); c.Piece() != nullptr; c.Next())
        forward.push_back(c);
    if (forward.empty())
        return;
    PieceCursor back = forward.back();
    for (size_t i = forward.size(); i-- > 0; back.Prev()) {
        ASSERT_EQ(back.Piece(), forward[i].Piece());
        ASSERT_EQ(back.Start(), forward[i].Start());
        ASSERT_EQ(back.Index(), forward[i].Index());
    }
    ASSERT_EQ(back.Piece(), nullptr);
}

const PlanePiece* PieceAt(const CDataPlane& plane, int64_t index) {
    PieceCursor c(plane);
    for (; c.Piece() != nullptr && c.Index() < index; c.Next()) {
    }
    return c.Piece();
}
