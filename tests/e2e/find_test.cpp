// The Find dialog of the real pelmora.exe: hex and text patterns in both
// directions selecting their matches, the hex filter, pending edits
// searched as the document shows them, and on a file of some hundred MiB
// the moving progress bar, a prompt "&Stop" and a prompt close.
#include "tests/e2e/tool_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

using namespace tools_e2e;

constexpr int kNext = 1012;
constexpr int kPrevious = 1011;
constexpr int kStop = 1019;

std::wstring Sel(App& app) {
    return app.Status(1) + L" / " + app.Status(2);
}

std::wstring Range(unsigned first, unsigned last) {
    wchar_t text[80] = {};
    swprintf(text, 80, L"Begin: 0x%X / End: 0x%X", first, last);
    return text;
}

void Put(Bytes* data, size_t at, const Bytes& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i)
        (*data)[at + i] = bytes[i];
}

// The screen part that holds both windows, saved under the name.
void ScreenshotOf(HWND a, HWND b, const std::wstring& name) {
    e2e::Picture screen;
    ASSERT_EQ(e2e::CaptureWindow(nullptr, &screen), 1);
    RECT ra = {};
    RECT rb = {};
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    RECT all = {};
    UnionRect(&all, &ra, &rb);
    all.left = all.left < 0 ? 0 : all.left;
    all.top = all.top < 0 ? 0 : all.top;
    all.right = all.right > screen.m_n_width ? screen.m_n_width : all.right;
    all.bottom = all.bottom > screen.m_n_height ? screen.m_n_height : all.bottom;
    e2e::Picture part;
    part.m_n_width = all.right - all.left;
    part.m_n_height = all.bottom - all.top;
    for (int y = all.top; y < all.bottom; ++y)
        for (int x = all.left; x < all.right; ++x)
            part.m_pixels.push_back(screen.At(x, y));
    EXPECT_FALSE(e2e::SaveBmp(part, name).empty());
}

// Waits until the dialog's thread has handled every message posted to it
// before: a selection posted to the pattern box after them has been made.
bool PostedMessagesHandled(const FindDialog& find) {
    HWND pattern = find.Item(1010);
    static WPARAM marker = 0;
    marker = marker == 1 ? 2 : 1;
    e2e::Send(pattern, EM_SETSEL, 0, 0);
    if (!e2e::Post(pattern, EM_SETSEL, marker, marker + 1))
        return false;
    return e2e::WaitUntil([&] {
        const LRESULT selection = e2e::Send(pattern, EM_GETSEL);
        return LOWORD(selection) == marker && HIWORD(selection) == marker + 1;
    });
}

