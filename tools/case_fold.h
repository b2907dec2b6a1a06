// Simple Unicode case folding (one code point to one) for Basic Latin,
// Latin-1, Latin Extended-A, Greek and Cyrillic, with the letter-like signs
// that fold into them (KELVIN SIGN to "k", LATIN SMALL LETTER LONG S to "s",
// MICRO SIGN to mu, ...). Every other code point folds to itself.
#pragma once

#include <cstdint>

uint32_t FoldNonAscii(uint32_t code_point);

// The code point a case-insensitive comparison uses for this one.
inline uint32_t SimpleCaseFold(uint32_t code_point) {
    if (code_point < 0x80)
        return code_point - 'A' < 26 ? code_point + 32 : code_point;
    return FoldNonAscii(code_point);
}

// Every code point whose fold is the given folded one (itself included when
// it folds to itself), at most capacity of them; returns how many there are.
// No fold has more than kMostCaseVariants.
constexpr int kMostCaseVariants = 4;
int CaseVariants(uint32_t folded, uint32_t* out, int capacity);
