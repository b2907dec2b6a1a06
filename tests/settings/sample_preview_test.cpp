// The Fonts and Colors sample, drawn on a recording canvas and checked cell
// by cell: positions from the font metrics, colours from each byte's role.
#include "settings/sample_preview.h"

#include "tests/fakes/recording_canvas.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The built-in colours, spelled out as the settings file stores them.
ItemColors DefaultColors() {
    ItemColors c = {};
    c.color_background_fg = 0;
    c.color_line_number_fg = 32896;
    c.color_line_number_bk = 0;
    c.color_header_fg = 65280;
    c.color_header_bk = 0;
    c.color_hex_text_fg = 4227327;
    c.color_hex_text_bk = 0;
    c.color_selected_text_fg = 16776960;
    c.color_selected_text_bk = 0;
    c.color_modified_text_fg = 12615680;
    c.color_modified_text_bk = 0;
    c.color_caret_fg = 65408;
    c.color_selection_marker_fg = 16776960;
    c.color_selection_marker_bk = 32768;
    c.color_bookmark_bk = 0x5A3A1E;
    return c;
}

// Every colour different, and every background non-zero, so a wrong pick or
// a missing XOR shows.
ItemColors ChangedColors() {
    ItemColors c = {};
    c.color_background_fg = 0x101010;
    c.color_line_number_fg = 0x000011;
    c.color_line_number_bk = 0x000022;
    c.color_header_fg = 0x000033;
    c.color_header_bk = 0x000044;
    c.color_hex_text_fg = 0x000055;
    c.color_hex_text_bk = 0x000066;
    c.color_selected_text_fg = 0x007700;
    c.color_selected_text_bk = 0x008800;
    c.color_modified_text_fg = 0x990000;
    c.color_modified_text_bk = 0xAA0000;
    c.color_caret_fg = 0x00BB00;
    c.color_selection_marker_fg = 0xCC0000;
    c.color_selection_marker_bk = 0xDD0000;
    c.color_bookmark_bk = 0xEE0000;
    return c;
}

class SampleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Cell width 2 x 9 = 18 (the widest pair is "FF"), space width 5,
        // address width 4 x 8 + 2 x 5 = 42, line height 16.
        m_canvas.m_widths[L'F'] = 9;
        m_canvas.m_widths[L' '] = 5;
    }
    void Draw(const ItemColors& colors, int size = 12, const wchar_t* style = L"Italic") {
        ASSERT_EQ(1, m_sample.SetAttributes(&m_canvas, L"Courier New", style, size, colors));
        m_canvas.Clear();
        m_sample.Paint(&m_canvas, 300, 200);
    }
    // The opaque text drawn starting exactly at (x, y), or null.
    const CanvasOp* TextAt(int32_t x, int32_t y, CanvasOp::Kind kind = CanvasOp::kTextW) const {
        for (const CanvasOp& op : m_canvas.m_ops) {
            if (op.m_kind == kind && op.m_x == x && op.m_y == y) {
                return &op;
            }
        }
        return nullptr;
    }
    static int32_t CellX(int i) { return 42 + (i % 4) * 23; }
    static int32_t RowY(int i) { return 16 * (i / 4 + 1); }
    static int32_t CharX(int i) { return 42 + 4 * 23 + (i % 4) * 5; }

    RecordingCanvas m_canvas;
    SampleModel m_sample;
};

TEST_F(SampleTest, MetricsFollowTheViewsTextWidthRule) {
    ASSERT_EQ(1, m_sample.SetAttributes(&m_canvas, L"Courier New", L"Italic", 12, DefaultColors()));
    EXPECT_EQ(18, m_sample.CellWidth());
    EXPECT_EQ(5, m_sample.SpaceWidth());
    EXPECT_EQ(42, m_sample.AddressWidth());
    EXPECT_EQ(16, m_sample.LineHeight());
    // A negative C width of the last character does not narrow the cell.
    m_canvas.m_n_c_width = -3;
    ASSERT_EQ(1, m_sample.SetAttributes(&m_canvas, L"Courier New", L"Italic", 12, DefaultColors()));
    EXPECT_EQ(21, m_sample.CellWidth());
}