TEST(ToolsFind, HexAndTextPatternsSelectTheirMatchesInBothDirections) {
    Sandbox box(L"find");
    // Digits and punctuation around the planted matches, which they never form.
    Bytes data(0x3000, 0);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(0x20 + i % 32);
    Put(&data, 0x2, {0x41, 0x42});
    Put(&data, 0x100, {0x41, 0x41, 0x41});
    Put(&data, 0x300, {'P', 'e', 'l', 'm', 'o', 'r', 'a'});
    Put(&data, 0x310, {'P', 0, 'e', 0, 'l', 0});
    Put(&data, 0x320, {0xC3, 0xA9}); // U+00E9 in UTF-8
    Put(&data, 0x400, {0x0A, 0xBC});
    Put(&data, 0x1800, {0x41, 0x42});
    const std::wstring path = box.File(L"find.bin", data);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    {
        FindDialog find(&app);
        ASSERT_NE(find.Window(), nullptr) << "no Find dialog";
        EXPECT_EQ(find.ProgressMax(), 0) << "(size - 1) / 65536 blocks";

        ASSERT_TRUE(find.Search(L"4142", kNext));
        EXPECT_EQ(Sel(app), Range(0x2, 0x3));
        EXPECT_FALSE(find.Enabled(kStop)) << "\"&Stop\" is off once a search has ended";
        ASSERT_TRUE(find.Search(L"4142", kNext));
        EXPECT_EQ(Sel(app), Range(0x1800, 0x1801)) << "the next match, far below the view";
        ASSERT_TRUE(find.Search(L"4142", kPrevious));
        EXPECT_EQ(Sel(app), Range(0x2, 0x3));

        // Overlapping matches one byte apart; past the last one nothing moves.
        ASSERT_TRUE(find.Search(L"4141", kNext));
        EXPECT_EQ(Sel(app), Range(0x100, 0x101));
        ASSERT_TRUE(find.Search(L"4141", kNext));
        EXPECT_EQ(Sel(app), Range(0x101, 0x102));
        ASSERT_TRUE(find.Search(L"4141", kNext));
        EXPECT_EQ(Sel(app), Range(0x101, 0x102));

        // An odd digit count reads as if a 0 stood in front: ABC is 0A BC.
        ASSERT_TRUE(find.Search(L"ABC", kNext));
        EXPECT_EQ(Sel(app), Range(0x400, 0x401));

        // Text in the code pages of the list, backwards from 0x400.
        find.UseText(1);
        EXPECT_EQ(find.Pattern(), L"") << "changing the mode empties the pattern";
        ASSERT_TRUE(find.Search(L"Pel", kPrevious));
        EXPECT_EQ(Sel(app), Range(0x300, 0x302)) << "ANSI";
        // The match shows in the selection colour before the picture is kept.
        const uint32_t selected = e2e::DefaultViewPixels().m_n_selected;
        EXPECT_TRUE(e2e::WaitUntil([&] {
            e2e::Picture view;
            return e2e::CaptureWindow(app.m_h_view, &view) &&
                   e2e::CountColour(view, RECT{0, 0, view.m_n_width, view.m_n_height}, selected) >
                       20;
        })) << "the match is not shown selected";
        ScreenshotOf(app.m_h_main, find.Window(), L"guide-find");
        find.UseText(0);
        ASSERT_TRUE(find.Search(L"Pel", kNext));
        EXPECT_EQ(Sel(app), Range(0x310, 0x315)) << "UNICODE";
        find.UseText(2);
        ASSERT_TRUE(find.Search(L"\u00E9", kNext));
        EXPECT_EQ(Sel(app), Range(0x320, 0x321)) << "UTF-8";
        ASSERT_TRUE(find.Search(L"missing", kNext));
        EXPECT_EQ(Sel(app), Range(0x320, 0x321)) << "nothing found leaves the selection";

        // Hex mode keeps hex digits only: a pasted space cuts the rest, a
        // typed one is dropped as it comes.
        find.UseHex();
        find.SetPattern(L"12 34");
        EXPECT_EQ(find.Pattern(), L"12");
        find.SetPattern(L"");
        find.TypePattern(L"12 34g");
        EXPECT_EQ(find.Pattern(), L"1234");
        // An empty pattern searches nothing.
        ASSERT_TRUE(find.Search(L"", kNext));
        EXPECT_EQ(Sel(app), Range(0x320, 0x321));
        find.SetPattern(L"0abc");
        EXPECT_TRUE(find.Close());
    }
    // The pattern and the mode survive the dialog; the shortcut command opens it too.
    {
        FindDialog find(&app, 41014);
        ASSERT_NE(find.Window(), nullptr);
        EXPECT_EQ(find.Pattern(), L"0abc");
        EXPECT_EQ(e2e::Send(find.Item(1007), BM_GETCHECK), BST_CHECKED);
        EXPECT_FALSE(find.Enabled(1017)) << "the code page list is for text only";
        EXPECT_TRUE(find.Close());
    }
    EXPECT_EQ(app.Close(), 0);
}

