// Key-capturing edit control.
#include "settings/win32/hotkey_control.h"

#include "settings/shortcut_keys.h"

#include <cwchar>

namespace {

const wchar_t kOwnerProp[] = L"PelmoraHotkeyControl";

uint32_t ModifierFlag(uint32_t vk) {
    switch (vk) {
    case VK_SHIFT:
        return kHotkeyShift;
    case VK_CONTROL:
        return kHotkeyCtrl;
    case VK_MENU:
        return kHotkeyAlt;
    default:
        return 0;
    }
}

void Append(wchar_t* text, size_t capacity, const wchar_t* more) {
    const size_t length = std::wcslen(text);
    size_t i = 0;
    for (; more[i] && length + i + 1 < capacity; ++i) {
        text[length + i] = more[i];
    }
    text[length + i] = 0;
}

} // namespace

CHotkeyControl::~CHotkeyControl() {
    Detach();
}

int CHotkeyControl::Attach(HWND edit) {
    if (!edit || !IsWindow(edit)) {
        return 0;
    }
    Detach();
    SetPropW(edit, kOwnerProp, this);
    const LONG_PTR old = SetWindowLongPtrW(edit, GWLP_WNDPROC,
                                           reinterpret_cast<LONG_PTR>(&CHotkeyControl::WindowProc));
    if (!old) {
        RemovePropW(edit, kOwnerProp);
        return 0;
    }
    m_h_edit = edit;
    m_p_old_proc = reinterpret_cast<WNDPROC>(old);
    return 1;
}

void CHotkeyControl::Detach() {
    if (m_h_edit && m_p_old_proc && IsWindow(m_h_edit)) {
        SetWindowLongPtrW(m_h_edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_p_old_proc));
        RemovePropW(m_h_edit, kOwnerProp);
    }
    m_h_edit = nullptr;
    m_p_old_proc = nullptr;
}

void CHotkeyControl::Clear() {
    m_n_modifiers = 0;
    m_b_complete = 0;
    m_n_key = 0;
    m_n_combination_modifiers = 0;
    m_sz_text[0] = 0;
    if (m_h_edit) {
        SetWindowTextW(m_h_edit, m_sz_text);
    }
}

void CHotkeyControl::RebuildText() {
    m_sz_text[0] = 0;
    if (m_n_modifiers & kHotkeyCtrl) {
        Append(m_sz_text, 64, L"Ctrl + ");
    }
    if (m_n_modifiers & kHotkeyShift) {
        Append(m_sz_text, 64, L"Shift + ");
    }
    if (m_n_modifiers & kHotkeyAlt) {
        Append(m_sz_text, 64, L"Alt + ");
    }
    if (m_b_complete) {
        Append(m_sz_text, 64, KeyName(m_n_key));
        m_n_combination_modifiers = m_n_modifiers;
    }
    if (m_h_edit) {
        SetWindowTextW(m_h_edit, m_sz_text);
    }
}

int CHotkeyControl::OnKeyDown(uint32_t vk) {
    const uint32_t flag = ModifierFlag(vk);
    if (flag) {
        if (m_n_modifiers & flag) {
            return 1; // auto-repeat of a held modifier
        }
        m_n_modifiers |= flag;
        m_b_complete = 0;
    } else {
        m_n_key = vk & 0xFF;
        m_b_complete = 1;
    }
    RebuildText();
    return 1;
}

int CHotkeyControl::OnKeyUp(uint32_t vk) {
    m_n_modifiers &= ~ModifierFlag(vk);
    if (!m_b_complete) {
        RebuildText();
    }
    if (m_n_modifiers == 0 || m_n_key == 0) {
        m_b_complete = 0;
    }
    return 1;
}

LRESULT CALLBACK CHotkeyControl::WindowProc(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
    CHotkeyControl* self = static_cast<CHotkeyControl*>(GetPropW(window, kOwnerProp));
    if (!self || !self->m_p_old_proc) {
        return DefWindowProcW(window, message, wparam, lparam);
    }
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        self->OnKeyDown(static_cast<uint32_t>(wparam));
        return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        self->OnKeyUp(static_cast<uint32_t>(wparam));
        return 0;
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_DEADCHAR:
    case WM_SYSDEADCHAR:
        return 0;
    default:
        break;
    }
    const WNDPROC old = self->m_p_old_proc;
    if (message == WM_NCDESTROY) {
        // The edit is going away: give it its own procedure back first.
        self->Detach();
    }
    return CallWindowProcW(old, window, message, wparam, lparam);
}
