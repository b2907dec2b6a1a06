// The About box on the real pelmora.exe: its texts, modality, the hand cursor
// over the two links only, and both ways of closing it.
#include "tests/e2e/e2e_harness.h"
#include "tests/e2e/e2e_session.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

constexpr WORD kAbout = 40034;

HWND OpenAbout(e2e::PelmoraProcess& app) {
    e2e::PostCommand(app.MainWindow(), kAbout);
    return app.WaitForWindow(L"#32770", L"Pelmora - About", 10000);
}

// WM_SETCURSOR as the system sends it while the mouse moves over a control.
LRESULT CursorOver(HWND dialog, HWND control) {
    return e2e::Send(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

TEST(About, ShowsVersionAndLinksAndIsModal) {
    e2e::Sandbox box(L"about");
    e2e::PelmoraProcess app;
    HWND main = e2e::StartOn(app, box.Exe(), L"");
    ASSERT_NE(main, nullptr);
    HWND dialog = OpenAbout(app);
    ASSERT_NE(dialog, nullptr) << "no About box";
    EXPECT_EQ(e2e::WindowText(GetDlgItem(dialog, 65002)), L"Pelmora: ");
    EXPECT_EQ(e2e::WindowText(GetDlgItem(dialog, 65000)), L"Version: 1.2.0.24 ");
    EXPECT_EQ(e2e::WindowText(GetDlgItem(dialog, 65001)), L"Guide: README.md");
    EXPECT_EQ(e2e::WindowText(GetDlgItem(dialog, 65005)), L"Licence: MIT, in LICENSE.txt");
    EXPECT_EQ(e2e::WindowText(GetDlgItem(dialog, IDOK)), L"OK");
    EXPECT_FALSE(IsWindowEnabled(main)) << "the About box is modal";

    EXPECT_EQ(CursorOver(dialog, GetDlgItem(dialog, 65001)), TRUE);
    EXPECT_EQ(CursorOver(dialog, GetDlgItem(dialog, 65005)), TRUE);
    EXPECT_EQ(CursorOver(dialog, GetDlgItem(dialog, IDOK)), FALSE)
        << "only the links take the hand cursor";

    // A click on a link hands it to the shell; with no browser or mail
    // program to take it the dialog simply stays open and answers.
    for (int link : {65005, 65001}) {
        e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(link, STN_CLICKED),
                  reinterpret_cast<LPARAM>(GetDlgItem(dialog, link)));
        EXPECT_EQ(e2e::Sync(dialog, 20000), 1) << "the dialog hangs after a click on " << link;
        EXPECT_TRUE(IsWindow(dialog));
    }

    // Each text is drawn inside its own control.
    e2e::Picture shown;
    ASSERT_TRUE(e2e::WaitPaintSettled(dialog));
    ASSERT_FALSE(e2e::Screenshot(dialog, L"about", &shown).empty());
    const uint32_t ink = e2e::PixelOf(GetSysColor(COLOR_WINDOWTEXT));
    for (int text : {65002, 65000}) {
        EXPECT_GT(e2e::CountColour(shown, e2e::AreaOf(dialog, GetDlgItem(dialog, text)), ink), 20)
            << "control " << text << " shows no text";
    }
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(e2e::WaitGone(dialog, 5000)) << "OK closes the About box";
    ASSERT_EQ(e2e::Sync(main), 1);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(app.Close(), 0);
}

TEST(About, CloseBoxEndsItAndItOpensAgain) {
    e2e::Sandbox box(L"about_close");
    e2e::PelmoraProcess app;
    HWND main = e2e::StartOn(app, box.Exe(), L"");
    ASSERT_NE(main, nullptr);
    for (int round = 0; round < 2; ++round) {
        HWND dialog = OpenAbout(app);
        ASSERT_NE(dialog, nullptr) << "round " << round;
        e2e::Post(dialog, WM_CLOSE);
        EXPECT_TRUE(e2e::WaitGone(dialog, 5000)) << "the close box ends the About box";
        ASSERT_EQ(e2e::Sync(main), 1);
        EXPECT_TRUE(IsWindowEnabled(main));
    }
    EXPECT_EQ(app.Close(), 0);
}

} // namespace
