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
    for (const PlanePiece* p = plane.m_p_head; p != nullptr; p = p->m_p_next) {
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
        EXPECT_TRUE(folder.Names().empty());
        EXPECT_EQ(app.Close(), 0);
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
