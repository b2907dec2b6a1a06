// MD5 and the SHA family through Windows' CNG (bcrypt): one algorithm
// provider per algorithm for the life of the process, a hash object per run.
// SHA-256 goes to the processor's SHA instructions where it has them.
#include "tools/checksum_algorithms.h"
#include "tools/sha256_ni.h"

#include <windows.h>

#include <bcrypt.h>

#include <mutex>
#include <vector>

namespace {

// The providers, opened on first use and kept for the life of the process:
// opening one is the costly part.
class Providers {
  public:
    Providers() = default;
    ~Providers() {
        for (BCRYPT_ALG_HANDLE provider : m_h_providers) {
            if (provider != nullptr) {
                BCryptCloseAlgorithmProvider(provider, 0);
            }
        }
    }
    Providers(const Providers&) = delete;
    Providers& operator=(const Providers&) = delete;

    BCRYPT_ALG_HANDLE Get(int algorithm) {
        const wchar_t* id = nullptr;
        switch (algorithm) {
        case kChecksumMd5:
            id = BCRYPT_MD5_ALGORITHM;
            break;
        case kChecksumSha1:
            id = BCRYPT_SHA1_ALGORITHM;
            break;
        case kChecksumSha256:
            id = BCRYPT_SHA256_ALGORITHM;
            break;
        case kChecksumSha512:
            id = BCRYPT_SHA512_ALGORITHM;
            break;
        default:
            return nullptr;
        }
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_h_providers[algorithm] == nullptr &&
            BCryptOpenAlgorithmProvider(&m_h_providers[algorithm], id, nullptr, 0) < 0) {
            m_h_providers[algorithm] = nullptr;
        }
        return m_h_providers[algorithm];
    }

  private:
    std::mutex m_lock;
    BCRYPT_ALG_HANDLE m_h_providers[kChecksumCount] = {};
};

BCRYPT_ALG_HANDLE Provider(int algorithm) {
    static Providers providers;
    return providers.Get(algorithm);
}

class CngDigest : public Digest {
  public:
    explicit CngDigest(BCRYPT_ALG_HANDLE provider) {
        DWORD length = 0;
        ULONG got = 0;
        if (BCryptGetProperty(provider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length),
                              sizeof(length), &got, 0) < 0 ||
            BCryptCreateHash(provider, &m_h_hash, nullptr, 0, nullptr, 0, 0) < 0) {
            m_h_hash = nullptr;
            return;
        }
        m_n_length = length;
    }
    ~CngDigest() override {
        if (m_h_hash != nullptr)
            BCryptDestroyHash(m_h_hash);
    }
    CngDigest(const CngDigest&) = delete;
    CngDigest& operator=(const CngDigest&) = delete;
    int Ready() const { return m_h_hash != nullptr; }
    void Update(const uint8_t* bytes, size_t count) override {
        // CNG takes 32-bit lengths.
        constexpr size_t kPiece = size_t{1} << 30;
        for (size_t n = 0; count > 0; bytes += n, count -= n) {
            n = count < kPiece ? count : kPiece;
            BCryptHashData(m_h_hash, const_cast<PUCHAR>(bytes), static_cast<ULONG>(n), 0);
        }
    }
    std::string Final() override {
        std::vector<uint8_t> value(m_n_length);
        if (BCryptFinishHash(m_h_hash, value.data(), static_cast<ULONG>(value.size()), 0) < 0)
            return std::string();
        return HexOfBytes(value.data(), value.size());
    }

  private:
    BCRYPT_HASH_HANDLE m_h_hash = nullptr;
    size_t m_n_length = 0;
};

} // namespace

int PlatformDigestCost(int algorithm) {
    switch (algorithm) {
    case kChecksumMd5:
        return 16;
    case kChecksumSha1:
        return 14;
    case kChecksumSha256:
        return Sha256NiAvailable() ? 9 : 49;
    case kChecksumSha512:
        return 27;
    default:
        return 1;
    }
}

std::unique_ptr<Digest> MakePlatformDigest(int algorithm) {
    // Where the processor has SHA instructions, they outrun CNG as Wine
    // implements it fivefold; Windows' own CNG uses them too.
    if (algorithm == kChecksumSha256 && Sha256NiAvailable()) {
        return MakeSha256NiDigest();
    }
    BCRYPT_ALG_HANDLE provider = Provider(algorithm);
    if (provider == nullptr)
        return nullptr;
    auto digest = std::make_unique<CngDigest>(provider);
    return digest->Ready() ? std::move(digest) : nullptr;
}
