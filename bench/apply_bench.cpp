// Apply of a 1 GiB document with one typed and one inserted byte (the file
// is rewritten whole), against `cp` + `sync` of the same file in the same
// run, and of 1,000 typed bytes scattered over a sparse 10 GiB file (written
// in place). Usage: apply_bench [MiB] (1024 by default); the file is made
// once as /tmp/pelmora_apply_bench_<MiB>MiB.bin and left there; the sparse
// one is made for the run and deleted.
// Goals: the rewrite at no less than 0.7 of cp's throughput; the in-place
// apply within 200 ms.
#include "data/apply_file.h"
#include "data/document.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

int64_t g_n_mib = 1024;

std::string BenchFile() {
    return "/tmp/pelmora_apply_bench_" + std::to_string(g_n_mib) + "MiB.bin";
}

void MakeFile() {
    std::ifstream probe(BenchFile(), std::ios::binary | std::ios::ate);
    if (probe && static_cast<int64_t>(probe.tellg()) == g_n_mib << 20)
        return;
    std::ofstream out(BenchFile(), std::ios::binary | std::ios::trunc);
    std::vector<char> block(1 << 20);
    for (int64_t i = 0; i < g_n_mib; ++i) {
        for (size_t j = 0; j < block.size(); ++j)
            block[j] = static_cast<char>((i * 131 + static_cast<int64_t>(j) * 7) & 0xFF);
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BM_CpAndSync(benchmark::State& state) {
    MakeFile();
    const std::string copy = BenchFile() + ".cp";
    const std::string command = "cp '" + BenchFile() + "' '" + copy + "' && sync";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cp failed");
        state.SetIterationTime(Seconds(start));
        std::remove(copy.c_str());
    }
    state.SetBytesProcessed(state.iterations() * (g_n_mib << 20));
}
BENCHMARK(BM_CpAndSync)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_ApplyTypedAndInsertedByte(benchmark::State& state) {
    MakeFile();
    const std::string name = BenchFile();
    const std::wstring path(name.begin(), name.end());
    const EditMark mark = {0, 0, 0};
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CallBackInfo doc(nullptr);
        if (!doc.OpenFile(path.c_str())) {
            state.SkipWithError("open failed");
            break;
        }
        doc.m_history.TypeNibble(doc.m_p_data_plane, 0x12345, static_cast<uint8_t>(++n & 0xF), 1,
                                 doc.Source(), mark);
        const uint8_t inserted = 0x42;
        doc.m_history.Insert(doc.m_p_data_plane, 0x23456, &inserted, 1, mark);
        doc.m_n_data_size += 1;
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        if (ApplyDocumentToFile(&doc, PlatformApplyFileOps()) != ApplyResult::kApplied)
            state.SkipWithError("apply failed");
        state.SetIterationTime(Seconds(start));
    }
    state.SetBytesProcessed(state.iterations() * (g_n_mib << 20));
}
BENCHMARK(BM_ApplyTypedAndInsertedByte)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_ApplyThousandTypedBytesIn10GiB(benchmark::State& state) {
    const std::string name = "/tmp/pelmora_apply_bench_sparse_10GiB.bin";
    const std::wstring path(name.begin(), name.end());
    const int64_t size = int64_t{10} << 30;
    const EditMark mark = {0, 0, 0};
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::ofstream make(name, std::ios::binary | std::ios::trunc);
            make.seekp(size - 1);
            make.put(0);
        }
        CallBackInfo doc(nullptr);
        if (!doc.OpenFile(path.c_str())) {
            state.SkipWithError("open failed");
            break;
        }
        for (int64_t i = 0; i < 1000; ++i)
            doc.m_history.TypeNibble(doc.m_p_data_plane, i * (size / 1000) + 4321, 0x7, 1,
                                     doc.Source(), mark);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        if (ApplyDocumentToFile(&doc, PlatformApplyFileOps()) != ApplyResult::kApplied)
            state.SkipWithError("apply failed");
        state.SetIterationTime(Seconds(start));
        state.PauseTiming();
        std::remove(name.c_str());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ApplyThousandTypedBytesIn10GiB)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && argv[1][0] != '-') {
        g_n_mib = std::atoll(argv[1]);
        argv[1] = argv[0]; // the program name stays first for the library
        --argc;
        ++argv;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
