// Font and colours between the settings file, ItemColors and the view; zoom.
#include "settings/item_attributes.h"

#include "tests/fakes/fake_view_host.h"
#include "tests/fakes/view_state_fixture.h"
#include "tests/settings/settings_fixture.h"
#include "view/selection.h"
#include "view/view_state.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class ItemAttributesTest : public ViewStateFixture {
  protected:
    void SetUp() override {
        ViewStateFixture::SetUp();
        ResetItemColors();
    }
    // A current document; only its view fields are used here.
    CallBackInfo* Document() { return NewDocument(); }
    const FontRequest& LastFont() {
        EXPECT_FALSE(m_host.m_canvas.m_font_requests.empty());
        return m_host.m_canvas.m_font_requests.back();
    }
    FakeViewHost m_host;
    SettingsPath m_path;
};

TEST_F(ItemAttributesTest, WithoutAFileTheDefaultsApply) {
    ASSERT_EQ(1, LoadItemAttributes(m_doc.get(), m_state.get()));
    const FontRequest& font = LastFont();
    EXPECT_EQ(std::wstring(L"Courier New"), font.m_sz_face);
    EXPECT_EQ(1, font.m_b_italic);
    EXPECT_EQ(400, font.m_n_weight);
    EXPECT_EQ(-16, font.m_n_height); // 12 points at 96 pixels per inch
    EXPECT_EQ(0u, m_state->m_cr_background);
    EXPECT_EQ(65408u, m_state->m_cr_caret);
    EXPECT_EQ(32896u, g_item_colors.color_line_number_fg);
    EXPECT_EQ(65280u, g_item_colors.color_header_fg);
    EXPECT_EQ(4227327u, g_item_colors.color_hex_text_fg);
    EXPECT_EQ(16776960u, g_item_colors.color_selected_text_fg);
    EXPECT_EQ(12615680u, g_item_colors.color_modified_text_fg);
    EXPECT_EQ(16776960u, g_item_colors.color_selection_marker_fg);
    EXPECT_EQ(32768u, g_item_colors.color_selection_marker_bk);
    EXPECT_FALSE(m_path.Exists()); // reading never creates the file
}

TEST_F(ItemAttributesTest, TheCurrentDocumentTakesTheElevenColours) {
    CallBackInfo* doc = Document();
    m_path.Put("[Item_Attributes]\r\nFONT_NAME=Lucida Console\r\nfont_style=bold "
               "italic\r\n"
               "font_size=9\r\ncolor_hex_text_fg=255\r\ncolor_hex_text_bk=16711680\r\n"
               "color_background_fg=8\r\ncolor_caret_fg=9\r\n");
    ASSERT_EQ(1, LoadItemAttributes(m_doc.get(), m_state.get()));
    EXPECT_EQ(std::wstring(L"Lucida Console"), LastFont().m_sz_face);
    EXPECT_EQ(700, LastFont().m_n_weight);
    EXPECT_EQ(1, LastFont().m_b_italic);
    EXPECT_EQ(-12, LastFont().m_n_height);
    EXPECT_EQ(0x0000FFu, doc->m_cr_hex_fg); // pure red
    EXPECT_EQ(0xFF0000u, doc->m_cr_hex_bk); // pure blue
    EXPECT_EQ(16776960u, doc->m_cr_sel_fg);
    EXPECT_EQ(0u, doc->m_cr_sel_bk);
    EXPECT_EQ(65280u, doc->m_cr_header_fg);
    EXPECT_EQ(32896u, doc->m_cr_line_number_fg);
    EXPECT_EQ(32768u, doc->m_cr_marker_bk);
    EXPECT_EQ(12615680u, doc->m_cr_modified_fg);
    EXPECT_EQ(8u, m_state->m_cr_background);
    EXPECT_EQ(9u, m_state->m_cr_caret);
}

TEST_F(ItemAttributesTest, ColourDefaultsComeFromItemColors) {
    g_item_colors.color_header_fg = 77;
    m_path.Put("[item_attributes]\r\ncolor_line_number_fg=1\r\n");
    LoadItemAttributes(m_doc.get(), m_state.get());
    EXPECT_EQ(77u, g_item_colors.color_header_fg);
    EXPECT_EQ(1u, g_item_colors.color_line_number_fg);
}

