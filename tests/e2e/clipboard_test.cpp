// The clipboard commands of the real pelmora.exe through the real clipboard:
// the three copies read back byte for byte, cut, remove and both pastes
// checked on the document afterwards, and the refusals.
#include "tests/e2e/tool_driver.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

using namespace tools_e2e;

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// The centre of a toolbar button in toolbar client coordinates.
POINT ToolbarButton(const App& app, HWND toolbar, WORD command) {
    POINT centre = {-1, -1};
    void* remote = VirtualAllocEx(app.m_process.Handle(), nullptr, sizeof(RECT),
                                  MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr)
        return centre;
    RECT rect = {};
    SIZE_T read = 0;
    if (e2e::Send(toolbar, TB_GETRECT, command, reinterpret_cast<LPARAM>(remote)) &&
        ReadProcessMemory(app.m_process.Handle(), remote, &rect, sizeof(rect), &read))
        centre = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    VirtualFreeEx(app.m_process.Handle(), remote, 0, MEM_RELEASE);
    return centre;
}

// Holds the system clipboard open on a thread of this process, as a
// clipboard manager does for a moment, until the object goes.
class ClipboardHolder {
  public:
    ClipboardHolder()
        : m_h_held(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_h_release(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_h_thread(CreateThread(nullptr, 0, &ClipboardHolder::Hold, this, 0, nullptr)) {}
    ~ClipboardHolder() {
        SetEvent(m_h_release);
        if (m_h_thread != nullptr) {
            WaitForSingleObject(m_h_thread, 5000);
            CloseHandle(m_h_thread);
        }
        CloseHandle(m_h_release);
        CloseHandle(m_h_held);
    }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;

    bool Held() const { return WaitForSingleObject(m_h_held, 5000) == WAIT_OBJECT_0 && m_b_open; }

  private:
    static DWORD WINAPI Hold(void* self) {
        auto* holder = static_cast<ClipboardHolder*>(self);
        for (int i = 0; i < 100 && !holder->m_b_open; ++i) {
            holder->m_b_open = OpenClipboard(nullptr) != FALSE;
            if (!holder->m_b_open)
                Sleep(20);
        }
        SetEvent(holder->m_h_held);
        WaitForSingleObject(holder->m_h_release, INFINITE);
        if (holder->m_b_open)
            CloseClipboard();
        return 0;
    }

    HANDLE m_h_held;
    HANDLE m_h_release;
    bool m_b_open = false;
    HANDLE m_h_thread;
};

TEST(ToolsClipboard, CopiesPutPlainFormattedAndRawBlocks) {
    Sandbox box(L"copies");
    Bytes data = Counting(64);
    data[0] = 0x41;
    data[1] = 0x42;
    data[2] = 0x0D;
    data[21] = 0x00;
    const std::wstring path = box.File(L"copies.bin", data);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);

    ASSERT_EQ(SelectRange(&app, 0, 2), 1);
    ClearClipboard();
    app.Command(kCmdCopyHex);
    EXPECT_EQ(ClipboardUnicode(), L"41420D");
    Bytes block;
    ASSERT_TRUE(ReadClipboard(CF_UNICODETEXT, &block));
    EXPECT_EQ(block.size(), 14u) << "six characters and the terminator, two bytes each";
    app.Command(kCmdCopyHexFormat);
    EXPECT_EQ(ClipboardUnicode(), L"41 42 0D ");

    // Offsets 5 to 20: 15 spaces for the cells before, the gap after
    // column 7, a line break after column 15, one space after column 4.
    ASSERT_EQ(SelectRange(&app, 5, 20), 1);
    app.Command(kCmdCopyHexFormat);
    EXPECT_EQ(ClipboardUnicode(),
              std::wstring(15, L' ') + L"05 06 07  08 09 0A 0B 0C 0D 0E 0F\r\n10 11 12 13 14 ");
    app.Command(kCmdCopyHex);
    EXPECT_EQ(ClipboardUnicode(), L"05060708090A0B0C0D0E0F1011121314");

    // Raw: the bytes as they are, a zero inside kept, one zero byte after.
    ASSERT_EQ(SelectRange(&app, 20, 22), 1);
    ClearClipboard();
    app.Command(kCmdCopyRaw);
    ASSERT_TRUE(ReadClipboard(CF_OEMTEXT, &block));
    ASSERT_GE(block.size(), 4u);
    EXPECT_EQ(Hex(Bytes(block.begin(), block.begin() + 4)), "14001600");
    EXPECT_EQ(block.size(), 4u) << "a block of exactly the bytes and the zero";

    // The shortcut commands run the same copies.
    app.Command(41007);
    EXPECT_EQ(ClipboardUnicode(), L"140016");
    app.Command(41008);
    EXPECT_EQ(ClipboardUnicode(), std::wstring(12, L' ') + L"14 00 16 ");
    app.Command(41009);
    ASSERT_TRUE(ReadClipboard(CF_OEMTEXT, &block));
    EXPECT_EQ(Hex(block), "14001600");

    // So does the toolbar's "Copy raw data" button, clicked.
    app.CloseGoto();
    HWND toolbar = e2e::FindChild(app.m_h_main, TOOLBARCLASSNAMEW);
    ASSERT_NE(toolbar, nullptr);
    const POINT button = ToolbarButton(app, toolbar, kCmdCopyRaw);
    ASSERT_GE(button.x, 0);
    ClearClipboard();
    e2e::PostClick(toolbar, button.x, button.y);
    bool copied = false;
    for (int i = 0; i < 100 && !copied; ++i) {
        Sleep(20);
        copied = ReadClipboard(CF_OEMTEXT, &block);
    }
    ASSERT_TRUE(copied) << "the toolbar button copied nothing";
    EXPECT_EQ(Hex(block), "14001600");

    // Copies change nothing: no question at close, no workspace.
    EXPECT_EQ(app.Status(0), L"Total: 0x3F");
    EXPECT_EQ(app.Close(), 0);
    EXPECT_EQ(GetFileAttributesW((path + L".interm").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ToolsClipboard, InsertAndOverwriteFromTheClipboardChangeOnlyTheDocument) {
    Sandbox box(L"paste");
    const Bytes data = Counting(32);
    const std::wstring path = box.File(L"paste.bin", data);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    app.Command(kCmdEditMode);

    // "ABC" as ANSI text goes in before offset 10, as its character codes.
    ASSERT_EQ(SelectRange(&app, 10, 10), 1);
    ASSERT_TRUE(PutClipboard(CF_TEXT, Bytes{'A', 'B', 'C', 0}));
    app.Command(kCmdPasteInsert);
    EXPECT_EQ(app.Status(0), L"Total: 0x22");
    EXPECT_EQ(app.Status(1), L"Begin: 0xA");
    Bytes expected = data;
    expected.insert(expected.begin() + 10, {0x41, 0x42, 0x43});
    EXPECT_EQ(DocumentHex(&app, 35), Widen(Hex(expected)));

    // Longer than the selection: cut to its two bytes; the size stays.
    ASSERT_EQ(SelectRange(&app, 0, 1), 1);
    ASSERT_TRUE(PutClipboard(CF_TEXT, Bytes{'W', 'X', 'Y', 'Z', 0}));
    app.Command(kCmdPasteOverwrite);
    expected[0] = 'W';
    expected[1] = 'X';
    EXPECT_EQ(app.Status(0), L"Total: 0x22");
    EXPECT_EQ(DocumentHex(&app, 35), Widen(Hex(expected)));

    // Shorter than the selection: only its first bytes change.
    ASSERT_EQ(SelectRange(&app, 20, 29), 1);
    ASSERT_TRUE(PutClipboard(CF_TEXT, Bytes{'a', 'b', 0}));
    app.Command(kCmdPasteOverwrite);
    expected[20] = 'a';
    expected[21] = 'b';
    EXPECT_EQ(app.Status(0), L"Total: 0x22");
    EXPECT_EQ(DocumentHex(&app, 35), Widen(Hex(expected)));

    // Unicode text only: inserted as its UTF-16 code units.
    ClearClipboard();
    ASSERT_TRUE(PutClipboard(CF_UNICODETEXT, Bytes{'Q', 0, 0, 0}));
    ASSERT_EQ(SelectRange(&app, 34, 34), 1);
    Bytes offered;
    ASSERT_TRUE(ReadClipboard(CF_TEXT, &offered)) << "the text format is made from the unicode one";
    app.Command(kCmdPasteInsert);
    // CF_TEXT, the first accepted format, is the one the system made: "Q".
    expected.insert(expected.begin() + 34, 'Q');
    EXPECT_EQ(app.Status(0), L"Total: 0x23");
    EXPECT_EQ(DocumentHex(&app, 36), Widen(Hex(expected)));

    // Saved as a workspace and restored by the next opening.
    EXPECT_EQ(app.Close(), 0);
    App again;
    ASSERT_EQ(again.Open(box, path), 1);
    EXPECT_EQ(again.Status(0), L"Total: 0x23");
    EXPECT_EQ(DocumentHex(&again, 36), Widen(Hex(expected)));
    EXPECT_EQ(ReadFileBytes(path), data) << "the file itself never changes";
}

TEST(ToolsClipboard, CutPutsTheBytesOnTheClipboardAndRemovesThem) {
    Sandbox box(L"cut");
    Bytes data = Counting(32);
    data[4] = 0x00;
    data[5] = 0x80;
    data[6] = 0xFF;
    const std::wstring path = box.File(L"cut.bin", data);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    app.Command(kCmdEditMode);

    ASSERT_EQ(SelectRange(&app, 4, 7), 1);
    ClearClipboard();
    app.Command(kCmdCut);
    Bytes block;
    ASSERT_TRUE(ReadClipboard(CF_OEMTEXT, &block));
    EXPECT_EQ(Hex(block), "0080FF0700");
    EXPECT_EQ(app.Status(0), L"Total: 0x1B");
    EXPECT_EQ(app.Status(1), L"Begin: 0x4");

    // Pasted back, the cut bytes return as they were: the system's ANSI text
    // made from them (other bytes, cut at the zero) is not what goes in.
    ASSERT_TRUE(ReadClipboard(CF_TEXT, &block));
    ASSERT_EQ(SelectRange(&app, 4, 4), 1);
    app.Command(kCmdPasteInsert);
    EXPECT_EQ(app.Status(0), L"Total: 0x1F");
    EXPECT_EQ(DocumentHex(&app, 32), Widen(Hex(data)));

    // Remove 0..15: sixteen bytes gone, the caret on offset 0.
    ASSERT_EQ(SelectRange(&app, 0, 15), 1);
    app.Command(kCmdRemove);
    EXPECT_EQ(app.Status(0), L"Total: 0xF");
    EXPECT_EQ(app.Status(1), L"Begin: 0x0");
    EXPECT_EQ(app.Status(2), L"End: 0x0");
    const Bytes expected(data.begin() + 16, data.end());
    EXPECT_EQ(DocumentHex(&app, 16), Widen(Hex(expected)));

    // Every byte removed: no selection is left, and the copies find none.
    ASSERT_EQ(SelectRange(&app, 0, 15), 1);
    app.Command(kCmdRemove);
    EXPECT_EQ(app.Status(0), L"Total: empty");
    EXPECT_EQ(app.Status(1), L"");
    EXPECT_EQ(app.Status(3), L"");
    ASSERT_TRUE(PutClipboard(CF_TEXT, Bytes{'k', 0}));
    app.Command(kCmdCopyRaw);
    app.Command(kCmdCopyHex);
    ASSERT_TRUE(ReadClipboard(CF_TEXT, &block));
    EXPECT_EQ(Hex(block), "6B00");
    e2e::Screenshot(app.m_h_main, L"clipboard_removed_every_byte");
    // How an emptied document is kept at closing is the workspace's matter;
    // the program ends cleanly either way, and the log says which way it went.
    EXPECT_EQ(app.Close(), 0);
    std::printf("closing an emptied document: %s\n",
                e2e::Exists(path + L".interm") ? "a workspace was kept" : "no workspace was kept");
}

TEST(ToolsClipboard, BusyClipboardFailsTheCopyAndCutRemovesNothing) {
    Sandbox box(L"busy");
    const Bytes data = Counting(32);
    const std::wstring path = box.File(L"busy.bin", data);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    app.Command(kCmdEditMode);
    ASSERT_EQ(SelectRange(&app, 4, 7), 1);
    ASSERT_TRUE(PutClipboard(CF_TEXT, Bytes{'o', 'l', 'd', 0}));
    {
        ClipboardHolder holder;
        ASSERT_TRUE(holder.Held());
        e2e::PostCommand(app.m_h_main, kCmdCut);
        HWND box_window = app.WaitForMessage(10000);
        ASSERT_NE(box_window, nullptr) << "a cut into a busy clipboard says nothing";
        EXPECT_EQ(MessageText(box_window),
                  L"The clipboard is in use by another program. Nothing was cut.");
        e2e::Screenshot(nullptr, L"clipboard_busy_cut");
        EXPECT_TRUE(Dismiss(box_window, IDOK));
        ASSERT_EQ(e2e::Sync(app.m_h_main), 1);
        EXPECT_EQ(app.Status(0), L"Total: 0x1F") << "a failed cut removes nothing";

        e2e::PostCommand(app.m_h_main, kCmdCopyRaw);
        box_window = app.WaitForMessage(10000);
        ASSERT_NE(box_window, nullptr);
        EXPECT_EQ(MessageText(box_window),
                  L"The clipboard is in use by another program. Nothing was copied.");
        EXPECT_TRUE(Dismiss(box_window, IDOK));
    }
    Bytes block;
    ASSERT_TRUE(ReadClipboard(CF_TEXT, &block));
    EXPECT_EQ(Hex(block), "6F6C6400") << "the clipboard kept what it held";
    EXPECT_EQ(DocumentHex(&app, 32), Widen(Hex(data)));

    // Free again, the same cut goes through.
    ASSERT_EQ(SelectRange(&app, 4, 7), 1);
    app.Command(kCmdCut);
    EXPECT_EQ(app.Status(0), L"Total: 0x1B");
    ASSERT_TRUE(ReadClipboard(CF_OEMTEXT, &block));
    EXPECT_EQ(Hex(block), "0405060700");
    EXPECT_EQ(app.Close(), 0);
}

TEST(ToolsClipboard, EditingCommandsNeedEditModeAndTooLargeCopiesAreRefused) {
    Sandbox box(L"refuse");
    const int64_t size = 0x200000 + 16;
    const std::wstring path = WriteSparse(box, L"refuse.bin", size, 0x1000, Bytes{0xAB});
    App app;
    ASSERT_EQ(app.Open(box, path), 1);

    // Without edit mode, cut, remove and paste do nothing.
    ASSERT_EQ(SelectRange(&app, 0x1000, 0x1000), 1);
    ASSERT_TRUE(PutClipboard(CF_TEXT, Bytes{'A', 0}));
    app.Command(kCmdPasteInsert);
    app.Command(kCmdPasteOverwrite);
    app.Command(kCmdRemove);
    app.Command(kCmdCut);
    EXPECT_EQ(app.Status(0), L"Total: 0x20000F");
    app.Command(kCmdCopyHex);
    EXPECT_EQ(ClipboardUnicode(), L"AB") << "the byte is unchanged";

    // Exactly 0x200000 bytes copy; one more gives the message and cut keeps them.
    ASSERT_EQ(SelectRange(&app, 0, 0x1FFFFF), 1);
    ClearClipboard();
    app.Command(kCmdCopyRaw);
    Bytes block;
    ASSERT_TRUE(ReadClipboard(CF_OEMTEXT, &block));
    EXPECT_EQ(block.size(), 0x200001u);
    EXPECT_EQ(block[0x1000], 0xAB);

    app.Command(kCmdEditMode);
    ASSERT_EQ(SelectRange(&app, 0, 0x200000), 1);
    ClearClipboard();
    e2e::PostCommand(app.m_h_main, kCmdCut);
    HWND box_window = app.WaitForMessage(10000);
    ASSERT_NE(box_window, nullptr) << "no message for a selection too large to copy";
    EXPECT_EQ(MessageText(box_window), L"The selected range is too large to copy!");
    EXPECT_TRUE(Dismiss(box_window, IDOK));
    ASSERT_EQ(e2e::Sync(app.m_h_main), 1);
    EXPECT_EQ(app.Status(0), L"Total: 0x20000F") << "a failed cut removes nothing";
    EXPECT_FALSE(ReadClipboard(CF_OEMTEXT, &block)) << "nothing reached the clipboard";

    e2e::PostCommand(app.m_h_main, kCmdCopyHexFormat);
    box_window = app.WaitForMessage(10000);
    ASSERT_NE(box_window, nullptr);
    EXPECT_EQ(MessageText(box_window), L"The selected range is too large to copy!");
    EXPECT_TRUE(Dismiss(box_window, IDOK));

    // An empty clipboard: paste changes nothing.
    ASSERT_EQ(SelectRange(&app, 0x1000, 0x1000), 1);
    ClearClipboard();
    app.Command(kCmdPasteInsert);
    app.Command(kCmdPasteOverwrite);
    EXPECT_EQ(app.Status(0), L"Total: 0x20000F");
    app.Command(kCmdCopyHex);
    EXPECT_EQ(ClipboardUnicode(), L"AB");
    app.CloseGoto();
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowEnabled(app.m_h_main) != FALSE; }))
        << "a dialog still holds the main window";
    e2e::Post(app.m_h_main, WM_CLOSE);
    EXPECT_EQ(app.m_process.WaitForExit(10000), 0) << "nothing changed, so no question at close";
}

} // namespace
