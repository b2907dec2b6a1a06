// CFileMapping over real files: views, bounds, remapping, shared copies,
// read-only fallback and the messages of failed view calls.
#include "base/tkstr.h"
#include "data/file_mapping.h"
#include "tests/fakes/counting_file_map_ops.h"
#include "tests/fakes/large_offset_probe.h"
#include "tests/fakes/memory_source.h"
#include "tests/fakes/recording_message_sink.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace {

class FileMappingTest : public testing::Test {
  protected:
    std::wstring PatternFile(const std::string& name, size_t size) {
        m_bytes = MemorySource::Pattern(size);
        return m_dir.WriteFile(name, m_bytes);
    }

    TempDir m_dir;
    std::vector<uint8_t> m_bytes;
    CountingFileMapOps m_ops;
    RecordingMessageSink m_sink;
};

TEST_F(FileMappingTest, FreshObjectIsClosed) {
    CFileMapping fm(m_ops);
    EXPECT_EQ(fm.m_p_name, nullptr);
    EXPECT_EQ(fm.m_h_file, nullptr);
    EXPECT_EQ(fm.m_h_mapping, nullptr);
    EXPECT_EQ(fm.m_n_file_size, 0);
    EXPECT_EQ(fm.m_n_view_index, -1);
    EXPECT_EQ(fm.m_p_view, nullptr);
    EXPECT_EQ(fm.m_b_shared, 0);
    EXPECT_EQ(fm.m_b_writable, 1);
    EXPECT_EQ(fm.GetData(0), nullptr);
    EXPECT_EQ(m_ops.m_n_map_calls, 0);
}

TEST_F(FileMappingTest, ZeroLengthFileIsRefused) {
    std::wstring path = m_dir.WriteFile("empty.bin", {});
    ASSERT_FALSE(path.empty());
    CFileMapping fm(m_ops);
    EXPECT_EQ(fm.Open(path.c_str()), 0);
    EXPECT_EQ(fm.m_h_mapping, nullptr);
    EXPECT_EQ(fm.GetData(0), nullptr);
    fm.Close();
    EXPECT_EQ(fm.m_h_file, nullptr);
    EXPECT_EQ(m_ops.m_n_close_file_calls, 1);
    EXPECT_TRUE(m_sink.Messages().empty());
}

TEST_F(FileMappingTest, MissingFileFailsSilentlyAfterBothAttempts) {
    CFileMapping fm(m_ops);
    std::wstring path = m_dir.WidePath("missing.bin");
    EXPECT_EQ(fm.Open(path.c_str()), 0);
    EXPECT_EQ(m_ops.m_n_open_calls, 2); // read-write, then read-only
    EXPECT_EQ(fm.m_b_writable, 0);
    EXPECT_EQ(fm.m_p_name, nullptr);
    EXPECT_EQ(fm.m_h_file, nullptr);
    EXPECT_TRUE(m_sink.Messages().empty());
}

TEST_F(FileMappingTest, OpenKeepsTheNameAndSize) {
    std::wstring path = PatternFile("a.bin", 100);
    CFileMapping fm(m_ops);
    ASSERT_EQ(fm.Open(path.c_str()), 1);
    ASSERT_NE(fm.m_p_name, nullptr);
    EXPECT_EQ(std::wstring(fm.m_p_name->c_str()), path);
    EXPECT_EQ(fm.m_n_file_size, 100);
    EXPECT_EQ(fm.m_b_writable, 1);
    EXPECT_EQ(fm.m_n_view_index, -1); // no view before the first read
    EXPECT_EQ(m_ops.m_n_map_calls, 0);
}

