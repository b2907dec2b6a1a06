// Masked hex patterns: what the parser reads and refuses, and the matcher
// against a byte-by-byte masked comparison over random buffers, with the
// vector scan and the portable one. Buffers are exactly their length, so the
// sanitizer build sees any read past the end.
#include "tools/masked_pattern.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

bool WindowMatches(const uint8_t* w, const MaskedPattern& p) {
    for (size_t i = 0; i < p.m_bytes.size(); ++i)
        if ((w[i] & p.m_mask[i]) != p.m_bytes[i])
            return false;
    return true;
}

int64_t PlainFirst(const std::vector<uint8_t>& data, const MaskedPattern& p) {
    for (size_t at = 0; at + p.m_bytes.size() <= data.size(); ++at)
        if (WindowMatches(data.data() + at, p))
            return static_cast<int64_t>(at);
    return -1;
}

int64_t PlainLast(const std::vector<uint8_t>& data, const MaskedPattern& p) {
    int64_t last = -1;
    for (size_t at = 0; at + p.m_bytes.size() <= data.size(); ++at)
        if (WindowMatches(data.data() + at, p))
            last = static_cast<int64_t>(at);
    return last;
}

MaskedPattern Parsed(const wchar_t* text) {
    MaskedPattern p;
    std::wstring reason;
    EXPECT_EQ(1, ParseMaskedHex(text, &p, &reason)) << reason;
    return p;
}

} // namespace

TEST(MaskedHex, ReadsWildcardsAsTheHexParserReadsDigits) {
    MaskedPattern p = Parsed(L"DEad??eF");
    EXPECT_EQ((std::vector<uint8_t>{0xDE, 0xAD, 0x00, 0xEF}), p.m_bytes);
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xFF, 0x00, 0xFF}), p.m_mask);
    p = Parsed(L"4??F");
    EXPECT_EQ((std::vector<uint8_t>{0x40, 0x0F}), p.m_bytes);
    EXPECT_EQ((std::vector<uint8_t>{0xF0, 0x0F}), p.m_mask);
    // Odd lengths pair from the right: the lone leading character is a low
    // nibble under a fixed 0.
    p = Parsed(L"?A?");
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0xA0}), p.m_bytes);
    EXPECT_EQ((std::vector<uint8_t>{0xF0, 0xF0}), p.m_mask);

    std::wstring reason = L"old";
    EXPECT_EQ(0, ParseMaskedHex(L"", &p, &reason));
    EXPECT_TRUE(reason.empty());
    for (const wchar_t* refused : {L"????", L"?", L"12 34", L"1g", L"0x12"}) {
        EXPECT_EQ(0, ParseMaskedHex(refused, &p, &reason)) << refused;
        EXPECT_FALSE(reason.empty()) << refused;
        EXPECT_TRUE(p.m_bytes.empty()) << refused;
    }
    EXPECT_EQ(4u, MaskedHexFilterCut(L"a?9? b"));
    EXPECT_EQ(0u, MaskedHexFilterCut(L"*1"));
}

class Masked : public ::testing::TestWithParam<int> {};

TEST_P(Masked, AgreesWithAPlainMaskedComparison) {
    std::mt19937 rng(11);
    for (int round = 0; round < 4000; ++round) {
        std::vector<uint8_t> data(rng() % 300);
        // Few values, differing in either nibble and in bit 0x20 (a letter's
        // case), so that masks decide often.
        static const uint8_t kValues[] = {0x41, 0x6E, 0x61, 0x4E};
        const uint32_t alphabet = 1 + rng() % 4;
        for (auto& b : data)
            b = kValues[rng() % alphabet];
        const size_t n = 1 + rng() % 80;
        std::vector<uint8_t> window(n);
        const bool planted = rng() % 3 != 0 && n <= data.size();
        if (planted) { // at the very start, the very end or anywhere
            const size_t room = data.size() - n;
            const uint32_t where = rng() % 3;
            const size_t at = where == 0 ? 0 : where == 1 ? room : rng() % (room + 1);
            std::copy(data.begin() + static_cast<std::ptrdiff_t>(at),
                      data.begin() + static_cast<std::ptrdiff_t>(at + n), window.begin());
        } else {
            for (auto& b : window)
                b = kValues[rng() % alphabet];
        }
        MaskedPattern p;
        for (uint8_t b : window) {
            static const uint8_t kMasks[] = {0xFF, 0xFF, 0xDF, 0xDF, 0xF0, 0x0F, 0x00};
            const uint8_t mask = kMasks[rng() % 7];
            p.m_bytes.push_back(static_cast<uint8_t>(b & mask));
            p.m_mask.push_back(mask);
        }
        const MaskedMatcher m(p, GetParam());
        std::unique_ptr<uint8_t[]> exact(new uint8_t[data.size() + 1]);
        std::copy(data.begin(), data.end(), exact.get());
        ASSERT_EQ(PlainFirst(data, p), m.First(exact.get(), data.size())) << "round " << round;
        ASSERT_EQ(PlainLast(data, p), m.Last(exact.get(), data.size())) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(ScanKinds, Masked, ::testing::Values(1, 0),
                         [](const ::testing::TestParamInfo<int>& kind) {
                             return kind.param ? std::string("Vector") : std::string("Portable");
                         });
