// The Windows-1252 table: the page's own characters in 0x80..0x9F, the
// unassigned bytes and every other byte as themselves.
#include "base/windows_1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Windows1252, HighBytesAndUnassignedOnes) {
    EXPECT_EQ(char16_t{0x20AC}, Windows1252Char(0x80));
    EXPECT_EQ(char16_t{0x0178}, Windows1252Char(0x9F));
    EXPECT_EQ(char16_t{0x2122}, Windows1252Char(0x99));
    for (uint8_t b : {0x81, 0x8D, 0x8F, 0x90, 0x9D, 0x00, 0x7F, 0xA0, 0xFF})
        EXPECT_EQ(char16_t{b}, Windows1252Char(b)) << int{b};
}

} // namespace
