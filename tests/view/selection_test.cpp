// Selection, caret, digit entry, markers and status texts.
#include "tests/view/view_fixture.h"
#include "view/selection.h"
#include "view/navigation.h"
#include "view/status_panes.h"

using SelectionTest = ViewFixture;

TEST_F(SelectionTest, ClickThenShiftClickSelectsBackwardsWithMouseStatus) {
    CallBackInfo* doc = Open(Counting(64));
    ASSERT_EQ(1, ClickAtPoint(m_doc.get(), CellX(5), RowY(0)));
    EXPECT_EQ(L"Begin: 0x5", m_host.m_status[1]);
    EXPECT_EQ(L"End: 0x5", m_host.m_status[2]);
    EXPECT_EQ(L"Selected: 0x1 / 1", m_host.m_status[3]);
    ASSERT_EQ(1, ExtendToPoint(m_doc.get(), CellX(2), RowY(0)));
    EXPECT_EQ(2, SelectionStart(m_doc.get()));
    EXPECT_EQ(5, SelectionEnd(m_doc.get()));
    EXPECT_EQ(L"Begin: 0x2", m_host.m_status[1]);
    EXPECT_EQ(L"End: 0x5", m_host.m_status[2]);
    EXPECT_EQ(L"Selected: 0x4 / 4", m_host.m_status[3]);
    EXPECT_EQ(m_host.m_status[3], m_host.m_tips[3]);
    EXPECT_EQ(2, doc->m_n_caret_offset);
    EXPECT_EQ(kL0 + 2 * (kM + kS), m_host.m_pt_caret.x);
}

TEST_F(SelectionTest, KeyboardExtensionUsesTheTildeForm) {
    Open(Counting(256));
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 0x20));
    ASSERT_EQ(1, ExtendBy(m_doc.get(), m_state.get(), 15));
    EXPECT_EQ(L"Selected: 0x10 ~ 16", m_host.m_status[3]);
    EXPECT_EQ(L"End: 0x2F", m_host.m_status[2]);
}

TEST_F(SelectionTest, ClickOutsideClearsTheSelectionButKeepsTheTexts) {
    CallBackInfo* doc = Open(Counting(64));
    ASSERT_EQ(1, ClickAtPoint(m_doc.get(), CellX(5), RowY(1)));
    EXPECT_EQ(L"Begin: 0x15", m_host.m_status[1]);
    EXPECT_EQ(0, ClickAtPoint(m_doc.get(), 5, RowY(1)));
    EXPECT_EQ(-1, doc->m_n_sel_anchor);
    EXPECT_EQ(-1, doc->m_n_sel_active);
    EXPECT_EQ(-1, doc->m_n_caret_offset);
    EXPECT_EQ(-100, doc->m_pt_caret.x);
    EXPECT_EQ(L"Begin: 0x15", m_host.m_status[1]);
    EXPECT_EQ(0, ExtendToPoint(m_doc.get(), CellX(1), RowY(0))); // no anchor: nothing
}

TEST_F(SelectionTest, MovesAreRefusedAtTheEnds) {
    CallBackInfo* doc = Open(Counting(40));
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 0));
    const std::wstring begin = m_host.m_status[1];
    EXPECT_EQ(0, MoveCaret(m_doc.get(), m_state.get(), 1, -1)); // "Byte left" at 0
    EXPECT_EQ(0, SelectionStart(m_doc.get()));
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 39));
    EXPECT_EQ(0, MoveCaret(m_doc.get(), m_state.get(), 1, 1)); // "Byte right" on the last byte
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 30));
    EXPECT_EQ(0, MoveCaret(m_doc.get(), m_state.get(), 1,
                           16)); // "Line down" within the last 16 bytes: no partial move
    EXPECT_EQ(30, SelectionStart(m_doc.get()));
    EXPECT_EQ(L"Begin: 0x1E", m_host.m_status[1]);
    EXPECT_EQ(0, ExtendBy(m_doc.get(), m_state.get(), 10));
    EXPECT_EQ(30, doc->m_n_sel_active);
    EXPECT_EQ(1, MoveCaret(m_doc.get(), m_state.get(), 1, -16));
    EXPECT_EQ(14, SelectionStart(m_doc.get()));
    EXPECT_EQ(1, MoveCaret(m_doc.get(), m_state.get(), 0, 3));
    EXPECT_EQ(3, SelectionStart(m_doc.get()));
    EXPECT_EQ(1, MoveCaret(m_doc.get(), m_state.get(), 7, 99)); // any other mode goes to 0
    EXPECT_EQ(0, SelectionStart(m_doc.get()));
    // Go to offset clamps instead.
    EXPECT_EQ(1, GoToOffset(m_doc.get(), 1000));
    EXPECT_EQ(39, SelectionStart(m_doc.get()));
    const int invalidations = m_host.m_n_invalidations;
    EXPECT_EQ(0, GoToOffset(m_doc.get(), -1));
    EXPECT_EQ(invalidations + 1, m_host.m_n_invalidations);
    EXPECT_EQ(39, SelectionStart(m_doc.get()));
    (void)begin;
}

