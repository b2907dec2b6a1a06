// What the inspector's texts and its parser share: type sizes, integers in
// either byte order, calendar arithmetic and ASCII formatting.
#pragma once

#include <cstdint>
#include <string>

namespace value_bytes {

// Bytes of the fixed-size types; 0 for those whose length the bytes decide.
int FixedSize(int type);

uint64_t ReadUnsigned(const uint8_t* bytes, int size, int big_endian);
void WriteUnsigned(uint64_t value, int size, int big_endian, uint8_t* out);
int64_t SignExtend(uint64_t value, int size);

// An ASCII text as a wide one, and printf into a wide text.
std::wstring Widen(const char* text);
std::wstring Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Days since 1970-01-01 of a proleptic Gregorian date, and a time of day back
// from seconds since then.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d);
struct CivilTime {
    int64_t m_n_year;
    unsigned m_n_month, m_n_day, m_n_hour, m_n_minute, m_n_second;
};
CivilTime CivilFromSeconds(int64_t seconds);
unsigned DaysInMonth(int64_t y, unsigned m);

constexpr int64_t kFileTimeEpochSeconds = 11644473600; // 1601-01-01 to 1970-01-01

// The bytes of the LEB128 encoding at the start, or 0 when it does not end
// within ten bytes of the available ones.
int LebLength(const uint8_t* b, int available);

} // namespace value_bytes
