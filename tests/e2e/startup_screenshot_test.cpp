// pelmora.exe starts, shows its main window titled "Pelmora" with a white
// client area, and ends cleanly when closed or when Alt+F4 is pressed.
#include "tests/e2e/e2e_harness.h"

#include <gtest/gtest.h>

namespace {

TEST(Startup, MainWindowAppearsAndIsScreenshot) {
    e2e::PelmoraProcess app;
    ASSERT_EQ(app.Start(), 1) << "PELMORA_EXE must name pelmora.exe";
    HWND window = app.WaitForMainWindow(20000, L"Pelmora");
    ASSERT_NE(window, nullptr) << "no visible window of class Pelmora titled Pelmora";
    EXPECT_EQ(e2e::WindowText(window), L"Pelmora");
    EXPECT_EQ(e2e::ClassName(window), L"Pelmora");
    ASSERT_EQ(e2e::Sync(window), 1);

    RECT client = {};
    ASSERT_TRUE(GetClientRect(window, &client));
    ASSERT_GT(client.right, 20);
    ASSERT_GT(client.bottom, 20);
    const POINT origin = e2e::ClientOrigin(window);
    const int x = origin.x + client.right / 2;
    const int y = origin.y + client.bottom / 2;
    // The first paint reaches the screen a moment after the window shows.
    e2e::Picture picture;
    EXPECT_TRUE(e2e::WaitUntil([&] {
        return e2e::CaptureWindow(window, &picture) && x < picture.m_n_width &&
               y < picture.m_n_height && picture.At(x, y) == 0xFFFFFFu;
    })) << "client area is not white";
    const std::wstring path = e2e::SaveBmp(picture, L"startup");
    EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);

    e2e::Screenshot(nullptr, L"startup-screen");
    EXPECT_EQ(app.Close(), 0);
    EXPECT_FALSE(app.Running());
}

TEST(Startup, AltF4EndsTheProgram) {
    e2e::PelmoraProcess app;
    ASSERT_EQ(app.Start(), 1);
    HWND window = app.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(e2e::SendKeyChord(window, VK_F4, {VK_MENU}), 1);
    EXPECT_EQ(app.WaitForExit(10000), 0);
}

} // namespace