TEST_F(SelectionTest, ByteRightStartsFromTheSelectionStartAndExtensionKeepsTheCaret) {
    CallBackInfo* doc = Open(Counting(64));
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 10));
    ASSERT_EQ(1, ExtendToOffset(m_doc.get(), 20));
    ASSERT_EQ(1, ExtendBy(m_doc.get(), m_state.get(), 1));
    EXPECT_EQ(21, doc->m_n_sel_active);
    EXPECT_EQ(10, doc->m_n_caret_offset);
    ASSERT_EQ(1, MoveCaret(m_doc.get(), m_state.get(), 1, 1));
    EXPECT_EQ(11, doc->m_n_sel_anchor);
    EXPECT_EQ(11, doc->m_n_sel_active);
}

TEST_F(SelectionTest, ExtendingWithNothingSelectedStartsAtTheTarget) {
    CallBackInfo* doc = Open(Counting(64));
    ASSERT_EQ(1, ExtendToOffset(m_doc.get(), 12));
    EXPECT_EQ(12, doc->m_n_sel_anchor);
    EXPECT_EQ(12, doc->m_n_sel_active);
    doc->m_n_sel_anchor = doc->m_n_sel_active = -1;
    EXPECT_EQ(0, ExtendBy(m_doc.get(), m_state.get(), 16));
}

TEST_F(SelectionTest, TypingTwoDigitsRewritesOneByteAndMovesTheCaretByHalves) {
    CallBackInfo* doc = Open(Counting(64));
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 0x10));
    const int32_t x0 = kL0 + 0 * (kM + kS);
    ASSERT_EQ(1, TypeDigit(m_doc.get(), m_state.get(), '4'));
    EXPECT_EQ(1, doc->m_b_low_nibble);
    EXPECT_EQ(x0 + kM / 2, m_host.m_pt_caret.x);
    EXPECT_EQ(0x40, ByteAt(0x10));
    ASSERT_EQ(1, TypeDigit(m_doc.get(), m_state.get(), '1'));
    EXPECT_EQ(0x41, ByteAt(0x10));
    EXPECT_EQ(0, doc->m_b_low_nibble);
    EXPECT_EQ(x0, m_host.m_pt_caret.x);
    EXPECT_EQ(0x10, doc->m_n_caret_offset); // one byte selected: typing stays on it
    ASSERT_EQ(1, TypeDigit(m_doc.get(), m_state.get(), '4'));
    ASSERT_EQ(1, TypeDigit(m_doc.get(), m_state.get(), '2'));
    EXPECT_EQ(0x42, ByteAt(0x10));
    EXPECT_EQ(1, doc->IsModified());
    EXPECT_EQ(64, doc->m_n_data_size);
    EXPECT_EQ(0x11, ByteAt(0x11));
    EXPECT_EQ(2, doc->m_n_last_nibble);
}

TEST_F(SelectionTest, TypingCyclesWithinTheSelection) {
    CallBackInfo* doc = Open(Counting(64));
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 0x10));
    ASSERT_EQ(1, ExtendToOffset(m_doc.get(), 0x11));
    for (char ch : std::string("123456")) {
        ASSERT_EQ(1, TypeDigit(m_doc.get(), m_state.get(), static_cast<unsigned>(ch)));
    }
    EXPECT_EQ(0x56, ByteAt(0x10));
    EXPECT_EQ(0x34, ByteAt(0x11));
    EXPECT_EQ(0x11, doc->m_n_edit_pos);
    EXPECT_EQ(0x12, ByteAt(0x12));
    // Lower-case and upper-case letters are digits too.
    ASSERT_EQ(1, TypeDigit(m_doc.get(), m_state.get(), 'a'));
    ASSERT_EQ(1, TypeDigit(m_doc.get(), m_state.get(), 'F'));
    EXPECT_EQ(0xAF, ByteAt(0x11));
}