TEST_F(SampleTest, DefaultColoursByBytePosition) {
    const ItemColors c = DefaultColors();
    Draw(c);
    for (int i = 0; i < kSampleByteCount; ++i) {
        SCOPED_TRACE("byte " + std::to_string(i));
        const CanvasOp* cell = TextAt(CellX(i), RowY(i));
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(CellX(i) + 18, cell->m_rect.right);
        EXPECT_EQ(RowY(i) + 16, cell->m_rect.bottom);
        ColorRef fg = 4227327;
        ColorRef bk = 0;
        if (i == 1) {
            bk = 32768;
        } else if (i == 3 || i == 4 || i == 8) {
            fg = 16776960;
        } else if (i >= 5 && i <= 7) {
            fg = 12615680 ^ 16776960;
        } else if (i == 11 || i == 12) {
            fg = 12615680;
        } else if (i >= 13 && i <= 15) {
            bk = 0x5A3A1E;
        }
        EXPECT_EQ(fg, cell->m_cr_fg);
        EXPECT_EQ(bk, cell->m_cr_bk);
    }
}

TEST_F(SampleTest, ChangedPaletteCellsSpacesAndCharacters) {
    const ItemColors c = ChangedColors();
    Draw(c);
    struct Expect {
        ColorRef m_cr_fg;
        ColorRef m_cr_bk;
    };
    const Expect hex = {0x000055, 0x000066};
    const Expect selected = {0x007700, 0x008800};
    const Expect modified_selected = {0x990000 ^ 0x007700, 0xAA0000 ^ 0x008800};
    const Expect modified = {0x990000, 0xAA0000};
    for (int i = 0; i < kSampleByteCount; ++i) {
        SCOPED_TRACE("byte " + std::to_string(i));
        Expect want = hex;
        if (i == 3 || i == 4 || i == 8) {
            want = selected;
        } else if (i >= 5 && i <= 7) {
            want = modified_selected;
        } else if (i == 11 || i == 12) {
            want = modified;
        } else if (i >= 13 && i <= 15) {
            want = {0x000055, 0xEE0000}; // the bookmark's
        }
        // The marker cell alone takes the marker background; its gap and
        // character fall back to the plain text colours.
        const Expect cell_want = i == 1 ? Expect{0x000055, 0xDD0000} : want;
        const CanvasOp* cell = TextAt(CellX(i), RowY(i));
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell_want.m_cr_fg, cell->m_cr_fg);
        EXPECT_EQ(cell_want.m_cr_bk, cell->m_cr_bk);

        const CanvasOp* gap = TextAt(CellX(i) + 18, RowY(i));
        if (i % 4 < 3) {
            ASSERT_NE(gap, nullptr);
            EXPECT_EQ(L" ", gap->m_text);
            EXPECT_EQ(CellX(i) + 18 + 5, gap->m_rect.right);
            EXPECT_EQ(want.m_cr_bk, gap->m_cr_bk);
        } else {
            EXPECT_EQ(gap, nullptr) << "no space after the last byte of a row";
            // The point right of the last cell shows the view background.
            EXPECT_EQ(0x101010u, m_canvas.BackgroundAt(CellX(i) + 19, RowY(i) + 1, 1));
        }

        const CanvasOp* ch = TextAt(CharX(i), RowY(i));
        ASSERT_NE(ch, nullptr);
        EXPECT_EQ(CharX(i) + 5, ch->m_rect.right);
        EXPECT_EQ(want.m_cr_fg, ch->m_cr_fg);
        EXPECT_EQ(want.m_cr_bk, ch->m_cr_bk);
    }
}

TEST_F(SampleTest, BytesAreTheUtf16TextAndUnprintablesShowAsDots) {
    Draw(DefaultColors());
    const std::wstring text = L"pelmora sample data.";
    std::wstring hex;
    std::wstring chars;
    for (int i = 0; i < kSampleByteCount; ++i) {
        const CanvasOp* cell = TextAt(CellX(i), RowY(i));
        const CanvasOp* ch = TextAt(CharX(i), RowY(i));
        ASSERT_TRUE(cell && ch);
        hex += cell->m_text;
        chars += ch->m_text;
    }
    EXPECT_EQ(L"70006500", hex.substr(0, 8)); // "p", 0, "e", 0
    EXPECT_EQ(L"2E00", hex.substr(hex.size() - 4));
    std::wstring want;
    for (wchar_t c : text) {
        want += c;
        want += L'.';
    }
    EXPECT_EQ(want, chars);
}

