// Find: patterns, both search directions over edited documents, stopping,
// and a comparison with a plain search over random edited documents.
#include "tests/fakes/large_offset_probe.h"
#include "tests/tools/tools_fixture.h"
#include "tools/code_page.h"
#include "tools/find.h"
#include "tools/search_matcher.h"
#include "view/selection.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>

namespace {

class Find : public ToolsFixture {
  protected:
    // Forward search as "Next" runs it; the match's range or (-1, -1).
    std::pair<int64_t, int64_t> Next(const wchar_t* text, int mode = kFindModeHex,
                                     int32_t code_page = 0) {
        return Search(1, text, mode, code_page);
    }
    std::pair<int64_t, int64_t> Previous(const wchar_t* text, int mode = kFindModeHex,
                                         int32_t code_page = 0) {
        return Search(0, text, mode, code_page);
    }
    std::pair<int64_t, int64_t> Search(int direction, const wchar_t* text, int mode,
                                       int32_t code_page) {
        SearchRequest request(m_doc.get(), SearchStart(m_doc.get(), direction));
        int64_t end = -1;
        const int64_t p = FindPattern(&request, mode, text, direction, &end, code_page);
        SelectFoundMatch(m_doc.get(), m_state.get(), direction, p, end);
        return {p, end};
    }
};

std::vector<uint8_t> Pattern(const wchar_t* text, int mode, int32_t code_page) {
    return BuildFindPattern(mode, text, code_page);
}

// The plain search: first window at or after from, last window ending at or before last.
int64_t ReferenceFirst(const std::vector<uint8_t>& data, const std::vector<uint8_t>& pat,
                       int64_t from) {
    const auto n = static_cast<int64_t>(pat.size());
    for (int64_t p = std::max<int64_t>(from, 0);
         n > 0 && p + n <= static_cast<int64_t>(data.size()); ++p)
        if (std::equal(pat.begin(), pat.end(), data.begin() + p))
            return p;
    return -1;
}

int64_t ReferenceLast(const std::vector<uint8_t>& data, const std::vector<uint8_t>& pat,
                      int64_t last) {
    const auto n = static_cast<int64_t>(pat.size());
    for (int64_t p = last - n + 1; n > 0 && p >= 0; --p)
        if (p + n <= static_cast<int64_t>(data.size()) &&
            std::equal(pat.begin(), pat.end(), data.begin() + p))
            return p;
    return -1;
}

} // namespace

TEST(FindPatterns, HexDigitsPairFromTheRight) {
    uint8_t bytes[2] = {};
    EXPECT_EQ(1, ParseHexPattern(L"4142", bytes, 2));
    EXPECT_EQ(0x41, bytes[0]);
    EXPECT_EQ(0x42, bytes[1]);
    EXPECT_EQ(1, ParseHexPattern(L"0a0B", bytes, 2));
    EXPECT_EQ(0x0A, bytes[0]);
    EXPECT_EQ(0x0B, bytes[1]);
    EXPECT_EQ(0, ParseHexPattern(L"41g2", bytes, 2));
    EXPECT_EQ(0, bytes[0]);
    EXPECT_EQ(0, bytes[1]);
    EXPECT_EQ(1, IsHexDigit(L'f'));
    EXPECT_EQ(0, IsHexDigit(L'g'));
    EXPECT_EQ(0, IsHexDigit(L' '));
}

TEST(FindPatterns, OddDigitCountReadsAsALeadingZero) {
    EXPECT_EQ((std::vector<uint8_t>{0x0A, 0xBC}), Pattern(L"ABC", kFindModeHex, 0));
    EXPECT_EQ((std::vector<uint8_t>{0x07}), Pattern(L"7", kFindModeHex, 0));
    EXPECT_TRUE(Pattern(L"", kFindModeHex, 0).empty());
    EXPECT_TRUE(Pattern(L"4 1", kFindModeHex, 0).empty());
}

