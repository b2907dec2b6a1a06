// Throughput of the save: a 1 GiB document with 10,000 scattered typed bytes
// written to a new file and flushed to disk (the real SaveDocumentToFile),
// against `cp` of the same file followed by a flush of the copy, interleaved
// in the same run so both see the same disk and page cache. Prints each
// figure, the save's throughput as a share of cp+sync's (goal: at least 0.8)
// and the peak heap the save held.
//
//   save_bench [size in MiB (default 1024)] [folder (default build/bench-save)]
#include "data/document.h"
#include "data/save_file.h"

#include "bench/peak_heap.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kEdits = 10000;
constexpr int kRuns = 3;

// The source, written once with varied bytes so nothing is sparse.
int MakeSource(const std::filesystem::path& p, int64_t size) {
    std::error_code ec;
    if (std::filesystem::file_size(p, ec) == static_cast<uintmax_t>(size))
        return 1;
    std::FILE* f = std::fopen(p.string().c_str(), "wb");
    if (f == nullptr)
        return 0;
    std::vector<uint8_t> block(1 << 20);
    for (int64_t done = 0; done < size; done += static_cast<int64_t>(block.size())) {
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<uint8_t>((done + static_cast<int64_t>(i)) * 7 + 3);
        const size_t n =
            static_cast<size_t>(std::min<int64_t>(size - done, static_cast<int64_t>(block.size())));
        if (std::fwrite(block.data(), 1, n, f) != n) {
            std::fclose(f);
            return 0;
        }
    }
    return std::fclose(f) == 0;
}

void SyncFile(const std::filesystem::path& path) {
    const int fd = ::open(path.string().c_str(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

struct Figure {
    double seconds = 1e30;
    int ok = 1;
    int64_t peak_heap = 0;
};

// One timed run after the previous runs' dirty pages were written out.
void Run(Figure* figure, const std::filesystem::path& target, const std::function<int()>& run) {
    std::filesystem::remove(target);
    ::sync();
    const int64_t before = peak_heap::Reset();
    const auto start = std::chrono::steady_clock::now();
    const int ok = run();
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figure->peak_heap = std::max(figure->peak_heap, peak_heap::Peak() - before);
    figure->seconds = std::min(figure->seconds, s);
    figure->ok = figure->ok && ok;
    std::filesystem::remove(target);
}

} // namespace

int main(int argc, char** argv) {
    const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const std::filesystem::path folder = argc > 2 ? argv[2] : "build/bench-save";
    if (mib <= 0) {
        std::fprintf(stderr, "usage: save_bench [size in MiB] [folder]\n");
        return 2;
    }
    const int64_t size = mib << 20;
    std::filesystem::create_directories(folder);
    const std::filesystem::path source = folder / ("source_" + std::to_string(mib) + "MiB.bin");
    if (!MakeSource(source, size)) {
        std::fprintf(stderr, "cannot make %s\n", source.string().c_str());
        return 1;
    }
    auto doc = std::make_unique<CallBackInfo>(nullptr);
    if (!doc->OpenFile(source.wstring().c_str())) {
        std::fprintf(stderr, "cannot open %s\n", source.string().c_str());
        return 1;
    }
    std::mt19937_64 random(7);
    for (int i = 0; i < kEdits; ++i)
        doc->m_p_data_plane->SetNibble(static_cast<int64_t>(random() % static_cast<uint64_t>(size)),
                                       0xA, 1, doc->Source());
    const std::filesystem::path saved = folder / "saved.bin";
    const std::filesystem::path copied = folder / "copied.bin";
    const std::string command = "cp '" + source.string() + "' '" + copied.string() + "'";
    Figure save, copy;
    for (int i = 0; i < kRuns; ++i) {
        Run(&copy, copied, [&] {
            const int rc = std::system(command.c_str());
            SyncFile(copied);
            return rc == 0;
        });
        Run(&save, saved, [&] {
            return SaveDocumentToFile(doc.get(), saved.wstring().c_str(), PlatformSaveFileOps());
        });
    }
    const double mb = static_cast<double>(size) / 1e6;
    std::printf("%lld MiB document with %d typed bytes, best of %d interleaved runs\n",
                static_cast<long long>(mib), kEdits, kRuns);
    std::printf("cp + sync            %9.1f ms %8.1f MB/s\n", copy.seconds * 1e3,
                mb / copy.seconds);
    std::printf("Pelmora save         %9.1f ms %8.1f MB/s   %5.2f of cp+sync's throughput   "
                "peak heap %.2f MiB\n",
                save.seconds * 1e3, mb / save.seconds, copy.seconds / save.seconds,
                static_cast<double>(save.peak_heap) / 1048576.0);
    if (!save.ok || !copy.ok) {
        std::printf("FAILED\n");
        return 1;
    }
    return 0;
}
