// Search speed over one large file in the page cache: Pelmora's forward and
// backward search (the real document, its block reader and CDataPlane,
// SearchForward / SearchBackward) unedited and with 10,000 scattered edits,
// beside `grep -c -F` run as a child process and memmem over the whole file
// mapped at once. The pattern is absent, so every search walks the whole
// document. Each Pelmora line shows its time as a multiple of grep's time
// (goal: at most 1.0) and the peak heap the search itself held.
//
//   find_bench [size in MiB (default 1024)] [file (default in the temporary folder)]
//
// The file is made when it is missing or has another size, and stays for the
// next run (delete it by hand). Each figure is the best of three runs.
//
// Then the other matchers over the same unedited file, each counting every
// match in one pass beside the exact search counting a 4-byte pattern: a
// masked hex pattern (DE AD ?? EF) and text without case (ANSI and UTF-8),
// as multiples of the exact pass (goal: at most 2). Last, Replace all of
// 1,000,000 planted 4-byte matches by 6 bytes in a second 1 GiB file: the
// pass, the one bulk edit and its Undo (goals: at most 5 s and 2 s).
#include "data/data_plane.h"
#include "data/document.h"
#include "tools/find.h"
#include "tools/find_query.h"
#include "tools/replace_all.h"

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

// Printable, so it travels as a plain argument to grep; no byte of it is a
// shell or option character that matters, and it is passed without a shell.
constexpr char kPattern[] = "Pelmora:needle#7";
constexpr int64_t kPatternLength = 16;
constexpr int kRuns = 3;
constexpr int kEdits = 10000;

using search_bench::Figure;
using search_bench::Seconds;

Figure Best(const std::function<int64_t()>& run) {
    return search_bench::Best(run, kRuns);
}

// grep -c -F of the pattern over the file: the reference figure.
int64_t GrepCount(const std::string& path) {
    return search_bench::GrepCount(path, kPattern, false);
}

// Random-ish bytes (xorshift64*), the whole byte range.
int MakeFile(const std::string& path, int64_t size) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && st.st_size == size)
        return 1;
    std::printf("making %s (%lld bytes) ...\n", path.c_str(), static_cast<long long>(size));
    std::fflush(stdout);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return 0;
    std::vector<uint64_t> block(1 << 17);
    uint64_t x = 0x9E3779B97F4A7C15ull;
    int64_t left = size;
    while (left > 0) {
        search_bench::FillRandom(&block, &x);
        const auto chunk = static_cast<size_t>(
            std::min<int64_t>(left, static_cast<int64_t>(block.size() * sizeof(uint64_t))));
        if (std::fwrite(block.data(), 1, chunk, f) != chunk) {
            std::fclose(f);
            return 0;
        }
        left -= static_cast<int64_t>(chunk);
    }
    return std::fclose(f) == 0 ? 1 : 0;
}

void Print(const char* what, const Figure& f, int64_t bytes, double reference_seconds) {
    const double mbs = static_cast<double>(bytes) / 1e6 / f.seconds;
    std::printf("%-34s %9.1f ms %9.1f MB/s", what, f.seconds * 1e3, mbs);
    if (reference_seconds > 0)
        std::printf("   %5.2fx grep's time   peak heap %6.2f MiB", f.seconds / reference_seconds,
                    static_cast<double>(f.peak_heap) / 1048576.0);
    std::printf("   result %lld\n", static_cast<long long>(f.result));
}

// memmem over the whole file mapped in one piece; the match offset or -1.
int64_t MemmemWholeFile(const std::string& path, int64_t size) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return -2;
    void* base = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    if (base == MAP_FAILED)
        return -2;
    const void* hit = ::memmem(base, static_cast<size_t>(size), kPattern, kPatternLength);
    const int64_t r =
        hit == nullptr ? -1 : static_cast<const char*>(hit) - static_cast<char*>(base);
    ::munmap(base, static_cast<size_t>(size));
    return r;
}

int64_t Forward(CallBackInfo* doc) {
    SearchRequest request(doc, -1);
    return SearchForward(&request, reinterpret_cast<const uint8_t*>(kPattern), kPatternLength);
}

