// Find and the copies on a process document of the real pelmora.exe: they
// read the other process's memory, and a copy over a page that cannot be
// read puts nothing on the clipboard and says so.
#include "tests/e2e/tool_driver.h"
#include "tests/win32/helpers/marker_process.h"
#include "tests/win32/helpers/marker_target.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace tools_e2e;

// marker_target.exe beside this test, with the addresses it prints.
struct Marker {
    Marker() {
        if (!m_process.Start(L"pelmora_tools_e2e_"))
            return;
        void* addresses[4] = {};
        if (std::sscanf(m_process.ReadLine().c_str(), "%p %p %p %p", &addresses[0], &addresses[1],
                        &addresses[2], &addresses[3]) == 4) {
            m_n_marker = reinterpret_cast<uintptr_t>(addresses[0]);
            m_n_no_access = reinterpret_cast<uintptr_t>(addresses[2]);
        }
    }
    MarkerProcess m_process;
    uintptr_t m_n_marker = 0;
    uintptr_t m_n_no_access = 0;
};

TEST(ToolsProcess, FindAndCopiesReadTheProcessAndRefuseUnreadableBytes) {
    Marker marker;
    ASSERT_NE(marker.m_process.Process(), nullptr) << "marker_target.exe did not start";
    ASSERT_NE(marker.m_n_marker, 0u);
    Sandbox box(L"process");
    App app;
    ASSERT_TRUE(app.m_process.Start(L"", box.Exe()));
    app.m_h_main = app.m_process.WaitForMainWindow();
    ASSERT_NE(app.m_h_main, nullptr);
    app.m_h_view = e2e::FindChild(app.m_h_main, L"PELMORA_CTRL");
    app.m_h_status = e2e::FindChild(app.m_h_view, STATUSCLASSNAMEW);

    HWND dialog = e2e::ChooseProcess(app.m_process, app.m_h_main, L"marker_target.exe");
    ASSERT_NE(dialog, nullptr) << "no dialog, or marker_target.exe is not listed";
    uint64_t total = 0;
    const int64_t at = marker.m_process.OffsetOf(marker.m_n_marker, &total);
    const int64_t no_access = marker.m_process.OffsetOf(marker.m_n_no_access, &total);
    ASSERT_GE(at, 0);
    ASSERT_GE(no_access, 1);
    Dismiss(dialog, IDOK, 10000);
    ASSERT_EQ(e2e::Sync(app.m_h_main), 1);
    wchar_t text[64] = {};
    std::swprintf(text, 64, L"Total: 0x%llX", static_cast<unsigned long long>(total - 1));
    ASSERT_EQ(app.WaitStatus(0, text, 10000), text);

    uint8_t bytes[kMarkerSize] = {};
    FillMarker(bytes, marker.m_process.Id(), 0);
    const Bytes expected(bytes, bytes + kMarkerSize);
    const std::string hex = Hex(expected);
    const std::wstring wide_hex(hex.begin(), hex.end());
    {
        FindDialog find(&app);
        ASSERT_NE(find.Window(), nullptr);
        find.UseHex();
        ASSERT_TRUE(find.Search(wide_hex, 1012, 60000));
        std::swprintf(text, 64, L"Begin: 0x%llX", static_cast<unsigned long long>(at));
        EXPECT_EQ(app.Status(1), text) << "the marker was not found in the process";
        EXPECT_TRUE(find.Close());
    }
    // The found selection copies as the process holds it.
    ClearClipboard();
    app.Command(kCmdCopyHex);
    EXPECT_EQ(ClipboardUnicode(), wide_hex);

    // A range over the page that cannot be read: a message, nothing copied.
    ASSERT_EQ(SelectRange(&app, no_access - 1, no_access + 1), 1);
    app.CloseGoto();
    for (WORD copy : {kCmdCopyHex, kCmdCopyRaw}) {
        ClearClipboard();
        e2e::PostCommand(app.m_h_main, copy);
        HWND box_window = app.WaitForMessage(10000);
        ASSERT_NE(box_window, nullptr) << "no message for an unreadable byte";
        std::swprintf(text, 64, L"0x%llX", static_cast<unsigned long long>(no_access));
        EXPECT_NE(MessageText(box_window).find(text), std::wstring::npos)
            << "the message names the first unreadable byte";
        EXPECT_TRUE(Dismiss(box_window, IDOK));
        Bytes block;
        EXPECT_FALSE(ReadClipboard(CF_UNICODETEXT, &block));
        EXPECT_FALSE(ReadClipboard(CF_OEMTEXT, &block));
    }

    // A typed byte of process memory is undone and redone like any other;
    // "&Apply" stays greyed, the process is never written.
    ASSERT_EQ(SelectRange(&app, at, at), 1);
    app.CloseGoto();
    app.Command(kCmdEditMode);
    e2e::Send(app.m_h_view, WM_CHAR, 'F');
    e2e::Send(app.m_h_view, WM_CHAR, 'F');
    ASSERT_EQ(e2e::Sync(app.m_h_main), 1);
    app.Command(kCmdCopyHex);
    EXPECT_EQ(ClipboardUnicode(), L"FF");
    static const UINT state_message = RegisterWindowMessageW(L"PelmoraMenuItemState");
    const UINT apply = static_cast<UINT>(e2e::Send(app.m_h_main, state_message, 40009, 1));
    EXPECT_NE(apply & MF_GRAYED, 0u) << "Apply greyed for a process document";
    app.Command(40101);
    app.Command(kCmdCopyHex);
    EXPECT_EQ(ClipboardUnicode(), wide_hex.substr(0, 2));
    app.Command(40102);
    app.Command(kCmdCopyHex);
    EXPECT_EQ(ClipboardUnicode(), L"FF");
    // Process edits cannot be kept: closing asks before they are dropped.
    e2e::Post(app.m_h_main, WM_CLOSE);
    HWND question = app.m_process.WaitForWindow(L"#32770", L"Message", 10000);
    ASSERT_NE(question, nullptr);
    e2e::Answer(question, IDOK);
    EXPECT_EQ(app.m_process.WaitForExit(10000), 0);
}

} // namespace
