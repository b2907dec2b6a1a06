// CRC-32C by SSE4.2's crc32 instruction, eight bytes a step, when the
// processor has it; otherwise eight table lookups per eight bytes.
#include "tools/crc32c.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PELMORA_CRC32C_X86 1
#endif

namespace {

constexpr uint32_t kPolynomial = 0x82F63B78u; // reflected Castagnoli

struct Tables {
    uint32_t m_n[8][256];
    Tables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ kPolynomial : c >> 1;
            m_n[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int t = 1; t < 8; ++t)
                m_n[t][i] = (m_n[t - 1][i] >> 8) ^ m_n[0][m_n[t - 1][i] & 0xFF];
    }
};

const Tables& TheTables() {
    static const Tables tables;
    return tables;
}

#ifdef PELMORA_CRC32C_X86
__attribute__((target("sse4.2"))) uint32_t Crc32cHardware(uint32_t crc, const uint8_t* p,
                                                          size_t n) {
    while (n > 0 && (reinterpret_cast<uintptr_t>(p) & 7) != 0) {
        crc = _mm_crc32_u8(crc, *p++);
        --n;
    }
#ifdef __x86_64__
    uint64_t c = crc;
    for (; n >= 8; n -= 8, p += 8) {
        uint64_t v;
        std::memcpy(&v, p, 8);
        c = _mm_crc32_u64(c, v);
    }
    crc = static_cast<uint32_t>(c);
#else
    for (; n >= 4; n -= 4, p += 4) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        crc = _mm_crc32_u32(crc, v);
    }
#endif
    for (; n > 0; --n)
        crc = _mm_crc32_u8(crc, *p++);
    return crc;
}

int HasSse42() {
    static const int has = __builtin_cpu_supports("sse4.2") ? 1 : 0;
    return has;
}
#endif

} // namespace

uint32_t Crc32cPortable(uint32_t crc, const uint8_t* p, size_t n) {
    const Tables& t = TheTables();
    crc = ~crc;
    for (; n >= 8; n -= 8, p += 8) {
        const uint32_t lo = crc ^ (uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                   uint32_t{p[3]} << 24);
        crc = t.m_n[7][lo & 0xFF] ^ t.m_n[6][(lo >> 8) & 0xFF] ^ t.m_n[5][(lo >> 16) & 0xFF] ^
              t.m_n[4][lo >> 24] ^ t.m_n[3][p[4]] ^ t.m_n[2][p[5]] ^ t.m_n[1][p[6]] ^
              t.m_n[0][p[7]];
    }
    for (; n > 0; --n)
        crc = (crc >> 8) ^ t.m_n[0][(crc ^ *p++) & 0xFF];
    return ~crc;
}

uint32_t Crc32c(uint32_t crc, const uint8_t* bytes, size_t count) {
#ifdef PELMORA_CRC32C_X86
    if (HasSse42())
        return ~Crc32cHardware(~crc, bytes, count);
#endif
    return Crc32cPortable(crc, bytes, count);
}
