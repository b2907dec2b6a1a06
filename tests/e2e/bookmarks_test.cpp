// Bookmarks in the real pelmora.exe: two added through the dialog come back
// when the file is opened again with nothing pending, next and previous
// select them, an inserted byte moves the one behind it, and the list goes
// out through Export, is deleted and comes back through Import, which reports
// a damaged line by number.
#include "tests/e2e/tool_driver.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

namespace {

using namespace tools_e2e;

constexpr WORD kCmdNextBookmark = 40107;
constexpr WORD kCmdPreviousBookmark = 40108;
constexpr WORD kCmdUndo = 40101;
constexpr int kExportButton = 1213;
constexpr int kImportButton = 1214;
enum Column { kName = 0, kOffset = 1, kLength = 2, kNote = 3 };

// Selects (and focuses) one row, or takes it out of the selection.
void SetRowSelected(const App& app, HWND list, int row, bool selected) {
    HANDLE process = app.m_process.Handle();
    void* remote =
        VirtualAllocEx(process, nullptr, sizeof(LVITEMW), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(remote, nullptr);
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = selected ? LVIS_SELECTED | LVIS_FOCUSED : 0;
    SIZE_T done = 0;
    WriteProcessMemory(process, remote, &item, sizeof(item), &done);
    e2e::Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
}

int Rows(HWND list) {
    return static_cast<int>(e2e::Send(list, LVM_GETITEMCOUNT));
}

// Presses a button of the window and gives the file name to the common file
// dialog that opens.
void ChooseFile(App* app, HWND window, int button, const wchar_t* title, const std::wstring& path) {
    e2e::Post(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    HWND dialog = app->m_process.WaitForWindow(L"#32770", title, 10000);
    ASSERT_NE(dialog, nullptr) << "no file dialog";
    HWND name = GetDlgItem(dialog, 0x480);
    if (name == nullptr)
        name = e2e::FindChild(dialog, L"Edit");
    ASSERT_NE(name, nullptr);
    e2e::Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
              reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    ASSERT_TRUE(e2e::WaitGone(dialog, 10000));
}

HWND WaitQuestion(App* app) {
    return app->m_process.WaitForWindow(L"#32770", L"Pelmora - Bookmarks", 10000);
}

} // namespace

TEST(BookmarksE2E, KeptAcrossReopeningSteppedMovedExportedAndImported) {
    Sandbox box(L"bookmarks");
    const std::wstring path = box.File(L"marked.bin", Counting(256));
    {
        App app;
        ASSERT_EQ(app.Open(box, path), 1);
        ASSERT_EQ(AddBookmark(&app, 0x10, 0x1F, L"header", L"first note"), 1);
        ASSERT_EQ(AddBookmark(&app, 0x40, 0x47, L"table", L""), 1);
        ASSERT_EQ(app.Close(), 0);
    }
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    HWND window = nullptr;
    HWND list = OpenBookmarks(&app, &window);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return Rows(list) == 2; })) << "the two bookmarks came back";
    EXPECT_EQ(ListCell(app, list, 0, kName), L"header");
    EXPECT_EQ(ListCell(app, list, 0, kOffset), L"0x10");
    EXPECT_EQ(ListCell(app, list, 0, kLength), L"16");
    EXPECT_EQ(ListCell(app, list, 0, kNote), L"first note");
    EXPECT_EQ(ListCell(app, list, 1, kName), L"table");
    EXPECT_EQ(ListCell(app, list, 1, kOffset), L"0x40");

    // Next and previous, from a caret between them.
    ASSERT_EQ(SelectRange(&app, 0x20, 0x20), 1);
    app.Command(kCmdNextBookmark);
    EXPECT_EQ(app.WaitStatus(1, L"Begin: 0x40"), L"Begin: 0x40");
    EXPECT_EQ(app.Status(2), L"End: 0x47");
    app.Command(kCmdPreviousBookmark);
    EXPECT_EQ(app.WaitStatus(1, L"Begin: 0x10"), L"Begin: 0x10");
    EXPECT_EQ(app.Status(2), L"End: 0x1F");

    // A byte inserted between them moves the second one; undo moves it back.
    app.Command(kCmdEditMode);
    ASSERT_EQ(SelectRange(&app, 0x30, 0x30), 1);
    ASSERT_TRUE(PutClipboard(CF_TEXT, Bytes{'A', 0}));
    app.Command(kCmdPasteInsert);
    EXPECT_TRUE(e2e::WaitUntil([&] { return ListCell(app, list, 1, kOffset) == L"0x41"; }))
        << ListCell(app, list, 1, kOffset);
    EXPECT_EQ(ListCell(app, list, 0, kOffset), L"0x10");
    app.Command(kCmdUndo);
    EXPECT_TRUE(e2e::WaitUntil([&] { return ListCell(app, list, 1, kOffset) == L"0x40"; }));

    // F2 renames the selected row in place.
    SetRowSelected(app, list, 1, true);
    e2e::Post(list, WM_KEYDOWN, VK_F2, 0);
    HWND edit = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] { return (edit = e2e::FindChild(list, L"Edit")) != nullptr; }));
    e2e::Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"lookup table"));
    e2e::Post(edit, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return ListCell(app, list, 1, kName) == L"lookup table"; }))
        << ListCell(app, list, 1, kName);
    SetRowSelected(app, list, 1, false);

    // Ctrl+C copies the selected row in the export format.
    SetRowSelected(app, list, 0, true);
    ClearClipboard();
    e2e::Send(window, WM_COMMAND, 1222); // the row menu's "&Copy"
    EXPECT_NE(ClipboardUnicode().find(L"header\tfirst note"), std::wstring::npos)
        << ClipboardUnicode();

    const std::wstring exported = box.Folder() + L"exported.txt";
    ChooseFile(&app, window, kExportButton, L"Save As", exported);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::Exists(exported); }));

    // Delete both after the question.
    SetRowSelected(app, list, 1, true);
    e2e::Post(list, WM_KEYDOWN, VK_DELETE, 0);
    HWND question = WaitQuestion(&app);
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(Dismiss(question, IDYES));
    ASSERT_TRUE(e2e::WaitUntil([&] { return Rows(list) == 0; })) << Rows(list);

    // The export with a damaged third line: the rest comes back, line 3 is named.
    Bytes text = e2e::ReadAll(exported);
    const std::string damaged = "not a bookmark\n";
    const size_t second_line = std::string(text.begin(), text.end()).find('\n') + 1;
    text.insert(text.begin() + static_cast<std::ptrdiff_t>(second_line), damaged.begin(),
                damaged.end());
    const std::wstring imported = box.File(L"imported.txt", text);
    ChooseFile(&app, window, kImportButton, L"Open", imported);
    HWND report = WaitQuestion(&app);
    ASSERT_NE(report, nullptr) << "the damaged line is reported";
    EXPECT_NE(MessageText(report).find(L": 2."), std::wstring::npos) << MessageText(report);
    ASSERT_TRUE(Dismiss(report, IDOK));
    ASSERT_TRUE(e2e::WaitUntil([&] { return Rows(list) == 2; }));
    EXPECT_EQ(ListCell(app, list, 0, kName), L"header");
    EXPECT_EQ(ListCell(app, list, 1, kName), L"lookup table");
    EXPECT_EQ(app.Close(), 0);
}
