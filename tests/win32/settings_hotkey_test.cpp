// The key-capturing edit control with real key messages, and the accelerator
// table built from the shortcut entries.
#include "settings/shortcut_keys.h"
#include "settings/win32/accelerator_table.h"
#include "settings/win32/hotkey_control.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

int g_n_changes = 0;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND && HIWORD(wparam) == EN_CHANGE) {
        ++g_n_changes;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

class HotkeyControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PelmoraHotkeyTestParent";
        RegisterClassW(&wc);
        m_h_parent = CreateWindowExW(0, wc.lpszClassName, L"hotkey test", WS_OVERLAPPEDWINDOW, 0, 0,
                                     300, 100, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(nullptr, m_h_parent);
        m_h_edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 24,
                                   m_h_parent, reinterpret_cast<HMENU>(100), wc.hInstance, nullptr);
        ASSERT_NE(nullptr, m_h_edit);
        m_p_edit_proc = GetWindowLongPtrW(m_h_edit, GWLP_WNDPROC);
        ASSERT_EQ(1, m_control.Attach(m_h_edit));
        g_n_changes = 0;
    }
    void TearDown() override {
        m_control.Detach();
        DestroyWindow(m_h_parent);
    }

    void Down(UINT vk, bool system = false) {
        SendMessageW(m_h_edit, system ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, 1);
    }
    void Up(UINT vk, bool system = false) {
        SendMessageW(m_h_edit, system ? WM_SYSKEYUP : WM_KEYUP, vk, 0xC0000001);
    }
    std::wstring Text() {
        wchar_t buffer[128] = {};
        GetWindowTextW(m_h_edit, buffer, 128);
        return buffer;
    }

    HWND m_h_parent = nullptr;
    HWND m_h_edit = nullptr;
    LONG_PTR m_p_edit_proc = 0;
    CHotkeyControl m_control;
};

TEST_F(HotkeyControlTest, CapturesACombinationAndKeepsItAfterRelease) {
    Down(VK_CONTROL);
    EXPECT_EQ(L"Ctrl + ", Text());
    Down(VK_SHIFT);
    EXPECT_EQ(L"Ctrl + Shift + ", Text());
    Down(VK_F5);
    EXPECT_EQ(L"Ctrl + Shift + F5", Text());
    EXPECT_EQ(0x0374u, m_control.HotkeyCode());
    EXPECT_GE(g_n_changes, 3); // the parent hears of every new text
    Up(VK_F5);
    Up(VK_SHIFT);
    Up(VK_CONTROL);
    EXPECT_EQ(L"Ctrl + Shift + F5", Text());
    EXPECT_EQ(0x0374u, m_control.HotkeyCode());
    // The next modifier starts a new text.
    Down(VK_MENU, true);
    EXPECT_EQ(L"Alt + ", Text());
    Down('C', true);
    EXPECT_EQ(L"Alt + C", Text());
    EXPECT_EQ(0x0443u, m_control.HotkeyCode());
}

TEST_F(HotkeyControlTest, APlainKeyIsACombinationOfItsOwn) {
    Down(VK_F5);
    EXPECT_EQ(L"F5", Text());
    EXPECT_EQ(0x0074u, m_control.HotkeyCode());
    Up(VK_F5);
    EXPECT_EQ(L"F5", Text());
}

TEST_F(HotkeyControlTest, AutoRepeatChangesNothing) {
    Down(VK_CONTROL);
    Down('A');
    Down('A');
    EXPECT_EQ(L"Ctrl + A", Text());
    const int changes = g_n_changes;
    Down(VK_CONTROL);
    Down(VK_CONTROL);
    EXPECT_EQ(changes, g_n_changes);
    EXPECT_EQ(L"Ctrl + A", Text());
    EXPECT_EQ(0x0241u, m_control.HotkeyCode());
}

TEST_F(HotkeyControlTest, ModifiersAloneFollowTheKeysHeld) {
    Down(VK_CONTROL);
    Down(VK_MENU, true);
    EXPECT_EQ(L"Ctrl + Alt + ", Text());
    Up(VK_CONTROL);
    EXPECT_EQ(L"Alt + ", Text());
    Up(VK_MENU, true);
    EXPECT_EQ(L"", Text());
    EXPECT_EQ(0u, m_control.HotkeyCode());
}

TEST_F(HotkeyControlTest, TypingNeverEditsAndDetachGivesTheProcedureBack) {
    SendMessageW(m_h_edit, WM_CHAR, 'x', 1);
    EXPECT_EQ(L"", Text());
    Down('Q');
    SendMessageW(m_h_edit, WM_CHAR, 'q', 1);
    EXPECT_EQ(L"Q", Text());
    // Other messages still reach the edit's own procedure.
    SendMessageW(m_h_edit, EM_SETSEL, 0, -1);
    EXPECT_EQ(1, static_cast<int>(SendMessageW(m_h_edit, WM_GETTEXTLENGTH, 0, 0)));
    m_control.Detach();
    EXPECT_EQ(m_p_edit_proc, GetWindowLongPtrW(m_h_edit, GWLP_WNDPROC));
    SendMessageW(m_h_edit, WM_CHAR, 'z', 1);
    EXPECT_EQ(L"z", Text());
}

TEST(AcceleratorTable, MadeFromTheEntries) {
    FreeShortcutKeys();
    EXPECT_EQ(nullptr, BuildAcceleratorTable());
    AcceleratorEntries = static_cast<AcceleratorEntry*>(calloc(24, sizeof(AcceleratorEntry)));
    ASSERT_NE(nullptr, AcceleratorEntries);
    g_n_accelerator_count = 24;
    SetShortcutKey(L"Open file", 591);
    SetShortcutKey(L"Line down", 0x0528);
    AcceleratorTableHandle table;
    table.Rebuild();
    ASSERT_NE(nullptr, table.Get());
    ACCEL copy[32] = {};
    ASSERT_EQ(24, CopyAcceleratorTableW(table.Get(), copy, 32));
    EXPECT_EQ(FVIRTKEY | FCONTROL, copy[2].fVirt & 0x7F);
    EXPECT_EQ('O', copy[2].key);
    EXPECT_EQ(41003, copy[2].cmd);
    EXPECT_EQ(FVIRTKEY | FSHIFT | FALT, copy[21].fVirt & 0x7F);
    EXPECT_EQ(VK_DOWN, copy[21].key);
    EXPECT_EQ(41020, copy[21].cmd);
    EXPECT_EQ(0, copy[0].cmd);
    EXPECT_EQ(kAccelVirtKey, FVIRTKEY);
    EXPECT_EQ(kAccelShift, FSHIFT);
    EXPECT_EQ(kAccelControl, FCONTROL);
    EXPECT_EQ(kAccelAlt, FALT);
    FreeShortcutKeys();
}

} // namespace
