// A file that another program writes, grows or cuts while pelmora.exe shows
// it (this test process, or a Unix program it starts, is that program). The
// change is noticed when the window is activated again and before an Apply or
// a workspace write; Yes reloads (pending changes kept aside first), No keeps
// working.
#include "tests/e2e/tool_driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace tools_e2e;

constexpr WORD kCmdApply = 40009;

std::wstring ChangedQuestion(const std::wstring& path) {
    return path + L" was changed by another program. Reload it?";
}

// Writes bytes at an offset and sets the file's size, as another program
// holding the file open with write sharing would.
void WriteOutside(const std::wstring& path, int64_t offset, const Bytes& bytes, int64_t size) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    LARGE_INTEGER at = {};
    at.QuadPart = offset;
    EXPECT_TRUE(SetFilePointerEx(file, at, nullptr, FILE_BEGIN));
    EXPECT_TRUE(bytes.empty() ||
                WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    at.QuadPart = size;
    EXPECT_TRUE(SetFilePointerEx(file, at, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file)) << GetLastError();
    // A later last-write time than the one the program read at opening.
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER later = {{now.dwLowDateTime, now.dwHighDateTime}};
    later.QuadPart += 20000000; // two seconds
    now.dwLowDateTime = later.LowPart;
    now.dwHighDateTime = later.HighPart;
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &now));
    CloseHandle(file);
}

// Cuts the file to size as a program outside Wine would: a Windows program
// cannot, while the file has a mapping. Wine starts a Unix program given by
// its path; false when that did not work.
bool CutOutside(const std::wstring& path, int64_t size) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unix_name != nullptr ? unix_name(path.c_str()) : nullptr;
    if (name == nullptr)
        return false;
    std::wstring command = L"truncate -s " + std::to_wstring(size) + L" \"";
    for (const char* c = name; *c != 0; ++c)
        command += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    command += L"\"";
    HeapFree(GetProcessHeap(), 0, name);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(L"Z:\\usr\\bin\\truncate", &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 100 && ReadFileBytes(path).size() != static_cast<size_t>(size); ++i)
        Sleep(20);
    return ReadFileBytes(path).size() == static_cast<size_t>(size);
}

// The program becomes the active application again, as when the user returns
// from another program. Without a window manager Wine does not tell another
// process's window that it was activated, so the message Windows sends then
// is posted here.
void Reactivate(HWND main) {
    e2e::Post(main, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_TRUE(e2e::Sync(main));
}

// The question that shows, its text, answered; "<none>" when none shows.
std::wstring Answered(App* app, WORD answer, DWORD timeout_ms = 5000) {
    HWND box = app->WaitForMessage(timeout_ms);
    if (box == nullptr)
        return L"<none>";
    const std::wstring text = MessageText(box);
    EXPECT_TRUE(Dismiss(box, answer));
    // The window has handled what the answer led to, unless the answer ended the program.
    EXPECT_TRUE(e2e::Sync(app->m_h_main) || !IsWindow(app->m_h_main));
    return text;
}

bool ApplyGreyed(HWND main) {
    static const UINT message = RegisterWindowMessageW(L"PelmoraMenuItemState");
    const UINT state = static_cast<UINT>(e2e::Send(main, message, kCmdApply, 1));
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) != 0;
}

TEST(ExternalChange, NoticedAtActivationAndReloadedWithTheSelectionKept) {
    Sandbox box(L"extgrow");
    const std::wstring path = box.File(L"grow.bin", Counting(4096));
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    ASSERT_EQ(SelectRange(&app, 0xFF0, 0xFF3), 1);
    app.CloseGoto(); // nothing is asked while a modal dialog is open

    // Grown by 16 bytes of 0xEE, byte 0 now 0x99.
    WriteOutside(path, 4096, Bytes(16, 0xEE), 4112);
    WriteOutside(path, 0, Bytes{0x99}, 4112);
    Reactivate(app.m_h_main);
    EXPECT_EQ(Answered(&app, IDYES), ChangedQuestion(path));
    EXPECT_EQ(app.WaitStatus(0, L"Total: 0x100F"), L"Total: 0x100F");
    EXPECT_EQ(app.Status(1), L"Begin: 0xFF0") << "the selection is kept";
    EXPECT_EQ(DocumentHex(&app, 4112).substr(0, 4), L"9901");
    EXPECT_EQ(ReadFileBytes(path).size(), 4112u);
    app.CloseGoto();

    // No keeps working, and the same change is not asked about again.
    WriteOutside(path, 0, Bytes{0x77}, 4112);
    Reactivate(app.m_h_main);
    EXPECT_EQ(Answered(&app, IDNO), ChangedQuestion(path));
    Reactivate(app.m_h_main);
    EXPECT_EQ(Answered(&app, IDNO, 1500), L"<none>");
    EXPECT_EQ(app.Status(0), L"Total: 0x100F");
    EXPECT_TRUE(ApplyGreyed(app.m_h_main));
    EXPECT_EQ(app.Close(), 0);
    EXPECT_EQ(ReadFileBytes(path)[0], 0x77);
    EXPECT_FALSE(e2e::Exists(path + L".interm"));
}

