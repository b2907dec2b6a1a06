// Throughput of the checksums over a document on a file (the real
// RunChecksums, the file in the page cache): each algorithm alone in GB/s,
// all eight together against the slowest alone (goal: at most 1.2 times),
// and SHA-256 against `sha256sum` of the same file, run alternately in the
// same process (goal: at most 1.2 times its time). Prints the peak heap the
// run held.
//
//   checksum_bench [size in MiB (default 1024)] [folder (default build/bench-checksums)]
#include "data/document.h"
#include "tools/checksums.h"

#include "bench/peak_heap.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 2;

int MakeSource(const std::filesystem::path& p, int64_t size) {
    std::error_code ec;
    if (std::filesystem::file_size(p, ec) == static_cast<uintmax_t>(size))
        return 1;
    std::FILE* f = std::fopen(p.string().c_str(), "wb");
    if (f == nullptr)
        return 0;
    std::vector<uint8_t> block(1 << 20);
    uint64_t x = 0x9E3779B97F4A7C15ull;
    for (int64_t done = 0; done < size; done += static_cast<int64_t>(block.size())) {
        for (size_t i = 0; i < block.size(); i += 8) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            for (int k = 0; k < 8; ++k)
                block[i + k] = static_cast<uint8_t>(x >> (8 * k));
        }
        const size_t n =
            static_cast<size_t>(std::min<int64_t>(size - done, static_cast<int64_t>(block.size())));
        if (std::fwrite(block.data(), 1, n, f) != n) {
            std::fclose(f);
            return 0;
        }
    }
    return std::fclose(f) == 0;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The best time of kRuns runs of the chosen algorithms; the peak heap in *heap.
double TimeRun(CallBackInfo* doc, uint32_t algorithms, int64_t* heap) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        ChecksumJob job;
        job.m_p_document = doc;
        job.m_range = {0, doc->m_n_data_size};
        job.m_n_algorithms = algorithms;
        const int64_t before = peak_heap::Reset();
        const auto start = std::chrono::steady_clock::now();
        if (RunChecksums(&job) != kChecksumDone) {
            std::fprintf(stderr, "the checksum run failed\n");
            std::exit(1);
        }
        best = std::min(best, Seconds(start));
        *heap = std::max(*heap, peak_heap::Peak() - before);
    }
    return best;
}

double TimeCommand(const std::string& command) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "%s failed\n", command.c_str());
            std::exit(1);
        }
        best = std::min(best, Seconds(start));
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const std::filesystem::path folder = argc > 2 ? argv[2] : "build/bench-checksums";
    std::filesystem::create_directories(folder);
    const std::filesystem::path source = folder / "source.bin";
    const int64_t size = mib << 20;
    if (!MakeSource(source, size)) {
        std::fprintf(stderr, "cannot write %s\n", source.string().c_str());
        return 1;
    }
    CallBackInfo doc(nullptr);
    if (doc.OpenFile(source.wstring().c_str(), 1) != 1) {
        std::fprintf(stderr, "cannot open %s\n", source.string().c_str());
        return 1;
    }
    const double gb = static_cast<double>(size) / 1e9;
    std::printf("checksums over %lld MiB (best of %d)\n", static_cast<long long>(mib), kRuns);
    int64_t heap = 0;
    double slowest = 0;
    double alone[kChecksumCount] = {};
    for (int a = 0; a < kChecksumCount; ++a) {
        alone[a] = TimeRun(&doc, 1u << a, &heap);
        slowest = std::max(slowest, alone[a]);
        const std::wstring name = ChecksumName(a);
        std::printf("  %-9s %6.2f GB/s\n", std::string(name.begin(), name.end()).c_str(),
                    gb / alone[a]);
    }
    const double all = TimeRun(&doc, (1u << kChecksumCount) - 1, &heap);
    std::printf("  all eight %6.2f GB/s: %.2f times the slowest alone (goal: at most 1.2)\n",
                gb / all, all / slowest);
    const std::string quoted = "'" + source.string() + "'";
    const double tool = TimeCommand("sha256sum " + quoted + " >/dev/null");
    std::printf("  sha256sum %6.2f GB/s: SHA-256 takes %.2f times its time (goal: at most 1.2)\n",
                gb / tool, alone[kChecksumSha256] / tool);
    std::printf("  peak heap %.2f MiB (goal: at most 16)\n", static_cast<double>(heap) / 1048576.0);
    return 0;
}
