// Geometry: text width rule, metrics, hit test, byte positions, scrolling,
// scroll bar mapping and font creation.
#include "tests/view/view_fixture.h"

#include <cstring>

using GeometryTest = ViewFixture;

TEST_F(GeometryTest, TextWidthAddsTheLastCharactersAbcAndIgnoresNegativeC) {
    RecordingCanvas& canvas = m_host.m_canvas;
    canvas.m_widths[L'W'] = 13;
    EXPECT_EQ(8 + 13, TextWidth(&canvas, L"AW"));
    EXPECT_EQ(13, TextWidth(&canvas, L"W"));
    EXPECT_EQ(0, TextWidth(&canvas, L""));
    // B = advance - C: with C = -3 the negative C counts as 0, so A + B = 8 + 3.
    canvas.m_n_c_width = -3;
    EXPECT_EQ(8 + 11, TextWidth(&canvas, L"AA"));
    canvas.m_n_c_width = 2.5; // A + B + C = 8 exactly, summed in double precision
    EXPECT_EQ(16, TextWidth(&canvas, L"AA"));
    EXPECT_EQ(16, LineHeight(&canvas));
    EXPECT_EQ(0, LineHeight(nullptr));
}

TEST_F(GeometryTest, MetricsTakeTheWidestPairAndFitTheMainWindow) {
    CallBackInfo* doc = Open(Counting(20));
    EXPECT_EQ(kM, doc->m_n_cell_width);
    EXPECT_EQ(kS, doc->m_n_space_width);
    EXPECT_EQ(kL0, doc->m_n_hex_left);
    EXPECT_EQ(kH, doc->m_n_line_height);
    EXPECT_EQ(0xFu, doc->m_n_view_mask);
    EXPECT_EQ(46 * 8 + 24 * 16 + 52, m_host.m_n_main_width);

    // A proportional font: the widest pair sets every cell.
    m_host.m_canvas.m_widths[L'B'] = 11;
    m_host.m_canvas.m_widths[L'1'] = 4;
    ASSERT_EQ(1, ComputeMetrics(m_doc.get()));
    EXPECT_EQ(22, doc->m_n_cell_width);
    EXPECT_EQ(8 * 22 + 4 * 8, doc->m_n_hex_left);
    EXPECT_EQ(MainWindowWidth(22, 8), m_host.m_n_main_width);

    m_host.m_b_has_canvas = 0;
    EXPECT_EQ(0, ComputeMetrics(m_doc.get()));
    m_host.m_b_has_canvas = 1;
    EXPECT_EQ(0, ComputeMetrics(nullptr));
}

TEST_F(GeometryTest, HitTestGivesGapsToTheCellBeforeThem) {
    Open(Counting(64));
    int64_t offset = -1;
    // The double gap after cell 7 belongs to byte 7.
    const int32_t gap7 = kL0 + 7 * (kM + kS) + kM + kS + 3;
    ASSERT_EQ(1, HitTest(m_doc.get(), gap7, RowY(1), &offset));
    EXPECT_EQ(16 + 7, offset);
    // The single gap after cell 3.
    ASSERT_EQ(1, HitTest(m_doc.get(), kL0 + 3 * (kM + kS) + kM + 2, RowY(0), &offset));
    EXPECT_EQ(3, offset);
    // First pixel of cell 8 and of the grid.
    ASSERT_EQ(1, HitTest(m_doc.get(), kL0 + 8 * (kM + kS) + kS, RowY(0), &offset));
    EXPECT_EQ(8, offset);
    ASSERT_EQ(1, HitTest(m_doc.get(), kL0, RowY(2), &offset));
    EXPECT_EQ(32, offset);
    // The grid's right bound is inside, one pixel more is outside although the
    // hit span of cell 15 reaches further.
    ASSERT_EQ(1, HitTest(m_doc.get(), kL0 + 16 * (kM + kS), RowY(0), &offset));
    EXPECT_EQ(15, offset);
    EXPECT_EQ(0, HitTest(m_doc.get(), kL0 + 16 * (kM + kS) + 1, RowY(0), &offset));
}