int64_t Backward(CallBackInfo* doc) {
    SearchRequest request(doc, doc->m_n_data_size - 1);
    return SearchBackward(&request, reinterpret_cast<const uint8_t*>(kPattern), kPatternLength);
}

int64_t CountPieces(const CDataPlane* plane) {
    return plane->PieceCount();
}

// 10,000 edits spread evenly: typed nibbles and 4-byte inserts in turn. Their
// bytes are not printable, so they cannot complete the pattern.
int ScatterEdits(CallBackInfo* doc) {
    const uint8_t inserted[4] = {0xE1, 0x02, 0xF3, 0x84};
    const int64_t step = doc->m_n_data_size / kEdits;
    for (int i = 0; i < kEdits; ++i) {
        const int64_t at = static_cast<int64_t>(i) * step + step / 2 + (i * 7919) % (step / 4 + 1);
        if (i % 2 == 0) {
            if (!doc->m_p_data_plane->SetNibble(at, 0x8, 1, &doc->m_file_mapping))
                return 0;
        } else {
            if (!doc->m_p_data_plane->Insert(at, inserted, 4))
                return 0;
            doc->m_n_data_size += 4;
        }
    }
    return 1;
}

// A planted copy of the pattern near the end must be found in both directions.
int CheckPlanted(CallBackInfo* doc) {
    const int64_t at = doc->m_n_data_size - 1000;
    if (!doc->m_p_data_plane->Insert(at, reinterpret_cast<const uint8_t*>(kPattern),
                                     kPatternLength))
        return 0;
    doc->m_n_data_size += kPatternLength;
    const int64_t forward = Forward(doc);
    const int64_t backward = Backward(doc);
    doc->m_p_data_plane->Remove(at, at + kPatternLength - 1);
    doc->m_n_data_size -= kPatternLength;
    std::printf("planted copy at %lld: forward finds %lld, backward finds %lld\n",
                static_cast<long long>(at), static_cast<long long>(forward),
                static_cast<long long>(backward));
    return forward == at && backward == at ? 1 : 0;
}

// Every match of the matcher over the unedited document, in one pass.
int64_t CountAll(CallBackInfo* doc, const SearchMatcher& matcher) {
    const PlaneSnapshot snapshot = doc->m_p_data_plane->Snapshot();
    SnapshotSearch search(doc, snapshot, matcher, nullptr);
    int64_t count = 0;
    int64_t length = 0;
    for (int64_t at = SearchSnapshotForward(&search, 0, &length); at >= 0;
         at = SearchSnapshotForward(&search, at + length, &length))
        ++count;
    return count;
}

std::unique_ptr<SearchMatcher> QueryMatcher(int mode, const wchar_t* text, int32_t code_page,
                                            int match_case) {
    FindQuery query;
    query.m_n_mode = mode;
    query.m_sz_text = text;
    query.m_n_code_page = code_page;
    query.m_b_match_case = match_case;
    std::wstring message;
    return MakeQueryMatcher(query, &message);
}

void PrintRatio(const char* what, const Figure& f, int64_t bytes, double exact_seconds) {
    std::printf("%-34s %9.1f ms %9.1f MB/s   %5.2fx the exact pass   matches %lld\n", what,
                f.seconds * 1e3, static_cast<double>(bytes) / 1e6 / f.seconds,
                f.seconds / exact_seconds, static_cast<long long>(f.result));
}

int MatcherFigures(CallBackInfo* doc, int64_t size) {
    const auto exact = QueryMatcher(kFindModeHex, L"DEAD00EF", 0, 1);
    const auto masked = QueryMatcher(kFindModeHex, L"DEAD??EF", 0, 1);
    const auto text = QueryMatcher(kFindModeText, L"Pelmora:needle#7", 0, 1);
    const auto ansi = QueryMatcher(kFindModeText, L"Pelmora:needle#7", 0, 0);
    const auto utf8 = QueryMatcher(kFindModeText, L"Pelmora:needle#7", 65001, 0);
    if (!exact || !masked || !text || !ansi || !utf8)
        return 0;
    const Figure f_exact = Best([&] { return CountAll(doc, *exact); });
    const Figure f_masked = Best([&] { return CountAll(doc, *masked); });
    const Figure f_text = Best([&] { return CountAll(doc, *text); });
    const Figure f_ansi = Best([&] { return CountAll(doc, *ansi); });
    const Figure f_utf8 = Best([&] { return CountAll(doc, *utf8); });
    std::printf("\n-- every match in one pass, unedited --\n");
    PrintRatio("exact hex DE AD 00 EF", f_exact, size, f_exact.seconds);
    PrintRatio("masked hex DE AD ?? EF", f_masked, size, f_exact.seconds);
    PrintRatio("exact text, 16 bytes", f_text, size, f_text.seconds);
    PrintRatio("text without case, ANSI", f_ansi, size, f_text.seconds);
    PrintRatio("text without case, UTF-8", f_utf8, size, f_text.seconds);
    return f_masked.result >= f_exact.result ? 1 : 0;
}

