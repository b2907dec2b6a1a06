// The data inspector window (see inspector_window.h).
#include "tools/win32/inspector_window.h"

#include "data/document.h"
#include "resources/tools_ids.h"
#include "settings/settings_file.h"
#include "tools/clipboard_commands.h"
#include "tools/data_inspector.h"
#include "tools/win32/tool_list_view.h"
#include "tools/win32/tool_window_place.h"
#include "view/selection.h"
#include "view/view_state.h"
#include "view/win32/hex_view_control.h"

#include <commctrl.h>

#include <memory>
#include <vector>

namespace {

constexpr UINT_PTR kEditSubclass = 1;
constexpr int kMargin = 6;
constexpr int kCheckHeight = 20;

// Narrower than its minimum, the value column would hardly show a value.
const ToolWindowKind kInspectorKind = {
    L"PelmoraInspector", L"Data inspector", L"inspector", 600, 470, 260};
const wchar_t kBigEndianKey[] = L"big_endian";

enum Column : int { kColumnType = 0, kColumnValue = 1, kColumnNote = 2 };

} // namespace

CInspectorWindow::CInspectorWindow(HINSTANCE instance, HWND owner, ViewState* state)
    : CToolWindow(instance, owner, kInspectorKind), m_p_state(state) {
    LoadSettings();
}

CInspectorWindow::~CInspectorWindow() {
    Destroy();
}

void CInspectorWindow::ReadKeys(const CSettingsBatch& file, const wchar_t* section) {
    m_b_big_endian = file.ReadInt(section, kBigEndianKey, 0) ? 1 : 0;
}

void CInspectorWindow::WriteKeys(CSettingsBatch* file, const wchar_t* section) const {
    file->SetInt(section, kBigEndianKey, m_b_big_endian);
}

void CInspectorWindow::SetDocument(CallBackInfo* doc) {
    m_p_doc = doc;
    m_b_basis = 0; // another document may come at the address of one gone
    m_watch = DocumentWatch(doc, this);
}

// Counts every change of the shown document's bytes: a note about a refused
// value goes once anything changed, an undo included.
uint64_t CInspectorWindow::BytesGeneration() const {
    return m_p_doc != nullptr ? m_p_doc->Generation() : 0;
}

int CInspectorWindow::EditModeOn() const {
    return m_p_state != nullptr && m_p_state->m_b_edit_mode;
}

void CInspectorWindow::OnOpened() {
    SetViewChangedHook(OnViewChanged, this);
    Refresh();
}

void CInspectorWindow::OnViewChanged(void* context) {
    static_cast<CInspectorWindow*>(context)->RefreshIfChanged();
}

void CInspectorWindow::DocumentChanged(const CallBackInfo& /*doc*/,
                                       const DocumentChange& /*change*/) {
    RefreshIfChanged(); // nothing while the window is closed
}

CInspectorWindow::Basis CInspectorWindow::CurrentBasis() const {
    Basis basis;
    basis.m_p_doc = m_p_doc;
    basis.m_n_start = m_p_doc != nullptr ? SelectionStart(m_p_doc) : -1;
    basis.m_n_generation = BytesGeneration();
    basis.m_b_edit_mode = EditModeOn();
    return basis;
}

void CInspectorWindow::RefreshIfChanged() {
    // A process's memory changes without an edit: every repaint reads it anew.
    const bool live = m_p_doc != nullptr && m_p_doc->m_n_source_kind == 1;
    if (m_b_basis && !live && CurrentBasis() == m_basis) {
        return;
    }
    Refresh();
}

