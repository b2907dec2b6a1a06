// Portable code page conversion: single-byte pages, UTF-8 and UTF-7.
#include "tools/code_page.h"

#include "base/utf16.h"
#include "base/utf8.h"
#include "base/windows_1252.h"

#include <cstring>

namespace {

// The byte of a character; '?' for one the page lacks (its five unassigned
// bytes included, which hold no character).
uint8_t Cp1252Byte(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return static_cast<uint8_t>(unit);
    for (unsigned b = 0x80; b < 0xA0; ++b) {
        const char16_t c = Windows1252Char(static_cast<uint8_t>(b));
        if (c != b && c == unit)
            return static_cast<uint8_t>(b);
    }
    return '?';
}

// Code points of UTF-16 units; a lone surrogate becomes U+FFFD.
std::vector<uint32_t> CodePoints(const char16_t* units, int64_t count) {
    std::vector<uint32_t> points;
    for (int64_t i = 0; i < count; ++i) {
        uint32_t u = units[i];
        if (IsHighSurrogate(u) && i + 1 < count && IsLowSurrogate(units[i + 1])) {
            points.push_back(CombineSurrogates(u, units[i + 1]));
            ++i;
        } else if (IsSurrogate(u)) {
            points.push_back(0xFFFD);
        } else {
            points.push_back(u);
        }
    }
    return points;
}

void Utf8(const char16_t* units, int64_t count, std::vector<uint8_t>* out) {
    for (uint32_t cp : CodePoints(units, count)) {
        char bytes[4];
        const int length = EncodeUtf8(cp, bytes);
        out->insert(out->end(), bytes, bytes + length);
    }
}

// UTF-7: letters, digits, the characters '(),-./:? and white space stand for
// themselves, '+' is written "+-", everything else as modified base64 of its
// UTF-16 units between '+' and '-'.
bool Utf7Direct(char16_t u) {
    if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
        return true;
    return u != 0 && std::strchr("'(),-./:? \t\r\n", static_cast<int>(u)) != nullptr && u < 0x80;
}

void Utf7(const char16_t* units, int64_t count, std::vector<uint8_t>* out) {
    static const char* b64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    int64_t i = 0;
    while (i < count) {
        char16_t u = units[i];
        if (u == 0 || Utf7Direct(u)) {
            out->push_back(static_cast<uint8_t>(u));
            ++i;
            continue;
        }
        if (u == '+') {
            out->push_back('+');
            out->push_back('-');
            ++i;
            continue;
        }
        out->push_back('+');
        uint32_t bits = 0;
        int nbits = 0;
        while (i < count && units[i] != 0 && !Utf7Direct(units[i]) && units[i] != '+') {
            bits = (bits << 16) | units[i];
            nbits += 16;
            while (nbits >= 6) {
                nbits -= 6;
                out->push_back(static_cast<uint8_t>(b64[(bits >> nbits) & 0x3F]));
            }
            ++i;
        }
        if (nbits > 0)
            out->push_back(static_cast<uint8_t>(b64[(bits << (6 - nbits)) & 0x3F]));
        // Closed with '-' always, so no following character can be read as base64.
        out->push_back('-');
    }
}

class PortableConverter : public CodePageConverter {
  public:
    int64_t Convert(uint32_t code_page, const char16_t* units, int64_t count, uint8_t* out,
                    int64_t capacity) override {
        if (units == nullptr || count <= 0)
            return 0;
        std::vector<uint8_t> bytes;
        switch (code_page) {
        case 0:
        case 1252:
            for (int64_t i = 0; i < count; ++i)
                bytes.push_back(Cp1252Byte(units[i]));
            break;
        case 20127:
            for (int64_t i = 0; i < count; ++i)
                bytes.push_back(units[i] < 0x80 ? static_cast<uint8_t>(units[i]) : '?');
            break;
        case 65001:
            Utf8(units, count, &bytes);
            break;
        case 65000:
            Utf7(units, count, &bytes);
            break;
        default:
            return 0;
        }
        const auto size = static_cast<int64_t>(bytes.size());
        if (out == nullptr)
            return size;
        if (capacity < size)
            return 0;
        std::memcpy(out, bytes.data(), bytes.size());
        return size;
    }
};

} // namespace

CodePageConverter& PortableCodePages() {
    static PortableConverter converter;
    return converter;
}

std::vector<char16_t> ToUtf16(const wchar_t* text) {
    std::vector<char16_t> units;
    if (text == nullptr)
        return units;
    for (const wchar_t* p = text; *p != 0; ++p) {
        auto c = static_cast<uint32_t>(*p);
        if (sizeof(wchar_t) > 2 && c >= 0x10000 && c <= 0x10FFFF) {
            uint32_t high = 0, low = 0;
            SplitSurrogates(c, &high, &low);
            units.push_back(static_cast<char16_t>(high));
            units.push_back(static_cast<char16_t>(low));
        } else {
            units.push_back(static_cast<char16_t>(c));
        }
    }
    return units;
}
