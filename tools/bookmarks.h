// Bookmarks: named ranges of a document's bytes with an optional note. A set
// follows its document's changes so that a bookmark stays on the bytes it
// marks: bytes inserted or removed before it move it (bytes inserted at its
// first byte count as before it), bytes inserted inside it join it, bytes
// removed inside it shrink it, removing all of them leaves it empty where they
// were, overwriting leaves it, and undo and redo take it back and forth with
// the bytes.
#pragma once

#include "data/document_change.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class CallBackInfo;

struct Bookmark {
    uint64_t m_n_id = 0;    // unique within its set, never reused
    int64_t m_n_first = 0;  // offset of the first marked byte
    int64_t m_n_length = 0; // 0: every marked byte was removed; shown at m_n_first
    std::wstring m_sz_name;
    std::wstring m_sz_note;
    int m_b_maybe_moved = 0; // read back for a file whose size changed meanwhile
};

class BookmarkSet;

// Told after every change of a set: a bookmark added, removed, renamed, given
// a note, moved or resized by an edit, or the whole document replaced.
class BookmarkListener {
  public:
    virtual ~BookmarkListener() = default;
    virtual void BookmarksChanged(const BookmarkSet& set) = 0;
};

// The bookmarks of one document in offset order (ties by id).
class BookmarkSet : private DocumentWatcher {
  public:
    BookmarkSet();
    ~BookmarkSet() override;
    BookmarkSet(const BookmarkSet&) = delete;
    BookmarkSet& operator=(const BookmarkSet&) = delete;

    // Follows doc's changes from now on (null: follows none). The bookmarks
    // stay; Clear removes them.
    void Attach(CallBackInfo* doc);
    CallBackInfo* Document() const;

    // Adds a bookmark over [first, first + length) (length 0: an empty one at
    // first): its id, or 0 when the range is negative or past the document's
    // end (when attached) or memory is short.
    uint64_t Add(int64_t first, int64_t length, const std::wstring& name, const std::wstring& note);
    // Adds a bookmark as read back (Import, the store): keeps its maybe-moved
    // mark, gives it a new id, and brings a range past the document's end
    // (the file shrank meanwhile) back within it. 0 for a negative range or
    // when memory is short.
    uint64_t AddRead(const Bookmark& mark);
    // Each 1, or 0 for an unknown id.
    int Remove(uint64_t id);
    int Rename(uint64_t id, const std::wstring& name);
    int SetNote(uint64_t id, const std::wstring& note);
    // Removes every bookmark (told once when there were any).
    void Clear();

    size_t Count() const { return m_marks.size(); }
    // The bookmark at index, 0 <= index < Count().
    const Bookmark& At(size_t index) const { return m_marks[index]; }
    // The index of the bookmark with this id, or -1.
    int64_t IndexOf(uint64_t id) const;

    // The index of the first bookmark starting after offset, or -1.
    int64_t NextFrom(int64_t offset) const;
    // The index of the last bookmark starting before offset, or -1.
    int64_t PreviousFrom(int64_t offset) const;

    // Appends to out the first and last offset of every non-empty bookmark
    // overlapping [first, last], in start order; returns how many it added.
    // Fast enough for every paint with a hundred thousand bookmarks.
    size_t MarksIn(int64_t first, int64_t last,
                   std::vector<std::pair<int64_t, int64_t>>* out) const;

    // Told after every change; null for none. The listener must outlive the set
    // or be taken away first.
    void SetListener(BookmarkListener* listener) { m_p_listener = listener; }
    // Grows with every change the listener is told of.
    uint64_t Revision() const { return m_n_revision; }

  private:
    // A bookmark's range before a change that took some of its bytes away,
    // so that taking the change back restores it exactly.
    struct SavedRange {
        uint64_t m_n_id;
        int64_t m_n_first;
        int64_t m_n_length;
    };
    // Per history step: the ranges its doing (or redoing) and its undoing
    // took bytes from, as they were before.
    struct StepRanges {
        std::vector<SavedRange> m_before;
        std::vector<SavedRange> m_after;
    };

    // Gives mark the next id and puts it in its place: its id, or 0 for a
    // range that is negative or (unless clamp brings it back) past the end.
    uint64_t Insert(Bookmark&& mark, int clamp);
    void DocumentChanged(const CallBackInfo& doc, const DocumentChange& change) override;
    // Moves every bookmark through the parts of one change; saves into saved
    // the ranges of those whose bytes it touched. 1 when any bookmark moved.
    int Follow(const DocumentChangePart* parts, size_t count, std::vector<SavedRange>* saved);
    // Puts the saved ranges back (bookmarks removed since are passed over).
    int Restore(const std::vector<SavedRange>& saved);
    // The step records an edit, undo or redo belongs to; null when the
    // history keeps no such step.
    StepRanges* RangesFor(const CallBackInfo& doc, int step);
    // Restores offset order after moves and rebuilds the drawing index.
    void Reindex();
    void Changed();

    std::vector<Bookmark> m_marks;
    // m_max_end[k]: the largest end of the bookmarks 0..k, for MarksIn.
    std::vector<int64_t> m_max_end;
    std::map<uint64_t, StepRanges> m_steps; // by the history's step serial
    DocumentWatch m_watch;
    BookmarkListener* m_p_listener = nullptr;
    uint64_t m_n_revision = 0;
    uint64_t m_n_next_id = 1;
};
