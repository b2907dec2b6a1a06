// The find results window: a modeless tool window owned by the main window
// that lists the matches of a "Find all" pass in a virtual list view (offset,
// length, the bytes around as hex and as characters), with their count. It
// follows the document's changes so offsets stay right, says when the list
// may be stale, and can run the pass again on a worker of its own.
#pragma once

#include "data/document_change.h"
#include "tools/find_all.h"
#include "tools/win32/tool_window.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <thread>

class CallBackInfo;
struct ViewState;

class CFindResultsWindow : public CToolWindow, private DocumentWatcher {
  public:
    CFindResultsWindow(HINSTANCE instance, HWND owner, ViewState* state);
    ~CFindResultsWindow() override;
    CFindResultsWindow(const CFindResultsWindow&) = delete;
    CFindResultsWindow& operator=(const CFindResultsWindow&) = delete;

    // The document whose matches it shows (null: none). Matches of another
    // document go, and a pass over it is stopped and waited for first.
    void SetDocument(CallBackInfo* doc);
    // Shows the matches of a pass over the current document, which found them
    // with matcher in the state the document had at generation (changes
    // since then make the whole list stale) and went to the end or not
    // (complete 0: stopped). Opens the window.
    void ShowResults(std::unique_ptr<MatchList> list, std::shared_ptr<const SearchMatcher> matcher,
                     uint64_t generation, int complete);
    // A pass for it has started elsewhere: the window opens at once and says
    // so, so that at the end only the rows are left to show. NoResults says
    // the pass ended without any (not run, or its dialog went first).
    void ExpectResults();
    void NoResults();
    // Stops a pass and waits for it (before a change that replaces the pieces).
    void Halt();

  private:
    void DocumentChanged(const CallBackInfo& doc, const DocumentChange& change) override;
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override;
    void CreateControls() override;
    void Layout() override;
    void OnOpened() override;
    void OnDestroyed() override;
    // The count line, the notes and the list's row count, from the list.
    void ShowList();
    void FillItem(NMLVDISPINFOW* info);
    void SelectFirstRow();
    // Selects the match of the row in the view.
    void GoToRow(int row);
    void CopySelected();
    HWND RowList() const override { return m_h_list; }
    void ShowRowMenu() override;
    void SearchAgain();
    void StopPass();
    void OnPassFinished(WPARAM serial);

    ViewState* m_p_state;
    CallBackInfo* m_p_doc = nullptr;
    DocumentWatch m_watch;
    HWND m_h_status = nullptr;
    HWND m_h_again = nullptr;
    HWND m_h_list = nullptr;
    std::unique_ptr<MatchList> m_p_list; // what the list view shows; null before a pass
    std::shared_ptr<const SearchMatcher> m_p_matcher; // what "Search again" looks for
    // The running pass: its request (whose stop flag this thread sets), the
    // list it fills and the document generation it started at.
    std::thread m_worker;
    std::shared_ptr<SearchRequest> m_p_request;
    std::unique_ptr<MatchList> m_p_pending;
    uint64_t m_n_pending_generation = 0;
    int m_b_running = 0;
    int m_b_expecting = 0;   // between ExpectResults and ShowResults or NoResults
    int m_b_pass_result = 0; // of the last pass: 1 done, 0 stopped
    WPARAM m_n_serial = 0;   // of the last pass started
};
