// Painting, checked cell by cell on a recording canvas.
#include "tests/view/view_fixture.h"
#include "view/paint.h"

namespace {

// Distinct colours so that every role can be told apart.
void DistinctColors(CallBackInfo* doc) {
    doc->m_cr_hex_fg = 0x000001;
    doc->m_cr_hex_bk = 0x000002;
    doc->m_cr_sel_fg = 0x000010;
    doc->m_cr_sel_bk = 0x0000FF;
    doc->m_cr_modified_fg = 0x000300;
    doc->m_cr_modified_bk = 0x00FF00;
    doc->m_cr_marker_bk = 0x440000;
    doc->m_cr_header_fg = 0x050505;
    doc->m_cr_header_bk = 0x060606;
    doc->m_cr_line_number_fg = 0x070707;
    doc->m_cr_line_number_bk = 0x080808;
}

} // namespace

class PaintTest : public ViewFixture {
  protected:
    RecordingCanvas& Canvas() { return m_host.m_canvas; }
    int Paint() {
        Canvas().Clear();
        return PaintView(m_doc.get(), m_state.get(), &Canvas(), 800, 600);
    }
    // Background of the hex cell (column c of visible row r) and of the gap after it.
    ColorRef CellBk(int r, int c) { return Canvas().BackgroundAt(CellX(c), RowY(r), kFill); }
    ColorRef GapBk(int r, int c) {
        return Canvas().BackgroundAt(CellX(c) + kM / 2 + kS / 2, RowY(r), kFill);
    }
    ColorRef CharBk(int r, int c) {
        return Canvas().BackgroundAt(CharColumnLeft(m_doc.get()) + c * (kS + 2) + 1, RowY(r),
                                     kFill);
    }
    const CanvasOp* CellOp(int r, int c) { return Canvas().OpAt(CellX(c), RowY(r)); }
    static constexpr ColorRef kFill = 0xABCDEF;
};

TEST_F(PaintTest, TwentyBytesShowOneFullRowAndFourCells) {
    std::vector<uint8_t> bytes = Counting(20);
    bytes[16] = 0x00;
    bytes[17] = 0x7F;
    bytes[18] = 0x20;
    bytes[19] = 0x7E;
    bytes[3] = 0x80;
    bytes[4] = 0xFF;
    bytes[5] = 'A';
    Open(bytes);
    m_state->m_cr_background = kFill;
    ASSERT_EQ(1, Paint());

    EXPECT_EQ(CanvasOp::kFill, Canvas().m_ops.front().m_kind);
    EXPECT_EQ(kFill, Canvas().m_ops.front().m_cr_bk);
    EXPECT_EQ(20u, Canvas().Count(CanvasOp::kTextA));
    // 32 header labels and 2 addresses.
    EXPECT_EQ(34u, Canvas().Count(CanvasOp::kTextOut));
    // Gaps: 14 after row 0's cells (none after 15; the double one after 7), 3 in row 1.
    EXPECT_EQ(20u + 15u + 3u, Canvas().Count(CanvasOp::kTextW));

    ASSERT_NE(nullptr, CellOp(0, 5));
    EXPECT_EQ(L"41", CellOp(0, 5)->m_text);
    EXPECT_EQ(L"FF", CellOp(0, 4)->m_text);
    const int32_t xc = CharColumnLeft(m_doc.get());
    const int32_t y1 = RowY(1);
    const std::wstring row1 = {Canvas().OpAt(xc + 1, y1)->m_text[0],
                               Canvas().OpAt(xc + kS + 3, y1)->m_text[0],
                               Canvas().OpAt(xc + 2 * (kS + 2) + 1, y1)->m_text[0],
                               Canvas().OpAt(xc + 3 * (kS + 2) + 1, y1)->m_text[0]};
    EXPECT_EQ(L".. ~", row1);
    EXPECT_EQ(L".", Canvas().OpAt(xc + 3 * (kS + 2) + 1, RowY(0))->m_text);
    EXPECT_EQ(L"A", Canvas().OpAt(xc + 5 * (kS + 2) + 1, RowY(0))->m_text);
    // The rest of row 1 stays in the fill colour; so does row 2.
    EXPECT_EQ(kFill, CellBk(1, 4));
    EXPECT_EQ(kFill, GapBk(1, 3));
    EXPECT_EQ(kFill, CharBk(1, 4));
    EXPECT_EQ(kFill, CellBk(2, 0));

    const CanvasOp* address = Canvas().OpAt(2, RowY(1));
    ASSERT_NE(nullptr, address);
    EXPECT_EQ(L"0000000000000010", address->m_text);
    // Header labels sit over the cells, only on their own character cells.
    const CanvasOp* label = Canvas().OpAt(HexCellLeft(m_doc.get(), 10) + 1, 2);
    ASSERT_NE(nullptr, label);
    EXPECT_EQ(L"A", label->m_text);
    EXPECT_EQ(kFill, Canvas().BackgroundAt(HexCellLeft(m_doc.get(), 10) + kS + 1, 2, kFill));
    EXPECT_EQ(L"F", Canvas().OpAt(xc + 15 * (kS + 2) + 1, 2)->m_text);
}

