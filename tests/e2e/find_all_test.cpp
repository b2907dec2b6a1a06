// "Find all" in the real pelmora.exe: the count in the Find dialog and in the
// results window, a row's offset copied, Enter on a row selecting its match,
// and an insertion before the matches moving them and making the list stale.
#include "tests/e2e/tool_driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace tools_e2e;

constexpr int kFindAll = 1020;
constexpr int kFindResult = 1025;
constexpr int kResultsStatus = 1201;
constexpr int kResultsAgain = 1202;
constexpr int kResultsList = 1203;
constexpr WORD kResultsCopy = 1204;

struct ResultsWindow {
    HWND m_h_window = nullptr;
    HWND Item(int id) const { return GetDlgItem(m_h_window, id); }
    std::wstring Status() const { return e2e::WindowText(Item(kResultsStatus)); }
    // The selected rows' offsets as the window copies them.
    std::wstring Copied() const {
        ClearClipboard();
        e2e::Post(m_h_window, WM_COMMAND, kResultsCopy);
        std::wstring text;
        e2e::WaitUntil([&] { return (text = ClipboardUnicode()) != L"<none>"; });
        return text;
    }
    // A key pressed in the list, as the list sees it.
    void Key(WPARAM key) const {
        e2e::Post(Item(kResultsList), WM_KEYDOWN, key, 1);
        e2e::Post(Item(kResultsList), WM_KEYUP, key, 0xC0000001);
        EXPECT_EQ(e2e::Sync(m_h_window), 1);
    }
};

// The screen part that holds both windows, saved under the name.
void Picture(HWND a, HWND b, const std::wstring& name) {
    e2e::Picture screen;
    ASSERT_EQ(e2e::CaptureWindow(nullptr, &screen), 1);
    RECT ra = {};
    RECT rb = {};
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    RECT all = {};
    UnionRect(&all, &ra, &rb);
    const RECT whole = {0, 0, screen.m_n_width, screen.m_n_height};
    IntersectRect(&all, &all, &whole);
    e2e::Picture part;
    part.m_n_width = all.right - all.left;
    part.m_n_height = all.bottom - all.top;
    for (int y = all.top; y < all.bottom; ++y)
        for (int x = all.left; x < all.right; ++x)
            part.m_pixels.push_back(screen.At(x, y));
    EXPECT_FALSE(e2e::SaveBmp(part, name).empty());
}

TEST(ToolsFindAll, ListsEveryMatchSelectsOneAndFollowsAnInsert) {
    Sandbox box(L"findall");
    Bytes data(0x3000, 0x11);
    for (size_t at : {0x10, 0x1234, 0x2FF0}) {
        data[at] = 0xDE;
        data[at + 1] = 0xAD;
        data[at + 2] = 0xBE;
        data[at + 3] = 0xEF;
    }
    const std::wstring path = box.File(L"findall.bin", data);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    ResultsWindow results;
    {
        FindDialog find(&app);
        ASSERT_NE(find.Window(), nullptr) << "no Find dialog";
        find.SetPattern(L"DEADBEEF");
        find.Click(kFindAll);
        ASSERT_TRUE(find.WaitIdle(10000));
        EXPECT_EQ(e2e::WindowText(find.Item(kFindResult)), L"3 matches");
        results.m_h_window =
            app.m_process.WaitForWindow(L"PelmoraFindResults", L"Pelmora - Find results", 5000);
        ASSERT_NE(results.m_h_window, nullptr) << "no results window";
        EXPECT_EQ(results.Status(), L"3 matches");
        EXPECT_EQ(results.Copied(), L"00000010") << "the first row is selected";
        // Enter on the second row while Find is still open selects its match.
        results.Key(VK_DOWN);
        results.Key(VK_RETURN);
        EXPECT_EQ(app.WaitStatus(1, L"Begin: 0x1234"), L"Begin: 0x1234");
        EXPECT_EQ(app.Status(2), L"End: 0x1237");
        EXPECT_TRUE(find.Close());
    }
    // Two bytes inserted at the start move every match by two.
    app.Command(kCmdEditMode);
    ASSERT_EQ(SelectRange(&app, 0, 0), 1);
    ASSERT_TRUE(PutClipboard(CF_TEXT, Bytes{'X', 'Y', 0}));
    app.Command(kCmdPasteInsert);
    EXPECT_TRUE(e2e::WaitUntil([&] {
        return results.Status().find(L"may be stale") != std::wstring::npos;
    })) << e2e::WindowText(results.Item(kResultsStatus));
    EXPECT_TRUE(IsWindowVisible(results.Item(kResultsAgain))) << "no \"Search again\"";
    EXPECT_EQ(results.Copied(), L"00001236");
    // Without a window manager the main window may stand over it.
    SetWindowPos(results.m_h_window, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(e2e::Sync(results.m_h_window), 1);
    Picture(results.m_h_window, results.m_h_window, L"guide-find-results");

    // Searching again finds them where they are now, and the note goes.
    e2e::Post(results.m_h_window, WM_COMMAND, kResultsAgain);
    EXPECT_TRUE(e2e::WaitUntil([&] { return results.Status() == L"3 matches"; }))
        << e2e::WindowText(results.Item(kResultsStatus));
    EXPECT_EQ(results.Copied(), L"00000012");
}

} // namespace