TEST_F(GeometryTest, HitTestOutsideTheHexAreaClearsTheCaret) {
    CallBackInfo* doc = Open(Counting(64));
    int64_t offset = 77;
    doc->m_n_caret_offset = 5;
    doc->m_pt_caret = {1, 2};
    EXPECT_EQ(0, HitTest(m_doc.get(), CellX(3), kH - 1, &offset)); // header row
    EXPECT_EQ(-1, doc->m_n_caret_offset);
    EXPECT_EQ(-100, doc->m_pt_caret.x);
    EXPECT_EQ(-100, doc->m_pt_caret.y);
    EXPECT_EQ(77, offset);
    EXPECT_EQ(0, HitTest(m_doc.get(), kL0 - 1, RowY(0), &offset)); // address column
    EXPECT_EQ(0,
              HitTest(m_doc.get(), CharColumnLeft(doc) + 4, RowY(0), &offset)); // character column
    EXPECT_EQ(0, HitTest(m_doc.get(), CellX(0), RowY(6), &offset)); // far below the data
    EXPECT_EQ(0, HitTest(m_doc.get(), CellX(0), static_cast<int32_t>(0xFFF0),
                         &offset)); // y = -16 as 16 bits
}

TEST_F(GeometryTest, ClicksPastTheLastByteSelectTheLastByte) {
    Open(Counting(20));
    int64_t offset = -1;
    ASSERT_EQ(1, HitTest(m_doc.get(), CellX(10), RowY(1), &offset)); // empty cell of the last row
    EXPECT_EQ(19, offset);
    EXPECT_EQ(0, HitTest(m_doc.get(), CellX(0), RowY(2), &offset)); // Q = 1: row 2 is outside

    Open(Counting(32));
    ASSERT_EQ(1,
              HitTest(m_doc.get(), CellX(4), RowY(2), &offset)); // the row just below the last one
    EXPECT_EQ(31, offset);

    Open({});
    EXPECT_EQ(0, HitTest(m_doc.get(), CellX(0), RowY(0), &offset)); // no byte to select
}

TEST_F(GeometryTest, BytePositionStandsOnTheDigitAndHidesRowsOutOfView) {
    CallBackInfo* doc = Open(Counting(4096));
    CaretPoint point = {};
    ASSERT_EQ(1, BytePosition(m_doc.get(), 16 + 9, &point));
    EXPECT_EQ(kL0 + 9 * (kM + kS) + kS, point.x);
    EXPECT_EQ(2 * kH, point.y);
    doc->m_b_low_nibble = 1;
    ASSERT_EQ(1, BytePosition(m_doc.get(), 16 + 9, &point));
    EXPECT_EQ(kL0 + 9 * (kM + kS) + kS + kM / 2, point.x);
    EXPECT_EQ(0, BytePosition(m_doc.get(), -1, &point));

    m_host.m_n_client_height = 10 * kH + 5; // rows 0..10 count as shown
    ASSERT_EQ(1, BytePosition(m_doc.get(), 10 * 16, &point));
    EXPECT_EQ(11 * kH, point.y);
    ASSERT_EQ(1, BytePosition(m_doc.get(), 11 * 16, &point));
    EXPECT_EQ(-100, point.x);
    doc->m_n_top_line = 2;
    ASSERT_EQ(1, BytePosition(m_doc.get(), 16, &point));
    EXPECT_EQ(-100, point.y);
}

TEST_F(GeometryTest, MaximumTopLineAndScrollingClampToTheLastRow) {
    CallBackInfo* doc = Open(Counting(16));
    EXPECT_EQ(0, MaxTopLine(m_doc.get()));
    ScrollBy(m_doc.get(), 5);
    EXPECT_EQ(0, doc->m_n_top_line);

    doc = Open(Counting(17));
    EXPECT_EQ(1, MaxTopLine(m_doc.get()));
    ScrollBy(m_doc.get(), 5);
    EXPECT_EQ(1, doc->m_n_top_line);
    EXPECT_EQ(16, doc->m_n_top_offset);
    ScrollBy(m_doc.get(), -9);
    EXPECT_EQ(0, doc->m_n_top_line);

    doc = Open({});
    EXPECT_EQ(0, MaxTopLine(m_doc.get()));
    EXPECT_EQ(1, ScrollLines(m_doc.get()));
    ScrollToLine(m_doc.get(), 3);
    EXPECT_EQ(0, doc->m_n_top_line);

    doc = Open(Counting(1000)); // rows 0..62
    ScrollToLine(m_doc.get(), 40);
    EXPECT_EQ(40, doc->m_n_top_line);
    ScrollToLine(m_doc.get(), -4);
    EXPECT_EQ(0, doc->m_n_top_line);
    ScrollToLine(m_doc.get(), INT64_MAX);
    EXPECT_EQ(62, doc->m_n_top_line);
    ScrollBy(m_doc.get(), INT64_MIN + 1);
    EXPECT_EQ(0, doc->m_n_top_line);
}

