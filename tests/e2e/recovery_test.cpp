// Recovery copies on the real pelmora.exe: edits made, the copy awaited, the
// process killed hard, and the program started again on the file.
#include "data/data_plane.h"
#include "data/workspace.h"
#include "tests/e2e/e2e_harness.h"
#include "tests/e2e/e2e_session.h"
#include "tests/e2e/tool_driver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

using e2e::Sandbox;

// Gives the program (and this test) a private per-user folder for copies.
class RecoveryFolder {
  public:
    explicit RecoveryFolder(const Sandbox& box) : m_sz_base(box.Folder() + L"appdata") {
        CreateDirectoryW(m_sz_base.c_str(), nullptr);
        SetEnvironmentVariableW(L"LOCALAPPDATA", m_sz_base.c_str());
    }
    ~RecoveryFolder() {
        for (const std::wstring& name : Names())
            DeleteFileW((Folder() + name).c_str());
        RemoveDirectoryW((m_sz_base + L"\\Pelmora\\Recovery").c_str());
        RemoveDirectoryW((m_sz_base + L"\\Pelmora").c_str());
        RemoveDirectoryW(m_sz_base.c_str());
        SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
    }
    std::wstring Folder() const { return m_sz_base + L"\\Pelmora\\Recovery\\"; }
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((Folder() + L"*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(data.cFileName);
        } while (FindNextFileW(find, &data));
        FindClose(find);
        return names;
    }
    // The one copy's path once it holds `size` bytes; empty on timeout.
    std::wstring WaitForCopy(size_t size, int timeout_ms) const {
        for (int waited = 0; waited < timeout_ms; waited += 100) {
            for (const std::wstring& name : Names()) {
                const std::wstring path = Folder() + name;
                if (name.size() > 7 && name.substr(name.size() - 7) == L".interm" &&
                    e2e::ReadAll(path).size() == size)
                    return path;
            }
            Sleep(100);
        }
        return std::wstring();
    }

  private:
    std::wstring m_sz_base;
};

// The effective bytes a workspace-format file describes over the file's bytes.
std::vector<unsigned char> Effective(const std::wstring& workspace,
                                     const std::vector<unsigned char>& file) {
    CDataPlane plane;
    int64_t size = static_cast<int64_t>(file.size());
    std::vector<unsigned char> out;
    if (!ReadWorkspace(&plane, workspace.c_str(), &size))
        return out;
    for (PieceCursor c_p(plane); const PlanePiece* p = c_p.Piece(); c_p.Next()) {
        if (p->m_n_kind == PIECE_SOURCE)
            out.insert(out.end(), file.begin() + p->m_n_src_begin,
                       file.begin() + p->m_n_src_begin + p->m_n_length);
        else
            out.insert(out.end(), p->m_p_bytes, p->m_p_bytes + p->m_n_length);
    }
    return out;
}

// Types 41 over the first byte and inserts "XY" before it, waits for the
// copy of both edits and kills the program; the copy's path.
std::wstring EditAndKill(const Sandbox& box, const RecoveryFolder& folder,
                         const std::wstring& path) {
    e2e::PelmoraProcess app;
    HWND main = e2e::StartSizedOn(app, box, path, 900, 500);
    EXPECT_NE(main, nullptr);
    if (main == nullptr)
        return std::wstring();
    EXPECT_TRUE(e2e::EditFirstByte(main, '4', '1'));
    EXPECT_TRUE(tools_e2e::PutClipboardText(L"XY"));
    e2e::Command(main, tools_e2e::kCmdPasteInsert);
    // Header, then an inserted piece (2 bytes), the typed byte, the rest of the file.
    const size_t copy_size = 46 + 50 + 2 + 50 + 1 + 50;
    const std::wstring copy = folder.WaitForCopy(copy_size, 15000);
    EXPECT_FALSE(copy.empty()) << "no copy of both edits";
    app.Kill();
    EXPECT_FALSE(app.Running());
    return copy;
}

// Starts the program on the file and returns the message box it asks first.
HWND StartAndAwaitQuestion(e2e::PelmoraProcess& app, const Sandbox& box, const std::wstring& path,
                           std::wstring* text) {
    EXPECT_TRUE(app.Start(L"\"" + path + L"\"", box.Exe()));
    HWND question = app.WaitForWindow(L"#32770", L"Message", 20000);
    if (question != nullptr)
        *text = e2e::MessageBoxText(question);
    return question;
}

} // namespace

