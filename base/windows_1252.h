// The Windows-1252 code page (the ANSI page of Western systems) as a table.
#pragma once

#include <cstdint>

// The character of a byte; the five bytes the page leaves unassigned (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) stand for themselves, as Windows reads them.
char16_t Windows1252Char(uint8_t byte);
