// Effective-byte reads through overlays of 1 to 1,000,000 pieces: one paint's
// worth of consecutive bytes (2,400) byte by byte and as one span, and single
// random lookups; and writing and reading a workspace of 100,000 and of
// 1,000,000 pieces.
#include "data/data_plane.h"
#include "data/document.h"
#include "data/workspace.h"
#include "bench/alternating_pieces.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

class VectorSource final : public CSrclibrary {
  public:
    explicit VectorSource(size_t size) : m_bytes(size) {
        for (size_t i = 0; i < size; ++i)
            m_bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    const uint8_t* GetData(int64_t offset) override {
        return offset >= 0 && static_cast<size_t>(offset) < m_bytes.size()
                   ? &m_bytes[static_cast<size_t>(offset)]
                   : nullptr;
    }
    std::vector<uint8_t> m_bytes;
};

// A document whose overlay alternates source runs of 15 bytes with one typed
// byte, until it holds `pieces` pieces (a single source piece for 1).
struct Fixture {
    explicit Fixture(int64_t pieces) : source(static_cast<size_t>(pieces / 2 + 1) * 16 + 4096) {
        doc = std::make_unique<CallBackInfo>(nullptr);
        auto* plane = new CDataPlane();
        const int64_t size = static_cast<int64_t>(source.m_bytes.size());
        if (pieces == 1) {
            plane->AppendPiece(PIECE_SOURCE, 0, size - 1, size, nullptr);
        } else {
            AppendAlternatingPieces(plane, pieces);
        }
        doc->m_p_data_plane = plane;
        for (PieceCursor c_p(*plane); const PlanePiece* p = c_p.Piece(); c_p.Next())
            doc->m_n_data_size += p->m_n_length;
        int64_t ignored = 0;
        plane->Find(0, &ignored); // the index is built once, as after any edit
    }
    VectorSource source;
    std::unique_ptr<CallBackInfo> doc;
};

Fixture& FixtureFor(int64_t pieces) {
    static std::map<int64_t, std::unique_ptr<Fixture>> cache;
    auto& f = cache[pieces];
    if (!f)
        f = std::make_unique<Fixture>(pieces);
    return *f;
}

void BM_PaintFetchByteByByte(benchmark::State& state) {
    Fixture& f = FixtureFor(state.range(0));
    std::mt19937_64 rng(1);
    for (auto _ : state) {
        const int64_t first =
            static_cast<int64_t>(rng() % static_cast<uint64_t>(f.doc->m_n_data_size - 2400));
        unsigned sum = 0;
        for (int64_t o = first; o < first + 2400; ++o)
            sum += *FetchEffectiveByte(f.doc.get(), o, &f.source);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 2400);
}

void BM_PaintFetchAsSpan(benchmark::State& state) {
    Fixture& f = FixtureFor(state.range(0));
    std::mt19937_64 rng(1);
    uint8_t buffer[2400];
    for (auto _ : state) {
        const int64_t first =
            static_cast<int64_t>(rng() % static_cast<uint64_t>(f.doc->m_n_data_size - 2400));
        benchmark::DoNotOptimize(ReadEffectiveSpan(f.doc.get(), first, buffer, 2400, &f.source));
    }
    state.SetItemsProcessed(state.iterations() * 2400);
}

void BM_RandomLookup(benchmark::State& state) {
    Fixture& f = FixtureFor(state.range(0));
    std::mt19937_64 rng(2);
    for (auto _ : state) {
        const int64_t o = static_cast<int64_t>(rng() % static_cast<uint64_t>(f.doc->m_n_data_size));
        benchmark::DoNotOptimize(*FetchEffectiveByte(f.doc.get(), o, &f.source));
    }
}

const std::wstring& BenchWorkspacePath() {
    static const std::wstring path =
        (std::filesystem::temp_directory_path() / "pelmora_bench_workspace.interm").wstring();
    return path;
}

void BM_WriteWorkspace(benchmark::State& state) {
    Fixture& f = FixtureFor(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteWorkspace(BenchWorkspacePath().c_str(), f.doc->m_p_data_plane,
                                                static_cast<int64_t>(f.source.m_bytes.size())));
}

void BM_ReadWorkspace(benchmark::State& state) {
    Fixture& f = FixtureFor(state.range(0));
    WriteWorkspace(BenchWorkspacePath().c_str(), f.doc->m_p_data_plane,
                   static_cast<int64_t>(f.source.m_bytes.size()));
    for (auto _ : state) {
        CDataPlane plane;
        int64_t size = static_cast<int64_t>(f.source.m_bytes.size());
        benchmark::DoNotOptimize(ReadWorkspace(&plane, BenchWorkspacePath().c_str(), &size));
    }
}

} // namespace

BENCHMARK(BM_PaintFetchByteByByte)->Arg(1)->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_PaintFetchAsSpan)->Arg(1)->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_RandomLookup)->Arg(1)->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_WriteWorkspace)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWorkspace)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
