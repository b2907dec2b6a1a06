// What the search benchmarks share: the random bytes their files are made
// of, the best of several timed runs with the heap they took, and `grep -c -F`
// run as a child process for the reference figure.
#pragma once

#include "bench/peak_heap.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace search_bench {

inline double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Fills the block with random-ish words (xorshift64*), going on from state.
inline void FillRandom(std::vector<uint64_t>* block, uint64_t* state) {
    uint64_t x = *state;
    for (uint64_t& w : *block) {
        x ^= x >> 12;
        x ^= x << 25;
        x ^= x >> 27;
        w = x * 0x2545F4914F6CDD1Dull;
    }
    *state = x;
}

struct Figure {
    double seconds = 1e30;
    int64_t result = -2;
    int64_t peak_heap = 0; // bytes the run allocated beyond what was held before
};

// The fastest of runs runs, with the last result and the largest heap taken.
inline Figure Best(const std::function<int64_t()>& run, int runs) {
    Figure best;
    for (int i = 0; i < runs; ++i) {
        const int64_t before = peak_heap::Reset();
        const auto t0 = std::chrono::steady_clock::now();
        const int64_t r = run();
        const double s = Seconds(std::chrono::steady_clock::now() - t0);
        best.peak_heap = std::max(best.peak_heap, peak_heap::Peak() - before);
        best.result = r;
        best.seconds = std::min(best.seconds, s);
    }
    return best;
}

// grep -c -F of pattern as a child process (C locale, no shell; with as_text
// also -a); the count of lines with a match it printed, or -2 when it could
// not run.
inline int64_t GrepCount(const std::string& path, const char* pattern, bool as_text) {
    int out[2];
    if (::pipe(out) != 0)
        return -2;
    const pid_t child = ::fork();
    if (child < 0)
        return -2;
    if (child == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::close(out[1]);
        ::setenv("LC_ALL", "C", 1);
        std::vector<const char*> argv = {"grep", "-c"};
        if (as_text)
            argv.push_back("-a");
        for (const char* a : {"-F", "-e", pattern, path.c_str()})
            argv.push_back(a);
        argv.push_back(nullptr);
        ::execvp("grep", const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    ::close(out[1]);
    char text[64] = {};
    size_t got = 0;
    ssize_t r;
    while (got + 1 < sizeof text && (r = ::read(out[0], text + got, sizeof text - 1 - got)) > 0)
        got += static_cast<size_t>(r);
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    // grep exits with 1 when nothing matched.
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1 || got == 0)
        return -2;
    return std::strtoll(text, nullptr, 10);
}

} // namespace search_bench
