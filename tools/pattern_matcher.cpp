// Pattern matching within one buffer. Both scans report exactly the window a
// byte-by-byte comparison would: the lowest matching offset for First, the
// highest for Last.
#include "tools/pattern_matcher.h"

#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PELMORA_SSE2_SCAN 1
#include <emmintrin.h>
#endif

namespace {

#ifdef PELMORA_SSE2_SCAN

int HasSse2() {
#if defined(__x86_64__)
    return 1;
#else
    static const int has = __builtin_cpu_supports("sse2") ? 1 : 0;
    return has;
#endif
}

// Bit i set where window position at + i has both anchor bytes.
__attribute__((target("sse2"))) inline uint32_t AnchorMask16(const uint8_t* at, size_t anchor,
                                                             __m128i first, __m128i second) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + anchor));
    return static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, second))));
}

__attribute__((target("sse2"))) inline uint64_t AnchorMask64(const uint8_t* at, size_t anchor,
                                                             __m128i first, __m128i second) {
    return static_cast<uint64_t>(AnchorMask16(at, anchor, first, second)) |
           static_cast<uint64_t>(AnchorMask16(at + 16, anchor, first, second)) << 16 |
           static_cast<uint64_t>(AnchorMask16(at + 32, anchor, first, second)) << 32 |
           static_cast<uint64_t>(AnchorMask16(at + 48, anchor, first, second)) << 48;
}

// The lowest candidate of the mask (window positions from base) that matches in full.
inline int64_t LowestMatch(uint64_t mask, const uint8_t* data, size_t base, const uint8_t* p,
                           size_t n) {
    while (mask != 0) {
        const auto bit = static_cast<size_t>(__builtin_ctzll(mask));
        if (std::memcmp(data + base + bit, p, n) == 0)
            return static_cast<int64_t>(base + bit);
        mask &= mask - 1;
    }
    return -1;
}

inline int64_t HighestMatch(uint64_t mask, const uint8_t* data, size_t base, const uint8_t* p,
                            size_t n) {
    while (mask != 0) {
        const auto bit = static_cast<size_t>(63 - __builtin_clzll(mask));
        if (std::memcmp(data + base + bit, p, n) == 0)
            return static_cast<int64_t>(base + bit);
        mask &= ~(uint64_t{1} << bit);
    }
    return -1;
}

// Window positions 0 .. length - n; every load stays below data + length
// because a position plus the anchor index is at most length - 1.
__attribute__((target("sse2"))) int64_t VectorFirst(const uint8_t* data, size_t length,
                                                    const uint8_t* p, size_t n, size_t anchor) {
    const size_t positions = length - n + 1;
    const __m128i first = _mm_set1_epi8(static_cast<char>(p[0]));
    const __m128i second = _mm_set1_epi8(static_cast<char>(p[anchor]));
    size_t pos = 0;
    for (; pos + 64 <= positions; pos += 64) {
        const uint64_t mask = AnchorMask64(data + pos, anchor, first, second);
        if (mask != 0) {
            const int64_t r = LowestMatch(mask, data, pos, p, n);
            if (r >= 0)
                return r;
        }
    }
    for (; pos + 16 <= positions; pos += 16) {
        const uint32_t mask = AnchorMask16(data + pos, anchor, first, second);
        if (mask != 0) {
            const int64_t r = LowestMatch(mask, data, pos, p, n);
            if (r >= 0)
                return r;
        }
    }
    for (; pos < positions; ++pos)
        if (data[pos] == p[0] && data[pos + anchor] == p[anchor] &&
            std::memcmp(data + pos, p, n) == 0)
            return static_cast<int64_t>(pos);
    return -1;
}