TEST(FindPatterns, TextInTheFourCodePages) {
    EXPECT_EQ(L"UNICODE", std::wstring(FindCodePages[0].m_sz_name));
    EXPECT_EQ(-1, FindCodePages[0].m_n_code_page);
    EXPECT_EQ(0, FindCodePages[1].m_n_code_page);
    EXPECT_EQ(65001, FindCodePages[2].m_n_code_page);
    EXPECT_EQ(65000, FindCodePages[3].m_n_code_page);
    EXPECT_EQ((std::vector<uint8_t>{0x41, 0x00}), Pattern(L"A", kFindModeText, -1));
    EXPECT_EQ((std::vector<uint8_t>{0x41}), Pattern(L"A", kFindModeText, 0));
    EXPECT_EQ((std::vector<uint8_t>{0xE9, 0x80}), Pattern(L"\u00e9\u20ac", kFindModeText, 0));
    EXPECT_EQ((std::vector<uint8_t>{'a', 0xC3, 0xA9}), Pattern(L"a\u00e9", kFindModeText, 65001));
    EXPECT_EQ((std::vector<uint8_t>{'H', 'i', '+', 'A', 'O', 'k', '-'}),
              Pattern(L"Hi\u00e9", kFindModeText, 65000));
    EXPECT_EQ((std::vector<uint8_t>{'1', '+', '-', '2'}), Pattern(L"1+2", kFindModeText, 65000));
    // A character outside the basic plane is a surrogate pair in UTF-16.
    EXPECT_EQ((std::vector<uint8_t>{0x3D, 0xD8, 0x00, 0xDE}),
              Pattern(L"\U0001F600", kFindModeText, -1));
    EXPECT_EQ((std::vector<uint8_t>{0xF0, 0x9F, 0x98, 0x80}),
              Pattern(L"\U0001F600", kFindModeText, 65001));
}

TEST(FindPatterns, HexFilterCutsAtTheFirstOtherCharacter) {
    EXPECT_EQ(2u, HexFilterCut(L"12 34"));
    EXPECT_EQ(4u, HexFilterCut(L"1234"));
    EXPECT_EQ(0u, HexFilterCut(L"x1"));
}

TEST(FindPatterns, MatcherFindsFirstAndLastWindows) {
    const uint8_t data[] = {1, 2, 1, 2, 1, 2, 3};
    const uint8_t pat[] = {1, 2};
    PatternMatcher m(pat, 2);
    EXPECT_EQ(0, m.First(data, sizeof data));
    EXPECT_EQ(4, m.Last(data, sizeof data));
    EXPECT_EQ(-1, m.First(data, 1));
    const uint8_t one[] = {3};
    PatternMatcher single(one, 1);
    EXPECT_EQ(6, single.First(data, sizeof data));
    EXPECT_EQ(6, single.Last(data, sizeof data));
}

TEST_F(Find, NextFromTheCaretSelectsTheMatch) {
    Open({0x00, 0x10, 0x41, 0x42, 0x00});
    GoToOffset(m_doc.get(), 0);
    EXPECT_EQ((std::pair<int64_t, int64_t>(2, 3)), Next(L"4142"));
    EXPECT_EQ(2, SelectionStart(m_doc.get()));
    EXPECT_EQ(3, SelectionEnd(m_doc.get()));
    EXPECT_EQ(2, m_doc->m_n_caret_offset);
}

TEST_F(Find, OverlappingMatchesOneByteApart) {
    Open({0x41, 0x41, 0x41});
    EXPECT_EQ((std::pair<int64_t, int64_t>(0, 1)), Next(L"4141"));
    EXPECT_EQ((std::pair<int64_t, int64_t>(1, 2)), Next(L"4141"));
    EXPECT_EQ(-1, Next(L"4141").first);
    // The failed search left the selection as it was.
    EXPECT_EQ(1, SelectionStart(m_doc.get()));
    EXPECT_EQ(2, SelectionEnd(m_doc.get()));
    EXPECT_EQ((std::pair<int64_t, int64_t>(0, 1)), Previous(L"4141"));
    EXPECT_EQ(-1, Previous(L"4141").first);
}

TEST_F(Find, CaretOnAnOccurrenceSkipsIt) {
    Open({0x41, 0x42, 0x00, 0x41, 0x42});
    GoToOffset(m_doc.get(), 0);
    EXPECT_EQ(3, Next(L"4142").first);
    // Previous from the match finds the one that ends before its last byte.
    EXPECT_EQ(0, Previous(L"4142").first);
    // Without a selection Previous finds nothing, Next starts at 0.
    Select(-1, -1);
    EXPECT_EQ(-1, Previous(L"4142").first);
    Select(-1, -1);
    EXPECT_EQ(0, Next(L"4142").first);
}

