// Bookmarks at scale: with N bookmarks (100,000 by default) on a 64 MiB
// document, the time to add one, to move them all through an edit (one byte
// inserted at the start, and its undo), to find the marks of one screen
// (2,400 bytes) for drawing, and to write the store file safely.
//   bookmark_bench [count] [folder for the store file]
#include "data/document.h"
#include "tools/bookmark_text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Report(const char* what, const std::vector<double>& runs, double goal) {
    const double median = Median(runs);
    std::printf("%-44s median %8.3f ms, worst %8.3f ms (goal < %.0f ms)%s\n", what, median,
                *std::max_element(runs.begin(), runs.end()), goal, median < goal ? "" : "  OVER");
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const char* env_dir = std::getenv("PELMORA_BENCH_DIR");
    const std::string folder = argc > 2 ? argv[2] : env_dir != nullptr ? env_dir : "/tmp";
    constexpr int64_t kSize = 64ll << 20;

    CallBackInfo doc(nullptr);
    doc.m_p_data_plane = new CDataPlane(kSize);
    doc.m_n_data_size = kSize;
    BookmarkSet set;
    set.Attach(&doc);
    std::mt19937_64 rng(7);
    for (int i = 0; i < count; ++i) {
        const int64_t first = static_cast<int64_t>(rng() % static_cast<uint64_t>(kSize - 64));
        const int64_t length = static_cast<int64_t>(1 + rng() % 64);
        set.Add(first, length, L"mark " + std::to_wstring(i), i % 10 == 0 ? L"a note" : L"");
    }
    std::printf("%d bookmarks on a %lld MiB document\n", count,
                static_cast<long long>(kSize >> 20));

    std::vector<double> runs;
    for (int i = 0; i < 50; ++i) {
        const int64_t at = static_cast<int64_t>(rng() % static_cast<uint64_t>(kSize - 16));
        const auto t0 = Clock::now();
        const uint64_t id = set.Add(at, 16, L"added", L"");
        runs.push_back(Ms(t0));
        set.Remove(id);
    }
    Report("add one", runs, 16);

    runs.clear();
    std::vector<double> undo_runs;
    const uint8_t byte = 0x42;
    for (int i = 0; i < 20; ++i) {
        auto t0 = Clock::now();
        if (!doc.Insert(0, &byte, 1)) {
            std::printf("the insertion failed\n");
            return 1;
        }
        runs.push_back(Ms(t0));
        t0 = Clock::now();
        doc.Undo(nullptr);
        undo_runs.push_back(Ms(t0));
    }
    Report("move all: insert a byte at the start", runs, 16);
    Report("move all: undo that insertion", undo_runs, 16);

    runs.clear();
    size_t found = 0;
    std::vector<std::pair<int64_t, int64_t>> marks;
    for (int i = 0; i < 200; ++i) {
        const int64_t top = static_cast<int64_t>(rng() % static_cast<uint64_t>(kSize - 2400));
        marks.clear();
        const auto t0 = Clock::now();
        found += set.MarksIn(top, top + 2399, &marks);
        runs.push_back(Ms(t0));
    }
    Report("marks of one screen (2,400 bytes)", runs, 16);
    std::printf("%44s %.1f marks a screen on average\n", "", static_cast<double>(found) / 200);

    runs.clear();
    for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        const std::string text = BookmarkStoreText(set, kSize, 0);
        runs.push_back(Ms(t0));
    }
    Report("store text built", runs, 100);

    runs.clear();
    std::wstring wide_folder(folder.begin(), folder.end());
    size_t bytes = 0;
    for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        const std::string text = BookmarkStoreText(set, kSize, 0);
        if (!WriteBookmarkStore(wide_folder, L"bookmark_bench_store.txt", text)) {
            std::printf("cannot write the store into %s\n", folder.c_str());
            return 1;
        }
        runs.push_back(Ms(t0));
        bytes = text.size();
    }
    Report("store text built and written (flushed)", runs, 100);
    std::printf("%44s %zu bytes\n", "", bytes);
    std::remove((folder + "/bookmark_bench_store.txt").c_str());
    return 0;
}
