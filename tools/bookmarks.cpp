// Bookmarks of one document, kept in offset order and moved with its bytes.
#include "tools/bookmarks.h"

#include "data/document.h"

#include <algorithm>
#include <new>
#include <unordered_map>

namespace {

bool Before(const Bookmark& a, const Bookmark& b) {
    return a.m_n_first != b.m_n_first ? a.m_n_first < b.m_n_first : a.m_n_id < b.m_n_id;
}

// The parts of one change that move bytes, sorted by offset, with the
// offsets they stand at before it. An overwrite (as many bytes in as out)
// keeps every byte where it was and is left out.
class ChangeMap {
  public:
    ChangeMap(const DocumentChangePart* parts, size_t count) {
        for (size_t i = 0; i < count; ++i)
            if (parts[i].m_n_removed != parts[i].m_n_inserted)
                m_parts.push_back(parts[i]);
        int64_t shift = 0;
        m_shift.reserve(m_parts.size() + 1);
        m_shift.push_back(0);
        for (const DocumentChangePart& p : m_parts) {
            shift += p.m_n_inserted - p.m_n_removed;
            m_shift.push_back(shift);
        }
    }
    bool Empty() const { return m_parts.empty(); }

    // The first byte at or after x that the change keeps (x itself when it
    // is kept; the old end when none is).
    int64_t FirstKept(int64_t x) const {
        for (;;) {
            const size_t k = PartsFrom(x);
            if (k == 0)
                return x;
            const DocumentChangePart& p = m_parts[k - 1];
            if (x >= p.m_n_offset + p.m_n_removed)
                return x;
            x = p.m_n_offset + p.m_n_removed;
        }
    }
    // The last byte at or before y that the change keeps, or -1.
    int64_t LastKept(int64_t y) const {
        while (y >= 0) {
            const size_t k = PartsFrom(y);
            if (k == 0)
                return y;
            const DocumentChangePart& p = m_parts[k - 1];
            if (y >= p.m_n_offset + p.m_n_removed)
                return y;
            y = p.m_n_offset - 1;
        }
        return -1;
    }
    // Where a kept byte (or the old end) stands after the change: moved by
    // every part that ends at or before it, insertions right at it included.
    int64_t NewOffset(int64_t y) const {
        // Parts' ends (offset + removed) grow with their offsets.
        const auto it = std::upper_bound(m_parts.begin(), m_parts.end(), y,
                                         [](int64_t v, const DocumentChangePart& p) {
                                             return v < p.m_n_offset + p.m_n_removed;
                                         });
        return y + m_shift[static_cast<size_t>(it - m_parts.begin())];
    }
    // Whether the change takes bytes away within or right beside [a, e].
    bool Touches(int64_t a, int64_t e) const {
        for (size_t k = PartsFrom(e); k > 0; --k) {
            const DocumentChangePart& p = m_parts[k - 1];
            if (p.m_n_offset + p.m_n_removed < a)
                return false;
            if (p.m_n_removed > 0)
                return true;
        }
        return false;
    }

  private:
    // How many parts start at or before x.
    size_t PartsFrom(int64_t x) const {
        const auto it = std::upper_bound(
            m_parts.begin(), m_parts.end(), x,
            [](int64_t v, const DocumentChangePart& p) { return v < p.m_n_offset; });
        return static_cast<size_t>(it - m_parts.begin());
    }

    std::vector<DocumentChangePart> m_parts;
    std::vector<int64_t> m_shift; // m_shift[k]: the size change of parts 0..k-1
};

} // namespace

BookmarkSet::BookmarkSet() = default;
BookmarkSet::~BookmarkSet() = default;

void BookmarkSet::Attach(CallBackInfo* doc) {
    m_watch = doc != nullptr ? DocumentWatch(doc, this) : DocumentWatch();
    m_steps.clear();
}

CallBackInfo* BookmarkSet::Document() const {
    return m_watch.Document();
}