TEST_F(GeometryTest, ScrollingMovesTheSystemCaretButNotTheStoredPosition) {
    CallBackInfo* doc = Open(Counting(1000));
    doc->m_n_caret_offset = 16 * 5 + 2;
    doc->m_pt_caret = {7, 7};
    ScrollBy(m_doc.get(), 3);
    EXPECT_EQ(kL0 + 2 * (kM + kS), m_host.m_pt_caret.x);
    EXPECT_EQ(3 * kH, m_host.m_pt_caret.y);
    EXPECT_EQ(7, doc->m_pt_caret.x);
    doc->m_b_has_focus = 0; // the caret is another window's now
    ScrollBy(m_doc.get(), 1);
    EXPECT_EQ(3 * kH, m_host.m_pt_caret.y);
    doc->m_b_has_focus = 1;
    ScrollBy(m_doc.get(), 3); // the caret's row is now above the view
    EXPECT_EQ(-100, m_host.m_pt_caret.y);
    ScrollToLine(m_doc.get(), 0);
    EXPECT_EQ(6 * kH, m_host.m_pt_caret.y);
}

TEST_F(GeometryTest, ThumbMappingIsProportional) {
    CallBackInfo* doc = Open(Counting(160));
    SetScrollRange(m_state.get(), ScrollLines(m_doc.get()));
    EXPECT_EQ(10, m_host.m_scroll.m_n_max);
    EXPECT_EQ(10, m_state->m_n_scroll_max);
    EXPECT_EQ(5, ThumbToLine(m_doc.get(), m_state.get(), 5));
    SyncThumb(m_doc.get(), m_state.get(), 5);
    EXPECT_EQ(5, m_host.m_scroll.m_n_pos);

    Open({});
    SetScrollRange(m_state.get(), ScrollLines(m_doc.get()));
    EXPECT_EQ(1, m_host.m_scroll.m_n_max);
    (void)doc;
}

TEST_F(GeometryTest, ThumbMappingForDocumentsOf32GiBAndMoreStaysBoundedAndReachesBothEnds) {
    CallBackInfo* doc = Open(Counting(16));
    for (const int64_t size :
         {int64_t{32} << 30, int64_t{64} << 30, int64_t{1} << 50, (int64_t{1} << 62) + 12345}) {
        doc->m_n_data_size = size;
        doc->m_n_top_line = 0;
        const int64_t lines = ScrollLines(m_doc.get());
        SetScrollRange(m_state.get(), lines);
        ASSERT_GT(m_host.m_scroll.m_n_max, 0) << size;
        EXPECT_EQ(lines > kScrollLimit ? kScrollLimit : lines, m_host.m_scroll.m_n_max);
        SyncThumb(m_doc.get(), m_state.get(), 0);
        EXPECT_EQ(0, m_host.m_scroll.m_n_pos);
        SyncThumb(m_doc.get(), m_state.get(), lines);
        EXPECT_EQ(m_host.m_scroll.m_n_max, m_host.m_scroll.m_n_pos);
        SyncThumb(m_doc.get(), m_state.get(), lines / 2);
        EXPECT_NEAR(m_host.m_scroll.m_n_max / 2.0, m_host.m_scroll.m_n_pos, 1.0);
        // Dragging the thumb to the end shows the last row, to the middle the middle.
        const int64_t end_line = ThumbToLine(m_doc.get(), m_state.get(), m_host.m_scroll.m_n_max);
        EXPECT_EQ(lines, end_line);
        ScrollToLine(m_doc.get(), end_line);
        EXPECT_EQ(MaxTopLine(m_doc.get()), doc->m_n_top_line);
        EXPECT_NEAR(static_cast<double>(lines) / 2,
                    static_cast<double>(
                        ThumbToLine(m_doc.get(), m_state.get(), m_host.m_scroll.m_n_max / 2)),
                    static_cast<double>(lines) / m_host.m_scroll.m_n_max + 1);
        EXPECT_EQ(0, ThumbToLine(m_doc.get(), m_state.get(), 0));
    }
}

