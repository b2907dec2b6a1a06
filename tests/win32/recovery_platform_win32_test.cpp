// The Windows half of recovery copies: the per-user folder under
// %LOCALAPPDATA%, file times, and whether a process still runs its program.
#include "data/recovery.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

TEST(RecoveryWin32, FolderIsMadeUnderLocalAppData) {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring base =
        std::wstring(temp) + L"pelmora_recovery_" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(base.c_str(), nullptr));
    SetEnvironmentVariableW(L"LOCALAPPDATA", base.c_str());
    RecoveryPlatform& platform = PlatformRecovery();
    const std::wstring folder = platform.Folder();
    SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
    EXPECT_EQ(folder, base + L"\\Pelmora\\Recovery\\");
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));

    const std::wstring file = folder + L"x.interm";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, "abc", 3, &written, nullptr);
    CloseHandle(h);
    int64_t size = 0, time = 0;
    ASSERT_EQ(platform.Stamp(file.c_str(), &size, &time), 1);
    EXPECT_EQ(size, 3);
    EXPECT_LE(time, platform.Now());
    EXPECT_GT(time, platform.Now() - kTicksPerDay);
    std::vector<std::wstring> names;
    ASSERT_EQ(platform.List(folder.c_str(), &names), 1);
    EXPECT_EQ(names, std::vector<std::wstring>{L"x.interm"});
    DeleteFileW(file.c_str());
    EXPECT_EQ(platform.Stamp(file.c_str(), &size, &time), 0);
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW((base + L"\\Pelmora").c_str());
    RemoveDirectoryW(base.c_str());
}

TEST(RecoveryWin32, AProcessRunsUntilItEndsAndOnlyWithItsOwnProgram) {
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    RecoveryPlatform& platform = PlatformRecovery();
    EXPECT_EQ(platform.ProcessRuns(GetCurrentProcessId(), self), 1);
    EXPECT_EQ(platform.ProcessRuns(GetCurrentProcessId(), L"C:\\other\\program.exe"), 0);

    std::wstring command = std::wstring(L"\"") + self + L"\" --gtest_filter=None";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &child));
    ASSERT_EQ(WaitForSingleObject(child.hProcess, 30000), WAIT_OBJECT_0);
    const DWORD id = child.dwProcessId;
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_EQ(platform.ProcessRuns(id, self), 0);
}
