// "Revert to file" in the real pelmora.exe: edits kept in a workspace and
// brought back by the next start are dropped after one question, the
// workspace goes, and the file shows as it is on the disk.
#include "tests/e2e/tool_driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace tools_e2e;

constexpr WORD kCmdRevert = 40111;
constexpr WORD kCmdUndo = 40101;
constexpr int kFileSubmenu = 0;

bool Greyed(HWND main, UINT command, int submenu) {
    static const UINT message = RegisterWindowMessageW(L"PelmoraMenuItemState");
    const UINT state = static_cast<UINT>(e2e::Send(main, message, command, submenu + 1));
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) != 0;
}

TEST(RevertE2E, AReopenedWorkspaceIsDroppedAndTheFileShowsAsOnDisk) {
    Sandbox box(L"revert");
    const Bytes data = Counting(32);
    const std::wstring path = box.File(L"revert.bin", data);
    {
        App app;
        ASSERT_EQ(app.Open(box, path), 1);
        EXPECT_TRUE(Greyed(app.m_h_main, kCmdRevert, kFileSubmenu)) << "nothing to drop yet";
        ASSERT_TRUE(e2e::EditFirstByte(app.m_h_main, '4', '1'));
        app.Command(kCmdSaveWorkspace);
        ASSERT_TRUE(e2e::Exists(path + L".interm"));
        EXPECT_EQ(app.Close(), 0);
    }
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    EXPECT_EQ(DocumentHex(&app, 2), L"4101");
    app.CloseGoto();
    ASSERT_FALSE(Greyed(app.m_h_main, kCmdRevert, kFileSubmenu));

    // No keeps everything; Yes drops the kept edits.
    e2e::PostCommand(app.m_h_main, kCmdRevert);
    HWND question = app.WaitForMessage(10000);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(MessageText(question), L"Drop every pending change of " + path +
                                         L", including those kept in its workspace?");
    ASSERT_TRUE(Dismiss(question, IDNO));
    EXPECT_TRUE(e2e::Exists(path + L".interm"));
    e2e::PostCommand(app.m_h_main, kCmdRevert);
    question = app.WaitForMessage(10000);
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(Dismiss(question, IDYES));
    ASSERT_EQ(e2e::Sync(app.m_h_main), 1);

    EXPECT_FALSE(e2e::Exists(path + L".interm"));
    EXPECT_EQ(DocumentHex(&app, 2), L"0001");
    app.CloseGoto();
    EXPECT_TRUE(Greyed(app.m_h_main, kCmdRevert, kFileSubmenu));
    EXPECT_TRUE(Greyed(app.m_h_main, kCmdUndo, 1)) << "the history starts afresh";
    EXPECT_EQ(app.Close(), 0) << "nothing is left to ask about";
    EXPECT_FALSE(e2e::Exists(path + L".interm"));
    EXPECT_EQ(ReadFileBytes(path), data);
}

} // namespace
