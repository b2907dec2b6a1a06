// The control's mouse, wheel and scroll bar decisions.
#include "tests/view/view_fixture.h"
#include "view/control_logic.h"
#include "view/selection.h"

class ControlLogicTest : public ViewFixture {
  protected:
    void SetUp() override {
        ViewFixture::SetUp();
        ControlDragState() = {0, 0};
        SetEditModeChangedHook(nullptr);
    }
    void TearDown() override {
        SetEditModeChangedHook(nullptr);
        ViewFixture::TearDown();
    }
};

TEST_F(ControlLogicTest, WheelScrollsOneRowPerFullNotch) {
    CallBackInfo* doc = Open(Counting(16 * 100));
    SetScrollRange(m_state.get(), ScrollLines(m_doc.get()));
    OnMouseWheel(m_doc.get(), m_state.get(), 120, 0); // forward at row 0: nothing
    EXPECT_EQ(0, doc->m_n_top_line);
    EXPECT_EQ(0, m_host.m_scroll.m_n_pos);
    EXPECT_EQ(1, OnMouseWheel(m_doc.get(), m_state.get(), -120, 0));
    EXPECT_EQ(1, doc->m_n_top_line);
    EXPECT_EQ(1, m_host.m_scroll.m_n_pos);
    EXPECT_EQ(0, OnMouseWheel(m_doc.get(), m_state.get(), -60, 0)); // half a notch
    EXPECT_EQ(1, doc->m_n_top_line);
    EXPECT_EQ(1, OnMouseWheel(m_doc.get(), m_state.get(), -480, 0));
    EXPECT_EQ(5, doc->m_n_top_line);
    EXPECT_EQ(1, OnMouseWheel(m_doc.get(), m_state.get(), 240, 0));
    EXPECT_EQ(3, doc->m_n_top_line);
    EXPECT_EQ(3, m_host.m_scroll.m_n_pos);
    // With Ctrl each message asks the owner for one font size step, whatever
    // its delta, and scrolls nothing.
    EXPECT_EQ(1, OnMouseWheel(m_doc.get(), m_state.get(), -360, 1));
    EXPECT_EQ(1, OnMouseWheel(m_doc.get(), m_state.get(), 60, 1));
    EXPECT_EQ(m_host.m_font_requests, (std::vector<int>{-1, 1}));
    EXPECT_EQ(3, doc->m_n_top_line);
    EXPECT_EQ(0, OnMouseWheel(nullptr, m_state.get(), -120, 0));
}

TEST_F(ControlLogicTest, ScrollBarCodes) {
    CallBackInfo* doc = Open(Counting(16 * 100));
    m_host.m_n_window_height = 20 * kH;
    SetScrollRange(m_state.get(), ScrollLines(m_doc.get()));
    EXPECT_EQ(1, OnScrollCode(m_doc.get(), m_state.get(), kScrollLineDown, 0));
    EXPECT_EQ(1, doc->m_n_top_line);
    EXPECT_EQ(0, OnScrollCode(m_doc.get(), m_state.get(), kScrollPageDown,
                              0)); // default handling follows
    EXPECT_EQ(1 + 17, doc->m_n_top_line);
    EXPECT_EQ(18, m_host.m_scroll.m_n_pos);
    EXPECT_EQ(0, OnScrollCode(m_doc.get(), m_state.get(), kScrollPageUp, 0));
    EXPECT_EQ(1, doc->m_n_top_line);
    EXPECT_EQ(1, OnScrollCode(m_doc.get(), m_state.get(), kScrollLineUp, 0));
    EXPECT_EQ(1, OnScrollCode(m_doc.get(), m_state.get(), kScrollLineUp, 0));
    EXPECT_EQ(0, doc->m_n_top_line);
    EXPECT_EQ(1, OnScrollCode(m_doc.get(), m_state.get(), kScrollThumbTrack, 50));
    EXPECT_EQ(50, doc->m_n_top_line);
    EXPECT_EQ(50, m_host.m_scroll.m_n_pos);
    EXPECT_EQ(1, OnScrollCode(m_doc.get(), m_state.get(), kScrollBottom, 0));
    EXPECT_EQ(99, doc->m_n_top_line);
    EXPECT_EQ(100, m_host.m_scroll.m_n_pos); // the thumb reaches the end
    EXPECT_EQ(1, OnScrollCode(m_doc.get(), m_state.get(), kScrollThumbPosition, 100));
    EXPECT_EQ(99, doc->m_n_top_line);
    EXPECT_EQ(1, OnScrollCode(m_doc.get(), m_state.get(), kScrollTop, 0));
    EXPECT_EQ(0, doc->m_n_top_line);
    EXPECT_EQ(0, m_host.m_scroll.m_n_pos);
    const int invalidations = m_host.m_n_invalidations;
    EXPECT_EQ(1, OnScrollCode(m_doc.get(), m_state.get(), kScrollEnd, 0));
    EXPECT_EQ(invalidations + 1, m_host.m_n_invalidations);
}

