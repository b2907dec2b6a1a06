// The Find dialog (template 106), also opened with its replace row. Searches
// and Replace all passes run on a worker thread that never calls into this
// thread: it posts its start and its result to the dialog, which changes the
// buttons, selects the match and makes the replacements itself. Each job has
// a request of its own (document, start, stop flag, snapshot); stopping sets
// the flags and joins the workers, which see them within one 64 KiB slice,
// so "&Stop" and closing the dialog return promptly.
#include "base/messages.h"
#include "data/document.h"
#include "resources/tools_ids.h"
#include "tools/find.h"
#include "tools/find_all.h"
#include "tools/find_query.h"
#include "tools/masked_pattern.h"
#include "tools/replace_all.h"
#include "tools/tool_commands.h"
#include "tools/value_decoder.h"
#include "tools/win32/find_results_window.h"
#include "view/selection.h"
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

// The value types offered, in the order of the type list.
constexpr int kFirstValueType = kTypeInt8;
constexpr int kValueTypeCount = kTypeFloat64 - kTypeInt8 + 1;

// The dialog's height in dialog units without its replace row.
constexpr int kFindOnlyHeight = 142;

// What a job is asked to do, read from the controls on this thread: a search
// in a direction, the pass of a Replace all, or the pass of a Find all.
struct SearchOrder {
    HWND m_h_dialog;
    int m_n_direction; // 1 forward, 0 backward
    int m_b_replace_all;
    std::shared_ptr<const SearchMatcher> m_p_matcher;
    std::vector<uint8_t> m_with; // Replace all: the replacement bytes
    int m_b_all = 0;             // Find all: count and list every match
};

// A worker thread, the request it runs (whose stop flag this thread sets) and
// whether it has done its work (it then only returns).
struct SearchThread {
    std::thread m_thread;
    std::shared_ptr<SearchRequest> m_p_request;
    std::shared_ptr<std::atomic<int>> m_p_done;
};

struct SearchControl {
    // Finished ones are joined at the next start, all of them by StopSearch.
    std::vector<SearchThread> m_workers;
    std::mutex m_search_lock; // held by the running job
    std::mutex m_result_lock;
    int64_t m_n_found = -1;
    int64_t m_n_found_end = -1;
    int m_n_found_direction = 1;
    int m_b_stopped = 0; // the job was stopped before its end
    int m_b_replace_all = 0;
    std::shared_ptr<ReplacePlan> m_p_plan; // the finished pass's replacements
    uint64_t m_n_plan_generation = 0;      // the document's generation it read
    // What the last Find all found, for the results window.
    int m_b_all = 0;
    std::unique_ptr<MatchList> m_p_all;
    std::shared_ptr<const SearchMatcher> m_p_all_matcher;
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
    for (int id :
         {IDC_FIND_PREVIOUS, IDC_FIND_NEXT, IDC_FIND_ALL, IDC_FIND_REPLACE, IDC_FIND_REPLACE_ALL})
        EnableWindow(GetDlgItem(dialog, id), !searching);
    EnableWindow(GetDlgItem(dialog, IDC_FIND_STOP), searching);
}

void SayResult(HWND dialog, const std::wstring& text) {
    SetDlgItemTextW(dialog, IDC_FIND_RESULT, text.c_str());
}

// What the dialog searches and where it shows a match, given when it was made.
struct FindTarget {
    CallBackInfo* m_p_doc;
    ViewState* m_p_state;
    int m_b_replace; // opened with the replace row
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

int Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0;
}

// The query the controls describe for the text of the edit with that ID.
FindQuery ReadQuery(HWND dialog, int edit_id) {
    FindQuery query;
    query.m_sz_text = WindowText(GetDlgItem(dialog, edit_id));
    if (Checked(dialog, IDC_FIND_TEXT)) {
        query.m_n_mode = kFindModeText;
        const LRESULT index = SendDlgItemMessageW(dialog, IDC_FIND_CODE_PAGE, CB_GETCURSEL, 0, 0);
        query.m_n_code_page = FindCodePages[index >= 0 && index < 4 ? index : 0].m_n_code_page;
        query.m_b_match_case = Checked(dialog, IDC_FIND_MATCH_CASE);
    } else if (Checked(dialog, IDC_FIND_VALUE)) {
        query.m_n_mode = kFindModeValue;
        const LRESULT index = SendDlgItemMessageW(dialog, IDC_FIND_VALUE_TYPE, CB_GETCURSEL, 0, 0);
        query.m_n_value_type = kFirstValueType + static_cast<int>(index >= 0 ? index : 0);
        query.m_b_big_endian = Checked(dialog, IDC_FIND_BIG_ENDIAN);
    }
    return query;
}

