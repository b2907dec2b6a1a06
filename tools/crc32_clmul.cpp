// CRC-32 folded 512 bits at a time with carry-less multiplications, then
// folded down to 128 and 64 bits and reduced to 32 by Barrett's method, with
// the bit-reflected constants of the folding method for this polynomial
// (x^n mod P for the fold distances, P itself and floor(x^64 / P)).
// Lengths under 64 and the tail after the last 16 bytes go to zlib.
#include "tools/crc32_clmul.h"

#include <zlib.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define PELMORA_CRC32_CLMUL 1
#endif

namespace {

uint32_t Crc32Zlib(uint32_t crc, const uint8_t* bytes, size_t count) {
    constexpr size_t kPiece = size_t{1} << 30; // zlib counts in 32 bits
    for (size_t n = 0; count > 0; bytes += n, count -= n) {
        n = count < kPiece ? count : kPiece;
        crc = static_cast<uint32_t>(crc32(crc, bytes, static_cast<uInt>(n)));
    }
    return crc;
}

#ifdef PELMORA_CRC32_CLMUL

alignas(16) const uint64_t kFold512[2] = {0x0154442bd4ull, 0x01c6e41596ull};
alignas(16) const uint64_t kFold128[2] = {0x01751997d0ull, 0x00ccaa009eull};
alignas(16) const uint64_t kFold64[2] = {0x0163cd6124ull, 0};
alignas(16) const uint64_t kBarrett[2] = {0x01db710641ull, 0x01f7011641ull};

__attribute__((target("pclmul,sse4.1"))) inline __m128i Load(const uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// x carried 128 bits further along the message, with the next 16 bytes added.
__attribute__((target("pclmul,sse4.1"))) inline __m128i FoldInto(__m128i x, __m128i k,
                                                                 __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(x, k, 0x00);
    const __m128i high = _mm_clmulepi64_si128(x, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

// count is at least 64 and a multiple of 16; crc is the inverted running value.
__attribute__((target("pclmul,sse4.1"))) uint32_t Fold(const uint8_t* p, size_t count,
                                                       uint32_t crc) {
    __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load(p + 16);
    __m128i x3 = Load(p + 32);
    __m128i x4 = Load(p + 48);
    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold512));
    p += 64;
    count -= 64;
    for (; count >= 64; p += 64, count -= 64) {
        x1 = FoldInto(x1, k, Load(p));
        x2 = FoldInto(x2, k, Load(p + 16));
        x3 = FoldInto(x3, k, Load(p + 32));
        x4 = FoldInto(x4, k, Load(p + 48));
    }
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold128));
    x1 = FoldInto(x1, k, x2);
    x1 = FoldInto(x1, k, x3);
    x1 = FoldInto(x1, k, x4);
    for (; count >= 16; p += 16, count -= 16)
        x1 = FoldInto(x1, k, Load(p));
    // 128 bits to 64.
    const __m128i mask = _mm_setr_epi32(~0, 0, ~0, 0);
    x2 = _mm_clmulepi64_si128(x1, k, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask), k, 0x00), x2);
    // Barrett reduction to 32 bits.
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, mask), k, 0x10);
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, mask), k, 0x00);
    x1 = _mm_xor_si128(x1, x2);
    return static_cast<uint32_t>(_mm_extract_epi32(x1, 1));
}

#endif

} // namespace

int Crc32ClmulAvailable() {
#ifdef PELMORA_CRC32_CLMUL
    static const int available = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_PCLMUL) && (c & bit_SSE4_1) ? 1 : 0;
    }();
    return available;
#else
    return 0;
#endif
}

uint32_t Crc32Fast(uint32_t crc, const uint8_t* bytes, size_t count) {
#ifdef PELMORA_CRC32_CLMUL
    if (count >= 64 && Crc32ClmulAvailable()) {
        const size_t folded = count & ~size_t{15};
        crc = ~Fold(bytes, folded, ~crc);
        bytes += folded;
        count -= folded;
    }
#endif
    return Crc32Zlib(crc, bytes, count);
}