TEST_F(Find, TextPatternsInCodePages) {
    Open({'x', 'A', 0x00, 'B', 0xC3, 0xA9});
    EXPECT_EQ(1, Next(L"A", kFindModeText, -1).first);
    Select(-1, -1);
    EXPECT_EQ(1, Next(L"A", kFindModeText, 0).first);
    Select(-1, -1);
    EXPECT_EQ(4, Next(L"\u00e9", kFindModeText, 65001).first);
    Select(-1, -1);
    EXPECT_EQ(-1, Next(L"AB", kFindModeText, 0).first);
}

TEST_F(Find, MatchesAcrossViewBoundaries) {
    std::vector<uint8_t> bytes(0x30000, 0x11);
    const uint8_t pat[] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::copy(pat, pat + 8, bytes.begin() + 0x10000 - 3);
    std::copy(pat, pat + 8, bytes.begin() + 0x20000 - 7);
    Open(bytes);
    EXPECT_EQ(0x10000 - 3, Next(L"0102030405060708").first);
    EXPECT_EQ(0x20000 - 7, Next(L"0102030405060708").first);
    EXPECT_EQ(0x10000 - 3, Previous(L"0102030405060708").first);
    Select(0x2FFFF, 0x2FFFF);
    EXPECT_EQ(0x20000 - 7, Previous(L"0102030405060708").first);
}

TEST_F(Find, InsertedBytesAreFoundAndRemovedOnesNot) {
    Open(Counting(250));
    const uint8_t inserted[] = {0xDE, 0xAD, 0xBE, 0xEF};
    ASSERT_EQ(1, m_doc->m_p_data_plane->Insert(100, inserted, 4));
    m_doc->m_n_data_size += 4;
    EXPECT_EQ(100, Next(L"DEADBEEF").first);
    // Bytes 10..12 of the source go; 09 0D now stand side by side.
    ASSERT_EQ(1, m_doc->m_p_data_plane->Remove(10, 12));
    m_doc->m_n_data_size -= 3;
    Select(-1, -1);
    EXPECT_EQ(-1, Next(L"0A0B").first);
    Select(-1, -1);
    EXPECT_EQ(9, Next(L"090D").first);
    // A match that spans a source piece, a typed byte and an inserted piece:
    // source byte 99 (0x63) now stands at 96, the inserted bytes at 97.
    ASSERT_EQ(1, m_doc->m_p_data_plane->SetNibble(96, 0xF, 1, &m_doc->m_file_mapping));
    Select(-1, -1);
    EXPECT_EQ(95, Next(L"62F3DEAD").first);
    EXPECT_EQ(98, SelectionEnd(m_doc.get()));
    Select(249, 249);
    EXPECT_EQ(95, Previous(L"62F3DEAD").first);
}

TEST_F(Find, ProgressCountsBlocks) {
    Open(std::vector<uint8_t>(0x50000, 0));
    Select(0x20000, 0x20000);
    EXPECT_EQ(-1, Next(L"01").first);
    EXPECT_EQ(5, m_doc->m_n_progress_total);
    EXPECT_EQ(4, m_doc->m_n_progress_pos);
}

TEST_F(Find, MatchesAndProgressAboveFourGiB) {
    const uint64_t size = (5ull << 30) + 100;
    const uint64_t mark = (4ull << 30) + 3 * 65536 - 2; // straddles a view edge
    const std::wstring path = m_dir.WriteSparseFile("big", size, mark, {1, 2, 3, 4});
    if (path.empty())
        GTEST_SKIP() << "the file system cannot hold a 5 GiB sparse file";
    if (!PlatformMapsAboveFourGiB(m_dir))
        GTEST_SKIP() << "this platform (qemu-user before 8.1) maps no file offsets above 4 GiB";
    m_doc = std::make_unique<CallBackInfo>(nullptr, m_ops);
    ASSERT_EQ(1, m_doc->OpenFile(path.c_str()));
    const auto at = static_cast<int64_t>(mark);
    Select(int64_t{1} << 32, int64_t{1} << 32);
    EXPECT_EQ(at, Next(L"01020304").first);
    EXPECT_EQ(static_cast<int64_t>(size >> 16), m_doc->m_n_progress_total);
    EXPECT_GE(m_doc->m_n_progress_pos, int64_t{1} << 16);
    Select(at + 65536, at + 65536);
    EXPECT_EQ(at, Previous(L"01020304").first);
    EXPECT_GE(m_doc->m_n_progress_pos, int64_t{1} << 16);
}

