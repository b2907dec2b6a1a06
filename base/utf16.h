// UTF-16 surrogate pairs: which units belong to one, and the code point of a
// pair and back.
#pragma once

#include <cstdint>

inline bool IsHighSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
inline bool IsLowSurrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
inline bool IsSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// The code point of a high and a low surrogate.
inline uint32_t CombineSurrogates(uint32_t high, uint32_t low) {
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// The two units of a code point from 0x10000 to 0x10FFFF.
inline void SplitSurrogates(uint32_t code_point, uint32_t* high, uint32_t* low) {
    code_point -= 0x10000;
    *high = 0xD800 + (code_point >> 10);
    *low = 0xDC00 + (code_point & 0x3FF);
}
