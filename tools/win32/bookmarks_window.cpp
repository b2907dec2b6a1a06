// The bookmarks window (see bookmarks_window.h).
#include "tools/win32/bookmarks_window.h"

#include "base/format_text.h"
#include "base/utf8.h"
#include "resources/tools_ids.h"
#include "tools/bookmark_commands.h"
#include "tools/bookmark_text.h"
#include "tools/bookmarks.h"
#include "tools/clipboard_commands.h"
#include "tools/win32/bookmark_dialog.h"
#include "tools/win32/tool_window_place.h"
#include "view/view_state.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

namespace {

const ToolWindowKind kBookmarksKind = {
    L"PelmoraBookmarks", L"Pelmora - Bookmarks", L"bookmarks", 520, 360, 300};
const wchar_t kCaption[] = L"Pelmora - Bookmarks";
const wchar_t kFileFilter[] = L"Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";
constexpr int kMargin = 6;
constexpr int kButtonHeight = 24;
constexpr int kButtonWidth = 86;
// Bigger files are no bookmark lists.
constexpr DWORD kMaxImportBytes = 64u << 20;

enum Column : int { kColumnName = 0, kColumnOffset = 1, kColumnLength = 2, kColumnNote = 3 };

struct ButtonRow {
    int m_n_id;
    const wchar_t* m_sz_text;
};
const ButtonRow kButtons[4] = {{IDC_BOOKMARKS_NOTE, L"Edit &note..."},
                               {IDC_BOOKMARKS_DELETE, L"&Delete"},
                               {IDC_BOOKMARKS_EXPORT, L"E&xport..."},
                               {IDC_BOOKMARKS_IMPORT, L"&Import..."}};

struct FileCloser {
    void operator()(HANDLE file) const { CloseHandle(file); }
};
using FileHandle = std::unique_ptr<void, FileCloser>;

FileHandle OpenForReading(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return FileHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// The whole file into *text; 0 when it cannot be read or is too big.
int ReadWholeFile(const wchar_t* path, std::string* text) {
    FileHandle file = OpenForReading(path);
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxImportBytes) {
        return 0;
    }
    text->assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (size.QuadPart > 0 &&
        (!ReadFile(file.get(), &(*text)[0], static_cast<DWORD>(size.QuadPart), &read, nullptr) ||
         read != size.QuadPart)) {
        return 0;
    }
    return 1;
}

int WriteWholeFile(const wchar_t* path, const std::string& text) {
    HANDLE raw =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    FileHandle file(raw == INVALID_HANDLE_VALUE ? nullptr : raw);
    DWORD written = 0;
    return file &&
           (text.empty() || (WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()),
                                       &written, nullptr) &&
                             written == text.size()));
}

void Say(HWND owner, const std::wstring& text, UINT icon) {
    MessageBoxW(owner, text.c_str(), kCaption, MB_OK | icon);
}

} // namespace

CBookmarksWindow::CBookmarksWindow(HINSTANCE instance, HWND owner, ViewState* state)
    : CToolWindow(instance, owner, kBookmarksKind), m_p_state(state) {
    LoadSettings();
}

CBookmarksWindow::~CBookmarksWindow() {
    Destroy();
}

void CBookmarksWindow::SetBookmarks(BookmarkSet* set) {
    m_p_set = set;
    Refresh();
}

void CBookmarksWindow::Refresh() {
    if (!m_h_list) {
        return;
    }
    const size_t count = m_p_set ? m_p_set->Count() : 0;
    // The list asks for the texts of the rows it shows (LVS_OWNERDATA), so a
    // hundred thousand bookmarks cost no more than ten.
    SendMessageW(m_h_list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count),
                 LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    InvalidateRect(m_h_list, nullptr, FALSE);
    // Edit note, Delete and Export need a bookmark; Import a document.
    const BOOL any = count > 0;
    for (int i = 0; i < 3; ++i) {
        EnableWindow(m_h_buttons[i], any);
    }
    EnableWindow(m_h_buttons[3], m_p_set != nullptr);
}

