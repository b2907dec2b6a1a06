// Throughput of the save: a 1 GiB document with 10,000 scattered typed bytes
// written to a new file and flushed to disk, against `cp` of the same file
// followed by a flush of the copy, in the same run.
#include "data/document.h"
#include "data/save_file.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int64_t kSize = int64_t{1} << 30;
constexpr int kEdits = 10000;

std::filesystem::path Folder() {
    static const std::filesystem::path folder = [] {
        const char* base = std::getenv("PELMORA_BENCH_DIR");
        std::filesystem::path p = base != nullptr ? base : "build/bench-save";
        std::filesystem::create_directories(p);
        return p;
    }();
    return folder;
}

// The 1 GiB source, written once with varied bytes so nothing is sparse.
std::filesystem::path Source() {
    static const std::filesystem::path path = [] {
        std::filesystem::path p = Folder() / "source.bin";
        std::error_code ec;
        if (std::filesystem::file_size(p, ec) != static_cast<uintmax_t>(kSize)) {
            std::FILE* f = std::fopen(p.string().c_str(), "wb");
            std::vector<uint8_t> block(1 << 20);
            for (int64_t done = 0; f != nullptr && done < kSize; done += block.size()) {
                for (size_t i = 0; i < block.size(); ++i)
                    block[i] = static_cast<uint8_t>((done + i) * 7 + 3);
                std::fwrite(block.data(), 1, block.size(), f);
            }
            if (f != nullptr)
                std::fclose(f);
        }
        return p;
    }();
    return path;
}

void SyncFile(const std::filesystem::path& path) {
    const int fd = ::open(path.string().c_str(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void BM_SaveDocument(benchmark::State& state) {
    const std::filesystem::path source = Source();
    auto doc = std::make_unique<CallBackInfo>(nullptr);
    if (!doc->OpenFile(source.wstring().c_str())) {
        state.SkipWithError("cannot open the source");
        return;
    }
    std::mt19937_64 random(7);
    for (int i = 0; i < kEdits; ++i)
        doc->m_p_data_plane->SetNibble(static_cast<int64_t>(random() % kSize), 0xA, 1,
                                       doc->Source());
    const std::filesystem::path target = Folder() / "saved.bin";
    for (auto _ : state) {
        std::filesystem::remove(target);
        ::sync(); // earlier runs' dirty pages are not charged to this one
        const auto start = std::chrono::steady_clock::now();
        const int ok =
            SaveDocumentToFile(doc.get(), target.wstring().c_str(), PlatformSaveFileOps());
        const auto end = std::chrono::steady_clock::now();
        if (!ok)
            state.SkipWithError("save failed");
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.SetBytesProcessed(state.iterations() * kSize);
    std::filesystem::remove(target);
}

void BM_CopyWithCpAndFlush(benchmark::State& state) {
    const std::filesystem::path source = Source();
    const std::filesystem::path target = Folder() / "copied.bin";
    const std::string command = "cp '" + source.string() + "' '" + target.string() + "'";
    for (auto _ : state) {
        std::filesystem::remove(target);
        ::sync(); // earlier runs' dirty pages are not charged to this one
        const auto start = std::chrono::steady_clock::now();
        const int rc = std::system(command.c_str());
        SyncFile(target);
        const auto end = std::chrono::steady_clock::now();
        if (rc != 0)
            state.SkipWithError("cp failed");
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.SetBytesProcessed(state.iterations() * kSize);
    std::filesystem::remove(target);
}

// Interleaved so both see the same state of the disk and the page cache.
BENCHMARK(BM_CopyWithCpAndFlush)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveDocument)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CopyWithCpAndFlush)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveDocument)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CopyWithCpAndFlush)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveDocument)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
