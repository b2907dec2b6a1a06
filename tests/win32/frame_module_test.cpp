// The program folder and the owned window-text and program-path copies.
#include "frame/win32/lib_luna.h"
#include "frame/win32/module_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <string>

TEST(FrameModule, ModuleFolderKeepsTheTrailingBackslash) {
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    const std::wstring full(path);
    const std::wstring expected = full.substr(0, full.find_last_of(L'\\') + 1);

    wchar_t folder[MAX_PATH] = {};
    EXPECT_EQ(GetModuleFolder(nullptr, folder), static_cast<int>(expected.size()) + 1);
    EXPECT_EQ(std::wstring(folder), expected);
    EXPECT_EQ(folder[expected.size() - 1], L'\\');
}

TEST(FrameModule, ModulePathIsTheProgramFile) {
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    CLibLuna luna;
    const wchar_t* module = luna.GetModulePath();
    ASSERT_NE(module, nullptr);
    EXPECT_STREQ(module, path);
    EXPECT_EQ(luna.m_sz_module_path, module);
}

TEST(FrameModule, WindowTextCopy) {
    HWND window = CreateWindowExW(0, L"STATIC", L"Pelmora - C:\\data\\a.bin", WS_POPUP, 0, 0, 10,
                                  10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    CLibLuna luna;
    const wchar_t* text = luna.GetWindowTextCopy(window);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, L"Pelmora - C:\\data\\a.bin");
    // A second copy replaces the first; an empty text gives null and keeps it.
    SetWindowTextW(window, L"Pelmora");
    EXPECT_STREQ(luna.GetWindowTextCopy(window), L"Pelmora");
    SetWindowTextW(window, L"");
    EXPECT_EQ(luna.GetWindowTextCopy(window), nullptr);
    EXPECT_STREQ(luna.m_sz_window_text, L"Pelmora");
    DestroyWindow(window);
}
