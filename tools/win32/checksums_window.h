// The checksums window: a modeless tool window owned by the main window with
// a list-view of one row an algorithm (a check box to include it, its value),
// the range the values belong to, "Selection" / "Whole document", progress
// and "Stop", copying and a "Verify" field. The values are computed on a
// worker whenever the range, the document's bytes or the rows chosen change:
// it watches the document for its bytes and the view for the selection.
#pragma once

#include "data/document_change.h"
#include "tools/checksums.h"
#include "tools/win32/tool_window.h"

#include <windows.h>

#include <memory>
#include <string>
#include <thread>

class CallBackInfo;

class CChecksumsWindow : public CToolWindow, private DocumentWatcher {
  public:
    CChecksumsWindow(HINSTANCE instance, HWND owner);
    ~CChecksumsWindow() override;

    // The document the window computes over (null: none). A computation over
    // the one before is stopped and waited for first, so the caller may
    // release that document as soon as this returns.
    void SetDocument(CallBackInfo* doc);
    // Stops a computation and waits for it, for a change of the document
    // that cannot wait (Apply); it starts again once things settle.
    void Halt();

  private:
    // What a computation was started for: when nothing of it changed, the
    // values shown still hold.
    struct Basis {
        CallBackInfo* m_p_document = nullptr;
        const void* m_p_plane = nullptr; // a plane put in another's place restarts its count
        uint64_t m_n_generation = 0;
        ChecksumRange m_range;
        uint32_t m_n_algorithms = 0;
        bool operator==(const Basis& o) const {
            return m_p_document == o.m_p_document && m_p_plane == o.m_p_plane &&
                   m_n_generation == o.m_n_generation && m_range.m_n_first == o.m_range.m_n_first &&
                   m_range.m_n_length == o.m_range.m_n_length && m_n_algorithms == o.m_n_algorithms;
        }
    };

    static void OnViewChanged(void* context);
    void DocumentChanged(const CallBackInfo& doc, const DocumentChange& change) override;
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override;
    void CreateControls() override;
    void Layout() override;
    // Computes from the selection as soon as it opens; closing stops a computation.
    void OnOpened() override;
    void OnDestroyed() override;
    // The rows chosen beside the open state and place.
    void ReadKeys(const CSettingsBatch& file, const wchar_t* section) override;
    void WriteKeys(CSettingsBatch* file, const wchar_t* section) const override;
    // Computes again once the changes of a moment have settled.
    void RecomputeSoon();
    Basis CurrentBasis() const;
    // Starts a computation when the basis differs from the last one (always with force).
    void Recompute(int force);
    void StopWorker();
    void OnFinished();
    void ShowRange(const ChecksumRange& range, int selection);
    void ShowValues();
    void ShowRadios();
    void CheckVerify();
    void OnRowsChanged();
    void CopyRow(int row);
    void CopyAll();
    HWND RowList() const override { return m_h_list; }
    void ShowRowMenu() override;
    void SetStatus(const std::wstring& text);

    HWND m_h_selection = nullptr;
    HWND m_h_whole = nullptr;
    HWND m_h_stop = nullptr;
    HWND m_h_range = nullptr;
    HWND m_h_progress = nullptr;
    HWND m_h_list = nullptr;
    HWND m_h_verify_label = nullptr;
    HWND m_h_verify = nullptr;
    HWND m_h_verify_result = nullptr;
    HWND m_h_status = nullptr;
    HWND m_h_copy_all = nullptr;
    CallBackInfo* m_p_document = nullptr;
    int m_n_choice = kChecksumRangeAuto;
    uint32_t m_n_algorithms = 0;
    int m_b_filling = 0; // rows being set up: their check changes are not the user's
    std::thread m_worker;
    std::shared_ptr<ChecksumJob> m_p_job; // the running or last finished computation
    Basis m_basis;                        // what m_p_job was started for
    int m_b_has_basis = 0;
    int m_b_running = 0;
    WPARAM m_n_serial = 0; // of the last computation started
    DocumentWatch m_watch;
};
