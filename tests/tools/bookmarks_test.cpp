// Bookmarks follow the bytes they mark through edits, bulk replaces, undo and
// redo: checked against a model that gives every byte an identity and derives
// each bookmark from the identities it marks.
#include "data/document.h"
#include "tools/bookmarks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <unordered_map>
#include <vector>

namespace {

constexpr int64_t kEnd = -1; // an anchor past the last byte

// A bookmark in the model: the identities of its bytes (bytes inserted between
// two of them join), and while none is left, the identity of the byte it sits
// before.
struct ModelMark {
    std::set<int64_t> m_marked;
    int64_t m_n_anchor = kEnd;
    bool m_b_empty = false;
};

class Model {
  public:
    explicit Model(int64_t size) {
        for (int64_t i = 0; i < size; ++i) {
            m_pos[m_n_next] = i;
            m_ids.push_back(m_n_next++);
        }
    }

    void Add(uint64_t id, int64_t first, int64_t length) {
        ModelMark m;
        for (int64_t i = first; i < first + length; ++i)
            m.m_marked.insert(m_ids[static_cast<size_t>(i)]);
        m.m_b_empty = length == 0;
        m.m_n_anchor = first < Size() ? m_ids[static_cast<size_t>(first)] : kEnd;
        m_marks[id] = m;
    }
    // parts: (offset before, removed, inserted), sorted; an equal count overwrites.
    void Edit(const std::vector<DocumentChangePart>& parts) {
        std::vector<int64_t> next = m_ids;
        for (size_t k = parts.size(); k-- > 0;) {
            const DocumentChangePart& p = parts[k];
            if (p.m_n_removed == p.m_n_inserted)
                continue;
            auto at = next.begin() + p.m_n_offset;
            at = next.erase(at, at + p.m_n_removed);
            std::vector<int64_t> fresh;
            for (int64_t i = 0; i < p.m_n_inserted; ++i)
                fresh.push_back(m_n_next++);
            next.insert(at, fresh.begin(), fresh.end());
        }
        m_steps.resize(m_n_done);
        m_steps.push_back({m_ids, next, Anchors(), {}});
        ++m_n_done;
        MoveTo(next);
    }
    void Undo() {
        Step& s = m_steps[--m_n_done];
        s.m_after = Anchors();
        MoveTo(s.m_ids_before);
        Restore(s.m_before);
    }
    void Redo() {
        Step& s = m_steps[m_n_done++];
        s.m_before = Anchors();
        MoveTo(s.m_ids_after);
        Restore(s.m_after);
    }

    // Where the bookmark should be: (first, length).
    std::pair<int64_t, int64_t> Expected(uint64_t id) const {
        const ModelMark& m = m_marks.at(id);
        if (m.m_b_empty)
            return {m.m_n_anchor == kEnd ? Size() : Position(m.m_n_anchor), 0};
        int64_t lo = INT64_MAX, hi = -1;
        for (int64_t b : m.m_marked) {
            const auto it = m_pos.find(b);
            if (it != m_pos.end()) {
                lo = std::min(lo, it->second);
                hi = std::max(hi, it->second);
            }
        }
        return {lo, hi - lo + 1};
    }
    int64_t Size() const { return static_cast<int64_t>(m_ids.size()); }

  private:
    struct Step {
        std::vector<int64_t> m_ids_before, m_ids_after;
        std::map<uint64_t, int64_t> m_before, m_after; // anchors of empty bookmarks
    };

    int64_t Position(int64_t id) const { return m_pos.at(id); }
    std::map<uint64_t, int64_t> Anchors() const {
        std::map<uint64_t, int64_t> out;
        for (const auto& [id, m] : m_marks)
            if (m.m_b_empty)
                out[id] = m.m_n_anchor;
        return out;
    }
    void Restore(const std::map<uint64_t, int64_t>& anchors) {
        for (const auto& [id, anchor] : anchors)
            if (m_marks.count(id) && m_marks[id].m_b_empty)
                m_marks[id].m_n_anchor = anchor;
    }
    // The first byte at or after index `from` of the old order that the new
    // order keeps.
    static int64_t FirstKept(const std::vector<int64_t>& old, size_t from,
                             const std::unordered_map<int64_t, int64_t>& now) {
        for (size_t i = from; i < old.size(); ++i)
            if (now.count(old[i]))
                return old[i];
        return kEnd;
    }
    void MoveTo(const std::vector<int64_t>& next) {
        const std::unordered_map<int64_t, int64_t>& old_pos = m_pos;
        std::unordered_map<int64_t, int64_t> now;
        for (size_t i = 0; i < next.size(); ++i)
            now[next[i]] = static_cast<int64_t>(i);
        for (auto& [id, m] : m_marks) {
            int64_t lo = INT64_MAX, hi = -1, old_lo = INT64_MAX;
            for (int64_t b : m.m_marked) {
                const auto o = old_pos.find(b);
                if (o != old_pos.end())
                    old_lo = std::min(old_lo, o->second);
                const auto it = now.find(b);
                if (it != now.end()) {
                    lo = std::min(lo, it->second);
                    hi = std::max(hi, it->second);
                }
            }
            if (hi >= 0) {
                // New bytes between two marked ones are marked too.
                for (int64_t i = lo + 1; i < hi; ++i)
                    if (!old_pos.count(next[static_cast<size_t>(i)]))
                        m.m_marked.insert(next[static_cast<size_t>(i)]);
                m.m_b_empty = false;
            } else if (!m.m_b_empty) {
                m.m_b_empty = true;
                m.m_n_anchor = FirstKept(m_ids, static_cast<size_t>(old_lo), now);
            } else if (m.m_n_anchor != kEnd && !now.count(m.m_n_anchor)) {
                m.m_n_anchor = FirstKept(m_ids, static_cast<size_t>(old_pos.at(m.m_n_anchor)), now);
            }
        }
        m_ids = next;
        m_pos = std::move(now);
    }