// The matcher of the pattern; null with the refusal shown on the result line
// (nothing shows for an empty pattern).
std::shared_ptr<const SearchMatcher> PatternMatcherOf(HWND dialog) {
    std::wstring message;
    std::shared_ptr<const SearchMatcher> matcher =
        MakeQueryMatcher(ReadQuery(dialog, IDC_FIND_PATTERN), &message);
    if (matcher == nullptr)
        SayResult(dialog, message);
    return matcher;
}

// The worker's half of a search: forward or backward from the request's start.
int64_t RunSearch(const SearchOrder& order, SearchRequest* request, int64_t* end) {
    *end = -1;
    if (request->m_p_document == nullptr)
        return -1;
    // Backwards from before the first byte there is nothing to search.
    if (!order.m_n_direction && request->m_n_from < 0)
        return -1;
    int64_t length = 0;
    const int64_t p = order.m_n_direction ? SearchForward(request, *order.m_p_matcher, &length)
                                          : SearchBackward(request, *order.m_p_matcher, &length);
    if (p >= 0)
        *end = p + length - 1;
    return p;
}

// The request's snapshot is what the job reads, so the document may be edited
// meanwhile; the snapshot goes with the request.
void SearchWorker(SearchOrder order, std::shared_ptr<SearchRequest> request,
                  std::shared_ptr<std::atomic<int>> done) {
    SearchControl& control = Control();
    std::lock_guard<std::mutex> lock(control.m_search_lock);
    PostMessageW(order.m_h_dialog, kSearchStarted, 0, 0);
    int64_t end = -1;
    int64_t found = -1;
    std::shared_ptr<ReplacePlan> plan;
    std::unique_ptr<MatchList> all;
    if (order.m_b_all) {
        all = std::make_unique<MatchList>();
        FindAll(request.get(), *order.m_p_matcher, all.get());
    } else if (order.m_b_replace_all) {
        plan = std::make_shared<ReplacePlan>();
        SnapshotSearch search(request->m_p_document, request->m_snapshot, *order.m_p_matcher,
                              &request->m_b_stop);
        if (!CollectReplacements(&search, &request->m_b_stop, std::move(order.m_with), plan.get()))
            plan.reset();
    } else {
        found = RunSearch(order, request.get(), &end);
    }
    request->m_snapshot.Reset();
    {
        std::lock_guard<std::mutex> result(control.m_result_lock);
        control.m_n_found = found;
        control.m_n_found_end = end;
        control.m_n_found_direction = order.m_n_direction;
        control.m_b_stopped = request->m_b_stop.load();
        control.m_b_replace_all = order.m_b_replace_all;
        control.m_p_plan = std::move(plan);
        control.m_b_all = order.m_b_all;
        control.m_p_all = std::move(all);
        if (order.m_b_all)
            control.m_p_all_matcher = order.m_p_matcher;
    }
    PostMessageW(order.m_h_dialog, kSearchFinished, 0, 0);
    done->store(1);
}

