// Speed of the masked and case-insensitive matchers over one buffer in
// memory, beside the exact PatternMatcher on the same buffer and pattern
// (goal: at most 2.0 times its time) and memmem as the standard. Every engine
// counts all matches by searching on from one past each; the few planted
// ones keep the counts comparable.
//
//   match_bench [size in MiB (default 256)]
//
// Random bytes for the hex patterns; random words of ASCII letters for the
// text (as single bytes, UTF-8 and UTF-16LE) and of Cyrillic letters in
// UTF-8. Each figure is the best of three runs.
#include "tools/folded_pattern.h"
#include "tools/masked_pattern.h"
#include "tools/pattern_matcher.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 3;

struct Xorshift {
    uint64_t x = 0x9E3779B97F4A7C15ull;
    uint64_t Next() {
        x ^= x >> 12;
        x ^= x << 25;
        x ^= x >> 27;
        return x * 0x2545F4914F6CDD1Dull;
    }
};

// Counts the matches of a first-match function over the whole buffer.
using FirstFn = std::function<int64_t(const uint8_t*, size_t)>;
int64_t CountAll(const std::vector<uint8_t>& data, const FirstFn& first) {
    int64_t count = 0;
    size_t pos = 0;
    while (pos < data.size()) {
        const int64_t p = first(data.data() + pos, data.size() - pos);
        if (p < 0)
            break;
        ++count;
        pos += static_cast<size_t>(p) + 1;
    }
    return count;
}

struct Figure {
    double seconds = 1e30;
    int64_t count = -1;
};

Figure Best(const std::vector<uint8_t>& data, const FirstFn& first) {
    Figure best;
    for (int i = 0; i < kRuns; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        best.count = CountAll(data, first);
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        best.seconds = std::min(best.seconds, s);
    }
    return best;
}

void Print(const char* what, const Figure& f, size_t bytes, const Figure* exact,
           const Figure& memmem) {
    std::printf("  %-34s %8.1f ms %8.0f MB/s  %5.2fx memmem", what, f.seconds * 1e3,
                static_cast<double>(bytes) / 1e6 / f.seconds, f.seconds / memmem.seconds);
    if (exact != nullptr)
        std::printf("  %5.2fx exact", f.seconds / exact->seconds);
    std::printf("  %lld matches\n", static_cast<long long>(f.count));
}

FirstFn Memmem(const std::vector<uint8_t>& pattern) {
    return [pattern](const uint8_t* d, size_t n) -> int64_t {
        const void* hit = ::memmem(d, n, pattern.data(), pattern.size());
        return hit == nullptr ? -1 : static_cast<const uint8_t*>(hit) - d;
    };
}

FirstFn Exact(const PatternMatcher& m) {
    return [&m](const uint8_t* d, size_t n) { return m.First(d, n); };
}

// One comparison: memmem and the exact matcher on the exact pattern, then
// the folded or masked engine.
void Compare(const char* title, const std::vector<uint8_t>& data,
             const std::vector<uint8_t>& exact_pattern, const char* engine, const FirstFn& first) {
    std::printf("%s\n", title);
    const Figure mm = Best(data, Memmem(exact_pattern));
    const PatternMatcher exact(exact_pattern.data(), exact_pattern.size());
    const Figure ex = Best(data, Exact(exact));
    const Figure f = Best(data, first);
    Print("memmem (exact)", mm, data.size(), nullptr, mm);
    Print("PatternMatcher (exact)", ex, data.size(), nullptr, mm);
    Print(engine, f, data.size(), &ex, mm);
}

// Random words of the letters, with a space after each; every 64 KiB one of
// the planted texts.
std::vector<uint32_t> Words(size_t characters, const std::vector<uint32_t>& letters,
                            const std::vector<std::vector<uint32_t>>& planted, Xorshift* rng) {
    std::vector<uint32_t> text;
    text.reserve(characters + 64);
    size_t next_plant = 65536;
    while (text.size() < characters) {
        if (text.size() >= next_plant) {
            const auto& p = planted[(next_plant / 65536) % planted.size()];
            text.insert(text.end(), p.begin(), p.end());
            next_plant += 65536;
        }
        const size_t length = 2 + rng->Next() % 9;
        for (size_t i = 0; i < length; ++i)
            text.push_back(letters[rng->Next() % letters.size()]);
        text.push_back(' ');
    }
    return text;
}

std::vector<uint8_t> Encoded(const std::vector<uint32_t>& text, FoldEncoding encoding) {
    std::vector<uint8_t> out;
    out.reserve(text.size() * (encoding == kFoldUtf16Le ? 2 : 1));
    for (uint32_t c : text) {
        if (encoding == kFoldUtf16Le) {
            out.push_back(static_cast<uint8_t>(c));
            out.push_back(static_cast<uint8_t>(c >> 8));
        } else if (encoding == kFoldUtf8 && c >= 0x80) { // two-byte forms only here
            out.push_back(static_cast<uint8_t>(0xC0 | c >> 6));
            out.push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<uint8_t>(c));
        }
    }
    return out;
}

