// Undo and redo in an overlay of 100,000 pieces: a typed byte (typed, undone,
// redone) and the removal of a 1 GiB source run, each timed beside the edit
// it takes back. Goal: undo of a typed byte well under 1 ms.
#include "data/data_plane.h"
#include "data/edit_history.h"
#include "data/source.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>

namespace {

// Reads as byte 0x5A everywhere; typing takes the other half from it.
class FlatSource final : public CSrclibrary {
  public:
    const uint8_t* GetData(int64_t offset) override { return offset >= 0 ? &m_byte : nullptr; }
    uint8_t m_byte = 0x5A;
};

constexpr int64_t kPieces = 100000;

// Source runs of 15 bytes alternating with one typed byte, kPieces pieces.
std::unique_ptr<CDataPlane> ManyPieces() {
    auto plane = std::make_unique<CDataPlane>();
    int64_t src = 0;
    for (int64_t i = 0; i < kPieces; ++i) {
        if (i % 2 == 0) {
            plane->AppendPiece(PIECE_SOURCE, src, src + 14, 15, nullptr);
            src += 15;
        } else {
            auto* b = static_cast<uint8_t*>(std::malloc(1));
            *b = 0xAB;
            plane->AppendPiece(PIECE_OVERWRITTEN, src, src, 1, b);
            src += 1;
        }
    }
    int64_t ignored = 0;
    plane->Find(0, &ignored);
    return plane;
}

// An offset inside a source run, where a typed byte splits a piece.
int64_t SourceOffset(std::mt19937_64& rng) {
    return static_cast<int64_t>(rng() % static_cast<uint64_t>(kPieces / 2)) * 16 + 3 +
           static_cast<int64_t>(rng() % 10);
}

const EditMark kMark = {0, 0, 0};

void BM_TypeByte(benchmark::State& state) {
    auto plane = ManyPieces();
    FlatSource source;
    CEditHistory history;
    std::mt19937_64 rng(1);
    for (auto _ : state) {
        const int64_t at = SourceOffset(rng);
        history.EndTyping();
        benchmark::DoNotOptimize(history.TypeNibble(plane.get(), at, 1, 1, &source, kMark));
        state.PauseTiming();
        history.Undo(plane.get(), nullptr);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TypeByte)->Unit(benchmark::kMicrosecond);

void BM_UndoTypedByte(benchmark::State& state) {
    auto plane = ManyPieces();
    FlatSource source;
    CEditHistory history;
    std::mt19937_64 rng(1);
    for (auto _ : state) {
        state.PauseTiming();
        history.EndTyping();
        history.TypeNibble(plane.get(), SourceOffset(rng), 1, 1, &source, kMark);
        state.ResumeTiming();
        benchmark::DoNotOptimize(history.Undo(plane.get(), nullptr));
    }
}
BENCHMARK(BM_UndoTypedByte)->Unit(benchmark::kMicrosecond);

void BM_RedoTypedByte(benchmark::State& state) {
    auto plane = ManyPieces();
    FlatSource source;
    CEditHistory history;
    std::mt19937_64 rng(1);
    for (auto _ : state) {
        state.PauseTiming();
        history.EndTyping();
        history.TypeNibble(plane.get(), SourceOffset(rng), 1, 1, &source, kMark);
        history.Undo(plane.get(), nullptr);
        state.ResumeTiming();
        benchmark::DoNotOptimize(history.Redo(plane.get(), nullptr));
        state.PauseTiming();
        history.Undo(plane.get(), nullptr);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RedoTypedByte)->Unit(benchmark::kMicrosecond);

// Removing 1 GiB of a file and taking it back: piece records only.
void BM_RemoveAndUndoOneGiB(benchmark::State& state) {
    const int64_t size = 2ll << 30;
    CDataPlane plane(size);
    CEditHistory history;
    int64_t held = 0;
    for (auto _ : state) {
        history.Remove(&plane, 1000, 1000 + (1ll << 30) - 1, kMark);
        held = history.HeldBytes();
        benchmark::DoNotOptimize(history.Undo(&plane, nullptr));
    }
    // What the history holds for the removed gigabyte: one piece record.
    state.counters["held_bytes"] = static_cast<double>(held);
    state.counters["pieces"] = static_cast<double>(plane.PieceCount());
}
BENCHMARK(BM_RemoveAndUndoOneGiB)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