// Starts a job on a worker; a search starts after from (forward) or ends at
// it (backward).
void StartJob(HWND dialog, SearchOrder order, int64_t from) {
    CallBackInfo* doc = DocumentOf(dialog);
    auto request = std::make_shared<SearchRequest>(doc, from);
    // Threads of earlier jobs that have finished are released here.
    SearchControl& control = Control();
    for (auto it = control.m_workers.begin(); it != control.m_workers.end();) {
        if (it->m_p_done->load() && it->m_thread.joinable()) {
            it->m_thread.join();
            it = control.m_workers.erase(it);
        } else {
            ++it;
        }
    }
    if (doc != nullptr)
        control.m_n_plan_generation = doc->Generation();
    auto done = std::make_shared<std::atomic<int>>(0);
    std::thread worker;
    try {
        worker = std::thread(SearchWorker, std::move(order), request, done);
    } catch (const std::system_error&) {
        ShowMessage(L"The search could not be started.");
        return;
    }
    control.m_workers.push_back(SearchThread{std::move(worker), request, done});
    // The buttons turn grey as soon as the job is asked for, so a second
    // click cannot slip in before the worker has announced itself.
    SetButtons(dialog, 1);
    SayResult(dialog, L"");
    SetTimer(dialog, IDT_FIND_PROGRESS, 100, nullptr);
}

void StartSearch(HWND dialog, int direction, int64_t from) {
    CallBackInfo* doc = DocumentOf(dialog);
    if (doc == nullptr)
        return;
    SayResult(dialog, L"");
    std::shared_ptr<const SearchMatcher> matcher = PatternMatcherOf(dialog);
    if (matcher == nullptr)
        return;
    StartJob(dialog, SearchOrder{dialog, direction, 0, std::move(matcher), {}}, from);
}

void StartSearch(HWND dialog, int direction) {
    if (CallBackInfo* doc = DocumentOf(dialog))
        StartSearch(dialog, direction, SearchStart(doc, direction));
}

// "Find &all": one pass from the first byte. The results window opens as the
// pass starts, so its rows show the moment the pass ends.
void StartFindAll(HWND dialog) {
    const FindTarget* target = TargetOf(dialog);
    if (target == nullptr || target->m_p_doc == nullptr)
        return;
    SayResult(dialog, L"");
    std::shared_ptr<const SearchMatcher> matcher = PatternMatcherOf(dialog);
    if (matcher == nullptr)
        return;
    if (target->m_p_results != nullptr)
        target->m_p_results->ExpectResults();
    SearchOrder order{dialog, 1, 0, std::move(matcher), {}};
    order.m_b_all = 1;
    StartJob(dialog, std::move(order), -1);
}

// The replacement bytes and the pattern's matcher for a replace; false with
// the reason shown when there is nothing to replace or it may not be done.
bool ReadReplace(HWND dialog, std::shared_ptr<const SearchMatcher>* matcher,
                 std::vector<uint8_t>* with) {
    const FindTarget* target = TargetOf(dialog);
    SayResult(dialog, L"");
    if (target == nullptr || target->m_p_doc == nullptr)
        return false;
    if (target->m_p_state == nullptr || !target->m_p_state->m_b_edit_mode) {
        SayResult(dialog, L"Edit mode is off: nothing is replaced");
        return false;
    }
    if (DocumentBeingRead(target->m_p_doc)) {
        SayResult(dialog, kDocumentBusyText);
        return false;
    }
    *matcher = PatternMatcherOf(dialog);
    if (*matcher == nullptr)
        return false;
    std::wstring message;
    if (!BuildQueryBytes(ReadQuery(dialog, IDC_FIND_REPLACE_WITH), with, &message)) {
        SayResult(dialog, message);
        return false;
    }
    return true;
}

// "&Replace": the selected match gives way to the replacement, then the next
// match after it is looked for (a selection that is no match is only passed).
void OnReplace(HWND dialog) {
    std::shared_ptr<const SearchMatcher> matcher;
    std::vector<uint8_t> with;
    if (!ReadReplace(dialog, &matcher, &with))
        return;
    CallBackInfo* doc = DocumentOf(dialog);
    int64_t after = 0;
    const int64_t from = ReplaceSelectedMatch(doc, *matcher, with, &after)
                             ? after - 1 // the search starts just past the new bytes
                             : SearchStart(doc, 1);
    StartJob(dialog, SearchOrder{dialog, 1, 0, std::move(matcher), {}}, from);
}