TEST_F(PaintTest, EmptyDocumentOrTopPastTheEndShowsOnlyTheBackground) {
    Open({});
    m_state->m_cr_background = kFill;
    EXPECT_EQ(1, Paint());
    ASSERT_EQ(1u, Canvas().m_ops.size());
    EXPECT_EQ(0, PaintDocument(m_doc.get(), &Canvas(), 600));

    Open(Counting(40));
    m_doc->m_n_top_line = 3;
    Canvas().Clear();
    EXPECT_EQ(0, PaintDocument(m_doc.get(), &Canvas(), 600));
    EXPECT_TRUE(Canvas().m_ops.empty());

    m_state->m_b_document_open = 0;
    EXPECT_EQ(0, Paint());
}

TEST_F(PaintTest, SelectionIsOneBandAcrossTheDoubleGapAndEndsAfterItsLastByte) {
    CallBackInfo* doc = Open(Counting(64));
    DistinctColors(doc);
    doc->m_n_sel_anchor = 20;
    doc->m_n_sel_active = 5;
    ASSERT_EQ(1, Paint());
    for (int c = 0; c < 16; ++c) {
        const bool selected = c >= 5;
        EXPECT_EQ(selected ? doc->m_cr_sel_bk : doc->m_cr_hex_bk, CellBk(0, c)) << c;
        EXPECT_EQ(selected ? doc->m_cr_sel_bk : doc->m_cr_hex_bk, CharBk(0, c)) << c;
        EXPECT_EQ(selected ? doc->m_cr_sel_fg : doc->m_cr_hex_fg, CellOp(0, c)->m_cr_fg) << c;
        if (c != 15) {
            EXPECT_EQ(selected ? doc->m_cr_sel_bk : doc->m_cr_hex_bk, GapBk(0, c)) << c;
        }
    }
    // Both halves of the double gap after byte 7.
    const int32_t gap = HexCellLeft(doc, 7) + kM;
    EXPECT_EQ(doc->m_cr_sel_bk, Canvas().BackgroundAt(gap + 1, RowY(0), kFill));
    EXPECT_EQ(doc->m_cr_sel_bk, Canvas().BackgroundAt(gap + 2 * kS - 1, RowY(0), kFill));
    for (int c = 0; c < 16; ++c) {
        const bool selected = c <= 4;
        EXPECT_EQ(selected ? doc->m_cr_sel_bk : doc->m_cr_hex_bk, CellBk(1, c)) << c;
        if (c != 15) {
            // The gap after byte 20 already has the plain background.
            EXPECT_EQ(c < 4 ? doc->m_cr_sel_bk : doc->m_cr_hex_bk, GapBk(1, c)) << c;
        }
    }
    // The gap before the first selected byte is plain.
    EXPECT_EQ(doc->m_cr_hex_bk, GapBk(0, 4));
}

