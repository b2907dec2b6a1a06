// Undo and redo in an overlay of 100,000 pieces: a typed byte (typed, undone,
// redone) and the removal of a 1 GiB source run, each timed beside the edit
// it takes back. Goal: undo of a typed byte well under 1 ms.
#include "data/data_plane.h"
#include "data/edit_history.h"
#include "data/source.h"
#include "bench/alternating_pieces.h"

#include <benchmark/benchmark.h>

#include <cstdint>
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
    AppendAlternatingPieces(plane.get(), kPieces);
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

// A history over the many-piece overlay and a fixed series of offsets to type at.
struct Typing {
    std::unique_ptr<CDataPlane> plane = ManyPieces();
    FlatSource source;
    CEditHistory history;
    std::mt19937_64 rng{1};

    // Types one byte at the next offset, as a step of its own.
    int TypeNext() {
        const int64_t at = SourceOffset(rng);
        history.EndTyping();
        return history.TypeNibble(plane.get(), at, 1, 1, &source, kMark);
    }
    int Undo() { return history.Undo(plane.get(), nullptr); }
    int Redo() { return history.Redo(plane.get(), nullptr); }
};

void BM_TypeByte(benchmark::State& state) {
    Typing t;
    for (auto _ : state) {
        benchmark::DoNotOptimize(t.TypeNext());
        state.PauseTiming();
        t.Undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TypeByte)->Unit(benchmark::kMicrosecond);

void BM_UndoTypedByte(benchmark::State& state) {
    Typing t;
    for (auto _ : state) {
        state.PauseTiming();
        t.TypeNext();
        state.ResumeTiming();
        benchmark::DoNotOptimize(t.Undo());
    }
}
BENCHMARK(BM_UndoTypedByte)->Unit(benchmark::kMicrosecond);

void BM_RedoTypedByte(benchmark::State& state) {
    Typing t;
    for (auto _ : state) {
        state.PauseTiming();
        t.TypeNext();
        t.Undo();
        state.ResumeTiming();
        benchmark::DoNotOptimize(t.Redo());
        state.PauseTiming();
        t.Undo();
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