TEST_F(Find, StopRequestedBeforeTheStartEndsTheSearch) {
    Open({1, 2, 3});
    SearchRequest stopped(m_doc.get(), -1);
    stopped.m_b_stop = 1;
    int64_t end = -1;
    EXPECT_EQ(-1, FindPattern(&stopped, kFindModeHex, L"02", 1, &end, 0));
    // The flag belongs to that request alone.
    EXPECT_EQ(1, Next(L"02").first);
}

#ifndef _WIN32
TEST_F(Find, StopMidSearchReturnsPromptly) {
    // 2 GiB of zeros (a sparse file) with the pattern only at the very end.
    const uint64_t size = uint64_t{2} << 30;
    const std::wstring path = m_dir.WriteSparseFile("big", size, size - 4, {1, 2, 3, 4});
    ASSERT_FALSE(path.empty());
    m_doc = std::make_unique<CallBackInfo>(nullptr, m_ops);
    ASSERT_EQ(1, m_doc->OpenFile(path.c_str()));
    std::atomic<int64_t> result{-2};
    SearchRequest request(m_doc.get(), -1);
    std::thread worker([&] {
        int64_t end = -1;
        result = FindPattern(&request, kFindModeHex, L"01020304", 1, &end, 0);
    });
    while (m_doc->m_n_progress_pos < 2 && result == -2)
        std::this_thread::yield();
    const auto asked = std::chrono::steady_clock::now();
    request.m_b_stop = 1;
    worker.join();
    const auto waited = std::chrono::steady_clock::now() - asked;
    EXPECT_EQ(-1, result.load());
    EXPECT_LT(m_doc->m_n_progress_pos, m_doc->m_n_progress_total);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count(), 500);
}
#endif

// Random documents with random edits: every search in both directions gives
// what a plain search over the effective bytes gives.
TEST_F(Find, RandomEditedDocumentsMatchAPlainSearch) {
    std::mt19937 rng(20261207);
    for (int round = 0; round < 12; ++round) {
        const size_t size = 1 + rng() % (round < 4 ? 300 : 200000);
        std::vector<uint8_t> source(size);
        for (auto& b : source)
            b = static_cast<uint8_t>('a' + rng() % 3); // small alphabet: many matches
        Open(source);
        const int edits = static_cast<int>(rng() % 60);
        for (int e = 0; e < edits; ++e) {
            const int64_t total = m_doc->m_n_data_size;
            const int kind = static_cast<int>(rng() % 3);
            if (kind == 0 || total < 2) {
                std::vector<uint8_t> add(1 + rng() % 6);
                for (auto& b : add)
                    b = static_cast<uint8_t>('a' + rng() % 3);
                const int64_t at = static_cast<int64_t>(rng() % static_cast<uint32_t>(total + 1));
                ASSERT_EQ(1, m_doc->m_p_data_plane->Insert(at, add.data(),
                                                           static_cast<int64_t>(add.size())));
                m_doc->m_n_data_size += static_cast<int64_t>(add.size());
            } else if (kind == 1) {
                const int64_t first = static_cast<int64_t>(rng() % static_cast<uint32_t>(total));
                const int64_t last =
                    std::min<int64_t>(total - 1, first + static_cast<int64_t>(rng() % 5));
                ASSERT_EQ(1, m_doc->m_p_data_plane->Remove(first, last));
                m_doc->m_n_data_size -= last - first + 1;
            } else {
                const int64_t at = static_cast<int64_t>(rng() % static_cast<uint32_t>(total));
                ASSERT_EQ(1, m_doc->m_p_data_plane->SetNibble(at, 6, 1, &m_doc->m_file_mapping));
            }
        }
        const std::vector<uint8_t> data = Effective();
        const auto total = static_cast<int64_t>(data.size());
        if (total == 0)
            continue;
        SearchRequest search(m_doc.get(), 0);
        for (int q = 0; q < 25; ++q) {
            std::vector<uint8_t> pat;
            // Now and then a pattern longer than the 16- and 64-byte scan blocks.
            const size_t n = rng() % 5 == 0 ? 1 + rng() % 100 : 1 + rng() % 9;
            if (rng() % 2 && static_cast<int64_t>(n) <= total) {
                const int64_t at =
                    static_cast<int64_t>(rng() % static_cast<uint32_t>(total - n + 1));
                pat.assign(data.begin() + at, data.begin() + at + static_cast<int64_t>(n));
            } else {
                for (size_t i = 0; i < n; ++i)
                    pat.push_back(static_cast<uint8_t>('a' + rng() % 3));
            }
            const int64_t from = static_cast<int64_t>(rng() % static_cast<uint32_t>(total + 1)) - 1;
            search.m_n_from = from;
            const int64_t forward =
                SearchForward(&search, pat.data(), static_cast<int64_t>(pat.size()));
            ASSERT_EQ(ReferenceFirst(data, pat, from + 1), forward)
                << "round " << round << " query " << q << " from " << from;
            const int64_t last = static_cast<int64_t>(rng() % static_cast<uint32_t>(total));
            search.m_n_from = last;
            const int64_t backward =
                SearchBackward(&search, pat.data(), static_cast<int64_t>(pat.size()));
            ASSERT_EQ(ReferenceLast(data, pat, last), backward)
                << "round " << round << " query " << q << " last " << last;
            if (backward >= 0) {
                EXPECT_EQ(backward + static_cast<int64_t>(pat.size()) - 1, search.m_n_from);
            }
        }
    }
}