TEST_F(ItemAttributesTest, AFontThatCannotBeMadeStillSetsTheCaretColour) {
    m_host.m_canvas.m_b_fail_font = 1;
    m_path.Put("[item_attributes]\r\ncolor_caret_fg=123\r\n");
    EXPECT_EQ(0, LoadItemAttributes(m_doc.get(), m_state.get()));
    EXPECT_EQ(123u, m_state->m_cr_caret);
    m_host.m_b_has_canvas = 0;
    EXPECT_EQ(0, LoadItemAttributes(m_doc.get(), m_state.get()));
}

TEST_F(ItemAttributesTest, SaveWritesEveryKeyInOrderAndClampsTheSize) {
    g_item_colors.color_hex_text_fg = 255;
    ASSERT_EQ(1, SaveItemAttributes(L"", L"Bold", 3));
    EXPECT_EQ("[item_attributes]\r\nfont_name=Courier "
              "New\r\nfont_style=Bold\r\nfont_size=6\r\n"
              "color_line_number_fg=32896\r\ncolor_header_fg=65280\r\ncolor_hex_text_"
              "fg=255\r\n"
              "color_selected_text_fg=16776960\r\ncolor_modified_text_fg=12615680\r\n"
              "color_caret_fg=65408\r\ncolor_selection_marker_fg=16776960\r\n"
              "color_background_fg=0\r\ncolor_line_number_bk=0\r\ncolor_header_bk=0\r\n"
              "color_hex_text_bk=0\r\ncolor_selected_text_bk=0\r\ncolor_modified_text_"
              "bk=0\r\n"
              "color_selection_marker_bk=32768\r\ncolor_bookmark_bk=5913118\r\n",
              m_path.Get());
    ASSERT_EQ(1, SaveItemAttributes(L"Consolas", L"whatever", 999));
    EXPECT_EQ(L"Consolas", ReadText(L"item_attributes", L"font_name"));
    EXPECT_EQ(200u, ReadProfileInt(L"item_attributes", L"font_size", 0));
    // What was saved is what the next load uses.
    ResetItemColors();
    LoadItemAttributes(m_doc.get(), m_state.get());
    EXPECT_EQ(255u, g_item_colors.color_hex_text_fg);
    EXPECT_EQ(400, LastFont().m_n_weight); // an unknown style is Regular
    EXPECT_EQ(0, LastFont().m_b_italic);
    std::filesystem::remove(m_path.m_file);
    std::filesystem::create_directory(m_path.m_file);
    EXPECT_EQ(0, SaveItemAttributes(L"Consolas", L"Bold", 10));
}

TEST_F(ItemAttributesTest, ZoomStepsStayWithinSixTo200) {
    ASSERT_EQ(1, ZoomFont(m_doc.get(), m_state.get(), 1));
    EXPECT_EQ(13u, ReadProfileInt(L"item_attributes", L"font_size", 0));
    m_path.Put("[item_attributes]\r\nfont_size = 200\r\n");
    ASSERT_EQ(1, ZoomFont(m_doc.get(), m_state.get(), 1));
    EXPECT_EQ("[item_attributes]\r\nfont_size=200\r\n",
              m_path.Get()); // written again
    m_path.Put("[item_attributes]\r\nfont_size=6\r\n");
    ZoomFont(m_doc.get(), m_state.get(), 0);
    EXPECT_EQ(6u, ReadProfileInt(L"item_attributes", L"font_size", 0));
    m_path.Put("[item_attributes]\r\nfont_size=3\r\n");
    ZoomFont(m_doc.get(), m_state.get(), 0);
    EXPECT_EQ(6u, ReadProfileInt(L"item_attributes", L"font_size", 0));
    m_path.Put("[item_attributes]\r\nfont_size=3\r\n");
    ZoomFont(m_doc.get(), m_state.get(), 1);
    EXPECT_EQ(4u, ReadProfileInt(L"item_attributes", L"font_size", 0));
    EXPECT_EQ(-5, LastFont().m_n_height); // 4 points at 96 dpi
}

TEST_F(ItemAttributesTest, ZoomBoundsAHandEditedExtremeSizeBeforeStepping) {
    m_path.Put("[item_attributes]\r\nfont_size=2147483647\r\n");
    ASSERT_EQ(1, ZoomFont(m_doc.get(), m_state.get(), 1));
    EXPECT_EQ(200u, ReadProfileInt(L"item_attributes", L"font_size", 0));
    m_path.Put("[item_attributes]\r\nfont_size=-2147483648\r\n");
    ASSERT_EQ(1, ZoomFont(m_doc.get(), m_state.get(), 0));
    EXPECT_EQ(6u, ReadProfileInt(L"item_attributes", L"font_size", 0));
    m_path.Put("[item_attributes]\r\nfont_size=-2147483648\r\n");
    ASSERT_EQ(1, ZoomFont(m_doc.get(), m_state.get(), 1));
    EXPECT_EQ(7u, ReadProfileInt(L"item_attributes", L"font_size", 0)) << "no size is below 6";
}

