// CHotkeyControl: takes over an edit control so that it shows the key
// combination pressed in it ("Ctrl + Shift + F5") instead of typed text.
#pragma once

#include <windows.h>

#include <cstdint>

class CHotkeyControl {
  public:
    CHotkeyControl() = default;
    virtual ~CHotkeyControl();
    CHotkeyControl(const CHotkeyControl&) = delete;
    CHotkeyControl& operator=(const CHotkeyControl&) = delete;

    // Replaces the edit's window procedure (giving back a previous one); 1/0.
    int Attach(HWND edit);
    // Puts the replaced window procedure back.
    void Detach();
    // Forgets the captured combination and empties the text.
    void Clear();

    // (combination modifiers x 256) + key.
    uint32_t HotkeyCode() const { return (m_n_combination_modifiers << 8) + m_n_key; }
    const wchar_t* Text() const { return m_sz_text; }
    HWND Handle() const { return m_h_edit; }

    // Key handling, also reached by the window procedure; 1 when swallowed.
    int OnKeyDown(uint32_t vk);
    int OnKeyUp(uint32_t vk);

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void RebuildText();

    HWND m_h_edit = nullptr;
    WNDPROC m_p_old_proc = nullptr;
    uint32_t m_n_modifiers = 0; // held modifiers: 1 Shift, 2 Ctrl, 4 Alt
    int m_b_complete = 0;       // the text shows modifiers and a key
    uint32_t m_n_key = 0;       // last non-modifier key, 0 before the first
    uint32_t m_n_combination_modifiers = 0;
    wchar_t m_sz_text[64] = {};
};
