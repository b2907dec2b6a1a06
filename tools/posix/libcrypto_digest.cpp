// MD5 and the SHA family through libcrypto's EVP interface, which picks the
// processor's SHA and vector instructions where it has them.
#include "tools/checksum_algorithms.h"

#include <openssl/evp.h>

namespace {

class EvpDigest : public Digest {
  public:
    explicit EvpDigest(const EVP_MD* type) : m_p_context(EVP_MD_CTX_new()) {
        if (m_p_context != nullptr && !EVP_DigestInit_ex(m_p_context, type, nullptr)) {
            EVP_MD_CTX_free(m_p_context);
            m_p_context = nullptr;
        }
    }
    ~EvpDigest() override { EVP_MD_CTX_free(m_p_context); }
    EvpDigest(const EvpDigest&) = delete;
    EvpDigest& operator=(const EvpDigest&) = delete;
    int Ready() const { return m_p_context != nullptr; }
    void Update(const uint8_t* bytes, size_t count) override {
        EVP_DigestUpdate(m_p_context, bytes, count);
    }
    std::string Final() override {
        unsigned char value[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (!EVP_DigestFinal_ex(m_p_context, value, &length))
            return std::string();
        return HexOfBytes(value, length);
    }

  private:
    EVP_MD_CTX* m_p_context;
};

} // namespace

int PlatformDigestCost(int algorithm) {
    switch (algorithm) {
    case kChecksumMd5:
        return 19;
    case kChecksumSha1:
        return 10;
    case kChecksumSha256:
        return 12;
    case kChecksumSha512:
        return 24;
    default:
        return 1;
    }
}

std::unique_ptr<Digest> MakePlatformDigest(int algorithm) {
    const EVP_MD* type = nullptr;
    switch (algorithm) {
    case kChecksumMd5:
        type = EVP_md5();
        break;
    case kChecksumSha1:
        type = EVP_sha1();
        break;
    case kChecksumSha256:
        type = EVP_sha256();
        break;
    case kChecksumSha512:
        type = EVP_sha512();
        break;
    default:
        return nullptr;
    }
    auto digest = std::make_unique<EvpDigest>(type);
    return digest->Ready() ? std::move(digest) : nullptr;
}
