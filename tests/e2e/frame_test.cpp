// The application frame on the real pelmora.exe: opening from the command
// line, the title and "Total" status, failure messages, menu greying, bound
// shortcut keys, the workspace kept at close, the pending-changes question
// of "&Close", a second instance, and screenshots of menus.
#include "tests/e2e/e2e_harness.h"
#include "tests/e2e/e2e_session.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

namespace {

using e2e::Answer;
using e2e::Command;
using e2e::Counting;
using e2e::EditFirstByte;
using e2e::Exists;
using e2e::FirstCellPoint;
using e2e::MessageBoxText;
using e2e::Sandbox;
using e2e::StartOn;
using e2e::StatusBar;
using e2e::StatusPane;
using e2e::ViewControl;

// State of a main-menu item by command, asked of the program (menus of
// another process cannot be read directly); with a submenu index the popup
// update runs on that submenu first, as when it opens.
UINT MenuState(HWND main, UINT command, int update_submenu = -1) {
    static const UINT message = RegisterWindowMessageW(L"PelmoraMenuItemState");
    return static_cast<UINT>(
        e2e::Send(main, message, command, static_cast<LPARAM>(update_submenu + 1)));
}

bool Greyed(HWND main, UINT command, int update_submenu = -1) {
    const UINT state = MenuState(main, command, update_submenu);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) != 0;
}

bool Checked(HWND main, UINT command) {
    const UINT state = MenuState(main, command);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

// Waits for a visible popup menu window (class "#32768") of any process.
HWND WaitForPopupMenu(DWORD timeout_ms) {
    for (DWORD waited = 0; waited < timeout_ms; waited += 50) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (menu && IsWindowVisible(menu)) {
            return menu;
        }
        Sleep(50);
    }
    return nullptr;
}

void WaitForNoPopupMenu() {
    for (int i = 0; i < 60; ++i) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (!menu || !IsWindowVisible(menu)) {
            return;
        }
        Sleep(50);
    }
}

const UINT kDocumentCommands[] = {40018, 40020, 40019, 40029, 40071};

TEST(FrameOpen, CommandLineFileShowsTitleTotalAndDocumentCommands) {
    Sandbox box(L"open");
    const std::wstring path = box.File(L"data 1024.bin", Counting(1024));
    e2e::PelmoraProcess app;
    const std::wstring title = L"Pelmora - " + path;
    HWND main = StartOn(app, box.Exe(), path, title.c_str());
    ASSERT_NE(main, nullptr) << "no window titled " << std::string(title.begin(), title.end());
    HWND status = StatusBar(main);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(StatusPane(app, status, 0), L"Total: 0x3FF");
    for (UINT id : kDocumentCommands) {
        EXPECT_FALSE(Greyed(main, id)) << id;
    }
    // Nothing edited yet: the popup update greys "Save workspace" when the menu
    // opens; "Duplicate" is enabled while the title names the file.
    EXPECT_TRUE(Greyed(main, 40077, 0));
    EXPECT_FALSE(Greyed(main, 40047, 0));
    // No selection, edit mode off: Cut and Remove greyed.
    EXPECT_TRUE(Greyed(main, 40066, 1));
    EXPECT_TRUE(Greyed(main, 40063, 1));
    EXPECT_TRUE(e2e::WaitPaintSettled(main));
    e2e::Screenshot(main, L"frame_document");
    EXPECT_EQ(app.Close(), 0);
    EXPECT_FALSE(Exists(path + L".interm")) << "no edits, no workspace file";
}

TEST(FrameOpen, QuotedPathWithSpacesOpens) {
    Sandbox box(L"quoted");
    const std::wstring path = box.File(L"my data.bin", Counting(15));
    e2e::PelmoraProcess app;
    const std::wstring title = L"Pelmora - " + path;
    HWND main = StartOn(app, box.Exe(), L"\"" + path + L"\"", title.c_str());
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(StatusPane(app, StatusBar(main), 0), L"Total: 0xE");
    EXPECT_EQ(app.Close(), 0);
}

