// The marker that marker_target.exe places in its memory, shared with the test
// that looks for it.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kMarkerSize = 32;

// Depends on the process ID and on which region holds it, so no copy of it sits
// in either image.
inline void FillMarker(uint8_t* out, uint32_t process_id, int which) {
    for (size_t i = 0; i < kMarkerSize; ++i)
        out[i] = static_cast<uint8_t>((process_id * 31u + i * 7u + which * 101u) ^ 0x5Au);
}
