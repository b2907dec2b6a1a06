// Fuzzes the hex texts of the copy commands: each builder fills exactly the
// size its size function gives (and refuses any other), the plain text is the
// bytes' digit pairs, and the formatted one is the same digits laid out in
// rows that end where the view's rows end.
#include "tools/clipboard_text.h"

#include "fuzz/fuzz_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::u16string Decode(const std::vector<uint8_t>& out) {
    std::u16string text;
    for (size_t i = 0; i + 1 < out.size(); i += 2)
        text += static_cast<char16_t>(out[i] | (out[i + 1] << 8));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Offsets anywhere in a document of up to 2^62 bytes.
    const auto start = static_cast<int64_t>(FuzzTakeNumber(&data, &size, 8) >> 2);
    const auto count = static_cast<int64_t>(size);

    const int64_t plain_size = PlainHexTextSize(count);
    std::vector<uint8_t> plain(static_cast<size_t>(plain_size + 1) * 2);
    if (BuildPlainHex(data, count, plain.data(), plain_size + 1) != 0 ||
        BuildPlainHex(data, count, plain.data(), plain_size) != plain_size)
        std::abort();
    plain.resize(static_cast<size_t>(plain_size) * 2);
    const std::u16string digits = Decode(plain);
    static const char kHex[] = "0123456789ABCDEF";
    if (digits.size() != static_cast<size_t>(2 * count + 1) || digits.back() != 0)
        std::abort();
    for (int64_t i = 0; i < count; ++i)
        if (digits[2 * i] != kHex[data[i] >> 4] || digits[2 * i + 1] != kHex[data[i] & 15])
            std::abort();

    const int64_t formatted_size = FormattedHexTextSize(start, count);
    std::vector<uint8_t> formatted(static_cast<size_t>(formatted_size + 1) * 2);
    if (BuildFormattedHex(start, data, count, formatted.data(), formatted_size + 1) != 0 ||
        BuildFormattedHex(start, data, count, formatted.data(), formatted_size) != formatted_size)
        std::abort();
    formatted.resize(static_cast<size_t>(formatted_size) * 2);
    const std::u16string text = Decode(formatted);
    std::u16string kept;
    int64_t line_ends = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            if (i + 1 >= text.size() || text[i + 1] != u'\n')
                std::abort();
            ++line_ends;
        } else if (text[i] != u' ' && text[i] != u'\n') {
            kept += text[i];
        }
    }
    if (kept != digits)
        std::abort();
    // A row ends after every byte in column 15.
    const int64_t first_column = start % 16;
    if (line_ends != (first_column + count) / 16)
        std::abort();
    return 0;
}