LRESULT CInspectorWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_INSPECTOR_BIG_ENDIAN:
            if (HIWORD(wparam) == BN_CLICKED) {
                m_b_big_endian = SendMessageW(m_h_check, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
                EndEdit();
                Refresh();
                SaveSettings();
            }
            return 0;
        case IDOK: // Enter: confirm the typed value, or start typing into the row
            if (m_h_edit) {
                CommitEdit();
            } else {
                BeginEdit(SelectedListRow(m_h_list));
            }
            return 0;
        case IDCANCEL:
            // Esc puts the typed value away and with it what was said about it.
            EndEdit();
            ClearNotes();
            return 0;
        case ID_INSPECTOR_COPY:
            CopyRow(SelectedListRow(m_h_list));
            return 0;
        default:
            break;
        }
        break;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
        if (header->hwndFrom != m_h_list) {
            break;
        }
        if (header->code == NM_DBLCLK) {
            BeginEdit(reinterpret_cast<const NMITEMACTIVATE*>(lparam)->iItem);
        } else if (header->code == NM_RETURN) {
            // Enter reaches the list itself when another window's dialog loop
            // runs (Goto open); otherwise the dialog keys make it IDOK.
            BeginEdit(SelectedListRow(m_h_list));
        } else if (header->code == LVN_KEYDOWN) {
            const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(lparam)->wVKey;
            if (key == VK_F2) {
                BeginEdit(SelectedListRow(m_h_list));
            } else if (IsCopyKey(reinterpret_cast<const NMLVKEYDOWN*>(lparam))) {
                CopyRow(SelectedListRow(m_h_list));
            }
        }
        return 0;
    }
    default:
        break;
    }
    return CToolWindow::Handle(message, wparam, lparam);
}

void CInspectorWindow::CreateControls() {
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    m_h_check = CreateWindowExW(
        0, L"BUTTON", L"Big endian", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, kMargin,
        kMargin, 160, kCheckHeight, Window(), reinterpret_cast<HMENU>(IDC_INSPECTOR_BIG_ENDIAN),
        m_h_instance, nullptr);
    SendMessageW(m_h_check, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(m_h_check, BM_SETCHECK, m_b_big_endian ? BST_CHECKED : BST_UNCHECKED, 0);
    const ListColumn kColumns[] = {{L"Type", 130}, {L"Value", 270}, {L"Note", 170}};
    m_h_list =
        CreateToolList(Window(), m_h_instance, IDC_INSPECTOR_LIST,
                       LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_GRIDLINES, kColumns, 3);
    for (int type = 0; type < kInspectorTypeCount; ++type) {
        AppendListRow(m_h_list, InspectorTypeName(type));
        m_sz_values[type].clear();
        m_sz_notes[type].clear();
    }
    Layout();
}

void CInspectorWindow::Layout() {
    RECT client = {};
    GetClientRect(Window(), &client);
    const int top = kMargin + kCheckHeight + kMargin;
    if (m_h_list) {
        MoveWindow(m_h_list, 0, top, client.right, client.bottom > top ? client.bottom - top : 0,
                   TRUE);
    }
}

void CInspectorWindow::SetCell(int row, int column, const std::wstring& text) {
    std::wstring& shown = column == kColumnValue ? m_sz_values[row] : m_sz_notes[row];
    if (shown == text) {
        return;
    }
    shown = text;
    SetListCell(m_h_list, row, column, shown);
}

void CInspectorWindow::ClearNotes() {
    m_n_note_offset = -1;
    for (int row = 0; row < kInspectorTypeCount; ++row) {
        SetCell(row, kColumnNote, std::wstring());
    }
}

void CInspectorWindow::KeepNote(int row, const std::wstring& note, int64_t offset) {
    m_n_note_offset = offset;
    m_n_note_generation = BytesGeneration();
    SetCell(row, kColumnNote, note);
}

void CInspectorWindow::Refresh() {
    if (!m_h_list) {
        return;
    }
    m_basis = CurrentBasis();
    m_b_basis = 1;
    const InspectorBytes at = ReadInspectorBytes(m_p_doc);
    if (at.m_n_offset != m_n_note_offset || BytesGeneration() != m_n_note_generation) {
        ClearNotes();
    }
    // A value typed for one place is never written at another.
    if (m_h_edit && (at.m_n_offset != m_n_edit_offset || !EditModeOn())) {
        EndEdit();
    }
    for (int type = 0; type < kInspectorTypeCount; ++type) {
        SetCell(type, kColumnValue,
                at.m_n_offset < 0
                    ? std::wstring()
                    : DecodeValue(type, at.m_bytes, at.m_n_available, m_b_big_endian));
    }
}

void CInspectorWindow::BeginEdit(int row) {
    if (row < 0 || row >= kInspectorTypeCount) {
        return;
    }
    const InspectorBytes at = ReadInspectorBytes(m_p_doc);
    if (at.m_n_offset < 0) {
        return;
    }
    if (!EditModeOn()) {
        // Read-only: say why instead of opening an editor.
        KeepNote(row, L"Read-only outside edit mode", at.m_n_offset);
        return;
    }
    EndEdit();
    RECT cell = {};
    cell.top = kColumnValue;
    cell.left = LVIR_LABEL;
    if (!SendMessageW(m_h_list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row),
                      reinterpret_cast<LPARAM>(&cell))) {
        return;
    }
    const std::wstring& shown = m_sz_values[row];
    const bool has_value = shown != kNoValue && shown != L"invalid" && shown != L"out of range";
    m_h_edit =
        CreateWindowExW(0, L"EDIT", has_value ? shown.c_str() : L"",
                        WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, cell.left, cell.top,
                        cell.right - cell.left, cell.bottom - cell.top + 2, m_h_list,
                        reinterpret_cast<HMENU>(IDC_INSPECTOR_EDIT), m_h_instance, nullptr);
    if (!m_h_edit) {
        return;
    }
    m_n_edit_row = row;
    m_n_edit_offset = at.m_n_offset;
    SetCell(row, kColumnNote, std::wstring());
    SendMessageW(m_h_edit, WM_SETFONT, SendMessageW(m_h_list, WM_GETFONT, 0, 0), FALSE);
    SetWindowSubclass(m_h_edit, EditProc, kEditSubclass, reinterpret_cast<DWORD_PTR>(this));
    SendMessageW(m_h_edit, EM_SETSEL, 0, -1);
    SetFocus(m_h_edit);
}

