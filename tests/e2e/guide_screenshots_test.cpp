// Pictures of the real program for the user guide: the main window showing a
// document, and the same document in edit mode with typed changes shown in
// the modified colours. Each picture is checked before it is kept.
#include "tests/e2e/e2e_harness.h"
#include "tests/e2e/e2e_session.h"
#include "tests/e2e/tool_driver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
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

// Pixels of the colour in the view control's picture; -1 when it cannot be taken.
int Pixels(HWND control, uint32_t pixel) {
    e2e::Picture picture;
    if (!e2e::CaptureWindow(control, &picture)) {
        return -1;
    }
    return e2e::CountColour(picture, RECT{0, 0, picture.m_n_width, picture.m_n_height}, pixel);
}

TEST(GuideScreens, MainWindowWithADocument) {
    e2e::Sandbox box(L"guide_main");
    const std::wstring path = box.File(L"sample.bin", GuideDocument());
    e2e::PelmoraProcess app;
    HWND main = e2e::StartSizedOn(app, box, path, 1000, 600);
    ASSERT_NE(main, nullptr);
    // A plain view shows the header, the addresses and the bytes in their
    // colours, and nothing selected or modified.
    HWND control = e2e::ViewControl(main);
    const e2e::ViewPixels colours = e2e::DefaultViewPixels();
    EXPECT_GT(Pixels(control, colours.m_n_header), 100);
    EXPECT_GT(Pixels(control, colours.m_n_line_number), 100);
    EXPECT_GT(Pixels(control, colours.m_n_hex), 1000);
    EXPECT_GT(e2e::FirstCellColour(control, colours.m_n_hex), 3);
    EXPECT_EQ(Pixels(control, colours.m_n_selected), 0);
    EXPECT_EQ(Pixels(control, colours.m_n_modified), 0);
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
    // Double click the first byte (edit mode on), widen the selection to four
    // bytes with the bound Shift+Right and type over them.
    ASSERT_TRUE(e2e::EditFirstByte(main, 'C', 'A'));
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(e2e::SendKeyChord(main, VK_RIGHT, {VK_SHIFT}), 1);
    }
    ASSERT_TRUE(e2e::WaitUntil([&] {
        return e2e::StatusPane(app, e2e::StatusBar(main), 2) == L"End: 0x3";
    })) << "the selection did not widen to four bytes";
    for (const char* digits : {"CA", "FE", "BA", "BE"}) {
        ASSERT_EQ(e2e::SendKeyChord(main, static_cast<WORD>(digits[0])), 1);
        ASSERT_EQ(e2e::SendKeyChord(main, static_cast<WORD>(digits[1])), 1);
    }
    EXPECT_TRUE(e2e::WaitUntil([&] {
        tools_e2e::ClearClipboard();
        e2e::Command(main, tools_e2e::kCmdCopyHex);
        return tools_e2e::ClipboardUnicode() == L"CAFEBABE";
    })) << "the four bytes do not read as typed";
    // Four selected modified cells, two digits and a character each.
    const e2e::ViewPixels colours = e2e::DefaultViewPixels();
    EXPECT_TRUE(e2e::WaitUntil([&] { return Pixels(control, colours.m_n_modified_selected) > 60; }))
        << "the typed bytes are not shown in the modified colours";
    EXPECT_EQ(Pixels(control, colours.m_n_modified), 0) << "a modified byte outside the selection";
    EXPECT_FALSE(e2e::Screenshot(main, L"guide-edit").empty());
    // Closing keeps the edits in the workspace beside the file, which the
    // sandbox removes.
    EXPECT_EQ(app.Close(), 0);
}

} // namespace

TEST(GuideScreens, BookmarksBesideTheView) {
    e2e::Sandbox box(L"guide_bookmarks");
    const std::wstring path = box.File(L"sample.bin", GuideDocument());
    tools_e2e::App app;
    ASSERT_EQ(app.Open(box, path), 1);
    ASSERT_EQ(tools_e2e::AddBookmark(&app, 0, 0x17, L"Title", L"the text line"), 1);
    ASSERT_EQ(tools_e2e::AddBookmark(&app, 0x5A, 0x79, L"Table", L"32 counting bytes"), 1);
    ASSERT_EQ(tools_e2e::SelectRange(&app, 0x100, 0x10F), 1);
    app.CloseGoto();
    // Narrow enough for the window to open beside it on the screen.
    SetWindowPos(app.m_h_main, nullptr, 0, 0, 740, 520, SWP_NOMOVE | SWP_NOZORDER);
    HWND window = nullptr;
    ASSERT_NE(tools_e2e::OpenBookmarks(&app, &window), nullptr);
    ASSERT_EQ(e2e::Sync(app.m_h_main), 1);
    // The bookmarked bytes show in the bookmark colour (the default 0x5A3A1E,
    // red 0x1E, green 0x3A, blue 0x5A), 56 cells of them.
    int marked = 0;
    for (int waited = 0; waited < 3000 && (marked = Pixels(app.m_h_view, 0x1E3A5A)) <= 56 * 20;
         waited += 100) {
        Sleep(100); // the resized view paints again
    }
    EXPECT_GT(marked, 56 * 20);
    e2e::Picture screen;
    RECT a = {}, b = {};
    ASSERT_TRUE(e2e::CaptureWindow(nullptr, &screen));
    ASSERT_TRUE(GetWindowRect(app.m_h_main, &a) && GetWindowRect(window, &b));
    RECT all = {};
    UnionRect(&all, &a, &b);
    all.left = std::max<LONG>(all.left, 0);
    all.top = std::max<LONG>(all.top, 0);
    all.right = std::min<LONG>(all.right, screen.m_n_width);
    all.bottom = std::min<LONG>(all.bottom, screen.m_n_height);
    e2e::Picture cut;
    cut.m_n_width = all.right - all.left;
    cut.m_n_height = all.bottom - all.top;
    for (int y = all.top; y < all.bottom; ++y)
        for (int x = all.left; x < all.right; ++x)
            cut.m_pixels.push_back(screen.At(x, y));
    EXPECT_FALSE(e2e::SaveBmp(cut, L"guide-bookmarks").empty());
    EXPECT_EQ(app.Close(), 0);
}
