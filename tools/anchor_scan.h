// The candidate scan shared by the masked and the case-folding matchers: the
// window positions where two anchor bytes each pass one of a few (value,
// mask) tests, 64 positions at a time where the processor has SSE2, each
// candidate then checked in full by the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PELMORA_ANCHOR_SSE2 1
#include <emmintrin.h>
#endif

namespace anchor_scan {

// A byte at a fixed distance from a window's start; it passes when
// (byte & m_masks[k]) == m_values[k] for some k below m_n_count (1 to 4).
struct Anchor {
    size_t m_n_offset = 0;
    int m_n_count = 1;
    uint8_t m_values[4] = {};
    uint8_t m_masks[4] = {};

    bool Passes(uint8_t b) const {
        for (int k = 0; k < m_n_count; ++k)
            if ((b & m_masks[k]) == m_values[k])
                return true;
        return false;
    }
};

inline int HasSse2() {
#if defined(__x86_64__)
    return 1;
#elif defined(PELMORA_ANCHOR_SSE2)
    static const int has = __builtin_cpu_supports("sse2") ? 1 : 0;
    return has;
#else
    return 0;
#endif
}

// The scans test window positions 0 .. positions - 1 and return the lowest
// (First) or highest (Last) one where both anchors pass and check(position)
// is true, or -1. The caller keeps every anchor byte inside the buffer:
// positions - 1 + offset < length for both anchors.

template <class Check>
int64_t PortableFirst(const uint8_t* data, size_t positions, const Anchor& a, const Anchor& b,
                      Check& check) {
    const uint8_t* pa = data + a.m_n_offset;
    const uint8_t* pb = data + b.m_n_offset;
    const bool exact = a.m_n_count == 1 && a.m_masks[0] == 0xFF;
    for (size_t pos = 0; pos < positions; ++pos) {
        if (exact) {
            const void* hit = std::memchr(pa + pos, a.m_values[0], positions - pos);
            if (hit == nullptr)
                return -1;
            pos = static_cast<size_t>(static_cast<const uint8_t*>(hit) - pa);
        } else if (!a.Passes(pa[pos])) {
            continue;
        }
        if (b.Passes(pb[pos]) && check(pos))
            return static_cast<int64_t>(pos);
    }
    return -1;
}

template <class Check>
int64_t PortableLast(const uint8_t* data, size_t positions, const Anchor& a, const Anchor& b,
                     Check& check) {
    const uint8_t* pa = data + a.m_n_offset;
    const uint8_t* pb = data + b.m_n_offset;
    for (size_t pos = positions; pos-- > 0;)
        if (a.Passes(pa[pos]) && b.Passes(pb[pos]) && check(pos))
            return static_cast<int64_t>(pos);
    return -1;
}

#ifdef PELMORA_ANCHOR_SSE2

// Bit i set where position i of the 16 has both anchors passing.
template <int KA, int KB>
__attribute__((target("sse2"), always_inline)) inline uint32_t
Mask16(const uint8_t* pa, const uint8_t* pb, const __m128i* va, const __m128i* ma,
       const __m128i* vb, const __m128i* mb) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pa));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pb));
    __m128i hx = _mm_cmpeq_epi8(_mm_and_si128(x, ma[0]), va[0]);
    for (int k = 1; k < KA; ++k)
        hx = _mm_or_si128(hx, _mm_cmpeq_epi8(_mm_and_si128(x, ma[k]), va[k]));
    __m128i hy = _mm_cmpeq_epi8(_mm_and_si128(y, mb[0]), vb[0]);
    for (int k = 1; k < KB; ++k)
        hy = _mm_or_si128(hy, _mm_cmpeq_epi8(_mm_and_si128(y, mb[k]), vb[k]));
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_and_si128(hx, hy)));
}

// Tests of fewer than K entries are repeated, which changes no result.
#define PELMORA_ANCHOR_VECTORS                                                                     \
    __m128i va[KA], ma[KA], vb[KB], mb[KB];                                                        \
    for (int k = 0; k < KA; ++k) {                                                                 \
        va[k] = _mm_set1_epi8(static_cast<char>(a.m_values[k % a.m_n_count]));                     \
        ma[k] = _mm_set1_epi8(static_cast<char>(a.m_masks[k % a.m_n_count]));                      \
    }                                                                                              \
    for (int k = 0; k < KB; ++k) {                                                                 \
        vb[k] = _mm_set1_epi8(static_cast<char>(b.m_values[k % b.m_n_count]));                     \
        mb[k] = _mm_set1_epi8(static_cast<char>(b.m_masks[k % b.m_n_count]));                      \
    }                                                                                              \
    const uint8_t* pa = data + a.m_n_offset;                                                       \
    const uint8_t* pb = data + b.m_n_offset;