TEST(ToolsFind, PendingEditsAreSearchedAsTheDocumentShowsThem) {
    Sandbox box(L"edits");
    Bytes data(0x800, 0);
    Put(&data, 0x40, {'d', 'r', 'o', 'p'});
    Put(&data, 0x400, {0x0A, 0xBC});
    const std::wstring path = box.File(L"edits.bin", data);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    app.Command(kCmdEditMode);
    // Insert "QZQ" before 0x400 and remove "drop" at 0x40.
    ASSERT_EQ(SelectRange(&app, 0x400, 0x400), 1);
    ASSERT_TRUE(PutClipboard(CF_TEXT, Bytes{'Q', 'Z', 'Q', 0}));
    app.Command(kCmdPasteInsert);
    ASSERT_EQ(SelectRange(&app, 0x40, 0x43), 1);
    app.Command(kCmdRemove);
    EXPECT_EQ(app.Status(0), L"Total: 0x7FE");
    app.CloseGoto();

    FindDialog find(&app);
    ASSERT_NE(find.Window(), nullptr);
    find.UseText(1);
    ASSERT_TRUE(find.Search(L"QZQ", kNext));
    EXPECT_EQ(Sel(app), Range(0x3FC, 0x3FE)) << "the inserted bytes at their shown offset";
    find.UseHex();
    ASSERT_TRUE(find.Search(L"0ABC", kNext));
    EXPECT_EQ(Sel(app), Range(0x3FF, 0x400));
    find.UseText(1);
    ASSERT_TRUE(find.Search(L"drop", kPrevious));
    EXPECT_EQ(Sel(app), Range(0x3FF, 0x400)) << "removed bytes are never matched";
    EXPECT_TRUE(find.Close());
    EXPECT_EQ(ReadFileBytes(path), data);
    EXPECT_EQ(app.Close(), 0);
}

