// Pictures of the real program for the user guide: the main window showing a
// document, and the same document in edit mode with typed changes shown in
// the modified colours. Each picture is checked before it is kept.
#include "tests/e2e/e2e_harness.h"
#include "tests/e2e/e2e_session.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> GuideDocument() {
    const std::string text = "Pelmora sample document.\r\n";
    std::vector<unsigned char> bytes(text.begin(), text.end());
    for (int round = 0; round < 4; ++round) {
        for (int b = 0; b < 256; ++b) {
            bytes.push_back(static_cast<unsigned char>(b));
        }
    }
    return bytes;
}

// Distinct colours inside the view control's picture.
std::set<uint32_t> Colours(HWND control) {
    e2e::Picture picture;
    std::set<uint32_t> colours;
    if (e2e::CaptureWindow(control, &picture)) {
        colours.insert(picture.m_pixels.begin(), picture.m_pixels.end());
    }
    return colours;
}

TEST(GuideScreens, MainWindowWithADocument) {
    e2e::Sandbox box(L"guide_main");
    const std::wstring path = box.File(L"sample.bin", GuideDocument());
    e2e::PelmoraProcess app;
    HWND main = e2e::StartSizedOn(app, box, path, 1000, 600);
    ASSERT_NE(main, nullptr);
    // A plain view shows the background, the text and the header colours only.
    const std::set<uint32_t> colours = Colours(e2e::ViewControl(main));
    EXPECT_GE(colours.size(), 2u) << "the view shows nothing";
    EXPECT_FALSE(e2e::Screenshot(main, L"guide-main").empty());
    EXPECT_EQ(app.Close(), 0);
}

TEST(GuideScreens, EditModeWithModifiedBytes) {
    e2e::Sandbox box(L"guide_edit");
    box.Settings("[hotkey]\r\nExtend byte right=295\r\n0127=Extend byte right\r\n");
    const std::wstring path = box.File(L"sample.bin", GuideDocument());
    e2e::PelmoraProcess app;
    HWND main = e2e::StartSizedOn(app, box, path, 1000, 600);
    ASSERT_NE(main, nullptr);
    HWND control = e2e::ViewControl(main);
    const std::set<uint32_t> before = Colours(control);
    // Double click the first byte (edit mode on), widen the selection to four
    // bytes with the bound Shift+Right and type over them.
    ASSERT_TRUE(e2e::EditFirstByte(main, 'C', 'A'));
    for (int i = 0; i < 3; ++i) {
        e2e::SendKeyChord(main, VK_RIGHT, {VK_SHIFT});
    }
    for (const char* digits : {"CA", "FE", "BA", "BE"}) {
        e2e::SendKeyChord(main, static_cast<WORD>(digits[0]));
        e2e::SendKeyChord(main, static_cast<WORD>(digits[1]));
    }
    e2e::Sync(main);
    Sleep(300);
    const std::set<uint32_t> after = Colours(control);
    size_t added = 0;
    for (uint32_t colour : after) {
        added += before.count(colour) == 0 ? 1 : 0;
    }
    EXPECT_GT(added, 0u) << "the typed bytes are not shown in the modified colours";
    EXPECT_FALSE(e2e::Screenshot(main, L"guide-edit").empty());
    // Closing keeps the edits in the workspace beside the file, which the
    // sandbox removes.
    EXPECT_EQ(app.Close(), 0);
}

} // namespace