TEST(ExternalChange, ApplyAsksFirstAndYesKeepsThePendingChangesAside) {
    Sandbox box(L"extapply");
    Bytes data = Counting(4096);
    const std::wstring path = box.File(L"apply.bin", data);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    ASSERT_TRUE(e2e::EditFirstByte(app.m_h_main)); // 0x41 at 0
    WriteOutside(path, 4096, Bytes(16, 0xEE), 4112);
    data.insert(data.end(), 16, 0xEE);

    // No, then No to the apply itself: nothing written.
    e2e::PostCommand(app.m_h_main, kCmdApply);
    const std::wstring question = Answered(&app, IDNO);
    EXPECT_EQ(question.rfind(path + L" was changed by another program. ", 0), 0u)
        << std::string(question.begin(), question.end());
    EXPECT_NE(question.find(path + L".interm.recovered"), std::wstring::npos);
    EXPECT_EQ(Answered(&app, IDNO), L"Write the pending changes into " + path + L"?");
    EXPECT_EQ(ReadFileBytes(path), data);

    // A later Apply asks again; Yes keeps the change aside and shows the file.
    e2e::PostCommand(app.m_h_main, kCmdApply);
    EXPECT_EQ(Answered(&app, IDYES), question);
    EXPECT_EQ(Answered(&app, IDOK, 1500), L"<none>") << "no apply after a reload";
    EXPECT_EQ(ReadFileBytes(path), data);
    EXPECT_TRUE(e2e::Exists(path + L".interm.recovered"));
    EXPECT_EQ(app.WaitStatus(0, L"Total: 0x100F"), L"Total: 0x100F");
    EXPECT_EQ(DocumentHex(&app, 4112).substr(0, 4), L"0001");
    EXPECT_TRUE(ApplyGreyed(app.m_h_main)) << "nothing pending";
    EXPECT_EQ(app.Close(), 0);
    EXPECT_FALSE(e2e::Exists(path + L".interm"));
}

// A file cut outside shows no invented bytes past its end once noticed, and
// an Apply over it says why it cannot be done.
TEST(ExternalChange, AFileCutOutsideIsShownToItsEndAndAnApplySaysWhy) {
    Sandbox box(L"extcut");
    const Bytes data = Counting(4096);
    const std::wstring path = box.File(L"cut.bin", data);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    ASSERT_TRUE(e2e::EditFirstByte(app.m_h_main));
    ASSERT_TRUE(CutOutside(path, 100));

    Reactivate(app.m_h_main);
    const std::wstring question = Answered(&app, IDNO);
    EXPECT_EQ(question.rfind(path + L" was changed by another program. ", 0), 0u);
    // The bytes up to the new end are there; those past it are not made up.
    EXPECT_EQ(DocumentHex(&app, 100).substr(0, 6), L"410102");
    EXPECT_EQ(DocumentHex(&app, 101), L"<none>");
    EXPECT_EQ(Answered(&app, IDOK), L"The byte at 0x64 cannot be read; nothing was copied!");
    app.CloseGoto();

    e2e::PostCommand(app.m_h_main, kCmdApply);
    EXPECT_EQ(Answered(&app, IDNO), question) << "asked again before the apply";
    EXPECT_EQ(Answered(&app, IDYES), L"Write the pending changes into " + path + L"?");
    const std::wstring message = Answered(&app, IDOK, 20000);
    EXPECT_NE(message.find(L"shorter now"), std::wstring::npos)
        << std::string(message.begin(), message.end());
    EXPECT_EQ(ReadFileBytes(path), Bytes(data.begin(), data.begin() + 100));
    EXPECT_EQ(box.Files().size(), 2u) << "no new file left behind";

    // Closing asks before the workspace is written; Yes keeps the changes aside.
    for (int i = 0; i < 250 && !(IsWindowEnabled(app.m_h_main) && e2e::Sync(app.m_h_main)); ++i)
        Sleep(20); // the apply's progress dialog is gone
    e2e::Post(app.m_h_main, WM_CLOSE);
    EXPECT_EQ(Answered(&app, IDYES), question);
    EXPECT_EQ(app.m_process.WaitForExit(10000), 0);
    EXPECT_TRUE(e2e::Exists(path + L".interm.recovered"));
    EXPECT_FALSE(e2e::Exists(path + L".interm"));
}

} // namespace