    std::vector<int64_t> m_ids;
    std::unordered_map<int64_t, int64_t> m_pos;
    int64_t m_n_next = 0;
    std::map<uint64_t, ModelMark> m_marks;
    std::vector<Step> m_steps;
    size_t m_n_done = 0;
};

class CountingListener : public BookmarkListener {
  public:
    void BookmarksChanged(const BookmarkSet&) override { ++m_n_told; }
    int m_n_told = 0;
};

void ExpectAsModel(const BookmarkSet& set, const Model& model, int step) {
    for (size_t i = 0; i < set.Count(); ++i) {
        const Bookmark& b = set.At(i);
        const auto want = model.Expected(b.m_n_id);
        ASSERT_EQ(want.first, b.m_n_first) << "bookmark " << b.m_n_id << " at step " << step;
        ASSERT_EQ(want.second, b.m_n_length) << "bookmark " << b.m_n_id << " at step " << step;
        if (i > 0) {
            const Bookmark& a = set.At(i - 1);
            ASSERT_TRUE(a.m_n_first < b.m_n_first ||
                        (a.m_n_first == b.m_n_first && a.m_n_id < b.m_n_id))
                << "out of order at step " << step;
        }
    }
}

} // namespace

TEST(Bookmarks, FollowTheirBytesThroughEditsBulkReplacesUndoAndRedo) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](int64_t lo, int64_t hi) {
            return std::uniform_int_distribution<int64_t>(lo, hi)(rng);
        };
        CallBackInfo doc(nullptr);
        doc.m_p_data_plane = new CDataPlane(48);
        doc.m_n_data_size = 48;
        BookmarkSet set;
        set.Attach(&doc);
        Model model(48);
        const std::vector<uint8_t> bytes(64, 0x5A);
        auto add = [&] {
            const int64_t size = doc.m_n_data_size;
            const int64_t first = pick(0, size);
            const int64_t length =
                pick(0, 3) == 0 ? 0 : pick(0, std::min<int64_t>(12, size - first));
            const uint64_t id = set.Add(first, length, L"m", L"");
            ASSERT_NE(0u, id);
            model.Add(id, first, length);
        };
        for (int i = 0; i < 10; ++i)
            add();
        for (int step = 0; step < 400; ++step) {
            const int64_t size = doc.m_n_data_size;
            const int64_t kind = pick(0, 9);
            if (kind <= 1) {
                const int64_t at = pick(0, size), n = pick(1, 6);
                ASSERT_EQ(1, doc.Insert(at, bytes.data(), n));
                model.Edit({{at, 0, n}});
            } else if (kind <= 3 && size > 0) {
                const int64_t first = pick(0, size - 1);
                const int64_t last = std::min(size - 1, first + pick(0, 10));
                ASSERT_EQ(1, doc.Remove(first, last));
                model.Edit({{first, last - first + 1, 0}});
            } else if (kind == 4 && size > 0) {
                const int64_t at = pick(0, size - 1), n = std::min(size - at, pick(1, 4));
                ASSERT_EQ(1, doc.Overwrite(at, bytes.data(), n));
                model.Edit({{at, n, n}});
            } else if (kind == 5) {
                // Parts that may touch, each replacing, removing or inserting.
                std::vector<BulkReplacement> bulk;
                std::vector<DocumentChangePart> parts;
                for (int64_t at = pick(0, 4); at <= size && bulk.size() < 6; at += pick(0, 8)) {
                    const int64_t count = std::min(size - at, pick(0, 4));
                    const int64_t length = pick(count == 0 ? 1 : 0, 4);
                    bulk.push_back({at, count, bytes.data(), length});
                    parts.push_back({at, count, length});
                    at += count;
                }
                if (bulk.empty())
                    continue;
                ASSERT_EQ(1, doc.ReplaceMany(bulk.data(), bulk.size()));
                model.Edit(parts);
            } else if (kind <= 7) {
                if (doc.Undo(nullptr))
                    model.Undo();
            } else if (kind == 8) {
                if (doc.Redo(nullptr))
                    model.Redo();
            } else if (set.Count() < 24) {
                add();
            }
            ASSERT_EQ(model.Size(), doc.m_n_data_size);
            ASSERT_NO_FATAL_FAILURE(ExpectAsModel(set, model, step)) << "seed " << seed;
        }
    }
}