TEST(RecoveryE2E, AKilledProgramOffersItsEditsAndYesRestoresThem) {
    Sandbox box(L"recovery_yes");
    RecoveryFolder folder(box);
    const std::vector<unsigned char> bytes = e2e::Counting(256);
    const std::wstring path = box.File(L"r.bin", bytes);
    const std::wstring copy = EditAndKill(box, folder, path);
    ASSERT_FALSE(copy.empty());
    std::vector<unsigned char> expected = bytes;
    expected[0] = 0x41;
    expected.insert(expected.begin(), {'X', 'Y'});
    ASSERT_EQ(Effective(copy, bytes), expected);

    e2e::PelmoraProcess app;
    std::wstring text;
    HWND question = StartAndAwaitQuestion(app, box, path, &text);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(text, L"Pelmora was closed before the pending changes of " + path +
                        L" were kept. Restore them?");
    e2e::Screenshot(question, L"recovery_question");
    e2e::Answer(question, IDYES);
    HWND main = app.WaitForMainWindow(20000, (L"Pelmora - " + path).c_str());
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(e2e::StatusPane(app, e2e::StatusBar(main), 0), L"Total: 0x101");
    e2e::Screenshot(main, L"recovery_restored");
    // A byte typed and undone leaves the restored edits pending; closing
    // keeps them in the workspace, and the copy goes.
    ASSERT_TRUE(e2e::EditFirstByte(main));
    e2e::PostCommand(main, 40101); // "&Undo"
    ASSERT_EQ(e2e::Sync(main), 1);
    EXPECT_EQ(app.Close(), 0);
    EXPECT_EQ(Effective(path + L".interm", bytes), expected);
    EXPECT_TRUE(folder.Names().empty());
    DeleteFileW((path + L".interm").c_str());
}

TEST(RecoveryE2E, NoDeletesTheCopyAndAChangedFileIsNeverPatched) {
    Sandbox box(L"recovery_no");
    RecoveryFolder folder(box);
    const std::vector<unsigned char> bytes = e2e::Counting(256);
    const std::wstring path = box.File(L"n.bin", bytes);
    ASSERT_FALSE(EditAndKill(box, folder, path).empty());
    {
        e2e::PelmoraProcess app;
        std::wstring text;
        HWND question = StartAndAwaitQuestion(app, box, path, &text);
        ASSERT_NE(question, nullptr);
        e2e::Answer(question, IDNO);
        HWND main = app.WaitForMainWindow(20000, (L"Pelmora - " + path).c_str());
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(e2e::StatusPane(app, e2e::StatusBar(main), 0), L"Total: 0xFF");
        EXPECT_EQ(app.Close(), 0);
        EXPECT_TRUE(folder.Names().empty());
    }

    ASSERT_FALSE(EditAndKill(box, folder, path).empty());
    const std::vector<unsigned char> changed = e2e::Counting(300);
    box.File(L"n.bin", changed);
    e2e::PelmoraProcess app;
    std::wstring text;
    HWND message = StartAndAwaitQuestion(app, box, path, &text);
    ASSERT_NE(message, nullptr);
    const std::wstring aside = path + L".interm.recovered";
    EXPECT_NE(text.find(aside), std::wstring::npos) << std::string(text.begin(), text.end());
    e2e::Answer(message, IDOK);
    HWND main = app.WaitForMainWindow(20000, (L"Pelmora - " + path).c_str());
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(e2e::StatusPane(app, e2e::StatusBar(main), 0), L"Total: 0x12B");
    EXPECT_EQ(app.Close(), 0);
    EXPECT_EQ(e2e::ReadAll(path), changed);
    EXPECT_FALSE(e2e::Exists(path + L".interm"));
    // What was kept aside is the edits over the old file, in the workspace format.
    std::vector<unsigned char> expected = bytes;
    expected[0] = 0x41;
    expected.insert(expected.begin(), {'X', 'Y'});
    EXPECT_EQ(Effective(aside, bytes), expected);
    EXPECT_TRUE(folder.Names().empty());
    DeleteFileW(aside.c_str());
}

