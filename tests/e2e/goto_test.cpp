// The Goto dialog of the real pelmora.exe: its start state, the input filter
// on typed and pasted text, jumps from the beginning and from the current
// selection, Enter and Escape, and the values it refuses.
#include "tests/e2e/tool_driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace tools_e2e;

constexpr int kHex = 1002;
constexpr int kFromBeginning = 1014;
constexpr int kFromCurrent = 1015;
constexpr int kPrevious = 1011;
constexpr int kNext = 1012;

bool Checked(const GotoDialog& go, int id) {
    return e2e::Send(GetDlgItem(go.Window(), id), BM_GETCHECK) == BST_CHECKED;
}

// Replaces the input's text as a paste of it would, then presses the button.
void Jump(const GotoDialog& go, const std::wstring& text, int button) {
    go.SetText(text);
    go.Click(button);
}

TEST(ToolsGoto, OpensReadyForHexAndJumpsFromTheCurrentSelection) {
    Sandbox box(L"goto");
    const std::wstring path = box.File(L"goto.bin", Counting(0x1000));
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    GotoDialog* go = app.Goto();
    ASSERT_NE(go, nullptr) << "no Goto dialog";
    EXPECT_EQ(go->Text(), L"0x00");
    EXPECT_TRUE(go->HexChecked());
    EXPECT_TRUE(Checked(*go, kFromBeginning));
    EXPECT_FALSE(Checked(*go, kFromCurrent));
    const LRESULT selected = e2e::Send(go->Input(), EM_GETSEL);
    EXPECT_EQ(LOWORD(selected), 2);
    EXPECT_EQ(HIWORD(selected), 4);
    ASSERT_FALSE(e2e::Screenshot(go->Window(), L"goto-dialog").empty());

    // Before anything is selected, "From current" counts from -1.
    go->Click(kFromCurrent);
    go->Click(kHex);
    EXPECT_EQ(go->Text(), L"");
    Jump(*go, L"5", kNext);
    EXPECT_EQ(app.Status(1), L"Begin: 0x4");
    EXPECT_EQ(app.Status(2), L"End: 0x4");

    // From 100 (decimal): 10 forward, then back again.
    go->Click(kFromBeginning);
    Jump(*go, L"100", kNext);
    EXPECT_EQ(app.Status(1), L"Begin: 0x64");
    go->Click(kFromCurrent);
    Jump(*go, L"10", kNext);
    EXPECT_EQ(app.Status(1), L"Begin: 0x6E");
    go->Click(kPrevious);
    EXPECT_EQ(app.Status(1), L"Begin: 0x64");
    // A hex step, the same value as "0x10".
    Jump(*go, L"0x10", kPrevious);
    EXPECT_EQ(app.Status(1), L"Begin: 0x54");

    // Refused: back past the start, forward past the end.
    Jump(*go, L"0x55", kPrevious);
    EXPECT_EQ(app.Status(1), L"Begin: 0x54");
    Jump(*go, L"0xFAC", kNext);
    EXPECT_EQ(app.Status(1), L"Begin: 0x54");
    Jump(*go, L"0xFAB", kNext);
    EXPECT_EQ(app.Status(1), L"Begin: 0xFFF") << "the last byte";

    // Enter counts as "&Next"; with "From beginning" the value is the target.
    go->Click(kFromBeginning);
    go->SetText(L"0x10");
    e2e::Post(go->Input(), WM_KEYDOWN, VK_RETURN, 1);
    e2e::Post(go->Input(), WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_EQ(app.WaitStatus(1, L"Begin: 0x10"), L"Begin: 0x10");
    Jump(*go, L"16", kPrevious);
    EXPECT_EQ(app.Status(1), L"Begin: 0x10") << "decimal 16 from the beginning";
    Jump(*go, L"0xFFF", kPrevious);
    EXPECT_EQ(app.Status(1), L"Begin: 0xFFF");

    // Escape closes it, and the shortcut command opens it again afresh.
    const HWND first = go->Window();
    e2e::Post(go->Input(), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(WaitGone(first, 5000)) << "Escape did not close the dialog";
    app.CloseGoto();
    e2e::PostCommand(app.m_h_main, 41013);
    HWND again = app.m_process.WaitForWindow(L"#32770", L"  Pelmora - Goto address", 10000);
    ASSERT_NE(again, nullptr) << "the shortcut command did not open the dialog";
    EXPECT_EQ(e2e::WindowText(GetDlgItem(again, 1001)), L"0x00");
    EXPECT_EQ(e2e::Send(GetDlgItem(again, kFromBeginning), BM_GETCHECK), BST_CHECKED);
    EXPECT_TRUE(Dismiss(again, IDCANCEL));
    EXPECT_EQ(app.Status(1), L"Begin: 0xFFF");
    EXPECT_EQ(app.Close(), 0);
}

TEST(ToolsGoto, InputFilterKeepsANumberAndNoValueIsRefused) {
    Sandbox box(L"filter");
    const std::wstring path = box.File(L"filter.bin", Counting(0x100));
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    GotoDialog* go = app.Goto();
    ASSERT_NE(go, nullptr);

    // Typing replaces the two selected zeros; a letter past F is refused.
    go->Type(L"1g0");
    EXPECT_EQ(go->Text(), L"0x10");
    go->Type(L"-+ ");
    EXPECT_EQ(go->Text(), L"0x10") << "signs and spaces never stand in the input";
    // Enter jumps, and the text box keeps its caret: the view leaves it alone.
    e2e::Post(go->Input(), WM_KEYDOWN, VK_RETURN, 1);
    e2e::Post(go->Input(), WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_EQ(app.WaitStatus(1, L"Begin: 0x10"), L"Begin: 0x10");
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof(gui);
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(go->Window(), nullptr), &gui));
    EXPECT_EQ(gui.hwndFocus, go->Input());
    EXPECT_EQ(gui.hwndCaret, go->Input());
    EXPECT_GE(gui.rcCaret.left, 0);

    // Pasted text is cut at the first character that does not belong.
    go->SetText(L"0x1fzz");
    EXPECT_EQ(go->Text(), L"0x1f");
    EXPECT_TRUE(go->HexChecked());
    go->SetText(L"12ab");
    EXPECT_EQ(go->Text(), L"12");
    EXPECT_FALSE(go->HexChecked()) << "the box follows the prefix";
    go->SetText(L"0X2A");
    EXPECT_EQ(go->Text(), L"0X2A");
    EXPECT_TRUE(go->HexChecked());
    // Deleting the x turns the rest decimal: cut at the first hex letter.
    go->SetText(L"02A");
    EXPECT_EQ(go->Text(), L"02");
    EXPECT_FALSE(go->HexChecked());
    // Typed "0x" in front of a decimal number switches to hex.
    go->SetText(L"");
    go->Type(L"0x20");
    EXPECT_EQ(go->Text(), L"0x20");
    EXPECT_TRUE(go->HexChecked());
    go->Click(kNext);
    EXPECT_EQ(app.Status(1), L"Begin: 0x20");

    // Eighteen characters at most: "0x" and sixteen digits.
    go->SetText(L"0x");
    e2e::Send(go->Input(), EM_SETSEL, 2, 2);
    go->Type(L"FFFFFFFFFFFFFFFFF");
    EXPECT_EQ(go->Text(), L"0xFFFFFFFFFFFFFFFF");
    // ... which is -1, no value; nothing moves.
    go->Click(kNext);
    EXPECT_EQ(app.Status(1), L"Begin: 0x20");
    // Negative values and "0x" alone are refused too.
    Jump(*go, L"0x8000000000000000", kNext);
    EXPECT_EQ(app.Status(1), L"Begin: 0x20");
    Jump(*go, L"0x", kNext);
    EXPECT_EQ(app.Status(1), L"Begin: 0x20") << "\"0x\" is no value, not zero";
    // An empty decimal input is no value either.
    go->Click(kHex);
    EXPECT_EQ(go->Text(), L"");
    go->Click(kNext);
    EXPECT_EQ(app.Status(1), L"Begin: 0x20");
    EXPECT_EQ(app.m_process.WaitForWindow(L"#32770", L"Message", 100), nullptr)
        << "refusals are silent";
    EXPECT_EQ(app.Close(), 0);
}

} // namespace
