// The undo history against a model that remembers every earlier state, the
// joining of typed nibbles into one step and the bound on held bytes.
#include "data/edit_history.h"
#include "tests/fakes/memory_source.h"
#include "tests/fakes/plane_checks.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

const EditMark kMark = {1, 2, 3};

EditMark Selecting(int64_t anchor, int64_t active) {
    return {anchor, active, 0};
}

} // namespace

TEST(EditHistory, RandomEditsUndoneAndRedoneMatchEveryEarlierState) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        const size_t size = 1 + rng() % 200;
        MemorySource source(MemorySource::Pattern(size));
        CDataPlane plane(static_cast<int64_t>(size));
        CEditHistory history;
        // states[0..done] are the states undo reaches, states beyond done redo.
        std::vector<std::vector<uint8_t>> states = {source.m_bytes};
        size_t done = 0;
        int64_t clean = 0;
        for (int step = 0; step < 150; ++step) {
            const int op = static_cast<int>(rng() % 7);
            std::vector<uint8_t> model = states[done];
            const int64_t n = static_cast<int64_t>(model.size());
            bool edited = false;
            if (op == 0) {
                const int64_t at = static_cast<int64_t>(rng() % (model.size() + 1));
                std::vector<uint8_t> add(1 + rng() % 8);
                for (auto& b : add)
                    b = static_cast<uint8_t>(rng());
                ASSERT_EQ(1, history.Insert(&plane, at, add.data(),
                                            static_cast<int64_t>(add.size()), kMark));
                model.insert(model.begin() + at, add.begin(), add.end());
                edited = true;
            } else if (op == 1 && n > 0) {
                const int64_t first = static_cast<int64_t>(rng() % model.size());
                const int64_t last = first + static_cast<int64_t>(rng() % (model.size() - first));
                ASSERT_EQ(1, history.Remove(&plane, first, last, kMark));
                model.erase(model.begin() + first, model.begin() + last + 1);
                edited = true;
            } else if (op == 2 && n > 0) {
                const int64_t at = static_cast<int64_t>(rng() % model.size());
                std::vector<uint8_t> put(1 + rng() % static_cast<size_t>(n - at));
                for (auto& b : put)
                    b = static_cast<uint8_t>(rng());
                ASSERT_EQ(1, history.Overwrite(&plane, at, put.data(),
                                               static_cast<int64_t>(put.size()), kMark));
                std::copy(put.begin(), put.end(), model.begin() + at);
                edited = true;
            } else if (op == 3 && n > 0) {
                // Always a new typing step: the selection differs every time.
                const int64_t at = static_cast<int64_t>(rng() % model.size());
                const uint8_t v = static_cast<uint8_t>(rng() % 16);
                const int high = static_cast<int>(rng() % 2);
                ASSERT_EQ(1, history.TypeNibble(&plane, at, v, high, &source, Selecting(at, step)));
                uint8_t& b = model[static_cast<size_t>(at)];
                b = high ? static_cast<uint8_t>((v << 4) | (b & 0xF))
                         : static_cast<uint8_t>((b & 0xF0) | v);
                edited = true;
            } else if (op == 4) {
                ASSERT_EQ(done > 0 ? 1 : 0, history.Undo(&plane, nullptr));
                if (done > 0)
                    --done;
            } else if (op == 5) {
                ASSERT_EQ(done + 1 < states.size() ? 1 : 0, history.Redo(&plane, nullptr));
                if (done + 1 < states.size())
                    ++done;
            } else if (op == 6) {
                history.MarkClean();
                clean = static_cast<int64_t>(done);
            }
            if (edited) {
                states.resize(done + 1);
                if (clean > static_cast<int64_t>(done))
                    clean = -1;
                states.push_back(model);
                ++done;
            }
            ASSERT_EQ(SumOfLengths(plane), static_cast<int64_t>(states[done].size()));
            ASSERT_EQ(Effective(plane, source), states[done])
                << "seed " << seed << " step " << step;
            ExpectInvariants(plane);
            ExpectFindAgreesWithTheList(plane);
            ASSERT_EQ(history.UndoCount(), static_cast<int64_t>(done));
            ASSERT_EQ(history.RedoCount(), static_cast<int64_t>(states.size() - 1 - done));
            ASSERT_EQ(history.IsClean(), clean == static_cast<int64_t>(done) ? 1 : 0);
        }
        // Undoing everything gives back the source as one piece.
        while (history.Undo(&plane, nullptr)) {
        }
        EXPECT_EQ(Effective(plane, source), source.m_bytes);
        EXPECT_EQ(1, plane.PieceCount());
    }
}

