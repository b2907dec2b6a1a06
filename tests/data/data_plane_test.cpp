// The edit overlay against a plain byte-vector model: every effective byte,
// the piece invariants and the sum of lengths after every operation.
#include "data/data_plane.h"
#include "data/plane_snapshot.h"
#include "tests/fakes/memory_source.h"
#include "tests/fakes/plane_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

TEST(DataPlane, TypedNibblesSplitTheSourcePieceOnce) {
    std::vector<uint8_t> bytes(10, 0x11);
    bytes[4] = 0x35;
    MemorySource source(bytes);
    CDataPlane plane(10);
    ASSERT_EQ(1, plane.SetNibble(4, 0xA, 1, &source));
    ASSERT_EQ(3, plane.PieceCount());
    const PlanePiece* first = PieceAt(plane, 0);
    const PlanePiece* typed = PieceAt(plane, 1);
    const PlanePiece* rest = PieceAt(plane, 2);
    EXPECT_EQ(first->m_n_src_begin, 0);
    EXPECT_EQ(first->m_n_src_end, 3);
    EXPECT_EQ(typed->m_n_kind, static_cast<uint32_t>(PIECE_OVERWRITTEN));
    EXPECT_EQ(typed->m_n_src_begin, 4);
    EXPECT_EQ(typed->m_p_bytes[0], 0xA5);
    EXPECT_EQ(rest->m_n_src_begin, 5);
    EXPECT_EQ(rest->m_n_src_end, 9);

    ASSERT_EQ(1, plane.SetNibble(4, 0x7, 0, &source));
    EXPECT_EQ(3, plane.PieceCount());
    EXPECT_EQ(PieceAt(plane, 1)->m_p_bytes[0], 0xA7);
    ExpectInvariants(plane);
}

TEST(DataPlane, TypingOnTheLastByteOfAPieceLeavesNoEmptyPiece) {
    MemorySource source(MemorySource::Pattern(4));
    CDataPlane plane(4);
    ASSERT_EQ(1, plane.SetNibble(3, 0x1, 1, &source));
    EXPECT_EQ(2, plane.PieceCount());
    ASSERT_EQ(1, plane.SetNibble(0, 0x2, 0, &source));
    EXPECT_EQ(3, plane.PieceCount());
    for (PieceCursor c_p(plane); const PlanePiece* p = c_p.Piece(); c_p.Next())
        EXPECT_GT(p->m_n_length, 0);
    ExpectInvariants(plane);
}

TEST(DataPlane, TypingIsRefusedWhenTheSourceCannotSupplyTheByte) {
    FailingSource failing(MemorySource::Pattern(8), 1);
    CDataPlane plane(8);
    EXPECT_EQ(0, plane.SetNibble(2, 0x4, 1, &failing));
    EXPECT_EQ(0, plane.SetNibble(2, 0x4, 1, nullptr));
    EXPECT_EQ(1, plane.PieceCount());
    EXPECT_EQ(PieceCursor(plane).Piece()->m_n_length, 8);
    EXPECT_EQ(0, plane.SetNibble(8, 0x4, 1, &failing)); // past the end
}

TEST(DataPlane, InsertAtTheHeadAndAppendAtTheEnd) {
    MemorySource source(MemorySource::Pattern(5));
    CDataPlane plane(5);
    const uint8_t abc[] = {'A', 'B', 'C'};
    ASSERT_EQ(1, plane.Insert(0, abc, 3));
    EXPECT_EQ(PieceCursor(plane).Piece()->m_n_kind, static_cast<uint32_t>(PIECE_INSERTED));
    ASSERT_EQ(1, plane.Insert(8, abc, 2));
    EXPECT_EQ(0, plane.Insert(11, abc, 1)); // beyond the end
    std::vector<uint8_t> want = {'A', 'B', 'C'};
    for (uint8_t b : MemorySource::Pattern(5))
        want.push_back(b);
    want.push_back('A');
    want.push_back('B');
    EXPECT_EQ(Effective(plane, source), want);
}

TEST(DataPlane, RemoveAcrossPiecesAndEverything) {
    MemorySource source(MemorySource::Pattern(32));
    CDataPlane plane(32);
    const uint8_t x[] = {9, 9, 9, 9};
    ASSERT_EQ(1, plane.Insert(10, x, 4));
    ASSERT_EQ(1, plane.SetNibble(20, 1, 1, &source));
    ASSERT_EQ(1, plane.Remove(8, 22)); // trims the first, deletes the middle, trims the last
    EXPECT_EQ(SumOfLengths(plane), 36 - 15);
    ExpectInvariants(plane);
    ASSERT_EQ(1, plane.Remove(0, SumOfLengths(plane) - 1));
    EXPECT_EQ(plane.PieceCount(), 0);
    int64_t start = 0;
    EXPECT_EQ(plane.Find(0, &start), nullptr);
}

