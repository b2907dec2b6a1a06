// The Find dialog (template 106). Searches run on a worker thread that never
// calls into this thread: it posts its start and its result to the dialog,
// which changes the buttons and selects the match itself. Each search has a
// request of its own (document, start, stop flag); stopping sets the flags
// and joins the workers, which sees them within one 64 KiB
// slice, so "&Stop" and closing the dialog return promptly.
#include "base/messages.h"
#include "data/document.h"
#include "resources/tools_ids.h"
#include "tools/find.h"
#include "tools/find_all.h"
#include "tools/tool_commands.h"
#include "tools/win32/find_results_window.h"
#include "view/view_state.h"

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr UINT kSearchStarted = WM_APP + 10;
constexpr UINT kSearchFinished = WM_APP + 11;

// What a search is asked to look for, read from the controls on this thread.
struct SearchOrder {
    HWND m_h_dialog;
    int m_n_direction; // 1 forward, 0 backward
    std::wstring m_sz_text;
    int m_n_mode;
    int32_t m_n_code_page;
    int m_b_all = 0;             // "Find all": count and list every match
    uint64_t m_n_generation = 0; // the document's when the snapshot was taken
};

// A search thread, the request it runs (whose stop flag this thread sets) and
// whether it has done its work (it then only returns).
struct SearchThread {
    std::thread m_thread;
    std::shared_ptr<SearchRequest> m_p_request;
    std::shared_ptr<std::atomic<int>> m_p_done;
};

struct SearchControl {
    // Finished ones are joined at the next start, all of them by StopSearch.
    std::vector<SearchThread> m_workers;
    std::mutex m_search_lock; // held by the running search
    std::mutex m_result_lock;
    int64_t m_n_found = -1;
    int64_t m_n_found_end = -1;
    int m_n_found_direction = 1;
    int m_b_stopped = 0; // the search was stopped before its end
    // What the last "Find all" found, for the results window.
    int m_b_all = 0;
    std::unique_ptr<MatchList> m_p_all;
    std::shared_ptr<const SearchMatcher> m_p_all_matcher;
    uint64_t m_n_all_generation = 0;
};