template <int KA, int KB, class Check>
__attribute__((target("sse2"))) int64_t
VectorFirst(const uint8_t* data, size_t positions, const Anchor& a, const Anchor& b, Check& check) {
    PELMORA_ANCHOR_VECTORS
    size_t pos = 0;
    for (; pos + 64 <= positions; pos += 64) {
        uint64_t mask = 0;
        for (int q = 0; q < 4; ++q)
            mask |= static_cast<uint64_t>(
                        Mask16<KA, KB>(pa + pos + 16 * q, pb + pos + 16 * q, va, ma, vb, mb))
                    << (16 * q);
        for (; mask != 0; mask &= mask - 1) {
            const size_t at = pos + static_cast<size_t>(__builtin_ctzll(mask));
            if (check(at))
                return static_cast<int64_t>(at);
        }
    }
    for (; pos + 16 <= positions; pos += 16) {
        for (uint32_t mask = Mask16<KA, KB>(pa + pos, pb + pos, va, ma, vb, mb); mask != 0;
             mask &= mask - 1) {
            const size_t at = pos + static_cast<size_t>(__builtin_ctz(mask));
            if (check(at))
                return static_cast<int64_t>(at);
        }
    }
    for (; pos < positions; ++pos)
        if (a.Passes(pa[pos]) && b.Passes(pb[pos]) && check(pos))
            return static_cast<int64_t>(pos);
    return -1;
}

template <int KA, int KB, class Check>
__attribute__((target("sse2"))) int64_t VectorLast(const uint8_t* data, size_t positions,
                                                   const Anchor& a, const Anchor& b, Check& check) {
    PELMORA_ANCHOR_VECTORS
    size_t end = positions; // positions below end are still to be tested
    for (; end >= 64; end -= 64) {
        const size_t base = end - 64;
        uint64_t mask = 0;
        for (int q = 0; q < 4; ++q)
            mask |= static_cast<uint64_t>(
                        Mask16<KA, KB>(pa + base + 16 * q, pb + base + 16 * q, va, ma, vb, mb))
                    << (16 * q);
        while (mask != 0) {
            const auto bit = static_cast<size_t>(63 - __builtin_clzll(mask));
            if (check(base + bit))
                return static_cast<int64_t>(base + bit);
            mask &= ~(uint64_t{1} << bit);
        }
    }
    for (; end >= 16; end -= 16) {
        const size_t base = end - 16;
        uint32_t mask = Mask16<KA, KB>(pa + base, pb + base, va, ma, vb, mb);
        while (mask != 0) {
            const auto bit = static_cast<size_t>(31 - __builtin_clz(mask));
            if (check(base + bit))
                return static_cast<int64_t>(base + bit);
            mask &= ~(1u << bit);
        }
    }
    while (end-- > 0)
        if (a.Passes(pa[end]) && b.Passes(pb[end]) && check(end))
            return static_cast<int64_t>(end);
    return -1;
}

#undef PELMORA_ANCHOR_VECTORS

// The vector width of a test count: 1, 2 or 4 (3 runs as 4).
inline int Width(int count) {
    return count <= 1 ? 1 : count == 2 ? 2 : 4;
}

#define PELMORA_ANCHOR_DISPATCH(name)                                                              \
    switch (Width(a.m_n_count) * 8 + Width(b.m_n_count)) {                                         \
    case 9:                                                                                        \
        return name<1, 1>(data, positions, a, b, check);                                           \
    case 10:                                                                                       \
        return name<1, 2>(data, positions, a, b, check);                                           \
    case 12:                                                                                       \
        return name<1, 4>(data, positions, a, b, check);                                           \
    case 17:                                                                                       \
        return name<2, 1>(data, positions, a, b, check);                                           \
    case 18:                                                                                       \
        return name<2, 2>(data, positions, a, b, check);                                           \
    case 20:                                                                                       \
        return name<2, 4>(data, positions, a, b, check);                                           \
    case 33:                                                                                       \
        return name<4, 1>(data, positions, a, b, check);                                           \
    case 34:                                                                                       \
        return name<4, 2>(data, positions, a, b, check);                                           \
    default:                                                                                       \
        return name<4, 4>(data, positions, a, b, check);                                           \
    }

#endif

template <class Check>
int64_t First(const uint8_t* data, size_t positions, const Anchor& a, const Anchor& b, int vector,
              Check& check) {
#ifdef PELMORA_ANCHOR_SSE2
    if (vector)
        PELMORA_ANCHOR_DISPATCH(VectorFirst)
#else
    (void)vector;
#endif
    return PortableFirst(data, positions, a, b, check);
}

template <class Check>
int64_t Last(const uint8_t* data, size_t positions, const Anchor& a, const Anchor& b, int vector,
             Check& check) {
#ifdef PELMORA_ANCHOR_SSE2
    if (vector)
        PELMORA_ANCHOR_DISPATCH(VectorLast)
#else
    (void)vector;
#endif
    return PortableLast(data, positions, a, b, check);
}

#ifdef PELMORA_ANCHOR_SSE2
#undef PELMORA_ANCHOR_DISPATCH
#endif

} // namespace anchor_scan
