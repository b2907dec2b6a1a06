// CRC-32C (the Castagnoli polynomial, as iSCSI and ext4 use it): the
// processor's own instruction where it has one, else a table walk.
#pragma once

#include <cstddef>
#include <cstdint>

// Continues crc (0 to start) over count bytes.
uint32_t Crc32c(uint32_t crc, const uint8_t* bytes, size_t count);
// The table walk alone, which the instruction must agree with.
uint32_t Crc32cPortable(uint32_t crc, const uint8_t* bytes, size_t count);
