// Conversion of a text pattern to the bytes of a code page, behind a seam:
// WideCharToMultiByte on Windows, a portable converter elsewhere.
#pragma once

#include <cstdint>
#include <vector>

class CodePageConverter {
  public:
    virtual ~CodePageConverter() = default;
    // Converts UTF-16 code units (the terminator included when the caller
    // wants it converted too) into code page bytes. With out null only the
    // size is reported. Returns the bytes produced, 0 on failure.
    virtual int64_t Convert(uint32_t code_page, const char16_t* units, int64_t count, uint8_t* out,
                            int64_t capacity) = 0;
};

// The platform's converter (tools/win32: WideCharToMultiByte; tools/posix:
// PortableCodePages()).
CodePageConverter& PlatformCodePages();
// Code pages 0 (taken as Windows-1252), 20127 (ASCII), 65001 (UTF-8) and 65000
// (UTF-7); characters a single-byte page lacks become '?', as the system's
// default character does.
CodePageConverter& PortableCodePages();

// A wide text as UTF-16 code units (wchar_t is 32-bit on some platforms).
std::vector<char16_t> ToUtf16(const wchar_t* text);