TEST(Bookmarks, EmptiedBookmarkStaysPutAndComesBackWhole) {
    CallBackInfo doc(nullptr);
    doc.m_p_data_plane = new CDataPlane(100);
    doc.m_n_data_size = 100;
    BookmarkSet set;
    CountingListener listener;
    set.SetListener(&listener);
    set.Attach(&doc);
    const uint64_t id = set.Add(40, 10, L"header", L"");
    const uint64_t after = set.Add(60, 5, L"after", L"");
    ASSERT_EQ(2, listener.m_n_told);
    const uint64_t revision = set.Revision();

    ASSERT_EQ(1, doc.Remove(35, 54)); // all of it and the bytes around it
    EXPECT_EQ(35, set.At(static_cast<size_t>(set.IndexOf(id))).m_n_first);
    EXPECT_EQ(0, set.At(static_cast<size_t>(set.IndexOf(id))).m_n_length);
    EXPECT_EQ(40, set.At(static_cast<size_t>(set.IndexOf(after))).m_n_first);
    EXPECT_GT(set.Revision(), revision);
    EXPECT_EQ(3, listener.m_n_told);

    ASSERT_EQ(1, doc.Undo(nullptr));
    EXPECT_EQ(40, set.At(static_cast<size_t>(set.IndexOf(id))).m_n_first);
    EXPECT_EQ(10, set.At(static_cast<size_t>(set.IndexOf(id))).m_n_length);

    // Read back for a file that shrank: kept, within the end, marked.
    Bookmark read;
    read.m_n_first = 95;
    read.m_n_length = 20;
    read.m_b_maybe_moved = 1;
    EXPECT_EQ(0u, set.Add(95, 20, L"past the end", L""));
    const Bookmark& kept = set.At(static_cast<size_t>(set.IndexOf(set.AddRead(read))));
    EXPECT_EQ(95, kept.m_n_first);
    EXPECT_EQ(5, kept.m_n_length);
    EXPECT_EQ(1, kept.m_b_maybe_moved);

    // A change after every bookmark moves none and tells nobody.
    const int told = listener.m_n_told;
    ASSERT_EQ(1, doc.Insert(100, reinterpret_cast<const uint8_t*>("ab"), 2));
    EXPECT_EQ(told, listener.m_n_told);
    ASSERT_EQ(1, doc.Insert(90, reinterpret_cast<const uint8_t*>("ab"), 2));
    EXPECT_EQ(told + 1, listener.m_n_told);
}

TEST(Bookmarks, NavigationAndDrawingQueries) {
    BookmarkSet set;
    set.Add(100, 1000, L"long", L"");
    set.Add(10, 5, L"a", L"");
    set.Add(500, 0, L"empty", L"");
    set.Add(700, 20, L"b", L"");
    EXPECT_EQ(0, set.Add(-1, 3, L"bad", L""));

    EXPECT_EQ(L"a", set.At(static_cast<size_t>(set.NextFrom(-1))).m_sz_name);
    EXPECT_EQ(L"long", set.At(static_cast<size_t>(set.NextFrom(10))).m_sz_name);
    EXPECT_EQ(-1, set.NextFrom(700));
    EXPECT_EQ(L"empty", set.At(static_cast<size_t>(set.PreviousFrom(700))).m_sz_name);
    EXPECT_EQ(-1, set.PreviousFrom(10));

    // A screen inside the long one and the short one: the long one starts
    // far before it, the empty one draws nothing.
    std::vector<std::pair<int64_t, int64_t>> marks;
    EXPECT_EQ(2u, set.MarksIn(480, 710, &marks));
    ASSERT_EQ(2u, marks.size());
    EXPECT_EQ((std::pair<int64_t, int64_t>(100, 1099)), marks[0]);
    EXPECT_EQ((std::pair<int64_t, int64_t>(700, 719)), marks[1]);
    marks.clear();
    EXPECT_EQ(0u, set.MarksIn(15, 99, &marks));
}
