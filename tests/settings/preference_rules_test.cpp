// Swatches of the colour items, the size field's rules, and OK writing and
// applying the font and colours (or reporting a settings file it cannot write).
#include "settings/preference_rules.h"

#include "tests/fakes/fake_view_host.h"
#include "tests/fakes/recording_message_sink.h"
#include "tests/fakes/view_state_fixture.h"
#include "tests/settings/settings_fixture.h"
#include "view/view_state.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

ItemColors Distinct() {
    ItemColors c = {};
    ColorRef* fields = &c.color_background_fg;
    for (int i = 0; i < 15; ++i) {
        fields[i] = 0x010101u * static_cast<ColorRef>(i + 1);
    }
    return c;
}

TEST(Swatches, MaskAndColoursPerItem) {
    const ItemColors c = Distinct();
    struct Want {
        const wchar_t* m_sz_name;
        uint32_t m_n_mask;
        ColorRef m_cr_fg;
        ColorRef m_cr_bk;
    };
    const Want want[kColorItemCount] = {
        {L"Background", 0x10, 0, c.color_background_fg},
        {L"Line Number", 0x11, c.color_line_number_fg, c.color_line_number_bk},
        {L"Header", 0x11, c.color_header_fg, c.color_header_bk},
        {L"Hex Text", 0x11, c.color_hex_text_fg, c.color_hex_text_bk},
        {L"Selected Text", 0x11, c.color_selected_text_fg, c.color_selected_text_bk},
        {L"Modified Text", 0x11, c.color_modified_text_fg, c.color_modified_text_bk},
        {L"Caret", 0x01, c.color_caret_fg, 0},
        {L"Selection Marker", 0x10, 0, c.color_selection_marker_bk},
        {L"Bookmark", 0x10, 0, c.color_bookmark_bk},
    };
    for (int i = 0; i < kColorItemCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(want[i].m_sz_name, kColorItemNames[i]);
        const SwatchState s = SwatchForItem(i, c);
        EXPECT_EQ(want[i].m_n_mask, s.m_n_mask);
        if (s.m_n_mask & kSwatchForeground) {
            EXPECT_EQ(want[i].m_cr_fg, s.m_cr_fg);
        }
        if (s.m_n_mask & kSwatchBackground) {
            EXPECT_EQ(want[i].m_cr_bk, s.m_cr_bk);
        }
        // A swatch has a key exactly when it shows a colour.
        EXPECT_EQ((s.m_n_mask & kSwatchForeground) != 0, SwatchKey(i, 0) != nullptr);
        EXPECT_EQ((s.m_n_mask & kSwatchBackground) != 0, SwatchKey(i, 1) != nullptr);
        EXPECT_EQ(SwatchKey(i, 0) != nullptr, SwatchMember(i, 0) != nullptr);
        EXPECT_EQ(SwatchKey(i, 1) != nullptr, SwatchMember(i, 1) != nullptr);
    }
    EXPECT_EQ(0u, SwatchForItem(-1, c).m_n_mask);
    EXPECT_EQ(0u, SwatchForItem(9, c).m_n_mask);
    EXPECT_EQ(nullptr, SwatchMember(9, 1));
    EXPECT_STREQ(L"color_bookmark_bk", SwatchKey(8, 1));
    EXPECT_STREQ(L"color_caret_fg", SwatchKey(6, 0));
    EXPECT_STREQ(L"color_selection_marker_bk", SwatchKey(7, 1));
    EXPECT_STREQ(L"color_background_fg", SwatchKey(0, 1));
    EXPECT_STREQ(L"color_modified_text_bk", SwatchKey(5, 1));
}

TEST(SizeField, SampleHasNoUpperLimitOkClampsAndTextIsZero) {
    EXPECT_EQ(300u, ParseSizeText(L"300"));
    EXPECT_EQ(300, SampleSize(ParseSizeText(L"300")));
    EXPECT_EQ(200, StoredSize(ParseSizeText(L"300")));
    EXPECT_EQ(0u, ParseSizeText(L"big"));
    EXPECT_EQ(6, SampleSize(ParseSizeText(L"big")));
    EXPECT_EQ(6, StoredSize(ParseSizeText(L"big")));
    EXPECT_EQ(0u, ParseSizeText(L""));
    EXPECT_EQ(0u, ParseSizeText(nullptr));
    EXPECT_EQ(14u, ParseSizeText(L" 14pt"));
    EXPECT_EQ(0u, ParseSizeText(L"-8")) << "read as unsigned: no sign";
    EXPECT_EQ(6, StoredSize(5));
    EXPECT_EQ(6, StoredSize(6));
    EXPECT_EQ(200, StoredSize(200));
    EXPECT_EQ(UINT32_MAX, ParseSizeText(L"99999999999999"));
    EXPECT_EQ(200, StoredSize(ParseSizeText(L"99999999999999")));
    EXPECT_GT(SampleSize(ParseSizeText(L"99999999999999")), 200);
}