TEST_F(SelectionTest, NonDigitsAndTypingWithoutSelectionChangeNothing) {
    CallBackInfo* doc = Open(Counting(64));
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 3));
    for (unsigned ch : {unsigned('g'), unsigned(' '), 8u, unsigned('G'), 0x1F600u}) {
        EXPECT_EQ(0, TypeDigit(m_doc.get(), m_state.get(), ch));
    }
    EXPECT_EQ(3, ByteAt(3));
    EXPECT_EQ(0, doc->m_b_low_nibble);
    EXPECT_EQ(0, doc->IsModified());
    // With edit mode off a hex digit changes nothing but says why.
    m_state->m_b_edit_mode = 0;
    m_host.m_status[3].clear();
    EXPECT_EQ(0, TypeKey(doc, m_state.get(), 'g'));
    EXPECT_EQ(L"", m_host.m_status[3]);
    EXPECT_EQ(0, TypeKey(doc, m_state.get(), 'a'));
    EXPECT_EQ(3, ByteAt(3));
    EXPECT_EQ(kEditModeOffText, m_host.m_status[3]);
    doc->m_n_sel_anchor = -1;
    doc->m_n_edit_pos = 3;
    EXPECT_EQ(0, TypeDigit(m_doc.get(), m_state.get(), '1'));
    EXPECT_EQ(-1, doc->m_n_edit_pos);
}

TEST_F(SelectionTest, BeginAndEndPositionsSelectTheRangeBetweenThem) {
    CallBackInfo* doc = Open(Counting(256));
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 0x30));
    ASSERT_EQ(1, SetBeginPosition(m_doc.get(), m_state.get()));
    EXPECT_EQ(0x30, m_state->m_n_begin_marker);
    EXPECT_EQ(0x30, doc->m_n_marker_offset);
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 0x12));
    ASSERT_EQ(1, SetEndPosition(m_doc.get(), m_state.get()));
    EXPECT_EQ(0x12, SelectionStart(m_doc.get()));
    EXPECT_EQ(0x30, SelectionEnd(m_doc.get()));
    EXPECT_EQ(-1, m_state->m_n_begin_marker);
    EXPECT_EQ(-1, m_state->m_n_end_marker);
    EXPECT_EQ(-1, doc->m_n_marker_offset);
    EXPECT_EQ(L"Selected: 0x1F ~ 31", m_host.m_status[3]);

    // Without a pending begin position the anchor stays where it was.
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 0x40));
    ASSERT_EQ(1, ExtendToOffset(m_doc.get(), 0x44));
    ASSERT_EQ(1, SetEndPosition(m_doc.get(), m_state.get()));
    EXPECT_EQ(0x40, doc->m_n_sel_anchor);
    EXPECT_EQ(0x40, doc->m_n_sel_active);
}

TEST_F(SelectionTest, ScrollIntoViewKeepsTwoRowsAboveAndFourBelow) {
    CallBackInfo* doc = Open(Counting(16 * 1000));
    m_host.m_n_window_height = 20 * kH; // 20 rows, header and status bar included
    SetScrollRange(m_state.get(), ScrollLines(m_doc.get()));
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 0));
    for (int i = 0; i < 15; ++i) {
        ASSERT_EQ(1, ExtendBy(m_doc.get(), m_state.get(), 16));
    }
    EXPECT_EQ(0, doc->m_n_top_line); // row 15 < top + 16: no scroll yet
    ASSERT_EQ(1, ExtendBy(m_doc.get(), m_state.get(), 16));
    EXPECT_EQ(16 + 4 - 20, doc->m_n_top_line);
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(1, ExtendBy(m_doc.get(), m_state.get(), 16));
    }
    EXPECT_EQ(46 + 4 - 20, doc->m_n_top_line);
    EXPECT_EQ(30, m_host.m_scroll.m_n_pos);
    ASSERT_EQ(1, MoveCaret(m_doc.get(), m_state.get(), 0, 16 * 29));
    EXPECT_EQ(27, doc->m_n_top_line);
    ASSERT_EQ(1, MoveCaret(m_doc.get(), m_state.get(), 0, 16 * 29 + 5)); // stays in view
    EXPECT_EQ(27, doc->m_n_top_line);
    ScrollIntoView(m_doc.get(), m_state.get(), 16 * 3);
    EXPECT_EQ(1, doc->m_n_top_line);
    ScrollIntoView(m_doc.get(), m_state.get(), 0);
    EXPECT_EQ(0, doc->m_n_top_line);
    EXPECT_EQ(0, m_host.m_scroll.m_n_pos);
}