SearchControl& Control() {
    static SearchControl control;
    return control;
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

void SetButtons(HWND dialog, int searching) {
    EnableWindow(GetDlgItem(dialog, IDC_FIND_PREVIOUS), !searching);
    EnableWindow(GetDlgItem(dialog, IDC_FIND_NEXT), !searching);
    EnableWindow(GetDlgItem(dialog, IDC_FIND_ALL), !searching);
    EnableWindow(GetDlgItem(dialog, IDC_FIND_STOP), searching);
}

// What the dialog searches and where it shows a match, given when it was made.
struct FindTarget {
    CallBackInfo* m_p_doc;
    ViewState* m_p_state;
    CFindResultsWindow* m_p_results;
};

const FindTarget* TargetOf(HWND dialog) {
    return reinterpret_cast<const FindTarget*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

CallBackInfo* DocumentOf(HWND dialog) {
    const FindTarget* target = TargetOf(dialog);
    return target != nullptr ? target->m_p_doc : nullptr;
}

void PostProgressToBar(HWND dialog) {
    if (CallBackInfo* doc = DocumentOf(dialog))
        doc->PostProgress(GetDlgItem(dialog, IDC_FIND_PROGRESS));
}

// The worker's search half: the pattern from the order, the request's document searched.
int64_t RunSearch(const SearchOrder& order, SearchRequest* request, int64_t* end) {
    *end = -1;
    if (order.m_sz_text.empty() || request->m_p_document == nullptr)
        return -1;
    return FindPattern(request, order.m_n_mode, order.m_sz_text.c_str(), order.m_n_direction, end,
                       order.m_n_code_page);
}

// The worker's "Find all" half: the pass over the request's snapshot, its
// matches and matcher handed to the results.
void RunFindAll(const SearchOrder& order, SearchRequest* request) {
    std::unique_ptr<MatchList> list;
    std::shared_ptr<const SearchMatcher> matcher;
    const std::vector<uint8_t> pattern =
        order.m_sz_text.empty()
            ? std::vector<uint8_t>()
            : BuildFindPattern(order.m_n_mode, order.m_sz_text.c_str(), order.m_n_code_page);
    if (!pattern.empty() && request->m_p_document != nullptr) {
        matcher = MakeExactMatcher(pattern.data(), pattern.size());
        list = std::make_unique<MatchList>();
        FindAll(request, *matcher, list.get());
    }
    std::lock_guard<std::mutex> result(Control().m_result_lock);
    SearchControl& control = Control();
    control.m_b_all = 1;
    control.m_p_all = std::move(list);
    control.m_p_all_matcher = std::move(matcher);
    control.m_n_all_generation = order.m_n_generation;
    control.m_b_stopped = request->m_b_stop.load();
}

// The request's snapshot is what the search reads, so the document may be
// edited meanwhile; the snapshot goes with the request.
void SearchWorker(SearchOrder order, std::shared_ptr<SearchRequest> request,
                  std::shared_ptr<std::atomic<int>> done) {
    SearchControl& control = Control();
    std::lock_guard<std::mutex> lock(control.m_search_lock);
    PostMessageW(order.m_h_dialog, kSearchStarted, 0, 0);
    if (order.m_b_all) {
        RunFindAll(order, request.get());
        request->m_snapshot.Reset();
        PostMessageW(order.m_h_dialog, kSearchFinished, 0, 0);
        done->store(1);
        return;
    }
    int64_t end = -1;
    const int64_t found = RunSearch(order, request.get(), &end);
    request->m_snapshot.Reset();
    {
        std::lock_guard<std::mutex> result(control.m_result_lock);
        control.m_n_found = found;
        control.m_n_found_end = end;
        control.m_n_found_direction = order.m_n_direction;
        control.m_b_stopped = request->m_b_stop.load();
        control.m_b_all = 0;
    }
    PostMessageW(order.m_h_dialog, kSearchFinished, 0, 0);
    done->store(1);
}

// Snapshot of the controls; false when nothing is to be searched.
bool ReadOrder(HWND dialog, int direction, SearchOrder* order) {
    order->m_h_dialog = dialog;
    order->m_n_direction = direction;
    order->m_sz_text = WindowText(GetDlgItem(dialog, IDC_FIND_PATTERN));
    order->m_n_code_page = 0;
    if (IsDlgButtonChecked(dialog, IDC_FIND_HEX) == BST_CHECKED) {
        order->m_n_mode = kFindModeHex;
        return true;
    }
    if (IsDlgButtonChecked(dialog, IDC_FIND_TEXT) != BST_CHECKED)
        return false;
    const LRESULT index = SendDlgItemMessageW(dialog, IDC_FIND_CODE_PAGE, CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= 4)
        return false;
    order->m_n_mode = kFindModeText;
    order->m_n_code_page = FindCodePages[index].m_n_code_page;
    return true;
}

// direction 1 forward, 0 backward; all 1 for "Find all".
void StartSearch(HWND dialog, int direction, int all = 0) {
    SearchOrder order;
    if (!ReadOrder(dialog, direction, &order))
        order.m_sz_text.clear();
    CallBackInfo* doc = DocumentOf(dialog);
    order.m_b_all = all;
    order.m_n_generation = doc != nullptr ? doc->Generation() : 0;
    auto request =
        std::make_shared<SearchRequest>(doc, doc != nullptr ? SearchStart(doc, direction) : 0);
    // Threads of earlier searches that have finished are released here.
    SearchControl& control = Control();
    for (auto it = control.m_workers.begin(); it != control.m_workers.end();) {
        if (it->m_p_done->load() && it->m_thread.joinable()) {
            it->m_thread.join();
            it = control.m_workers.erase(it);
        } else {
            ++it;
        }
    }
    auto done = std::make_shared<std::atomic<int>>(0);
    std::thread worker;
    try {
        worker = std::thread(SearchWorker, order, request, done);
    } catch (const std::system_error&) {
        ShowMessage(L"The search could not be started.");
        return;
    }
    control.m_workers.push_back(SearchThread{std::move(worker), request, done});
    // The buttons turn grey as soon as the search is asked for, so a second
    // click cannot slip in before the worker has announced itself.
    SetButtons(dialog, 1);
    SetDlgItemTextW(dialog, IDC_FIND_RESULT, L"");
    SetTimer(dialog, IDT_FIND_PROGRESS, 100, nullptr);
}

void StopSearch() {
    SearchControl& control = Control();
    for (SearchThread& worker : control.m_workers)
        worker.m_p_request->m_b_stop.store(1);
    for (SearchThread& worker : control.m_workers)
        if (worker.m_thread.joinable())
            worker.m_thread.join();
    control.m_workers.clear();
}

// A "Find all" ended: its count beside the bar, its matches in the results
// window (the first rows shown at once).
void OnFindAllFinished(HWND dialog) {
    SearchControl& control = Control();
    std::unique_ptr<MatchList> list;
    std::shared_ptr<const SearchMatcher> matcher;
    uint64_t generation = 0;
    int stopped = 0;
    {
        std::lock_guard<std::mutex> result(control.m_result_lock);
        list = std::move(control.m_p_all);
        matcher = std::move(control.m_p_all_matcher);
        generation = control.m_n_all_generation;
        stopped = control.m_b_stopped;
    }
    KillTimer(dialog, IDT_FIND_PROGRESS);
    PostProgressToBar(dialog);
    SetButtons(dialog, 0);
    const FindTarget* target = TargetOf(dialog);
    CFindResultsWindow* results = target != nullptr ? target->m_p_results : nullptr;
    if (!list) {
        SetDlgItemTextW(dialog, IDC_FIND_RESULT, L"");
        if (results != nullptr)
            results->NoResults();
        return;
    }
    const std::wstring said =
        stopped ? std::wstring(L"Stopped") : std::to_wstring(list->Count()) + L" matches";
    SetDlgItemTextW(dialog, IDC_FIND_RESULT, said.c_str());
    if (results != nullptr)
        results->ShowResults(std::move(list), std::move(matcher), generation, stopped ? 0 : 1);
}

void OnSearchFinished(HWND dialog) {
    SearchControl& control = Control();
    int all = 0;
    {
        std::lock_guard<std::mutex> result(control.m_result_lock);
        all = control.m_b_all;
    }
    if (all) {
        OnFindAllFinished(dialog);
        return;
    }
    int64_t found = -1;
    int64_t end = -1;
    int direction = 1;
    int stopped = 0;
    {
        std::lock_guard<std::mutex> result(control.m_result_lock);
        found = control.m_n_found;
        end = control.m_n_found_end;
        direction = control.m_n_found_direction;
        stopped = control.m_b_stopped;
    }
    KillTimer(dialog, IDT_FIND_PROGRESS);
    PostProgressToBar(dialog);
    SetButtons(dialog, 0);
    const FindTarget* target = TargetOf(dialog);
    if (target != nullptr)
        SelectFoundMatch(target->m_p_doc, target->m_p_state, direction, found, end);
    // A search that ends without a match says so here, not in a message box,
    // so that the next search is one key away.
    const bool asked = !WindowText(GetDlgItem(dialog, IDC_FIND_PATTERN)).empty();
    const wchar_t* said = found >= 0 || !asked ? L"" : stopped ? L"Stopped" : L"Not found";
    SetDlgItemTextW(dialog, IDC_FIND_RESULT, said);
}

void OnInitDialog(HWND dialog, const FindTarget* target) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(target));
    CallBackInfo* doc = target->m_p_doc;
    RememberedFind& memory = FindMemory();
    const int mode = memory.m_n_mode == IDC_FIND_TEXT ? IDC_FIND_TEXT : IDC_FIND_HEX;
    CheckRadioButton(dialog, IDC_FIND_HEX, IDC_FIND_TEXT, mode);
    if (memory.m_b_has_pattern)
        SetDlgItemTextW(dialog, IDC_FIND_PATTERN, std::wstring(memory.m_sz_pattern).c_str());
    HWND list = GetDlgItem(dialog, IDC_FIND_CODE_PAGE);
    for (const FindCodePage& page : FindCodePages)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(page.m_sz_name));
    SendMessageW(list, CB_SETCURSEL, 0, 0);
    EnableWindow(list, mode == IDC_FIND_TEXT);
    if (doc != nullptr) {
        const int64_t lo =
            doc->m_n_sel_anchor < doc->m_n_sel_active ? doc->m_n_sel_anchor : doc->m_n_sel_active;
        doc->m_n_progress_total = (doc->m_n_data_size - 1) / 65536;
        doc->m_n_progress_pos = lo / 65536;
        PostProgressToBar(dialog);
    }
}

