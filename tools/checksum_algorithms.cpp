// The checksums computed here (CRC-32, zlib's Adler-32, CRC-32C, the
// xxHash library's XXH3) and the digests handed to the platform half.
#include "tools/checksum_algorithms.h"

#include "tools/crc32_clmul.h"
#include "tools/crc32c.h"

#include <zlib.h>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace {

std::string HexOfNumber(uint64_t value, int digits) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        text[static_cast<size_t>(i)] = kDigits[value & 0xF];
    return text;
}

// zlib counts lengths in 32 bits: larger pieces go in parts.
constexpr size_t kZlibPiece = size_t{1} << 30;

class Crc32Digest : public Digest {
  public:
    void Update(const uint8_t* bytes, size_t count) override {
        m_n_crc = Crc32Fast(m_n_crc, bytes, count);
    }
    std::string Final() override { return HexOfNumber(m_n_crc, 8); }

  private:
    uint32_t m_n_crc = 0;
};

class Adler32Digest : public Digest {
  public:
    void Update(const uint8_t* bytes, size_t count) override {
        for (size_t n = 0; count > 0; bytes += n, count -= n) {
            n = count < kZlibPiece ? count : kZlibPiece;
            m_n_sum = adler32(m_n_sum, bytes, static_cast<uInt>(n));
        }
    }
    std::string Final() override { return HexOfNumber(m_n_sum, 8); }

  private:
    uLong m_n_sum = adler32(0, nullptr, 0);
};

class Crc32cDigest : public Digest {
  public:
    void Update(const uint8_t* bytes, size_t count) override {
        m_n_crc = Crc32c(m_n_crc, bytes, count);
    }
    std::string Final() override { return HexOfNumber(m_n_crc, 8); }

  private:
    uint32_t m_n_crc = 0;
};

class Xxh3Digest : public Digest {
  public:
    Xxh3Digest() : m_p_state(XXH3_createState()) {
        if (m_p_state != nullptr)
            XXH3_64bits_reset(m_p_state);
    }
    ~Xxh3Digest() override { XXH3_freeState(m_p_state); }
    Xxh3Digest(const Xxh3Digest&) = delete;
    Xxh3Digest& operator=(const Xxh3Digest&) = delete;
    int Ready() const { return m_p_state != nullptr; }
    void Update(const uint8_t* bytes, size_t count) override {
        XXH3_64bits_update(m_p_state, bytes, count);
    }
    std::string Final() override { return HexOfNumber(XXH3_64bits_digest(m_p_state), 16); }

  private:
    XXH3_state_t* m_p_state;
};

} // namespace

const wchar_t* ChecksumName(int algorithm) {
    static const wchar_t* const kNames[kChecksumCount] = {
        L"CRC-32", L"CRC-32C", L"Adler-32", L"MD5", L"SHA-1", L"SHA-256", L"SHA-512", L"XXH3-64"};
    return algorithm >= 0 && algorithm < kChecksumCount ? kNames[algorithm] : L"";
}

int ChecksumCost(int algorithm) {
    // Tenths of a second per GB, as measured here; the digests' depend on the library.
    switch (algorithm) {
    case kChecksumCrc32:
    case kChecksumCrc32c:
        return 2;
    case kChecksumAdler32:
        return 8;
    case kChecksumXxh3:
        return 3;
    default:
        return PlatformDigestCost(algorithm);
    }
}

std::string HexOfBytes(const uint8_t* bytes, size_t count) {
    std::string text;
    text.reserve(count * 2);
    for (size_t i = 0; i < count; ++i)
        text += HexOfNumber(bytes[i], 2);
    return text;
}

std::unique_ptr<Digest> MakeDigest(int algorithm) {
    switch (algorithm) {
    case kChecksumCrc32:
        return std::make_unique<Crc32Digest>();
    case kChecksumCrc32c:
        return std::make_unique<Crc32cDigest>();
    case kChecksumAdler32:
        return std::make_unique<Adler32Digest>();
    case kChecksumXxh3: {
        auto digest = std::make_unique<Xxh3Digest>();
        return digest->Ready() ? std::move(digest) : nullptr;
    }
    default:
        return MakePlatformDigest(algorithm);
    }
}
