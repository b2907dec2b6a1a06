// ShowMessage and DebugTrace: exact texts, never cut, routed to the installed sink.
#include "base/messages.h"
#include "tests/fakes/recording_message_sink.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>

namespace {

TEST(Messages, TextsAreFormattedExactly) {
    RecordingMessageSink sink;
    ShowMessage(L"UnmapViewOfFile Failed!");
    ShowMessage(L"COperation::CopyDataToClipboard Warning (data truncated).\r\n append = true. "
                L"m_n_cur_index = %d, n_size = %d, m_n_size = %d\n",
                1, -2, 300000);
    DebugTrace(L"Could not open process \"%s\"\n", L"notepad.exe");
    ASSERT_EQ(sink.Messages().size(), 2u);
    EXPECT_EQ(sink.Messages()[0], L"UnmapViewOfFile Failed!");
    EXPECT_EQ(sink.Messages()[1],
              L"COperation::CopyDataToClipboard Warning (data truncated).\r\n append = true. "
              L"m_n_cur_index = 1, n_size = -2, m_n_size = 300000\n");
    ASSERT_EQ(sink.Traces().size(), 1u);
    EXPECT_EQ(sink.Traces()[0], L"Could not open process \"notepad.exe\"\n");
}

TEST(Messages, LongPathIsShownWhole) {
    RecordingMessageSink sink;
    std::wstring path = L"C:\\";
    while (path.size() < 300)
        path += L"abcdefghi\\";
    path.resize(296);
    path += L".bin";
    ASSERT_EQ(path.size(), 300u);
    ShowMessage(L"Failed to open file %s\n", path.c_str());
    ASSERT_EQ(sink.Messages().size(), 1u);
    EXPECT_EQ(sink.Messages()[0], L"Failed to open file " + path + L"\n");

    std::wstring huge(100000, L'z');
    DebugTrace(L"%s|%I64X", huge.c_str(), static_cast<int64_t>(0x123456789A));
    ASSERT_EQ(sink.Traces().size(), 1u);
    EXPECT_EQ(sink.Traces()[0], huge + L"|123456789A");
}

TEST(Messages, SinksNestAndRestore) {
    RecordingMessageSink outer;
    {
        RecordingMessageSink inner;
        ShowMessage(L"one");
        EXPECT_EQ(inner.Messages().size(), 1u);
    }
    ShowMessage(L"two");
    ASSERT_EQ(outer.Messages().size(), 1u);
    EXPECT_EQ(outer.Messages()[0], L"two");
}

TEST(Messages, WorkerThreadsReachTheSink) {
    RecordingMessageSink sink;
    std::thread a([] {
        for (int i = 0; i < 200; ++i)
            ShowMessage(L"MapViewOfFileEx Failed!");
    });
    std::thread b([] {
        for (int i = 0; i < 200; ++i)
            DebugTrace(L"%d", i);
    });
    a.join();
    b.join();
    EXPECT_EQ(sink.Messages().size(), 200u);
    EXPECT_EQ(sink.Traces().size(), 200u);
}

} // namespace