TEST(FrameOpen, MissingFileIsReportedAndLeavesNoDocument) {
    Sandbox box(L"missing");
    const std::wstring path = box.Folder() + L"no such file.bin";
    e2e::PelmoraProcess app;
    ASSERT_EQ(app.Start(path, box.Exe()), 1);
    HWND message = app.WaitForWindow(L"#32770", L"Message", 20000);
    ASSERT_NE(message, nullptr) << "no message box";
    EXPECT_EQ(MessageBoxText(message), L"Failed to open file " + path + L"\n");
    Answer(message, IDOK);
    HWND main = app.WaitForMainWindow(20000, L"Pelmora");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(e2e::WindowText(main), L"Pelmora");
    for (UINT id : kDocumentCommands) {
        EXPECT_TRUE(Greyed(main, id)) << id;
    }
    EXPECT_TRUE(Greyed(main, 40047, 0)) << "Duplicate greyed with the bare title";
    // A right click on the empty view shows no menu.
    RECT rows = {};
    GetWindowRect(ViewControl(main), &rows);
    const POINT inside = {(rows.left + rows.right) / 2, (rows.top + rows.bottom) / 2};
    SetCursorPos(inside.x, inside.y);
    e2e::Post(main, WM_CONTEXTMENU, 0, MAKELPARAM(inside.x, inside.y));
    EXPECT_EQ(WaitForPopupMenu(700), nullptr);
    EXPECT_EQ(app.Close(), 0);
}

TEST(FrameCommands, CloseGreysDocumentCommandsAndRestoresTheTitle) {
    Sandbox box(L"close");
    const std::wstring path = box.File(L"a.bin", Counting(64));
    e2e::PelmoraProcess app;
    HWND main = StartOn(app, box.Exe(), path, (L"Pelmora - " + path).c_str());
    ASSERT_NE(main, nullptr);
    // Edit mode on, then closed: the toolbar button must come back released.
    Command(main, 40020);
    HWND toolbar = e2e::FindChild(main, TOOLBARCLASSNAMEW);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_NE(e2e::Send(toolbar, TB_ISBUTTONCHECKED, 40020, 0), 0);
    EXPECT_TRUE(Checked(main, 40020));
    Command(main, 40029);
    EXPECT_EQ(e2e::WindowText(main), L"Pelmora");
    for (UINT id : kDocumentCommands) {
        EXPECT_TRUE(Greyed(main, id)) << id;
    }
    EXPECT_EQ(e2e::Send(toolbar, TB_ISBUTTONCHECKED, 40020, 0), 0);
    EXPECT_FALSE(Checked(main, 40020));
    // Without a document the toolbar's edit mode button does nothing.
    Command(main, 40020);
    EXPECT_EQ(e2e::Send(toolbar, TB_ISBUTTONCHECKED, 40020, 0), 0);
    EXPECT_EQ(app.Close(), 0);
}

// A visible main window of another process than the given one, optionally
// with the given title; null when none appears in time.
HWND WaitForOtherMainWindow(DWORD own_process, const wchar_t* title) {
    for (int i = 0; i < 200; ++i) {
        for (HWND w = FindWindowExW(nullptr, nullptr, L"Pelmora", nullptr); w;
             w = FindWindowExW(nullptr, w, L"Pelmora", nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid != own_process && IsWindowVisible(w) &&
                (!title || e2e::WindowText(w) == title)) {
                return w;
            }
        }
        Sleep(100);
    }
    return nullptr;
}

// Closes another instance's main window and waits for its process to end.
void CloseOther(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    e2e::Post(window, WM_CLOSE);
    if (process) {
        EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
        CloseHandle(process);
    }
}

