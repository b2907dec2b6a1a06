// Undo and redo in the real pelmora.exe: typed bytes, a cut and an insert
// taken back and done again, the status panes and the menu on the way, no
// workspace when the edits are all undone, and a key bound to Undo.
#include "frame/command_rules.h"
#include "tests/e2e/tool_driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace tools_e2e;

constexpr WORD kCmdUndo = 40101;
constexpr WORD kCmdRedo = 40102;
constexpr int kEditSubmenu = 1;

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// State of an Edit menu item after the popup update, asked of the program.
bool Greyed(HWND main, UINT command) {
    static const UINT message = RegisterWindowMessageW(L"PelmoraMenuItemState");
    const UINT state = static_cast<UINT>(e2e::Send(main, message, command, kEditSubmenu + 1));
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) != 0;
}

void TypeChars(const App& app, const char* text) {
    for (const char* c = text; *c != '\0'; ++c)
        e2e::Send(app.m_h_view, WM_CHAR, static_cast<WPARAM>(*c));
    ASSERT_EQ(e2e::Sync(app.m_h_main), 1);
}

std::wstring MenuText(HMENU menu, int position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 64, MF_BYPOSITION);
    return text;
}

TEST(Undo, TypingCutAndInsertAreUndoneAndRedoneStepByStep) {
    Sandbox box(L"undo");
    const Bytes data = Counting(64);
    const std::wstring path = box.File(L"undo.bin", data);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    EXPECT_TRUE(Greyed(app.m_h_main, kCmdUndo));
    EXPECT_TRUE(Greyed(app.m_h_main, kCmdRedo));
    app.Command(kCmdEditMode);

    ASSERT_EQ(SelectRange(&app, 0x10, 0x11), 1);
    TypeChars(app, "ABCD");
    Bytes typed = data;
    typed[0x10] = 0xAB;
    typed[0x11] = 0xCD;
    ASSERT_EQ(SelectRange(&app, 0x20, 0x27), 1);
    app.Command(kCmdCut);
    Bytes cut = typed;
    cut.erase(cut.begin() + 0x20, cut.begin() + 0x28);
    ASSERT_EQ(SelectRange(&app, 4, 4), 1);
    ASSERT_TRUE(PutClipboard(CF_TEXT, Bytes{'x', 'y', 'z', 0}));
    app.Command(kCmdPasteInsert);
    Bytes inserted = cut;
    inserted.insert(inserted.begin() + 4, {'x', 'y', 'z'});
    EXPECT_EQ(app.Status(0), L"Total: 0x3A");
    EXPECT_EQ(DocumentHex(&app, 59), Widen(Hex(inserted)));
    EXPECT_FALSE(Greyed(app.m_h_main, kCmdUndo));
    EXPECT_TRUE(Greyed(app.m_h_main, kCmdRedo));

    app.Command(kCmdUndo);
    EXPECT_EQ(app.Status(0), L"Total: 0x37");
    EXPECT_EQ(app.Status(1), L"Begin: 0x4") << "the selection of before the insert";
    EXPECT_FALSE(Greyed(app.m_h_main, kCmdRedo));
    app.Command(kCmdUndo);
    EXPECT_EQ(app.Status(0), L"Total: 0x3F");
    EXPECT_EQ(app.Status(1), L"Begin: 0x20");
    EXPECT_EQ(app.Status(2), L"End: 0x27");
    app.Command(kCmdUndo);
    EXPECT_EQ(app.Status(1), L"Begin: 0x10");
    EXPECT_EQ(app.Status(2), L"End: 0x11");
    EXPECT_TRUE(Greyed(app.m_h_main, kCmdUndo));
    EXPECT_EQ(DocumentHex(&app, 64), Widen(Hex(data)));

    app.Command(kCmdRedo);
    app.Command(kCmdRedo);
    EXPECT_EQ(app.Status(0), L"Total: 0x37");
    EXPECT_EQ(DocumentHex(&app, 56), Widen(Hex(cut)));
    EXPECT_FALSE(Greyed(app.m_h_main, kCmdRedo));
    // A new edit: what could be redone is gone.
    ASSERT_EQ(SelectRange(&app, 0, 0), 1);
    app.Command(kCmdRemove);
    EXPECT_EQ(app.Status(0), L"Total: 0x36");
    EXPECT_TRUE(Greyed(app.m_h_main, kCmdRedo));

    // Back to the opened bytes: closing asks nothing and writes no workspace.
    for (int i = 0; i < 3; ++i)
        app.Command(kCmdUndo);
    EXPECT_EQ(app.Status(0), L"Total: 0x3F");
    EXPECT_EQ(DocumentHex(&app, 64), Widen(Hex(data)));
    app.CloseGoto();
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowEnabled(app.m_h_main) != FALSE; }))
        << "a dialog still holds the main window";
    e2e::Post(app.m_h_main, WM_CLOSE);
    EXPECT_EQ(app.m_process.WaitForExit(10000), 0);
    EXPECT_FALSE(e2e::Exists(path + L".interm"));
    EXPECT_EQ(ReadFileBytes(path), data);
}

TEST(Undo, ABoundKeyUndoesAndTheMenuFindsItsSubmenusBelowUndoAndRedo) {
    Sandbox box(L"undokey");
    box.Settings("[hotkey]\r\nUndo=602\r\n"); // Ctrl+Z
    const Bytes data = Counting(32);
    const std::wstring path = box.File(L"key.bin", data);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    app.Command(kCmdEditMode);
    ASSERT_EQ(SelectRange(&app, 0, 15), 1);
    app.Command(kCmdRemove);
    EXPECT_EQ(app.Status(0), L"Total: 0xF");
    app.CloseGoto();
    e2e::SendKeyChord(app.m_h_main, 'Z', {VK_CONTROL});
    EXPECT_EQ(app.WaitStatus(0, L"Total: 0x1F"), L"Total: 0x1F");
    // Undo works with edit mode off too.
    app.Command(kCmdEditMode);
    app.Command(kCmdRedo);
    EXPECT_EQ(app.Status(0), L"Total: 0xF");
    app.Command(kCmdUndo);
    EXPECT_EQ(app.Status(0), L"Total: 0x1F");
    EXPECT_EQ(app.Close(), 0);

    // The positions the popup update uses are those of the menus in the exe.
    HMODULE exe = LoadLibraryExW(box.Exe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HMENU main_menu = LoadMenuW(exe, MAKEINTRESOURCEW(101));
    HMENU right_menu = LoadMenuW(exe, MAKEINTRESOURCEW(109));
    ASSERT_TRUE(main_menu && right_menu);
    HMENU edit = GetSubMenu(main_menu, kEditSubmenu);
    EXPECT_EQ(MenuText(edit, 0), L"&Undo");
    EXPECT_EQ(MenuText(edit, 1), L"&Redo");
    EXPECT_EQ(GetMenuState(edit, 2, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(MenuText(edit, kEditMenuPositions.m_n_copy), L"&Copy");
    EXPECT_EQ(MenuText(edit, kEditMenuPositions.m_n_paste), L"&Paste");
    HMENU right = GetSubMenu(right_menu, 0);
    EXPECT_EQ(MenuText(right, kRightMenuPositions.m_n_copy), L"&Copy");
    EXPECT_EQ(MenuText(right, kRightMenuPositions.m_n_paste), L"&Paste");
    DestroyMenu(main_menu);
    DestroyMenu(right_menu);
    FreeLibrary(exe);
}

} // namespace
