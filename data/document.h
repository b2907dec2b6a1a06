// CallBackInfo: the document, one file or process shown by the hex view, with
// its sources, its edit overlay, its view fields and its progress counters.
#pragma once

#include "data/data_plane.h"
#include "data/document_change.h"
#include "data/edit_history.h"
#include "data/file_mapping.h"
#include "data/proc_info.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// Lock-free, so a worker never waits on the timer that reads its progress.
static_assert(std::atomic<int64_t>::is_always_lock_free, "progress counters must be lock-free");

using ColorRef = uint32_t; // 0x00BBGGRR

struct CaretPoint {
    int32_t x;
    int32_t y;
};

class CallBackInfo {
  public:
    explicit CallBackInfo(void* view_window, FileMapOps& file_ops = PlatformFileMapOps(),
                          ProcessOps& process_ops = PlatformProcessOps());
    virtual ~CallBackInfo();
    CallBackInfo(const CallBackInfo&) = delete;
    CallBackInfo& operator=(const CallBackInfo&) = delete;

    // Opens a disk file with the pending changes its workspace keeps: 1, 0
    // when it cannot be opened, or kWorkspaceReadInPart when the workspace
    // could be read only in part (the records before the damage are restored).
    // With read_only 1 the file is opened for reading only and the document
    // is marked so.
    int OpenFile(const wchar_t* path, int read_only = 0);
    // Opens the memory of the listed process at index (CProcInfo) as the
    // document's pieces, with their size: 1, or 0 when it cannot be read.
    int OpenProcess(int64_t index);
    // Posts the progress counters to a progress bar window; 0 for a null window.
    int PostProgress(void* progress_bar) const;
    // The source of unedited bytes for the current source kind.
    CSrclibrary* Source();

    // Edits of the effective bytes. Each is one undo step, keeps the size
    // right and tells the watchers once. 1, or 0 with nothing changed (a
    // worker reads the document, the range is wrong or memory is short).
    // count bytes at first give way to length new bytes.
    int Replace(int64_t first, int64_t count, const uint8_t* bytes, int64_t length);
    int Insert(int64_t offset, const uint8_t* bytes, int64_t length);
    int Remove(int64_t first, int64_t last);
    int Overwrite(int64_t offset, const uint8_t* bytes, int64_t length);
    // Many replacements as one step (a replace-all): sorted by offset, not
    // overlapping (two may touch), offsets as the bytes stand before. The
    // watchers are told once, with every part.
    int ReplaceMany(const BulkReplacement* replacements, size_t count);
    // One typed nibble over the byte at offset, whose unedited value source
    // gives; nibbles typed one after another join one step (CEditHistory).
    int TypeNibble(int64_t offset, uint8_t value, int high, CSrclibrary* source);
    // A step back or forward through the history; result says what it
    // changed. 1, or 0 with nothing changed when there is no step.
    int Undo(HistoryResult* result);
    int Redo(HistoryResult* result);

    // 1 while the bytes differ from the state last opened or kept, or come
    // from a copy that was never kept; undo and redo may come back to 0.
    int IsModified() const { return m_history.IsClean() ? 0 : 1; }
    // The workspace now holds the current state: it is the one undo and
    // redo measure against, and the next typed nibble starts a new step.
    void MarkKept();
    // The current state was never kept (edits restored from a recovery copy
    // or a damaged workspace that was set aside): modified whatever is undone.
    void MarkNeverKept() { m_history.MarkUnclean(); }
    // Takes plane, whose effective size is size, in place of the pieces
    // (after a reload, an Apply or a restored copy) and starts the history
    // afresh: nothing to undo, the new state counts as kept. The watchers
    // hear that everything changed. 0 for a null plane, nothing changed.
    int StartAfreshWith(std::unique_ptr<CDataPlane> plane, int64_t size);

    // Counts the changes told to the watchers: whoever polls (the recovery
    // timer) compares it with the count it saw last.
    uint64_t Generation() const { return m_n_generation; }

    // Written by a worker and read by the progress timer on the interface
    // thread: atomic, so the 32-bit release never reads half of an update.
    std::atomic<int64_t> m_n_progress_total{0};
    std::atomic<int64_t> m_n_progress_pos{0};

