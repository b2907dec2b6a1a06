// Goto: the number parser, the field's filter and the jump decisions.
#include "tests/tools/tools_fixture.h"
#include "tools/goto_parse.h"
#include "view/selection.h"

TEST(GotoParse, DecimalAndHex) {
    int64_t v = 0;
    EXPECT_EQ(1, ParseInt64(L"16", 0, &v));
    EXPECT_EQ(16, v);
    EXPECT_EQ(1, ParseInt64(L"0x10", 1, &v));
    EXPECT_EQ(16, v);
    EXPECT_EQ(1, ParseInt64(L"0X1f", 1, &v));
    EXPECT_EQ(31, v);
    // Without hex support "0x10" reads as 0 followed by other characters.
    EXPECT_EQ(1, ParseInt64(L"0x10", 0, &v));
    EXPECT_EQ(0, v);
    EXPECT_EQ(1, ParseInt64(L"  -42", 0, &v));
    EXPECT_EQ(-42, v);
    EXPECT_EQ(1, ParseInt64(L"12ab", 0, &v));
    EXPECT_EQ(12, v);
}

TEST(GotoParse, NoDigitsIsNoValue) {
    int64_t v = 7;
    EXPECT_EQ(0, ParseInt64(L"", 1, &v));
    EXPECT_EQ(0, ParseInt64(L"0x", 1, &v));
    EXPECT_EQ(0, ParseInt64(L"abc", 0, &v));
    EXPECT_EQ(0, ParseInt64(nullptr, 0, &v));
    EXPECT_EQ(7, v);
}

TEST(GotoParse, SixteenHexDigitsGiveEveryBitPattern) {
    int64_t v = 0;
    EXPECT_EQ(1, ParseInt64(L"0xFFFFFFFFFFFFFFFF", 1, &v));
    EXPECT_EQ(-1, v);
    EXPECT_EQ(1, ParseInt64(L"0x8000000000000000", 1, &v));
    EXPECT_LT(v, 0);
    EXPECT_EQ(1, ParseInt64(L"0x7FFFFFFFFFFFFFFF", 1, &v));
    EXPECT_EQ(INT64_MAX, v);
}

TEST(GotoFilter, KeepsHexOrDecimalDigits) {
    GotoFilterResult r = FilterGotoInput(L"12ab");
    EXPECT_EQ(0, r.m_b_hex);
    EXPECT_EQ(2u, r.m_n_cut);
    r = FilterGotoInput(L"0x1fzz");
    EXPECT_EQ(1, r.m_b_hex);
    EXPECT_EQ(4u, r.m_n_cut);
    r = FilterGotoInput(L"0X");
    EXPECT_EQ(1, r.m_b_hex);
    EXPECT_EQ(2u, r.m_n_cut);
    // Deleting the x switches back to decimal and cuts at the first hex letter.
    r = FilterGotoInput(L"01fa");
    EXPECT_EQ(0, r.m_b_hex);
    EXPECT_EQ(2u, r.m_n_cut);
    r = FilterGotoInput(L"0");
    EXPECT_EQ(0, r.m_b_hex);
    EXPECT_EQ(1u, r.m_n_cut);
    r = FilterGotoInput(L" 5");
    EXPECT_EQ(0u, r.m_n_cut);
    r = FilterGotoInput(L"");
    EXPECT_EQ(0u, r.m_n_cut);
}

TEST(GotoTargets, FromBeginningAndRelative) {
    EXPECT_EQ(16, GotoTarget(L"0x10", 1, 1, kGotoNext, 5, 100));
    EXPECT_EQ(16, GotoTarget(L"16", 0, 1, kGotoPrevious, 5, 100));
    EXPECT_EQ(110, GotoTarget(L"10", 0, 0, kGotoNext, 100, 200));
    EXPECT_EQ(100, GotoTarget(L"10", 0, 0, kGotoPrevious, 110, 200));
    // No selection yet counts from -1.
    EXPECT_EQ(4, GotoTarget(L"5", 0, 0, kGotoNext, -1, 200));
}

TEST(GotoTargets, Refusals) {
    EXPECT_EQ(-1, GotoTarget(L"11", 0, 0, kGotoPrevious, 10, 200));
    EXPECT_EQ(-1, GotoTarget(L"0x10", 1, 0, kGotoNext, 0xF0, 0x100));
    EXPECT_EQ(0xFF, GotoTarget(L"0xF", 1, 0, kGotoNext, 0xF0, 0x100));
    EXPECT_EQ(-1, GotoTarget(L"0x100", 1, 1, kGotoNext, 0, 0x100));
    EXPECT_EQ(-1, GotoTarget(L"0x8000000000000000", 1, 1, kGotoNext, 0, 0x100));
    EXPECT_EQ(-1, GotoTarget(L"0xFFFFFFFFFFFFFFFF", 1, 0, kGotoNext, 5, 0x100));
    EXPECT_EQ(-1, GotoTarget(L"0x", 1, 1, kGotoNext, 0, 0x100));
    EXPECT_EQ(-1, GotoTarget(L"", 0, 1, kGotoNext, 0, 0x100));
    EXPECT_EQ(-1, GotoTarget(L"0", 0, 1, kGotoNext, 0, 0));
    // A huge relative step wraps around and lands outside: refused.
    EXPECT_EQ(-1, GotoTarget(L"0x7FFFFFFFFFFFFFFF", 1, 0, kGotoNext, 10, 0x100));
}

class GotoJump : public ToolsFixture {};

TEST_F(GotoJump, MovesTheSelectionAndScrolls) {
    Open(Counting(0x10000));
    EXPECT_EQ(1, GotoOffsetValue(m_doc.get(), m_state.get(), L"0x8000", 1, 1, kGotoNext));
    EXPECT_EQ(0x8000, SelectionStart(m_doc.get()));
    EXPECT_EQ(0x8000, SelectionEnd(m_doc.get()));
    EXPECT_GT(m_doc->m_n_top_line, 0);
    EXPECT_EQ(0, GotoOffsetValue(m_doc.get(), m_state.get(), L"0x10000", 1, 1, kGotoNext));
    EXPECT_EQ(0x8000, SelectionStart(m_doc.get()));
    EXPECT_EQ(1, GotoOffsetValue(m_doc.get(), m_state.get(), L"16", 0, 0, kGotoPrevious));
    EXPECT_EQ(0x8000 - 16, SelectionStart(m_doc.get()));
    EXPECT_EQ(0, GotoOffsetValue(nullptr, m_state.get(), L"1", 0, 1, kGotoNext));
}
