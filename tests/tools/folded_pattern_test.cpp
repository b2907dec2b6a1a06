// Case-insensitive text: the fold table's own consistency and its special
// letters, the single-byte and UTF-7 rules, and the UTF-8 and UTF-16 matcher
// against a plain comparison by groups of case variants listed here, over
// random texts (vector and portable scans alike).
#include "base/utf8.h"
#include "tools/case_fold.h"
#include "tools/folded_pattern.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

// Text as the encoding's bytes, one code point (or UTF-16 unit) at a time.
std::vector<uint8_t> Encode(const std::vector<uint32_t>& cps, FoldEncoding enc) {
    std::vector<uint8_t> out;
    for (uint32_t cp : cps) {
        if (enc == kFoldUtf8) {
            char b[4];
            out.insert(out.end(), b, b + EncodeUtf8(cp, b));
        } else if (enc == kFoldUtf16Le) {
            out.push_back(static_cast<uint8_t>(cp));
            out.push_back(static_cast<uint8_t>(cp >> 8));
        } else if (enc == kFoldUtf16Be) {
            out.push_back(static_cast<uint8_t>(cp >> 8));
            out.push_back(static_cast<uint8_t>(cp));
        } else {
            out.push_back(static_cast<uint8_t>(cp));
        }
    }
    return out;
}

std::vector<uint8_t> Bytes(const char* text) {
    return std::vector<uint8_t>(text, text + std::strlen(text));
}

// First match and its length, or (-1, 0).
std::pair<int64_t, size_t> Find(const std::vector<uint8_t>& pattern,
                                const std::vector<uint8_t>& data, FoldEncoding enc) {
    const FoldedMatcher m(pattern.data(), pattern.size(), enc);
    size_t length = 0;
    const int64_t p = m.First(data.data(), data.size(), &length);
    return {p, p >= 0 ? length : 0};
}

// Case variants that must match one another, written out by hand; the
// surrogate units stand for themselves (UTF-16 compares unit by unit).
const std::vector<std::vector<uint32_t>> kGroups = {{'a', 'A'},
                                                    {'k', 'K', 0x212A},
                                                    {'s', 'S', 0x17F},
                                                    {0xDF, 0x1E9E},
                                                    {0x3C3, 0x3A3, 0x3C2},
                                                    {0x434, 0x414, 0x1C81},
                                                    {0xE9, 0xC9},
                                                    {0x3B8, 0x398, 0x3D1, 0x3F4},
                                                    {'x'},
                                                    {'.'},
                                                    {0xD83D},
                                                    {0xDE00}};

int GroupOf(uint32_t cp) {
    for (size_t g = 0; g < kGroups.size(); ++g)
        for (uint32_t v : kGroups[g])
            if (v == cp)
                return static_cast<int>(g);
    return -1;
}

// The match at a start, compared character by character by group: its length or 0.
size_t PlainMatch(const std::vector<uint8_t>& data, size_t at, const std::vector<int>& groups,
                  FoldEncoding enc) {
    size_t off = at;
    for (int g : groups) {
        uint32_t cp = 0;
        int length = 0;
        if (off >= data.size()) {
            return 0;
        } else if (enc == kFoldUtf8) {
            length = DecodeUtf8Sequence(data.data() + off, data.size() - off, &cp);
        } else if (off + 2 <= data.size()) {
            cp = enc == kFoldUtf16Le ? data[off] | data[off + 1] << 8u
                                     : data[off] << 8u | data[off + 1];
            length = 2;
        }
        if (length <= 0 || GroupOf(cp) != g)
            return 0;
        off += static_cast<size_t>(length);
    }
    return off - at;
}

class Folded : public ::testing::TestWithParam<int> {};

} // namespace

TEST(CaseFold, TableIsConsistentAndKnowsTheSpecialLetters) {
    for (uint32_t c = 0; c < 0x10000; ++c) {
        const uint32_t f = SimpleCaseFold(c);
        ASSERT_EQ(f, SimpleCaseFold(f)) << std::hex << c;
        uint32_t variants[kMostCaseVariants];
        const int n = CaseVariants(f, variants, kMostCaseVariants);
        ASSERT_LE(n, kMostCaseVariants) << std::hex << c;
        ASSERT_NE(variants + n, std::find(variants, variants + n, c)) << std::hex << c;
        for (int k = 0; k < n; ++k)
            ASSERT_EQ(f, SimpleCaseFold(variants[k])) << std::hex << c;
    }
    const std::pair<uint32_t, uint32_t> folds[] = {
        {'Q', 'q'},     {0xC0, 0xE0},   {0xD7, 0xD7},    {0xDF, 0xDF},   {0x178, 0xFF},
        {0x130, 0x130}, {0x131, 0x131}, {0x17F, 's'},    {0x149, 0x149}, {0x212A, 'k'},
        {0x212B, 0xE5}, {0xB5, 0x3BC},  {0x3C2, 0x3C3},  {0x3F4, 0x3B8}, {0x386, 0x3AC},
        {0x3FD, 0x37B}, {0x401, 0x451}, {0x42F, 0x44F},  {0x4C0, 0x4CF}, {0x4C1, 0x4C2},
        {0x4C2, 0x4C2}, {0x52E, 0x52F}, {0x1C88, 0xA64B}};
    for (const auto& fold : folds)
        EXPECT_EQ(fold.second, SimpleCaseFold(fold.first)) << std::hex << fold.first;
}