constexpr int64_t kReplaceCount = 1000000;
constexpr int64_t kReplaceStride = 1073;
constexpr char kReplaced[] = "Rp#4";
constexpr char kReplacement[] = "Six+6!";

// The first file's bytes with the 4-byte pattern planted every stride bytes.
int MakeReplaceFile(const std::string& from, const std::string& path, int64_t size) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && st.st_size == size)
        return 1;
    std::printf("making %s ...\n", path.c_str());
    std::fflush(stdout);
    FILE* in = std::fopen(from.c_str(), "rb");
    FILE* out = std::fopen(path.c_str(), "wb");
    if (in == nullptr || out == nullptr)
        return 0;
    std::vector<char> block(kReplaceStride);
    int ok = 1;
    for (int64_t at = 0; at < size && ok; at += kReplaceStride) {
        const auto n = static_cast<size_t>(std::min<int64_t>(kReplaceStride, size - at));
        ok = std::fread(block.data(), 1, n, in) == n;
        if (at / kReplaceStride < kReplaceCount && n >= 4)
            std::memcpy(block.data(), kReplaced, 4);
        ok = ok && std::fwrite(block.data(), 1, n, out) == n;
    }
    std::fclose(in);
    return std::fclose(out) == 0 && ok ? 1 : 0;
}

