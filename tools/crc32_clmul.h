// CRC-32 (the zip and PNG one) by carry-less multiplication: 64 bytes folded
// per step where the processor has PCLMULQDQ, zlib's tables for the rest.
#pragma once

#include <cstddef>
#include <cstdint>

// Continues crc (0 to start) over count bytes, as zlib's crc32 does.
uint32_t Crc32Fast(uint32_t crc, const uint8_t* bytes, size_t count);
// 1 when the folding is used (the processor has PCLMULQDQ and SSE4.1).
int Crc32ClmulAvailable();