TEST_F(ItemAttributesTest, SaveIsOneReplacementAndAFailureWritesNoKey) {
    const std::string before = "[item_attributes]\r\nfont_size=9\r\n";
    m_path.Put(before);
    FailingSettingsFile ops;
    ops.m_n_fail_from = 2;
    ASSERT_EQ(1, SaveItemAttributes(L"Consolas", L"Bold", 10));
    EXPECT_EQ(1, ops.m_n_replacements);
    EXPECT_EQ(L"Consolas", ReadText(L"item_attributes", L"font_name"));
    m_path.Put(before);
    EXPECT_EQ(0, SaveItemAttributes(L"Lucida Console", L"Italic", 11));
    EXPECT_EQ(before, m_path.Get());
}

TEST_F(ItemAttributesTest, ZoomLeavesAnUnreadableFileAlone) {
    const std::string before = "[item_attributes]\r\nfont_size=9\r\ncolor_caret_fg=5\r\n";
    m_path.Put(before);
    FailingSettingsFile ops;
    ops.m_b_unreadable = 1;
    EXPECT_EQ(0, ZoomFont(m_doc.get(), m_state.get(), 1));
    EXPECT_EQ(0, ZoomFont(m_doc.get(), m_state.get(), 0));
    EXPECT_TRUE(m_host.m_canvas.m_font_requests.empty()) << "the view keeps its font";
    EXPECT_EQ(0, ops.m_n_replacements);
    EXPECT_EQ(before, m_path.Get());
}

TEST_F(ItemAttributesTest, RefreshMakesTheStoredSizeForTheCanvasScaleAndWritesNothing) {
    m_path.Put("[item_attributes]\r\nfont_size=10\r\nfont_style=Bold\r\n");
    m_host.m_canvas.m_n_dpi = 144; // moved to a monitor at 150 %
    ASSERT_EQ(1, RefreshFont(m_doc.get(), m_state.get()));
    EXPECT_EQ(-20, LastFont().m_n_height); // 10 points at 144 pixels per inch
    EXPECT_EQ(700, LastFont().m_n_weight);
    EXPECT_EQ("[item_attributes]\r\nfont_size=10\r\nfont_style=Bold\r\n", m_path.Get());
    Document();
    m_state->m_b_edit_mode = 1;
    m_host.m_b_caret = 0;
    RefreshFont(m_doc.get(), m_state.get());
    EXPECT_EQ(1, m_host.m_b_caret) << "the edit-mode caret is made for the new line height";
}

TEST_F(ItemAttributesTest, ZoomWithoutAFontWritesNothing) {
    m_host.m_canvas.m_b_fail_font = 1;
    EXPECT_EQ(0, ZoomFont(m_doc.get(), m_state.get(), 1));
    EXPECT_FALSE(m_path.Exists());
    m_path.Put("[item_attributes]\r\nfont_size=10\r\n");
    EXPECT_EQ(0, ZoomFont(m_doc.get(), m_state.get(), 0));
    EXPECT_EQ("[item_attributes]\r\nfont_size=10\r\n", m_path.Get());
}

TEST_F(ItemAttributesTest, ZoomMakesACaretOnlyInEditMode) {
    Document();
    m_host.m_b_caret = 1;
    ZoomFont(m_doc.get(), m_state.get(), 1);
    EXPECT_EQ(0, m_host.m_b_caret);
    m_state->m_b_edit_mode = 1;
    ZoomFont(m_doc.get(), m_state.get(), 1);
    EXPECT_EQ(1, m_host.m_b_caret);
}

TEST_F(ItemAttributesTest, WriteProfileIntWritesSignedDecimal) {
    ASSERT_EQ(1, WriteProfileInt(L"s", L"neg", -5));
    ASSERT_EQ(1, WriteProfileInt(L"s", L"big", 2147483647));
    EXPECT_EQ(L"-5", ReadText(L"s", L"neg"));
    EXPECT_EQ(L"2147483647", ReadText(L"s", L"big"));
}

} // namespace
