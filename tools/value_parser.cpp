// Parsing of the values typed into the data inspector's rows into the bytes
// of their types.
#include "tools/value_parser.h"

#include "base/hex_digits.h"
#include "base/utf16.h"
#include "base/utf8.h"
#include "tools/value_bytes.h"

#include <charconv>
#include <cstring>
#include <cwchar>
#include <limits>

namespace {

using namespace value_bytes;

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
        const int digit = HexValue(text[i]);
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
            const int digit = HexValue(text[i]);
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
        if (sizeof(wchar_t) == 2 && IsHighSurrogate(value) && text.size() > 1) {
            const uint32_t low = static_cast<uint32_t>(text[1]);
            if (IsLowSurrogate(low)) {
                value = CombineSurrogates(value, low);
                used = 2;
            }
        }
        if (used < text.size() && text.compare(used, 4, L" (U+") != 0) {
            return 0;
        }
        *cp = value;
    }
    return *cp <= 0x10FFFF && !IsSurrogate(*cp);
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
    // swscanf would take a sign before the year.
    if (fields != 7 || s[0] < L'0' || s[0] > L'9' || (separator != L' ' && separator != L'T') ||
        (y != 4 && y != 5) || s.size() < y + 15 || s[y + 3] != L'-' || s[y + 9] != L':' ||
        s[y + 12] != L':') {
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
        // The largest count the row shows as a date: 30828-09-14 02:48:05.4775807.
        if (seconds > (INT64_MAX - ticks) / 10000000 - kFileTimeEpochSeconds) {
            return Refuse(reason, L"After 30828-09-14");
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
        if (seconds > 253402300799) { // 9999-12-31 23:59:59, the last the row shows
            return Refuse(reason, L"After 9999-12-31");
        }
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
            const int digit = at < s.size() ? HexValue(s[at]) : -1;
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

} // namespace

namespace {

// The bytes of the character at the start: a whole sequence (UTF-8) or pair
// (UTF-16) when the bytes hold a valid one, else one unit, which a typed
// character may replace like any other.
int CurrentCharLength(int type, const uint8_t* current, int available, int big_endian) {
    const std::wstring shown = DecodeValue(type, current, available, big_endian);
    const bool whole = shown != kNoValue && shown != L"invalid";
    if (type == kTypeUtf8) {
        if (!whole || current[0] < 0x80)
            return 1;
        return current[0] >= 0xF0 ? 4 : current[0] >= 0xE0 ? 3 : 2;
    }
    const uint64_t first = ReadUnsigned(current, 2, big_endian);
    return whole && IsHighSurrogate(static_cast<uint32_t>(first)) ? 4 : 2;
}

} // namespace

int FitToCurrent(int type, const uint8_t* current, int available, int big_endian, uint8_t* out,
                 int* length, std::wstring* reason) {
    if (type == kTypeUtf8 || type == kTypeUtf16) {
        // A character of another length would shift or cut the bytes after it.
        const int width =
            available > 0 ? CurrentCharLength(type, current, available, big_endian) : *length;
        if (width != *length) {
            return Refuse(reason,
                          Printf("Needs %d bytes; the character there has %d", *length, width));
        }
        return 1;
    }
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
            *length = EncodeUtf8(cp, reinterpret_cast<char*>(out));
            return 1;
        }
        if (cp >= 0x10000) {
            uint32_t high = 0, low = 0;
            SplitSurrogates(cp, &high, &low);
            WriteUnsigned(high, 2, big_endian, out);
            WriteUnsigned(low, 2, big_endian, out + 2);
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
