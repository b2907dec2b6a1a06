// Checks over an overlay shared by the overlay and the history tests.
#include "tests/fakes/plane_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

std::vector<uint8_t> Effective(const CDataPlane& plane, CSrclibrary& source) {
    std::vector<uint8_t> out;
    for (const PlanePiece* p = plane.m_p_head; p != nullptr; p = p->m_p_next) {
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
    for (const PlanePiece* p = plane.m_p_head; p != nullptr; prev = p, p = p->m_p_next) {
        ASSERT_EQ(p->m_p_prev, prev);
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
    ExpectTreeMatchesTheList(plane);
}

namespace {

int64_t TotalLength(const PlanePiece* n) {
    return n == nullptr ? 0 : TotalLength(n->m_p_left) + n->m_n_length + TotalLength(n->m_p_right);
}

// Parents, left lengths and heap order below n; returns the subtree's depth.
int CheckSubtree(const PlanePiece* n, int depth) {
    if (n == nullptr)
        return depth - 1;
    EXPECT_EQ(n->m_n_left_length, TotalLength(n->m_p_left));
    int deepest = depth;
    for (const PlanePiece* c : {n->m_p_left, n->m_p_right}) {
        if (c != nullptr) {
            EXPECT_EQ(c->m_p_parent, n);
            EXPECT_LE(c->m_n_priority, n->m_n_priority);
            deepest = std::max(deepest, CheckSubtree(c, depth + 1));
        }
    }
    return deepest;
}

} // namespace

void ExpectTreeMatchesTheList(const CDataPlane& plane) {
    // An in-order walk of the tree meets the pieces in list order; every node
    // knows its parent and its left subtree's length, and outranks its children.
    const PlanePiece* root = plane.TreeRoot();
    if (root != nullptr) {
        ASSERT_EQ(root->m_p_parent, nullptr);
    }
    std::vector<const PlanePiece*> stack;
    const PlanePiece* listed = plane.m_p_head;
    int64_t count = 0;
    const int depth_max = CheckSubtree(root, 1);
    for (const PlanePiece* n = root; n != nullptr || !stack.empty();) {
        while (n != nullptr) {
            stack.push_back(n);
            n = n->m_p_left;
        }
        n = stack.back();
        stack.pop_back();
        ASSERT_EQ(n, listed);
        listed = listed->m_p_next;
        ++count;
        n = n->m_p_right;
    }
    ASSERT_EQ(listed, nullptr);
    ASSERT_EQ(count, plane.PieceCount());
    // Random priorities keep the depth near 2 ln n; ten times log2 n is out of reach.
    ASSERT_LE(depth_max, 10.0 * std::log2(static_cast<double>(count) + 2.0) + 10.0);
}

int64_t SumOfLengths(const CDataPlane& plane) {
    int64_t n = 0;
    for (const PlanePiece* p = plane.m_p_head; p != nullptr; p = p->m_p_next)
        n += p->m_n_length;
    return n;
}

void ExpectFindAgreesWithTheList(const CDataPlane& plane) {
    int64_t s = 0;
    for (const PlanePiece* p = plane.m_p_head; p != nullptr; p = p->m_p_next) {
        if (p->m_n_length > 0) {
            int64_t found_start = -1;
            ASSERT_EQ(plane.Find(s, &found_start), p);
            ASSERT_EQ(found_start, s);
            ASSERT_EQ(plane.Find(s + p->m_n_length - 1, &found_start), p);
        }
        s += p->m_n_length;
    }
    int64_t ignored = 0;
    ASSERT_EQ(plane.Find(s, &ignored), nullptr);
}
