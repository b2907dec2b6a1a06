// Input helpers shared by the fuzz targets: fuzz bytes as UTF-16 text and as
// little-endian numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Byte pairs as UTF-16 code units (lone surrogates included), up to the
// first zero unit or the end; an odd last byte is dropped.
inline std::wstring FuzzWideText(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const wchar_t unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0)
            break;
        text += unit;
    }
    return text;
}

// Takes up to eight bytes from the front of the input as a little-endian number.
inline uint64_t FuzzTakeNumber(const uint8_t** data, size_t* size, size_t bytes) {
    uint64_t value = 0;
    for (size_t i = 0; i<bytes&& * size> 0; ++i, ++*data, --*size)
        value |= static_cast<uint64_t>(**data) << (8 * i);
    return value;
}
