// The checksum and digest algorithms of the checksums tool: each is fed the
// bytes in pieces and asked once for its value, as lowercase hex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

enum ChecksumAlgorithm : int {
    kChecksumCrc32 = 0, // the zip and PNG one
    kChecksumCrc32c,
    kChecksumAdler32,
    kChecksumMd5,
    kChecksumSha1,
    kChecksumSha256,
    kChecksumSha512,
    kChecksumXxh3,
    kChecksumCount
};

// "CRC-32", "CRC-32C", "Adler-32", "MD5", "SHA-1", "SHA-256", "SHA-512", "XXH3-64".
const wchar_t* ChecksumName(int algorithm);
// Rough cost per byte relative to the others, to share them out among threads.
int ChecksumCost(int algorithm);

class Digest {
  public:
    virtual ~Digest() = default;
    virtual void Update(const uint8_t* bytes, size_t count) = 0;
    // The value as lowercase hex (numbers most significant digit first);
    // called once, after the last Update.
    virtual std::string Final() = 0;
};

// A fresh state of the algorithm; null when the platform cannot make one.
std::unique_ptr<Digest> MakeDigest(int algorithm);
// The platform's digests (MD5 and the SHA family): Windows' CNG in the
// Windows builds, libcrypto elsewhere. Null for other algorithms or on failure.
std::unique_ptr<Digest> MakePlatformDigest(int algorithm);
// Their cost in ChecksumCost's units, as measured with that platform's library.
int PlatformDigestCost(int algorithm);

// The bytes as lowercase hex.
std::string HexOfBytes(const uint8_t* bytes, size_t count);
