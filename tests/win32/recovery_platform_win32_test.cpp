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

    const std::wstring file = folder + L"a longer name.interm";
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
    // The same file under its short name and in other letter case has one key.
    std::wstring key, short_key, upper_key;
    wchar_t short_name[MAX_PATH];
    ASSERT_GT(GetShortPathNameW(file.c_str(), short_name, MAX_PATH), 0u);
    std::wstring upper = file;
    CharUpperW(&upper[0]);
    ASSERT_EQ(platform.FileKey(file.c_str(), &key), 1);
    ASSERT_EQ(platform.FileKey(short_name, &short_key), 1);
    ASSERT_EQ(platform.FileKey(upper.c_str(), &upper_key), 1);
    EXPECT_NE(std::wstring(short_name), file);
    EXPECT_EQ(short_key, key);
    EXPECT_EQ(upper_key, key);
    std::vector<std::wstring> names;
    ASSERT_EQ(platform.List(folder.c_str(), &names), 1);
    EXPECT_EQ(names, std::vector<std::wstring>{L"a longer name.interm"});
    DeleteFileW(file.c_str());
    EXPECT_EQ(platform.Stamp(file.c_str(), &size, &time), 0);
    EXPECT_EQ(platform.FileKey(file.c_str(), &key), 0);
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
    uint32_t self_id = 0;
    int64_t start = 0;
    platform.Self(&self_id, &start);
    EXPECT_EQ(self_id, GetCurrentProcessId());
    EXPECT_EQ(platform.InstanceRuns(self_id, start), 1);
    EXPECT_EQ(platform.InstanceRuns(self_id, start + 1), 0) << "a reused ID is another instance";

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
    EXPECT_EQ(platform.InstanceRuns(id, start), 0);
}
