// CFileMapping against the real Win32 file calls: the read-only fallback when
// another handle denies write sharing, and views of a file held open elsewhere.
#include "data/file_mapping.h"
#include "tests/fakes/counting_file_map_ops.h"
#include "tests/fakes/memory_source.h"
#include "tests/fakes/recording_message_sink.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// A handle that closes itself.
struct ScopedHandle {
    explicit ScopedHandle(HANDLE h) : m_h(h) {}
    ~ScopedHandle() {
        if (m_h != INVALID_HANDLE_VALUE && m_h != nullptr)
            CloseHandle(m_h);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE m_h;
};

TEST(FileMappingWin32, FileHeldWithoutWriteSharingOpensReadOnly) {
    TempDir dir;
    const std::vector<uint8_t> bytes = MemorySource::Pattern(65536 + 300);
    std::wstring path = dir.WriteFile("held.bin", bytes);
    ASSERT_FALSE(path.empty());
    RecordingMessageSink sink;
    {
        ScopedHandle other(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_NE(other.m_h, INVALID_HANDLE_VALUE);

        CountingFileMapOps ops;
        CFileMapping fm(ops);
        ASSERT_EQ(fm.Open(path.c_str()), 1);
        EXPECT_EQ(fm.m_b_writable, 0);
        EXPECT_EQ(ops.m_n_open_calls, 2);
        const uint8_t* p = fm.GetData(65536 + 299);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(*p, bytes[65536 + 299]);
        EXPECT_EQ(ops.m_n_last_map_writable, 0);

        // A shared copy reads through the same read-only mapping.
        CFileMapping copy(fm);
        const uint8_t* c = copy.GetData(1);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(*c, bytes[1]);
    }
    // Without the other handle the file opens read-write again.
    CFileMapping again;
    ASSERT_EQ(again.Open(path.c_str()), 1);
    EXPECT_EQ(again.m_b_writable, 1);
    EXPECT_TRUE(sink.Messages().empty());
}

TEST(FileMappingWin32, FileHeldForWritingWithoutSharingCannotBeOpened) {
    TempDir dir;
    std::wstring path = dir.WriteFile("locked.bin", MemorySource::Pattern(100));
    ASSERT_FALSE(path.empty());
    ScopedHandle other(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(other.m_h, INVALID_HANDLE_VALUE);
    RecordingMessageSink sink;
    CFileMapping fm;
    EXPECT_EQ(fm.Open(path.c_str()), 0);
    EXPECT_EQ(fm.m_h_file, nullptr);
    EXPECT_TRUE(sink.Messages().empty());
}

TEST(FileMappingWin32, HandlesAreRealAndReleasedOnClose) {
    TempDir dir;
    std::wstring path = dir.WriteFile("h.bin", MemorySource::Pattern(10));
    CFileMapping fm;
    ASSERT_EQ(fm.Open(path.c_str()), 1);
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(static_cast<HANDLE>(fm.m_h_file), &flags));
    EXPECT_TRUE(GetHandleInformation(static_cast<HANDLE>(fm.m_h_mapping), &flags));
    ASSERT_NE(fm.GetData(9), nullptr);
    fm.Close();
    // With every handle closed the file can be deleted at once.
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

} // namespace
