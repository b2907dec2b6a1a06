// The save window's writer thread: blocks reach the file in order, a write
// that fails shows at a later block, and a window deleted with blocks still
// queued stops without writing them.
#include "data/save_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Stands in for the file: records each block written, slowly enough that
// later blocks queue up behind it, and fails the block at fail_offset.
struct RecordingFile {
    std::mutex m_mutex;
    std::vector<std::pair<int64_t, size_t>> m_blocks;
    std::vector<uint8_t> m_first_bytes;
    int64_t m_n_fail_offset = -1;
    std::atomic<int> m_n_writes{0};

    static int Write(void* file, int64_t, int64_t offset, uint8_t* data, size_t length) {
        auto* self = static_cast<RecordingFile*>(file);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ++self->m_n_writes;
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_blocks.emplace_back(offset, length);
        self->m_first_bytes.push_back(data[0]);
        return offset != self->m_n_fail_offset;
    }
};

// Fills and hands over the block at index of a file of size bytes, the way
// the save's output does; the result of handing it over.
int WriteBlockAt(SaveWindow* window, int64_t size, int64_t index) {
    const int64_t offset = index * kSaveBlockSize;
    const int64_t rest = size - offset;
    const size_t length = static_cast<size_t>(rest < kSaveBlockSize ? rest : kSaveBlockSize);
    uint8_t* view = TakeSaveView(window, offset, length);
    if (view == nullptr)
        return 0;
    view[0] = static_cast<uint8_t>(index + 1);
    const int ok = QueueSaveView(view, length);
    ReleaseSaveView(view);
    return ok;
}

TEST(SaveWindow, BlocksAreWrittenInOrderAndAFailureShowsByTheLastBlock) {
    const int64_t size = 4 * kSaveBlockSize + 100;
    RecordingFile file;
    SaveWindow* window = NewSaveWindow(&file, size, RecordingFile::Write);
    ASSERT_NE(window, nullptr);
    for (int64_t i = 0; i < 4; ++i)
        EXPECT_EQ(WriteBlockAt(window, size, i), 1);
    EXPECT_EQ(WriteBlockAt(window, size, 4), 1); // returns only when all are written
    EXPECT_EQ(file.m_n_writes.load(), 5);
    ASSERT_EQ(file.m_blocks.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(file.m_blocks[i].first, static_cast<int64_t>(i) * kSaveBlockSize);
        EXPECT_EQ(file.m_first_bytes[i], i + 1);
    }
    EXPECT_EQ(file.m_blocks[4].second, 100u);
    DeleteSaveWindow(window);

    // The second block fails while the third is being filled: a later block
    // reports it, and no block queued after it is written.
    RecordingFile failing;
    failing.m_n_fail_offset = kSaveBlockSize;
    window = NewSaveWindow(&failing, size, RecordingFile::Write);
    ASSERT_NE(window, nullptr);
    int ok = 1;
    for (int64_t i = 0; i < 5 && ok; ++i)
        ok = WriteBlockAt(window, size, i);
    EXPECT_EQ(ok, 0);
    DeleteSaveWindow(window);
    EXPECT_LE(failing.m_n_writes.load(), 2);
}

TEST(SaveWindow, DeletingWithBlocksQueuedWritesNoMore) {
    const int64_t size = 8 * kSaveBlockSize;
    RecordingFile file;
    SaveWindow* window = NewSaveWindow(&file, size, RecordingFile::Write);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WriteBlockAt(window, size, 0), 1);
    EXPECT_EQ(WriteBlockAt(window, size, 1), 1);
    // The first block is being written, the second waits: a failed walk
    // abandons the file here, and only the block under way is finished.
    DeleteSaveWindow(window);
    EXPECT_LE(file.m_n_writes.load(), 1);
}

} // namespace
