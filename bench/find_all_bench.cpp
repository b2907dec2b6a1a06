// Find all over one large file in the page cache: Pelmora's pass (the real
// document, its block reader, FindAll with an exact matcher) counting and
// listing a 4-byte pattern planted a million times, beside `grep -c -F` run
// as a child process over the same file. Prints the time as a multiple of
// grep's (goal: at most 1.5) and the peak heap the pass held against the
// budget of 16 MiB plus 16 bytes a listed match. The count is checked
// against memmem over the whole file mapped at once.
//
//   find_all_bench [size in MiB (default 2048)] [file (default in the temporary folder)]
//
// The file is made when it is missing or has another size, and stays for the
// next run (delete it by hand). Each figure is the best of three runs.
#include "data/document.h"
#include "tools/find_all.h"

#include "bench/peak_heap.h"
#include "bench/search_bench_common.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Printable, so it travels as a plain argument to grep; it cannot overlap
// itself, so planted copies never make extra matches.
constexpr char kPattern[] = "Pm#7";
constexpr size_t kPatternLength = 4;
constexpr int64_t kPlanted = 1000000;
constexpr int kRuns = 3;

using search_bench::Figure;
using search_bench::Seconds;

Figure Best(const std::function<int64_t()>& run) {
    return search_bench::Best(run, kRuns);
}

// grep -c -F of the pattern over the file: the reference figure.
int64_t GrepCount(const std::string& path) {
    return search_bench::GrepCount(path, kPattern, true);
}

// Random-ish bytes (xorshift64*) with the pattern every size / kPlanted bytes.
int MakeFile(const std::string& path, int64_t size) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && st.st_size == size)
        return 1;
    std::printf("making %s (%lld bytes) ...\n", path.c_str(), static_cast<long long>(size));
    std::fflush(stdout);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return 0;
    const int64_t step = size / kPlanted;
    std::vector<uint64_t> block(1 << 17);
    const int64_t block_bytes = static_cast<int64_t>(block.size() * sizeof(uint64_t));
    uint64_t x = 0x9E3779B97F4A7C15ull;
    for (int64_t at = 0; at < size; at += block_bytes) {
        search_bench::FillRandom(&block, &x);
        auto* bytes = reinterpret_cast<char*>(block.data());
        const int64_t chunk = std::min(size - at, block_bytes);
        // Copies at step / 2 + k * step, wherever they fall in this block
        // (one may straddle two blocks: its part here is written here).
        const int64_t reach = at - step / 2 - static_cast<int64_t>(kPatternLength - 1);
        for (int64_t k = reach <= 0 ? 0 : reach / step; k < kPlanted; ++k) {
            const int64_t p = step / 2 + k * step;
            if (p >= at + chunk)
                break;
            for (size_t i = 0; i < kPatternLength; ++i)
                if (p + static_cast<int64_t>(i) >= at && p + static_cast<int64_t>(i) < at + chunk)
                    bytes[p + static_cast<int64_t>(i) - at] = kPattern[i];
        }
        if (std::fwrite(bytes, 1, static_cast<size_t>(chunk), f) != static_cast<size_t>(chunk)) {
            std::fclose(f);
            return 0;
        }
    }
    return std::fclose(f) == 0 ? 1 : 0;
}

// Every start of the pattern in the whole file mapped in one piece, -2 on failure.
int64_t MemmemCount(const std::string& path, int64_t size) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return -2;
    void* base = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    if (base == MAP_FAILED)
        return -2;
    const char* p = static_cast<const char*>(base);
    const char* end = p + size;
    int64_t n = 0;
    while (const void* hit = ::memmem(p, static_cast<size_t>(end - p), kPattern, kPatternLength)) {
        ++n;
        p = static_cast<const char*>(hit) + 1;
    }
    ::munmap(base, static_cast<size_t>(size));
    return n;
}

} // namespace

int main(int argc, char** argv) {
    const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 2048;
    if (mib <= 0) {
        std::fprintf(stderr, "usage: find_all_bench [size in MiB] [file]\n");
        return 2;
    }
    const int64_t size = mib << 20;
    const std::string path = argc > 2
                                 ? std::string(argv[2])
                                 : (std::filesystem::temp_directory_path() /
                                    ("pelmora_find_all_bench_" + std::to_string(mib) + "MiB.bin"))
                                       .string();
    if (!MakeFile(path, size)) {
        std::fprintf(stderr, "cannot make %s\n", path.c_str());
        return 1;
    }
    const int64_t expected = MemmemCount(path, size); // also brings the file into the page cache
    std::printf("file %s, %lld bytes; pattern \"%s\", %lld matches by memmem; best of %d runs\n",
                path.c_str(), static_cast<long long>(size), kPattern,
                static_cast<long long>(expected), kRuns);

    const Figure grep = Best([&] { return GrepCount(path); });

    auto doc = std::make_unique<CallBackInfo>(nullptr);
    const std::wstring wide = std::filesystem::path(path).wstring();
    if (!doc->OpenFile(wide.c_str())) {
        std::fprintf(stderr, "cannot open %s as a document\n", path.c_str());
        return 1;
    }
    const auto matcher =
        MakeExactMatcher(reinterpret_cast<const uint8_t*>(kPattern), kPatternLength);
    size_t listed = 0;
    const Figure all = Best([&] {
        MatchList list;
        SearchRequest request(doc.get(), -1);
        FindAll(&request, *matcher, &list);
        listed = list.Size();
        return list.Count();
    });

    const double budget = 16.0 * 1048576.0 + 16.0 * static_cast<double>(listed);
    std::printf("grep -c -F (child process)   %9.1f ms %9.1f MB/s   %lld lines with a match\n",
                grep.seconds * 1e3, static_cast<double>(size) / 1e6 / grep.seconds,
                static_cast<long long>(grep.result));
    std::printf("Pelmora find all             %9.1f ms %9.1f MB/s   %5.2fx grep's time   "
                "%lld matches, %zu listed\n",
                all.seconds * 1e3, static_cast<double>(size) / 1e6 / all.seconds,
                all.seconds / grep.seconds, static_cast<long long>(all.result), listed);
    std::printf("peak heap %.2f MiB, budget %.2f MiB (16 MiB + 16 B a listed match)\n",
                static_cast<double>(all.peak_heap) / 1048576.0, budget / 1048576.0);
    if (all.result != expected || grep.result < 0) {
        std::printf("WRONG RESULT\n");
        return 1;
    }
    return 0;
}