// One copy of the pattern across each 64 KiB view boundary, k bytes of it
// before the boundary for every k from 1 to n - 1: forward searches meet them
// in order, backward searches in reverse order.
TEST_F(Find, MatchesCrossViewBoundariesAtEveryOffset) {
    for (size_t n : {2u, 9u, 24u}) {
        std::vector<uint8_t> pat(n);
        for (size_t i = 0; i < n; ++i)
            pat[i] = static_cast<uint8_t>(0xC0 + i);
        std::vector<uint8_t> bytes(kViewSize * static_cast<int64_t>(n + 1), 0x11);
        std::vector<int64_t> planted;
        for (size_t k = 1; k < n; ++k) {
            const int64_t at = kViewSize * static_cast<int64_t>(k) - static_cast<int64_t>(k);
            std::copy(pat.begin(), pat.end(), bytes.begin() + at);
            planted.push_back(at);
        }
        Open(bytes);
        SearchRequest search(m_doc.get(), 0);
        for (int64_t at : planted) {
            search.m_n_from = at - 1;
            ASSERT_EQ(at, SearchForward(&search, pat.data(), static_cast<int64_t>(n))) << "n " << n;
        }
        search.m_n_from = planted.back();
        EXPECT_EQ(-1, SearchForward(&search, pat.data(), static_cast<int64_t>(n)));
        for (int64_t at : planted) {
            search.m_n_from = at + static_cast<int64_t>(n) - 1;
            ASSERT_EQ(at, SearchBackward(&search, pat.data(), static_cast<int64_t>(n)))
                << "n " << n;
            // One byte short of the window: the copy is out of reach.
            search.m_n_from = at + static_cast<int64_t>(n) - 2;
            const int64_t before = SearchBackward(&search, pat.data(), static_cast<int64_t>(n));
            ASSERT_LT(before, at);
        }
    }
}

// The pattern split between pieces at every offset: a typed byte (set to the
// value it had) cuts the source piece, and inserted copies arrive in chunks.
TEST_F(Find, MatchesCrossPieceBoundariesAtEveryOffset) {
    const std::vector<uint8_t> pat = {0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58};
    const auto n = static_cast<int64_t>(pat.size());
    for (int64_t cut = 0; cut < n; ++cut) {
        std::vector<uint8_t> bytes(4000, 0x22);
        std::copy(pat.begin(), pat.end(), bytes.begin() + 1500);
        Open(bytes);
        const uint8_t b = pat[static_cast<size_t>(cut)];
        ASSERT_EQ(1,
                  m_doc->m_p_data_plane->SetNibble(1500 + cut, b >> 4, 1, &m_doc->m_file_mapping));
        ASSERT_EQ(1,
                  m_doc->m_p_data_plane->SetNibble(1500 + cut, b & 15, 0, &m_doc->m_file_mapping));
        // An inserted copy made of two pieces, split after cut bytes.
        ASSERT_EQ(1, m_doc->m_p_data_plane->Insert(3000, pat.data() + cut, n - cut));
        ASSERT_EQ(1, m_doc->m_p_data_plane->Insert(3000, pat.data(), cut));
        m_doc->m_n_data_size += n;
        SearchRequest search(m_doc.get(), -1);
        ASSERT_EQ(1500, SearchForward(&search, pat.data(), n)) << "cut " << cut;
        ASSERT_EQ(3000, SearchForward(&search, pat.data(), n)) << "cut " << cut;
        search.m_n_from = m_doc->m_n_data_size - 1;
        ASSERT_EQ(3000, SearchBackward(&search, pat.data(), n)) << "cut " << cut;
        search.m_n_from = 3000 + n - 2;
        ASSERT_EQ(1500, SearchBackward(&search, pat.data(), n)) << "cut " << cut;
    }
}

