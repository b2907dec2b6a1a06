// The folding table: ranges of code points that fold by a fixed distance,
// either every one of them or every other one (where upper and lower case
// alternate, as in Latin Extended-A).
#include "tools/case_fold.h"

#include <cstddef>

namespace {

struct FoldRange {
    uint32_t m_n_first;
    uint32_t m_n_last;
    int32_t m_n_delta;
    uint32_t m_n_step; // 1: every code point of the range; 2: every other from the first
};

// Sorted by m_n_first, without overlaps.
constexpr FoldRange kFolds[] = {
    {0x00B5, 0x00B5, 0x03BC - 0x00B5, 1}, // MICRO SIGN to mu
    {0x00C0, 0x00D6, 32, 1},
    {0x00D8, 0x00DE, 32, 1},
    {0x0100, 0x012E, 1, 2},
    {0x0132, 0x0136, 1, 2},
    {0x0139, 0x0147, 1, 2},
    {0x014A, 0x0176, 1, 2},
    {0x0178, 0x0178, 0x00FF - 0x0178, 1},
    {0x0179, 0x017D, 1, 2},
    {0x017F, 0x017F, 0x0073 - 0x017F, 1}, // long s
    {0x0345, 0x0345, 0x03B9 - 0x0345, 1}, // combining ypogegrammeni to iota
    {0x0370, 0x0372, 1, 2},
    {0x0376, 0x0376, 1, 1},
    {0x037F, 0x037F, 0x03F3 - 0x037F, 1},
    {0x0386, 0x0386, 0x03AC - 0x0386, 1},
    {0x0388, 0x038A, 0x03AD - 0x0388, 1},
    {0x038C, 0x038C, 0x03CC - 0x038C, 1},
    {0x038E, 0x038F, 0x03CD - 0x038E, 1},
    {0x0391, 0x03A1, 32, 1},
    {0x03A3, 0x03AB, 32, 1},
    {0x03C2, 0x03C2, 1, 1}, // final sigma
    {0x03CF, 0x03CF, 0x03D7 - 0x03CF, 1},
    {0x03D0, 0x03D0, 0x03B2 - 0x03D0, 1}, // the symbol forms of beta, theta, phi, pi
    {0x03D1, 0x03D1, 0x03B8 - 0x03D1, 1},
    {0x03D5, 0x03D5, 0x03C6 - 0x03D5, 1},
    {0x03D6, 0x03D6, 0x03C0 - 0x03D6, 1},
    {0x03D8, 0x03EE, 1, 2},
    {0x03F0, 0x03F0, 0x03BA - 0x03F0, 1}, // kappa, rho, theta and epsilon symbols
    {0x03F1, 0x03F1, 0x03C1 - 0x03F1, 1},
    {0x03F4, 0x03F4, 0x03B8 - 0x03F4, 1},
    {0x03F5, 0x03F5, 0x03B5 - 0x03F5, 1},
    {0x03F7, 0x03F7, 1, 1},
    {0x03F9, 0x03F9, 0x03F2 - 0x03F9, 1},
    {0x03FA, 0x03FA, 1, 1},
    {0x03FD, 0x03FF, 0x037B - 0x03FD, 1},
    {0x0400, 0x040F, 80, 1},
    {0x0410, 0x042F, 32, 1},
    {0x0460, 0x0480, 1, 2},
    {0x048A, 0x04BE, 1, 2},
    {0x04C0, 0x04C0, 0x04CF - 0x04C0, 1},
    {0x04C1, 0x04CD, 1, 2},
    {0x04D0, 0x052E, 1, 2},
    {0x1C80, 0x1C80, 0x0432 - 0x1C80, 1}, // the old Cyrillic letter forms
    {0x1C81, 0x1C81, 0x0434 - 0x1C81, 1},
    {0x1C82, 0x1C82, 0x043E - 0x1C82, 1},
    {0x1C83, 0x1C83, 0x0441 - 0x1C83, 1},
    {0x1C84, 0x1C84, 0x0442 - 0x1C84, 1},
    {0x1C85, 0x1C85, 0x0442 - 0x1C85, 1},
    {0x1C86, 0x1C86, 0x044A - 0x1C86, 1},
    {0x1C87, 0x1C87, 0x0463 - 0x1C87, 1},
    {0x1C88, 0x1C88, 0xA64B - 0x1C88, 1},
    {0x1E9E, 0x1E9E, 0x00DF - 0x1E9E, 1}, // capital sharp s
    {0x2126, 0x2126, 0x03C9 - 0x2126, 1}, // OHM SIGN
    {0x212A, 0x212A, 0x006B - 0x212A, 1}, // KELVIN SIGN
    {0x212B, 0x212B, 0x00E5 - 0x212B, 1}, // ANGSTROM SIGN
    {0xA640, 0xA66C, 1, 2},
    {0xA680, 0xA69A, 1, 2},
};

bool Folds(const FoldRange& r, uint32_t c) {
    return c >= r.m_n_first && c <= r.m_n_last && (c - r.m_n_first) % r.m_n_step == 0;
}

} // namespace

uint32_t FoldNonAscii(uint32_t code_point) {
    size_t lo = 0, hi = sizeof(kFolds) / sizeof(kFolds[0]);
    while (lo < hi) { // the last range that starts at or before the code point
        const size_t mid = (lo + hi) / 2;
        if (kFolds[mid].m_n_first <= code_point)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == 0 || !Folds(kFolds[lo - 1], code_point))
        return code_point;
    return static_cast<uint32_t>(static_cast<int32_t>(code_point) + kFolds[lo - 1].m_n_delta);
}

int CaseVariants(uint32_t folded, uint32_t* out, int capacity) {
    int count = 0;
    auto add = [&](uint32_t c) {
        if (count < capacity)
            out[count] = c;
        ++count;
    };
    if (SimpleCaseFold(folded) == folded)
        add(folded);
    if (folded - 'a' < 26)
        add(folded - 32);
    for (const FoldRange& r : kFolds) {
        const auto source = static_cast<uint32_t>(static_cast<int32_t>(folded) - r.m_n_delta);
        if (Folds(r, source))
            add(source);
    }
    return count;
}
