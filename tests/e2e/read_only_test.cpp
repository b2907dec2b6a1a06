// "Open as read-only" in the open dialog of the real pelmora.exe: the file
// shows with its pending changes, and nothing edits it or applies them.
#include "data/data_plane.h"
#include "data/workspace.h"
#include "tests/e2e/tool_driver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

using namespace tools_e2e;

constexpr WORD kCmdOpen = 40007;
constexpr WORD kCmdApply = 40009;
constexpr int kReadOnlyBox = 0x410; // the open dialog's "Open as read-only"

// Opens the file through the open dialog with its read-only box checked.
bool OpenReadOnly(App& app, const std::wstring& path) {
    e2e::PostCommand(app.m_h_main, kCmdOpen);
    HWND dialog = app.m_process.WaitForWindow(L"#32770", nullptr, 10000);
    HWND name = dialog ? GetDlgItem(dialog, 0x480) : nullptr;
    if (dialog && !name)
        name = e2e::FindChild(dialog, L"Edit");
    HWND box = dialog ? GetDlgItem(dialog, kReadOnlyBox) : nullptr;
    if (!name || !box || !IsWindowVisible(box))
        return false;
    e2e::Send(box, BM_SETCHECK, BST_CHECKED, 0);
    e2e::Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
              reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return WaitGone(dialog, 10000);
}

// Whether the item of the main menu's submenu is greyed once the submenu is
// prepared as it is before it shows.
bool Greyed(HWND main, int submenu, UINT id) {
    HMENU popup = GetSubMenu(GetMenu(main), submenu);
    e2e::Send(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(submenu, FALSE));
    return (GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

} // namespace

TEST(ReadOnlyE2E, AFileOpenedReadOnlyIsNeitherEditedNorApplied) {
    Sandbox box(L"read_only");
    const Bytes data = Counting(64);
    const std::wstring first = box.File(L"first.bin", Counting(16));
    const std::wstring path = box.File(L"r.bin", data);
    // Pending changes kept by an earlier session: "XY" in front.
    const std::wstring workspace = path + L".interm";
    {
        CDataPlane plane(64);
        ASSERT_EQ(plane.Insert(0, reinterpret_cast<const uint8_t*>("XY"), 2), 1);
        ASSERT_EQ(WriteWorkspace(workspace.c_str(), &plane, 64), 1);
    }
    const Bytes kept = ReadFileBytes(workspace);

    App app;
    ASSERT_EQ(app.Open(box, first), 1);
    app.Command(kCmdEditMode); // left on from the document before
    ASSERT_TRUE(OpenReadOnly(app, path)) << "no read-only box in the open dialog";
    ASSERT_NE(
        app.m_process.WaitForMainWindow(10000, (L"Pelmora - " + path + L" [read-only]").c_str()),
        nullptr);
    EXPECT_EQ(app.Status(0), L"Total: 0x41");
    EXPECT_TRUE(Greyed(app.m_h_main, 1, kCmdEditMode));
    EXPECT_TRUE(Greyed(app.m_h_main, 0, kCmdApply));
    e2e::Screenshot(app.m_h_main, L"read_only");

    // Every way of editing is refused: typing after a double click, the edit
    // mode command, a paste over a selection, Remove, and Apply itself.
    EXPECT_FALSE(e2e::EditFirstByte(app.m_h_main, '4', '1')) << "a typed byte was taken";
    app.Command(kCmdEditMode);
    ASSERT_TRUE(PutClipboardText(L"4142"));
    ASSERT_EQ(SelectRange(&app, 4, 5), 1);
    app.Command(kCmdPasteOverwrite);
    app.Command(kCmdRemove);
    app.CloseGoto();
    e2e::PostCommand(app.m_h_main, kCmdApply);
    EXPECT_EQ(app.WaitForMessage(1500), nullptr) << "Apply asked to write the file";
    EXPECT_EQ(app.Status(0), L"Total: 0x41");
    EXPECT_EQ(DocumentHex(&app, 4), L"58590001");

    EXPECT_EQ(app.Close(), 0);
    EXPECT_EQ(ReadFileBytes(path), data);
    EXPECT_EQ(ReadFileBytes(workspace), kept);
    DeleteFileW(workspace.c_str());
}