TEST(EditHistory, TypedNibblesJoinOneStepUntilTheSelectionChangesOrTypingEnds) {
    MemorySource source(MemorySource::Pattern(32));
    CDataPlane plane(32);
    CEditHistory history;
    const EditMark sel = Selecting(4, 7);
    // Four bytes typed from 4 to 7, then wrapping back to 4.
    for (int64_t at = 4; at <= 7; ++at) {
        ASSERT_EQ(1, history.TypeNibble(&plane, at, 0xA, 1, &source, sel));
        ASSERT_EQ(1, history.TypeNibble(&plane, at, 0xB, 0, &source, sel));
    }
    ASSERT_EQ(1, history.TypeNibble(&plane, 4, 0xC, 1, &source, sel));
    EXPECT_EQ(1, history.UndoCount());
    ASSERT_EQ(1, history.TypeNibble(&plane, 10, 0x1, 1, &source, Selecting(10, 10)));
    EXPECT_EQ(2, history.UndoCount());
    history.EndTyping();
    ASSERT_EQ(1, history.TypeNibble(&plane, 10, 0x2, 0, &source, Selecting(10, 10)));
    EXPECT_EQ(3, history.UndoCount());

    HistoryResult result = {};
    ASSERT_EQ(1, history.Undo(&plane, &result));
    ASSERT_EQ(1, history.Undo(&plane, &result));
    ASSERT_EQ(1, history.Undo(&plane, &result));
    EXPECT_EQ(Effective(plane, source), source.m_bytes);
    EXPECT_EQ(sel.m_n_sel_anchor, result.m_mark.m_n_sel_anchor);
    EXPECT_EQ(sel.m_n_sel_active, result.m_mark.m_n_sel_active);
    ASSERT_EQ(1, history.Redo(&plane, &result));
    EXPECT_EQ(4, result.m_n_first);
    EXPECT_EQ(4, result.m_n_length);
    EXPECT_EQ(0, result.m_n_size_delta);
    std::vector<uint8_t> typed = source.m_bytes;
    typed[4] = 0xCB;
    typed[5] = typed[6] = typed[7] = 0xAB;
    EXPECT_EQ(Effective(plane, source), typed);
    // Typing after an undo or redo starts a new step and drops what could be redone.
    ASSERT_EQ(1, history.TypeNibble(&plane, 5, 0x0, 1, &source, sel));
    EXPECT_EQ(2, history.UndoCount());
    EXPECT_EQ(0, history.RedoCount());
}

