// The data inspector's typed values: the bytes of a text typed into a type's
// row, in either byte order, fitted to the value it replaces.
#pragma once

#include "tools/value_decoder.h"

#include <cstdint>
#include <string>

// Variable-length values keep the width of the one they replace (padded
// encodings, as some formats reserve room, stay as wide): fits the bytes of a
// typed LEB128 value to the encoding at the offset, 1 with out padded when
// needed; a typed UTF-8 or UTF-16 character must take as many bytes as the
// one there. 0 with the reason otherwise. Other types are left as they are.
int FitToCurrent(int type, const uint8_t* current, int available, int big_endian, uint8_t* out,
                 int* length, std::wstring* reason);

// The bytes of a typed value: 1 with *length bytes in out (at most
// kInspectorSpan), or 0 with the reason the text was refused.
int EncodeValue(int type, const wchar_t* text, int big_endian, uint8_t* out, int* length,
                std::wstring* reason, AnsiCharSet& ansi = PlatformAnsiCharSet());