// Patterns longer than the runs they cross: one spread over 40 one-byte typed
// pieces, and one longer than a whole 64 KiB view.
TEST_F(Find, PatternsLongerThanASpan) {
    std::vector<uint8_t> bytes = Counting(3 * kViewSize);
    Open(bytes);
    for (int64_t o = 1000; o < 1040; ++o) {
        const uint8_t b = bytes[static_cast<size_t>(o)];
        ASSERT_EQ(1, m_doc->m_p_data_plane->SetNibble(o, b >> 4, 1, &m_doc->m_file_mapping));
    }
    const std::vector<uint8_t> typed(bytes.begin() + 998, bytes.begin() + 1042);
    // Counting bytes repeat every 256, so start just before the typed run.
    SearchRequest search(m_doc.get(), 997);
    EXPECT_EQ(998, SearchForward(&search, typed.data(), static_cast<int64_t>(typed.size())));
    search.m_n_from = m_doc->m_n_data_size - 1;
    // The last copy lies furthest on.
    EXPECT_EQ(998 + 256 * ((3 * kViewSize - 1042) / 256),
              SearchBackward(&search, typed.data(), static_cast<int64_t>(typed.size())));

    std::vector<uint8_t> noise(3 * kViewSize);
    std::mt19937 rng(99);
    for (auto& b : noise)
        b = static_cast<uint8_t>(rng());
    Open(noise);
    const int64_t at = 0x8123;
    const std::vector<uint8_t> wide(noise.begin() + at, noise.begin() + at + kViewSize + 700);
    const auto n = static_cast<int64_t>(wide.size());
    SearchRequest across(m_doc.get(), -1);
    EXPECT_EQ(at, SearchForward(&across, wide.data(), n));
    EXPECT_EQ(-1, SearchForward(&across, wide.data(), n));
    across.m_n_from = m_doc->m_n_data_size - 1;
    EXPECT_EQ(at, SearchBackward(&across, wide.data(), n));
    across.m_n_from = at + n - 2;
    EXPECT_EQ(-1, SearchBackward(&across, wide.data(), n));
}

// A search reads the document as it was when it was asked for: edits made
// while it runs neither hide a match nor show a new one, in either direction.
TEST_F(Find, SearchesTheDocumentAsItWasWhenAskedFor) {
    Open({1, 2, 3, 4, 5, 6, 7, 8});
    SearchRequest forward(m_doc.get(), -1);
    SearchRequest backward(m_doc.get(), 7);
    const uint8_t typed[] = {9, 9};
    ASSERT_EQ(1, m_doc->m_p_data_plane->Remove(2, 3)); // 03 04 goes
    ASSERT_EQ(1, m_doc->m_p_data_plane->Insert(0, typed, 2));
    m_doc->m_n_data_size = 8;
    const uint8_t gone[] = {3, 4};
    EXPECT_EQ(2, SearchForward(&forward, gone, 2));
    EXPECT_EQ(2, SearchBackward(&backward, gone, 2));
    SearchRequest later(m_doc.get(), -1);
    EXPECT_EQ(-1, SearchForward(&later, gone, 2));
    EXPECT_EQ(-1, SearchForward(&forward, typed, 2));
}

namespace {

// Tokens of the documents below: letters in both cases, the UTF-8 KELVIN
// SIGN (three bytes that fold to "k") and bytes no pattern holds.
const char* const kTokens[] = {"k", "K", "\xE2\x84\xAA", "a", "A", "\xDE", "\xAD", "\xEF", "-"};

// A document of random tokens made of many pieces: a source part, then
// chunks inserted at random places, so matches cross pieces and slices.
std::vector<uint8_t> TokenBytes(std::mt19937& rng, size_t count) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < count; ++i)
        for (const char* t = kTokens[rng() % 9]; *t != 0; ++t)
            bytes.push_back(static_cast<uint8_t>(*t));
    return bytes;
}

