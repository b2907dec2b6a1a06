// Path comparison: ASCII letters match in either case, as Windows file names
// do in the "C" locale; every other character only as itself.
#include "base/same_path.h"

#include <gtest/gtest.h>

namespace {

TEST(SamePath, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(SamePath(L"C:\\Data\\A.bin", L"c:\\data\\a.BIN"));
    EXPECT_FALSE(SamePath(L"C:\\data\\\u00E9.bin", L"C:\\data\\\u00C9.bin"));
    EXPECT_FALSE(SamePath(L"C:\\data\\a.bin", L"C:\\data\\a.bin2"));
    EXPECT_FALSE(SamePath(L"C:\\data\\[", L"C:\\data\\{")); // not folded by a bit flip
}

} // namespace
