// The status panes of the real pelmora.exe describe the document shown now:
// a collapsed selection counts one byte, and nothing of a closed document
// stays behind after "Close" or the opening of a smaller file.
#include "tests/e2e/tool_driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace tools_e2e;

constexpr WORD kCmdOpen = 40007;
constexpr WORD kCmdClose = 40029;

// Opens the path through "&Open file ..." by typing it into the dialog.
bool OpenThroughDialog(App& app, const std::wstring& path) {
    e2e::PostCommand(app.m_h_main, kCmdOpen);
    HWND dialog = app.m_process.WaitForWindow(L"#32770", nullptr, 10000);
    HWND name = dialog ? e2e::FindChild(dialog, L"Edit") : nullptr;
    if (!name)
        return false;
    e2e::Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return WaitGone(dialog, 10000) && e2e::Sync(app.m_h_main) == 1;
}

TEST(FrameStatus, PanesFollowGotoCloseAndOpen) {
    Sandbox box(L"panes");
    const std::wstring big = box.File(L"big.bin", Counting(0x1000));
    const std::wstring small = box.File(L"small.bin", Counting(128));
    App app;
    ASSERT_EQ(app.Open(box, big), 1);
    ASSERT_EQ(SelectRange(&app, 0x10, 0x11), 1);
    EXPECT_EQ(app.Status(3), L"Selected: 0x2 ~ 2");
    app.Goto()->JumpTo(0x120);
    EXPECT_EQ(app.Status(1), L"Begin: 0x120");
    EXPECT_EQ(app.Status(3), L"Selected: 0x1 ~ 1") << "a jump selects one byte";

    app.CloseGoto();
    ASSERT_TRUE(app.Command(kCmdClose));
    for (int part = 0; part < 4; ++part)
        EXPECT_EQ(app.Status(part), L"") << "pane " << part << " after Close";

    ASSERT_TRUE(OpenThroughDialog(app, small));
    EXPECT_EQ(app.Status(0), L"Total: 0x7F");
    for (int part = 1; part < 4; ++part)
        EXPECT_EQ(app.Status(part), L"") << "pane " << part << " of a file nothing is selected in";
    EXPECT_EQ(app.Close(), 0);
}

} // namespace