bool MaskedAt(const std::vector<uint8_t>& data, size_t p, const MaskedPattern& pat) {
    for (size_t i = 0; i < pat.m_bytes.size(); ++i)
        if ((data[p + i] & pat.m_mask[i]) != pat.m_bytes[i])
            return false;
    return true;
}

} // namespace

// Masked and case-folding matchers across slices and pieces, both directions
// and the repeated forward search, against the byte-by-byte masked check and
// the folding matcher run over the whole data at once.
TEST_F(Find, MaskedAndFoldedSearchesAgreeWithAWholeBufferScan) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 6; ++round) {
        std::vector<uint8_t> source = TokenBytes(rng, 20000 + rng() % 60000);
        Open(source);
        for (int e = 0; e < 40; ++e) {
            const std::vector<uint8_t> add = TokenBytes(rng, 1 + rng() % 8);
            const int64_t at =
                static_cast<int64_t>(rng() % static_cast<uint32_t>(m_doc->m_n_data_size + 1));
            ASSERT_EQ(1, m_doc->Insert(at, add.data(), static_cast<int64_t>(add.size())));
        }
        const std::vector<uint8_t> data = Effective();
        const auto size = static_cast<int64_t>(data.size());
        const bool masked = round % 2 == 0;
        MaskedPattern mask;
        std::wstring reason;
        ASSERT_EQ(1, ParseMaskedHex(round % 4 == 0 ? L"DEAD??EF" : L"6?2?", &mask, &reason));
        const std::vector<uint8_t> text = {'k', 'a', 'K'};
        const std::unique_ptr<SearchMatcher> matcher =
            masked ? MakeMaskedMatcher(mask) : MakeFoldedMatcher(text.data(), 3, kFoldUtf8);
        // The expected first match at or after from, and last ending at or before last.
        auto first = [&](int64_t from, size_t* n) -> int64_t {
            if (!masked) {
                const int64_t r = matcher->First(data.data() + from, data.size() - from, n);
                return r < 0 ? r : r + from;
            }
            *n = mask.m_bytes.size();
            for (int64_t p = from; p + static_cast<int64_t>(*n) <= size; ++p)
                if (MaskedAt(data, static_cast<size_t>(p), mask))
                    return p;
            return -1;
        };
        auto last = [&](int64_t end, size_t* n) -> int64_t {
            if (!masked)
                return matcher->Last(data.data(), static_cast<size_t>(end + 1), n);
            *n = mask.m_bytes.size();
            for (int64_t p = end + 1 - static_cast<int64_t>(*n); p >= 0; --p)
                if (MaskedAt(data, static_cast<size_t>(p), mask))
                    return p;
            return -1;
        };
        SearchRequest search(m_doc.get(), 0);
        for (int q = 0; q < 200; ++q) {
            const int64_t from =
                q < 100 ? static_cast<int64_t>(rng() % static_cast<uint32_t>(size))
                        : std::min<int64_t>(size - 1, 65536 - 8 + q % 16); // a slice edge
            size_t n = 0;
            int64_t length = 0;
            search.m_n_from = from - 1;
            const int64_t want = first(from, &n);
            ASSERT_EQ(want, SearchForward(&search, *matcher, &length)) << round << " from " << from;
            if (want >= 0) {
                ASSERT_EQ(static_cast<int64_t>(n), length);
            }
            search.m_n_from = from;
            const int64_t want_last = last(from, &n);
            ASSERT_EQ(want_last, SearchBackward(&search, *matcher, &length))
                << round << " " << from;
            if (want_last >= 0) {
                ASSERT_EQ(static_cast<int64_t>(n), length);
            }
        }
        // Every match, one after another, as a listing of all of them asks.
        SnapshotSearch all(m_doc.get(), search.m_snapshot, *matcher, nullptr);
        int64_t at = 0;
        int64_t count = 0;
        for (;;) {
            size_t n = 0;
            int64_t length = 0;
            const int64_t want = first(at, &n);
            ASSERT_EQ(want, SearchSnapshotForward(&all, at, &length)) << round << " at " << at;
            if (want < 0)
                break;
            ASSERT_EQ(static_cast<int64_t>(n), length);
            at = want + 1;
            ++count;
        }
        EXPECT_GT(count, 10);
    }
}