TEST(ToolsFind, LongSearchShowsProgressStopsAndClosesPromptly) {
    Sandbox box(L"long");
    const int64_t size = 384ll << 20;
    const int64_t at = size - 64;
    const std::wstring path =
        WriteSparse(box, L"long.bin", size, at, Bytes{0x01, 0x02, 0x03, 0x04});
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    FindDialog find(&app);
    ASSERT_NE(find.Window(), nullptr);
    EXPECT_EQ(find.ProgressMax(), static_cast<int>((size - 1) / 65536));

    // An absent pattern: the bar moves while the buttons wait, then "&Stop".
    find.SetPattern(L"DEADBEEF");
    const ULONGLONG started = GetTickCount64();
    find.Click(kNext);
    EXPECT_FALSE(find.Enabled(kNext));
    EXPECT_FALSE(find.Enabled(kPrevious));
    EXPECT_TRUE(find.Enabled(kStop));
    int first = -1;
    int last = -1;
    for (int i = 0; i < 300 && !find.Enabled(kNext); ++i) {
        const int pos = find.ProgressPos();
        if (first < 0 && pos > 0)
            first = pos;
        last = pos;
        if (first > 0 && last > first)
            break;
        Sleep(10);
    }
    std::printf("absent pattern: bar at %d, then %d after %llu ms\n", first, last,
                GetTickCount64() - started);
    EXPECT_GT(first, 0) << "the bar did not move";
    EXPECT_GT(last, first) << "the bar did not move on";
    // The picture shows the pattern typed and the bar's moving part.
    e2e::Picture shown;
    EXPECT_FALSE(e2e::Screenshot(find.Window(), L"find-dialog", &shown).empty());
    EXPECT_GT(e2e::CountColour(shown, e2e::AreaOf(find.Window(), find.Item(1010)),
                               e2e::PixelOf(GetSysColor(COLOR_WINDOWTEXT))),
              20)
        << "the pattern box shows no text";
    ULONGLONG asked = GetTickCount64();
    find.Click(kStop);
    EXPECT_TRUE(find.WaitIdle(1000)) << "\"&Stop\" did not end the search at once";
    std::printf("stop took %llu ms\n", GetTickCount64() - asked);
    EXPECT_FALSE(find.Enabled(kStop));
    EXPECT_LT(find.ProgressPos(), find.ProgressMax()) << "the search was cut short";

    // Two Enter presses queue two searches; "&Stop" ends both at once.
    e2e::Post(find.Window(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    e2e::Post(find.Window(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(PostedMessagesHandled(find));
    EXPECT_FALSE(find.Enabled(kNext));
    asked = GetTickCount64();
    find.Click(kStop);
    EXPECT_TRUE(find.WaitIdle(1000)) << "the queued search was not stopped";
    std::printf("stop of two searches took %llu ms\n", GetTickCount64() - asked);
    ASSERT_TRUE(PostedMessagesHandled(find)); // the queued search would have started by now
    EXPECT_TRUE(find.Enabled(kNext));
    EXPECT_FALSE(find.Enabled(kStop));

    // A match near the end is found and selected.
    asked = GetTickCount64();
    ASSERT_TRUE(find.Search(L"01020304", kNext, 60000));
    std::printf("whole search took %llu ms\n", GetTickCount64() - asked);
    EXPECT_EQ(Sel(app), Range(static_cast<unsigned>(at), static_cast<unsigned>(at + 3)));

    // Closing during a long backward search returns promptly.
    find.SetPattern(L"DEADBEEF");
    find.Click(kPrevious);
    for (int i = 0; i < 100 && find.ProgressPos() == find.ProgressMax(); ++i)
        Sleep(10);
    EXPECT_FALSE(find.Enabled(kNext)) << "the backward search already ended";
    asked = GetTickCount64();
    const HWND dialog = find.Window();
    EXPECT_TRUE(find.Close(1000)) << "closing waited for the search";
    std::printf("close took %llu ms\n", GetTickCount64() - asked);
    EXPECT_FALSE(IsWindow(dialog) && IsWindowVisible(dialog));
    EXPECT_EQ(e2e::Sync(app.m_h_main, 3000), 1) << "the program does not answer";
    EXPECT_EQ(Sel(app), Range(static_cast<unsigned>(at), static_cast<unsigned>(at + 3)));
    // The dialog opens again (no search is marked running), and its close
    // box during a search returns as promptly.
    FindDialog again(&app);
    ASSERT_NE(again.Window(), nullptr);
    again.SetPattern(L"DEADBEEF");
    again.Click(kPrevious);
    EXPECT_FALSE(again.Enabled(kNext));
    asked = GetTickCount64();
    e2e::Post(again.Window(), WM_CLOSE);
    EXPECT_TRUE(WaitGone(again.Window(), 1000)) << "closing waited for the search";
    std::printf("close box took %llu ms\n", GetTickCount64() - asked);
    EXPECT_EQ(e2e::Sync(app.m_h_main, 3000), 1) << "the program does not answer";
    EXPECT_EQ(Sel(app), Range(static_cast<unsigned>(at), static_cast<unsigned>(at + 3)));
    EXPECT_EQ(app.Close(), 0);
}

} // namespace

namespace {

// A search or a jump that goes nowhere says so on its dialog's own line, and
// the next one that moves clears it.
TEST(ToolsNothingHappened, FindAndGotoSayItInTheirDialogs) {
    Sandbox box(L"nomatch");
    const std::wstring path = box.File(L"nomatch.bin", Counting(128));
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    {
        FindDialog find(&app);
        ASSERT_NE(find.Window(), nullptr);
        find.UseHex();
        ASSERT_TRUE(find.Search(L"FFEE", kNext));
        EXPECT_EQ(e2e::WindowText(find.Item(1025)), L"Not found");
        e2e::Screenshot(find.Window(), L"find-not-found");
        ASSERT_TRUE(find.Search(L"0203", kNext));
        EXPECT_EQ(e2e::WindowText(find.Item(1025)), L"");
        EXPECT_EQ(app.Status(1), L"Begin: 0x2");
        ASSERT_TRUE(find.Close());
    }
    GotoDialog* go = app.Goto();
    ASSERT_NE(go, nullptr);
    go->JumpTo(0x80);
    EXPECT_EQ(e2e::WindowText(GetDlgItem(go->Window(), 1016)),
              L"Past the end (the last offset is 0x7F): nothing moved");
    e2e::WaitPaintSettled(go->Window());
    e2e::Screenshot(go->Window(), L"goto-past-the-end");
    go->JumpTo(0x7F);
    EXPECT_EQ(e2e::WindowText(GetDlgItem(go->Window(), 1016)), L"");
    EXPECT_EQ(app.Close(), 0);
}

} // namespace

namespace {

constexpr int kReplaceWith = 1022;
constexpr int kReplace = 1023;
constexpr int kReplaceAll = 1024;
constexpr int kResult = 1025;
constexpr int kValue = 1026;
constexpr int kMatchCase = 1027;
constexpr int kValueType = 1028;
constexpr WORD kCmdReplace = 40104;
constexpr WORD kCmdUndo = 40101;
constexpr WORD kCmdSaveFile = 40071;

// Every copy of pat, left to right and not overlapping, replaced by with.
Bytes Replaced(const Bytes& data, const std::string& pat, const std::string& with) {
    Bytes out;
    for (size_t i = 0; i < data.size();) {
        if (i + pat.size() <= data.size() && std::equal(pat.begin(), pat.end(), data.begin() + i)) {
            out.insert(out.end(), with.begin(), with.end());
            i += pat.size();
        } else {
            out.push_back(data[i++]);
        }
    }
    return out;
}

// "&Save file ..." into the target, through the program's save dialog.
bool SaveTo(App& app, const std::wstring& target) {
    e2e::PostCommand(app.m_h_main, kCmdSaveFile);
    HWND dialog = app.m_process.WaitForWindow(L"#32770", nullptr, 10000);
    HWND name = dialog != nullptr ? GetDlgItem(dialog, 0x480) : nullptr;
    if (dialog != nullptr && name == nullptr)
        name = e2e::FindChild(dialog, L"Edit");
    if (name == nullptr)
        return false;
    e2e::Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
              reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    for (int waited = 0; !e2e::Exists(target) && waited < 10000; waited += 50)
        Sleep(50);
    e2e::WaitGone(dialog, 5000);
    return e2e::Exists(target);
}

} // namespace

// Wildcards, text without case and a typed value find their matches;
// "&Replace" takes the selected match and moves on; "Replace a&ll" is one
// undo step, and the saved files hold exactly the replaced bytes.
TEST(ToolsFind, WildcardsCaseValuesAndReplace) {
    Sandbox box(L"replace");
    Bytes data(0x2000, 0);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(0x20 + i % 32); // no letters
    Put(&data, 0x100, {0xDE, 0xAD, 0x77, 0xEF});
    Put(&data, 0x200, {'P', 'e', 'L', 'm', 'O', 'r', 'A'});
    Put(&data, 0x300, {0x40, 0xE2, 0x01, 0x00}); // 123456 as a little-endian Int32
    for (size_t at : {0x400u, 0x500u, 0x600u})
        Put(&data, at, {'c', 'a', 't'});
    const std::wstring path = box.File(L"replace.bin", data);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    ASSERT_TRUE(app.Command(kCmdEditMode));
    {
        FindDialog find(&app);
        ASSERT_NE(find.Window(), nullptr);
        EXPECT_FALSE(IsWindowVisible(find.Item(kReplaceWith))) << "Find has no replace row";
        find.UseHex();
        ASSERT_TRUE(find.Search(L"DEAD??EF", kNext));
        EXPECT_EQ(Sel(app), Range(0x100, 0x103));
        ASSERT_TRUE(find.Search(L"????", kNext));
        EXPECT_EQ(e2e::WindowText(find.Item(kResult)),
                  L"A pattern of only wildcards matches everywhere: give at least one hex digit");
        find.UseText(1);
        EXPECT_EQ(e2e::Send(find.Item(kMatchCase), BM_GETCHECK), BST_CHECKED);
        ASSERT_TRUE(find.Search(L"pelmora", kNext));
        EXPECT_EQ(e2e::WindowText(find.Item(kResult)), L"Not found");
        find.Click(kMatchCase);
        ASSERT_TRUE(find.Search(L"pelmora", kNext));
        EXPECT_EQ(Sel(app), Range(0x200, 0x206));
        find.Click(kValue);
        e2e::Send(find.Item(kValueType), CB_SETCURSEL, 4, 0); // Int32
        ASSERT_TRUE(find.Search(L"123456", kNext));
        EXPECT_EQ(Sel(app), Range(0x300, 0x303));
        ASSERT_TRUE(find.Search(L"12x", kNext));
        EXPECT_NE(e2e::WindowText(find.Item(kResult)), L"") << "a value that is no number";
        ASSERT_TRUE(find.Close());
    }
    {
        FindDialog find(&app, kCmdReplace);
        ASSERT_NE(find.Window(), nullptr);
        EXPECT_TRUE(IsWindowVisible(find.Item(kReplaceWith)));
        find.UseText(1);
        find.SetPattern(L"cat");
        e2e::Send(find.Item(kReplaceWith), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"dog!"));
        // The selection (the value) is no match: the first press only finds.
        find.Click(kReplace);
        ASSERT_TRUE(find.WaitIdle(10000));
        EXPECT_EQ(Sel(app), Range(0x400, 0x402));
        find.Click(kReplace);
        ASSERT_TRUE(find.WaitIdle(10000));
        EXPECT_EQ(Sel(app), Range(0x501, 0x503)) << "replaced, then the next one";
        find.Click(kReplaceAll);
        ASSERT_TRUE(find.WaitIdle(10000));
        EXPECT_EQ(e2e::WindowText(find.Item(kResult)), L"2 replaced");
        e2e::Screenshot(find.Window(), L"guide-replace");
        ASSERT_TRUE(find.Close());
    }
    Bytes once = Replaced(Bytes(data.begin(), data.begin() + 0x500), "cat", "dog!");
    once.insert(once.end(), data.begin() + 0x500, data.end());
    const std::wstring all_path = box.Folder() + L"all.bin";
    ASSERT_TRUE(SaveTo(app, all_path));
    EXPECT_EQ(ReadFileBytes(all_path), Replaced(data, "cat", "dog!"));
    ASSERT_TRUE(app.Command(kCmdUndo));
    const std::wstring undone_path = box.Folder() + L"undone.bin";
    ASSERT_TRUE(SaveTo(app, undone_path));
    EXPECT_EQ(ReadFileBytes(undone_path), once) << "one Undo takes back the whole Replace all";
    EXPECT_EQ(app.Close(), 0);
}

// "&Stop" during Replace all leaves the data as it was: the match at the
// start, which the pass had already met, is not replaced.
TEST(ToolsFind, StoppedReplaceAllReplacesNothing) {
    Sandbox box(L"replacestop");
    const int64_t size = 4ll << 30; // sparse: the pass takes seconds, the disk nothing
    const std::wstring path = WriteSparse(box, L"big.bin", size, 0, Bytes{0xDE, 0xAD, 0xBE, 0xEF});
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    ASSERT_TRUE(app.Command(kCmdEditMode));
    const std::wstring total = app.Status(0);
    {
        FindDialog find(&app, kCmdReplace);
        ASSERT_NE(find.Window(), nullptr);
        find.UseHex();
        find.SetPattern(L"DEADBEEF");
        e2e::Send(find.Item(kReplaceWith), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"00"));
        find.Click(kReplaceAll);
        EXPECT_TRUE(find.Enabled(kStop));
        find.Click(kStop);
        ASSERT_TRUE(find.WaitIdle(20000));
        EXPECT_EQ(e2e::WindowText(find.Item(kResult)), L"Stopped: nothing replaced");
        ASSERT_TRUE(find.Close());
    }
    EXPECT_EQ(app.Status(0), total);
    EXPECT_EQ(DocumentHex(&app, 4), L"DEADBEEF");
    EXPECT_EQ(app.Close(), 0);
}
