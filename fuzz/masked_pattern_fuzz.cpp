// Fuzzes the masked hex parser and matcher: the pattern is the characters
// paired from the right, '?' leaving its nibble open (or nothing, with a
// reason, for a character that is neither a hex digit nor '?' and for a text
// of wildcards only); the rest of the input is searched with both scans and
// compared with a plain masked comparison.
#include "tools/masked_pattern.h"

#include "fuzz/fuzz_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

void CheckParse(const std::wstring& text, MaskedPattern* pattern) {
    size_t cut = 0;
    bool digit = false;
    for (; cut < text.size() && (text[cut] == L'?' || Digit(text[cut]) >= 0); ++cut)
        digit = digit || text[cut] != L'?';
    if (MaskedHexFilterCut(text.c_str()) != cut)
        std::abort();
    std::wstring reason;
    const int ok = ParseMaskedHex(text.c_str(), pattern, &reason);
    if (text.empty() || cut < text.size() || !digit) {
        if (ok || !pattern->m_bytes.empty() || reason.empty() != text.empty())
            std::abort();
        return;
    }
    const std::wstring chars = (text.size() % 2 ? L"0" : L"") + text;
    if (!ok || pattern->m_bytes.size() != chars.size() / 2 ||
        pattern->m_mask.size() != chars.size() / 2)
        std::abort();
    for (size_t i = 0; i < pattern->m_bytes.size(); ++i) {
        const wchar_t hi = chars[2 * i], lo = chars[2 * i + 1];
        const int mask = (hi == L'?' ? 0 : 0xF0) | (lo == L'?' ? 0 : 0x0F);
        const int value = (hi == L'?' ? 0 : Digit(hi) << 4) | (lo == L'?' ? 0 : Digit(lo));
        if (pattern->m_mask[i] != mask || pattern->m_bytes[i] != value)
            std::abort();
    }
}

bool Matches(const uint8_t* w, const MaskedPattern& p) {
    for (size_t i = 0; i < p.m_bytes.size(); ++i)
        if ((w[i] & p.m_mask[i]) != p.m_bytes[i])
            return false;
    return true;
}

void CheckSearch(const MaskedPattern& pattern, const uint8_t* data, size_t size) {
    int64_t first = -1, last = -1;
    const size_t n = pattern.m_bytes.size();
    for (size_t at = 0; n > 0 && at + n <= size; ++at) {
        if (Matches(data + at, pattern)) {
            first = first < 0 ? static_cast<int64_t>(at) : first;
            last = static_cast<int64_t>(at);
        }
    }
    for (int vector : {1, 0}) {
        const MaskedMatcher m(pattern, vector);
        if (m.First(data, size) != first || m.Last(data, size) != last)
            std::abort();
    }
}

} // namespace

// Input: the pattern text as UTF-16 up to a zero unit, then the data.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text = FuzzWideText(data, size);
    MaskedPattern pattern;
    CheckParse(text, &pattern);
    const size_t used = std::min(size, 2 * text.size() + 2);
    // An exact copy of the rest, so a read past its end is seen.
    std::vector<uint8_t> rest(data + used, data + size);
    CheckSearch(pattern, rest.data(), rest.size());
    return 0;
}
