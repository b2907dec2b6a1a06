// The find results window (see find_results_window.h).
#include "tools/win32/find_results_window.h"

#include "base/format_text.h"
#include "data/document.h"
#include "resources/tools_ids.h"
#include "tools/clipboard_commands.h"
#include "tools/win32/tool_window_place.h"

#include <commctrl.h>

#include <cwchar>
#include <string>
#include <system_error>

namespace {

const ToolWindowKind kKind = {
    L"PelmoraFindResults", L"Pelmora - Find results", L"find results", 600, 380, 300};
constexpr UINT kPassFinished = WM_APP + 20;
constexpr int kMargin = 6;
constexpr int kStatusHeight = 30;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 24;
// Bytes shown before and after a match, and at most of the match itself.
constexpr int64_t kAround = 4;
constexpr int64_t kShownOfMatch = 16;

enum Column : int { kColumnOffset, kColumnLength, kColumnHex, kColumnChars };

std::wstring OffsetText(int64_t offset) {
    return FormatText(L"%08I64X", offset);
}

// The bytes around a match as hex pairs and as characters, the match in
// brackets: "00 01 [41 42] 02 03" and "..[AB]..".
void AroundTexts(CallBackInfo* doc, const FoundMatch& match, std::wstring* hex,
                 std::wstring* chars) {
    const int64_t first = match.m_n_offset >= kAround ? match.m_n_offset - kAround : 0;
    const int64_t before = match.m_n_offset - first;
    const int64_t length = match.m_n_length;
    const int64_t shown = length < kShownOfMatch ? length : kShownOfMatch;
    uint8_t bytes[2 * kAround + kShownOfMatch] = {};
    const int64_t want = before + shown + kAround;
    const int64_t got = ReadEffectiveSpan(doc, first, bytes, want, doc->Source());
    const bool cut = shown < length;
    for (int64_t i = 0; i < got; ++i) {
        if (i == before + shown) {
            hex->append(cut ? L" ..]" : L"]");
            chars->push_back(L']');
        }
        if (i > 0)
            hex->push_back(L' ');
        if (i == before) {
            hex->push_back(L'[');
            chars->push_back(L'[');
        }
        hex->append(FormatText(L"%02X", bytes[i]));
        chars->push_back(bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<wchar_t>(bytes[i])
                                                             : L'.');
    }
    if (got > before && got <= before + shown) {
        hex->append(cut && got == before + shown ? L" ..]" : L"]");
        chars->push_back(L']');
    }
}

} // namespace

CFindResultsWindow::CFindResultsWindow(HINSTANCE instance, HWND owner, ViewState* state)
    : CToolWindow(instance, owner, kKind), m_p_state(state) {
    LoadSettings();
}

CFindResultsWindow::~CFindResultsWindow() {
    StopPass();
    Destroy();
}

void CFindResultsWindow::SetDocument(CallBackInfo* doc) {
    if (doc == m_p_doc) {
        return;
    }
    StopPass();
    m_p_doc = doc;
    m_watch = DocumentWatch(doc, this);
    m_p_list.reset();
    m_p_matcher.reset();
    ShowList();
}

void CFindResultsWindow::ShowResults(std::unique_ptr<MatchList> list,
                                     std::shared_ptr<const SearchMatcher> matcher,
                                     uint64_t generation, int complete) {
    StopPass();
    m_b_expecting = 0;
    m_b_pass_result = complete;
    m_p_list = std::move(list);
    m_p_matcher = std::move(matcher);
    if (m_p_list && m_p_doc != nullptr && m_p_doc->Generation() != generation) {
        // Edited while the pass ran: which matches moved is not known.
        m_p_list->Follow({0, m_p_doc->m_n_data_size, m_p_doc->m_n_data_size, 1});
    }
    Open();
    ShowList();
    SelectFirstRow();
}

void CFindResultsWindow::ExpectResults() {
    StopPass();
    m_b_expecting = 1;
    Open();
    ShowList();
}

void CFindResultsWindow::NoResults() {
    if (m_b_expecting) {
        m_b_expecting = 0;
        ShowList();
    }
}

void CFindResultsWindow::SelectFirstRow() {
    if (m_h_list && m_p_list && m_p_list->Size() > 0) {
        ListView_SetItemState(m_h_list, 0, LVIS_FOCUSED | LVIS_SELECTED,
                              LVIS_FOCUSED | LVIS_SELECTED);
        ListView_EnsureVisible(m_h_list, 0, FALSE);
    }
}

void CFindResultsWindow::DocumentChanged(const CallBackInfo& /*doc*/,
                                         const DocumentChange& change) {
    if (!m_p_list) {
        return;
    }
    m_p_list->Follow(change);
    ShowList();
}

void CFindResultsWindow::OnOpened() {
    ShowList();
}

void CFindResultsWindow::Halt() {
    StopPass();
    ShowList();
}

