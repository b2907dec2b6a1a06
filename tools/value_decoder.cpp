// The data inspector's value texts and the parsing of typed values (see
// value_decoder.h).
#include "tools/value_decoder.h"

#include <charconv>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <limits>

const wchar_t* const kNoValue = L"\u2014";

namespace {

const wchar_t* const kTypeNames[kInspectorTypeCount] = {
    L"Binary",
    L"Int8",
    L"UInt8",
    L"Int16",
    L"UInt16",
    L"Int32",
    L"UInt32",
    L"Int64",
    L"UInt64",
    L"Float32",
    L"Float64",
    L"ANSI character",
    L"UTF-8 code point",
    L"UTF-16 character",
    L"ULEB128",
    L"SLEB128",
    L"DOS date and time",
    L"FILETIME",
    L"Unix time (32-bit)",
    L"Unix time (64-bit)",
    L"GUID",
};

// Bytes of the fixed-size types; 0 for those whose length the bytes decide.
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

std::wstring Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::wstring Printf(const char* format, ...) {
    char buffer[96];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    return Widen(buffer);
}

void AppendCodePoint(uint32_t cp, std::wstring* out) {
    if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
        cp -= 0x10000;
        *out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        *out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
        *out += static_cast<wchar_t>(cp);
    }
}

// Characters that show nothing (controls and spaces) are written by number only.
bool IsControl(uint32_t cp) {
    return cp <= 0x20 || (cp >= 0x7F && cp <= 0xA0);
}

// "A (U+0041)"; control characters only by their number.
std::wstring CharText(uint32_t cp) {
    std::wstring out;
    if (!IsControl(cp)) {
        AppendCodePoint(cp, &out);
        out += L' ';
        out += L'(';
        out += Printf("U+%04X", cp);
        out += L')';
        return out;
    }
    return Printf("U+%04X", cp);
}

