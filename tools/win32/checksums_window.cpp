// The checksums window (see checksums_window.h). One computation at a time:
// a change of its basis stops the running one, waits for it (it looks at its
// stop flag every block) and starts anew. View changes come in bursts while
// the user drags a selection or types, so they are gathered for a moment
// before anything is started; and nothing starts while a modal window of the
// owner is up, which may be about to change the document.
#include "tools/win32/checksums_window.h"

#include "base/format_text.h"
#include "data/document.h"
#include "resources/tools_ids.h"
#include "settings/settings_file.h"
#include "tools/checksum_settings.h"
#include "tools/clipboard_commands.h"
#include "tools/win32/tool_list_view.h"
#include "tools/win32/tool_window_place.h"
#include "view/win32/hex_view_control.h"

#include <commctrl.h>

#include <system_error>
#include <vector>

namespace {

constexpr UINT kFinishedMessage = WM_APP + 40;
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT_PTR kSettleTimer = 2;
constexpr UINT kProgressMs = 100;
constexpr UINT kSettleMs = 250;
constexpr int kMargin = 6;
constexpr int kRowHeight = 22;
// Narrower than its minimum, the longest value (SHA-512) no longer shows whole.
const ToolWindowKind kChecksumsKind = {
    L"PelmoraChecksums", L"Pelmora - Checksums", L"checksums", 960, 330, 480};

enum Column : int { kColumnName = 0, kColumnValue = 1, kColumnVerify = 2 };
constexpr int kNameWidth = 90;
constexpr int kVerifyWidth = 70;

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

void SetRowCheck(HWND list, int row, int checked) {
    LVITEMW item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int RowChecked(HWND list, int row) {
    const LRESULT state =
        SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK);
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2 ? 1 : 0;
}

// The computation on the worker thread; the hold keeps the document from
// edits until the last byte has been read.
// The serial tells the window which computation has finished.
void ComputeOnWorker(std::shared_ptr<ChecksumJob> job, HWND window, WPARAM serial,
                     PlaneReadGuard hold) {
    RunChecksums(job.get());
    hold.Release();
    PostMessageW(window, kFinishedMessage, serial, 0);
}

} // namespace

CChecksumsWindow::CChecksumsWindow(HINSTANCE instance, HWND owner)
    : CToolWindow(instance, owner, kChecksumsKind) {
    LoadSettings();
}

CChecksumsWindow::~CChecksumsWindow() {
    Destroy();
    StopWorker();
}

void CChecksumsWindow::ReadKeys(const CSettingsBatch& file, const wchar_t* section) {
    m_n_algorithms = ReadChecksumAlgorithms(file, section);
}

void CChecksumsWindow::WriteKeys(CSettingsBatch* file, const wchar_t* section) const {
    WriteChecksumAlgorithms(file, section, m_n_algorithms);
}

void CChecksumsWindow::SetDocument(CallBackInfo* doc) {
    if (doc == m_p_document) {
        return;
    }
    StopWorker();
    m_p_document = doc;
    m_watch = DocumentWatch(doc, this);
    m_b_has_basis = 0;
    m_n_choice = kChecksumRangeAuto; // a new document starts from its own selection
    m_p_job.reset();
    if (Window()) {
        ShowValues();
        SetStatus(std::wstring());
        // The document is being put in place: computed once things settle.
        SetTimer(Window(), kSettleTimer, kSettleMs, nullptr);
    }
}

void CChecksumsWindow::Halt() {
    if (!m_b_running) {
        return;
    }
    StopWorker();
    m_b_has_basis = 0;
    if (Window()) {
        ShowValues();
        SetStatus(std::wstring());
        SetTimer(Window(), kSettleTimer, kSettleMs, nullptr);
    }
}

void CChecksumsWindow::OnOpened() {
    m_n_choice = kChecksumRangeAuto;
    AddViewChangedListener(OnViewChanged, this);
    Recompute(1);
}