// The pattern edit changed: remember the text; in hex mode keep only hex digits.
void OnPatternUpdate(HWND dialog) {
    HWND edit = GetDlgItem(dialog, IDC_FIND_PATTERN);
    const std::wstring text = WindowText(edit);
    RememberedFind& memory = FindMemory();
    memory.m_sz_pattern = text;
    memory.m_b_has_pattern = text.empty() ? 0 : 1;
    if (IsDlgButtonChecked(dialog, IDC_FIND_HEX) != BST_CHECKED)
        return;
    const size_t cut = HexFilterCut(text.c_str());
    if (cut == text.size())
        return;
    const std::wstring kept = text.substr(0, cut);
    SetWindowTextW(edit, kept.c_str());
    SendMessageW(edit, EM_SETSEL, cut, cut);
}

void OnModeClicked(HWND dialog, int id) {
    SetDlgItemTextW(dialog, IDC_FIND_PATTERN, L"");
    RememberedFind& memory = FindMemory();
    memory.m_sz_pattern.clear();
    memory.m_b_has_pattern = 0;
    memory.m_n_mode = id;
    EnableWindow(GetDlgItem(dialog, IDC_FIND_CODE_PAGE), id == IDC_FIND_TEXT);
    SetFocus(GetDlgItem(dialog, IDC_FIND_PATTERN));
}

