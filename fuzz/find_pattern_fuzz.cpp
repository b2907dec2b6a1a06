// Fuzzes the find-pattern builder: a hex pattern is the digits paired from
// the right (or nothing when a character is no digit, where the filter cuts),
// and each of the four text encodings gives the bytes of its own definition:
// UTF-16LE units, one Windows-1252 byte per unit, UTF-8 of the code points,
// and UTF-7 that decodes back to the units.
#include "base/utf8.h"
#include "tools/find.h"

#include "fuzz/fuzz_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int Digit(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

void CheckHex(const std::wstring& text) {
    size_t cut = 0;
    while (cut < text.size() && Digit(text[cut]) >= 0)
        ++cut;
    if (HexFilterCut(text.c_str()) != cut)
        std::abort();
    const std::vector<uint8_t> pattern = BuildFindPattern(kFindModeHex, text.c_str(), 0);
    if (cut < text.size() || text.empty()) {
        if (!pattern.empty())
            std::abort();
        return;
    }
    const std::wstring digits = (text.size() % 2 ? L"0" : L"") + text;
    if (pattern.size() != digits.size() / 2)
        std::abort();
    for (size_t i = 0; i < pattern.size(); ++i)
        if (pattern[i] != Digit(digits[2 * i]) * 16 + Digit(digits[2 * i + 1]))
            std::abort();
}

int Base64(uint8_t c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}

// UTF-7 back to UTF-16 units; false on anything malformed.
bool DecodeUtf7(const std::vector<uint8_t>& bytes, std::u16string* units) {
    for (size_t i = 0; i < bytes.size();) {
        if (bytes[i] >= 0x80)
            return false;
        if (bytes[i] != '+') {
            units->push_back(bytes[i++]);
            continue;
        }
        ++i;
        if (i < bytes.size() && bytes[i] == '-') {
            units->push_back(u'+');
            ++i;
            continue;
        }
        uint32_t bits = 0;
        int nbits = 0;
        for (; i < bytes.size() && Base64(bytes[i]) >= 0; ++i) {
            bits = (bits << 6) | static_cast<uint32_t>(Base64(bytes[i]));
            nbits += 6;
            if (nbits >= 16) {
                nbits -= 16;
                units->push_back(static_cast<char16_t>(bits >> nbits));
                bits &= (1u << nbits) - 1;
            }
        }
        if (bits != 0 || i >= bytes.size() || bytes[i] != '-')
            return false; // leftover bits must be zero; the run ends with '-'
        ++i;
    }
    return true;
}

void CheckText(const std::wstring& text) {
    std::u16string units(text.begin(), text.end());
    if (units.empty())
        return;

    std::vector<uint8_t> expected;
    for (char16_t u : units) {
        expected.push_back(static_cast<uint8_t>(u & 0xFF));
        expected.push_back(static_cast<uint8_t>(u >> 8));
    }
    if (BuildFindPattern(kFindModeText, text.c_str(), -1) != expected)
        std::abort();

    const std::vector<uint8_t> ansi = BuildFindPattern(kFindModeText, text.c_str(), 0);
    if (ansi.size() != units.size())
        std::abort();
    for (size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        const bool same = u < 0x80 || (u >= 0xA0 && u <= 0xFF);
        if (same ? ansi[i] != u : (ansi[i] != '?' && (ansi[i] < 0x80 || ansi[i] > 0x9F)))
            std::abort();
    }

    std::string utf8;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t cp = units[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++i] - 0xDC00u);
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD; // a lone surrogate
        }
        AppendUtf8(cp, &utf8);
    }
    if (BuildFindPattern(kFindModeText, text.c_str(), 65001) !=
        std::vector<uint8_t>(utf8.begin(), utf8.end()))
        std::abort();

    std::u16string decoded;
    if (!DecodeUtf7(BuildFindPattern(kFindModeText, text.c_str(), 65000), &decoded) ||
        decoded != units)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text = FuzzWideText(data, size);
    CheckHex(text);
    CheckText(text);
    // The same digits as one byte each, so short hex texts are reached often.
    std::wstring narrow;
    for (size_t i = 0; i < size && data[i] != 0; ++i)
        narrow += static_cast<wchar_t>(data[i]);
    CheckHex(narrow);
    return 0;
}
