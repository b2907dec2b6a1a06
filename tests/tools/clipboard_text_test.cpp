// Hex texts of the copy commands: layout rules and exact buffer sizes.
#include "tools/clipboard_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The UTF-16LE text (without its terminator) as a narrow string; checks the
// terminator and that every unit is ASCII.
std::string Decode(const std::vector<uint8_t>& block) {
    EXPECT_GE(block.size(), 2u);
    EXPECT_EQ(0, block.size() % 2);
    std::string text;
    for (size_t i = 0; i + 1 < block.size(); i += 2) {
        EXPECT_EQ(0, block[i + 1]);
        text.push_back(static_cast<char>(block[i]));
    }
    EXPECT_EQ('\0', text.back());
    text.pop_back();
    return text;
}

// Builds into a heap buffer of exactly the announced size, so AddressSanitizer
// sees any write past it.
std::string Formatted(int64_t start, const std::vector<uint8_t>& bytes) {
    const auto count = static_cast<int64_t>(bytes.size());
    const int64_t chars = FormattedHexTextSize(start, count);
    std::unique_ptr<uint8_t[]> out(new uint8_t[static_cast<size_t>(chars * 2)]);
    EXPECT_EQ(chars, BuildFormattedHex(start, bytes.data(), count, out.get(), chars));
    return Decode(std::vector<uint8_t>(out.get(), out.get() + chars * 2));
}

std::string Plain(const std::vector<uint8_t>& bytes) {
    const auto count = static_cast<int64_t>(bytes.size());
    const int64_t chars = PlainHexTextSize(count);
    std::unique_ptr<uint8_t[]> out(new uint8_t[static_cast<size_t>(chars * 2)]);
    EXPECT_EQ(chars, BuildPlainHex(bytes.data(), count, out.get(), chars));
    return Decode(std::vector<uint8_t>(out.get(), out.get() + chars * 2));
}

// The layout written out rule by rule, independently of the builder.
std::string ReferenceFormatted(int64_t start, const std::vector<uint8_t>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    const int64_t k = start % 16;
    text.append(static_cast<size_t>(3 * k + (k > 7 ? 1 : 0)), ' ');
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int64_t column = (start + static_cast<int64_t>(i)) % 16;
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 15]);
        const bool last = i + 1 == bytes.size();
        if (column == 7)
            text += "  ";
        else if (column == 15)
            text += "\r\n";
        else if (!(last && column >= 8))
            text += " ";
    }
    return text;
}

std::vector<uint8_t> Bytes(size_t n, uint8_t first) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(first + i * 17);
    return bytes;
}

} // namespace

TEST(ClipboardText, PlainAndFormattedOfThreeBytes) {
    const std::vector<uint8_t> bytes = {0x41, 0x42, 0x0D};
    EXPECT_EQ("41420D", Plain(bytes));
    EXPECT_EQ("41 42 0D ", Formatted(0, bytes));
    EXPECT_EQ("", Plain({}));
}

TEST(ClipboardText, FormattedAcrossColumnSevenAndFifteen) {
    std::vector<uint8_t> bytes(16);
    for (int i = 0; i < 16; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(0x05 + i); // offsets 5..20
    EXPECT_EQ(std::string(15, ' ') + "05 06 07  08 09 0A 0B 0C 0D 0E 0F\r\n10 11 12 13 14 ",
              Formatted(5, bytes));
}

TEST(ClipboardText, FormattedStartInColumnNine) {
    const std::string text = Formatted(9, {0xAA, 0xBB});
    EXPECT_EQ(std::string(28, ' ') + "AA BB", text);
}

TEST(ClipboardText, FormattedEndings) {
    // One whole row ends with a line break, eight bytes with two spaces, a last
    // byte in columns 8 to 14 with its digits.
    EXPECT_EQ("\r\n", Formatted(0, Bytes(16, 0)).substr(Formatted(0, Bytes(16, 0)).size() - 2));
    const std::string eight = Formatted(32, Bytes(8, 1));
    EXPECT_EQ("  ", eight.substr(eight.size() - 2));
    EXPECT_EQ("01 12 23 34 45 56 67 78  ", eight);
    EXPECT_EQ("01 12 23 34 45 56 67 78  89", Formatted(0, Bytes(9, 1)));
}

TEST(ClipboardText, EveryStartColumnAndLengthMatchesTheRulesAndItsSize) {
    for (int64_t start = 0; start < 48; ++start) {
        for (size_t count = 1; count <= 50; ++count) {
            const std::vector<uint8_t> bytes = Bytes(count, static_cast<uint8_t>(start));
            const std::string expected = ReferenceFormatted(start, bytes);
            ASSERT_EQ(expected, Formatted(start, bytes)) << start << " " << count;
            ASSERT_EQ(static_cast<int64_t>(expected.size()) + 1,
                      FormattedHexTextSize(start, static_cast<int64_t>(count)));
        }
    }
    // The column counts from the whole 64-bit offset.
    const int64_t far = (int64_t{1} << 40) + 9;
    EXPECT_EQ(ReferenceFormatted(9, Bytes(20, 3)), Formatted(far, Bytes(20, 3)));
}

TEST(ClipboardText, WrongCapacityIsRefusedWithoutWriting) {
    const std::vector<uint8_t> bytes = {1, 2, 3};
    std::vector<uint8_t> out(64, 0xEE);
    EXPECT_EQ(0, BuildPlainHex(bytes.data(), 3, out.data(), 6));
    EXPECT_EQ(0, BuildFormattedHex(0, bytes.data(), 3, out.data(), 11));
    EXPECT_EQ(0xEE, out[0]);
}
