// The data inspector's value texts (see value_decoder.h).
#include "tools/value_decoder.h"

#include "base/utf16.h"
#include "base/utf8.h"
#include "base/windows_1252.h"
#include "tools/value_bytes.h"

#include <charconv>
#include <cmath>
#include <cstring>

const wchar_t* const kNoValue = L"\u2014";

namespace {

using namespace value_bytes;

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

void AppendCodePoint(uint32_t cp, std::wstring* out) {
    if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
        uint32_t high = 0, low = 0;
        SplitSurrogates(cp, &high, &low);
        *out += static_cast<wchar_t>(high);
        *out += static_cast<wchar_t>(low);
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

std::wstring TimeText(const CivilTime& t) {
    return Printf("%04lld-%02u-%02u %02u:%02u:%02u", static_cast<long long>(t.m_n_year),
                  t.m_n_month, t.m_n_day, t.m_n_hour, t.m_n_minute, t.m_n_second);
}

constexpr int64_t kMinSeconds = -62135596800; // 0001-01-01 00:00:00
constexpr int64_t kMaxSeconds = 253402300799; // 9999-12-31 23:59:59

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
    uint32_t cp = 0;
    const int length = DecodeUtf8Sequence(b, static_cast<size_t>(available), &cp);
    if (length < 0) {
        return kNoValue;
    }
    return length == 0 ? L"invalid" : CharText(cp);
}

std::wstring Utf16Text(const uint8_t* b, int available, int big_endian) {
    const uint32_t first = static_cast<uint32_t>(ReadUnsigned(b, 2, big_endian));
    if (IsLowSurrogate(first)) {
        return L"invalid";
    }
    if (!IsHighSurrogate(first)) {
        return CharText(first);
    }
    if (available < 4) {
        return kNoValue;
    }
    const uint32_t second = static_cast<uint32_t>(ReadUnsigned(b + 2, 2, big_endian));
    if (!IsLowSurrogate(second)) {
        return L"invalid";
    }
    return CharText(CombineSurrogates(first, second));
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

class Windows1252 : public AnsiCharSet {
  public:
    int32_t Decode(uint8_t byte) override { return Windows1252Char(byte); }
    int Encode(uint32_t code_point, uint8_t* byte) override {
        for (int b = 0; b < 256; ++b) {
            if (static_cast<uint32_t>(Decode(static_cast<uint8_t>(b))) == code_point) {
                *byte = static_cast<uint8_t>(b);
                return 1;
            }
        }
        return 0;
    }
};

} // namespace

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
