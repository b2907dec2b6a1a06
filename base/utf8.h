// UTF-8 encoding and decoding shared by the settings file, the code pages, the
// data inspector and the POSIX halves that hand wide paths to the file system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The UTF-8 sequence at the start of count bytes: its length (1 to 4) with
// its code point; 0 when it is no valid sequence (no lead byte, a byte that
// does not continue it, an overlong form, a surrogate or a value above
// 0x10FFFF, or no bytes at all); -1 when the bytes end inside a sequence
// that is valid so far.
int DecodeUtf8Sequence(const uint8_t* bytes, size_t count, uint32_t* code_point);

// Writes the UTF-8 form of a code point (at most 0x10FFFF) into out and
// returns its length, 1 to 4.
int EncodeUtf8(uint32_t code_point, char out[4]);

// Appends the UTF-8 form of a code point to out.
void AppendUtf8(uint32_t code_point, std::string* out);

// Converts a zero-terminated wide text (UTF-16 where wchar_t has 16 bits,
// UTF-32 where it has 32) to UTF-8, appended to out. 1 on success; 0 for a
// null text, a lone surrogate or a value above 0x10FFFF, with out then
// holding what came before it.
int WideToUtf8(const wchar_t* text, std::string* out);

// Decodes UTF-8 into wide text (surrogate pairs where wchar_t has 16 bits).
// 0 for a malformed, overlong or cut-off sequence, a surrogate or a value
// above 0x10FFFF.
int Utf8ToWide(const std::string& text, std::wstring* out);