TEST_F(ControlLogicTest, PageStepIsAtLeastOneRowInAShortView) {
    CallBackInfo* doc = Open(Counting(16 * 100));
    SetScrollRange(m_state.get(), ScrollLines(m_doc.get()));
    ScrollToLine(m_doc.get(), 10);
    // Views of two, three and five rows: pages of 1, 1 and 2 rows.
    const int64_t pages[][2] = {{2, 1}, {3, 1}, {5, 2}};
    for (const auto& page : pages) {
        m_host.m_n_window_height = static_cast<int32_t>(page[0]) * kH;
        OnScrollCode(m_doc.get(), m_state.get(), kScrollPageDown, 0);
        EXPECT_EQ(10 + page[1], doc->m_n_top_line) << page[0] << " rows";
        OnScrollCode(m_doc.get(), m_state.get(), kScrollPageUp, 0);
        EXPECT_EQ(10, doc->m_n_top_line) << page[0] << " rows";
    }
}

TEST_F(ControlLogicTest, DragNotStartedOnAByteDoesNotScroll) {
    CallBackInfo* doc = Open(Counting(16 * 100));
    m_host.m_n_client_height = 10 * kH;
    SetScrollRange(m_state.get(), ScrollLines(m_doc.get()));
    ScrollToLine(m_doc.get(), 10);
    SyncThumb(m_doc.get(), m_state.get(), 10);
    // A press on the header row, then a small move in the top edge zone.
    EXPECT_EQ(0, OnLeftButtonDown(m_doc.get(), CellX(3), kH / 2, 0));
    OnDragMove(m_doc.get(), m_state.get(), CellX(3), kH / 2 + 3);
    OnDragHover(m_doc.get(), m_state.get(), CellX(3), kH / 2 + 3);
    EXPECT_EQ(10, doc->m_n_top_line);
    EXPECT_EQ(10, m_host.m_scroll.m_n_pos);
    OnLeftButtonUp(m_doc.get(), CellX(3), kH / 2 + 3);
    // A press in the address column near the bottom edge.
    EXPECT_EQ(0, OnLeftButtonDown(m_doc.get(), 10, 10 * kH - 5, 0));
    OnDragMove(m_doc.get(), m_state.get(), 12, 10 * kH - 4);
    OnDragHover(m_doc.get(), m_state.get(), 12, 10 * kH - 4);
    EXPECT_EQ(10, doc->m_n_top_line);
    EXPECT_EQ(10, m_host.m_scroll.m_n_pos);
    EXPECT_EQ(-1, SelectionStart(m_doc.get()));
    OnLeftButtonUp(m_doc.get(), 12, 10 * kH - 4);
}

TEST_F(ControlLogicTest, DragPastTheBottomKeepsScrollingOnHover) {
    CallBackInfo* doc = Open(Counting(16 * 100));
    m_host.m_n_client_height = 10 * kH;
    SetScrollRange(m_state.get(), ScrollLines(m_doc.get()));
    ASSERT_EQ(1, OnLeftButtonDown(m_doc.get(), CellX(0), RowY(3), 0)); // byte 0x30
    EXPECT_EQ(1, m_host.m_b_captured);
    EXPECT_EQ(0x30, SelectionStart(m_doc.get()));
    EXPECT_EQ(1, ControlDragState().m_b_dragging);

    const int32_t bottom_y = 10 * kH - 5; // within 30 pixels of the bottom
    OnDragMove(m_doc.get(), m_state.get(), CellX(2), bottom_y);
    EXPECT_EQ(1, ControlDragState().m_n_direction);
    EXPECT_EQ(1, doc->m_n_top_line);
    EXPECT_EQ(1, m_host.m_b_hover_armed);
    const int64_t row = bottom_y / kH - 1;
    EXPECT_EQ((1 + row) * 16 + 2, doc->m_n_sel_active);
    EXPECT_EQ(L"Selected: 0x63 / 99", m_host.m_status[3]);

    for (int i = 0; i < 5; ++i) {
        OnDragHover(m_doc.get(), m_state.get(), CellX(2), bottom_y);
    }
    EXPECT_EQ(6, doc->m_n_top_line);
    EXPECT_EQ((6 + row) * 16 + 2, doc->m_n_sel_active);
    EXPECT_EQ(6, m_host.m_scroll.m_n_pos);
    EXPECT_EQ(0x30, SelectionStart(m_doc.get()));
    EXPECT_NE(std::wstring::npos, m_host.m_status[3].find(L" / "));

    // Back in the middle: no more auto-scroll, hover tracking cancelled.
    OnDragMove(m_doc.get(), m_state.get(), CellX(2), RowY(4));
    EXPECT_EQ(0, ControlDragState().m_n_direction);
    EXPECT_EQ(0, m_host.m_b_hover_armed);
    EXPECT_EQ(6, doc->m_n_top_line);

    OnLeftButtonUp(m_doc.get(), CellX(3), RowY(4));
    EXPECT_EQ(0, ControlDragState().m_b_dragging);
    EXPECT_EQ(0, m_host.m_b_captured);
    EXPECT_EQ((6 + 4) * 16 + 3, doc->m_n_sel_active);
}