TEST_F(FileMappingTest, ShortLastViewAndEndOfFile) {
    const size_t size = 3 * 65536 + 1234;
    std::wstring path = PatternFile("short.bin", size);
    CFileMapping fm(m_ops);
    ASSERT_EQ(fm.Open(path.c_str()), 1);

    const uint8_t* last = fm.GetData(static_cast<int64_t>(size) - 1);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(*last, m_bytes[size - 1]);
    EXPECT_EQ(fm.m_n_view_index, 3);
    EXPECT_EQ(m_ops.m_n_last_map_offset, 3 * 65536);
    EXPECT_EQ(m_ops.m_n_last_map_length, 1234u);

    size_t available = 0;
    const uint8_t* first = fm.ViewData(3 * 65536, &available);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(available, 1234u);
    EXPECT_EQ(first + 1233, last);

    EXPECT_EQ(fm.GetData(static_cast<int64_t>(size)), nullptr);
    EXPECT_EQ(fm.GetData(-1), nullptr);
    EXPECT_EQ(fm.GetData(INT64_MAX), nullptr);
    EXPECT_EQ(fm.GetData(INT64_MIN), nullptr);
    EXPECT_EQ(m_ops.m_n_map_calls, 1); // out-of-range requests touch no view
    EXPECT_TRUE(m_sink.Messages().empty());
}

TEST_F(FileMappingTest, EveryByteMatchesTheFile) {
    const size_t size = 2 * 65536 + 17;
    std::wstring path = PatternFile("all.bin", size);
    CFileMapping fm(m_ops);
    ASSERT_EQ(fm.Open(path.c_str()), 1);
    for (size_t i = 0; i < size; ++i) {
        const uint8_t* p = fm.GetData(static_cast<int64_t>(i));
        ASSERT_NE(p, nullptr) << i;
        ASSERT_EQ(*p, m_bytes[i]) << i;
    }
    EXPECT_EQ(m_ops.m_n_map_calls, 3);
    EXPECT_EQ(m_ops.m_n_views_mapped, 1); // never more than one view at a time
}

TEST_F(FileMappingTest, RemapsOnlyWhenTheViewChanges) {
    std::wstring path = PatternFile("alt.bin", 4 * 65536);
    CFileMapping fm(m_ops);
    ASSERT_EQ(fm.Open(path.c_str()), 1);

    for (int i = 0; i < 10; ++i) {
        const int64_t offset = (i % 2 == 0) ? 65535 : 65536;
        const uint8_t* p = fm.GetData(offset);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(*p, m_bytes[static_cast<size_t>(offset)]);
    }
    EXPECT_EQ(m_ops.m_n_map_calls, 10);
    EXPECT_EQ(m_ops.m_n_unmap_calls, 9);

    const int64_t before = m_ops.m_n_map_calls;
    for (int64_t offset = 2 * 65536; offset < 3 * 65536; offset += 97)
        ASSERT_NE(fm.GetData(offset), nullptr);
    EXPECT_EQ(m_ops.m_n_map_calls - before, 1);
    EXPECT_EQ(m_ops.m_n_views_mapped, 1);
}

TEST_F(FileMappingTest, FailedMapShowsMessageAndRecovers) {
    std::wstring path = PatternFile("fail.bin", 2 * 65536);
    m_ops.m_n_fail_map_at = 2;
    CFileMapping fm(m_ops);
    ASSERT_EQ(fm.Open(path.c_str()), 1);
    ASSERT_NE(fm.GetData(10), nullptr);
    EXPECT_EQ(fm.GetData(65536 + 10), nullptr);
    EXPECT_EQ(fm.m_p_view, nullptr);
    ASSERT_EQ(m_sink.Messages().size(), 1u);
    EXPECT_EQ(m_sink.Messages()[0], L"MapViewOfFileEx Failed!");
    // The old view was released, and the next request maps again, even in view 0.
    EXPECT_EQ(m_ops.m_n_views_mapped, 0);
    const uint8_t* p = fm.GetData(20);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(*p, m_bytes[20]);
    EXPECT_EQ(m_ops.m_n_map_calls, 3);
}

TEST_F(FileMappingTest, FailedUnmapShowsMessageAndGoesOn) {
    std::wstring path = PatternFile("unmap.bin", 2 * 65536);
    m_ops.m_n_fail_unmap_at = 1;
    CFileMapping fm(m_ops);
    ASSERT_EQ(fm.Open(path.c_str()), 1);
    ASSERT_NE(fm.GetData(0), nullptr);
    const uint8_t* p = fm.GetData(65536);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(*p, m_bytes[65536]);
    ASSERT_EQ(m_sink.Messages().size(), 1u);
    EXPECT_EQ(m_sink.Messages()[0], L"UnmapViewOfFile Failed!");
}