    uint32_t m_n_view_mask = 0;
    int32_t m_n_hex_left = 0;
    int32_t m_n_cell_width = 0;
    int32_t m_n_space_width = 0;
    int32_t m_n_line_height = 0;
    ColorRef m_cr_hex_fg = 0x00FF00;
    ColorRef m_cr_hex_bk = 0;
    ColorRef m_cr_sel_bk = 0x0000FF;
    ColorRef m_cr_sel_fg = 0x00FFFF;
    ColorRef m_cr_header_fg = 0x00FF00;
    ColorRef m_cr_header_bk = 0;
    ColorRef m_cr_line_number_fg = 0x00FF00;
    ColorRef m_cr_line_number_bk = 0;
    ColorRef m_cr_marker_bk = 0x0000FF;
    ColorRef m_cr_modified_fg = 0x00FF00;
    ColorRef m_cr_modified_bk = 0;
    int64_t m_n_sel_anchor = -1;
    int64_t m_n_sel_active = -1;
    int64_t m_n_edit_pos = -1;
    int32_t m_b_low_nibble = 0;
    uint8_t m_n_last_nibble = 0;
    void* m_h_view_window = nullptr;
    int64_t m_n_top_offset = 0; // always m_n_top_line * 16
    int64_t m_n_data_size = 0;  // effective size: the sum of the overlay's piece lengths
    int32_t m_n_bytes_per_row = 16;
    int64_t m_n_top_line = 0;
    int64_t m_n_caret_offset = -1;
    CaretPoint m_pt_caret = {-100, -100};
    int32_t m_b_has_focus = 1;
    CFileMapping m_file_mapping;
    int64_t m_n_marker_offset = -1;
    CDataPlane* m_p_data_plane = nullptr;
    int32_t m_b_cur_modified = 0;
    CProcInfo m_proc_info;
    int32_t m_n_source_kind = 0; // 0 disk file, 1 process memory
    // Opened read-only at the user's request: never edited, never applied.
    int32_t m_b_read_only = 0;
    // The undo and redo steps over m_p_data_plane; they live as long as the
    // document. Edits go through the operations above, not through it.
    CEditHistory m_history;

  private:
    friend class DocumentWatch;
    // Tells every watcher of one change and counts it.
    void Tell(const DocumentChange& change);
    // What an Undo (direction -1) or Redo (1) told the watchers, size included.
    void TellStep(const HistoryResult& result, int direction);
    std::vector<DocumentWatch*> m_watches;
    uint64_t m_n_generation = 0;
};

// The selection and the top row, as the history keeps them with a step.
inline EditMark EditMarkOf(const CallBackInfo& doc) {
    return {doc.m_n_sel_anchor, doc.m_n_sel_active, doc.m_n_top_line};
}

// A hold on the document's overlay for a worker that reads it (a save, an
// Apply, a search): taken on the interface thread before the worker starts,
// let go when it ends. Edits are refused while any hold lasts.
inline PlaneReadGuard HoldForReading(CallBackInfo* doc) {
    return PlaneReadGuard(doc != nullptr ? doc->m_p_data_plane : nullptr);
}
// 1 while a worker reads the document, so nothing may change it.
inline int DocumentBeingRead(const CallBackInfo* doc) {
    return doc != nullptr && doc->m_p_data_plane != nullptr && doc->m_p_data_plane->IsBeingRead();
}
// Why an edit was refused while a worker reads the document.
extern const wchar_t kDocumentBusyText[];

// The one way to read a document's byte through the overlay: a pointer to the
// byte at the effective offset, or null; sets m_b_cur_modified (1 when the byte
// is a pending change). Pointers into the source die at its next GetData.
const uint8_t* FetchEffectiveByte(CallBackInfo* doc, int64_t offset, CSrclibrary* source);
// The source offset an effective offset maps to, or -1 past the end; sets
// m_b_cur_modified like the fetch.
int64_t SourceAddress(CallBackInfo* doc, int64_t offset);
// Copies up to count effective bytes from offset into out, reading unedited
// bytes from source; returns the bytes copied, fewer when an unreadable byte
// or the end of the data is reached first.
int64_t ReadEffectiveSpan(CallBackInfo* doc, int64_t offset, uint8_t* out, int64_t count,
                          CSrclibrary* source);