TEST_F(PaintTest, ModifiedBytesShowTheirColoursAndXorInsideTheSelection) {
    CallBackInfo* doc = Open(Counting(48));
    DistinctColors(doc);
    ASSERT_EQ(1, doc->m_p_data_plane->SetNibble(3, 0xA, 1, &doc->m_file_mapping));
    ASSERT_EQ(1, doc->m_p_data_plane->SetNibble(20, 0xB, 1, &doc->m_file_mapping));
    ASSERT_EQ(1, doc->m_p_data_plane->SetNibble(23, 0xC, 0, &doc->m_file_mapping));
    doc->m_n_sel_anchor = 18;
    doc->m_n_sel_active = 23;
    ASSERT_EQ(1, Paint());

    EXPECT_EQ(L"A3", CellOp(0, 3)->m_text);
    EXPECT_EQ(doc->m_cr_modified_bk, CellBk(0, 3));
    EXPECT_EQ(doc->m_cr_modified_fg, CellOp(0, 3)->m_cr_fg);
    EXPECT_EQ(doc->m_cr_modified_bk, GapBk(0, 3)); // the gap carries the modified colour
    EXPECT_EQ(doc->m_cr_hex_bk, CellBk(0, 4));

    // Selection background 0x0000FF XOR modified 0x00FF00 is 0x00FFFF.
    EXPECT_EQ(0x00FFFFu, CellBk(1, 4));
    EXPECT_EQ(0x000310u, CellOp(1, 4)->m_cr_fg);
    EXPECT_EQ(0x00FFFFu, CharBk(1, 4));
    EXPECT_EQ(0x00FFFFu, GapBk(1, 4));
    // The last selected byte is modified: XOR cell, plain gap after it.
    EXPECT_EQ(L"1C", CellOp(1, 7)->m_text);
    EXPECT_EQ(0x00FFFFu, CellBk(1, 7));
    EXPECT_EQ(doc->m_cr_hex_bk, Canvas().BackgroundAt(HexCellLeft(doc, 7) + kM + 1, RowY(1), 0));
    EXPECT_EQ(doc->m_cr_sel_bk, CellBk(1, 5));
}

TEST_F(PaintTest, TheMarkerShowsOverAModifiedByteAndItsGapFollowsTheSelection) {
    CallBackInfo* doc = Open(Counting(48));
    DistinctColors(doc);
    ASSERT_EQ(1, doc->m_p_data_plane->SetNibble(6, 0x1, 1, &doc->m_file_mapping));
    doc->m_n_marker_offset = 6;
    ASSERT_EQ(1, Paint());
    EXPECT_EQ(doc->m_cr_marker_bk, CellBk(0, 6));
    EXPECT_EQ(doc->m_cr_hex_fg, CellOp(0, 6)->m_cr_fg);
    EXPECT_EQ(doc->m_cr_hex_bk, GapBk(0, 6));

    doc->m_n_sel_anchor = 4;
    doc->m_n_sel_active = 9;
    ASSERT_EQ(1, Paint());
    EXPECT_EQ(doc->m_cr_marker_bk, CellBk(0, 6));
    EXPECT_EQ(doc->m_cr_sel_fg, CellOp(0, 6)->m_cr_fg);
    EXPECT_EQ(doc->m_cr_sel_bk, GapBk(0, 6));

    // The marker on the last selected byte: its gap is plain.
    doc->m_n_marker_offset = 9;
    ASSERT_EQ(1, Paint());
    EXPECT_EQ(doc->m_cr_marker_bk, CellBk(0, 9));
    EXPECT_EQ(doc->m_cr_hex_bk, GapBk(0, 9));
}

TEST_F(PaintTest, ColourTableCoversEveryCombination) {
    CallBackInfo* doc = Open(Counting(1));
    DistinctColors(doc);
    const ColorRef hex_fg = doc->m_cr_hex_fg;
    EXPECT_EQ(doc->m_cr_marker_bk, PickCellColors(doc, 0, 1, 1).m_cr_bk);
    EXPECT_EQ(hex_fg, PickCellColors(doc, 0, 1, 0).m_cr_fg);
    EXPECT_EQ(doc->m_cr_modified_bk, PickCellColors(doc, 0, 0, 1).m_cr_bk);
    EXPECT_EQ(doc->m_cr_modified_fg, PickCellColors(doc, 0, 0, 1).m_cr_fg);
    EXPECT_EQ(doc->m_cr_hex_bk, PickCellColors(doc, 0, 0, 0).m_cr_bk);
    EXPECT_EQ(doc->m_cr_marker_bk, PickCellColors(doc, 1, 1, 1).m_cr_bk);
    EXPECT_EQ(doc->m_cr_sel_fg, PickCellColors(doc, 1, 1, 0).m_cr_fg);
    EXPECT_EQ(doc->m_cr_modified_bk ^ doc->m_cr_sel_bk, PickCellColors(doc, 1, 0, 1).m_cr_bk);
    EXPECT_EQ(doc->m_cr_modified_fg ^ doc->m_cr_sel_fg, PickCellColors(doc, 1, 0, 1).m_cr_fg);
    EXPECT_EQ(doc->m_cr_sel_bk, PickCellColors(doc, 1, 0, 0).m_cr_bk);
}