TEST_F(SampleTest, HeaderAddressesAndBackground) {
    const ItemColors c = ChangedColors();
    Draw(c);
    ASSERT_FALSE(m_canvas.m_ops.empty());
    const CanvasOp& fill = m_canvas.m_ops.front();
    EXPECT_EQ(CanvasOp::kFill, fill.m_kind);
    EXPECT_EQ(300, fill.m_rect.right);
    EXPECT_EQ(200, fill.m_rect.bottom);
    EXPECT_EQ(0x101010u, fill.m_cr_bk);
    for (int k = 0; k < 4; ++k) {
        const CanvasOp* label = TextAt(42 + k * 23, 0, CanvasOp::kTextOut);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(std::wstring(1, static_cast<wchar_t>(L'0' + k)), label->m_text);
        EXPECT_EQ(0x000033u, label->m_cr_fg);
        EXPECT_EQ(0x000044u, label->m_cr_bk);
    }
    const CanvasOp* chars = TextAt(42 + 4 * 23, 0, CanvasOp::kTextOut);
    ASSERT_NE(chars, nullptr);
    EXPECT_EQ(L"0123", chars->m_text);
    const wchar_t* addresses[] = {L"0000", L"0004", L"0008", L"000C", L"0010",
                                  L"0014", L"0018", L"001C", L"0020", L"0024"};
    for (int r = 0; r < 10; ++r) {
        const CanvasOp* address = TextAt(0, 16 * (r + 1), CanvasOp::kTextOut);
        ASSERT_NE(address, nullptr);
        EXPECT_EQ(addresses[r], address->m_text);
        EXPECT_EQ(0x000011u, address->m_cr_fg);
        EXPECT_EQ(0x000022u, address->m_cr_bk);
    }
    EXPECT_EQ(nullptr, TextAt(0, 16 * 11, CanvasOp::kTextOut)) << "ten rows only";
}

TEST_F(SampleTest, CaretStandsOnTheFourthByteInTheXorColour) {
    Draw(ChangedColors());
    const SampleCaret caret = m_sample.Caret();
    EXPECT_EQ(CellX(3), caret.m_n_x);
    EXPECT_EQ(16, caret.m_n_y);
    EXPECT_EQ(9, caret.m_n_width);
    EXPECT_EQ(16, caret.m_n_height);
    EXPECT_EQ(0x00BB00u ^ 0x008800u, caret.m_cr_pixel);
    // Under the caret the fourth byte is drawn selected, so caret XOR cell
    // background gives back the caret colour on screen.
    const CanvasOp* cell = TextAt(CellX(3), RowY(3));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(0x00BB00u, caret.m_cr_pixel ^ cell->m_cr_bk);
}

TEST_F(SampleTest, FontRequestFollowsSizeAndStyle) {
    Draw(DefaultColors(), 300, L"bold italic");
    ASSERT_FALSE(m_canvas.m_font_requests.empty());
    const FontRequest& font = m_canvas.m_font_requests.back();
    EXPECT_EQ(-400, font.m_n_height); // 300 points at 96 pixels per inch
    EXPECT_EQ(700, font.m_n_weight);
    EXPECT_EQ(1, font.m_b_italic);
    EXPECT_EQ(std::wstring(L"Courier New"), font.m_sz_face);
    Draw(DefaultColors(), 7, L"Bold");
    EXPECT_EQ(-9, m_canvas.m_font_requests.back().m_n_height);
    EXPECT_EQ(0, m_canvas.m_font_requests.back().m_b_italic);
    Draw(DefaultColors(), 12, L"Oblique");
    EXPECT_EQ(400, m_canvas.m_font_requests.back().m_n_weight);
    EXPECT_EQ(0, m_canvas.m_font_requests.back().m_b_italic);
}

TEST_F(SampleTest, AFailedFontKeepsTheLastMetricsAndFontsAreReleased) {
    Draw(DefaultColors());
    EXPECT_EQ(1, m_canvas.m_n_live_fonts) << "the previous sample font is freed";
    Draw(DefaultColors());
    EXPECT_EQ(1, m_canvas.m_n_live_fonts);
    m_canvas.m_b_fail_font = 1;
    m_canvas.m_widths[L' '] = 7;
    EXPECT_EQ(0, m_sample.SetAttributes(&m_canvas, L"Nothing", L"Bold", 40, ChangedColors()));
    EXPECT_EQ(5, m_sample.SpaceWidth());
    EXPECT_EQ(18, m_sample.CellWidth());
    EXPECT_EQ(0x101010u, m_sample.Colors().color_background_fg) << "colours are taken anyway";
    EXPECT_TRUE(m_sample.HasFont());
    m_sample.Release(&m_canvas);
    EXPECT_EQ(0, m_canvas.m_n_live_fonts);
    EXPECT_EQ(nullptr, m_canvas.m_p_selected);
    EXPECT_FALSE(m_sample.HasFont());
}

} // namespace