void OnReplaceAll(HWND dialog) {
    std::shared_ptr<const SearchMatcher> matcher;
    std::vector<uint8_t> with;
    if (!ReadReplace(dialog, &matcher, &with))
        return;
    StartJob(dialog, SearchOrder{dialog, 1, 1, std::move(matcher), std::move(with)}, -1);
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

// Closing the dialog: the jobs stop, and the replacements of a pass that
// finished unseen are let go rather than held until the next opening.
void StopAndDropResults() {
    StopSearch();
    SearchControl& control = Control();
    std::lock_guard<std::mutex> result(control.m_result_lock);
    control.m_p_plan.reset();
    control.m_p_all.reset();
    control.m_p_all_matcher.reset();
}

// A Find all ended: its count beside the bar, its matches in the results
// window (the first rows shown at once).
void FinishFindAll(HWND dialog, std::unique_ptr<MatchList> list,
                   std::shared_ptr<const SearchMatcher> matcher, int stopped,
                   uint64_t generation) {
    const FindTarget* target = TargetOf(dialog);
    CFindResultsWindow* results = target != nullptr ? target->m_p_results : nullptr;
    if (!list) {
        SayResult(dialog, L"");
        if (results != nullptr)
            results->NoResults();
        return;
    }
    SayResult(dialog, stopped ? std::wstring(L"Stopped")
                              : std::to_wstring(list->Count()) + L" matches");
    if (results != nullptr)
        results->ShowResults(std::move(list), std::move(matcher), generation, stopped ? 0 : 1);
}

// A finished Replace all pass: its replacements become one edit, made here on
// the window's thread, unless the document changed while the pass read it.
void FinishReplaceAll(HWND dialog, const std::shared_ptr<ReplacePlan>& plan, int stopped,
                      uint64_t generation) {
    const FindTarget* target = TargetOf(dialog);
    CallBackInfo* doc = target != nullptr ? target->m_p_doc : nullptr;
    if (stopped || plan == nullptr || doc == nullptr) {
        SayResult(dialog, stopped ? L"Stopped: nothing replaced" : L"Out of memory");
        return;
    }
    if (plan->m_replacements.empty()) {
        SayResult(dialog, L"Not found");
        return;
    }
    if (doc->Generation() != generation) {
        SayResult(dialog, L"The data changed meanwhile: nothing replaced");
        return;
    }
    if (!ApplyReplacements(doc, *plan)) {
        SayResult(dialog, L"The replacements could not be made");
        return;
    }
    const BulkReplacement& first = plan->m_replacements.front();
    // The first replacement, in the document as it now is.
    SelectFoundMatch(doc, target->m_p_state, 1, first.m_n_first,
                     first.m_n_first + (first.m_n_length > 0 ? first.m_n_length - 1 : 0));
    SayResult(dialog, std::to_wstring(plan->m_replacements.size()) + L" replaced");
}

void OnSearchFinished(HWND dialog) {
    SearchControl& control = Control();
    int64_t found = -1;
    int64_t end = -1;
    int direction = 1;
    int stopped = 0;
    int replace_all = 0;
    std::shared_ptr<ReplacePlan> plan;
    int all = 0;
    std::unique_ptr<MatchList> list;
    std::shared_ptr<const SearchMatcher> all_matcher;
    {
        std::lock_guard<std::mutex> result(control.m_result_lock);
        found = control.m_n_found;
        end = control.m_n_found_end;
        direction = control.m_n_found_direction;
        stopped = control.m_b_stopped;
        replace_all = control.m_b_replace_all;
        plan = std::move(control.m_p_plan);
        all = control.m_b_all;
        list = std::move(control.m_p_all);
        all_matcher = std::move(control.m_p_all_matcher);
    }
    KillTimer(dialog, IDT_FIND_PROGRESS);
    PostProgressToBar(dialog);
    if (all) {
        FinishFindAll(dialog, std::move(list), std::move(all_matcher), stopped,
                      control.m_n_plan_generation);
        SetButtons(dialog, 0);
        return;
    }
    if (replace_all) {
        // The buttons come back once the replacements are made.
        FinishReplaceAll(dialog, plan, stopped, control.m_n_plan_generation);
        SetButtons(dialog, 0);
        return;
    }
    SetButtons(dialog, 0);
    const FindTarget* target = TargetOf(dialog);
    if (target != nullptr)
        SelectFoundMatch(target->m_p_doc, target->m_p_state, direction, found, end);
    // A search that ends without a match says so here, not in a message box,
    // so that the next search is one key away.
    SayResult(dialog, found >= 0 ? L"" : stopped ? L"Stopped" : L"Not found");
}

// Enables the choices that belong to the mode's radio button.
void EnableModeChoices(HWND dialog, int mode_id) {
    EnableWindow(GetDlgItem(dialog, IDC_FIND_CODE_PAGE), mode_id == IDC_FIND_TEXT);
    EnableWindow(GetDlgItem(dialog, IDC_FIND_MATCH_CASE), mode_id == IDC_FIND_TEXT);
    EnableWindow(GetDlgItem(dialog, IDC_FIND_VALUE_TYPE), mode_id == IDC_FIND_VALUE);
    EnableWindow(GetDlgItem(dialog, IDC_FIND_BIG_ENDIAN), mode_id == IDC_FIND_VALUE);
}

// Without the replace row the dialog ends below its buttons, and the row's
// controls are hidden so the keyboard cannot reach them.
void HideReplaceRow(HWND dialog) {
    for (int id :
         {IDC_FIND_REPLACE_LABEL, IDC_FIND_REPLACE_WITH, IDC_FIND_REPLACE, IDC_FIND_REPLACE_ALL})
        ShowWindow(GetDlgItem(dialog, id), SW_HIDE);
    RECT height = {0, 0, 0, kFindOnlyHeight};
    MapDialogRect(dialog, &height);
    RECT window = {};
    RECT client = {};
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    const int frame = (window.bottom - window.top) - (client.bottom - client.top);
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left, height.bottom + frame,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void OnInitDialog(HWND dialog, const FindTarget* target) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(target));
    CallBackInfo* doc = target->m_p_doc;
    RememberedFind& memory = FindMemory();
    const int mode = memory.m_n_mode == IDC_FIND_TEXT || memory.m_n_mode == IDC_FIND_VALUE
                         ? memory.m_n_mode
                         : IDC_FIND_HEX;
    for (int id : {IDC_FIND_HEX, IDC_FIND_TEXT, IDC_FIND_VALUE})
        CheckDlgButton(dialog, id, id == mode ? BST_CHECKED : BST_UNCHECKED);
    if (memory.m_b_has_pattern)
        SetDlgItemTextW(dialog, IDC_FIND_PATTERN, std::wstring(memory.m_sz_pattern).c_str());
    HWND list = GetDlgItem(dialog, IDC_FIND_CODE_PAGE);
    for (const FindCodePage& page : FindCodePages)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(page.m_sz_name));
    SendMessageW(list, CB_SETCURSEL, 0, 0);
    CheckDlgButton(dialog, IDC_FIND_MATCH_CASE, BST_CHECKED);
    HWND types = GetDlgItem(dialog, IDC_FIND_VALUE_TYPE);
    for (int i = 0; i < kValueTypeCount; ++i)
        SendMessageW(types, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(InspectorTypeName(kFirstValueType + i)));
    SendMessageW(types, CB_SETCURSEL, kTypeInt32 - kFirstValueType, 0);
    EnableModeChoices(dialog, mode);
    if (!target->m_b_replace)
        HideReplaceRow(dialog);
    if (doc != nullptr) {
        const int64_t lo =
            doc->m_n_sel_anchor < doc->m_n_sel_active ? doc->m_n_sel_anchor : doc->m_n_sel_active;
        doc->m_n_progress_total = (doc->m_n_data_size - 1) / 65536;
        doc->m_n_progress_pos = lo / 65536;
        PostProgressToBar(dialog);
    }
}

