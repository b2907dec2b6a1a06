// SHA-256 with the SHA-NI instructions: the state kept as the ABEF and CDGH
// halves the instructions work on, two rounds per sha256rnds2, the message
// schedule by sha256msg1 and sha256msg2, 64-byte blocks with the standard
// padding around them.
#include "tools/sha256_ni.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define PELMORA_SHA_NI 1
#endif

#ifdef PELMORA_SHA_NI

namespace {

alignas(16) const uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

__attribute__((target("sha,ssse3,sse4.1"))) void Blocks(uint32_t state[8], const uint8_t* data,
                                                        size_t blocks) {
    const __m128i swap = _mm_set_epi64x(0x0c0d0e0f08090a0bll, 0x0405060700010203ll);
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0]));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4]));
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abef_before = abef;
        const __m128i cdgh_before = cdgh;
        __m128i w[4];
        for (int g = 0; g < 16; ++g) {
            __m128i words;
            if (g < 4) {
                words = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * g)), swap);
            } else {
                // W[g] from W[g-4], W[g-3], W[g-2] and W[g-1], four words at a time.
                const __m128i last = w[(g - 1) & 3];
                words = _mm_sha256msg1_epu32(w[g & 3], w[(g - 3) & 3]);
                words = _mm_add_epi32(words, _mm_alignr_epi8(last, w[(g - 2) & 3], 4));
                words = _mm_sha256msg2_epu32(words, last);
            }
            w[g & 3] = words;
            __m128i message = _mm_add_epi32(
                words, _mm_load_si128(reinterpret_cast<const __m128i*>(&kRoundConstants[4 * g])));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
            message = _mm_shuffle_epi32(message, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
        }
        abef = _mm_add_epi32(abef, abef_before);
        cdgh = _mm_add_epi32(cdgh, cdgh_before);
    }
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    dcba = _mm_blend_epi16(feba, dchg, 0xF0);
    hgfe = _mm_alignr_epi8(dchg, feba, 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), dcba);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), hgfe);
}

class Sha256NiDigest : public Digest {
  public:
    void Update(const uint8_t* bytes, size_t count) override {
        m_n_total += count;
        if (m_n_pending > 0) {
            const size_t n = count < 64 - m_n_pending ? count : 64 - m_n_pending;
            std::memcpy(m_pending + m_n_pending, bytes, n);
            m_n_pending += n;
            bytes += n;
            count -= n;
            if (m_n_pending < 64)
                return;
            Blocks(m_state, m_pending, 1);
            m_n_pending = 0;
        }
        Blocks(m_state, bytes, count / 64);
        m_n_pending = count % 64;
        std::memcpy(m_pending, bytes + count - m_n_pending, m_n_pending);
    }

    std::string Final() override {
        const uint64_t bits = m_n_total * 8;
        uint8_t tail[128] = {};
        std::memcpy(tail, m_pending, m_n_pending);
        tail[m_n_pending] = 0x80;
        const size_t length = m_n_pending < 56 ? 64 : 128;
        for (int i = 0; i < 8; ++i)
            tail[length - 1 - i] = static_cast<uint8_t>(bits >> (8 * i));
        Blocks(m_state, tail, length / 64);
        uint8_t value[32];
        for (int i = 0; i < 8; ++i)
            for (int k = 0; k < 4; ++k)
                value[4 * i + k] = static_cast<uint8_t>(m_state[i] >> (24 - 8 * k));
        return HexOfBytes(value, sizeof(value));
    }

  private:
    uint32_t m_state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                           0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    uint8_t m_pending[64] = {};
    size_t m_n_pending = 0;
    uint64_t m_n_total = 0;
};

} // namespace

int Sha256NiAvailable() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSE4_1) || !(c & bit_SSSE3))
        return 0;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d))
        return 0;
    return (b & (1u << 29)) ? 1 : 0; // SHA
}

std::unique_ptr<Digest> MakeSha256NiDigest() {
    return Sha256NiAvailable() ? std::make_unique<Sha256NiDigest>() : nullptr;
}

#else

int Sha256NiAvailable() {
    return 0;
}

std::unique_ptr<Digest> MakeSha256NiDigest() {
    return nullptr;
}

#endif