namespace {

// An exact unsigned 128-bit number, built from 16-bit limbs so the check
// needs no wider integer type than the 32-bit builds have.
struct Wide {
    uint64_t m_n_hi;
    uint64_t m_n_lo;
    bool operator<(const Wide& other) const {
        return m_n_hi != other.m_n_hi ? m_n_hi < other.m_n_hi : m_n_lo < other.m_n_lo;
    }
};

Wide WideProduct(int64_t x, int64_t y) {
    uint64_t columns[8] = {};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            const uint64_t xi = (static_cast<uint64_t>(x) >> (16 * i)) & 0xFFFF;
            const uint64_t yj = (static_cast<uint64_t>(y) >> (16 * j)) & 0xFFFF;
            columns[i + j] += xi * yj;
        }
    }
    uint64_t carry = 0;
    Wide result = {0, 0};
    for (int k = 0; k < 8; ++k) {
        const uint64_t column = columns[k] + carry;
        const uint64_t limb = column & 0xFFFF;
        carry = column >> 16;
        if (k < 4) {
            result.m_n_lo |= limb << (16 * k);
        } else {
            result.m_n_hi |= limb << (16 * (k - 4));
        }
    }
    return result;
}

Wide WideSum(Wide x, int64_t y) {
    const uint64_t lo = x.m_n_lo + static_cast<uint64_t>(y);
    return Wide{x.m_n_hi + (lo < x.m_n_lo ? 1u : 0u), lo};
}

} // namespace

TEST(MulDivFloorTest, IsExactWhereTheProductOverflows64Bits) {
    EXPECT_EQ(5, MulDivFloor(10, 5, 10));
    EXPECT_EQ(0, MulDivFloor(10, 5, 0));
    EXPECT_EQ(INT64_MAX / 3, MulDivFloor(INT64_MAX, 0x7FFFFFFF, int64_t{0x7FFFFFFF} * 3));
    EXPECT_EQ(int64_t{0x7FFFFFFF} - 1,
              MulDivFloor(0x7FFFFFFF, (int64_t{1} << 62) - 1, int64_t{1} << 62));
    EXPECT_EQ(INT64_MAX, MulDivFloor(INT64_MAX, INT64_MAX, 1));
    // The reference itself: (2^63 - 1)^2 = 2^126 - 2^64 + 1.
    const Wide square = WideProduct(INT64_MAX, INT64_MAX);
    EXPECT_EQ(0x3FFFFFFFFFFFFFFFull, square.m_n_hi);
    EXPECT_EQ(1u, square.m_n_lo);
    // Every quotient q of a random case is checked against the exact product
    // P = a * b: q * c <= P < (q + 1) * c, or P >= INT64_MAX * c where it saturates.
    uint64_t seed = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < 2000; ++i) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        const int64_t a = static_cast<int64_t>(seed >> 33);
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        const int64_t b = static_cast<int64_t>(seed >> 2);
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        const int64_t c = static_cast<int64_t>(seed >> 2) | 1;
        const int64_t q = MulDivFloor(a, b, c);
        const Wide product = WideProduct(a, b);
        const Wide low = WideProduct(q, c);
        ASSERT_FALSE(product < low) << a << " " << b << " " << c << " gave " << q;
        if (q != INT64_MAX) {
            ASSERT_TRUE(product < WideSum(low, c)) << a << " " << b << " " << c << " gave " << q;
        }
    }
}