TEST_F(ControlLogicTest, DragPastTheTopScrollsUpAndBeyondTheSidesTakesTheRowEnds) {
    CallBackInfo* doc = Open(Counting(16 * 100));
    ScrollToLine(m_doc.get(), 10);
    ASSERT_EQ(1, OnLeftButtonDown(m_doc.get(), CellX(5), RowY(5), 0)); // byte (10 + 5) * 16 + 5
    OnDragMove(m_doc.get(), m_state.get(), CellX(5), 10);
    EXPECT_EQ(-1, ControlDragState().m_n_direction);
    EXPECT_EQ(9, doc->m_n_top_line);
    // Beside the grid the column follows where the active end stood: before
    // the anchor gives the row's start, after it the row's end.
    OnDragMove(m_doc.get(), m_state.get(), kL0 - 50, RowY(8));
    EXPECT_EQ((9 + 8) * 16 + 0, doc->m_n_sel_active);
    OnDragMove(m_doc.get(), m_state.get(), kL0 - 50, RowY(4));
    EXPECT_EQ((9 + 4) * 16 + 15, doc->m_n_sel_active);
}

TEST_F(ControlLogicTest, PressOutsideSelectsNothingAndShiftPressExtends) {
    CallBackInfo* doc = Open(Counting(64));
    EXPECT_EQ(0, OnLeftButtonDown(m_doc.get(), 3, RowY(0), 0));
    EXPECT_EQ(-100, m_host.m_pt_caret.x);
    EXPECT_EQ(0, m_host.m_b_captured);
    OnDragMove(m_doc.get(), m_state.get(), CellX(4), RowY(1));
    EXPECT_EQ(-1, doc->m_n_sel_active);
    OnLeftButtonUp(m_doc.get(), CellX(4), RowY(1));

    ASSERT_EQ(1, OnLeftButtonDown(m_doc.get(), CellX(5), RowY(0), 0));
    OnLeftButtonUp(m_doc.get(), CellX(5), RowY(0));
    ASSERT_EQ(1, OnLeftButtonDown(m_doc.get(), CellX(2), RowY(0), 1));
    EXPECT_EQ(0, ControlDragState().m_b_dragging);
    EXPECT_EQ(2, SelectionStart(m_doc.get()));
    EXPECT_EQ(L"Selected: 0x4 / 4", m_host.m_status[3]);
}

namespace {
int g_hook_state = -1;
void RecordEditMode(int on) {
    g_hook_state = on;
}
} // namespace

TEST_F(ControlLogicTest, DoubleClickTogglesEditModeAndTellsTheFrame) {
    Open(Counting(64));
    SetEditModeChangedHook(RecordEditMode);
    ASSERT_EQ(1, OnLeftButtonDown(m_doc.get(), CellX(5), RowY(0), 0));
    EXPECT_EQ(1, OnDoubleClick(m_doc.get(), m_state.get()));
    EXPECT_EQ(1, g_hook_state);
    EXPECT_EQ(1, m_host.m_b_caret);
    EXPECT_EQ(0, OnDoubleClick(m_doc.get(), m_state.get()));
    EXPECT_EQ(0, g_hook_state);
    EXPECT_EQ(0, m_host.m_b_caret);
    // A document opened read-only never enters edit mode.
    m_doc->m_b_read_only = 1;
    EXPECT_EQ(0, OnDoubleClick(m_doc.get(), m_state.get()));
    EXPECT_EQ(0, g_hook_state);
    EXPECT_EQ(0, m_host.m_b_caret);
}