uint64_t BookmarkSet::Add(int64_t first, int64_t length, const std::wstring& name,
                          const std::wstring& note) {
    Bookmark mark;
    mark.m_n_first = first;
    mark.m_n_length = length;
    try {
        mark.m_sz_name = name;
        mark.m_sz_note = note;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return Insert(std::move(mark), 0);
}

uint64_t BookmarkSet::AddRead(const Bookmark& read) {
    try {
        return Insert(Bookmark(read), 1);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

uint64_t BookmarkSet::Insert(Bookmark&& mark, int clamp) {
    const CallBackInfo* doc = m_watch.Document();
    const int64_t size = doc != nullptr ? doc->m_n_data_size : INT64_MAX;
    const int64_t first = mark.m_n_first, length = mark.m_n_length;
    if (first < 0 || length < 0 || length > INT64_MAX - first)
        return 0;
    if (clamp) {
        mark.m_n_first = std::min(first, size);
        mark.m_n_length = std::min(length, size - mark.m_n_first);
    } else if (first > size || length > size - first) {
        return 0;
    }
    try {
        mark.m_n_id = m_n_next_id;
        const auto at = std::upper_bound(m_marks.begin(), m_marks.end(), mark, Before);
        const size_t index = static_cast<size_t>(at - m_marks.begin());
        m_marks.insert(at, std::move(mark));
        m_max_end.resize(m_marks.size());
        // Only the running maximum from the new one on can change.
        int64_t max_end = index > 0 ? m_max_end[index - 1] : INT64_MIN;
        for (size_t k = index; k < m_marks.size(); ++k) {
            max_end = std::max(max_end, m_marks[k].m_n_first + m_marks[k].m_n_length);
            m_max_end[k] = max_end;
        }
    } catch (const std::bad_alloc&) {
        Reindex();
        return 0;
    }
    Changed();
    return m_n_next_id++;
}

int BookmarkSet::Remove(uint64_t id) {
    const int64_t index = IndexOf(id);
    if (index < 0)
        return 0;
    m_marks.erase(m_marks.begin() + index);
    Reindex();
    Changed();
    return 1;
}

int BookmarkSet::Rename(uint64_t id, const std::wstring& name) {
    const int64_t index = IndexOf(id);
    if (index < 0)
        return 0;
    try {
        m_marks[static_cast<size_t>(index)].m_sz_name = name;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    Changed();
    return 1;
}

int BookmarkSet::SetNote(uint64_t id, const std::wstring& note) {
    const int64_t index = IndexOf(id);
    if (index < 0)
        return 0;
    try {
        m_marks[static_cast<size_t>(index)].m_sz_note = note;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    Changed();
    return 1;
}

void BookmarkSet::Clear() {
    if (m_marks.empty())
        return;
    m_marks.clear();
    m_max_end.clear();
    m_steps.clear();
    Changed();
}

int64_t BookmarkSet::IndexOf(uint64_t id) const {
    for (size_t i = 0; i < m_marks.size(); ++i)
        if (m_marks[i].m_n_id == id)
            return static_cast<int64_t>(i);
    return -1;
}

int64_t BookmarkSet::NextFrom(int64_t offset) const {
    const auto it = std::upper_bound(m_marks.begin(), m_marks.end(), offset,
                                     [](int64_t v, const Bookmark& m) { return v < m.m_n_first; });
    return it == m_marks.end() ? -1 : static_cast<int64_t>(it - m_marks.begin());
}

int64_t BookmarkSet::PreviousFrom(int64_t offset) const {
    const auto it = std::lower_bound(m_marks.begin(), m_marks.end(), offset,
                                     [](const Bookmark& m, int64_t v) { return m.m_n_first < v; });
    return it == m_marks.begin() ? -1 : static_cast<int64_t>(it - m_marks.begin()) - 1;
}

size_t BookmarkSet::MarksIn(int64_t first, int64_t last,
                            std::vector<std::pair<int64_t, int64_t>>* out) const {
    if (out == nullptr || last < first)
        return 0;
    // From the first bookmark that (or one before which) reaches past first,
    // to the last that starts by last.
    const size_t lo = static_cast<size_t>(
        std::upper_bound(m_max_end.begin(), m_max_end.end(), first) - m_max_end.begin());
    const size_t hi = static_cast<size_t>(NextFrom(last) < 0 ? m_marks.size() : NextFrom(last));
    size_t added = 0;
    for (size_t k = lo; k < hi; ++k) {
        const Bookmark& m = m_marks[k];
        if (m.m_n_length > 0 && m.m_n_first + m.m_n_length > first) {
            out->emplace_back(m.m_n_first, m.m_n_first + m.m_n_length - 1);
            ++added;
        }
    }
    return added;
}

BookmarkSet::StepRanges* BookmarkSet::RangesFor(const CallBackInfo& doc, int step) {
    const CEditHistory& history = doc.m_history;
    const int64_t done = history.UndoCount();
    // An undone step is now the first to redo; a done or redone one the last to undo.
    const uint64_t serial = history.StepSerial(step < 0 ? done : done - 1);
    if (serial == 0)
        return nullptr;
    if (step == 0) {
        // A new step drops the steps that could have been redone, and the
        // history may have forgotten its oldest.
        const uint64_t oldest = history.StepSerial(0);
        const uint64_t previous = history.StepSerial(done - 2);
        for (auto it = m_steps.begin(); it != m_steps.end();) {
            if (it->first < oldest || (it->first > previous && it->first != serial))
                it = m_steps.erase(it);
            else
                ++it;
        }
    }
    try {
        return &m_steps[serial];
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void BookmarkSet::DocumentChanged(const CallBackInfo& doc, const DocumentChange& change) {
    if (change.m_b_everything) {
        // New content throughout (a reload, an Apply): the bookmarks stay
        // where they are, within the new size. The history starts afresh.
        m_steps.clear();
        const int64_t size = std::max<int64_t>(0, change.m_n_inserted);
        for (Bookmark& m : m_marks) {
            m.m_n_first = std::min(m.m_n_first, size);
            m.m_n_length = std::min(m.m_n_length, size - m.m_n_first);
        }
        Reindex();
        Changed();
        return;
    }
    if (m_marks.empty())
        return;
    const DocumentChangePart one = {change.m_n_offset, change.m_n_removed, change.m_n_inserted};
    const DocumentChangePart* parts = change.m_p_parts != nullptr ? change.m_p_parts : &one;
    const size_t count = change.m_p_parts != nullptr ? change.m_n_parts : 1;

    StepRanges* ranges = RangesFor(doc, change.m_n_step);
    std::vector<SavedRange> saved;
    int moved = Follow(parts, count, &saved);
    if (ranges != nullptr) {
        if (change.m_n_step == 0) {
            // Kept for the undo (nibbles joining a step add to it).
            try {
                ranges->m_before.insert(ranges->m_before.end(), saved.begin(), saved.end());
            } catch (const std::bad_alloc&) {
            }
        } else {
            // What this undo (redo) took is kept for the redo (undo); what
            // the other direction took is put back.
            const bool undo = change.m_n_step < 0;
            moved |= Restore(undo ? ranges->m_before : ranges->m_after);
            (undo ? ranges->m_after : ranges->m_before).swap(saved);
        }
    }
    if (moved) {
        Reindex();
        Changed();
    }
}

int BookmarkSet::Follow(const DocumentChangePart* parts, size_t count,
                        std::vector<SavedRange>* saved) {
    ChangeMap map(parts, count);
    if (map.Empty())
        return 0;
    int moved = 0;
    for (Bookmark& m : m_marks) {
        const int64_t a = m.m_n_first;
        const int64_t e = a + m.m_n_length;
        if (map.Touches(a, e)) {
            try {
                saved->push_back({m.m_n_id, a, m.m_n_length});
            } catch (const std::bad_alloc&) {
            }
        }
        const int64_t first = map.FirstKept(a);
        int64_t new_first, new_length = 0;
        if (first >= e) {
            // Every marked byte went (or none was marked): empty where the
            // next kept byte now stands.
            new_first = map.NewOffset(first);
        } else {
            new_first = map.NewOffset(first);
            new_length = map.NewOffset(map.LastKept(e - 1)) + 1 - new_first;
        }
        if (new_first != a || new_length != m.m_n_length) {
            m.m_n_first = new_first;
            m.m_n_length = new_length;
            moved = 1;
        }
    }
    return moved;
}

int BookmarkSet::Restore(const std::vector<SavedRange>& saved) {
    if (saved.empty())
        return 0;
    std::unordered_map<uint64_t, size_t> where;
    try {
        where.reserve(m_marks.size());
        for (size_t i = 0; i < m_marks.size(); ++i)
            where.emplace(m_marks[i].m_n_id, i);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    int moved = 0;
    for (const SavedRange& r : saved) {
        const auto it = where.find(r.m_n_id);
        if (it == where.end())
            continue;
        Bookmark& m = m_marks[it->second];
        if (m.m_n_first != r.m_n_first || m.m_n_length != r.m_n_length) {
            m.m_n_first = r.m_n_first;
            m.m_n_length = r.m_n_length;
            moved = 1;
        }
    }
    return moved;
}

void BookmarkSet::Reindex() {
    // Moves keep the order of starts, but may bring starts together (ties go
    // by id) and restored ranges may go anywhere.
    if (!std::is_sorted(m_marks.begin(), m_marks.end(), Before))
        std::sort(m_marks.begin(), m_marks.end(), Before);
    try {
        m_max_end.resize(m_marks.size());
    } catch (const std::bad_alloc&) {
        m_max_end.clear();
        return;
    }
    int64_t max_end = INT64_MIN;
    for (size_t k = 0; k < m_marks.size(); ++k) {
        max_end = std::max(max_end, m_marks[k].m_n_first + m_marks[k].m_n_length);
        m_max_end[k] = max_end;
    }
}

void BookmarkSet::Changed() {
    ++m_n_revision;
    if (m_p_listener != nullptr)
        m_p_listener->BookmarksChanged(*this);
}