TEST(FrameCommands, NewFrameStartsASecondInstance) {
    Sandbox box(L"newframe");
    e2e::PelmoraProcess app;
    HWND main = StartOn(app, box.Exe(), L"", L"Pelmora");
    ASSERT_NE(main, nullptr);
    Command(main, 40045);
    HWND second = WaitForOtherMainWindow(app.Id(), nullptr);
    ASSERT_NE(second, nullptr) << "no second main window";
    EXPECT_EQ(e2e::WindowText(second), L"Pelmora") << "a new frame starts with no document";
    CloseOther(second);
    EXPECT_EQ(app.Close(), 0);
}

TEST(FrameCommands, DuplicateOpensTheShownFileInASecondInstance) {
    Sandbox box(L"duplicate");
    const std::wstring path = box.File(L"dup data.bin", Counting(32));
    const std::wstring title = L"Pelmora - " + path;
    e2e::PelmoraProcess app;
    HWND main = StartOn(app, box.Exe(), path, title.c_str());
    ASSERT_NE(main, nullptr);
    Command(main, 40047);
    HWND second = WaitForOtherMainWindow(app.Id(), title.c_str());
    ASSERT_NE(second, nullptr) << "no second instance showing the file";
    CloseOther(second);
    EXPECT_EQ(app.Close(), 0);
}

TEST(FrameWorkspace, TypedEditIsKeptAtCloseAndRestored) {
    Sandbox box(L"workspace");
    const std::wstring path = box.File(L"w.bin", Counting(256));
    const std::wstring title = L"Pelmora - " + path;
    {
        e2e::PelmoraProcess app;
        HWND main = StartOn(app, box.Exe(), path, title.c_str());
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(EditFirstByte(main));
        EXPECT_TRUE(Checked(main, 40020))
            << "the double click switches edit mode on and the menu follows";
        EXPECT_EQ(app.Close(), 0);
    }
    ASSERT_TRUE(Exists(path + L".interm")) << "closing with an edit writes the workspace";
    // The next opening shows the edit: the first cell in the modified colour,
    // and without the workspace in the plain one.
    const e2e::ViewPixels colours = e2e::DefaultViewPixels();
    {
        e2e::PelmoraProcess app;
        HWND main = StartOn(app, box.Exe(), path, title.c_str());
        ASSERT_NE(main, nullptr);
        EXPECT_TRUE(e2e::WaitUntil([&] {
            return e2e::FirstCellColour(ViewControl(main), colours.m_n_modified) > 3;
        })) << "the restored edit is not shown";
        EXPECT_EQ(e2e::FirstCellColour(ViewControl(main), colours.m_n_hex), 0);
        EXPECT_EQ(app.Close(), 0);
    }
    DeleteFileW((path + L".interm").c_str());
    {
        e2e::PelmoraProcess app;
        HWND main = StartOn(app, box.Exe(), path, title.c_str());
        ASSERT_NE(main, nullptr);
        EXPECT_TRUE(e2e::WaitUntil(
            [&] { return e2e::FirstCellColour(ViewControl(main), colours.m_n_hex) > 3; }));
        EXPECT_EQ(e2e::FirstCellColour(ViewControl(main), colours.m_n_modified), 0);
        EXPECT_EQ(app.Close(), 0);
    }
}

