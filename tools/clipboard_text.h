// The hex texts of the copy commands, written straight as UTF-16LE (the
// clipboard's CF_UNICODETEXT encoding) into buffers of exactly their size.
#pragma once

#include <cstddef>
#include <cstdint>

// Characters, terminator included, of the plain text of count bytes: 2 x count + 1.
int64_t PlainHexTextSize(int64_t count);
// Characters, terminator included, of the formatted text of count bytes from
// offset start: 3(count + k) + 2 floor((count + k) / 16) + 1, one more when the
// last byte stands in column 7 (k = start mod 16).
int64_t FormattedHexTextSize(int64_t start, int64_t count);

// Write the text and its zero terminator as UTF-16LE into out, which holds
// exactly capacity_chars characters (2 bytes each). Return the characters
// written, terminator included; 0 when capacity_chars is not the exact size.
int64_t BuildPlainHex(const uint8_t* bytes, int64_t count, uint8_t* out, int64_t capacity_chars);
int64_t BuildFormattedHex(int64_t start, const uint8_t* bytes, int64_t count, uint8_t* out,
                          int64_t capacity_chars);
