// Snapshots of the overlay against models of the bytes they were taken at,
// while the overlay goes on being edited, undone and redone, and after it is gone.
#include "data/edit_history.h"
#include "data/plane_snapshot.h"
#include "tests/fakes/memory_source.h"
#include "tests/fakes/plane_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace {

const EditMark kMark = {0, 0, 0};

std::vector<uint8_t> SnapshotBytes(const PlaneSnapshot& snapshot, CSrclibrary& source) {
    std::vector<uint8_t> out;
    for (SnapshotCursor c(snapshot); c.Piece() != nullptr; c.Next()) {
        const PlanePiece* p = c.Piece();
        if (c.Start() != static_cast<int64_t>(out.size()))
            return {}; // the walk lost its place
        for (int64_t i = 0; i < p->m_n_length; ++i)
            out.push_back(p->m_n_kind == PIECE_SOURCE ? *source.GetData(p->m_n_src_begin + i)
                                                      : p->m_p_bytes[i]);
    }
    return out;
}

// One random edit through the history (or an undo or redo); model follows
// when the step is one of the edits.
void RandomStep(std::mt19937& rng, CDataPlane* plane, CEditHistory* history, MemorySource* source,
                int step) {
    const int64_t size = SumOfLengths(*plane);
    const uint8_t bytes[] = {0xE1, 0xE2, 0xE3, 0xE4, 0xE5};
    const int64_t at = size > 0 ? static_cast<int64_t>(rng() % static_cast<uint64_t>(size)) : 0;
    switch (rng() % 7) {
    case 0:
        ASSERT_EQ(1, history->Insert(plane, at, bytes, 1 + rng() % 5, kMark));
        break;
    case 1:
        if (size > 0) {
            const int64_t last = std::min(size - 1, at + static_cast<int64_t>(rng() % 3));
            ASSERT_EQ(1, history->Remove(plane, at, last, kMark));
        }
        break;
    case 2:
        if (size > 0) {
            ASSERT_EQ(1, history->TypeNibble(plane, at, 9, static_cast<int>(rng() % 2), source,
                                             {at, step, 0}));
        }
        break;
    case 3: {
        std::vector<BulkReplacement> bulk;
        for (int64_t first = 0; first + 2 <= size; first += 2 + static_cast<int64_t>(rng() % 9))
            bulk.push_back({first, 2, bytes, static_cast<int64_t>(rng() % 4)});
        if (!bulk.empty()) {
            ASSERT_EQ(1, history->ReplaceMany(plane, bulk.data(), bulk.size(), kMark));
        }
        break;
    }
    case 4:
    case 5:
        history->Undo(plane, nullptr);
        break;
    default:
        history->Redo(plane, nullptr);
        break;
    }
}

} // namespace

TEST(PlaneSnapshot, KeepsItsBytesWhileTheOverlayChangesAndAfterItGoes) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        const size_t size = 1 + rng() % 120;
        MemorySource source(MemorySource::Pattern(size));
        auto plane = std::make_unique<CDataPlane>(static_cast<int64_t>(size));
        CEditHistory history;
        for (int i = 0; i < 10; ++i)
            RandomStep(rng, plane.get(), &history, &source, i);
        PlaneSnapshot first = plane->Snapshot();
        const std::vector<uint8_t> first_bytes = Effective(*plane, source);
        PlaneSnapshot second;
        std::vector<uint8_t> second_bytes;
        for (int step = 10; step < 80; ++step) {
            RandomStep(rng, plane.get(), &history, &source, step);
            if (step == 30) {
                second = plane->Snapshot();
                second_bytes = Effective(*plane, source);
            }
            if (step == 60)
                first.Reset();
            ExpectInvariants(*plane);
            if (first.Valid()) {
                ASSERT_EQ(SnapshotBytes(first, source), first_bytes) << seed << " " << step;
                ASSERT_EQ(first.Size(), static_cast<int64_t>(first_bytes.size()));
            }
            if (second.Valid()) {
                ASSERT_EQ(SnapshotBytes(second, source), second_bytes) << seed << " " << step;
                // A walk that starts anywhere finds the byte there.
                if (!second_bytes.empty()) {
                    const int64_t at = static_cast<int64_t>(rng() % second_bytes.size());
                    SnapshotCursor c(second, at);
                    ASSERT_NE(c.Piece(), nullptr);
                    const PlanePiece* p = c.Piece();
                    const int64_t rel = at - c.Start();
                    ASSERT_TRUE(rel >= 0 && rel < p->m_n_length);
                    ASSERT_EQ(p->m_n_kind == PIECE_SOURCE ? *source.GetData(p->m_n_src_begin + rel)
                                                          : p->m_p_bytes[rel],
                              second_bytes[static_cast<size_t>(at)]);
                    // And back from there to the first piece.
                    int64_t end = c.Start() + p->m_n_length;
                    for (; c.Piece() != nullptr; c.Prev()) {
                        ASSERT_EQ(c.Start() + c.Piece()->m_n_length, end);
                        end = c.Start();
                    }
                    ASSERT_EQ(end, 0);
                }
            }
        }
        plane.reset();
        EXPECT_EQ(SnapshotBytes(second, source), second_bytes) << seed;
    }
}

// A worker walks a snapshot again and again while this thread edits the
// overlay; every walk gives the bytes the snapshot was taken at.
TEST(PlaneSnapshot, AWorkerReadsItWhileTheOverlayIsEdited) {
    MemorySource source(MemorySource::Pattern(4096));
    CDataPlane plane(4096);
    CEditHistory history;
    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i)
        RandomStep(rng, &plane, &history, &source, i);
    PlaneSnapshot snapshot = plane.Snapshot();
    MemorySource worker_source(source.m_bytes); // sources are not shared between threads here
    const std::vector<uint8_t> expected = Effective(plane, source);
    std::atomic<int> stop{0};
    std::atomic<int> mismatches{0};
    std::thread worker([&]() {
        while (!stop.load())
            if (SnapshotBytes(snapshot, worker_source) != expected)
                ++mismatches;
    });
    for (int i = 0; i < 2000; ++i)
        RandomStep(rng, &plane, &history, &source, i);
    stop = 1;
    worker.join();
    EXPECT_EQ(0, mismatches.load());
    ExpectInvariants(plane);
}