TEST_F(FileMappingTest, ReadOnlyFallbackMapsReadOnlyViews) {
    std::wstring path = PatternFile("ro.bin", 1000);
    m_ops.m_b_refuse_writable = 1;
    CFileMapping fm(m_ops);
    ASSERT_EQ(fm.Open(path.c_str()), 1);
    EXPECT_EQ(fm.m_b_writable, 0);
    const uint8_t* p = fm.GetData(999);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(*p, m_bytes[999]);
    EXPECT_EQ(m_ops.m_n_last_map_writable, 0);
    // Asked for: no read-write open is tried.
    CountingFileMapOps asked;
    CFileMapping chosen(asked);
    ASSERT_EQ(chosen.Open(path.c_str(), 1), 1);
    EXPECT_EQ(asked.m_n_open_calls, 1);
    EXPECT_EQ(chosen.m_b_writable, 0);
}

TEST_F(FileMappingTest, FailedMappingKeepsFileUntilClose) {
    std::wstring path = PatternFile("nomap.bin", 1000);
    m_ops.m_b_fail_mapping = 1;
    {
        CFileMapping fm(m_ops);
        EXPECT_EQ(fm.Open(path.c_str()), 0);
        EXPECT_NE(fm.m_h_file, nullptr);
        EXPECT_EQ(fm.GetData(0), nullptr);
        EXPECT_EQ(m_ops.m_n_map_calls, 0);
    }
    EXPECT_EQ(m_ops.m_n_close_file_calls, 1); // the destructor released it
    EXPECT_TRUE(m_sink.Messages().empty());
}

TEST_F(FileMappingTest, ClosingASharedCopyLeavesTheOwnerUsable) {
    std::wstring path = PatternFile("shared.bin", 3 * 65536);
    CFileMapping owner(m_ops);
    ASSERT_EQ(owner.Open(path.c_str()), 1);
    ASSERT_NE(owner.GetData(5), nullptr);
    {
        CFileMapping copy(owner);
        EXPECT_EQ(copy.m_b_shared, 1);
        EXPECT_EQ(copy.m_p_name, owner.m_p_name);
        EXPECT_EQ(copy.m_h_mapping, owner.m_h_mapping);
        EXPECT_EQ(copy.m_n_file_size, owner.m_n_file_size);
        EXPECT_EQ(copy.m_n_view_index, -1);
        EXPECT_EQ(copy.m_p_view, nullptr);
        const uint8_t* c = copy.GetData(2 * 65536 + 1);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(*c, m_bytes[2 * 65536 + 1]);
        EXPECT_EQ(m_ops.m_n_views_mapped, 2); // each object has its own view
        // The owner's view is untouched by the copy's reads.
        EXPECT_EQ(*owner.GetData(5), m_bytes[5]);
        copy.Close();
        EXPECT_EQ(m_ops.m_n_views_mapped, 1);
    } // the copy's destructor closes again: still nothing of the owner's released
    EXPECT_EQ(m_ops.m_n_close_mapping_calls, 0);
    EXPECT_EQ(m_ops.m_n_close_file_calls, 0);
    ASSERT_NE(owner.m_p_name, nullptr);
    EXPECT_EQ(std::wstring(owner.m_p_name->c_str()), path);
    const uint8_t* p = owner.GetData(65536 + 7);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(*p, m_bytes[65536 + 7]);
    owner.Close();
    EXPECT_EQ(m_ops.m_n_close_mapping_calls, 1);
    EXPECT_EQ(m_ops.m_n_close_file_calls, 1);
    EXPECT_EQ(m_ops.m_n_views_mapped, 0);
    EXPECT_EQ(owner.m_p_name, nullptr);
}

TEST_F(FileMappingTest, ReopeningReleasesTheEarlierFile) {
    std::wstring a = PatternFile("one.bin", 10);
    std::wstring b = m_dir.WriteFile("two.bin", std::vector<uint8_t>(20, 0xAB));
    CFileMapping fm(m_ops);
    ASSERT_EQ(fm.Open(a.c_str()), 1);
    ASSERT_NE(fm.GetData(3), nullptr);
    ASSERT_EQ(fm.Open(b.c_str()), 1);
    EXPECT_EQ(m_ops.m_n_close_file_calls, 1);
    EXPECT_EQ(m_ops.m_n_views_mapped, 0);
    EXPECT_EQ(fm.m_n_file_size, 20);
    EXPECT_EQ(*fm.GetData(3), 0xAB);
}