TEST(FontStyleTest, MapsTheFourStylesInAnyCase) {
    int32_t weight = 0;
    int32_t italic = 0;
    MapFontStyle(L"bOLD iTALIC", &weight, &italic);
    EXPECT_EQ(700, weight);
    EXPECT_EQ(1, italic);
    MapFontStyle(L"Bold", &weight, &italic);
    EXPECT_EQ(700, weight);
    EXPECT_EQ(0, italic);
    MapFontStyle(L"ITALIC", &weight, &italic);
    EXPECT_EQ(400, weight);
    EXPECT_EQ(1, italic);
    MapFontStyle(L"Heavy", &weight, &italic);
    EXPECT_EQ(400, weight);
    EXPECT_EQ(0, italic);
    MapFontStyle(L"Bold Italics", &weight, &italic);
    EXPECT_EQ(400, weight);
    EXPECT_EQ(0, italic);
}

TEST(MulDivRoundTest, RoundsHalfAwayFromZeroLikeThePlatform) {
    EXPECT_EQ(16, MulDivRound(12, 96, 72));
    EXPECT_EQ(17, MulDivRound(13, 96, 72)); // 17.33
    EXPECT_EQ(15, MulDivRound(11, 96, 72)); // 14.67
    EXPECT_EQ(3, MulDivRound(5, 1, 2));     // 2.5
    EXPECT_EQ(-3, MulDivRound(-5, 1, 2));   // -2.5
    EXPECT_EQ(-1, MulDivRound(1, 1, 0));
}

TEST_F(GeometryTest, ApplyFontCreatesTheRequestedFontAndRecomputesTheLayout) {
    CallBackInfo* doc = Open(Counting(20));
    RecordingCanvas& canvas = m_host.m_canvas;
    ViewOptions options = {};
    options.m_n_mask = 0x7FF0;
    options.m_cr_sel_bk = 0x123456;
    const int before = m_host.m_n_invalidations;
    ASSERT_EQ(1, ApplyFont(m_doc.get(), m_state.get(),
                           L"A face name that is longer than thirty-one characters", L"bold italic",
                           12, &options));
    ASSERT_FALSE(canvas.m_font_requests.empty());
    const FontRequest& request = canvas.m_font_requests.back();
    EXPECT_EQ(-16, request.m_n_height);
    EXPECT_EQ(700, request.m_n_weight);
    EXPECT_EQ(1, request.m_b_italic);
    EXPECT_EQ(31u, std::wcslen(request.m_sz_face));
    EXPECT_EQ(0, std::wcsncmp(request.m_sz_face, L"A face name that is longer than", 31));
    EXPECT_EQ(m_state->m_h_font, canvas.m_p_selected);
    EXPECT_EQ(0x123456u, doc->m_cr_sel_bk);
    EXPECT_EQ(0xFu, doc->m_n_view_mask); // metrics applied after the colours
    EXPECT_GT(m_host.m_n_invalidations, before);

    // A second font replaces the first, which is released.
    canvas.m_n_dpi = 120;
    ASSERT_EQ(1, ApplyFont(m_doc.get(), m_state.get(), L"Courier New", L"Regular", 6, nullptr));
    EXPECT_EQ(-10, canvas.m_font_requests.back().m_n_height);
    EXPECT_EQ(1, canvas.m_n_live_fonts);

    canvas.m_b_fail_font = 1;
    EXPECT_EQ(0, ApplyFont(m_doc.get(), m_state.get(), L"Courier New", L"Regular", 9, nullptr));
    EXPECT_EQ(nullptr, m_state->m_h_font);
    EXPECT_EQ(0, canvas.m_n_live_fonts);

    m_host.m_b_has_canvas = 0;
    EXPECT_EQ(0, ApplyFont(m_doc.get(), m_state.get(), L"Courier New", L"Regular", 9, nullptr));
}

TEST_F(GeometryTest, ApplyFontWithoutDocumentStillMakesTheFont) {
    ViewOptions options = {};
    options.m_n_mask = 0x10;
    EXPECT_EQ(1, ApplyFont(nullptr, m_state.get(), L"Courier New", L"Italic", 12, &options));
    EXPECT_NE(nullptr, m_state->m_h_font);
}
