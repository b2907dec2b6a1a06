// The formatter must produce the same texts on every platform.
#include "base/format_text.h"
#include "base/tkstr.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(FormatText, WindowsStyleSpecifiers) {
    EXPECT_EQ(FormatText(L"Total: 0x%I64X", static_cast<int64_t>(0x3FF)), L"Total: 0x3FF");
    EXPECT_EQ(FormatText(L"%016I64X", static_cast<int64_t>(-1)), L"FFFFFFFFFFFFFFFF");
    EXPECT_EQ(FormatText(L"%02X%016I64X", 3u, static_cast<int64_t>(0x10)), L"030000000000000010");
    EXPECT_EQ(FormatText(L"%.2X ", 0xAu), L"0A ");
    EXPECT_EQ(FormatText(L"%.16I64X", static_cast<int64_t>(0x20)), L"0000000000000020");
    EXPECT_EQ(FormatText(L"Selected: 0x%I64X ~ %I64d", static_cast<int64_t>(16),
                         static_cast<int64_t>(16)),
              L"Selected: 0x10 ~ 16");
    EXPECT_EQ(FormatText(L"%d|%5d|%-3d|%05d", -7, 42, 1, -3), L"-7|   42|1  |-0003");
    EXPECT_EQ(FormatText(L"%s - %s", L"Pelmora", L"C:\\a.bin"), L"Pelmora - C:\\a.bin");
    EXPECT_EQ(FormatText(L"%04X", 0x1A2u), L"01A2");
    EXPECT_EQ(FormatText(L"100%%"), L"100%");
}

TEST(FormatText, LongArgumentsAreNeverCut) {
    std::wstring path(300, L'x');
    EXPECT_EQ(FormatText(L"Failed to open file %s\n", path.c_str()).size(), 300u + 21u);
}

TEST(Tkstr, FolderPart) {
    tkstr a(L"C:\\data\\a.bin");
    EXPECT_STREQ(a.GetFolder(), L"C:\\data");
    tkstr b(L"C:/x/y.bin");
    EXPECT_STREQ(b.GetFolder(), L"C:/x");
    tkstr c(L"C:\\a.bin");
    EXPECT_STREQ(c.GetFolder(), L"C:");
    tkstr d(L"a.bin");
    EXPECT_EQ(d.GetFolder(), nullptr);
    tkstr e(L"");
    EXPECT_EQ(e.m_sz_text, nullptr);
    EXPECT_EQ(e.GetFolder(), nullptr);
    tkstr mixed(L"C:\\x/y\\z.bin");
    EXPECT_STREQ(mixed.GetFolder(), L"C:\\x/y");
    EXPECT_STREQ(mixed.GetFolder(), L"C:\\x/y"); // a second call replaces the first result
}

TEST(Tkstr, CapacityLeavesRoomForASuffix) {
    tkstr s(5 + 32, L"a.bin");
    ASSERT_NE(s.m_sz_text, nullptr);
    EXPECT_STREQ(s.c_str(), L"a.bin");
    EXPECT_EQ(s.capacity(), 37u);
}
