// "&Apply" in the real pelmora.exe: typed and inserted bytes written into the
// file after a Yes, the workspace gone and nothing pending after; No changes
// nothing; a file held open elsewhere without delete sharing stays as it was;
// typed bytes alone are written in place, and an apply killed meanwhile is
// rolled back when the file is opened again.
#include "tests/e2e/tool_driver.h"

#include "data/data_plane.h"
#include "data/workspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

namespace {

using namespace tools_e2e;

constexpr WORD kCmdApply = 40009;
constexpr int kFileSubmenu = 0;

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

bool Greyed(HWND main, UINT command) {
    static const UINT message = RegisterWindowMessageW(L"PelmoraMenuItemState");
    const UINT state = static_cast<UINT>(e2e::Send(main, message, command, kFileSubmenu + 1));
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) != 0;
}

// Types two bytes at 2 and inserts "XY" before 10: 66 bytes shown.
Bytes Edit(App* app, const Bytes& data) {
    app->Command(kCmdEditMode);
    EXPECT_EQ(SelectRange(app, 2, 3), 1);
    for (char c : std::string("1234"))
        e2e::Send(app->m_h_view, WM_CHAR, static_cast<WPARAM>(c));
    EXPECT_EQ(e2e::Sync(app->m_h_main), 1);
    EXPECT_EQ(SelectRange(app, 10, 10), 1);
    EXPECT_TRUE(PutClipboard(CF_TEXT, Bytes{'X', 'Y', 0}));
    app->Command(kCmdPasteInsert);
    Bytes shown = data;
    shown[2] = 0x12;
    shown[3] = 0x34;
    shown.insert(shown.begin() + 10, {'X', 'Y'});
    EXPECT_EQ(app->Status(0), L"Total: 0x41");
    return shown;
}

// Runs Apply and answers its question; the text of the message that
// follows, or "" when none shows.
std::wstring ApplyAnswering(App* app, const std::wstring& path, WORD answer) {
    // Edits are made through the Goto dialog; it is closed first, as a user
    // must: the main window takes no command while the dialog is open.
    app->CloseGoto();
    e2e::PostCommand(app->m_h_main, kCmdApply);
    HWND question = app->WaitForMessage(10000);
    if (question == nullptr)
        return L"<no question>";
    EXPECT_EQ(MessageText(question), L"Write the pending changes into " + path + L"?");
    EXPECT_TRUE(Dismiss(question, answer));
    HWND message = nullptr;
    if (answer == IDYES) {
        // The new file is written under the modal progress dialog, then the
        // file is replaced on the program's thread: the apply is over once
        // the main window is enabled and answers while it stays enabled. A
        // message may show at any point.
        const HWND main = app->m_h_main;
        int idle = 0;
        const ULONGLONG end = GetTickCount64() + 20000;
        while (message == nullptr && idle < 2 && GetTickCount64() < end) {
            const bool enabled = IsWindowEnabled(main) && e2e::Sync(main) && IsWindowEnabled(main);
            idle = enabled ? idle + 1 : 0;
            message = app->WaitForMessage(50);
        }
    }
    if (message == nullptr)
        message = app->WaitForMessage(300);
    if (message == nullptr) {
        EXPECT_EQ(e2e::Sync(app->m_h_main), 1);
        return L"";
    }
    const std::wstring text = MessageText(message);
    Dismiss(message, IDOK);
    return text;
}

TEST(Apply, YesWritesTheShownBytesIntoTheFileAndLeavesNothingPending) {
    Sandbox box(L"apply");
    const Bytes data = Counting(64);
    const std::wstring path = box.File(L"apply.bin", data);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    EXPECT_TRUE(Greyed(app.m_h_main, kCmdApply)) << "nothing to apply yet";
    const Bytes shown = Edit(&app, data);
    app.Command(kCmdSaveWorkspace);
    ASSERT_TRUE(e2e::Exists(path + L".interm"));
    EXPECT_FALSE(Greyed(app.m_h_main, kCmdApply));

    // No changes nothing.
    EXPECT_EQ(ApplyAnswering(&app, path, IDNO), L"");
    EXPECT_EQ(ReadFileBytes(path), data);
    EXPECT_EQ(app.Status(0), L"Total: 0x41");

    ASSERT_EQ(SelectRange(&app, 40, 41), 1);
    EXPECT_EQ(ApplyAnswering(&app, path, IDYES), L"");
    EXPECT_EQ(ReadFileBytes(path), shown);
    EXPECT_FALSE(e2e::Exists(path + L".interm"));
    EXPECT_EQ(box.Files().size(), 2u) << "only the exe and the file: no new file left";
    EXPECT_EQ(app.Status(0), L"Total: 0x41");
    EXPECT_EQ(app.Status(1), L"Begin: 0x28") << "the selection is kept";
    EXPECT_TRUE(Greyed(app.m_h_main, kCmdApply));
    EXPECT_EQ(DocumentHex(&app, 66), Widen(Hex(shown)));
    EXPECT_EQ(app.Close(), 0) << "nothing pending: no question at close";
    EXPECT_FALSE(e2e::Exists(path + L".interm"));

    App again;
    ASSERT_EQ(again.Open(box, path), 1);
    EXPECT_EQ(again.Status(0), L"Total: 0x41");
    EXPECT_EQ(DocumentHex(&again, 66), Widen(Hex(shown)));
    EXPECT_TRUE(Greyed(again.m_h_main, kCmdApply));
    EXPECT_EQ(again.Close(), 0);
}