LRESULT CALLBACK CInspectorWindow::EditProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam,
                                            UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<CInspectorWindow*>(data);
    switch (message) {
    case WM_GETDLGCODE:
        return DefSubclassProc(edit, message, wparam, lparam) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        // Handled through the window's commands, after this message is done with the editor.
        if (wparam == VK_RETURN || wparam == VK_ESCAPE) {
            PostMessageW(self->Window(), WM_COMMAND, wparam == VK_RETURN ? IDOK : IDCANCEL, 0);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wparam == L'\r' || wparam == 27) {
            return 0; // no beep
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, EditProc, kEditSubclass);
        break;
    default:
        break;
    }
    return DefSubclassProc(edit, message, wparam, lparam);
}

void CInspectorWindow::CommitEdit() {
    if (!m_h_edit) {
        return;
    }
    const int length = GetWindowTextLengthW(m_h_edit);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, 0);
    GetWindowTextW(m_h_edit, text.data(), length + 1);
    const int row = m_n_edit_row;
    std::wstring reason;
    if (m_p_doc) {
        m_p_doc->m_history.EndTyping();
    }
    if (WriteInspectorValue(m_p_doc, m_p_state, row, text.data(), m_b_big_endian, &reason)) {
        EndEdit();
        SetCell(row, kColumnNote, std::wstring());
        return;
    }
    // Refused: the reason beside the row, the typed text left to correct.
    KeepNote(row, reason, ReadInspectorBytes(m_p_doc).m_n_offset);
    SetFocus(m_h_edit);
}

void CInspectorWindow::EndEdit() {
    if (!m_h_edit) {
        return;
    }
    HWND edit = m_h_edit;
    m_h_edit = nullptr;
    m_n_edit_row = -1;
    const bool had_focus = GetFocus() == edit;
    DestroyWindow(edit);
    if (had_focus && m_h_list) {
        SetFocus(m_h_list);
    }
}

void CInspectorWindow::CopyRow(int row) {
    if (row < 0 || row >= kInspectorTypeCount || m_sz_values[row].empty()) {
        return;
    }
    CopyTextToClipboard(Window(), m_sz_values[row]);
}

void CInspectorWindow::ShowRowMenu() {
    const int row = SelectedListRow(m_h_list);
    if (row < 0) {
        return;
    }
    MenuHandle menu(CreatePopupMenu());
    if (!menu) {
        return;
    }
    AppendMenuW(menu.get(), MF_STRING | (m_sz_values[row].empty() ? MF_GRAYED : 0),
                ID_INSPECTOR_COPY, L"&Copy value");
    if (TrackMenuAtCursor(menu.get(), Window()) == ID_INSPECTOR_COPY) {
        CopyRow(row);
    }
}

void CInspectorWindow::OnDestroyed() {
    SetViewChangedHook(nullptr, nullptr);
    m_h_check = nullptr;
    m_h_list = nullptr;
    m_h_edit = nullptr;
    m_n_edit_row = -1;
    m_n_note_offset = -1;
    m_b_basis = 0;
}