TEST_F(PaintTest, AtMost150RowsAreDrawnAndRowsStopAtTheBottom) {
    CallBackInfo* doc = Open(Counting(4000));
    doc->m_n_line_height = 1; // a tiny font on a tall screen
    ASSERT_EQ(1, Paint());
    EXPECT_EQ(2400u, Canvas().Count(CanvasOp::kTextA));

    doc->m_n_line_height = kH;
    Canvas().Clear();
    ASSERT_EQ(1, PaintDocument(m_doc.get(), &Canvas(), 10 * kH + 1));
    // Rows go on while the previous row started above the bottom: 11 rows.
    EXPECT_EQ(11u * 16u, Canvas().Count(CanvasOp::kTextA));
}

TEST_F(PaintTest, UnreadableByteStopsThePaint) {
    CallBackInfo* doc = Open(Counting(40));
    // Lay a run of source bytes past the end of the file after byte 20: they
    // cannot be read.
    CDataPlane* plane = new CDataPlane();
    plane->AppendPiece(PIECE_SOURCE, 0, 19, 20, nullptr);
    plane->AppendPiece(PIECE_SOURCE, 1000, 1019, 20, nullptr);
    delete doc->m_p_data_plane;
    doc->m_p_data_plane = plane;
    m_state->m_cr_background = kFill;
    ASSERT_EQ(1, Paint());
    EXPECT_EQ(20u, Canvas().Count(CanvasOp::kTextA));
    EXPECT_EQ(kFill, CellBk(1, 4));
    EXPECT_EQ(kFill, CellBk(2, 0));
    EXPECT_NE(kFill, CellBk(1, 3));
}

TEST_F(PaintTest, InsertedBytesShiftTheAddressesOfLaterRows) {
    CallBackInfo* doc = Open(Counting(40));
    const uint8_t added[4] = {1, 2, 3, 4};
    ASSERT_EQ(1, doc->m_p_data_plane->Insert(0, added, 4));
    doc->m_n_data_size += 4;
    ASSERT_EQ(1, Paint());
    EXPECT_EQ(L"0000000000000020", Canvas().OpAt(2, RowY(2))->m_text);
    EXPECT_EQ(L"1C", CellOp(2, 0)->m_text); // byte 0x1C of the file is now at 0x20
    EXPECT_EQ(L"01", CellOp(0, 0)->m_text);
}

namespace {

// Marks the bytes of a few fixed ranges [begin, end).
class FixedMarks : public ByteMarks {
  public:
    std::vector<std::pair<int64_t, int64_t>> m_ranges;
    void MarkSpan(int64_t first, int64_t count, uint8_t* marked) const override {
        for (const auto& range : m_ranges) {
            for (int64_t o = range.first; o < range.second; ++o) {
                if (o >= first && o < first + count) {
                    marked[o - first] = 1;
                }
            }
        }
    }
};

} // namespace

TEST_F(PaintTest, MarkedBytesAreOneBandUnderTheSelectionAndTheMarker) {
    CallBackInfo* doc = Open(Counting(64));
    DistinctColors(doc);
    constexpr ColorRef kMark = 0x123456;
    FixedMarks marks;
    marks.m_ranges = {{2, 10}, {14, 15}};
    m_state->m_p_byte_marks = &marks;
    m_state->m_cr_bookmark_bk = kMark;
    doc->m_n_sel_anchor = 5;
    doc->m_n_sel_active = 6;
    doc->m_n_marker_offset = 8;
    ASSERT_EQ(1, Paint());
    for (int c : {2, 3, 4, 7, 9, 14}) {
        EXPECT_EQ(kMark, CellBk(0, c)) << c;
        EXPECT_EQ(kMark, CharBk(0, c)) << c;
    }
    EXPECT_EQ(doc->m_cr_sel_bk, CellBk(0, 5));
    EXPECT_EQ(doc->m_cr_marker_bk, CellBk(0, 8));
    EXPECT_EQ(doc->m_cr_hex_bk, CellBk(0, 1));
    EXPECT_EQ(doc->m_cr_hex_bk, CellBk(0, 10));
    // Gaps inside the band carry its colour, also right after the selection;
    // the band ends right after its last byte.
    EXPECT_EQ(kMark, GapBk(0, 2));
    EXPECT_EQ(kMark, GapBk(0, 6));
    EXPECT_EQ(doc->m_cr_hex_bk, GapBk(0, 1));
    EXPECT_EQ(doc->m_cr_hex_bk, GapBk(0, 9));
    EXPECT_EQ(doc->m_cr_hex_bk, GapBk(0, 14));
}
