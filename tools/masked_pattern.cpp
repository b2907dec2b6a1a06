// Masked hex patterns and their scan over one buffer. The results are those
// of testing every window byte by byte: the lowest matching offset for
// First, the highest for Last.
#include "tools/masked_pattern.h"

#include "base/hex_digits.h"

#include <cstring>
#include <cwchar>
#include <utility>

namespace {

int Refuse(std::wstring* reason, const wchar_t* why) {
    if (reason != nullptr)
        *reason = why;
    return 0;
}

// One nibble of the text: its value and the mask of the bits it fixes.
void Nibble(wchar_t ch, int shift, uint8_t* value, uint8_t* mask) {
    if (ch == L'?')
        return;
    *value = static_cast<uint8_t>(*value | HexValue(static_cast<uint32_t>(ch)) << shift);
    *mask = static_cast<uint8_t>(*mask | 0xF << shift);
}

int BitCount(uint8_t b) {
    return __builtin_popcount(b);
}

} // namespace

int IsMaskedHexChar(wchar_t ch) {
    return ch == L'?' || HexValue(static_cast<uint32_t>(ch)) >= 0 ? 1 : 0;
}

size_t MaskedHexFilterCut(const wchar_t* text) {
    size_t i = 0;
    while (text != nullptr && text[i] != 0 && IsMaskedHexChar(text[i]))
        ++i;
    return i;
}

int ParseMaskedHex(const wchar_t* text, MaskedPattern* pattern, std::wstring* reason) {
    pattern->m_bytes.clear();
    pattern->m_mask.clear();
    if (reason != nullptr)
        reason->clear();
    if (text == nullptr || text[0] == 0)
        return 0;
    const size_t length = std::wcslen(text);
    if (MaskedHexFilterCut(text) != length)
        return Refuse(reason, L"A hex pattern holds only hex digits and ?");
    bool digit = false;
    for (size_t i = 0; i < length; ++i)
        digit = digit || text[i] != L'?';
    if (!digit)
        return Refuse(reason, L"A pattern of only wildcards matches everywhere: "
                              L"give at least one hex digit");
    const size_t count = (length + 1) / 2;
    pattern->m_bytes.assign(count, 0);
    pattern->m_mask.assign(count, 0);
    for (size_t b = 0; b < count; ++b) {
        const size_t right = length - 1 - 2 * b;
        uint8_t& value = pattern->m_bytes[count - 1 - b];
        uint8_t& mask = pattern->m_mask[count - 1 - b];
        Nibble(text[right], 0, &value, &mask);
        if (right >= 1)
            Nibble(text[right - 1], 4, &value, &mask);
        else
            mask = static_cast<uint8_t>(mask | 0xF0); // as if a 0 stood in front
    }
    return 1;
}

MaskedMatcher::MaskedMatcher(MaskedPattern pattern, int vector) : m_pattern(std::move(pattern)) {
    const size_t n = m_pattern.m_bytes.size();
    m_pattern.m_mask.resize(n, 0xFF);
    for (size_t i = 0; i < n; ++i)
        m_pattern.m_bytes[i] &= m_pattern.m_mask[i];
    const std::vector<uint8_t>& bytes = m_pattern.m_bytes;
    const std::vector<uint8_t>& mask = m_pattern.m_mask;

    // The anchors: within the longest run of fixed bytes its first byte and
    // the last one unlike it (as the exact scan chooses); without a fixed
    // byte, the first and the last of the bytes with the most fixed bits.
    // A byte that leaves one bit open counts as fixed here: that is how an
    // ASCII letter of either case looks, and a run of those (a word) tells
    // more than a lone fixed space or digit between them.
    size_t run_start = 0, run_length = 0, run = 0;
    for (size_t i = 0; i < n; ++i) {
        run = BitCount(mask[i]) >= 7 ? run + 1 : 0;
        if (run > run_length) {
            run_length = run;
            run_start = i + 1 - run;
        }
    }
    size_t a = 0, b = 0;
    if (run_length > 0) {
        a = run_start;
        b = run_start + run_length - 1;
        for (size_t i = b; i > a; --i) {
            if (bytes[i] != bytes[a] || mask[i] != mask[a]) {
                b = i;
                break;
            }
        }
    } else {
        int most = -1;
        for (size_t i = 0; i < n; ++i) {
            if (BitCount(mask[i]) > most) {
                most = BitCount(mask[i]);
                a = i;
            }
        }
        b = a;
        for (size_t i = n; i-- > a + 1;) {
            if (BitCount(mask[i]) == most) {
                b = i;
                break;
            }
        }
    }
    if (n > 0) {
        m_first_anchor.m_n_offset = a;
        m_first_anchor.m_values[0] = bytes[a];
        m_first_anchor.m_masks[0] = mask[a];
        m_second_anchor.m_n_offset = b;
        m_second_anchor.m_values[0] = bytes[b];
        m_second_anchor.m_masks[0] = mask[b];
    }
    m_b_vector = vector && anchor_scan::HasSse2() ? 1 : 0;
}

bool MaskedMatcher::Matches(const uint8_t* window) const {
    const size_t n = m_pattern.m_bytes.size();
    const uint8_t* value = m_pattern.m_bytes.data();
    const uint8_t* mask = m_pattern.m_mask.data();
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t d, v, m;
        std::memcpy(&d, window + i, 8);
        std::memcpy(&v, value + i, 8);
        std::memcpy(&m, mask + i, 8);
        if (((d & m) ^ v) != 0)
            return false;
    }
    for (; i < n; ++i)
        if ((window[i] & mask[i]) != value[i])
            return false;
    return true;
}

int64_t MaskedMatcher::First(const uint8_t* data, size_t length) const {
    const size_t n = Size();
    if (n == 0 || length < n)
        return -1;
    auto check = [this, data](size_t pos) { return Matches(data + pos); };
    return anchor_scan::First(data, length - n + 1, m_first_anchor, m_second_anchor, m_b_vector,
                              check);
}

int64_t MaskedMatcher::Last(const uint8_t* data, size_t length) const {
    const size_t n = Size();
    if (n == 0 || length < n)
        return -1;
    auto check = [this, data](size_t pos) { return Matches(data + pos); };
    return anchor_scan::Last(data, length - n + 1, m_first_anchor, m_second_anchor, m_b_vector,
                             check);
}
