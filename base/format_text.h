// Printf-style formatting of wide text with the program's format vocabulary,
// identical on every platform: %s is a wide string, %d/%u/%X/%x/%c 32-bit
// values, %I64d/%I64u/%I64X/%I64x (and %lld/%llX) 64-bit values; flags '0' and
// '-', a width and a precision are honoured as the C runtime does.
#pragma once

#include <cstdarg>
#include <string>

std::wstring FormatTextV(const wchar_t* format, va_list args);
std::wstring FormatText(const wchar_t* format, ...);