// Keeps an edit's text to what hex mode accepts: the text is cut before the
// first character the filter refuses, and the caret goes to its end.
void FilterHex(HWND edit, const std::wstring& text, size_t cut) {
    if (cut == text.size())
        return;
    const std::wstring kept = text.substr(0, cut);
    SetWindowTextW(edit, kept.c_str());
    SendMessageW(edit, EM_SETSEL, cut, cut);
}

// The pattern edit changed: remember the text; in hex mode keep only hex
// digits and wildcards.
void OnPatternUpdate(HWND dialog) {
    HWND edit = GetDlgItem(dialog, IDC_FIND_PATTERN);
    const std::wstring text = WindowText(edit);
    RememberedFind& memory = FindMemory();
    memory.m_sz_pattern = text;
    memory.m_b_has_pattern = text.empty() ? 0 : 1;
    if (Checked(dialog, IDC_FIND_HEX))
        FilterHex(edit, text, MaskedHexFilterCut(text.c_str()));
}

// A replacement in hex mode takes hex digits only.
void OnReplaceUpdate(HWND dialog) {
    HWND edit = GetDlgItem(dialog, IDC_FIND_REPLACE_WITH);
    const std::wstring text = WindowText(edit);
    if (Checked(dialog, IDC_FIND_HEX))
        FilterHex(edit, text, HexFilterCut(text.c_str()));
}