class CommitTest : public ViewStateFixture {
  protected:
    void SetUp() override {
        ViewStateFixture::SetUp();
        NewDocument();
        ResetItemColors();
    }
    FakeViewHost m_host;
    SettingsPath m_path;
    RecordingMessageSink m_sink;
};

TEST_F(CommitTest, OkStoresTheClampedSizeAndAppliesFontAndColours) {
    g_item_colors.color_background_fg = 0x123456;
    g_item_colors.color_caret_fg = 0x00FF00;
    g_item_colors.color_hex_text_fg = 255;
    g_item_colors.color_selection_marker_bk = 0xABCDEF;
    ASSERT_EQ(1, CommitPreferences(m_doc.get(), m_state.get(), L"Lucida Console", L"Bold", L"300"));
    EXPECT_EQ(L"200", ReadText(L"item_attributes", L"font_size"));
    EXPECT_EQ(L"Lucida Console", ReadText(L"item_attributes", L"font_name"));
    EXPECT_EQ(L"Bold", ReadText(L"item_attributes", L"font_style"));
    EXPECT_EQ(L"1193046", ReadText(L"item_attributes", L"color_background_fg"));
    ASSERT_FALSE(m_host.m_canvas.m_font_requests.empty());
    const FontRequest& font = m_host.m_canvas.m_font_requests.back();
    EXPECT_EQ(std::wstring(L"Lucida Console"), font.m_sz_face);
    EXPECT_EQ(-267, font.m_n_height); // 200 points at 96 pixels per inch
    EXPECT_EQ(700, font.m_n_weight);
    EXPECT_EQ(0x123456u, m_state->m_cr_background);
    EXPECT_EQ(0x00FF00u, m_state->m_cr_caret);
    EXPECT_EQ(255u, m_doc->m_cr_hex_fg);
    EXPECT_EQ(0xABCDEFu, m_doc->m_cr_marker_bk);
    EXPECT_TRUE(m_sink.Messages().empty());
}

TEST_F(CommitTest, NotANumberStoresSixAndAnEmptyFaceIsCourierNew) {
    ASSERT_EQ(1, CommitPreferences(m_doc.get(), m_state.get(), L"", L"Italic", L"abc"));
    EXPECT_EQ(L"6", ReadText(L"item_attributes", L"font_size"));
    EXPECT_EQ(L"Courier New", ReadText(L"item_attributes", L"font_name"));
    EXPECT_EQ(std::wstring(L"Courier New"), m_host.m_canvas.m_font_requests.back().m_sz_face);
    EXPECT_EQ(-8, m_host.m_canvas.m_font_requests.back().m_n_height);
}

TEST_F(CommitTest, AnUnwritableFileIsReportedAndTheViewKeepsItsLook) {
    const std::wstring path = (m_path.m_dir / "missing" / "settings.ini").wstring();
    std::wcsncpy(g_sz_settings_path, path.c_str(), 259);
    m_state->m_cr_background = 0x111111;
    m_doc->m_cr_hex_fg = 0x222222;
    g_item_colors.color_background_fg = 0x999999;
    g_item_colors.color_hex_text_fg = 0x888888;
    EXPECT_EQ(0, CommitPreferences(m_doc.get(), m_state.get(), L"Courier New", L"Italic", L"14"));
    const std::vector<std::wstring> messages = m_sink.Messages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_NE(std::wstring::npos, messages[0].find(path));
    EXPECT_TRUE(m_host.m_canvas.m_font_requests.empty()) << "no font applied";
    EXPECT_EQ(0x111111u, m_state->m_cr_background);
    EXPECT_EQ(0x222222u, m_doc->m_cr_hex_fg);
}

} // namespace
