// Masked byte patterns: hex text in which "??" stands for any byte and "?"
// for any nibble, and the first or last window of one buffer that matches
// such a pattern. The scan tests two anchor bytes of the longest run of fixed
// bytes 64 positions at a time (SSE2) and checks the rest of the mask only
// where both agree.
#pragma once

#include "tools/anchor_scan.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A window matches where (byte & m_mask[i]) == m_bytes[i] for every i; the
// wanted bits are zero wherever the mask is.
struct MaskedPattern {
    std::vector<uint8_t> m_bytes;
    std::vector<uint8_t> m_mask;
};

// 1 for a character a masked hex pattern may hold: a hex digit or '?'.
int IsMaskedHexChar(wchar_t ch);
// The index of the first character that is neither a hex digit nor '?', or
// the text's length (where an edit's filter cuts the text).
size_t MaskedHexFilterCut(const wchar_t* text);

// Reads hex digits and '?' wildcards as the plain hex pattern reads digits:
// paired from the right end, a lone leading one standing for the low nibble
// of a byte whose high nibble is 0. 1 with the pattern; 0 with an empty
// reason for an empty text, or with the reason the text was refused (a
// character that is neither a hex digit nor '?', or only wildcards, which
// would match everywhere).
int ParseMaskedHex(const wchar_t* text, MaskedPattern* pattern, std::wstring* reason);

class MaskedMatcher {
  public:
    // vector 0 keeps to the portable scan even where SSE2 exists.
    explicit MaskedMatcher(MaskedPattern pattern, int vector = 1);
    // Offset of the first / last window of the buffer that matches, or -1.
    int64_t First(const uint8_t* data, size_t length) const;
    int64_t Last(const uint8_t* data, size_t length) const;
    size_t Size() const { return m_pattern.m_bytes.size(); }
    int Vector() const { return m_b_vector; }

  private:
    bool Matches(const uint8_t* window) const;

    MaskedPattern m_pattern;
    anchor_scan::Anchor m_first_anchor;
    anchor_scan::Anchor m_second_anchor;
    int m_b_vector = 0;
};
