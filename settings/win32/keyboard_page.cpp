// The Keyboard page: the bindable commands, their keys, and capturing,
// assigning and removing a key combination.
#include "base/format_text.h"
#include "base/messages.h"
#include "resources/settings_ids.h"
#include "settings/settings_file.h"
#include "settings/command_captions.h"
#include "settings/shortcut_keys.h"
#include "settings/standard_keys.h"
#include "settings/win32/hotkey_control.h"
#include "settings/win32/preference_pages.h"

#include <string>

namespace {

constexpr uint32_t kTextCapacity = 64;
constexpr int kOwnerCapacity = 200;

// The one key-capturing control, made the first time the page opens and kept
// for the rest of the run.
CHotkeyControl& HotkeyControl() {
    static CHotkeyControl control;
    return control;
}

// The text of a list item into out when it fits; 1, or 0 with out empty.
int ListItemText(HWND list, LRESULT index, wchar_t* out, size_t capacity) {
    out[0] = 0;
    if (index == LB_ERR) {
        return 0;
    }
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || static_cast<size_t>(length) >= capacity) {
        return 0;
    }
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(out));
    return 1;
}

// The selected command's name; empty text when none is selected.
int SelectedCommand(HWND page, wchar_t* name, size_t capacity) {
    HWND list = GetDlgItem(page, IDC_PREF_COMMANDS);
    return ListItemText(list, SendMessageW(list, LB_GETCURSEL, 0, 0), name, capacity);
}

// Puts the text of a key combination into the assigned-keys list once.
void ShowAssignedKey(HWND page, uint32_t code) {
    wchar_t text[kTextCapacity];
    uint32_t capacity = kTextCapacity;
    if (!code || !FormatHotkeyText(code, text, &capacity)) {
        return;
    }
    HWND list = GetDlgItem(page, IDC_PREF_ASSIGNED);
    if (SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(text)) == LB_ERR) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
}

void ReportUnwritableSettings() {
    ShowMessage(L"Failed to write settings file %s\n", g_sz_settings_path);
}

uint32_t BindingOf(const wchar_t* name) {
    return ReadProfileInt(L"hotkey", name, 0) & 0xFFFFu;
}

// One line under the lists on what the selected command does.
void ShowDescription(HWND page, const wchar_t* name) {
    const wchar_t* text = L"";
    for (const ShortcutCommand& row : ShortcutCommandTable) {
        if (name && std::wstring(row.m_sz_name) == name) {
            text = ShortcutDescription(row.m_n_id);
        }
    }
    SetDlgItemTextW(page, IDC_PREF_DESCRIPTION, (L"Description: " + std::wstring(text)).c_str());
}

void OnInit(HWND page) {
    HWND commands = GetDlgItem(page, IDC_PREF_COMMANDS);
    for (const ShortcutCommand& row : ShortcutCommandTable) {
        SendMessageW(commands, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.m_sz_name));
    }
    SendMessageW(commands, LB_SETCURSEL, 0, 0);
    wchar_t name[64];
    if (SelectedCommand(page, name, 64)) {
        ShowAssignedKey(page, BindingOf(name));
        ShowDescription(page, name);
    }
    HotkeyControl().Clear();
    HotkeyControl().Attach(GetDlgItem(page, IDC_PREF_HOTKEY));
    LoadShortcutKeys();
}

void OnCommandSelected(HWND page) {
    wchar_t name[64];
    const int selected = SelectedCommand(page, name, 64);
    HWND assigned = GetDlgItem(page, IDC_PREF_ASSIGNED);
    SendMessageW(assigned, LB_RESETCONTENT, 0, 0);
    if (selected) {
        ShowAssignedKey(page, BindingOf(name));
    }
    ShowDescription(page, selected ? name : nullptr);
    SendMessageW(assigned, LB_SETCURSEL, 0, 0);
}