TEST(EditHistory, HeldBytesBeyondTheBoundDropTheOldestSteps) {
    MemorySource source(MemorySource::Pattern(64));
    CDataPlane plane(64);
    CEditHistory history(3000);
    std::vector<uint8_t> block(1000, 0x5A);
    // Removing source bytes holds records only, however many.
    ASSERT_EQ(1, history.Remove(&plane, 0, 31, kMark));
    EXPECT_LT(history.HeldBytes(), 200);
    ASSERT_EQ(1, history.Insert(&plane, 0, block.data(), 1000, kMark));
    ASSERT_EQ(1, history.Insert(&plane, 0, block.data(), 1000, kMark));
    EXPECT_EQ(3, history.UndoCount());
    // Undoing an insertion holds its bytes for the redo.
    ASSERT_EQ(1, history.Undo(&plane, nullptr));
    EXPECT_GT(history.HeldBytes(), 1000);
    ASSERT_EQ(1, history.Redo(&plane, nullptr));
    history.MarkClean();
    // Overwriting 2000 owned bytes holds them: the oldest steps go.
    ASSERT_EQ(1, history.Overwrite(&plane, 0, block.data(), 1000, kMark));
    ASSERT_EQ(1, history.Overwrite(&plane, 1000, block.data(), 1000, kMark));
    ASSERT_EQ(1, history.Overwrite(&plane, 0, block.data(), 1000, kMark));
    EXPECT_LE(history.HeldBytes(), 3000);
    EXPECT_EQ(2, history.UndoCount());
    EXPECT_EQ(0, history.IsClean());
    while (history.Undo(&plane, nullptr)) {
    }
    EXPECT_EQ(0, history.CanUndo());
    EXPECT_EQ(0, history.IsClean()); // the kept state is no longer reachable
    EXPECT_EQ(SumOfLengths(plane), 2032);
    // A single step larger than the bound is not kept at all.
    std::vector<uint8_t> huge(4000, 1);
    ASSERT_EQ(1, history.Insert(&plane, 0, huge.data(), 4000, kMark));
    ASSERT_EQ(1, history.Overwrite(&plane, 0, block.data(), 1000, kMark));
    ASSERT_EQ(1, history.Overwrite(&plane, 0, huge.data(), 4000, kMark));
    EXPECT_EQ(0, history.CanUndo());
    EXPECT_EQ(0, history.HeldBytes());
}

TEST(EditHistory, AFailedEditOrUndoChangesNeitherPlaneNorHistory) {
    struct FailAll : PlaneAllocGate {
        bool Allow() override { return false; }
    } gate;
    MemorySource source(MemorySource::Pattern(16));
    CDataPlane plane(16);
    CEditHistory history;
    const uint8_t x[] = {7, 7};
    ASSERT_EQ(1, history.Remove(&plane, 4, 5, kMark));
    plane.m_p_alloc_gate = &gate;
    EXPECT_EQ(0, history.Insert(&plane, 1, x, 2, kMark));
    EXPECT_EQ(0, history.TypeNibble(&plane, 1, 3, 1, &source, kMark));
    EXPECT_EQ(0, history.Undo(&plane, nullptr));
    plane.m_p_alloc_gate = nullptr;
    EXPECT_EQ(1, history.UndoCount());
    EXPECT_EQ(14, SumOfLengths(plane));
    ASSERT_EQ(1, history.Undo(&plane, nullptr));
    EXPECT_EQ(Effective(plane, source), source.m_bytes);
}

TEST(EditHistory, NothingChangesWhileAWorkerReadsThePlane) {
    MemorySource source(MemorySource::Pattern(16));
    CDataPlane plane(16);
    CEditHistory history;
    const uint8_t x[] = {7, 7};
    ASSERT_EQ(1, history.Remove(&plane, 4, 5, kMark));
    ASSERT_EQ(1, history.Undo(&plane, nullptr));
    const std::vector<uint8_t> before = Effective(plane, source);
    PlaneReadGuard reading(&plane);
    PlaneReadGuard moved = std::move(reading); // as handed to the worker
    reading.Release();                         // a moved-from guard holds nothing
    // The history's edits, undo and redo, and the plane's own mutators.
    EXPECT_EQ(0, history.Insert(&plane, 1, x, 2, kMark));
    EXPECT_EQ(0, history.Overwrite(&plane, 1, x, 2, kMark));
    EXPECT_EQ(0, history.TypeNibble(&plane, 1, 3, 1, &source, kMark));
    EXPECT_EQ(0, history.Redo(&plane, nullptr));
    EXPECT_EQ(0, plane.Insert(0, x, 2));
    EXPECT_EQ(0, plane.Remove(0, 3));
    EXPECT_EQ(0, plane.SetNibble(2, 1, 1, &source));
    EXPECT_EQ(nullptr, plane.AppendPiece(PIECE_SOURCE, 16, 16, 1, nullptr));
    EXPECT_EQ(Effective(plane, source), before);
    EXPECT_EQ(0, history.UndoCount());
    EXPECT_EQ(1, history.RedoCount());
    moved.Release();
    EXPECT_EQ(1, history.TypeNibble(&plane, 1, 3, 1, &source, kMark));
    EXPECT_EQ(1, history.Undo(&plane, nullptr));
    EXPECT_EQ(Effective(plane, source), before);
}

