// The one search interface: each kind of pattern reports where its matches
// lie and how many bytes each took, and an empty pattern finds nothing.
#include "tools/search_matcher.h"

#include <gtest/gtest.h>

#include <vector>

TEST(SearchMatcher, EveryKindReportsItsMatchAndLength) {
    const std::vector<uint8_t> data = {'x', 'k', 0xE2, 0x84, 0xAA, 'K', 0xDE, 0xAD, 0x01, 0xEF};
    size_t length = 0;

    const uint8_t k[] = {'k'};
    auto folded = MakeFoldedMatcher(k, 1, kFoldUtf8);
    EXPECT_EQ(1u, folded->MinLength());
    EXPECT_EQ(3u, folded->MaxLength());
    EXPECT_EQ(0, folded->First(data.data() + 2, data.size() - 2, &length)); // KELVIN SIGN
    EXPECT_EQ(3u, length);
    EXPECT_EQ(5, folded->Last(data.data(), data.size(), &length));
    EXPECT_EQ(1u, length);

    auto exact = MakeExactMatcher(k, 1);
    EXPECT_EQ(1, exact->Last(data.data(), data.size(), &length));
    EXPECT_EQ(1u, length);

    MaskedPattern masked;
    ASSERT_EQ(1, ParseMaskedHex(L"DEAD?1EF", &masked, nullptr));
    auto hex = MakeMaskedMatcher(masked);
    length = 0;
    EXPECT_EQ(6, hex->First(data.data(), data.size(), &length));
    EXPECT_EQ(4u, length);
    EXPECT_EQ(4u, hex->MaxLength());

    auto empty = MakeExactMatcher(k, 0);
    EXPECT_EQ(-1, empty->First(data.data(), data.size(), &length));
    EXPECT_EQ(0u, empty->MaxLength());
}
