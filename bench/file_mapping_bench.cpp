// Sequential reading of a 1 GiB file through CFileMapping::GetData, one byte
// per call (directly and through CSrclibrary), beside a memchr scan of the
// same mapped views (the memory limit). The file is created once in /tmp (or
// at $PELMORA_BENCH_FILE) and reused.
#include "data/file_mapping.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// 1 GiB, or PELMORA_BENCH_MIB MiB (a small size keeps the benchmark working in CI).
const int64_t kFileSize = [] {
    const char* mib = std::getenv("PELMORA_BENCH_MIB");
    const long long n = mib != nullptr ? std::atoll(mib) : 0;
    return (n > 0 ? n : 1024) << 20;
}();

// Bytes 0..254 only, so a memchr for 0xFF scans every byte.
uint8_t PatternByte(int64_t i) {
    return static_cast<uint8_t>((i * 7 + 3) % 255);
}

std::filesystem::path BenchFile() {
    const char* env = std::getenv("PELMORA_BENCH_FILE");
    std::filesystem::path path =
        env != nullptr && env[0] != 0
            ? std::filesystem::path(env)
            : std::filesystem::temp_directory_path() /
                  ("pelmora-bench-" + std::to_string(kFileSize >> 20) + "MiB.bin");
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) == static_cast<uintmax_t>(kFileSize) && !ec)
        return path;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<char> chunk(1 << 20);
    for (int64_t base = 0; base < kFileSize; base += static_cast<int64_t>(chunk.size())) {
        for (size_t i = 0; i < chunk.size(); ++i)
            chunk[i] = static_cast<char>(PatternByte(base + static_cast<int64_t>(i)));
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    }
    return path;
}

void Report(benchmark::State& state) {
    const double bytes = static_cast<double>(state.iterations()) * static_cast<double>(kFileSize);
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
}

void BM_GetDataOneByteAtATime(benchmark::State& state) {
    const std::wstring path = BenchFile().wstring();
    CFileMapping fm;
    if (!fm.Open(path.c_str())) {
        state.SkipWithError("cannot open the benchmark file");
        return;
    }
    for (auto _ : state) {
        uint64_t sum = 0;
        for (int64_t offset = 0; offset < kFileSize; ++offset) {
            const uint8_t* p = fm.GetData(offset);
            if (p == nullptr)
                break;
            sum += *p;
        }
        benchmark::DoNotOptimize(sum);
    }
    Report(state);
}

// The same walk through the abstract source, as the edit overlay reads.
void BM_GetDataThroughTheSourceInterface(benchmark::State& state) {
    const std::wstring path = BenchFile().wstring();
    CFileMapping fm;
    if (!fm.Open(path.c_str())) {
        state.SkipWithError("cannot open the benchmark file");
        return;
    }
    CSrclibrary* source = &fm;
    benchmark::DoNotOptimize(source); // keep the call virtual
    for (auto _ : state) {
        uint64_t sum = 0;
        for (int64_t offset = 0; offset < kFileSize; ++offset) {
            const uint8_t* p = source->GetData(offset);
            if (p == nullptr)
                break;
            sum += *p;
        }
        benchmark::DoNotOptimize(sum);
    }
    Report(state);
}

void BM_MemchrOverTheSameViews(benchmark::State& state) {
    const std::wstring path = BenchFile().wstring();
    CFileMapping fm;
    if (!fm.Open(path.c_str())) {
        state.SkipWithError("cannot open the benchmark file");
        return;
    }
    for (auto _ : state) {
        int64_t found = 0;
        for (int64_t offset = 0; offset < kFileSize;) {
            size_t available = 0;
            const uint8_t* p = fm.ViewData(offset, &available);
            if (p == nullptr)
                break;
            if (std::memchr(p, 0xFF, available) != nullptr)
                ++found;
            offset += static_cast<int64_t>(available);
        }
        benchmark::DoNotOptimize(found);
    }
    Report(state);
}

} // namespace

BENCHMARK(BM_GetDataOneByteAtATime)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GetDataThroughTheSourceInterface)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MemchrOverTheSameViews)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
