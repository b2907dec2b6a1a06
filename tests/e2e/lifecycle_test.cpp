// Edits are never lost on the real pelmora.exe: a relative start-up path, the
// end of the session, a failed open over a shown document, close requests
// while a search or a save runs, and pending edits of a process document.
#include "tests/e2e/tool_driver.h"
#include "tests/win32/helpers/marker_process.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace tools_e2e;
using e2e::Answer;
using e2e::Exists;

constexpr WORD kCmdOpen = 40007;
constexpr WORD kCmdClose = 40029;
constexpr WORD kCmdSaveFile = 40071;
constexpr int kNext = 1012;

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// Types a path into the file name box of an open or save dialog and presses OK.
bool ChoosePath(e2e::PelmoraProcess& app, WORD command, const std::wstring& path) {
    e2e::PostCommand(app.MainWindow(), command);
    HWND dialog = app.WaitForWindow(L"#32770", nullptr, 10000);
    HWND name = dialog ? GetDlgItem(dialog, 0x480) : nullptr; // the file name box
    if (dialog && !name)
        name = e2e::FindChild(dialog, L"Edit");
    if (!name)
        return false;
    e2e::Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
              reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return WaitGone(dialog, 10000);
}

// The "Message" boxes that show in turn, each answered: the pending-changes
// question with `question_answer`, anything else with OK. Their texts.
std::vector<std::wstring> AnswerMessages(e2e::PelmoraProcess& app, WORD question_answer,
                                         int first_timeout_ms) {
    std::vector<std::wstring> texts;
    int timeout = first_timeout_ms;
    while (HWND box = app.WaitForWindow(L"#32770", L"Message", timeout)) {
        texts.push_back(MessageText(box));
        const bool question = texts.back().find(L"pending changes") != std::wstring::npos;
        Answer(box, question ? question_answer : IDOK);
        e2e::WaitGone(box, 3000);
        timeout = 1000;
    }
    return texts;
}

bool AnyContains(const std::vector<std::wstring>& texts, const std::wstring& part) {
    for (const std::wstring& text : texts)
        if (text.find(part) != std::wstring::npos)
            return true;
    return false;
}

TEST(LifecycleStart, RelativePathOpensAndItsWorkspaceStaysBesideTheFile) {
    Sandbox box(L"relative");
    const std::wstring start = box.Folder() + L"start\\";
    const std::wstring other = box.Folder() + L"other\\";
    CreateDirectoryW(start.c_str(), nullptr);
    CreateDirectoryW((start + L"data").c_str(), nullptr);
    CreateDirectoryW(other.c_str(), nullptr);
    const std::wstring file = start + L"data\\a.bin";
    box.File(L"start\\data\\a.bin", Counting(256));
    {
        e2e::PelmoraProcess app;
        ASSERT_TRUE(app.Start(L"data\\a.bin", box.Exe(), start));
        HWND main = app.WaitForMainWindow(20000);
        ASSERT_NE(main, nullptr);
        HWND failed = app.WaitForWindow(L"#32770", L"Message", 500);
        EXPECT_EQ(failed, nullptr) << Narrow(failed ? MessageText(failed) : L"");
        ASSERT_EQ(e2e::WindowText(main), L"Pelmora - " + file) << "the title names the full path";
        ASSERT_TRUE(e2e::EditFirstByte(main));

        // The open dialog, cancelled, and a save into another folder both
        // change the current folder; the workspace stays beside the file.
        e2e::PostCommand(main, kCmdOpen);
        HWND dialog = app.WaitForWindow(L"#32770", nullptr, 10000);
        ASSERT_NE(dialog, nullptr);
        e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ASSERT_TRUE(e2e::WaitDestroyed(dialog, 10000));
        ASSERT_TRUE(ChoosePath(app, kCmdSaveFile, other + L"saved.bin"));
        for (int i = 0; i < 200 && !Exists(other + L"saved.bin"); ++i)
            Sleep(100);
        if (HWND progress = app.WaitForWindow(L"#32770", L"Pelmora -- Saving", 300))
            WaitGone(progress, 20000);
        EXPECT_TRUE(Exists(other + L"saved.bin"));
        EXPECT_EQ(app.Close(), 0);
    }
    EXPECT_TRUE(Exists(file + L".interm")) << "the workspace is not beside the file";
    EXPECT_FALSE(Exists(other + L"data\\a.bin.interm"));
    DeleteFileW((file + L".interm").c_str());
    DeleteFileW(file.c_str());
    DeleteFileW((other + L"saved.bin").c_str());
    RemoveDirectoryW((start + L"data").c_str());
    RemoveDirectoryW(start.c_str());
    RemoveDirectoryW(other.c_str());
}