TEST(RecoveryE2E, SessionEndKeepsTheCopyWhenTheWorkspaceCannotBeWritten) {
    Sandbox box(L"recovery_session");
    RecoveryFolder folder(box);
    const std::vector<unsigned char> bytes = e2e::Counting(64);
    const std::wstring path = box.File(L"s.bin", bytes);
    const std::wstring workspace = path + L".interm";
    e2e::PelmoraProcess app;
    HWND main = e2e::StartSizedOn(app, box, path, 900, 500);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(e2e::EditFirstByte(main, '4', '1'));
    // Another program holds the workspace name open: it cannot be replaced.
    HANDLE lock = CreateFileW(workspace.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000,
                                  &result),
              0);
    const std::wstring copy = folder.WaitForCopy(46 + 50 + 1 + 50, 1);
    app.Kill();
    CloseHandle(lock);
    DeleteFileW(workspace.c_str());
    ASSERT_FALSE(copy.empty()) << "no copy right after the session ended";
    std::vector<unsigned char> expected = bytes;
    expected[0] = 0x41;
    EXPECT_EQ(Effective(copy, bytes), expected);

    e2e::PelmoraProcess again;
    std::wstring text;
    HWND question = StartAndAwaitQuestion(again, box, path, &text);
    ASSERT_NE(question, nullptr);
    e2e::Answer(question, IDNO);
    ASSERT_NE(again.WaitForMainWindow(20000, (L"Pelmora - " + path).c_str()), nullptr);
    EXPECT_EQ(again.Close(), 0);
    EXPECT_TRUE(folder.Names().empty());
}

// A second window on a file the first is editing: it is told that the file
// is open elsewhere, is asked nothing, and closing it leaves the first
// window's copy, which is offered once the first has crashed.
TEST(RecoveryE2E, ASecondWindowNeitherAsksAboutNorDeletesTheFirstsCopy) {
    Sandbox box(L"recovery_two");
    RecoveryFolder folder(box);
    const std::vector<unsigned char> bytes = e2e::Counting(128);
    const std::wstring path = box.File(L"t.bin", bytes);
    e2e::PelmoraProcess first;
    HWND first_main = e2e::StartSizedOn(first, box, path, 900, 500);
    ASSERT_NE(first_main, nullptr);
    ASSERT_TRUE(e2e::EditFirstByte(first_main, '4', '1'));
    const size_t copy_size = 46 + 50 + 1 + 50;
    const std::wstring copy = folder.WaitForCopy(copy_size, 15000);
    ASSERT_FALSE(copy.empty());
    {
        e2e::PelmoraProcess second;
        HWND second_main = e2e::StartSizedOn(second, box, path, 900, 500);
        ASSERT_NE(second_main, nullptr);
        HWND question = second.WaitForWindow(L"#32770", L"Message", 3000);
        if (question != nullptr) {
            ADD_FAILURE() << "the second window asked about the first's copy";
            e2e::Answer(question, IDNO);
        }
        EXPECT_EQ(e2e::StatusPane(second, e2e::StatusBar(second_main), 3),
                  L"Also open in another Pelmora window");
        e2e::Screenshot(second_main, L"recovery_open_elsewhere");
        EXPECT_EQ(second.Close(), 0);
    }
    EXPECT_TRUE(e2e::Exists(copy));
    first.Kill();

    e2e::PelmoraProcess again;
    std::wstring text;
    HWND question = StartAndAwaitQuestion(again, box, path, &text);
    ASSERT_NE(question, nullptr);
    EXPECT_NE(text.find(L"Restore them?"), std::wstring::npos);
    e2e::Answer(question, IDYES);
    ASSERT_NE(again.WaitForMainWindow(20000, (L"Pelmora - " + path).c_str()), nullptr);
    EXPECT_EQ(again.Close(), 0);
    std::vector<unsigned char> expected = bytes;
    expected[0] = 0x41;
    EXPECT_EQ(Effective(path + L".interm", bytes), expected);
    EXPECT_TRUE(folder.Names().empty());
    DeleteFileW((path + L".interm").c_str());
}

