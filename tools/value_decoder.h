// The data inspector's types: their names and the texts of the values that
// start at an offset (numbers, characters, times, GUID), in either byte order,
// free of any window. value_parser.h turns typed texts back into bytes.
#pragma once

#include <cstdint>
#include <string>

enum InspectorType : int {
    kTypeBinary,
    kTypeInt8,
    kTypeUInt8,
    kTypeInt16,
    kTypeUInt16,
    kTypeInt32,
    kTypeUInt32,
    kTypeInt64,
    kTypeUInt64,
    kTypeFloat32,
    kTypeFloat64,
    kTypeAnsiChar,
    kTypeUtf8,
    kTypeUtf16,
    kTypeUleb128,
    kTypeSleb128,
    kTypeDosDateTime,
    kTypeFileTime,
    kTypeUnixTime32,
    kTypeUnixTime64,
    kTypeGuid,
    kInspectorTypeCount
};

// The most bytes any type reads.
constexpr int kInspectorSpan = 16;

// The text of a type that needs more bytes than there are from the offset.
extern const wchar_t* const kNoValue;

// The row name of a type ("UInt32", "FILETIME", ...).
const wchar_t* InspectorTypeName(int type);

// The ANSI character set (the system code page): one byte to a code point and
// back. Windows asks the system; elsewhere Windows-1252 serves.
class AnsiCharSet {
  public:
    virtual ~AnsiCharSet() = default;
    // The code point of a byte, or -1 when the byte alone is no character.
    virtual int32_t Decode(uint8_t byte) = 0;
    // 1 with the single byte that stands for the code point, else 0.
    virtual int Encode(uint32_t code_point, uint8_t* byte) = 0;
};
AnsiCharSet& PlatformAnsiCharSet();
AnsiCharSet& Windows1252CharSet();

// The text of a type over the available bytes (0 to kInspectorSpan) that
// start at the offset: kNoValue when the type needs more of them.
std::wstring DecodeValue(int type, const uint8_t* bytes, int available, int big_endian,
                         AnsiCharSet& ansi = PlatformAnsiCharSet());