TEST(Apply, AFileHeldOpenWithoutDeleteSharingStaysAsItWas) {
    Sandbox box(L"applyheld");
    const Bytes data = Counting(64);
    const std::wstring path = box.File(L"held.bin", data);
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    const Bytes shown = Edit(&app, data);
    const std::wstring message = ApplyAnswering(&app, path, IDYES);
    EXPECT_NE(message.find(L"Could not apply the changes to " + path), std::wstring::npos)
        << std::string(message.begin(), message.end());
    EXPECT_NE(message.find(L"another program holds it open"), std::wstring::npos);
    CloseHandle(held);
    EXPECT_EQ(ReadFileBytes(path), data);
    EXPECT_EQ(box.Files().size(), 2u);
    EXPECT_EQ(app.Status(0), L"Total: 0x41");
    EXPECT_EQ(DocumentHex(&app, 66), Widen(Hex(shown)));
    EXPECT_FALSE(Greyed(app.m_h_main, kCmdApply)) << "still pending";

    // Closing keeps the edits in the workspace, as for any pending change.
    EXPECT_EQ(app.Close(), 0);
    EXPECT_TRUE(e2e::Exists(path + L".interm"));

    // A read-only file is refused before anything is written.
    const std::wstring locked = box.File(L"locked.bin", data);
    ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    App second;
    ASSERT_EQ(second.Open(box, locked), 1);
    Edit(&second, data);
    const std::wstring refused = ApplyAnswering(&second, locked, IDYES);
    EXPECT_NE(refused.find(L"The file is read-only."), std::wstring::npos);
    EXPECT_EQ(ReadFileBytes(locked), data);
    // Closing keeps the refused edits in the workspace beside the file.
    EXPECT_EQ(second.Close(), 0);
    EXPECT_TRUE(e2e::Exists(locked + L".interm"));
    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Bytes of a file at an offset, read without taking the whole file.
Bytes ReadAt(const std::wstring& path, int64_t offset, DWORD count) {
    Bytes bytes(count);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (file == INVALID_HANDLE_VALUE || !ReadFile(file, bytes.data(), count, &got, &at))
        got = 0;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

// A long apply writes its file under the progress dialog, so the program
// keeps painting; a close asked meanwhile loses nothing.
TEST(Apply, ALongApplyWritesUnderTheProgressDialog) {
    Sandbox box(L"applylong");
    const int64_t size = 256ll << 20;
    const std::wstring path = WriteSparse(box, L"big.bin", size, size - 4, Bytes{1, 2, 3, 4});
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    // An inserted byte: the file is rewritten whole (typed bytes alone would
    // be written in place, at once).
    app.Command(kCmdEditMode);
    ASSERT_EQ(SelectRange(&app, 0, 0), 1);
    ASSERT_TRUE(PutClipboard(CF_TEXT, Bytes{'A', 0}));
    app.Command(kCmdPasteInsert);
    ASSERT_EQ(e2e::Sync(app.m_h_main), 1);
    e2e::PostCommand(app.m_h_main, kCmdApply);
    HWND question = app.WaitForMessage(10000);
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(Dismiss(question, IDYES));
    HWND progress = app.m_process.WaitForWindow(L"#32770", L"Pelmora -- Saving", 10000);
    ASSERT_NE(progress, nullptr) << "no progress dialog";
    e2e::Post(app.m_h_main, WM_CLOSE);
    EXPECT_TRUE(WaitGone(progress, 120000));
    ASSERT_EQ(e2e::Sync(app.m_h_main), 1);
    EXPECT_EQ(app.m_process.WaitForWindow(L"#32770", L"Message", 300), nullptr);
    EXPECT_TRUE(app.m_process.Running()) << "the close waits for the apply";
    EXPECT_EQ(ReadAt(path, 0, 2), (Bytes{0x41, 0x00}));
    EXPECT_EQ(ReadAt(path, size - 3, 8), (Bytes{1, 2, 3, 4}));
    EXPECT_TRUE(Greyed(app.m_h_main, kCmdApply));
    EXPECT_EQ(app.Close(), 0);
    EXPECT_EQ(box.Files().size(), 2u) << "only the exe and the file";
}

// A workspace of count typed bytes (0x80 over the file's zeros), stride
// bytes apart from first on; their offsets and bytes in *typed.
int WriteTypedWorkspace(const std::wstring& path, int64_t size, int count, int64_t first,
                        int64_t stride, std::map<int64_t, uint8_t>* typed) {
    CDataPlane plane(size);
    const uint8_t byte = 0x80;
    for (int i = 0; i < count; ++i) {
        const int64_t at = first + i * stride;
        const PieceRecord record = {PIECE_OVERWRITTEN, at, at, 1, &byte};
        if (!plane.Replace(at, 1, &record, 1))
            return 0;
        (*typed)[at] = byte;
    }
    return WriteWorkspace(WorkspaceName(path.c_str()).c_str(), &plane, size);
}

// The offset of the first byte of the file that is not as expected (zeros
// but for the given bytes), or -1 when it is all as expected.
int64_t FirstDifference(const std::wstring& path, int64_t size,
                        const std::map<int64_t, uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    Bytes block(8 << 20), expected(block.size());
    auto next = bytes.begin();
    int64_t at = 0, differs = -1;
    LARGE_INTEGER length = {};
    if (!GetFileSizeEx(file, &length) || length.QuadPart != size)
        differs = 0;
    while (differs < 0 && at < size) {
        DWORD got = 0;
        if (!ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) ||
            got == 0) {
            differs = at;
            break;
        }
        std::fill(expected.begin(), expected.begin() + got, 0);
        for (; next != bytes.end() && next->first < at + got; ++next)
            expected[static_cast<size_t>(next->first - at)] = next->second;
        if (!std::equal(block.begin(), block.begin() + got, expected.begin()))
            for (DWORD i = 0; i < got; ++i)
                if (block[i] != expected[i]) {
                    differs = at + i;
                    break;
                }
        at += got;
    }
    CloseHandle(file);
    return differs;
}

TEST(Apply, AThousandTypedBytesInAGibibyteFileAreWrittenInPlace) {
    Sandbox box(L"applyinplace");
    const int64_t size = int64_t{1} << 30;
    std::map<int64_t, uint8_t> old_bytes = {
        {size - 4, 1}, {size - 3, 2}, {size - 2, 3}, {size - 1, 4}};
    const std::wstring path = WriteSparse(box, L"big.bin", size, size - 4, Bytes{1, 2, 3, 4});
    std::map<int64_t, uint8_t> new_bytes = old_bytes;
    ASSERT_EQ(WriteTypedWorkspace(path, size, 1000, 4321, (size - 8192) / 1000, &new_bytes), 1);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    EXPECT_EQ(ApplyAnswering(&app, path, IDYES), L"");
    EXPECT_TRUE(Greyed(app.m_h_main, kCmdApply));
    EXPECT_EQ(app.Close(), 0);
    EXPECT_EQ(FirstDifference(path, size, new_bytes), -1);
    EXPECT_EQ(box.Files().size(), 2u) << "only the exe and the file: no journal, no workspace";
}

// Killed while the typed bytes go into the file: the next start puts the
// file back as it was, says so, and the changes are still pending.
TEST(Apply, AnApplyKilledWhileWritingInPlaceIsRolledBackAtTheNextStart) {
    Sandbox box(L"applykilled");
    const int64_t size = int64_t{1} << 30;
    const std::map<int64_t, uint8_t> old_bytes = {{size - 1, 9}};
    const std::wstring path = WriteSparse(box, L"big.bin", size, size - 1, Bytes{9});
    // Enough typed bytes that writing them lasts a while.
    std::map<int64_t, uint8_t> typed;
    const int count = 30000;
    const int64_t first = 4096, stride = (size - 8192) / count;
    ASSERT_EQ(WriteTypedWorkspace(path, size, count, first, stride, &typed), 1);
    const int64_t last = first + (count - 1) * stride;
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    e2e::PostCommand(app.m_h_main, kCmdApply);
    HWND question = app.WaitForMessage(10000);
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(Dismiss(question, IDYES));
    // The file changes only once the journal is on the disk.
    ASSERT_TRUE(e2e::WaitUntil([&] { return ReadAt(path, first, 1) == Bytes{0x80}; }, 120000));
    ASSERT_TRUE(TerminateProcess(app.m_process.Handle(), 1));
    WaitForSingleObject(app.m_process.Handle(), 10000);
    ASSERT_EQ(ReadAt(path, last, 1), Bytes{0}) << "the write ended before the kill";
    ASSERT_TRUE(e2e::Exists(path + L".pelmora-journal"));

    App again;
    ASSERT_EQ(again.m_process.Start(path, box.Exe()), 1);
    HWND message = again.WaitForMessage(60000);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(MessageText(message), L"The changes being applied to " + path +
                                        L" when Pelmora stopped were rolled back; the file is "
                                        L"as it was before.");
    EXPECT_TRUE(Dismiss(message, IDOK));
    again.m_h_main = again.m_process.WaitForMainWindow(60000, (L"Pelmora - " + path).c_str());
    ASSERT_NE(again.m_h_main, nullptr);
    EXPECT_FALSE(e2e::Exists(path + L".pelmora-journal"));
    EXPECT_EQ(FirstDifference(path, size, old_bytes), -1);
    EXPECT_FALSE(Greyed(again.m_h_main, kCmdApply)) << "the changes are still pending";
    again.m_process.Kill();
}

} // namespace