TEST(LifecycleSession, LogoffWithPendingEditsKeepsThemWithoutAQuestion) {
    Sandbox box(L"logoff");
    const std::wstring path = box.File(L"s.bin", Counting(256));
    e2e::PelmoraProcess app;
    HWND main = e2e::StartOn(app, box.Exe(), path, (L"Pelmora - " + path).c_str());
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(e2e::EditFirstByte(main));
    EXPECT_NE(e2e::Send(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 0)
        << "the session end was refused";
    e2e::Send(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(app.WaitForWindow(L"#32770", L"Message", 300), nullptr)
        << "nobody is there to answer";
    EXPECT_TRUE(Exists(path + L".interm")) << "the pending edits were dropped";
    EXPECT_EQ(app.WaitForExit(5000), 0) << "the program did not end with the session";
}

// A drop as the shell delivers it: a DROPFILES block with one wide path,
// placed in the program's own memory.
bool PostDrop(const e2e::PelmoraProcess& app, HWND main, const std::wstring& path) {
    std::vector<unsigned char> block(sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t), 0);
    auto* header = reinterpret_cast<DROPFILES*>(block.data());
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::copy(path.begin(), path.end(),
              reinterpret_cast<wchar_t*>(block.data() + sizeof(DROPFILES)));
    void* remote = VirtualAllocEx(app.Handle(), nullptr, block.size(), MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE);
    SIZE_T written = 0;
    return remote != nullptr &&
           WriteProcessMemory(app.Handle(), remote, block.data(), block.size(), &written) &&
           e2e::Post(main, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
}

TEST(LifecycleOpen, FailedOpenLeavesTheShownDocumentAndItsEdits) {
    Sandbox box(L"failedopen");
    const std::wstring first = box.File(L"first.bin", Counting(256));
    const std::wstring locked = box.File(L"locked.bin", Counting(100));
    const std::wstring title = L"Pelmora - " + first;
    // Held open without any sharing: the program cannot open it.
    HANDLE hold = CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    App app;
    ASSERT_EQ(app.Open(box, first), 1);
    ASSERT_TRUE(e2e::EditFirstByte(app.m_h_main));

    ASSERT_TRUE(ChoosePath(app.m_process, kCmdOpen, locked));
    const std::vector<std::wstring> texts = AnswerMessages(app.m_process, IDNO, 5000);
    EXPECT_TRUE(AnyContains(texts, L"Failed to open file " + locked)) << texts.size();
    ASSERT_EQ(e2e::Sync(app.m_h_main), 1);
    EXPECT_EQ(e2e::WindowText(app.m_h_main), title);
    EXPECT_EQ(app.Status(0), L"Total: 0xFF");
    CloseHandle(hold);

    // A folder dropped on the window cannot be opened either.
    ASSERT_TRUE(PostDrop(app.m_process, app.m_h_main, box.Folder()));
    const std::vector<std::wstring> dropped = AnswerMessages(app.m_process, IDNO, 5000);
    EXPECT_TRUE(AnyContains(dropped, L"Failed to open file " + box.Folder())) << dropped.size();
    ASSERT_EQ(e2e::Sync(app.m_h_main), 1);
    EXPECT_EQ(e2e::WindowText(app.m_h_main), title);
    // The edits are still there: closing the window keeps them.
    EXPECT_EQ(app.Close(), 0);
    EXPECT_TRUE(Exists(first + L".interm")) << "the shown document lost its edits";
}

TEST(LifecycleWorkers, CloseDuringALongSearch) {
    Sandbox box(L"closesearch");
    const std::wstring path = WriteSparse(box, L"long.bin", 384ll << 20, -1, Bytes{});
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    FindDialog find(&app);
    ASSERT_NE(find.Window(), nullptr);
    find.SetPattern(L"DEADBEEF");
    find.Click(kNext);
    ASSERT_FALSE(find.Enabled(kNext)) << "the search already ended";
    // The Find dialog is modal: both requests are refused while it shows,
    // and the program goes on with the document.
    e2e::Post(app.m_h_main, WM_CLOSE);
    e2e::PostCommand(app.m_h_main, kCmdClose);
    ASSERT_EQ(e2e::Sync(app.m_h_main, 3000), 1) << "the program does not answer";
    const bool ended = e2e::WaitUntil([&] { return !app.m_process.Running(); }, 500);
    std::printf("close during a search: %s\n",
                ended ? "the program ended" : "the program went on with the search");
    ASSERT_FALSE(ended) << "a close asked during the search was carried out";
    EXPECT_EQ(e2e::WindowText(app.m_h_main), L"Pelmora - " + path);
    find.Click(1019); // "&Stop"
    EXPECT_TRUE(find.Close());
    EXPECT_EQ(app.Close(), 0);
}

TEST(LifecycleWorkers, CloseDuringALongSave) {
    Sandbox box(L"closesave");
    const int64_t size = 768ll << 20;
    const std::wstring path = WriteSparse(box, L"big.bin", size, size - 4, Bytes{1, 2, 3, 4});
    const std::wstring target = box.Folder() + L"saved.bin";
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    ASSERT_TRUE(ChoosePath(app.m_process, kCmdSaveFile, target));
    HWND progress = app.m_process.WaitForWindow(L"#32770", L"Pelmora -- Saving", 10000);
    ASSERT_NE(progress, nullptr) << "the save ended before it could be interrupted";
    // The modal progress dialog refuses both requests: the save runs to its
    // end and the program goes on with the document.
    e2e::Post(app.m_h_main, WM_CLOSE);
    e2e::PostCommand(app.m_h_main, kCmdClose);
    EXPECT_TRUE(WaitGone(progress, 120000));
    ASSERT_EQ(e2e::Sync(app.m_h_main, 3000), 1) << "the program does not answer";
    const bool ended = e2e::WaitUntil([&] { return !app.m_process.Running(); }, 500);
    std::printf("close during a save: %s\n",
                ended ? "the program ended" : "the program went on after the save");
    ASSERT_FALSE(ended) << "a close asked during the save was carried out";
    EXPECT_EQ(app.m_process.WaitForWindow(L"#32770", L"Message", 300), nullptr);
    EXPECT_EQ(e2e::WindowText(app.m_h_main), L"Pelmora - " + path);
    EXPECT_EQ(app.Close(), 0);
    // The whole target and no temporary file.
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ((static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, size);
    EXPECT_EQ(box.Files().size(), 3u);
}

TEST(LifecycleProcess, OpeningAProcessAsksInItsDialogAndProcessEditsAreAsked) {
    MarkerProcess marker;
    ASSERT_TRUE(marker.Start(L"pelmora_lifecycle_e2e_"));
    marker.ReadLine();
    Sandbox box(L"processedits");
    const std::wstring path = box.File(L"p.bin", Counting(256));
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    ASSERT_TRUE(e2e::EditFirstByte(app.m_h_main));

    // OK over pending file edits asks; the dialog owns the question, so a
    // second OK cannot run while it is open.
    HWND dialog = e2e::ChooseProcess(app.m_process, app.m_h_main, L"marker_target.exe");
    ASSERT_NE(dialog, nullptr) << "no dialog, or marker_target.exe is not listed";
    HWND tree = e2e::ProcessTree(dialog);
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    HWND question = app.m_process.WaitForWindow(L"#32770", L"Message", 10000);
    ASSERT_NE(question, nullptr) << "no question about the pending edits";
    EXPECT_EQ(GetWindow(question, GW_OWNER), dialog);
    EXPECT_FALSE(IsWindowEnabled(dialog));
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    e2e::Post(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 8));
    // A changed indent posted after them shows once both have been handled.
    const LRESULT indent = e2e::Send(tree, TVM_GETINDENT) + 1;
    e2e::Post(tree, TVM_SETINDENT, static_cast<WPARAM>(indent), 0);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::Send(tree, TVM_GETINDENT) == indent; }));
    Answer(question, IDNO);
    EXPECT_TRUE(WaitGone(dialog, 10000));
    EXPECT_EQ(AnswerMessages(app.m_process, IDCANCEL, 1000).size(), 0u)
        << "the second OK asked again";
    ASSERT_EQ(e2e::Sync(app.m_h_main, 3000), 1) << "the program does not answer";
    const std::wstring title = e2e::WindowText(app.m_h_main);
    ASSERT_NE(title.find(L"marker_target.exe [process]"), std::wstring::npos) << Narrow(title);
    EXPECT_FALSE(Exists(path + L".interm")) << "No drops the file's edits";

    // Edits of process memory: "&Close" and closing the window ask; Cancel
    // keeps the document, OK drops the edits.
    HWND control = app.m_h_view;
    e2e::PostClick(control, 212, 30);
    static const UINT menu_state = RegisterWindowMessageW(L"PelmoraMenuItemState");
    if ((e2e::Send(app.m_h_main, menu_state, kCmdEditMode, 0) & MF_CHECKED) == 0)
        app.Command(kCmdEditMode);
    e2e::Post(control, WM_CHAR, L'4', 0);
    e2e::Post(control, WM_CHAR, L'1', 0);
    constexpr WORD kCmdUndo = 40101;
    ASSERT_TRUE(e2e::WaitUntil([&] {
        return (e2e::Send(app.m_h_main, menu_state, kCmdUndo, 2) & MF_GRAYED) == 0;
    })) << "the typed byte of process memory was not taken";
    e2e::PostCommand(app.m_h_main, kCmdClose);
    question = app.m_process.WaitForWindow(L"#32770", L"Message", 5000);
    ASSERT_NE(question, nullptr) << "closing dropped the process edits without a word";
    e2e::Screenshot(nullptr, L"process_edits_question");
    Answer(question, IDCANCEL);
    ASSERT_EQ(e2e::Sync(app.m_h_main), 1);
    EXPECT_EQ(e2e::WindowText(app.m_h_main), title);
    e2e::Post(app.m_h_main, WM_CLOSE);
    question = app.m_process.WaitForWindow(L"#32770", L"Message", 5000);
    ASSERT_NE(question, nullptr) << "exiting dropped the process edits without a word";
    Answer(question, IDOK);
    EXPECT_EQ(app.m_process.WaitForExit(10000), 0);
}

} // namespace