LRESULT CFindResultsWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case kPassFinished:
        OnPassFinished(wparam);
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK: // Enter on a row, through the dialog keys
            GoToRow(static_cast<int>(ListView_GetNextItem(m_h_list, -1, LVNI_FOCUSED)));
            return 0;
        case IDC_FIND_RESULTS_AGAIN:
            SearchAgain();
            return 0;
        case ID_FIND_RESULTS_COPY:
            CopySelected();
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
            FillItem(reinterpret_cast<NMLVDISPINFOW*>(lparam));
            break;
        case NM_DBLCLK:
            GoToRow(reinterpret_cast<const NMITEMACTIVATE*>(lparam)->iItem);
            break;
        case NM_RETURN:
            // Enter reaches the list itself while another window's dialog
            // loop runs (Find open); otherwise the dialog keys make it IDOK.
            GoToRow(static_cast<int>(ListView_GetNextItem(m_h_list, -1, LVNI_FOCUSED)));
            break;
        case LVN_KEYDOWN:
            if (reinterpret_cast<const NMLVKEYDOWN*>(lparam)->wVKey == 'C' &&
                (GetKeyState(VK_CONTROL) & 0x8000)) {
                CopySelected();
            }
            break;
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

void CFindResultsWindow::CreateControls() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    m_h_status = CreateWindowExW(
        0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, Window(),
        reinterpret_cast<HMENU>(IDC_FIND_RESULTS_STATUS), m_h_instance, nullptr);
    m_h_again = CreateWindowExW(
        0, L"BUTTON", L"Search &again", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, Window(),
        reinterpret_cast<HMENU>(IDC_FIND_RESULTS_AGAIN), m_h_instance, nullptr);
    m_h_list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                                   LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                               0, 0, 0, 0, Window(), reinterpret_cast<HMENU>(IDC_FIND_RESULTS_LIST),
                               m_h_instance, nullptr);
    for (HWND control : {m_h_status, m_h_again, m_h_list}) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    SendMessageW(m_h_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    const struct {
        const wchar_t* m_sz_title;
        int m_n_width;
    } kColumns[] = {{L"Offset", 110}, {L"Length", 70}, {L"Hex", 260}, {L"Characters", 130}};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(kColumns[i].m_sz_title);
        column.cx = kColumns[i].m_n_width;
        column.iSubItem = i;
        SendMessageW(m_h_list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
    Layout();
}

void CFindResultsWindow::Layout() {
    RECT client = {};
    GetClientRect(Window(), &client);
    const int top = kMargin + kStatusHeight + kMargin;
    const bool again = m_h_again && IsWindowVisible(m_h_again);
    const int status_right = client.right - kMargin - (again ? kButtonWidth + kMargin : 0);
    if (m_h_status) {
        MoveWindow(m_h_status, kMargin, kMargin,
                   status_right > kMargin ? status_right - kMargin : 0, kStatusHeight, TRUE);
    }
    if (m_h_again) {
        MoveWindow(m_h_again, client.right - kMargin - kButtonWidth,
                   kMargin + (kStatusHeight - kButtonHeight) / 2, kButtonWidth, kButtonHeight,
                   TRUE);
    }
    if (m_h_list) {
        MoveWindow(m_h_list, 0, top, client.right, client.bottom > top ? client.bottom - top : 0,
                   TRUE);
    }
}

void CFindResultsWindow::ShowList() {
    if (!Window()) {
        return;
    }
    std::wstring text;
    int stale = 0;
    const int searching = m_b_running || m_b_expecting;
    if (searching) {
        text = L"Searching...";
    } else if (m_p_list) {
        text = FormatText(L"%I64d matches", m_p_list->Count());
        if (!m_b_pass_result) {
            text += L" (stopped before the end)";
        }
        if (m_p_list->Truncated()) {
            text += FormatText(L"; listing stopped after the first %I64d",
                               static_cast<int64_t>(m_p_list->Size()));
        }
        stale = m_p_list->Stale();
        if (stale) {
            text += L"\r\nThe document has changed: the list may be stale.";
        }
    }
    SetWindowTextW(m_h_status, text.c_str());
    const bool again = m_p_matcher && m_p_doc != nullptr && !searching && stale;
    if ((IsWindowVisible(m_h_again) != FALSE) != again) {
        ShowWindow(m_h_again, again ? SW_SHOWNA : SW_HIDE);
        Layout();
    }
    const int rows = m_p_list && !searching ? static_cast<int>(m_p_list->Size()) : 0;
    if (ListView_GetItemCount(m_h_list) != rows) {
        ListView_SetItemCountEx(m_h_list, rows, 0);
    }
    InvalidateRect(m_h_list, nullptr, FALSE);
}

void CFindResultsWindow::FillItem(NMLVDISPINFOW* info) {
    LVITEMW& item = info->item;
    if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0) {
        return;
    }
    item.pszText[0] = 0;
    if (!m_p_list || m_b_running || m_b_expecting || item.iItem < 0 ||
        static_cast<size_t>(item.iItem) >= m_p_list->Size()) {
        return;
    }
    const FoundMatch& match = m_p_list->At(static_cast<size_t>(item.iItem));
    std::wstring text;
    switch (item.iSubItem) {
    case kColumnOffset:
        text = OffsetText(match.m_n_offset);
        break;
    case kColumnLength:
        text = FormatText(match.m_b_touched ? L"%u (changed)" : L"%u", match.m_n_length);
        break;
    default: {
        std::wstring hex;
        std::wstring chars;
        if (m_p_doc != nullptr) {
            AroundTexts(m_p_doc, match, &hex, &chars);
        }
        text = item.iSubItem == kColumnHex ? hex : chars;
        break;
    }
    }
    wcsncpy(item.pszText, text.c_str(), static_cast<size_t>(item.cchTextMax) - 1);
    item.pszText[item.cchTextMax - 1] = 0;
}

