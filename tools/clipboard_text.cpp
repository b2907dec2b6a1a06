// Hex text building: each byte becomes four UTF-16LE bytes from a table, the
// separators follow the view's row layout.
#include "tools/clipboard_text.h"

#include "base/hex_digits.h"

#include <cassert>
#include <cstring>

namespace {

// digit pair of every byte value as UTF-16LE: 'H', 0, 'L', 0
struct HexPairs {
    uint8_t units[256][4];
    HexPairs() {
        for (unsigned v = 0; v < 256; ++v) {
            units[v][0] = static_cast<uint8_t>(HexDigit(v >> 4));
            units[v][1] = 0;
            units[v][2] = static_cast<uint8_t>(HexDigit(v));
            units[v][3] = 0;
        }
    }
};

const HexPairs& Pairs() {
    static const HexPairs pairs;
    return pairs;
}

inline uint8_t* PutChar(uint8_t* out, char c) {
    out[0] = static_cast<uint8_t>(c);
    out[1] = 0;
    return out + 2;
}

inline int64_t ColumnOf(int64_t offset) {
    return offset & 15;
}

} // namespace

int64_t PlainHexTextSize(int64_t count) {
    return count < 0 ? 0 : 2 * count + 1;
}

int64_t FormattedHexTextSize(int64_t start, int64_t count) {
    if (count <= 0 || start < 0)
        return 1;
    const int64_t k = ColumnOf(start);
    const int64_t cells = count + k;
    int64_t size = 3 * cells + 2 * (cells / 16) + 1;
    if (ColumnOf(start + count - 1) == 7)
        ++size;
    return size;
}

int64_t BuildPlainHex(const uint8_t* bytes, int64_t count, uint8_t* out, int64_t capacity_chars) {
    if (count < 0 || capacity_chars != PlainHexTextSize(count))
        return 0;
    const HexPairs& pairs = Pairs();
    uint8_t* p = out;
    for (int64_t i = 0; i < count; ++i, p += 4)
        std::memcpy(p, pairs.units[bytes[i]], 4);
    p = PutChar(p, '\0');
    const int64_t written = (p - out) / 2;
    assert(written == capacity_chars);
    return written == capacity_chars ? written : 0;
}

int64_t BuildFormattedHex(int64_t start, const uint8_t* bytes, int64_t count, uint8_t* out,
                          int64_t capacity_chars) {
    if (count < 0 || start < 0 || capacity_chars != FormattedHexTextSize(start, count))
        return 0;
    const HexPairs& pairs = Pairs();
    uint8_t* p = out;
    if (count > 0) {
        // The cells before the first byte in its row, and the gap after column 7.
        const int64_t k = ColumnOf(start);
        int64_t lead = 3 * k + (k > 7 ? 1 : 0);
        for (int64_t i = 0; i < lead; ++i)
            p = PutChar(p, ' ');
        int64_t column = k;
        const int64_t last = count - 1;
        for (int64_t i = 0; i < count; ++i) {
            std::memcpy(p, pairs.units[bytes[i]], 4);
            p += 4;
            if (column == 7) {
                p = PutChar(p, ' ');
                p = PutChar(p, ' ');
            } else if (column == 15) {
                p = PutChar(p, '\r');
                p = PutChar(p, '\n');
            } else if (i != last || column < 8) {
                p = PutChar(p, ' ');
            }
            column = (column + 1) & 15;
        }
    }
    p = PutChar(p, '\0');
    const int64_t written = (p - out) / 2;
    assert(written == capacity_chars);
    return written == capacity_chars ? written : 0;
}