// Bulk steps over overlays already cut by edits of every kind: the bytes match
// the model after the step, its undo and its redo; a bulk step that cannot
// allocate, or whose ranges are out of order, changes nothing.
TEST(EditHistory, BulkReplacementsMatchTheModelAndUndoAsOneStep) {
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        std::mt19937 rng(seed);
        const size_t size = 1 + rng() % 300;
        MemorySource source(MemorySource::Pattern(size));
        CDataPlane plane(static_cast<int64_t>(size));
        CEditHistory history;
        std::vector<uint8_t> model = source.m_bytes;
        const uint8_t add[] = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7};
        for (int i = 0; i < 12; ++i) {
            const int64_t at = static_cast<int64_t>(rng() % model.size());
            if (i % 2 == 0) {
                ASSERT_EQ(1, history.TypeNibble(&plane, at, 5, 1, &source, Selecting(at, i)));
                model[at] = static_cast<uint8_t>(0x50 | (model[at] & 0xF));
            } else {
                ASSERT_EQ(1, history.Insert(&plane, at, add, 3, kMark));
                model.insert(model.begin() + at, add, add + 3);
            }
        }
        // Sorted ranges, some touching, some empty, some at the very end.
        std::vector<BulkReplacement> bulk;
        std::vector<uint8_t> expected;
        int64_t at = 0;
        const int64_t n = static_cast<int64_t>(model.size());
        while (at <= n) {
            const int64_t first = at + static_cast<int64_t>(rng() % 4);
            if (first > n)
                break;
            const int64_t count = std::min<int64_t>(rng() % 5, n - first);
            const int64_t length = static_cast<int64_t>(rng() % 8);
            expected.insert(expected.end(), model.begin() + at, model.begin() + first);
            expected.insert(expected.end(), add, add + length);
            bulk.push_back({first, count, add, length});
            at = first + count + (rng() % 3 == 0 ? 0 : 1);
            if (at > n)
                break;
            expected.insert(expected.end(), model.begin() + first + count, model.begin() + at);
        }
        if (at <= n)
            expected.insert(expected.end(), model.begin() + std::min(at, n), model.end());
        if (bulk.size() > 1) {
            std::vector<BulkReplacement> unsorted = bulk;
            std::swap(unsorted.front(), unsorted.back());
            EXPECT_EQ(0, history.ReplaceMany(&plane, unsorted.data(), unsorted.size(), kMark));
        }
        struct FailLate : PlaneAllocGate {
            int m_n_left = 3;
            bool Allow() override { return m_n_left-- > 0; }
        } gate;
        plane.m_p_alloc_gate = &gate;
        history.ReplaceMany(&plane, bulk.data(), bulk.size(), kMark);
        plane.m_p_alloc_gate = nullptr;
        if (history.UndoCount() == 12) {
            ASSERT_EQ(Effective(plane, source), model) << "seed " << seed;
            ExpectInvariants(plane);
            ASSERT_EQ(1, history.ReplaceMany(&plane, bulk.data(), bulk.size(), kMark));
        }
        ASSERT_EQ(Effective(plane, source), expected) << "seed " << seed;
        ExpectInvariants(plane);
        ExpectFindAgreesWithTheList(plane);
        ASSERT_EQ(1, history.Undo(&plane, nullptr));
        ASSERT_EQ(Effective(plane, source), model) << "seed " << seed;
        ExpectInvariants(plane);
        ASSERT_EQ(1, history.Redo(&plane, nullptr));
        ASSERT_EQ(Effective(plane, source), expected) << "seed " << seed;
        // The single steps before it still undo over the rebuilt tree.
        while (history.Undo(&plane, nullptr)) {
        }
        ASSERT_EQ(Effective(plane, source), source.m_bytes) << "seed " << seed;
        EXPECT_EQ(1, plane.PieceCount());
    }
}