TEST(FrameWorkspace, CloseWithPendingEditsAsks) {
    Sandbox box(L"ask");
    const std::wstring path = box.File(L"q.bin", Counting(256));
    const std::wstring title = L"Pelmora - " + path;
    e2e::PelmoraProcess app;
    HWND main = StartOn(app, box.Exe(), path, title.c_str());
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(EditFirstByte(main));

    // Cancel: nothing changes.
    e2e::PostCommand(main, 40029);
    HWND question = app.WaitForWindow(L"#32770", L"Message", 10000);
    ASSERT_NE(question, nullptr) << "no question about the pending changes";
    EXPECT_NE(MessageBoxText(question).find(path + L".interm"), std::wstring::npos);
    Answer(question, IDCANCEL);
    ASSERT_EQ(e2e::Sync(main), 1);
    EXPECT_EQ(e2e::WindowText(main), title);

    // No: dropped without a workspace file.
    e2e::PostCommand(main, 40029);
    question = app.WaitForWindow(L"#32770", L"Message", 10000);
    ASSERT_NE(question, nullptr);
    Answer(question, IDNO);
    ASSERT_EQ(e2e::Sync(main), 1);
    EXPECT_EQ(e2e::WindowText(main), L"Pelmora");
    EXPECT_FALSE(Exists(path + L".interm"));

    EXPECT_EQ(app.Close(), 0);

    // Yes: kept in the workspace file for the next opening.
    e2e::PelmoraProcess again;
    main = StartOn(again, box.Exe(), path, title.c_str());
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(EditFirstByte(main));
    e2e::PostCommand(main, 40029);
    question = again.WaitForWindow(L"#32770", L"Message", 10000);
    ASSERT_NE(question, nullptr);
    Answer(question, IDYES);
    ASSERT_EQ(e2e::Sync(main), 1);
    EXPECT_EQ(e2e::WindowText(main), L"Pelmora");
    EXPECT_TRUE(Exists(path + L".interm"));
    EXPECT_EQ(again.Close(), 0);
}

TEST(FrameShortcuts, BoundCharacterKeyRunsItsCommandAndTypesNothing) {
    Sandbox box(L"shortcut");
    // "A" (0x41) alone moves the caret one byte right; "C" (0x43) closes the file.
    box.Settings("[hotkey]\r\nByte right=65\r\n0041=Byte right\r\nClose file=67\r\n"
                 "0043=Close file\r\n");
    const std::wstring path = box.File(L"k.bin", Counting(256));
    const std::wstring title = L"Pelmora - " + path;
    e2e::PelmoraProcess app;
    HWND main = StartOn(app, box.Exe(), path, title.c_str());
    ASSERT_NE(main, nullptr);
    HWND control = ViewControl(main);
    POINT cell = {};
    ASSERT_TRUE(FirstCellPoint(control, &cell));
    // Select byte 0 and switch edit mode on, so a typed "A" would change it.
    e2e::PostClick(control, cell.x, cell.y, true);
    HWND status = StatusBar(main);
    // Posted clicks run after any message sent meanwhile: wait for their effect.
    ASSERT_TRUE(e2e::WaitUntil([&] { return Checked(main, 40020); })) << "no edit mode";
    EXPECT_EQ(StatusPane(app, status, 1), L"Begin: 0x0");
    ASSERT_EQ(e2e::SendKeyChord(main, 'A'), 1);
    EXPECT_TRUE(e2e::WaitUntil([&] { return StatusPane(app, status, 1) == L"Begin: 0x1"; }))
        << "the bound key did not move the caret";
    // Nothing was typed: closing asks no question and writes no workspace.
    ASSERT_EQ(e2e::SendKeyChord(main, 'C'), 1);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(main) == L"Pelmora"; }))
        << "the second bound key did not close the file";
    EXPECT_EQ(app.WaitForWindow(L"#32770", L"Message", 500), nullptr);
    EXPECT_EQ(app.Close(), 0);
    EXPECT_FALSE(Exists(path + L".interm"));
}

} // namespace