std::vector<uint32_t> Points(const char* ascii) {
    return std::vector<uint32_t>(ascii, ascii + std::strlen(ascii));
}

} // namespace

int main(int argc, char** argv) {
    const size_t mib = argc > 1 ? static_cast<size_t>(std::atoll(argv[1])) : 256;
    const size_t size = std::max<size_t>(mib, 1) << 20;
    Xorshift rng;

    {
        std::vector<uint8_t> data(size);
        for (size_t i = 0; i + 8 <= size; i += 8) {
            const uint64_t w = rng.Next();
            std::memcpy(data.data() + i, &w, 8);
        }
        for (size_t at = 4096; at + 4 <= size; at += 1 << 20) { // DE AD xx EF now and then
            const uint8_t planted[4] = {0xDE, 0xAD, static_cast<uint8_t>(at >> 20), 0xEF};
            std::memcpy(data.data() + at, planted, 4);
        }
        MaskedPattern masked;
        std::wstring reason;
        ParseMaskedHex(L"DEAD??EF", &masked, &reason);
        const MaskedMatcher m(masked);
        Compare("Masked hex DE AD ?? EF over random bytes (exact: DE AD BE EF)", data,
                {0xDE, 0xAD, 0xBE, 0xEF}, "MaskedMatcher DEAD??EF",
                [&m](const uint8_t* d, size_t n) { return m.First(d, n); });
    }

    std::vector<uint32_t> letters;
    for (uint32_t c = 'a'; c <= 'z'; ++c) {
        letters.push_back(c);
        if (c % 4 == 0)
            letters.push_back(c - 32); // some capitals
    }
    const std::vector<std::vector<uint32_t>> planted = {
        Points("Pelmora needle"), Points("PELMORA NEEDLE"), Points("Server Needle")};
    const std::vector<uint32_t> text = Words(size, letters, planted, &rng);
    const struct {
        FoldEncoding encoding;
        const char* title;
        const char* engine;
    } texts[] = {
        {kFoldAnsi, "Text \"pelmora needle\", single-byte, without case", "FoldedMatcher ANSI"},
        {kFoldUtf8, "Text \"pelmora needle\", UTF-8, without case", "FoldedMatcher UTF-8"},
        {kFoldUtf16Le, "Text \"pelmora needle\", UTF-16LE (twice the bytes), without case",
         "FoldedMatcher UTF-16LE"},
    };
    for (const auto& t : texts) {
        const std::vector<uint8_t> data = Encoded(text, t.encoding);
        const std::vector<uint8_t> pattern = Encoded(Points("pelmora needle"), t.encoding);
        const FoldedMatcher m(pattern.data(), pattern.size(), t.encoding);
        size_t length = 0;
        Compare(t.title, data, pattern, t.engine,
                [&](const uint8_t* d, size_t n) { return m.First(d, n, &length); });
        if (t.encoding == kFoldUtf8) { // "s" has a two-byte form (LONG S) too
            const std::vector<uint8_t> s_pattern = Encoded(Points("server needle"), t.encoding);
            const FoldedMatcher s(s_pattern.data(), s_pattern.size(), t.encoding);
            Compare("Text \"server needle\", UTF-8, without case", data, s_pattern, t.engine,
                    [&](const uint8_t* d, size_t n) { return s.First(d, n, &length); });
        }
    }

    std::vector<uint32_t> cyrillic;
    for (uint32_t c = 0x430; c < 0x450; ++c) {
        cyrillic.push_back(c);
        if (c % 4 == 0)
            cyrillic.push_back(c - 32);
    }
    const std::vector<uint32_t> word = {0x43F, 0x435, 0x43B, 0x44C, 0x43C, 0x43E, 0x440, 0x430};
    std::vector<uint32_t> upper = word;
    for (uint32_t& c : upper)
        c -= 32;
    const std::vector<uint8_t> data =
        Encoded(Words(size / 2, cyrillic, {word, upper}, &rng), kFoldUtf8);
    const std::vector<uint8_t> pattern = Encoded(word, kFoldUtf8);
    const FoldedMatcher m(pattern.data(), pattern.size(), kFoldUtf8);
    size_t length = 0;
    Compare("Cyrillic text, UTF-8, without case", data, pattern, "FoldedMatcher UTF-8",
            [&](const uint8_t* d, size_t n) { return m.First(d, n, &length); });
    return 0;
}