__attribute__((target("sse2"))) int64_t VectorLast(const uint8_t* data, size_t length,
                                                   const uint8_t* p, size_t n, size_t anchor) {
    const __m128i first = _mm_set1_epi8(static_cast<char>(p[0]));
    const __m128i second = _mm_set1_epi8(static_cast<char>(p[anchor]));
    size_t end = length - n + 1; // positions below end are still to be tested
    for (; end >= 64; end -= 64) {
        const uint64_t mask = AnchorMask64(data + end - 64, anchor, first, second);
        if (mask != 0) {
            const int64_t r = HighestMatch(mask, data, end - 64, p, n);
            if (r >= 0)
                return r;
        }
    }
    for (; end >= 16; end -= 16) {
        const uint32_t mask = AnchorMask16(data + end - 16, anchor, first, second);
        if (mask != 0) {
            const int64_t r = HighestMatch(mask, data, end - 16, p, n);
            if (r >= 0)
                return r;
        }
    }
    while (end-- > 0)
        if (data[end] == p[0] && data[end + anchor] == p[anchor] &&
            std::memcmp(data + end, p, n) == 0)
            return static_cast<int64_t>(end);
    return -1;
}

#endif

} // namespace

PatternMatcher::PatternMatcher(const uint8_t* pattern, size_t n, int vector)
    : m_pattern(pattern, pattern + n) {
    // The second anchor: the last byte unlike the first, so that a run of one
    // value at the pattern's start does not make every position a candidate.
    m_n_anchor = n > 0 ? n - 1 : 0;
    for (size_t i = n; i-- > 1;) {
        if (pattern[i] != pattern[0]) {
            m_n_anchor = i;
            break;
        }
    }
#ifdef PELMORA_SSE2_SCAN
    m_b_vector = vector && HasSse2() ? 1 : 0;
#else
    (void)vector;
#endif
    for (size_t& skip : m_n_forward_skip)
        skip = n;
    for (size_t& skip : m_n_backward_skip)
        skip = n;
    for (size_t i = 0; i + 1 < n; ++i)
        m_n_forward_skip[pattern[i]] = n - 1 - i;
    for (size_t i = n; i-- > 1;)
        m_n_backward_skip[pattern[i]] = i;
}

int64_t PatternMatcher::First(const uint8_t* data, size_t length) const {
    const size_t n = m_pattern.size();
    if (n == 0 || length < n)
        return -1;
#ifdef PELMORA_SSE2_SCAN
    if (m_b_vector)
        return VectorFirst(data, length, m_pattern.data(), n, m_n_anchor);
#endif
    return PortableFirst(data, length);
}

int64_t PatternMatcher::Last(const uint8_t* data, size_t length) const {
    const size_t n = m_pattern.size();
    if (n == 0 || length < n)
        return -1;
#ifdef PELMORA_SSE2_SCAN
    if (m_b_vector)
        return VectorLast(data, length, m_pattern.data(), n, m_n_anchor);
#endif
    return PortableLast(data, length);
}

// Horspool on the window's last byte.
int64_t PatternMatcher::PortableFirst(const uint8_t* data, size_t length) const {
    const size_t n = m_pattern.size();
    const uint8_t* p = m_pattern.data();
    if (n == 1) {
        const void* hit = std::memchr(data, p[0], length);
        return hit == nullptr ? -1 : static_cast<const uint8_t*>(hit) - data;
    }
    const uint8_t last = p[n - 1];
    const size_t end = length - n;
    size_t pos = 0;
    while (pos <= end) {
        const uint8_t c = data[pos + n - 1];
        if (c == last && std::memcmp(data + pos, p, n - 1) == 0)
            return static_cast<int64_t>(pos);
        pos += m_n_forward_skip[c];
    }
    return -1;
}

// Horspool mirrored, on the window's first byte.
int64_t PatternMatcher::PortableLast(const uint8_t* data, size_t length) const {
    const size_t n = m_pattern.size();
    const uint8_t* p = m_pattern.data();
    const uint8_t first = p[0];
    auto pos = static_cast<int64_t>(length - n);
    while (pos >= 0) {
        const uint8_t c = data[pos];
        if (c == first && std::memcmp(data + pos + 1, p + 1, n - 1) == 0)
            return pos;
        pos -= static_cast<int64_t>(m_n_backward_skip[c]);
    }
    return -1;
}
