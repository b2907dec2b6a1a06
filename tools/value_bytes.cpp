// Type sizes, byte orders, calendar arithmetic and formatting shared by the
// inspector's texts and its parser (see value_bytes.h).
#include "tools/value_bytes.h"

#include "tools/value_decoder.h"

#include <cstdarg>
#include <cstdio>

namespace value_bytes {

int FixedSize(int type) {
    switch (type) {
    case kTypeBinary:
    case kTypeInt8:
    case kTypeUInt8:
    case kTypeAnsiChar:
        return 1;
    case kTypeInt16:
    case kTypeUInt16:
        return 2;
    case kTypeInt32:
    case kTypeUInt32:
    case kTypeFloat32:
    case kTypeDosDateTime:
    case kTypeUnixTime32:
        return 4;
    case kTypeInt64:
    case kTypeUInt64:
    case kTypeFloat64:
    case kTypeFileTime:
    case kTypeUnixTime64:
        return 8;
    case kTypeGuid:
        return 16;
    default:
        return 0;
    }
}

uint64_t ReadUnsigned(const uint8_t* bytes, int size, int big_endian) {
    uint64_t value = 0;
    for (int i = 0; i < size; ++i) {
        const uint8_t b = big_endian ? bytes[i] : bytes[size - 1 - i];
        value = (value << 8) | b;
    }
    return value;
}

void WriteUnsigned(uint64_t value, int size, int big_endian, uint8_t* out) {
    for (int i = 0; i < size; ++i) {
        const uint8_t b = static_cast<uint8_t>(value >> (8 * i));
        out[big_endian ? size - 1 - i : i] = b;
    }
}

int64_t SignExtend(uint64_t value, int size) {
    if (size >= 8) {
        return static_cast<int64_t>(value);
    }
    const uint64_t sign = 1ull << (size * 8 - 1);
    return static_cast<int64_t>((value ^ sign) - sign);
}

std::wstring Widen(const char* text) {
    std::wstring out;
    for (; *text; ++text) {
        out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    }
    return out;
}

std::wstring Printf(const char* format, ...) {
    char buffer[96];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    return Widen(buffer);
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

CivilTime CivilFromSeconds(int64_t seconds) {
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    CivilTime t = {};
    t.m_n_day = doy - (153 * mp + 2) / 5 + 1;
    t.m_n_month = mp < 10 ? mp + 3 : mp - 9;
    t.m_n_year = static_cast<int64_t>(yoe) + era * 400 + (t.m_n_month <= 2);
    t.m_n_hour = static_cast<unsigned>(rest / 3600);
    t.m_n_minute = static_cast<unsigned>(rest / 60 % 60);
    t.m_n_second = static_cast<unsigned>(rest % 60);
    return t;
}

namespace {
bool IsLeap(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

} // namespace

unsigned DaysInMonth(int64_t y, unsigned m) {
    static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

int LebLength(const uint8_t* b, int available) {
    for (int i = 0; i < available && i < 10; ++i) {
        if (!(b[i] & 0x80)) {
            return i + 1;
        }
    }
    return 0;
}

} // namespace value_bytes