void OnHotkeyChanged(HWND page) {
    const uint32_t code = HotkeyControl().HotkeyCode();
    wchar_t owner[kOwnerCapacity] = {};
    if (code & 0xFFu) {
        FindShortcutOwner(code, owner, kOwnerCapacity);
    }
    SetDlgItemTextW(page, IDC_PREF_OWNER, owner);
}

void OnAssign(HWND page) {
    wchar_t name[64];
    const uint32_t code = HotkeyControl().HotkeyCode();
    if (!SelectedCommand(page, name, 64) || code == 0) {
        return;
    }
    wchar_t owner[kOwnerCapacity] = {};
    GetDlgItemTextW(page, IDC_PREF_OWNER, owner, kOwnerCapacity);
    if (!AssignShortcutKey(name, code, owner)) {
        // Neither the file nor the live keys changed; the page shows that.
        ReportUnwritableSettings();
        return;
    }
    SetDlgItemTextW(page, IDC_PREF_OWNER, name);
    SendDlgItemMessageW(page, IDC_PREF_ASSIGNED, LB_RESETCONTENT, 0, 0);
    ShowAssignedKey(page, code);
}

void OnRemove(HWND page) {
    HWND assigned = GetDlgItem(page, IDC_PREF_ASSIGNED);
    const LRESULT index = SendMessageW(assigned, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR) {
        return;
    }
    wchar_t text[kTextCapacity];
    if (ListItemText(assigned, index, text, kTextCapacity) && !RemoveShortcutKey(text)) {
        ReportUnwritableSettings();
        return;
    }
    SendMessageW(assigned, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

// Binds the standard keys of every command without a key; keys that belong
// to other commands are moved only when the user agrees, asked once for all.
void OnStandardKeys(HWND page) {
    const StandardKeysPlan plan = PlanStandardKeys();
    int move_taken = 0;
    if (!plan.m_taken.empty()) {
        const std::wstring question = FormatText(
            L"These standard keys belong to other commands now:\n\n%s\nMove them to their "
            L"standard commands?",
            TakenKeysText(plan).c_str());
        const int answer = MessageBoxW(page, question.c_str(), L"Message",
                                       MB_YESNOCANCEL | MB_ICONQUESTION | MB_TOPMOST);
        if (answer == IDCANCEL) {
            return;
        }
        move_taken = answer == IDYES;
    }
    if (!ApplyStandardKeys(plan, move_taken)) {
        ReportUnwritableSettings();
        return;
    }
    OnCommandSelected(page);
    OnHotkeyChanged(page);
}

INT_PTR CALLBACK KeyboardPageProc(HWND page, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit(page);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_PREF_COMMANDS:
            if (HIWORD(wparam) == LBN_SELCHANGE) {
                OnCommandSelected(page);
            }
            return TRUE;
        case IDC_PREF_HOTKEY:
            if (HIWORD(wparam) == EN_CHANGE) {
                OnHotkeyChanged(page);
            }
            return TRUE;
        case IDC_PREF_ASSIGN:
            if (HIWORD(wparam) == BN_CLICKED) {
                OnAssign(page);
            }
            return TRUE;
        case IDC_PREF_REMOVE:
            if (HIWORD(wparam) == BN_CLICKED) {
                OnRemove(page);
            }
            return TRUE;
        case IDC_PREF_STANDARD_KEYS:
            if (HIWORD(wparam) == BN_CLICKED) {
                OnStandardKeys(page);
            }
            return TRUE;
        default:
            return FALSE;
        }
    case WM_PAINT:
        PaintPageRule(page, IDC_PREF_SHORTCUT_GROUP, IDC_PREF_SHORTCUT_GROUP);
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(page);
        return TRUE;
    case WM_DESTROY:
        // The edit goes with the page; the control stays for the next opening.
        HotkeyControl().Detach();
        HotkeyControl().Clear();
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

HWND CreateKeyboardPage(HWND frame) {
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PREF_KEYBOARD), frame,
                              KeyboardPageProc, 0);
}