std::wstring FloatText(double value, bool single) {
    if (std::isnan(value)) {
        return L"NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? L"-Infinity" : L"Infinity";
    }
    char buffer[64];
    const std::to_chars_result r =
        single ? std::to_chars(buffer, buffer + sizeof(buffer) - 1, static_cast<float>(value))
               : std::to_chars(buffer, buffer + sizeof(buffer) - 1, value);
    *r.ptr = 0;
    return Widen(buffer);
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct CivilTime {
    int64_t m_n_year;
    unsigned m_n_month, m_n_day, m_n_hour, m_n_minute, m_n_second;
};

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

std::wstring TimeText(const CivilTime& t) {
    return Printf("%04lld-%02u-%02u %02u:%02u:%02u", static_cast<long long>(t.m_n_year),
                  t.m_n_month, t.m_n_day, t.m_n_hour, t.m_n_minute, t.m_n_second);
}

constexpr int64_t kFileTimeEpochSeconds = 11644473600; // 1601-01-01 to 1970-01-01
constexpr int64_t kMinSeconds = -62135596800;          // 0001-01-01 00:00:00
constexpr int64_t kMaxSeconds = 253402300799;          // 9999-12-31 23:59:59

std::wstring UnixTimeText(int64_t seconds) {
    if (seconds < kMinSeconds || seconds > kMaxSeconds) {
        return L"out of range";
    }
    return TimeText(CivilFromSeconds(seconds)) + L" UTC";
}

std::wstring FileTimeText(uint64_t ticks) {
    if (ticks > static_cast<uint64_t>(INT64_MAX)) {
        return L"invalid";
    }
    const int64_t seconds = static_cast<int64_t>(ticks / 10000000) - kFileTimeEpochSeconds;
    const unsigned fraction = static_cast<unsigned>(ticks % 10000000);
    std::wstring text = TimeText(CivilFromSeconds(seconds));
    if (fraction) {
        text += Printf(".%07u", fraction);
    }
    return text + L" UTC";
}

bool IsLeap(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(int64_t y, unsigned m) {
    static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

std::wstring DosTimeText(uint32_t value) {
    const unsigned date = value >> 16;
    const unsigned time = value & 0xFFFF;
    CivilTime t = {};
    t.m_n_year = 1980 + (date >> 9);
    t.m_n_month = (date >> 5) & 0x0F;
    t.m_n_day = date & 0x1F;
    t.m_n_hour = time >> 11;
    t.m_n_minute = (time >> 5) & 0x3F;
    t.m_n_second = (time & 0x1F) * 2;
    if (t.m_n_month < 1 || t.m_n_month > 12 || t.m_n_day < 1 ||
        t.m_n_day > DaysInMonth(t.m_n_year, t.m_n_month) || t.m_n_hour > 23 || t.m_n_minute > 59 ||
        t.m_n_second > 59) {
        return L"invalid";
    }
    return TimeText(t);
}

std::wstring GuidText(const uint8_t* b, int big_endian) {
    const uint64_t d1 = ReadUnsigned(b, 4, big_endian);
    const uint64_t d2 = ReadUnsigned(b + 4, 2, big_endian);
    const uint64_t d3 = ReadUnsigned(b + 6, 2, big_endian);
    return Printf("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(d1),
                  static_cast<unsigned>(d2), static_cast<unsigned>(d3), b[8], b[9], b[10], b[11],
                  b[12], b[13], b[14], b[15]);
}

// A UTF-8 sequence: its code point, kNoValue when cut short by the end, or "invalid".
std::wstring Utf8Text(const uint8_t* b, int available) {
    const uint8_t lead = b[0];
    int length = 0;
    uint32_t cp = 0;
    if (lead < 0x80) {
        return CharText(lead);
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return L"invalid";
    }
    for (int i = 1; i < length; ++i) {
        if (i >= available) {
            return kNoValue;
        }
        if ((b[i] & 0xC0) != 0x80) {
            return L"invalid";
        }
        cp = (cp << 6) | (b[i] & 0x3F);
    }
    static const uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return L"invalid";
    }
    return CharText(cp);
}

std::wstring Utf16Text(const uint8_t* b, int available, int big_endian) {
    const uint32_t first = static_cast<uint32_t>(ReadUnsigned(b, 2, big_endian));
    if (first >= 0xDC00 && first <= 0xDFFF) {
        return L"invalid";
    }
    if (first < 0xD800 || first > 0xDBFF) {
        return CharText(first);
    }
    if (available < 4) {
        return kNoValue;
    }
    const uint32_t second = static_cast<uint32_t>(ReadUnsigned(b + 2, 2, big_endian));
    if (second < 0xDC00 || second > 0xDFFF) {
        return L"invalid";
    }
    return CharText(0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
}

// LEB128 of at most ten bytes (64 bits); kNoValue when the end comes first.
std::wstring LebText(const uint8_t* b, int available, bool is_signed) {
    uint64_t value = 0;
    for (int i = 0; i < 10; ++i) {
        if (i >= available) {
            return available >= kInspectorSpan ? L"invalid" : kNoValue;
        }
        const uint64_t part = b[i] & 0x7F;
        const int shift = 7 * i;
        if (i == 9) {
            // The tenth byte holds bit 63 only (or its sign copies).
            const bool fits = is_signed ? (part == 0 || part == 0x7F) : part <= 1;
            if (!fits) {
                return L"invalid";
            }
        }
        value |= part << shift;
        if (!(b[i] & 0x80)) {
            if (is_signed) {
                if (shift + 7 < 64 && (b[i] & 0x40)) {
                    value |= ~0ull << (shift + 7);
                }
                return Printf("%lld", static_cast<long long>(value));
            }
            return Printf("%llu", static_cast<unsigned long long>(value));
        }
    }
    return L"invalid";
}

// The bytes of the LEB128 encoding at the start, or 0 when it does not end
// within ten bytes of the available ones.
int LebLength(const uint8_t* b, int available) {
    for (int i = 0; i < available && i < 10; ++i) {
        if (!(b[i] & 0x80)) {
            return i + 1;
        }
    }
    return 0;
}

// ---- Parsing ----

std::wstring Trim(const wchar_t* text) {
    std::wstring s = text ? text : L"";
    const size_t first = s.find_first_not_of(L" \t");
    if (first == std::wstring::npos) {
        return std::wstring();
    }
    const size_t last = s.find_last_not_of(L" \t");
    return s.substr(first, last - first + 1);
}

// The narrow form of an ASCII text; 0 when it holds anything else.
int Narrow(const std::wstring& text, std::string* out) {
    out->clear();
    for (wchar_t c : text) {
        if (c <= 0 || c > 0x7E) {
            return 0;
        }
        *out += static_cast<char>(c);
    }
    return 1;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

// A whole text as an optional sign and a decimal or "0x" hex magnitude.
enum ParsedInteger { kIntOk, kIntNotNumber, kIntTooBig };
ParsedInteger ParseInteger(const std::wstring& text, bool* negative, uint64_t* magnitude) {
    size_t i = 0;
    *negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        *negative = text[i] == L'-';
        ++i;
    }
    int base = 10;
    if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) {
        return kIntNotNumber;
    }
    uint64_t value = 0;
    bool too_big = false;
    for (; i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0 || digit >= base) {
            return kIntNotNumber;
        }
        if (value > (UINT64_MAX - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) {
            too_big = true;
        }
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    *magnitude = value;
    return too_big ? kIntTooBig : kIntOk;
}

int Refuse(std::wstring* reason, const std::wstring& why) {
    if (reason) {
        *reason = why;
    }
    return 0;
}

int EncodeInteger(const std::wstring& text, int size, bool is_signed, int big_endian, uint8_t* out,
                  std::wstring* reason) {
    const int64_t min = is_signed ? (size == 8 ? INT64_MIN : -(1ll << (size * 8 - 1))) : 0;
    const uint64_t max = is_signed ? (1ull << (size * 8 - 1)) - 1
                                   : (size == 8 ? UINT64_MAX : (1ull << (size * 8)) - 1);
    const std::wstring range =
        is_signed ? Printf("Out of range (%lld to %llu)", static_cast<long long>(min),
                           static_cast<unsigned long long>(max))
                  : Printf("Out of range (0 to %llu)", static_cast<unsigned long long>(max));
    bool negative = false;
    uint64_t magnitude = 0;
    const ParsedInteger parsed = ParseInteger(text, &negative, &magnitude);
    if (parsed == kIntNotNumber) {
        return Refuse(reason, L"Not a whole number");
    }
    if (parsed == kIntTooBig) {
        return Refuse(reason, range);
    }
    uint64_t bits = 0;
    if (negative && magnitude != 0) {
        // -magnitude must reach no lower than min.
        if (!is_signed || magnitude > 0 - static_cast<uint64_t>(min)) {
            return Refuse(reason, range);
        }
        bits = 0 - magnitude;
    } else {
        if (magnitude > max) {
            return Refuse(reason, range);
        }
        bits = magnitude;
    }
    WriteUnsigned(bits, size, big_endian, out);
    return 1;
}

int EncodeFloat(const std::wstring& text, bool single, int big_endian, uint8_t* out,
                std::wstring* reason) {
    std::string narrow;
    if (!Narrow(text, &narrow) || narrow.empty()) {
        return Refuse(reason, L"Not a number");
    }
    const char* first = narrow.c_str();
    const char* last = first + narrow.size();
    if (*first == '+') {
        ++first;
    }
    const std::wstring range = single ? L"Out of range for Float32" : L"Out of range for Float64";
    if (single) {
        float value = 0;
        const std::from_chars_result r = std::from_chars(first, last, value);
        if (r.ec == std::errc::invalid_argument || r.ptr != last) {
            return Refuse(reason, L"Not a number");
        }
        if (r.ec == std::errc::result_out_of_range) {
            return Refuse(reason, range);
        }
        uint32_t bits = 0;
        std::memcpy(&bits, &value, 4);
        WriteUnsigned(bits, 4, big_endian, out);
    } else {
        double value = 0;
        const std::from_chars_result r = std::from_chars(first, last, value);
        if (r.ec == std::errc::invalid_argument || r.ptr != last) {
            return Refuse(reason, L"Not a number");
        }
        if (r.ec == std::errc::result_out_of_range) {
            return Refuse(reason, range);
        }
        uint64_t bits = 0;
        std::memcpy(&bits, &value, 8);
        WriteUnsigned(bits, 8, big_endian, out);
    }
    return 1;
}

// One character typed as itself, as "U+XXXX", or as the row shows it ("A (U+0041)").
int ParseCodePoint(const std::wstring& text, uint32_t* cp) {
    if (text.size() > 2 && (text[0] == L'U' || text[0] == L'u') && text[1] == L'+') {
        uint32_t value = 0;
        for (size_t i = 2; i < text.size(); ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0 || i > 7) {
                return 0;
            }
            value = value * 16 + static_cast<uint32_t>(digit);
        }
        *cp = value;
    } else {
        if (text.empty()) {
            return 0;
        }
        uint32_t value = static_cast<uint32_t>(text[0]);
        size_t used = 1;
        if (sizeof(wchar_t) == 2 && value >= 0xD800 && value <= 0xDBFF && text.size() > 1) {
            const uint32_t low = static_cast<uint32_t>(text[1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                value = 0x10000 + ((value - 0xD800) << 10) + (low - 0xDC00);
                used = 2;
            }
        }
        if (used < text.size() && text.compare(used, 4, L" (U+") != 0) {
            return 0;
        }
        *cp = value;
    }
    return *cp <= 0x10FFFF && !(*cp >= 0xD800 && *cp <= 0xDFFF);
}

int EncodeUtf8(uint32_t cp, uint8_t* out) {
    if (cp < 0x80) {
        out[0] = static_cast<uint8_t>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<uint8_t>(0xC0 | (cp >> 6));
        out[1] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<uint8_t>(0xE0 | (cp >> 12));
        out[1] = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<uint8_t>(0xF0 | (cp >> 18));
    out[1] = static_cast<uint8_t>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
    return 4;
}

int EncodeLeb(const std::wstring& text, bool is_signed, uint8_t* out, int* length,
              std::wstring* reason) {
    bool negative = false;
    uint64_t magnitude = 0;
    const ParsedInteger parsed = ParseInteger(text, &negative, &magnitude);
    if (parsed == kIntNotNumber) {
        return Refuse(reason, L"Not a whole number");
    }
    const wchar_t* range = is_signed ? L"Out of range (64-bit signed)" : L"Out of range (64-bit)";
    if (parsed == kIntTooBig || (negative && magnitude && !is_signed) ||
        (is_signed && !negative && magnitude > static_cast<uint64_t>(INT64_MAX)) ||
        (is_signed && negative && magnitude > (1ull << 63))) {
        return Refuse(reason, range);
    }
    uint64_t value = negative ? 0 - magnitude : magnitude;
    int n = 0;
    for (;;) {
        uint8_t b = static_cast<uint8_t>(value & 0x7F);
        bool done = false;
        if (is_signed) {
            const int64_t v = static_cast<int64_t>(value) >> 7;
            done = (v == 0 && !(b & 0x40)) || (v == -1 && (b & 0x40));
            value = static_cast<uint64_t>(v);
        } else {
            value >>= 7;
            done = value == 0;
        }
        out[n++] = done ? b : static_cast<uint8_t>(b | 0x80);
        if (done) {
            break;
        }
    }
    *length = n;
    return 1;
}

// "YYYY-MM-DD HH:MM:SS" with an optional fraction of up to seven digits and
// an optional " UTC"; seconds since 1970 and the fraction in 100 ns ticks.
int ParseTime(const std::wstring& text, int64_t* seconds, uint32_t* ticks, bool* has_fraction,
              std::wstring* reason) {
    std::wstring s = text;
    if (s.size() > 4 && s.compare(s.size() - 4, 4, L" UTC") == 0) {
        s.resize(s.size() - 4);
    }
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    wchar_t separator = 0;
    int consumed = 0;
    // Years of four or five digits (FILETIME reaches 30828).
    const size_t y = s.find(L'-');
    const int fields = std::swscanf(s.c_str(), L"%5u-%2u-%2u%lc%2u:%2u:%2u%n", &year, &month, &day,
                                    &separator, &hour, &minute, &second, &consumed);
    if (fields != 7 || (separator != L' ' && separator != L'T') || (y != 4 && y != 5) ||
        s.size() < y + 15 || s[y + 3] != L'-' || s[y + 9] != L':' || s[y + 12] != L':') {
        return Refuse(reason, L"Not a date and time (YYYY-MM-DD hh:mm:ss)");
    }
    *ticks = 0;
    *has_fraction = false;
    size_t i = static_cast<size_t>(consumed);
    if (i < s.size()) {
        if (s[i] != L'.' || i + 1 == s.size() || s.size() - i - 1 > 7) {
            return Refuse(reason, L"Not a date and time (YYYY-MM-DD hh:mm:ss)");
        }
        uint32_t scale = 1000000;
        for (++i; i < s.size(); ++i, scale /= 10) {
            if (s[i] < L'0' || s[i] > L'9') {
                return Refuse(reason, L"Not a date and time (YYYY-MM-DD hh:mm:ss)");
            }
            *ticks += static_cast<uint32_t>(s[i] - L'0') * scale;
        }
        *has_fraction = *ticks != 0;
    }
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59) {
        return Refuse(reason, L"No such date or time");
    }
    *seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return 1;
}

int EncodeTime(int type, const std::wstring& text, int big_endian, uint8_t* out,
               std::wstring* reason) {
    int64_t seconds = 0;
    uint32_t ticks = 0;
    bool fraction = false;
    if (!ParseTime(text, &seconds, &ticks, &fraction, reason)) {
        return 0;
    }
    if (fraction && type != kTypeFileTime) {
        return Refuse(reason, L"Whole seconds only");
    }
    switch (type) {
    case kTypeDosDateTime: {
        const CivilTime t = CivilFromSeconds(seconds);
        if (t.m_n_year < 1980 || t.m_n_year > 2107) {
            return Refuse(reason, L"Out of range (1980 to 2107)");
        }
        if (t.m_n_second % 2) {
            return Refuse(reason, L"Seconds must be even");
        }
        const uint32_t date =
            static_cast<uint32_t>(((t.m_n_year - 1980) << 9) | (t.m_n_month << 5) | t.m_n_day);
        const uint32_t time = (t.m_n_hour << 11) | (t.m_n_minute << 5) | (t.m_n_second / 2);
        WriteUnsigned((date << 16) | time, 4, big_endian, out);
        return 1;
    }
    case kTypeFileTime:
        if (seconds < -kFileTimeEpochSeconds) {
            return Refuse(reason, L"Before 1601-01-01");
        }
        WriteUnsigned(static_cast<uint64_t>(seconds + kFileTimeEpochSeconds) * 10000000 + ticks, 8,
                      big_endian, out);
        return 1;
    case kTypeUnixTime32:
        if (seconds < INT32_MIN || seconds > INT32_MAX) {
            return Refuse(reason, L"Out of range (1901-12-13 20:45:52 to 2038-01-19 03:14:07)");
        }
        WriteUnsigned(static_cast<uint64_t>(seconds), 4, big_endian, out);
        return 1;
    default:
        WriteUnsigned(static_cast<uint64_t>(seconds), 8, big_endian, out);
        return 1;
    }
}

int EncodeGuid(const std::wstring& text, int big_endian, uint8_t* out, std::wstring* reason) {
    std::wstring s = text;
    if (s.size() == 38 && s.front() == L'{' && s.back() == L'}') {
        s = s.substr(1, 36);
    }
    static const int kGroups[5] = {8, 4, 4, 4, 12};
    uint8_t digits[32] = {};
    size_t at = 0;
    int n = 0;
    for (int g = 0; g < 5; ++g) {
        if (g > 0) {
            if (at >= s.size() || s[at] != L'-') {
                return Refuse(reason, L"Not a GUID");
            }
            ++at;
        }
        for (int i = 0; i < kGroups[g]; ++i, ++at) {
            const int digit = at < s.size() ? HexDigit(s[at]) : -1;
            if (digit < 0) {
                return Refuse(reason, L"Not a GUID");
            }
            digits[n++] = static_cast<uint8_t>(digit);
        }
    }
    if (at != s.size()) {
        return Refuse(reason, L"Not a GUID");
    }
    uint8_t raw[16];
    for (int i = 0; i < 16; ++i) {
        raw[i] = static_cast<uint8_t>(digits[2 * i] << 4 | digits[2 * i + 1]);
    }
    // The text lists the first three fields most significant byte first.
    WriteUnsigned(ReadUnsigned(raw, 4, 1), 4, big_endian, out);
    WriteUnsigned(ReadUnsigned(raw + 4, 2, 1), 2, big_endian, out + 4);
    WriteUnsigned(ReadUnsigned(raw + 6, 2, 1), 2, big_endian, out + 6);
    std::memcpy(out + 8, raw + 8, 8);
    return 1;
}

class Windows1252 : public AnsiCharSet {
  public:
    int32_t Decode(uint8_t byte) override {
        if (byte >= 0x80 && byte < 0xA0) {
            const uint16_t cp = kHigh[byte - 0x80];
            return cp ? cp : byte;
        }
        return byte;
    }
    int Encode(uint32_t code_point, uint8_t* byte) override {
        for (int b = 0; b < 256; ++b) {
            if (static_cast<uint32_t>(Decode(static_cast<uint8_t>(b))) == code_point) {
                *byte = static_cast<uint8_t>(b);
                return 1;
            }
        }
        return 0;
    }

  private:
    // 0x80-0x9F; 0 where the page leaves the byte as its own control code.
    static constexpr uint16_t kHigh[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
};

} // namespace

int FitToCurrent(int type, const uint8_t* current, int available, uint8_t* out, int* length,
                 std::wstring* reason) {
    if (type != kTypeUleb128 && type != kTypeSleb128) {
        return 1;
    }
    const int width = LebLength(current, available);
    if (width == 0 || width == *length) {
        return 1;
    }
    if (*length > width) {
        return Refuse(reason, Printf("Needs %d bytes; the value there has %d", *length, width));
    }
    // Continuation bytes that carry only copies of the sign (0 for ULEB128).
    const bool negative = type == kTypeSleb128 && (out[*length - 1] & 0x40);
    const uint8_t fill = negative ? 0x7F : 0x00;
    out[*length - 1] |= 0x80;
    for (int i = *length; i < width - 1; ++i) {
        out[i] = static_cast<uint8_t>(0x80 | fill);
    }
    out[width - 1] = fill;
    *length = width;
    return 1;
}

const wchar_t* InspectorTypeName(int type) {
    return type >= 0 && type < kInspectorTypeCount ? kTypeNames[type] : L"";
}

AnsiCharSet& Windows1252CharSet() {
    static Windows1252 set;
    return set;
}

std::wstring DecodeValue(int type, const uint8_t* bytes, int available, int big_endian,
                         AnsiCharSet& ansi) {
    const int size = FixedSize(type);
    if (available < 1 || available < size) {
        return kNoValue;
    }
    switch (type) {
    case kTypeBinary: {
        std::wstring bits;
        for (int i = 7; i >= 0; --i) {
            bits += (bytes[0] >> i) & 1 ? L'1' : L'0';
        }
        return bits;
    }
    case kTypeInt8:
    case kTypeInt16:
    case kTypeInt32:
    case kTypeInt64:
        return Printf("%lld", static_cast<long long>(
                                  SignExtend(ReadUnsigned(bytes, size, big_endian), size)));
    case kTypeUInt8:
    case kTypeUInt16:
    case kTypeUInt32:
    case kTypeUInt64:
        return Printf("%llu",
                      static_cast<unsigned long long>(ReadUnsigned(bytes, size, big_endian)));
    case kTypeFloat32: {
        const uint32_t bits = static_cast<uint32_t>(ReadUnsigned(bytes, 4, big_endian));
        float value = 0;
        std::memcpy(&value, &bits, 4);
        return FloatText(value, true);
    }
    case kTypeFloat64: {
        const uint64_t bits = ReadUnsigned(bytes, 8, big_endian);
        double value = 0;
        std::memcpy(&value, &bits, 8);
        return FloatText(value, false);
    }
    case kTypeAnsiChar: {
        const int32_t cp = ansi.Decode(bytes[0]);
        return cp < 0 ? L"invalid" : CharText(static_cast<uint32_t>(cp));
    }
    case kTypeUtf8:
        return Utf8Text(bytes, available);
    case kTypeUtf16:
        return available < 2 ? kNoValue : Utf16Text(bytes, available, big_endian);
    case kTypeUleb128:
        return LebText(bytes, available, false);
    case kTypeSleb128:
        return LebText(bytes, available, true);
    case kTypeDosDateTime:
        return DosTimeText(static_cast<uint32_t>(ReadUnsigned(bytes, 4, big_endian)));
    case kTypeFileTime:
        return FileTimeText(ReadUnsigned(bytes, 8, big_endian));
    case kTypeUnixTime32:
        return UnixTimeText(SignExtend(ReadUnsigned(bytes, 4, big_endian), 4));
    case kTypeUnixTime64:
        return UnixTimeText(static_cast<int64_t>(ReadUnsigned(bytes, 8, big_endian)));
    case kTypeGuid:
        return GuidText(bytes, big_endian);
    default:
        return kNoValue;
    }
}

int EncodeValue(int type, const wchar_t* text, int big_endian, uint8_t* out, int* length,
                std::wstring* reason, AnsiCharSet& ansi) {
    const std::wstring value = Trim(text);
    *length = FixedSize(type);
    switch (type) {
    case kTypeBinary: {
        if (value.empty() || value.size() > 8 ||
            value.find_first_not_of(L"01") != std::wstring::npos) {
            return Refuse(reason, L"Not up to 8 binary digits");
        }
        uint8_t b = 0;
        for (wchar_t c : value) {
            b = static_cast<uint8_t>(b << 1 | (c == L'1'));
        }
        out[0] = b;
        return 1;
    }
    case kTypeInt8:
    case kTypeInt16:
    case kTypeInt32:
    case kTypeInt64:
        return EncodeInteger(value, *length, true, big_endian, out, reason);
    case kTypeUInt8:
    case kTypeUInt16:
    case kTypeUInt32:
    case kTypeUInt64:
        return EncodeInteger(value, *length, false, big_endian, out, reason);
    case kTypeFloat32:
    case kTypeFloat64:
        return EncodeFloat(value, type == kTypeFloat32, big_endian, out, reason);
    case kTypeAnsiChar:
    case kTypeUtf8:
    case kTypeUtf16: {
        uint32_t cp = 0;
        // A typed space is trimmed away: take the untrimmed text when it is one.
        const std::wstring raw = text ? text : L"";
        if (!ParseCodePoint(raw == L" " ? raw : value, &cp)) {
            return Refuse(reason, L"Not one character");
        }
        if (type == kTypeAnsiChar) {
            if (!ansi.Encode(cp, out)) {
                return Refuse(reason, L"Not in the ANSI code page");
            }
            return 1;
        }
        if (type == kTypeUtf8) {
            *length = EncodeUtf8(cp, out);
            return 1;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            WriteUnsigned(0xD800 + (cp >> 10), 2, big_endian, out);
            WriteUnsigned(0xDC00 + (cp & 0x3FF), 2, big_endian, out + 2);
            *length = 4;
        } else {
            WriteUnsigned(cp, 2, big_endian, out);
            *length = 2;
        }
        return 1;
    }
    case kTypeUleb128:
    case kTypeSleb128:
        return EncodeLeb(value, type == kTypeSleb128, out, length, reason);
    case kTypeDosDateTime:
    case kTypeFileTime:
    case kTypeUnixTime32:
    case kTypeUnixTime64:
        return EncodeTime(type, value, big_endian, out, reason);
    case kTypeGuid:
        return EncodeGuid(value, big_endian, out, reason);
    default:
        return Refuse(reason, L"Cannot be typed");
    }
}
