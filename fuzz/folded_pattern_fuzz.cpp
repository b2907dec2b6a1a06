// Fuzzes the case-insensitive matcher from any pattern bytes in each
// encoding: both scans agree, a match lies in the buffer with a length
// between the pattern's fewest and most bytes, every exact occurrence is
// also found (folding only adds matches), and a single-byte match differs
// from the pattern in ASCII letter case alone.
#include "tools/folded_pattern.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int64_t ExactFirst(const std::vector<uint8_t>& data, const std::vector<uint8_t>& pattern) {
    const auto it = std::search(data.begin(), data.end(), pattern.begin(), pattern.end());
    return it == data.end() ? -1 : it - data.begin();
}

int64_t ExactLast(const std::vector<uint8_t>& data, const std::vector<uint8_t>& pattern) {
    const auto it = std::find_end(data.begin(), data.end(), pattern.begin(), pattern.end());
    return it == data.end() ? -1 : it - data.begin();
}

uint8_t Lower(uint8_t b) {
    return b >= 'A' && b <= 'Z' ? static_cast<uint8_t>(b + 32) : b;
}

} // namespace

// Input: the encoding, the pattern's length, the pattern, then the data.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const auto encoding = static_cast<FoldEncoding>(data[0] % 5);
    const size_t n = std::min<size_t>(data[1] % 32, size - 2);
    const std::vector<uint8_t> pattern(data + 2, data + 2 + n);
    const std::vector<uint8_t> text(data + 2 + n, data + size);

    int64_t first[2], last[2];
    size_t first_length[2] = {}, last_length[2] = {};
    for (int vector = 0; vector < 2; ++vector) {
        const FoldedMatcher m(pattern.data(), n, encoding, vector);
        if (m.MinLength() > n || m.MaxLength() < n)
            std::abort();
        first[vector] = m.First(text.data(), text.size(), &first_length[vector]);
        last[vector] = m.Last(text.data(), text.size(), &last_length[vector]);
        for (int64_t p : {first[vector], last[vector]}) {
            const size_t length = p == first[vector] ? first_length[vector] : last_length[vector];
            if (p >= 0 && (length < m.MinLength() || length > m.MaxLength() ||
                           static_cast<size_t>(p) + length > text.size()))
                std::abort();
        }
    }
    if (first[0] != first[1] || last[0] != last[1] ||
        (first[0] >= 0 && (first_length[0] != first_length[1] || last_length[0] != last_length[1])))
        std::abort();
    if (first[0] > last[0])
        std::abort();
    if (n > 0) {
        const int64_t exact_first = ExactFirst(text, pattern);
        if (exact_first >= 0 &&
            (first[0] < 0 || first[0] > exact_first || last[0] < ExactLast(text, pattern)))
            std::abort();
    }
    if (encoding == kFoldAnsi && first[0] >= 0) {
        for (size_t i = 0; i < n; ++i)
            if (Lower(text[static_cast<size_t>(first[0]) + i]) != Lower(pattern[i]))
                std::abort();
    }
    return 0;
}