// Two windows keep edits of one file: the one closing last is asked before
// it replaces the other's workspace. Cancel keeps it open; No keeps the
// other's workspace and this window's edits in its copy.
TEST(RecoveryE2E, TheSecondWindowToKeepAWorkspaceAsksBeforeReplacingIt) {
    Sandbox box(L"recovery_both");
    RecoveryFolder folder(box);
    const std::vector<unsigned char> bytes = e2e::Counting(64);
    const std::wstring path = box.File(L"w.bin", bytes);
    const std::wstring workspace = path + L".interm";
    e2e::PelmoraProcess first, second;
    HWND first_main = e2e::StartSizedOn(first, box, path, 900, 500);
    HWND second_main = e2e::StartSizedOn(second, box, path, 900, 500);
    ASSERT_NE(first_main, nullptr);
    ASSERT_NE(second_main, nullptr);
    ASSERT_TRUE(e2e::EditFirstByte(first_main, '4', '1'));
    ASSERT_TRUE(e2e::EditFirstByte(second_main, '4', '2'));
    EXPECT_EQ(first.Close(), 0);
    std::vector<unsigned char> firsts = bytes, seconds = bytes;
    firsts[0] = 0x41;
    seconds[0] = 0x42;
    ASSERT_EQ(Effective(workspace, bytes), firsts);

    e2e::Post(second_main, WM_CLOSE);
    HWND question = second.WaitForWindow(L"#32770", L"Message", 10000);
    ASSERT_NE(question, nullptr) << "replaced the other window's workspace without asking";
    EXPECT_EQ(e2e::MessageBoxText(question),
              workspace + L" was changed by another Pelmora window since this one read it.\n"
                          L"Replace it with this window's pending changes?\n\nYes replaces it, "
                          L"No keeps it and this window's changes stay pending, Cancel goes back.");
    e2e::Screenshot(question, L"recovery_replace_question");
    e2e::Answer(question, IDCANCEL);
    EXPECT_TRUE(second.Running());
    e2e::Post(second_main, WM_CLOSE);
    question = second.WaitForWindow(L"#32770", L"Message", 10000);
    ASSERT_NE(question, nullptr);
    e2e::Answer(question, IDNO);
    EXPECT_EQ(second.WaitForExit(10000), 0);
    EXPECT_EQ(Effective(workspace, bytes), firsts);
    const std::vector<std::wstring> left = folder.Names();
    std::wstring copy;
    for (const std::wstring& name : left)
        if (e2e::EndsWithNoCase(name, L".interm"))
            copy = folder.Folder() + name;
    ASSERT_FALSE(copy.empty()) << "the second window's edits were not kept";
    EXPECT_EQ(Effective(copy, bytes), seconds);
    DeleteFileW(workspace.c_str());
}

// A copy is found under the file's short name; one that cannot be read is
// said so on Yes and kept. An edit undone before its copy was written leaves
// nothing to offer.
TEST(RecoveryE2E, AnUnreadableCopyIsKeptAndUndoneEditsAreNotOffered) {
    Sandbox box(L"recovery_unread");
    RecoveryFolder folder(box);
    const std::vector<unsigned char> bytes = e2e::Counting(100);
    const std::wstring path = box.File(L"unreadable copy.bin", bytes);
    const std::wstring copy = EditAndKill(box, folder, path);
    wchar_t short_name[MAX_PATH];
    ASSERT_GT(GetShortPathNameW(path.c_str(), short_name, MAX_PATH), 0u);
    const std::wstring short_path = short_name;
    ASSERT_NE(short_path, path);
    ASSERT_FALSE(copy.empty());
    const std::vector<unsigned char> damaged = {'n', 'o', 't', ' ', 'a', ' ', 'c', 'o', 'p', 'y'};
    box.File(copy.substr(box.Folder().size()), damaged);
    {
        e2e::PelmoraProcess app;
        std::wstring text;
        // Opened under its short name: the copy is found all the same.
        HWND question = StartAndAwaitQuestion(app, box, short_path, &text);
        ASSERT_NE(question, nullptr);
        e2e::Answer(question, IDYES);
        const std::wstring message = e2e::TakeMessage(app, 10000);
        EXPECT_NE(message.find(copy), std::wstring::npos) << "nothing said about the copy";
        ASSERT_NE(app.WaitForMainWindow(20000, (L"Pelmora - " + short_path).c_str()), nullptr);
        EXPECT_EQ(app.Close(), 0);
        EXPECT_EQ(e2e::ReadAll(copy), damaged);
        DeleteFileW(copy.c_str());
        for (const std::wstring& name : folder.Names())
            DeleteFileW((folder.Folder() + name).c_str());
    }

    e2e::PelmoraProcess app;
    HWND main = e2e::StartSizedOn(app, box, path, 900, 500);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(e2e::EditFirstByte(main, '4', '1'));
    e2e::PostCommand(main, 40101); // "&Undo"
    EXPECT_TRUE(e2e::Sync(main));
    Sleep(7000); // longer than a copy ever waits
    app.Kill();
    e2e::PelmoraProcess again;
    HWND again_main = e2e::StartSizedOn(again, box, path, 900, 500);
    ASSERT_NE(again_main, nullptr);
    EXPECT_EQ(again.WaitForWindow(L"#32770", L"Message", 2000), nullptr)
        << "asked about changes that were undone";
    EXPECT_EQ(again.Close(), 0);
}