void OnModeClicked(HWND dialog, int id) {
    SetDlgItemTextW(dialog, IDC_FIND_PATTERN, L"");
    SetDlgItemTextW(dialog, IDC_FIND_REPLACE_WITH, L"");
    RememberedFind& memory = FindMemory();
    memory.m_sz_pattern.clear();
    memory.m_b_has_pattern = 0;
    memory.m_n_mode = id;
    EnableModeChoices(dialog, id);
    SetFocus(GetDlgItem(dialog, IDC_FIND_PATTERN));
}

INT_PTR OnCommand(HWND dialog, WPARAM wparam) {
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
        StartFindAll(dialog);
        SetFocus(GetDlgItem(dialog, IDC_FIND_PATTERN));
        return TRUE;
    case IDC_FIND_REPLACE:
        OnReplace(dialog);
        return TRUE;
    case IDC_FIND_REPLACE_ALL:
        OnReplaceAll(dialog);
        return TRUE;
    case IDCANCEL:
    case IDC_FIND_EXIT:
        SendMessageW(dialog, WM_CLOSE, 0, 0);
        return TRUE;
    case IDC_FIND_HEX:
    case IDC_FIND_TEXT:
    case IDC_FIND_VALUE:
        if (HIWORD(wparam) == BN_CLICKED)
            OnModeClicked(dialog, LOWORD(wparam));
        return TRUE;
    case IDC_FIND_PATTERN:
        if (HIWORD(wparam) == EN_UPDATE)
            OnPatternUpdate(dialog);
        return TRUE;
    case IDC_FIND_REPLACE_WITH:
        if (HIWORD(wparam) == EN_UPDATE)
            OnReplaceUpdate(dialog);
        return TRUE;
    case IDC_FIND_STOP:
        StopSearch();
        return TRUE;
    default:
        return FALSE;
    }
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
        return OnCommand(dialog, wparam);
    case WM_CLOSE:
        StopAndDropResults();
        KillTimer(dialog, IDT_FIND_PROGRESS);
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    case WM_DESTROY:
        // Destroyed without WM_CLOSE (with its owner, at the end of the
        // session): the job still stops and every thread is joined.
        StopAndDropResults();
        KillTimer(dialog, IDT_FIND_PROGRESS);
        return FALSE;
    default:
        return FALSE;
    }
}

void OpenFindDialog(void* owner_window, CallBackInfo* doc, ViewState* state, int replace,
                    CFindResultsWindow* results) {
    if (doc == nullptr || DocumentBeingRead(doc))
        return;
    FindTarget target = {doc, state, replace, results};
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FIND),
                    static_cast<HWND>(owner_window), FindDlgProc,
                    reinterpret_cast<LPARAM>(&target));
    // A pass cut short by closing the dialog never reported.
    if (results != nullptr)
        results->NoResults();
}

} // namespace

void OnFindCommand(void* owner_window, CallBackInfo* doc, ViewState* state,
                   CFindResultsWindow* results) {
    OpenFindDialog(owner_window, doc, state, 0, results);
}

void OnReplaceCommand(void* owner_window, CallBackInfo* doc, ViewState* state,
                      CFindResultsWindow* results) {
    OpenFindDialog(owner_window, doc, state, 1, results);
}