namespace {

// Waits for the popup menu's paint, checks that it shows item texts, greyed
// ones among them, and saves the screen under the name.
void ExpectMenuDrawn(HWND menu, const wchar_t* name) {
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(e2e::WaitPaintSettled(menu));
    e2e::Picture picture;
    ASSERT_EQ(e2e::CaptureWindow(menu, &picture), 1);
    const RECT all = {0, 0, picture.m_n_width, picture.m_n_height};
    EXPECT_GT(e2e::CountColour(picture, all, e2e::PixelOf(GetSysColor(COLOR_MENUTEXT))), 100)
        << "no item texts in " << std::string(name, name + std::wcslen(name));
    const int greyed = e2e::CountColour(picture, all, e2e::PixelOf(GetSysColor(COLOR_GRAYTEXT))) +
                       e2e::CountColour(picture, all, e2e::PixelOf(GetSysColor(COLOR_BTNSHADOW)));
    EXPECT_GT(greyed, 20) << "no greyed item in " << std::string(name, name + std::wcslen(name));
    EXPECT_FALSE(e2e::Screenshot(nullptr, name).empty());
}

TEST(FrameScreens, FileEditAndContextMenus) {
    Sandbox box(L"screens");
    const std::wstring path = box.File(L"screens.bin", Counting(4096));
    e2e::PelmoraProcess app;
    HWND main = StartOn(app, box.Exe(), path, (L"Pelmora - " + path).c_str());
    ASSERT_NE(main, nullptr);
    HWND control = ViewControl(main);
    POINT cell = {};
    ASSERT_TRUE(FirstCellPoint(control, &cell));
    e2e::PostClick(control, cell.x, cell.y);
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return StatusPane(app, StatusBar(main), 1) == L"Begin: 0x0"; }));

    ASSERT_EQ(e2e::SendKeyChord(main, 'F', {VK_MENU}), 1);
    HWND menu = WaitForPopupMenu(5000);
    EXPECT_NE(menu, nullptr) << "the File menu did not open";
    ExpectMenuDrawn(menu, L"frame_file_menu");
    e2e::SendKeyChord(nullptr, VK_ESCAPE);
    e2e::SendKeyChord(nullptr, VK_ESCAPE);
    WaitForNoPopupMenu();

    ASSERT_EQ(e2e::SendKeyChord(main, 'E', {VK_MENU}), 1);
    menu = WaitForPopupMenu(5000);
    EXPECT_NE(menu, nullptr) << "the Edit menu did not open";
    ExpectMenuDrawn(menu, L"frame_edit_menu");
    e2e::SendKeyChord(nullptr, VK_ESCAPE);
    e2e::SendKeyChord(nullptr, VK_ESCAPE);
    WaitForNoPopupMenu();

    // A right click on the rows: the menu opens at the cursor.
    POINT screen = {cell.x + 40, cell.y + 40};
    ClientToScreen(control, &screen);
    SetCursorPos(screen.x, screen.y);
    e2e::Post(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control),
              MAKELPARAM(screen.x, screen.y));
    menu = WaitForPopupMenu(5000);
    EXPECT_NE(menu, nullptr) << "no context menu";
    RECT shown = {};
    GetWindowRect(menu, &shown);
    EXPECT_EQ(shown.left, screen.x) << "the menu is not at the cursor";
    EXPECT_EQ(shown.top, screen.y) << "the menu is not at the cursor";
    ExpectMenuDrawn(menu, L"frame_context_menu");
    e2e::SendKeyChord(nullptr, VK_ESCAPE);
    WaitForNoPopupMenu();

    // A right click on the toolbar shows no menu.
    HWND toolbar = e2e::FindChild(main, TOOLBARCLASSNAMEW);
    ASSERT_NE(toolbar, nullptr);
    RECT bar = {};
    GetWindowRect(toolbar, &bar);
    e2e::Post(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(toolbar),
              MAKELPARAM(bar.left + 5, bar.top + 5));
    EXPECT_EQ(WaitForPopupMenu(700), nullptr) << "a menu opened over the toolbar";
    EXPECT_EQ(app.Close(), 0);
}

} // namespace

