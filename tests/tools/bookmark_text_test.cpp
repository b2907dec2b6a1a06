// Bookmarks as text: escapes survive a round trip, a damaged line is skipped
// and reported by number, the store marks bookmarks of a resized file, its
// name is stable, and it is replaced only by a complete new file.
#include "tests/fakes/failing_workspace_ops.h"
#include "tests/fakes/temp_dir.h"
#include "tools/bookmark_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(BookmarkText, RoundTripsEscapesAndReportsDamagedLinesByNumber) {
    BookmarkSet set;
    set.Add(0x1F0, 16, L"tab\there\\ and\nbreak\r", L"caf\u00e9 \U0001F600");
    set.Add(0, 0, L"", L"");
    set.Add(0x7FFFFFFF00, 255, L"big", L"note\\t is not a tab");
    const std::string text = BookmarksToText(set);
    EXPECT_EQ(0u, text.find("0x0\t0\t\t\n")) << text;

    std::vector<Bookmark> read;
    std::vector<size_t> bad;
    ASSERT_EQ(3, ParseBookmarkText(text.data(), text.size(), &read, &bad));
    EXPECT_TRUE(bad.empty());
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(set.At(i).m_n_first, read[i].m_n_first);
        EXPECT_EQ(set.At(i).m_n_length, read[i].m_n_length);
        EXPECT_EQ(set.At(i).m_sz_name, read[i].m_sz_name);
        EXPECT_EQ(set.At(i).m_sz_note, read[i].m_sz_note);
    }

    // A BOM, CR LF, a comment and an empty line are fine; the rest are damaged.
    const std::string mixed = "\xEF\xBB\xBF"
                              "0x10\t4\tgood\tnote\r\n"             // 1
                              "# comment\n"                         // 2
                              "\n"                                  // 3
                              "0xZZ\t4\tbad hex\t\n"                // 4
                              "0x10\t-4\tnegative\t\n"              // 5
                              "0x10\t4\tbad \\q escape\t\n"         // 6
                              "0x10\t4\n"                           // 7
                              "0x10\t4\t\xC3\t\n"                   // 8: cut UTF-8
                              "0x7FFFFFFFFFFFFFFF\t2\toverflow\t\n" // 9
                              "20\t1\tno prefix\t\tmoved\n"         // 10
                              "0x10\t4\ta\tb\tc\td\n"               // 11
                              "0x30\t1\tlast";                      // 12, no line break
    read.clear();
    bad.clear();
    ASSERT_EQ(3, ParseBookmarkText(mixed.data(), mixed.size(), &read, &bad));
    EXPECT_EQ((std::vector<size_t>{4, 5, 6, 7, 8, 9, 11}), bad);
    EXPECT_EQ(L"good", read[0].m_sz_name);
    EXPECT_EQ(0x20, read[1].m_n_first);
    EXPECT_EQ(1, read[1].m_b_maybe_moved);
    EXPECT_EQ(L"last", read[2].m_sz_name);
}

TEST(BookmarkText, StoreMarksBookmarksOfAResizedFileAsPossiblyMoved) {
    BookmarkSet set;
    set.Add(8, 2, L"a", L"");
    const std::string text = BookmarkStoreText(set, 1000, 1234);
    for (int64_t size_now : {1000, 999}) {
        std::vector<Bookmark> read;
        ASSERT_EQ(1, ReadBookmarkStore(text.data(), text.size(), size_now, 99, &read, nullptr));
        EXPECT_EQ(size_now == 1000 ? 0 : 1, read[0].m_b_maybe_moved) << size_now;
    }
    // Without its header the size is unknown.
    const std::string bare = BookmarksToText(set);
    std::vector<Bookmark> read;
    ASSERT_EQ(1, ReadBookmarkStore(bare.data(), bare.size(), 1000, -1, &read, nullptr));
    EXPECT_EQ(1, read[0].m_b_maybe_moved);
}

TEST(BookmarkText, StoreNameIsStableAndIgnoresCaseAndSlashes) {
    const std::wstring name = BookmarkStoreName(L"C:\\Data\\Dump.bin");
    EXPECT_EQ(name, BookmarkStoreName(L"c:/data/DUMP.BIN"));
    EXPECT_NE(name, BookmarkStoreName(L"C:\\Data\\Dump2.bin"));
    // Kept across versions: a new name would lose every user's bookmarks.
    EXPECT_EQ(L"dump.bin-2af250c00c30075e.txt", name);
    EXPECT_EQ(std::wstring::npos, BookmarkStoreName(L"C:\\a\\b:c?.bin").find_first_of(L":?\\"));
}

TEST(BookmarkText, StoreIsReplacedOnlyByACompleteNewFile) {
    TempDir dir;
    const std::wstring folder = dir.Path().wstring();
    ASSERT_EQ(1, WriteBookmarkStore(folder, L"s.txt", "old\n"));
    // Every step of a second write fails in turn; the old content stays whole.
    for (int fail_at = 1; fail_at <= 4; ++fail_at) {
        FailingWorkspaceOps ops(fail_at);
        EXPECT_EQ(0, WriteBookmarkStore(folder, L"s.txt", "new content\n", ops)) << fail_at;
        std::string text;
        ASSERT_EQ(1, ReadBookmarkStoreFile(folder, L"s.txt", &text));
        EXPECT_EQ("old\n", text);
    }
    ASSERT_EQ(1, WriteBookmarkStore(folder, L"s.txt", "new content\n"));
    std::string text;
    ASSERT_EQ(1, ReadBookmarkStoreFile(folder, L"s.txt", &text));
    EXPECT_EQ("new content\n", text);
    EXPECT_EQ(0, ReadBookmarkStoreFile(folder, L"s.txt", &text, 4));
}