TEST(DataPlane, RemoveInsideOneSourcePieceSkipsTheRun) {
    CDataPlane plane(100);
    ASSERT_EQ(1, plane.Remove(40, 49));
    ASSERT_EQ(2, plane.PieceCount());
    EXPECT_EQ(PieceCursor(plane).Piece()->m_n_src_end, 39);
    EXPECT_EQ(PieceAt(plane, 1)->m_n_src_begin, 50);
    EXPECT_EQ(PieceAt(plane, 1)->m_n_src_end, 99);
    ExpectInvariants(plane);
}

TEST(DataPlane, FindReportsPieceStartsAndNothingAtTheSize) {
    MemorySource source(MemorySource::Pattern(20));
    CDataPlane plane(20);
    ASSERT_EQ(1, plane.SetNibble(5, 3, 1, &source));
    int64_t start = -1;
    EXPECT_EQ(plane.Find(5, &start)->m_n_kind, static_cast<uint32_t>(PIECE_OVERWRITTEN));
    EXPECT_EQ(start, 5);
    EXPECT_EQ(plane.Find(7, &start)->m_n_src_begin, 6);
    EXPECT_EQ(start, 6);
    EXPECT_EQ(plane.Find(20, &start), nullptr);
    EXPECT_EQ(plane.Find(-1, &start), nullptr);
    const uint8_t none[] = {0};
    ASSERT_EQ(1, plane.Insert(3, none, 0)); // a zero-length piece is never found
    EXPECT_EQ(plane.Find(3, &start)->m_n_kind, static_cast<uint32_t>(PIECE_SOURCE));
    EXPECT_EQ(start, 3);
}

// Serves the byte (offset >> 32) + 1 at every offset, so a source offset cut
// to 32 bits reads the wrong byte.
class HighSource final : public CSrclibrary {
  public:
    const uint8_t* GetData(int64_t offset) override {
        m_byte = static_cast<uint8_t>((static_cast<uint64_t>(offset) >> 32) + 1);
        return &m_byte;
    }
    uint8_t m_byte = 0;
};

TEST(DataPlane, OffsetsAndLengthsAboveFourGiB) {
    const int64_t four = int64_t{1} << 32;
    const int64_t size = 6 * (int64_t{1} << 30);
    HighSource source;
    CDataPlane plane(size);
    const uint8_t ab[] = {'a', 'b'};
    ASSERT_EQ(1, plane.Insert(four + 5, ab, 2));
    ASSERT_EQ(1, plane.Remove(four - 2, four + 1)); // a run across 2^32
    ASSERT_EQ(1, plane.SetNibble(size - 4, 0xF, 1, &source));
    ExpectInvariants(plane);
    EXPECT_EQ(SumOfLengths(plane), size + 2 - 4);
    int64_t start = -1;
    const PlanePiece* inserted = plane.Find(four + 2, &start);
    ASSERT_NE(inserted, nullptr);
    EXPECT_EQ(inserted->m_n_kind, static_cast<uint32_t>(PIECE_INSERTED));
    EXPECT_EQ(start, four + 1);
    const PlanePiece* after = plane.Find(four + 3, &start);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->m_n_src_begin, four + 5);
    EXPECT_EQ(start, four + 3);
    const PlanePiece* typed = plane.Find(size - 4, &start); // source byte size - 2
    ASSERT_NE(typed, nullptr);
    ASSERT_EQ(typed->m_n_kind, static_cast<uint32_t>(PIECE_OVERWRITTEN));
    EXPECT_EQ(typed->m_n_src_begin, size - 2);
    EXPECT_EQ(typed->m_p_bytes[0], 0xF2); // high nibble typed over source byte 0x02
}

TEST(DataPlane, RandomEditsMatchAByteVector) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        const size_t size = 1 + rng() % 300;
        MemorySource source(MemorySource::Pattern(size));
        std::vector<uint8_t> model = source.m_bytes;
        CDataPlane plane(static_cast<int64_t>(size));
        for (int step = 0; step < 120; ++step) {
            const int op = static_cast<int>(rng() % 3);
            const int64_t n = static_cast<int64_t>(model.size());
            if (op == 0) {
                const int64_t at = static_cast<int64_t>(rng() % (model.size() + 1));
                std::vector<uint8_t> add(rng() % 9);
                for (auto& b : add)
                    b = static_cast<uint8_t>(rng());
                ASSERT_EQ(1, plane.Insert(at, add.data(), static_cast<int64_t>(add.size())));
                model.insert(model.begin() + at, add.begin(), add.end());
            } else if (op == 1 && n > 0) {
                const int64_t first = static_cast<int64_t>(rng() % model.size());
                const int64_t last = first + static_cast<int64_t>(rng() % (model.size() - first));
                ASSERT_EQ(1, plane.Remove(first, last));
                model.erase(model.begin() + first, model.begin() + last + 1);
            } else if (n > 0) {
                const int64_t at = static_cast<int64_t>(rng() % model.size());
                const uint8_t v = static_cast<uint8_t>(rng() % 16);
                const int high = static_cast<int>(rng() % 2);
                ASSERT_EQ(1, plane.SetNibble(at, v, high, &source));
                uint8_t& b = model[static_cast<size_t>(at)];
                b = high ? static_cast<uint8_t>((v << 4) | (b & 0xF))
                         : static_cast<uint8_t>((b & 0xF0) | v);
            }
            ASSERT_EQ(SumOfLengths(plane), static_cast<int64_t>(model.size())) << "seed " << seed;
            ASSERT_EQ(Effective(plane, source), model) << "seed " << seed << " step " << step;
            ExpectInvariants(plane);
            ExpectFindAgreesWithTheList(plane);
        }
    }
}