namespace {

void SetClipboardText(const wchar_t* text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    if (text) {
        const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
        ASSERT_NE(memory, nullptr);
        std::memcpy(GlobalLock(memory), text, bytes);
        GlobalUnlock(memory);
        SetClipboardData(CF_UNICODETEXT, memory);
    }
    CloseClipboard();
}

TEST(FrameMenus, EditMenuFollowsSelectionEditModeAndClipboard) {
    Sandbox box(L"menus");
    const std::wstring path = box.File(L"m.bin", Counting(256));
    e2e::PelmoraProcess app;
    HWND main = StartOn(app, box.Exe(), path, (L"Pelmora - " + path).c_str());
    ASSERT_NE(main, nullptr);
    SetClipboardText(L"41");
    // Edit mode on but no selection: cut, remove and paste stay greyed.
    Command(main, 40020);
    EXPECT_TRUE(Greyed(main, 40066, 1));
    EXPECT_TRUE(Greyed(main, 40092, 1));
    Command(main, 40020);

    HWND control = ViewControl(main);
    POINT cell = {};
    ASSERT_TRUE(FirstCellPoint(control, &cell));
    e2e::PostClick(control, cell.x, cell.y, true); // select, then edit mode on
    ASSERT_TRUE(e2e::WaitUntil([&] { return Checked(main, 40020); }));
    EXPECT_FALSE(Greyed(main, 40066, 1));
    EXPECT_FALSE(Greyed(main, 40063, 1));
    EXPECT_FALSE(Greyed(main, 40092, 1));
    EXPECT_FALSE(Greyed(main, 40096, 1));

    SetClipboardText(nullptr); // no text format at all
    EXPECT_TRUE(Greyed(main, 40092, 1));
    EXPECT_TRUE(Greyed(main, 40096, 1));
    EXPECT_FALSE(Greyed(main, 40066, 1)) << "cut does not need the clipboard";

    // Edit mode off: cut and remove grey, the paste items are left as they were.
    Command(main, 40020);
    EXPECT_FALSE(Checked(main, 40020));
    EXPECT_TRUE(Greyed(main, 40066, 1));
    EXPECT_TRUE(Greyed(main, 40063, 1));
    EXPECT_EQ(app.Close(), 0);
}

} // namespace

namespace {

// Chooses a file in the open dialog of "&Open file ..." by typing its path.
bool ChooseInOpenDialog(e2e::PelmoraProcess& app, const std::wstring& path) {
    HWND dialog = app.WaitForWindow(L"#32770", nullptr, 10000);
    if (!dialog) {
        return false;
    }
    HWND name = e2e::FindChild(dialog, L"Edit");
    if (!name) {
        return false;
    }
    e2e::Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return e2e::WaitGone(dialog, 5000);
}

TEST(FrameWorkspace, ReplacingAnEditedDocumentAsksFirst) {
    Sandbox box(L"replace");
    const std::wstring first = box.File(L"first.bin", Counting(256));
    const std::wstring second = box.File(L"second.bin", Counting(100));
    e2e::PelmoraProcess app;
    HWND main = StartOn(app, box.Exe(), first, (L"Pelmora - " + first).c_str());
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(EditFirstByte(main));

    // Cancel keeps the edited document.
    e2e::PostCommand(main, 40007);
    ASSERT_TRUE(ChooseInOpenDialog(app, second));
    HWND question = app.WaitForWindow(L"#32770", L"Message", 10000);
    ASSERT_NE(question, nullptr) << "no question before the edited document is replaced";
    Answer(question, IDCANCEL);
    ASSERT_EQ(e2e::Sync(main), 1);
    EXPECT_EQ(e2e::WindowText(main), L"Pelmora - " + first);
    EXPECT_FALSE(Exists(first + L".interm"));

    // Yes keeps the edits in the first file's workspace and opens the second.
    e2e::PostCommand(main, 40007);
    ASSERT_TRUE(ChooseInOpenDialog(app, second));
    question = app.WaitForWindow(L"#32770", L"Message", 10000);
    ASSERT_NE(question, nullptr);
    Answer(question, IDYES);
    ASSERT_EQ(e2e::Sync(main), 1);
    EXPECT_EQ(e2e::WindowText(main), L"Pelmora - " + second);
    EXPECT_EQ(StatusPane(app, StatusBar(main), 0), L"Total: 0x63");
    EXPECT_TRUE(Exists(first + L".interm"));
    // Nothing pending in the new document: the window closes without a question.
    EXPECT_EQ(app.Close(), 0);
    EXPECT_FALSE(Exists(second + L".interm"));
}

} // namespace
