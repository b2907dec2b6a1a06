// How a document tells the ones that follow it (the view, the inspector,
// recovery, tools that keep offsets) that its bytes changed: once per change,
// with the range it touched. A watch registers a watcher for as long as it lives.
#pragma once

#include <cstddef>
#include <cstdint>

class CallBackInfo;

// One part of a change made of several at once (a replace-all): at
// m_n_offset, as the bytes stood before the change, m_n_removed bytes gave
// way to m_n_inserted bytes.
struct DocumentChangePart {
    int64_t m_n_offset;
    int64_t m_n_removed;
    int64_t m_n_inserted;
};

// One change of the effective bytes: at m_n_offset, m_n_removed bytes gave
// way to m_n_inserted bytes (an overwrite removes and inserts as many). With
// m_b_everything the whole content may differ (the pieces were replaced by a
// reload, an Apply or a restored copy): m_n_removed is the size before and
// m_n_inserted the size after, from offset 0.
struct DocumentChange {
    int64_t m_n_offset;
    int64_t m_n_removed;
    int64_t m_n_inserted;
    int32_t m_b_everything;
    // What made the change: 0 a new edit, -1 an undo, 1 a redo. Whoever keeps
    // something per history step (what an edit took away) tells them apart.
    int32_t m_n_step = 0;
    // A change made of several parts in one step: the parts, sorted and not
    // overlapping (two may touch), with the fields above spanning them all.
    // Null for a change of one range. Valid only while the watchers are told.
    const DocumentChangePart* m_p_parts = nullptr;
    size_t m_n_parts = 0;
};

class DocumentWatcher {
  public:
    virtual ~DocumentWatcher() = default;
    // Called on the thread that edits, after the document is consistent again
    // (size and history included).
    virtual void DocumentChanged(const CallBackInfo& doc, const DocumentChange& change) = 0;
};

// A watcher's registration with one document: made by the constructor, undone
// by the destructor or Reset. A document that goes first ends its watches, so
// either may outlive the other.
class DocumentWatch {
  public:
    DocumentWatch() = default;
    DocumentWatch(CallBackInfo* doc, DocumentWatcher* watcher);
    ~DocumentWatch();
    DocumentWatch(DocumentWatch&& other) noexcept;
    DocumentWatch& operator=(DocumentWatch&& other) noexcept;
    DocumentWatch(const DocumentWatch&) = delete;
    DocumentWatch& operator=(const DocumentWatch&) = delete;

    // Stops watching (nothing when not watching).
    void Reset();
    // The watched document, or null.
    CallBackInfo* Document() const { return m_p_doc; }

  private:
    friend class CallBackInfo;
    CallBackInfo* m_p_doc = nullptr;
    DocumentWatcher* m_p_watcher = nullptr;
};