void CBookmarksWindow::CreateControls() {
    HWND window = Window();
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    m_h_list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                                   LVS_SHOWSELALWAYS | LVS_EDITLABELS | LVS_NOSORTHEADER,
                               0, 0, 0, 0, window, reinterpret_cast<HMENU>(IDC_BOOKMARKS_LIST),
                               m_h_instance, nullptr);
    SendMessageW(m_h_list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(m_h_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_GRIDLINES);
    // The name is the first column so that F2 edits it in place; the
    // offset column is then shown first.
    const struct {
        const wchar_t* m_sz_title;
        int m_n_width;
        int m_n_format;
    } kColumns[] = {{L"Name", 150, LVCFMT_LEFT},
                    {L"Offset", 110, LVCFMT_RIGHT},
                    {L"Length", 120, LVCFMT_RIGHT},
                    {L"Note", 200, LVCFMT_LEFT}};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        column.pszText = const_cast<wchar_t*>(kColumns[i].m_sz_title);
        column.cx = kColumns[i].m_n_width;
        column.fmt = kColumns[i].m_n_format;
        column.iSubItem = i;
        SendMessageW(m_h_list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
    int order[4] = {1, 2, 0, 3};
    SendMessageW(m_h_list, LVM_SETCOLUMNORDERARRAY, 4, reinterpret_cast<LPARAM>(order));
    for (int i = 0; i < 4; ++i) {
        m_h_buttons[i] = CreateWindowExW(
            0, L"BUTTON", kButtons[i].m_sz_text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
            0, 0, 0, 0, window, reinterpret_cast<HMENU>(kButtons[i].m_n_id), m_h_instance, nullptr);
        SendMessageW(m_h_buttons[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    Layout();
}

void CBookmarksWindow::Layout() {
    RECT client = {};
    GetClientRect(Window(), &client);
    const int bottom = client.bottom - kMargin - kButtonHeight - kMargin;
    if (m_h_list) {
        MoveWindow(m_h_list, 0, 0, client.right, bottom > 0 ? bottom : 0, TRUE);
    }
    int x = kMargin;
    for (HWND button : m_h_buttons) {
        if (button) {
            MoveWindow(button, x, client.bottom - kMargin - kButtonHeight, kButtonWidth,
                       kButtonHeight, TRUE);
        }
        x += kButtonWidth + kMargin;
    }
}

void CBookmarksWindow::OnOpened() {
    Refresh();
}

void CBookmarksWindow::OnDestroyed() {
    m_h_list = nullptr;
    for (HWND& button : m_h_buttons) {
        button = nullptr;
    }
}

std::vector<uint64_t> CBookmarksWindow::SelectedIds() const {
    std::vector<uint64_t> ids;
    if (!m_h_list || !m_p_set) {
        return ids;
    }
    int row = -1;
    while ((row = static_cast<int>(SendMessageW(m_h_list, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                LVNI_SELECTED))) >= 0) {
        if (static_cast<size_t>(row) < m_p_set->Count()) {
            ids.push_back(m_p_set->At(static_cast<size_t>(row)).m_n_id);
        }
    }
    return ids;
}

int CBookmarksWindow::FocusedRow() const {
    if (!m_h_list) {
        return -1;
    }
    const int row = static_cast<int>(SendMessageW(
        m_h_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED | LVNI_SELECTED));
    if (row >= 0) {
        return row;
    }
    return static_cast<int>(
        SendMessageW(m_h_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CBookmarksWindow::GoToRow(int row) {
    if (!m_p_set || row < 0 || static_cast<size_t>(row) >= m_p_set->Count()) {
        return;
    }
    SelectBookmark(m_p_set->Document(), m_p_state, m_p_set->At(static_cast<size_t>(row)));
}

void CBookmarksWindow::EditNote() {
    const int row = FocusedRow();
    if (!m_p_set || row < 0 || static_cast<size_t>(row) >= m_p_set->Count()) {
        return;
    }
    const Bookmark& mark = m_p_set->At(static_cast<size_t>(row));
    const uint64_t id = mark.m_n_id;
    std::wstring name = mark.m_sz_name;
    std::wstring note = mark.m_sz_note;
    if (!AskBookmarkText(m_h_instance, Window(), &name, &note)) {
        return;
    }
    // The dialog is modal: the set may have changed meanwhile, so the id decides.
    m_p_set->Rename(id, name);
    m_p_set->SetNote(id, note);
}

void CBookmarksWindow::DeleteSelected() {
    const std::vector<uint64_t> ids = SelectedIds();
    if (ids.empty()) {
        return;
    }
    const std::wstring question = ids.size() == 1 ? std::wstring(L"Delete the selected bookmark?")
                                                  : FormatText(L"Delete the %d selected bookmarks?",
                                                               static_cast<int>(ids.size()));
    if (MessageBoxW(Window(), question.c_str(), kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    // The rows now stand for other bookmarks: none stays selected.
    LVITEMW none = {};
    none.stateMask = LVIS_SELECTED;
    SendMessageW(m_h_list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&none));
    for (uint64_t id : ids) {
        m_p_set->Remove(id);
    }
}

void CBookmarksWindow::CopySelected() {
    const std::vector<uint64_t> ids = SelectedIds();
    if (ids.empty()) {
        return;
    }
    std::wstring text;
    if (!Utf8ToWide(BookmarksText(*m_p_set, ids), &text)) {
        return;
    }
    CopyTextToClipboard(Window(), text);
}

void CBookmarksWindow::Export() {
    if (!m_p_set) {
        return;
    }
    wchar_t path[MAX_PATH] = L"bookmarks.txt";
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = Window();
    dialog.lpstrFilter = kFileFilter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = L"txt";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) {
        return;
    }
    if (!WriteWholeFile(path, BookmarksToText(*m_p_set))) {
        Say(Window(), FormatText(L"The bookmarks could not be written to %s.", path),
            MB_ICONWARNING);
    }
}

void CBookmarksWindow::Import() {
    if (!m_p_set) {
        return;
    }
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = Window();
    dialog.lpstrFilter = kFileFilter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog)) {
        return;
    }
    std::string text;
    if (!ReadWholeFile(path, &text)) {
        Say(Window(), FormatText(L"The bookmarks could not be read from %s.", path),
            MB_ICONWARNING);
        return;
    }
    const BookmarkImport result = ImportBookmarks(m_p_set, text);
    if (!result.m_bad_lines.empty()) {
        Say(Window(), DamagedLinesText(path, result), MB_ICONWARNING);
    }
}

void CBookmarksWindow::ShowRowMenu() {
    const int row = FocusedRow();
    POINT at = {};
    GetCursorPos(&at);
    MenuHandle menu(CreatePopupMenu());
    if (!menu) {
        return;
    }
    const UINT on = row >= 0 ? MF_STRING : MF_STRING | MF_GRAYED;
    AppendMenuW(menu.get(), on, ID_BOOKMARKS_GO, L"&Go to\tEnter");
    AppendMenuW(menu.get(), on, ID_BOOKMARKS_RENAME, L"&Rename\tF2");
    AppendMenuW(menu.get(), on, IDC_BOOKMARKS_NOTE, L"Edit &note...");
    AppendMenuW(menu.get(), on, ID_BOOKMARKS_COPY, L"&Copy\tCtrl+C");
    AppendMenuW(menu.get(), on, IDC_BOOKMARKS_DELETE, L"&Delete\tDel");
    TrackPopupMenuEx(menu.get(), TPM_RIGHTBUTTON, at.x, at.y, Window(), nullptr);
}

void CBookmarksWindow::FillCell(NMLVDISPINFOW* info) {
    LVITEMW& item = info->item;
    if (!(item.mask & LVIF_TEXT) || !m_p_set || item.iItem < 0 ||
        static_cast<size_t>(item.iItem) >= m_p_set->Count()) {
        return;
    }
    const Bookmark& mark = m_p_set->At(static_cast<size_t>(item.iItem));
    switch (item.iSubItem) {
    case kColumnOffset:
        m_sz_cell = FormatText(L"0x%I64X", mark.m_n_first);
        break;
    case kColumnLength:
        m_sz_cell = BookmarkLengthText(mark);
        break;
    case kColumnName:
        m_sz_cell = mark.m_sz_name;
        break;
    default:
        m_sz_cell = mark.m_sz_note;
        break;
    }
    item.pszText = const_cast<wchar_t*>(m_sz_cell.c_str());
}

void CBookmarksWindow::EndRename(const NMLVDISPINFOW* info) {
    const LVITEMW& item = info->item;
    if (!item.pszText || !m_p_set || item.iItem < 0 ||
        static_cast<size_t>(item.iItem) >= m_p_set->Count()) {
        return; // cancelled
    }
    m_p_set->Rename(m_p_set->At(static_cast<size_t>(item.iItem)).m_n_id, item.pszText);
}

LRESULT CBookmarksWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK: // Enter in the list
        case ID_BOOKMARKS_GO:
            GoToRow(FocusedRow());
            return 0;
        case ID_BOOKMARKS_RENAME: {
            const int row = FocusedRow();
            if (row >= 0) {
                SetFocus(m_h_list);
                SendMessageW(m_h_list, LVM_EDITLABELW, static_cast<WPARAM>(row), 0);
            }
            return 0;
        }
        case IDC_BOOKMARKS_NOTE:
            EditNote();
            return 0;
        case IDC_BOOKMARKS_DELETE:
            DeleteSelected();
            return 0;
        case ID_BOOKMARKS_COPY:
            CopySelected();
            return 0;
        case IDC_BOOKMARKS_EXPORT:
            Export();
            return 0;
        case IDC_BOOKMARKS_IMPORT:
            Import();
            return 0;
        case IDCANCEL:
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
        switch (header->code) {
        case LVN_GETDISPINFOW:
            FillCell(reinterpret_cast<NMLVDISPINFOW*>(lparam));
            return 0;
        case LVN_BEGINLABELEDITW:
            return m_p_set == nullptr; // TRUE refuses
        case LVN_ENDLABELEDITW:
            EndRename(reinterpret_cast<const NMLVDISPINFOW*>(lparam));
            return FALSE; // the list shows the set's name, not the typed text
        case NM_DBLCLK:
            GoToRow(reinterpret_cast<const NMITEMACTIVATE*>(lparam)->iItem);
            return 0;
        case NM_RETURN:
            GoToRow(FocusedRow());
            return 0;
        case LVN_KEYDOWN: {
            const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(lparam)->wVKey;
            const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
            if (key == VK_F2) {
                Handle(WM_COMMAND, ID_BOOKMARKS_RENAME, 0);
            } else if (key == VK_DELETE) {
                DeleteSelected();
            } else if (key == 'C' && control) {
                CopySelected();
            } else if (key == 'A' && control) {
                LVITEMW all = {};
                all.stateMask = LVIS_SELECTED;
                all.state = LVIS_SELECTED;
                SendMessageW(m_h_list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(&all));
            }
            return 0;
        }
        default:
            break;
        }
        return 0;
    }
    default:
        break;
    }
    return CToolWindow::Handle(message, wparam, lparam);
}