void CChecksumsWindow::RecomputeSoon() {
    if (HWND window = Window()) {
        SetTimer(window, kSettleTimer, kSettleMs, nullptr);
    }
}

// The view changes with the selection, whose range the values may follow.
void CChecksumsWindow::OnViewChanged(void* context) {
    static_cast<CChecksumsWindow*>(context)->RecomputeSoon();
}

void CChecksumsWindow::DocumentChanged(const CallBackInfo& /*doc*/,
                                       const DocumentChange& /*change*/) {
    RecomputeSoon(); // nothing while the window is closed
}

LRESULT CChecksumsWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    HWND window = Window();
    switch (message) {
    case kFinishedMessage:
        if (wparam == m_n_serial) {
            OnFinished();
        }
        return 0;
    case WM_TIMER:
        if (wparam == kProgressTimer && m_b_running && m_p_job) {
            const int64_t total = m_p_job->m_range.m_n_length;
            const int64_t done = m_p_job->m_n_done.load();
            SendMessageW(m_h_progress, PBM_SETPOS,
                         static_cast<WPARAM>(total > 0 ? done * 1000 / total : 0), 0);
        } else if (wparam == kSettleTimer) {
            KillTimer(window, kSettleTimer);
            Recompute(0);
        }
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_CHECKSUMS_SELECTION:
        case IDC_CHECKSUMS_WHOLE:
            if (HIWORD(wparam) == BN_CLICKED) {
                m_n_choice = LOWORD(wparam) == IDC_CHECKSUMS_SELECTION ? kChecksumRangeSelection
                                                                       : kChecksumRangeWhole;
                Recompute(1); // also the way to compute again after a stop
            }
            return 0;
        case IDC_CHECKSUMS_STOP:
            if (m_p_job) {
                m_p_job->m_b_stop.store(1);
            }
            return 0;
        case IDC_CHECKSUMS_VERIFY:
            if (HIWORD(wparam) == EN_CHANGE) {
                CheckVerify();
            }
            return 0;
        case IDC_CHECKSUMS_COPY_ALL:
            CopyAll();
            return 0;
        case ID_CHECKSUMS_COPY:
            CopyRow(SelectedListRow(m_h_list));
            return 0;
        case IDCANCEL:
            Close();
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
        if (header->code == LVN_ITEMCHANGED && !m_b_filling) {
            const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(lparam);
            if ((change->uChanged & LVIF_STATE) &&
                ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK)) {
                OnRowsChanged();
            }
        } else if (header->code == LVN_KEYDOWN) {
            if (IsCopyKey(reinterpret_cast<const NMLVKEYDOWN*>(lparam))) {
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

void CChecksumsWindow::CreateControls() {
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    auto make = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id, DWORD ex = 0) {
        HWND control = CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                       Window(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       m_h_instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    m_h_selection = make(L"BUTTON", L"&Selection", WS_TABSTOP | WS_GROUP | BS_RADIOBUTTON,
                         IDC_CHECKSUMS_SELECTION);
    m_h_whole = make(L"BUTTON", L"&Whole document", BS_RADIOBUTTON, IDC_CHECKSUMS_WHOLE);
    m_h_stop = make(L"BUTTON", L"&Stop", WS_TABSTOP | WS_GROUP | WS_DISABLED, IDC_CHECKSUMS_STOP);
    m_h_range = make(L"STATIC", L"", SS_LEFTNOWORDWRAP, IDC_CHECKSUMS_RANGE);
    m_h_progress = make(PROGRESS_CLASSW, L"", 0, IDC_CHECKSUMS_PROGRESS);
    SendMessageW(m_h_progress, PBM_SETRANGE32, 0, 1000);
    const ListColumn kColumns[] = {
        {L"Algorithm", kNameWidth}, {L"Value", 400}, {L"Verify", kVerifyWidth}};
    m_h_list =
        CreateToolList(Window(), m_h_instance, IDC_CHECKSUMS_LIST,
                       LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_CHECKBOXES, kColumns, 3);
    m_h_verify_label = make(L"STATIC", L"&Verify:", SS_LEFT, IDC_CHECKSUMS_VERIFY_LABEL);
    m_h_verify =
        make(L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, IDC_CHECKSUMS_VERIFY, WS_EX_CLIENTEDGE);
    m_h_verify_result = make(L"STATIC", L"", SS_LEFTNOWORDWRAP, IDC_CHECKSUMS_VERIFY_RESULT);
    m_h_status = make(L"STATIC", L"", SS_LEFTNOWORDWRAP, IDC_CHECKSUMS_STATUS);
    m_h_copy_all = make(L"BUTTON", L"Copy &all", WS_TABSTOP, IDC_CHECKSUMS_COPY_ALL);

    m_b_filling = 1;
    for (int a = 0; a < kChecksumCount; ++a) {
        AppendListRow(m_h_list, ChecksumName(a));
        SetRowCheck(m_h_list, a, (m_n_algorithms >> a) & 1);
    }
    m_b_filling = 0;
    Layout();
}

void CChecksumsWindow::Layout() {
    RECT client = {};
    GetClientRect(Window(), &client);
    const int width = client.right;
    const int height = client.bottom;
    int y = kMargin;
    MoveWindow(m_h_selection, kMargin, y, 100, kRowHeight, TRUE);
    MoveWindow(m_h_whole, kMargin + 106, y, 140, kRowHeight, TRUE);
    MoveWindow(m_h_stop, width - kMargin - 80, y, 80, kRowHeight, TRUE);
    y += kRowHeight + 4;
    const int bar = 140;
    MoveWindow(m_h_range, kMargin, y + 3, width - 3 * kMargin - bar, kRowHeight - 4, TRUE);
    MoveWindow(m_h_progress, width - kMargin - bar, y + 3, bar, kRowHeight - 8, TRUE);
    y += kRowHeight;
    const int bottom = height - kMargin - 2 * kRowHeight - 4;
    MoveWindow(m_h_list, 0, y, width, bottom > y ? bottom - y : 0, TRUE);
    // The value column takes what the others leave, so a SHA-512 shows whole where it can.
    const int value_width = width - kNameWidth - kVerifyWidth - GetSystemMetrics(SM_CXVSCROLL) - 4;
    SendMessageW(m_h_list, LVM_SETCOLUMNWIDTH, kColumnValue, value_width > 120 ? value_width : 120);
    y = bottom + 4;
    MoveWindow(m_h_verify_label, kMargin, y + 3, 44, kRowHeight - 4, TRUE);
    const int result = 160;
    const int field = width - 4 * kMargin - 44 - result;
    MoveWindow(m_h_verify, kMargin * 2 + 44, y, field > 40 ? field : 40, kRowHeight, TRUE);
    MoveWindow(m_h_verify_result, width - kMargin - result, y + 3, result, kRowHeight - 4, TRUE);
    y += kRowHeight + 4;
    MoveWindow(m_h_status, kMargin, y + 3, width - 3 * kMargin - 80, kRowHeight - 4, TRUE);
    MoveWindow(m_h_copy_all, width - kMargin - 80, y, 80, kRowHeight, TRUE);
}

CChecksumsWindow::Basis CChecksumsWindow::CurrentBasis() const {
    Basis basis;
    basis.m_p_document = m_p_document;
    if (m_p_document != nullptr) {
        basis.m_p_plane = m_p_document->m_p_data_plane;
        basis.m_n_generation =
            m_p_document->m_p_data_plane ? m_p_document->m_p_data_plane->m_n_generation : 0;
        basis.m_range = ChecksumRangeOf(m_p_document, m_n_choice);
    }
    basis.m_n_algorithms = m_n_algorithms;
    return basis;
}

void CChecksumsWindow::Recompute(int force) {
    if (!Window()) {
        return;
    }
    ShowRadios();
    const Basis basis = CurrentBasis();
    if (!force && m_b_has_basis && basis == m_basis) {
        return;
    }
    // A modal window of the owner may be about to change the document: later.
    if (!IsWindowEnabled(m_h_owner)) {
        SetTimer(Window(), kSettleTimer, kSettleMs, nullptr);
        return;
    }
    StopWorker();
    m_basis = basis;
    m_b_has_basis = 1;
    m_p_job.reset();
    ShowRange(basis.m_range, ChecksumUsesSelection(m_p_document, m_n_choice));
    ShowValues();
    if (m_p_document == nullptr) {
        SetStatus(std::wstring());
        return;
    }
    auto job = std::make_shared<ChecksumJob>();
    job->m_p_document = m_p_document;
    job->m_range = basis.m_range;
    job->m_n_algorithms = basis.m_n_algorithms;
    try {
        m_worker = std::thread(ComputeOnWorker, job, Window(), static_cast<WPARAM>(++m_n_serial),
                               HoldForReading(m_p_document));
    } catch (const std::system_error&) {
        SetStatus(L"The computation could not be started");
        return;
    }
    m_p_job = job;
    m_b_running = 1;
    SetStatus(L"Computing...");
    SendMessageW(m_h_progress, PBM_SETPOS, 0, 0);
    EnableWindow(m_h_stop, TRUE);
    SetTimer(Window(), kProgressTimer, kProgressMs, nullptr);
}

void CChecksumsWindow::StopWorker() {
    if (m_p_job) {
        m_p_job->m_b_stop.store(1);
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
    if (m_b_running) {
        m_b_running = 0;
        if (Window()) {
            KillTimer(Window(), kProgressTimer);
            EnableWindow(m_h_stop, FALSE);
        }
    }
}

void CChecksumsWindow::OnFinished() {
    if (!m_b_running) {
        return; // a computation stopped and waited for before this arrived
    }
    const bool stop_had_focus = GetFocus() == m_h_stop;
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_b_running = 0;
    KillTimer(Window(), kProgressTimer);
    EnableWindow(m_h_stop, FALSE);
    if (stop_had_focus) {
        SetFocus(m_h_list);
    }
    const ChecksumJob& job = *m_p_job;
    SendMessageW(m_h_progress, PBM_SETPOS, job.m_n_status == kChecksumDone ? 1000 : 0, 0);
    if (job.m_n_status == kChecksumStopped) {
        SetStatus(L"Stopped");
    } else if (job.m_n_status != kChecksumDone) {
        SetStatus(L"The bytes could not be read");
    } else if (job.m_n_unreadable > 0) {
        SetStatus(FormatText(L"%I64d unreadable bytes counted as zeros", job.m_n_unreadable));
    } else {
        SetStatus(L"Done");
    }
    ShowValues();
}

void CChecksumsWindow::ShowRange(const ChecksumRange& range, int selection) {
    const wchar_t* what = selection ? L"Selection" : L"Whole document";
    std::wstring text;
    if (m_p_document == nullptr) {
        text = L"No document";
    } else if (range.m_n_length == 0) {
        text = FormatText(L"%s: no bytes", what);
    } else {
        text = FormatText(L"%s: 0x%I64X to 0x%I64X, %I64d bytes", what, range.m_n_first,
                          range.m_n_first + range.m_n_length - 1, range.m_n_length);
    }
    SetWindowTextW(m_h_range, text.c_str());
}

void CChecksumsWindow::ShowValues() {
    const bool done = m_p_job && !m_b_running && m_p_job->m_n_status == kChecksumDone;
    for (int a = 0; a < kChecksumCount; ++a) {
        SetListCell(m_h_list, a, kColumnValue, done ? Wide(m_p_job->m_sz_values[a]) : L"");
    }
    CheckVerify();
}

void CChecksumsWindow::ShowRadios() {
    const int selection = ChecksumUsesSelection(m_p_document, m_n_choice);
    SendMessageW(m_h_selection, BM_SETCHECK, selection ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(m_h_whole, BM_SETCHECK, selection ? BST_UNCHECKED : BST_CHECKED, 0);
}

void CChecksumsWindow::CheckVerify() {
    const std::wstring wanted = WindowText(m_h_verify);
    const bool done = m_p_job && !m_b_running && m_p_job->m_n_status == kChecksumDone;
    const int match = done ? MatchChecksum(*m_p_job, wanted) : -1;
    for (int a = 0; a < kChecksumCount; ++a) {
        SetListCell(m_h_list, a, kColumnVerify, a == match ? L"matches" : L"");
    }
    std::wstring result;
    if (match >= 0) {
        result = FormatText(L"Matches %s", ChecksumName(match));
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(m_h_list, LVM_SETITEMSTATE, static_cast<WPARAM>(match),
                     reinterpret_cast<LPARAM>(&item));
        SendMessageW(m_h_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(match), FALSE);
    } else if (done && !wanted.empty()) {
        result = L"No row matches";
    }
    SetWindowTextW(m_h_verify_result, result.c_str());
}

void CChecksumsWindow::OnRowsChanged() {
    uint32_t chosen = 0;
    for (int a = 0; a < kChecksumCount; ++a) {
        chosen |= static_cast<uint32_t>(RowChecked(m_h_list, a)) << a;
    }
    if (chosen == m_n_algorithms) {
        return;
    }
    m_n_algorithms = chosen;
    SaveSettings();
    SetTimer(Window(), kSettleTimer, kSettleMs, nullptr);
}

void CChecksumsWindow::CopyRow(int row) {
    if (row < 0 || row >= kChecksumCount || !m_p_job || m_b_running ||
        m_p_job->m_sz_values[row].empty()) {
        return;
    }
    CopyTextToClipboard(Window(), Wide(m_p_job->m_sz_values[row]));
}

void CChecksumsWindow::CopyAll() {
    if (!m_p_job || m_b_running || m_p_job->m_n_status != kChecksumDone) {
        return;
    }
    CopyTextToClipboard(Window(), ChecksumLines(*m_p_job));
}

void CChecksumsWindow::ShowRowMenu() {
    MenuHandle menu(CreatePopupMenu());
    if (!menu) {
        return;
    }
    const int row = SelectedListRow(m_h_list);
    const bool done = m_p_job && !m_b_running && m_p_job->m_n_status == kChecksumDone;
    const bool has_value = done && row >= 0 && !m_p_job->m_sz_values[row].empty();
    AppendMenuW(menu.get(), MF_STRING | (has_value ? 0 : MF_GRAYED), ID_CHECKSUMS_COPY,
                L"&Copy value");
    AppendMenuW(menu.get(), MF_STRING | (done ? 0 : MF_GRAYED), IDC_CHECKSUMS_COPY_ALL,
                L"Copy &all");
    const UINT chosen = TrackMenuAtCursor(menu.get(), Window());
    if (chosen == ID_CHECKSUMS_COPY) {
        CopyRow(row);
    } else if (chosen == IDC_CHECKSUMS_COPY_ALL) {
        CopyAll();
    }
}

void CChecksumsWindow::SetStatus(const std::wstring& text) {
    if (m_h_status) {
        SetWindowTextW(m_h_status, text.c_str());
    }
}

void CChecksumsWindow::OnDestroyed() {
    RemoveViewChangedListener(this);
    StopWorker();
    m_b_has_basis = 0;
    m_h_selection = nullptr;
    m_h_whole = nullptr;
    m_h_stop = nullptr;
    m_h_range = nullptr;
    m_h_progress = nullptr;
    m_h_list = nullptr;
    m_h_verify_label = nullptr;
    m_h_verify = nullptr;
    m_h_verify_result = nullptr;
    m_h_status = nullptr;
    m_h_copy_all = nullptr;
}
