// The document's edits: one told change per edit with the range it touched,
// the size kept right, and the pending state read from the history.
#include "data/document.h"
#include "tests/fakes/memory_source.h"
#include "tests/fakes/plane_checks.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Records every change it is told of, with the size the document had then.
class RecordingWatcher : public DocumentWatcher {
  public:
    void DocumentChanged(const CallBackInfo& doc, const DocumentChange& change) override {
        m_changes.push_back(change);
        m_sizes.push_back(doc.m_n_data_size);
    }
    std::vector<DocumentChange> m_changes;
    std::vector<int64_t> m_sizes;
};

class DocumentEdits : public ::testing::Test {
  protected:
    DocumentEdits() : m_source(MemorySource::Pattern(32)), m_doc(nullptr) {
        m_doc.m_p_data_plane = new CDataPlane(32);
        m_doc.m_n_data_size = 32;
    }

    // The one change told since the last call; fails unless exactly one was.
    DocumentChange Told() {
        EXPECT_EQ(1u, m_watcher.m_changes.size());
        const DocumentChange change =
            m_watcher.m_changes.empty() ? DocumentChange{-1, -1, -1, -1} : m_watcher.m_changes[0];
        if (!m_watcher.m_sizes.empty()) {
            EXPECT_EQ(m_doc.m_n_data_size, m_watcher.m_sizes[0]) << "told after the size moved";
        }
        m_watcher.m_changes.clear();
        m_watcher.m_sizes.clear();
        return change;
    }

    void ExpectChange(int64_t offset, int64_t removed, int64_t inserted, int everything = 0) {
        const DocumentChange c = Told();
        EXPECT_EQ(offset, c.m_n_offset);
        EXPECT_EQ(removed, c.m_n_removed);
        EXPECT_EQ(inserted, c.m_n_inserted);
        EXPECT_EQ(everything, c.m_b_everything);
    }

    MemorySource m_source;
    CallBackInfo m_doc;
    RecordingWatcher m_watcher;
};

const uint8_t kBytes[] = {0xA1, 0xA2, 0xA3, 0xA4};

} // namespace

TEST_F(DocumentEdits, EachEditUndoAndRedoIsToldOnceWithItsRangeAndKeepsTheSize) {
    DocumentWatch watch(&m_doc, &m_watcher);
    ASSERT_EQ(1, m_doc.Insert(4, kBytes, 3));
    ExpectChange(4, 0, 3);
    EXPECT_EQ(35, m_doc.m_n_data_size);
    ASSERT_EQ(1, m_doc.Remove(10, 19));
    ExpectChange(10, 10, 0);
    EXPECT_EQ(25, m_doc.m_n_data_size);
    ASSERT_EQ(1, m_doc.Overwrite(0, kBytes, 2));
    ExpectChange(0, 2, 2);
    ASSERT_EQ(1, m_doc.Replace(20, 5, kBytes, 1));
    ExpectChange(20, 5, 1);
    EXPECT_EQ(21, m_doc.m_n_data_size);
    ASSERT_EQ(1, m_doc.TypeNibble(7, 0xC, 1, &m_source));
    ExpectChange(7, 1, 1);

    // Undo of the replacement puts its five bytes back over the one.
    HistoryResult step = {};
    ASSERT_EQ(1, m_doc.Undo(&step));
    ExpectChange(7, 1, 1);
    ASSERT_EQ(1, m_doc.Undo(&step));
    ExpectChange(20, 1, 5);
    EXPECT_EQ(25, m_doc.m_n_data_size);
    ASSERT_EQ(1, m_doc.Undo(nullptr));
    ExpectChange(0, 2, 2);
    ASSERT_EQ(1, m_doc.Undo(nullptr));
    ExpectChange(10, 0, 10);
    ASSERT_EQ(1, m_doc.Undo(nullptr));
    ExpectChange(4, 3, 0);
    EXPECT_EQ(32, m_doc.m_n_data_size);
    EXPECT_EQ(m_source.m_bytes, Effective(*m_doc.m_p_data_plane, m_source));
    ASSERT_EQ(1, m_doc.Redo(nullptr));
    ExpectChange(4, 0, 3);
    ASSERT_EQ(1, m_doc.Redo(nullptr));
    ExpectChange(10, 10, 0);
    EXPECT_EQ(25, m_doc.m_n_data_size);
}