int ReplaceFigures(const std::string& source_path, int64_t source_size) {
    const int64_t size = int64_t{1} << 30;
    if (source_size < size) {
        std::printf("\n(Replace all needs the 1024 MiB file: skipped)\n");
        return 1;
    }
    const std::string path =
        (std::filesystem::temp_directory_path() / "pelmora_replace_bench_1024MiB.bin").string();
    if (!MakeReplaceFile(source_path, path, size))
        return 0;
    auto doc = std::make_unique<CallBackInfo>(nullptr);
    const std::wstring wide = std::filesystem::path(path).wstring();
    if (!doc->OpenFile(wide.c_str()))
        return 0;
    const auto matcher = MakeExactMatcher(reinterpret_cast<const uint8_t*>(kReplaced), 4);
    const std::vector<uint8_t> with(kReplacement, kReplacement + 6);
    int64_t replaced = 0;
    double pass = 1e30;
    double apply = 1e30;
    double undo = 1e30;
    int64_t peak = 0;
    for (int run = 0; run < kRuns; ++run) {
        const int64_t before = peak_heap::Reset();
        const auto t0 = std::chrono::steady_clock::now();
        ReplacePlan plan;
        {
            const PlaneSnapshot snapshot = doc->m_p_data_plane->Snapshot();
            SnapshotSearch search(doc.get(), snapshot, *matcher, nullptr);
            if (!CollectReplacements(&search, nullptr, with, &plan))
                return 0;
        }
        const auto t1 = std::chrono::steady_clock::now();
        if (!ApplyReplacements(doc.get(), plan))
            return 0;
        const auto t2 = std::chrono::steady_clock::now();
        peak = std::max(peak, peak_heap::Peak() - before);
        replaced = static_cast<int64_t>(plan.m_replacements.size());
        if (doc->m_n_data_size != size + 2 * replaced)
            return 0;
        HistoryResult result = {};
        const auto t3 = std::chrono::steady_clock::now();
        if (!doc->Undo(&result) || doc->m_n_data_size != size)
            return 0;
        const auto t4 = std::chrono::steady_clock::now();
        pass = std::min(pass, Seconds(t1 - t0));
        apply = std::min(apply, Seconds(t2 - t1));
        undo = std::min(undo, Seconds(t4 - t3));
    }
    std::printf("\n-- Replace all, %lld matches of 4 bytes by 6 in 1 GiB --\n",
                static_cast<long long>(replaced));
    std::printf("pass over the snapshot %9.1f ms\n", pass * 1e3);
    std::printf("one bulk edit          %9.1f ms\n", apply * 1e3);
    std::printf("Replace all in all     %9.1f ms   (goal 5000 ms)   peak heap %.1f MiB\n",
                (pass + apply) * 1e3, static_cast<double>(peak) / 1048576.0);
    std::printf("Undo                   %9.1f ms   (goal 2000 ms)\n", undo * 1e3);
    return replaced >= kReplaceCount ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    if (mib <= 0) {
        std::fprintf(stderr, "usage: find_bench [size in MiB] [file]\n");
        return 2;
    }
    const int64_t size = mib << 20;
    const std::string path = argc > 2 ? std::string(argv[2])
                                      : (std::filesystem::temp_directory_path() /
                                         ("pelmora_find_bench_" + std::to_string(mib) + "MiB.bin"))
                                            .string();
    if (!MakeFile(path, size)) {
        std::fprintf(stderr, "cannot make %s\n", path.c_str());
        return 1;
    }
    std::printf("file %s, %lld bytes; pattern \"%s\" (%lld bytes), best of %d runs\n", path.c_str(),
                static_cast<long long>(size), kPattern, static_cast<long long>(kPatternLength),
                kRuns);

    // Bring the file into the page cache and make sure the pattern is absent.
    if (MemmemWholeFile(path, size) != -1) {
        std::fprintf(stderr, "the pattern occurs in the file or it cannot be mapped\n");
        return 1;
    }

    const Figure grep = Best([&] { return GrepCount(path); });
    const Figure mem = Best([&] { return MemmemWholeFile(path, size); });

    auto doc = std::make_unique<CallBackInfo>(nullptr);
    const std::wstring wide = std::filesystem::path(path).wstring();
    if (!doc->OpenFile(wide.c_str())) {
        std::fprintf(stderr, "cannot open %s as a document\n", path.c_str());
        return 1;
    }
    const Figure forward = Best([&] { return Forward(doc.get()); });
    const Figure backward = Best([&] { return Backward(doc.get()); });

    if (!ScatterEdits(doc.get())) {
        std::fprintf(stderr, "an edit failed\n");
        return 1;
    }
    const int64_t pieces = CountPieces(doc->m_p_data_plane);
    const Figure forward_edited = Best([&] { return Forward(doc.get()); });
    const Figure backward_edited = Best([&] { return Backward(doc.get()); });
    const int planted = CheckPlanted(doc.get());

    std::printf("\n");
    Print("grep -c -F (child process)", grep, size, 0);
    Print("memmem, whole file mapped", mem, size, grep.seconds);
    Print("Pelmora forward, unedited", forward, size, grep.seconds);
    Print("Pelmora backward, unedited", backward, size, grep.seconds);
    std::printf("-- after %d edits (%lld pieces) --\n", kEdits, static_cast<long long>(pieces));
    Print("Pelmora forward, edited", forward_edited, size, grep.seconds);
    Print("Pelmora backward, edited", backward_edited, size, grep.seconds);
    std::printf("\nbackward/forward: unedited %.2f, edited %.2f\n",
                forward.seconds / backward.seconds,
                forward_edited.seconds / backward_edited.seconds);
    const int absent = forward.result == -1 && backward.result == -1 &&
                       forward_edited.result == -1 && backward_edited.result == -1 &&
                       mem.result == -1 && grep.result == 0;
    auto fresh = std::make_unique<CallBackInfo>(nullptr);
    const int matchers = fresh->OpenFile(wide.c_str()) && MatcherFigures(fresh.get(), size);
    fresh.reset();
    const int replace = ReplaceFigures(path, size);
    if (!absent || !planted || !matchers || !replace) {
        std::printf("WRONG RESULT\n");
        return 1;
    }
    return 0;
}