INT_PTR CALLBACK FindDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog, reinterpret_cast<const FindTarget*>(lparam));
        return TRUE;
    case kSearchStarted:
        SetButtons(dialog, 1);
        SetTimer(dialog, IDT_FIND_PROGRESS, 100, nullptr);
        return TRUE;
    case kSearchFinished:
        OnSearchFinished(dialog);
        return TRUE;
    case WM_TIMER:
        if (wparam == IDT_FIND_PROGRESS)
            PostProgressToBar(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
        case IDC_FIND_NEXT:
            StartSearch(dialog, 1);
            SetFocus(GetDlgItem(dialog, IDC_FIND_PATTERN));
            return TRUE;
        case IDC_FIND_PREVIOUS:
            StartSearch(dialog, 0);
            SetFocus(GetDlgItem(dialog, IDC_FIND_PATTERN));
            return TRUE;
        case IDC_FIND_ALL:
            // The results window opens as the pass starts, so its rows show
            // the moment the pass ends.
            if (const FindTarget* target = TargetOf(dialog))
                if (target->m_p_results != nullptr)
                    target->m_p_results->ExpectResults();
            StartSearch(dialog, 1, 1);
            SetFocus(GetDlgItem(dialog, IDC_FIND_PATTERN));
            return TRUE;
        case IDCANCEL:
        case IDC_FIND_EXIT:
            SendMessageW(dialog, WM_CLOSE, 0, 0);
            return TRUE;
        case IDC_FIND_HEX:
        case IDC_FIND_TEXT:
            if (HIWORD(wparam) == BN_CLICKED)
                OnModeClicked(dialog, LOWORD(wparam));
            return TRUE;
        case IDC_FIND_PATTERN:
            if (HIWORD(wparam) == EN_UPDATE)
                OnPatternUpdate(dialog);
            return TRUE;
        case IDC_FIND_STOP:
            StopSearch();
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        StopSearch();
        KillTimer(dialog, IDT_FIND_PROGRESS);
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    case WM_DESTROY:
        // Destroyed without WM_CLOSE (with its owner, at the end of the
        // session): the search still stops and every thread is joined.
        if (!Control().m_workers.empty())
            StopSearch();
        KillTimer(dialog, IDT_FIND_PROGRESS);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

void OnFindCommand(void* owner_window, CallBackInfo* doc, ViewState* state,
                   CFindResultsWindow* results) {
    if (doc == nullptr || DocumentBeingRead(doc))
        return;
    FindTarget target = {doc, state, results};
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FIND),
                    static_cast<HWND>(owner_window), FindDlgProc,
                    reinterpret_cast<LPARAM>(&target));
    // A pass cut short by closing the dialog never reported.
    if (results != nullptr)
        results->NoResults();
}