TEST_F(DocumentEdits, RefusedEditsTellNothingAndChangeNothing) {
    DocumentWatch watch(&m_doc, &m_watcher);
    EXPECT_EQ(0, m_doc.Undo(nullptr));
    EXPECT_EQ(0, m_doc.Redo(nullptr));
    EXPECT_EQ(0, m_doc.Remove(40, 41)); // past the end
    EXPECT_EQ(0, m_doc.Insert(0, kBytes, 0));
    {
        PlaneReadGuard reading = HoldForReading(&m_doc);
        EXPECT_EQ(0, m_doc.Insert(0, kBytes, 2));
        EXPECT_EQ(0, m_doc.TypeNibble(0, 1, 1, &m_source));
    }
    EXPECT_TRUE(m_watcher.m_changes.empty());
    EXPECT_EQ(0u, m_doc.Generation());
    EXPECT_EQ(32, m_doc.m_n_data_size);
    EXPECT_EQ(0, m_doc.IsModified());
}

TEST_F(DocumentEdits, NewPiecesAreToldAsEverythingAndStartTheHistoryAfresh) {
    DocumentWatch watch(&m_doc, &m_watcher);
    ASSERT_EQ(1, m_doc.Remove(0, 1));
    Told();
    ASSERT_EQ(1, m_doc.StartAfreshWith(std::make_unique<CDataPlane>(8), 8));
    ExpectChange(0, 30, 8, 1);
    EXPECT_EQ(8, m_doc.m_n_data_size);
    EXPECT_EQ(0, m_doc.m_history.CanUndo());
    EXPECT_EQ(0, m_doc.IsModified());
    EXPECT_EQ(0, m_doc.StartAfreshWith(nullptr, 0));
    EXPECT_TRUE(m_watcher.m_changes.empty());
    EXPECT_EQ(2u, m_doc.Generation());
}

TEST_F(DocumentEdits, WatchesEndWithTheirScopeOrTheDocument) {
    RecordingWatcher second;
    {
        DocumentWatch watch(&m_doc, &m_watcher);
        DocumentWatch moved(&m_doc, &second);
        DocumentWatch kept(std::move(moved));
        ASSERT_EQ(1, m_doc.Insert(0, kBytes, 1));
        EXPECT_EQ(1u, second.m_changes.size()) << "told once, through the moved watch";
    }
    ASSERT_EQ(1, m_doc.Insert(0, kBytes, 1));
    EXPECT_EQ(1u, m_watcher.m_changes.size());
    EXPECT_EQ(1u, second.m_changes.size());

    auto doc = std::make_unique<CallBackInfo>(nullptr);
    DocumentWatch outliving(doc.get(), &m_watcher);
    doc.reset();
    EXPECT_EQ(nullptr, outliving.Document());
    outliving.Reset(); // nothing left to unregister from
}

TEST_F(DocumentEdits, PendingStateFollowsTheKeptStepThroughUndoAndRedo) {
    ASSERT_EQ(1, m_doc.Insert(0, kBytes, 2));
    EXPECT_EQ(1, m_doc.IsModified());
    ASSERT_EQ(1, m_doc.Undo(nullptr));
    EXPECT_EQ(0, m_doc.IsModified()) << "back to the opened state";
    ASSERT_EQ(1, m_doc.Redo(nullptr));
    m_doc.MarkKept();
    EXPECT_EQ(0, m_doc.IsModified());
    ASSERT_EQ(1, m_doc.Undo(nullptr));
    EXPECT_EQ(1, m_doc.IsModified()) << "the opened state is no longer the kept one";
    ASSERT_EQ(1, m_doc.Redo(nullptr));
    EXPECT_EQ(0, m_doc.IsModified());

    // A nibble typed after keeping is a step of its own, never joined to the
    // kept one, so the state it changes reads as pending.
    ASSERT_EQ(1, m_doc.TypeNibble(5, 0x1, 1, &m_source));
    m_doc.MarkKept();
    ASSERT_EQ(1, m_doc.TypeNibble(5, 0x2, 0, &m_source));
    EXPECT_EQ(1, m_doc.IsModified());
    ASSERT_EQ(1, m_doc.Undo(nullptr));
    EXPECT_EQ(0, m_doc.IsModified());

    // Restored edits that were never kept stay pending whatever is undone.
    m_doc.MarkNeverKept();
    EXPECT_EQ(1, m_doc.IsModified());
    ASSERT_EQ(1, m_doc.Undo(nullptr));
    EXPECT_EQ(1, m_doc.IsModified());
}