// Pending edits kept while another file opens: only that question is asked,
// as the workspace there is the one this window read.
TEST(LifecycleOpen, KeepingEditsOfAFileWithAWorkspaceAsksNothingElse) {
    Sandbox box(L"open_other");
    const std::wstring first = box.File(L"a.bin", Counting(64));
    const std::wstring second = box.File(L"b.bin", Counting(32));
    {
        e2e::PelmoraProcess earlier;
        HWND main = e2e::StartSizedOn(earlier, box, first, 900, 500);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(e2e::EditFirstByte(main, '4', '1'));
        EXPECT_EQ(earlier.Close(), 0);
    }
    const std::vector<unsigned char> kept = e2e::ReadAll(first + L".interm");
    ASSERT_FALSE(kept.empty());
    e2e::PelmoraProcess app;
    HWND main = e2e::StartSizedOn(app, box, first, 900, 500);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(e2e::EditFirstByte(main, '4', '2'));
    ASSERT_TRUE(ChoosePath(app, kCmdOpen, second));
    const std::vector<std::wstring> texts = AnswerMessages(app, IDYES, 10000);
    EXPECT_EQ(texts.size(), 1u);
    EXPECT_FALSE(AnyContains(texts, L"another Pelmora window"));
    EXPECT_EQ(app.WaitForWindow(L"#32770", L"Message", 2000), nullptr) << "asked a second time";
    ASSERT_NE(app.WaitForMainWindow(10000, (L"Pelmora - " + second).c_str()), nullptr);
    EXPECT_NE(e2e::ReadAll(first + L".interm"), kept);
    EXPECT_EQ(app.Close(), 0);
    DeleteFileW((first + L".interm").c_str());
}
