// UTF-8 from code points and from wide text, as paths and settings use it.
#include "base/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Utf8Of(uint32_t code_point) {
    std::string out;
    AppendUtf8(code_point, &out);
    return out;
}

TEST(Utf8, EachLengthAtItsBoundaries) {
    EXPECT_EQ(std::string("\x7F"), Utf8Of(0x7F));
    EXPECT_EQ(std::string("\xC2\x80"), Utf8Of(0x80));
    EXPECT_EQ(std::string("\xDF\xBF"), Utf8Of(0x7FF));
    EXPECT_EQ(std::string("\xE0\xA0\x80"), Utf8Of(0x800));
    EXPECT_EQ(std::string("\xEF\xBF\xBF"), Utf8Of(0xFFFF));
    EXPECT_EQ(std::string("\xF0\x90\x80\x80"), Utf8Of(0x10000));
    EXPECT_EQ(std::string("\xF4\x8F\xBF\xBF"), Utf8Of(0x10FFFF));
    EXPECT_EQ(std::string(1, '\0'), Utf8Of(0));
}

// One sequence: its length, 0 for a malformed one, -1 for one the end cuts short.
int Sequence(const std::string& bytes, uint32_t* cp) {
    return DecodeUtf8Sequence(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), cp);
}

TEST(Utf8, SequenceIsDecodedRefusedOrCutShort) {
    uint32_t cp = 0;
    EXPECT_EQ(1, Sequence("A\x80", &cp));
    EXPECT_EQ(0x41u, cp);
    EXPECT_EQ(3, Sequence("\xE2\x82\xAC!", &cp));
    EXPECT_EQ(0x20ACu, cp);
    EXPECT_EQ(4, Sequence("\xF4\x8F\xBF\xBF", &cp));
    EXPECT_EQ(0x10FFFFu, cp);
    for (const char* bad : {"\x80", "\xC0\x80", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80",
                            "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xE2\x41"}) {
        EXPECT_EQ(0, Sequence(bad, &cp)) << bad;
    }
    // Cut short only while the bytes there continue the sequence.
    EXPECT_EQ(-1, Sequence("\xE2\x82", &cp));
    EXPECT_EQ(-1, Sequence("\xF0", &cp));
    EXPECT_EQ(0, Sequence("", &cp)) << "no bytes: nothing to decode";
}

TEST(Utf8, WideTextConvertsAndBadTextIsRefused) {
    std::string out;
    ASSERT_EQ(1, WideToUtf8(L"/tmp/\u00E9t\u00E9 \u20AC", &out));
    EXPECT_EQ(std::string("/tmp/\xC3\xA9t\xC3\xA9 \xE2\x82\xAC"), out);

    // A character beyond the basic plane: a pair of units where wchar_t has 16
    // bits, one unit where it has 32.
    out.clear();
    ASSERT_EQ(1, WideToUtf8(L"a\U0001F600b", &out));
    EXPECT_EQ(std::string("a\xF0\x9F\x98\x80"
                          "b"),
              out);

    out.clear();
    const wchar_t lone[] = {L'x', static_cast<wchar_t>(0xD800), L'y', 0};
    EXPECT_EQ(0, WideToUtf8(lone, &out));
    EXPECT_EQ("x", out) << "what came before the fault is kept";
    const wchar_t trail_first[] = {static_cast<wchar_t>(0xDC00), static_cast<wchar_t>(0xD800), 0};
    out.clear();
    EXPECT_EQ(0, WideToUtf8(trail_first, &out));
    EXPECT_EQ(0, WideToUtf8(nullptr, &out));
    if (sizeof(wchar_t) == 4) {
        const wchar_t beyond[] = {static_cast<wchar_t>(0x110000), 0};
        EXPECT_EQ(0, WideToUtf8(beyond, &out));
    }
    out.clear();
    EXPECT_EQ(1, WideToUtf8(L"", &out));
    EXPECT_TRUE(out.empty());
}

} // namespace
