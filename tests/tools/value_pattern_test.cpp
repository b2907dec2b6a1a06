// Typed numbers as search patterns: the inspector's parser decides, in
// either byte order, and only the number types are offered.
#include "tools/value_decoder.h"
#include "tools/value_pattern.h"

#include <gtest/gtest.h>

TEST(ValuePattern, NumbersInEitherByteOrderAndRefusals) {
    std::vector<uint8_t> bytes;
    std::wstring reason;
    ASSERT_EQ(1, BuildValuePattern(kTypeInt16, L"-2", 1, &bytes, &reason));
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xFE}), bytes);
    ASSERT_EQ(1, BuildValuePattern(kTypeUInt32, L" 0x10203 ", 0, &bytes, &reason));
    EXPECT_EQ((std::vector<uint8_t>{0x03, 0x02, 0x01, 0x00}), bytes);
    ASSERT_EQ(1, BuildValuePattern(kTypeFloat32, L"1.5", 0, &bytes, &reason));
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x00, 0xC0, 0x3F}), bytes);
    ASSERT_EQ(1, BuildValuePattern(kTypeFloat64, L"-0", 1, &bytes, &reason));
    EXPECT_EQ((std::vector<uint8_t>{0x80, 0, 0, 0, 0, 0, 0, 0}), bytes);
    ASSERT_EQ(1, BuildValuePattern(kTypeUInt64, L"18446744073709551615", 0, &bytes, &reason));
    EXPECT_EQ(std::vector<uint8_t>(8, 0xFF), bytes);

    EXPECT_EQ(0, BuildValuePattern(kTypeInt8, L"128", 0, &bytes, &reason));
    EXPECT_EQ(L"Out of range (-128 to 127)", reason);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(0, BuildValuePattern(kTypeFloat32, L"1e39", 0, &bytes, &reason));
    EXPECT_EQ(0, BuildValuePattern(kTypeInt32, L"", 0, &bytes, &reason));
    EXPECT_FALSE(reason.empty());
    for (int type : {int{kTypeBinary}, int{kTypeUtf8}, int{kTypeGuid}}) {
        EXPECT_EQ(0, IsSearchValueType(type));
        EXPECT_EQ(0, BuildValuePattern(type, L"1", 0, &bytes, &reason));
    }
}
