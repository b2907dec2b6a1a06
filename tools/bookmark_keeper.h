// One open document's bookmarks as the frame keeps them beside it: the set
// that follows the document's edits, the marks the view paints, and for a
// disk file the per-user store that brings them back when the file is opened
// again, written at every change.
#pragma once

#include "tools/bookmarks.h"
#include "view/byte_marks.h"

#include <string>
#include <vector>

class BookmarkKeeper : public ByteMarks, private BookmarkListener {
  public:
    // Follows doc. With an empty store folder or name nothing is ever written
    // (process memory: the bookmarks last while the document is open).
    BookmarkKeeper(CallBackInfo* doc, const std::wstring& store_folder,
                   const std::wstring& store_name);
    ~BookmarkKeeper() override;
    BookmarkKeeper(const BookmarkKeeper&) = delete;
    BookmarkKeeper& operator=(const BookmarkKeeper&) = delete;

    BookmarkSet& Set() { return m_set; }
    const BookmarkSet& Set() const { return m_set; }

    // Adds the bookmarks of the store, marked as possibly moved when the file's
    // size is no longer the one they were written for. The number read.
    int LoadStore();
    // Writes the store afresh, for a file whose size changed under bookmarks
    // that did not move (an Apply that wrote changes behind them).
    int WriteStore();
    // Called after every change of the set, once the store holds it.
    void SetChangedHook(void (*hook)(void* context), void* context);
    // 1 when the last write of the store succeeded (or none was needed).
    int StoreWritten() const { return m_b_written; }

    void MarkSpan(int64_t first, int64_t count, uint8_t* marked) const override;

  private:
    void BookmarksChanged(const BookmarkSet& set) override;
    int64_t FileSize() const;

    BookmarkSet m_set;
    std::wstring m_sz_folder;
    std::wstring m_sz_name;
    int m_b_loading = 0; // the store is being read: nothing to write back
    int m_b_written = 1;
    void (*m_p_hook)(void*) = nullptr;
    void* m_p_hook_context = nullptr;
    // Reused by every paint, so painting allocates nothing once it has grown.
    mutable std::vector<std::pair<int64_t, int64_t>> m_ranges;
};