// Thousands of pieces, so that edits split, merge and drop whole subtrees of a
// tree several levels deep, with a snapshot held across the edits.
TEST(DataPlane, WideEditsOnADeepTreeMatchAByteVectorAndSpareTheSnapshot) {
    std::mt19937 rng(7);
    MemorySource source(MemorySource::Pattern(8000));
    std::vector<uint8_t> model = source.m_bytes;
    CDataPlane plane(static_cast<int64_t>(model.size()));
    for (int i = 0; i < 2500; ++i) {
        const size_t at = rng() % model.size();
        ASSERT_EQ(1, plane.SetNibble(static_cast<int64_t>(at), 5, 1, &source));
        model[at] = static_cast<uint8_t>(0x50 | (model[at] & 0xF));
    }
    ExpectInvariants(plane);
    PlaneSnapshot snapshot;
    std::vector<uint8_t> taken;
    for (int step = 0; step < 300 && !model.empty(); ++step) {
        if (step % 25 == 0) {
            snapshot = plane.Snapshot();
            taken = model;
        }
        const int64_t at = static_cast<int64_t>(rng() % model.size());
        if (step % 3 == 0) {
            const int64_t last =
                std::min<int64_t>(static_cast<int64_t>(model.size()) - 1, at + rng() % 900);
            ASSERT_EQ(1, plane.Remove(at, last));
            model.erase(model.begin() + at, model.begin() + last + 1);
        } else if (step % 3 == 1) {
            std::vector<uint8_t> add(1 + rng() % 40, static_cast<uint8_t>(step));
            ASSERT_EQ(1, plane.Insert(at, add.data(), static_cast<int64_t>(add.size())));
            model.insert(model.begin() + at, add.begin(), add.end());
        } else {
            ASSERT_EQ(1, plane.SetNibble(at, 3, 0, &source));
            model[static_cast<size_t>(at)] =
                static_cast<uint8_t>((model[static_cast<size_t>(at)] & 0xF0) | 3);
        }
        ASSERT_EQ(Effective(plane, source), model) << "step " << step;
        ExpectInvariants(plane);
        std::vector<uint8_t> seen;
        for (PieceCursor c(snapshot); c.Piece() != nullptr; c.Next())
            for (int64_t i = 0; i < c.Piece()->m_n_length; ++i)
                seen.push_back(c.Piece()->m_n_kind == PIECE_SOURCE
                                   ? *source.GetData(c.Piece()->m_n_src_begin + i)
                                   : c.Piece()->m_p_bytes[i]);
        ASSERT_EQ(seen, taken) << "step " << step;
    }
    ExpectFindAgreesWithTheList(plane);
}

namespace {

// Refuses the Nth allocation the plane asks for and allows every other.
class FailNthAllocation : public PlaneAllocGate {
  public:
    explicit FailNthAllocation(int n) : m_n_left(n) {}
    bool Allow() override { return --m_n_left != 0; }
    int m_n_left;
};

} // namespace

TEST(DataPlane, EditsThatCannotAllocateLeaveThePlaneAsItWas) {
    MemorySource source(MemorySource::Pattern(64));
    const uint8_t ins[] = {1, 2, 3, 4, 5, 6};
    // Owned pieces on both edges and whole pieces between them, so that a
    // removal deletes pieces before it reaches the allocating split.
    auto build = [&](CDataPlane& plane) {
        ASSERT_EQ(1, plane.Insert(10, ins, 6));
        ASSERT_EQ(1, plane.Insert(30, ins, 6));
        ASSERT_EQ(1, plane.SetNibble(20, 7, 1, &source));
    };
    CDataPlane reference(64);
    build(reference);
    const std::vector<uint8_t> before = Effective(reference, source);
    std::vector<uint8_t> removed = before;
    removed.erase(removed.begin() + 12, removed.begin() + 33);
    std::vector<uint8_t> inserted = before;
    inserted.insert(inserted.begin() + 32, ins, ins + 6);
    for (int op = 0; op < 2; ++op) {
        for (int n = 1;; ++n) {
            CDataPlane plane(64);
            build(plane);
            FailNthAllocation gate(n);
            plane.m_p_alloc_gate = &gate;
            const int done = op == 0 ? plane.Remove(12, 32) : plane.Insert(32, ins, 6);
            plane.m_p_alloc_gate = nullptr;
            ExpectInvariants(plane);
            if (!done) {
                ASSERT_EQ(Effective(plane, source), before) << "op " << op << " fails at " << n;
                continue;
            }
            EXPECT_EQ(Effective(plane, source), op == 0 ? removed : inserted);
            break;
        }
    }
}