TEST_F(SelectionTest, EditModeMakesTheCaretInTheXorColour) {
    CallBackInfo* doc = Open(Counting(64));
    doc->m_cr_sel_bk = 0x0000FF;
    m_state->m_cr_caret = 0x00FF80;
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 0x13));
    EXPECT_EQ(1, SetEditMode(m_doc.get(), m_state.get(), 1));
    EXPECT_EQ(1, m_state->m_b_edit_mode);
    EXPECT_EQ(1, m_host.m_b_caret);
    EXPECT_EQ(1, m_host.m_b_caret_shown);
    EXPECT_EQ(kM / 2, m_host.m_n_caret_width);
    EXPECT_EQ(kH, m_host.m_n_caret_height);
    EXPECT_EQ(0x00FF7Fu, m_host.m_cr_caret_xor);
    EXPECT_EQ(kL0 + 3 * (kM + kS), m_host.m_pt_caret.x);
    EXPECT_EQ(2 * kH, m_host.m_pt_caret.y);
    int32_t width = 0;
    int32_t height = 0;
    GetCaretSize(&width, &height);
    EXPECT_EQ(kM / 2, width);
    EXPECT_EQ(0, SetEditMode(m_doc.get(), m_state.get(), 0));
    EXPECT_EQ(0, m_host.m_b_caret);

    // Without a document edit mode switches on but makes no caret.
    EXPECT_EQ(1, SetEditMode(nullptr, m_state.get(), 1));
    EXPECT_EQ(0, m_host.m_b_caret);
}

TEST_F(SelectionTest, CaretPositionForFocusFollowsTheScrolledView) {
    CallBackInfo* doc = Open(Counting(1000));
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 16 * 3 + 1));
    ScrollBy(m_doc.get(), 2);
    const CaretPoint point = CaretPositionForFocus(m_doc.get());
    EXPECT_EQ(2 * kH, point.y);
    doc->m_pt_caret = {-100, -100};
    EXPECT_EQ(-100, CaretPositionForFocus(m_doc.get()).y);
    // Without focus the system caret belongs to another window (a dialog's
    // text box): the view keeps its own position and leaves the caret alone.
    doc->m_b_has_focus = 0;
    const int moves = m_host.m_n_caret_moves;
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 16 * 3));
    EXPECT_EQ(2 * kH, doc->m_pt_caret.y);
    ScrollBy(m_doc.get(), 1);
    ScrollToLine(m_doc.get(), 0);
    ScrollIntoView(m_doc.get(), m_state.get(), 900);
    ASSERT_EQ(1, ExtendToOffset(m_doc.get(), 900));
    EXPECT_EQ(1, SetEditMode(m_doc.get(), m_state.get(), 1));
    EXPECT_EQ(moves, m_host.m_n_caret_moves);
    EXPECT_EQ(0, m_host.m_b_caret);
    SetEditMode(m_doc.get(), m_state.get(), 0);
}

TEST(StatusPanes, TheLastPaneKeepsItsWidthInANarrowWindow) {
    int edges[3] = {};
    StatusPaneEdges(1200, edges);
    EXPECT_EQ(edges[0], 200);
    EXPECT_EQ(edges[2], 700);
    StatusPaneEdges(800, edges);
    EXPECT_LT(edges[0], edges[1]);
    EXPECT_LT(edges[1], edges[2]);
    EXPECT_GE(800 - edges[2], kLastPaneWidth);
}

TEST(Navigation, TargetsStayInsideTheDocument) {
    // 0x45 bytes: the last row holds 0x40..0x44.
    EXPECT_EQ(0x40, NavigationTarget(NavigationStep::kRowStart, 0x43, 0x45, 4));
    EXPECT_EQ(0x44, NavigationTarget(NavigationStep::kRowEnd, 0x41, 0x45, 4));
    EXPECT_EQ(0x1F, NavigationTarget(NavigationStep::kRowEnd, 0x12, 0x45, 4));
    EXPECT_EQ(0x05, NavigationTarget(NavigationStep::kPageUp, 0x25, 0x45, 2));
    EXPECT_EQ(0x00, NavigationTarget(NavigationStep::kPageUp, 0x05, 0x45, 2));
    EXPECT_EQ(0x44, NavigationTarget(NavigationStep::kPageDown, 0x30, 0x45, 2));
    EXPECT_EQ(0x44, NavigationTarget(NavigationStep::kDocumentEnd, 0, 0x45, 2));
    EXPECT_EQ(-1, NavigationTarget(NavigationStep::kDocumentStart, 0, 0, 2));
}

TEST_F(SelectionTest, NavigationExtendsFromTheActiveEnd) {
    Open(Counting(0x45));
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 0x12));
    ASSERT_EQ(1, Navigate(m_doc.get(), m_state.get(), NavigationStep::kRowEnd, 1));
    EXPECT_EQ(L"Selected: 0xE ~ 14", m_host.m_status[3]);
    ASSERT_EQ(1, Navigate(m_doc.get(), m_state.get(), NavigationStep::kDocumentEnd, 1));
    EXPECT_EQ(L"End: 0x44", m_host.m_status[2]);
    EXPECT_EQ(L"Begin: 0x12", m_host.m_status[1]);
    ASSERT_EQ(1, Navigate(m_doc.get(), m_state.get(), NavigationStep::kDocumentStart, 0));
    EXPECT_EQ(L"Selected: 0x1 ~ 1", m_host.m_status[3]);
}