TEST(FoldedText, SingleByteAndUtf7FoldOnlyAsciiLetters) {
    EXPECT_EQ(std::make_pair(int64_t{2}, size_t{5}),
              Find(Bytes("Hello"), Bytes("..hELLO"), kFoldAnsi));
    EXPECT_EQ(-1, Find(Bytes("@["), Bytes("`{"), kFoldAnsi).first); // differ in 0x20 too
    EXPECT_EQ(-1, Find({0xC9}, {0xE9}, kFoldAnsi).first);           // only ASCII folds
    // "xé" in UTF-7: the base64 run carries bits and keeps its case.
    EXPECT_EQ(0, Find(Bytes("x+AOk-"), Bytes("X+AOk-"), kFoldUtf7).first);
    EXPECT_EQ(-1, Find(Bytes("x+AOk-"), Bytes("x+aOk-"), kFoldUtf7).first);
    EXPECT_EQ(0, Find(Bytes("+-a"), Bytes("+-A"), kFoldUtf7).first);
    EXPECT_EQ(kFoldUtf16Le, FoldEncodingOfCodePage(-1));
    EXPECT_EQ(kFoldUtf8, FoldEncodingOfCodePage(65001));
    EXPECT_EQ(kFoldAnsi, FoldEncodingOfCodePage(0));
}

TEST(FoldedText, MatchLengthIsTheBytesFound) {
    // "sk" finds LONG S and KELVIN SIGN: 2 + 3 UTF-8 bytes for 2 pattern bytes.
    const std::vector<uint8_t> data = Encode({'.', 0x17F, 0x212A, '.'}, kFoldUtf8);
    EXPECT_EQ(std::make_pair(int64_t{1}, size_t{5}), Find(Bytes("SK"), data, kFoldUtf8));
    EXPECT_EQ(std::make_pair(int64_t{0}, size_t{1}),
              Find(Encode({0x212A}, kFoldUtf8), Bytes("k"), kFoldUtf8));
    // A cut sequence in the pattern matches its bytes as they are.
    EXPECT_EQ(1, Find({'A', 0xE2, 0x84}, {'.', 'a', 0xE2, 0x84, 0xAA}, kFoldUtf8).first);
    EXPECT_EQ(
        std::make_pair(int64_t{2}, size_t{4}),
        Find(Encode({0x3A3, 0x3A3}, kFoldUtf16Be), {0, 0, 0x03, 0xC3, 0x03, 0xC2}, kFoldUtf16Be));
}

TEST_P(Folded, AgreesWithAPlainComparisonByCaseGroups) {
    std::mt19937 rng(5);
    for (FoldEncoding enc : {kFoldUtf8, kFoldUtf16Le, kFoldUtf16Be}) {
        for (int round = 0; round < 1500; ++round) {
            std::vector<uint32_t> text(rng() % 120);
            for (auto& cp : text) {
                const auto& g = kGroups[rng() % (enc == kFoldUtf8 ? 10 : kGroups.size())];
                cp = g[rng() % g.size()];
            }
            std::vector<uint8_t> data = Encode(text, enc);
            if (rng() % 4 == 0) // a stray byte: invalid UTF-8, an odd UTF-16 length
                data.insert(data.begin() + static_cast<std::ptrdiff_t>(rng() % (data.size() + 1)),
                            0xFF);
            // The pattern: a slice of the text (at its start, its end or
            // anywhere) or random characters, in other case variants.
            std::vector<uint32_t> pat(1 + rng() % 12);
            const bool slice = rng() % 3 != 0 && pat.size() <= text.size();
            const size_t room = slice ? text.size() - pat.size() : 0;
            const uint32_t where = rng() % 3;
            const size_t at = where == 0 ? 0 : where == 1 ? room : rng() % (room + 1);
            std::vector<int> groups;
            for (size_t i = 0; i < pat.size(); ++i) {
                const int g = slice ? GroupOf(text[at + i])
                                    : static_cast<int>(rng() % (enc == kFoldUtf8 ? 10 : 12));
                groups.push_back(g);
                pat[i] =
                    kGroups[static_cast<size_t>(g)][rng() % kGroups[static_cast<size_t>(g)].size()];
            }
            const std::vector<uint8_t> pattern = Encode(pat, enc);
            int64_t first = -1, last = -1;
            size_t first_length = 0, last_length = 0;
            for (size_t p = 0; p < data.size(); ++p) {
                const size_t length = PlainMatch(data, p, groups, enc);
                if (length != 0 && first < 0) {
                    first = static_cast<int64_t>(p);
                    first_length = length;
                }
                if (length != 0) {
                    last = static_cast<int64_t>(p);
                    last_length = length;
                }
            }
            const FoldedMatcher m(pattern.data(), pattern.size(), enc, GetParam());
            std::unique_ptr<uint8_t[]> exact(new uint8_t[data.size() + 1]);
            std::copy(data.begin(), data.end(), exact.get());
            size_t length = 0;
            ASSERT_EQ(first, m.First(exact.get(), data.size(), &length))
                << "encoding " << enc << " round " << round;
            if (first >= 0) {
                ASSERT_EQ(first_length, length) << "encoding " << enc << " round " << round;
            }
            ASSERT_EQ(last, m.Last(exact.get(), data.size(), &length))
                << "encoding " << enc << " round " << round;
            if (last >= 0) {
                ASSERT_EQ(last_length, length) << "encoding " << enc << " round " << round;
            }
            ASSERT_LE(m.MinLength(), pattern.size());
            ASSERT_GE(m.MaxLength(), pattern.size());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ScanKinds, Folded, ::testing::Values(1, 0),
                         [](const ::testing::TestParamInfo<int>& kind) {
                             return kind.param ? std::string("Vector") : std::string("Portable");
                         });
