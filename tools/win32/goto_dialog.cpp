// The Goto dialog (template 103): the offset field with its filter, the
// origin choice and the jump buttons; the dialog stays open after each jump.
#include "data/document.h"
#include "resources/tools_ids.h"
#include "tools/goto_parse.h"
#include "tools/tool_commands.h"
#include "view/selection.h"

#include <windows.h>

#include <string>

namespace {

std::wstring InputText(HWND dialog) {
    HWND edit = GetDlgItem(dialog, IDC_GOTO_INPUT);
    const int length = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(edit, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

void ResetHexInput(HWND dialog) {
    HWND edit = GetDlgItem(dialog, IDC_GOTO_INPUT);
    SetWindowTextW(edit, L"0x00");
    SendMessageW(edit, EM_SETSEL, 2, 4);
}

void OnInputUpdate(HWND dialog) {
    const std::wstring text = InputText(dialog);
    if (text.empty())
        return;
    const GotoFilterResult filter = FilterGotoInput(text.c_str());
    CheckDlgButton(dialog, IDC_GOTO_HEX, filter.m_b_hex ? BST_CHECKED : BST_UNCHECKED);
    if (filter.m_n_cut == text.size())
        return;
    HWND edit = GetDlgItem(dialog, IDC_GOTO_INPUT);
    SetWindowTextW(edit, text.substr(0, filter.m_n_cut).c_str());
    SendMessageW(edit, EM_SETSEL, filter.m_n_cut, filter.m_n_cut);
}

// Where the dialog jumps, given when it was made.
struct GotoPlace {
    CallBackInfo* m_p_doc;
    ViewState* m_p_state;
};

// One jump; always handled. A jump that lands outside the document says so
// on the dialog's own line, which the next jump clears.
int GotoOffset(HWND dialog, int button) {
    const std::wstring text = InputText(dialog);
    const GotoPlace* target =
        reinterpret_cast<const GotoPlace*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (target == nullptr)
        return 1;
    const int hex = IsDlgButtonChecked(dialog, IDC_GOTO_HEX) == BST_CHECKED;
    const int from_beginning = IsDlgButtonChecked(dialog, IDC_GOTO_FROM_BEGINNING) == BST_CHECKED;
    std::wstring miss;
    if (const CallBackInfo* doc = target->m_p_doc) {
        miss = GotoMissText(text.c_str(), hex, from_beginning, button, SelectionStart(doc),
                            doc->m_n_data_size);
    }
    GotoOffsetValue(target->m_p_doc, target->m_p_state, text.c_str(), hex, from_beginning, button);
    SetDlgItemTextW(dialog, IDC_GOTO_RESULT, miss.c_str());
    return 1;
}

INT_PTR CALLBACK GotoDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lparam);
        CheckDlgButton(dialog, IDC_GOTO_HEX, BST_CHECKED);
        CheckRadioButton(dialog, IDC_GOTO_FROM_BEGINNING, IDC_GOTO_FROM_CURRENT,
                         IDC_GOTO_FROM_BEGINNING);
        SendDlgItemMessageW(dialog, IDC_GOTO_INPUT, EM_LIMITTEXT, 18, 0);
        ResetHexInput(dialog);
        SetFocus(GetDlgItem(dialog, IDC_GOTO_INPUT));
        return FALSE; // the focus was set here
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
        case IDC_GOTO_NEXT:
            return GotoOffset(dialog, kGotoNext);
        case IDC_GOTO_PREVIOUS:
            return GotoOffset(dialog, kGotoPrevious);
        case IDCANCEL:
        case IDC_GOTO_EXIT:
            SendMessageW(dialog, WM_CLOSE, 0, 0);
            return TRUE;
        case IDC_GOTO_HEX:
            if (HIWORD(wparam) == BN_CLICKED) {
                if (IsDlgButtonChecked(dialog, IDC_GOTO_HEX) == BST_CHECKED)
                    ResetHexInput(dialog);
                else
                    SetDlgItemTextW(dialog, IDC_GOTO_INPUT, L"");
                SetFocus(GetDlgItem(dialog, IDC_GOTO_INPUT));
            }
            return TRUE;
        case IDC_GOTO_INPUT:
            if (HIWORD(wparam) == EN_UPDATE)
                OnInputUpdate(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void OnGotoCommand(void* owner_window, CallBackInfo* doc, ViewState* state) {
    if (doc == nullptr)
        return;
    GotoPlace target = {doc, state};
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_GOTO),
                    static_cast<HWND>(owner_window), GotoDlgProc,
                    reinterpret_cast<LPARAM>(&target));
}