// Another program cuts the file: no byte past its new end is read (natively
// such a read would fault), and growing it again brings back none of the cut.
TEST_F(FileMappingTest, AFileFoundShorterIsReadNoFurtherThanItsEnd) {
    const std::wstring path = PatternFile("cut.bin", 3 * 65536);
    CFileMapping fm(m_ops);
    ASSERT_EQ(fm.Open(path.c_str()), 1);
    EXPECT_EQ(fm.m_stamp_opened.m_n_size, 3 * 65536);
    ASSERT_NE(fm.GetData(2 * 65536 + 10), nullptr);

    std::error_code cut;
    std::filesystem::resize_file(m_dir.File("cut.bin"), 65536 + 100, cut);
    if (cut)
        GTEST_SKIP() << "this platform cuts no file while it is mapped (the end-to-end test cuts "
                        "it from outside)";
    FileStamp now;
    ASSERT_EQ(fm.CheckStamp(&now), 1);
    EXPECT_EQ(now.m_n_size, 65536 + 100);
    EXPECT_EQ(fm.GetData(2 * 65536 + 10), nullptr) << "the view in hand reached past the end";
    EXPECT_EQ(fm.GetData(65536 + 100), nullptr);
    const uint8_t* last = fm.GetData(65536 + 99);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(*last, m_bytes[65536 + 99]);

    std::filesystem::resize_file(m_dir.File("cut.bin"), 4 * 65536);
    ASSERT_EQ(fm.CheckStamp(&now), 1);
    EXPECT_EQ(now.m_n_size, 4 * 65536);
    EXPECT_EQ(fm.GetData(65536 + 100), nullptr);
    EXPECT_EQ(fm.m_n_file_size, 3 * 65536) << "the document still refers to the size at opening";
}

TEST_F(FileMappingTest, SparseFileAboveFourGiB) {
    const uint64_t size = (5ull << 30) + 100;           // 5 GiB + 100, mostly a hole
    const uint64_t mark = (4ull << 30) + 65536 * 3 - 2; // straddles a view boundary
    const std::vector<uint8_t> marker = {0x11, 0x22, 0x33, 0x44};
    std::wstring path = m_dir.WriteSparseFile("big.bin", size, mark, marker);
    if (path.empty())
        GTEST_SKIP() << "the file system cannot hold a 5 GiB sparse file";
    if (!PlatformMapsAboveFourGiB(m_dir))
        GTEST_SKIP() << "this platform (qemu-user before 8.1) maps no file offsets above 4 GiB";

    CFileMapping fm(m_ops);
    ASSERT_EQ(fm.Open(path.c_str()), 1);
    EXPECT_EQ(fm.m_n_file_size, static_cast<int64_t>(size));
    for (size_t i = 0; i < marker.size(); ++i) {
        const uint8_t* p = fm.GetData(static_cast<int64_t>(mark + i));
        ASSERT_NE(p, nullptr) << i;
        EXPECT_EQ(*p, marker[i]) << i;
    }
    EXPECT_EQ(fm.m_n_view_index, static_cast<int64_t>((mark + 3) >> 16));
    EXPECT_EQ(m_ops.m_n_last_map_offset, static_cast<int64_t>(((mark + 3) >> 16) << 16));
    // The same low 32 bits below 4 GiB must not alias the marker.
    const uint8_t* low = fm.GetData(static_cast<int64_t>(mark - (4ull << 30)));
    ASSERT_NE(low, nullptr);
    EXPECT_EQ(*low, 0);
    const uint8_t* last = fm.GetData(static_cast<int64_t>(size - 1));
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(*last, 0);
    EXPECT_EQ(m_ops.m_n_last_map_length, 100u);
    EXPECT_EQ(fm.GetData(static_cast<int64_t>(size)), nullptr);
    EXPECT_TRUE(m_sink.Messages().empty());
}

} // namespace
