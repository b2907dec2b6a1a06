// Hex digits both ways: the digit of a value and the value of a digit.
#pragma once

#include <cstdint>

// The digit of the value's low four bits: '0'..'9', then 'A'..'F' ('a'..'f'
// with lower).
inline char HexDigit(unsigned value, int lower = 0) {
    return (lower ? "0123456789abcdef" : "0123456789ABCDEF")[value & 0xF];
}

// The same as a wide character.
inline wchar_t WideHexDigit(unsigned value) {
    return static_cast<wchar_t>(HexDigit(value));
}

// The value of a hex digit of either case, or -1 for any other character.
inline int HexValue(uint32_t ch) {
    if (ch >= '0' && ch <= '9')
        return static_cast<int>(ch - '0');
    if (ch >= 'a' && ch <= 'f')
        return static_cast<int>(ch - 'a' + 10);
    if (ch >= 'A' && ch <= 'F')
        return static_cast<int>(ch - 'A' + 10);
    return -1;
}