void CFindResultsWindow::GoToRow(int row) {
    if (!m_p_list || m_b_running || m_b_expecting || m_p_doc == nullptr || row < 0 ||
        static_cast<size_t>(row) >= m_p_list->Size()) {
        return;
    }
    const FoundMatch& match = m_p_list->At(static_cast<size_t>(row));
    SelectFoundMatch(m_p_doc, m_p_state, 1, match.m_n_offset,
                     match.m_n_offset + static_cast<int64_t>(match.m_n_length) - 1);
}

void CFindResultsWindow::CopySelected() {
    if (!m_p_list || m_b_running || m_b_expecting) {
        return;
    }
    std::wstring text;
    for (int row = ListView_GetNextItem(m_h_list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(m_h_list, row, LVNI_SELECTED)) {
        if (static_cast<size_t>(row) >= m_p_list->Size()) {
            break;
        }
        if (!text.empty()) {
            text += L"\r\n";
        }
        text += OffsetText(m_p_list->At(static_cast<size_t>(row)).m_n_offset);
    }
    if (!text.empty()) {
        CopyTextToClipboard(Window(), text);
    }
}

void CFindResultsWindow::ShowRowMenu() {
    MenuHandle menu(CreatePopupMenu());
    if (!menu) {
        return;
    }
    const bool any = ListView_GetNextItem(m_h_list, -1, LVNI_SELECTED) >= 0;
    AppendMenuW(menu.get(), MF_STRING | (any ? 0 : MF_GRAYED), ID_FIND_RESULTS_COPY, L"&Copy");
    POINT cursor = {};
    GetCursorPos(&cursor);
    const UINT chosen = static_cast<UINT>(TrackPopupMenuEx(
        menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD, cursor.x, cursor.y, Window(), nullptr));
    if (chosen == ID_FIND_RESULTS_COPY) {
        CopySelected();
    }
}

void CFindResultsWindow::SearchAgain() {
    if (!m_p_matcher || m_p_doc == nullptr || m_b_running || DocumentBeingRead(m_p_doc)) {
        return;
    }
    StopPass();
    auto request = std::make_shared<SearchRequest>(m_p_doc, -1);
    auto list = std::make_unique<MatchList>();
    MatchList* filled = list.get();
    const WPARAM serial = ++m_n_serial;
    HWND window = Window();
    std::shared_ptr<const SearchMatcher> matcher = m_p_matcher;
    try {
        m_worker = std::thread([request, matcher, filled, window, serial] {
            const int done = FindAll(request.get(), *matcher, filled);
            request->m_snapshot.Reset();
            PostMessageW(window, kPassFinished, serial, done);
        });
    } catch (const std::system_error&) {
        return;
    }
    m_p_request = std::move(request);
    m_p_pending = std::move(list);
    m_n_pending_generation = m_p_doc->Generation();
    m_b_running = 1;
    ShowList();
}

void CFindResultsWindow::StopPass() {
    if (m_p_request) {
        m_p_request->m_b_stop.store(1);
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_p_request.reset();
    m_p_pending.reset();
    m_b_running = 0;
}

void CFindResultsWindow::OnPassFinished(WPARAM serial) {
    if (!m_b_running || serial != m_n_serial) {
        return; // a pass stopped and waited for before this arrived
    }
    const int done = m_p_request ? !m_p_request->m_b_stop.load() : 0;
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_b_running = 0;
    m_b_pass_result = done;
    m_p_list = std::move(m_p_pending);
    m_p_request.reset();
    if (m_p_list && m_p_doc != nullptr && m_p_doc->Generation() != m_n_pending_generation) {
        m_p_list->Follow({0, m_p_doc->m_n_data_size, m_p_doc->m_n_data_size, 1});
    }
    ShowList();
    SelectFirstRow();
}

void CFindResultsWindow::OnDestroyed() {
    StopPass();
    m_h_status = nullptr;
    m_h_again = nullptr;
    m_h_list = nullptr;
}
