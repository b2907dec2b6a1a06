// Find all: the pass against a start-by-start reference over edited
// documents larger than a read block, the listing limit, stopping, and the
// list following inserts and removals.
#include "tests/tools/tools_fixture.h"
#include "tools/find_all.h"

#include <random>

namespace {

class FindAllPass : public ToolsFixture {};

// Every start the matcher accepts with its longest window in reach, in order.
std::vector<FoundMatch> Reference(const std::vector<uint8_t>& data, const SearchMatcher& matcher) {
    std::vector<FoundMatch> found;
    for (size_t p = 0; p < data.size(); ++p) {
        size_t matched = 0;
        const size_t window = std::min(matcher.MaxLength(), data.size() - p);
        if (matcher.First(data.data() + p, window, &matched) == 0)
            found.push_back({static_cast<int64_t>(p), static_cast<uint32_t>(matched), 0});
    }
    return found;
}

void ExpectSame(const std::vector<FoundMatch>& want, const MatchList& list, int round) {
    ASSERT_EQ(static_cast<int64_t>(want.size()), list.Count()) << "round " << round;
    ASSERT_EQ(want.size(), list.Size());
    for (size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(want[i].m_n_offset, list.At(i).m_n_offset) << "round " << round << " #" << i;
        ASSERT_EQ(want[i].m_n_length, list.At(i).m_n_length) << "round " << round << " #" << i;
    }
}

// Overlapping matches in files that cross read blocks and slices, split into
// pieces by inserts both shorter and longer than a match, with exact,
// masked and case-folded matchers.
TEST_F(FindAllPass, CountsEveryStartAsAPlainScanDoes) {
    std::mt19937 rng(3001);
    for (int round = 0; round < 6; ++round) {
        std::vector<uint8_t> source((round < 2 ? 300 : (1 << 20) + 70000) + rng() % 5000);
        for (auto& b : source)
            b = static_cast<uint8_t>(rng() % 4 == 0 ? 'b' : 'A' + (rng() % 2) * 32);
        Open(source);
        for (int e = 0; e < 40; ++e) {
            const int64_t total = m_doc->m_n_data_size;
            const int64_t at = static_cast<int64_t>(rng() % static_cast<uint32_t>(total));
            if (e % 3 == 2) {
                ASSERT_EQ(1, m_doc->Remove(at, std::min<int64_t>(total - 1, at + rng() % 4)));
                continue;
            }
            std::vector<uint8_t> add(e % 2 ? 1 + rng() % 2 : 20 + rng() % 200, 'a');
            ASSERT_EQ(1, m_doc->Insert(at, add.data(), static_cast<int64_t>(add.size())));
        }
        const std::vector<uint8_t> data = Effective();
        const uint8_t exact[] = {'a', 'a', 'b', 'a'};
        MaskedPattern masked;
        std::wstring reason;
        ASSERT_EQ(1, ParseMaskedHex(L"61??62", &masked, &reason));
        const uint8_t text[] = {'A', 'b'};
        std::unique_ptr<SearchMatcher> matchers[] = {MakeExactMatcher(exact, round % 2 ? 4 : 2),
                                                     MakeMaskedMatcher(masked),
                                                     MakeFoldedMatcher(text, 2, kFoldAnsi)};
        for (const auto& matcher : matchers) {
            SearchRequest request(m_doc.get(), -1);
            MatchList list;
            ASSERT_EQ(1, FindAll(&request, *matcher, &list));
            ExpectSame(Reference(data, *matcher), list, round);
            EXPECT_EQ(m_doc->m_n_progress_total.load(), m_doc->m_n_progress_pos.load());
        }
    }
}

TEST_F(FindAllPass, ListsUpToTheLimitAndCountsOnButStopsWhenAsked) {
    Open(std::vector<uint8_t>(100, 0x41));
    const uint8_t pattern[] = {0x41, 0x41};
    auto matcher = MakeExactMatcher(pattern, 2);
    SearchRequest request(m_doc.get(), -1);
    MatchList list(10);
    ASSERT_EQ(1, FindAll(&request, *matcher, &list));
    EXPECT_EQ(99, list.Count());
    EXPECT_EQ(10u, list.Size());
    EXPECT_EQ(1, list.Truncated());
    EXPECT_EQ(9, list.At(9).m_n_offset);

    request.m_b_stop.store(1);
    EXPECT_EQ(0, FindAll(&request, *matcher, &list));
    EXPECT_EQ(0, list.Count());
}

// Matches at 10, 20 and 30, each 4 bytes long.
MatchList ThreeMatches() {
    MatchList list;
    for (int64_t at : {10, 20, 30})
        list.Add(at, 4);
    return list;
}

struct Expected {
    int64_t m_n_offset;
    uint32_t m_b_touched;
};

void ExpectMatches(const MatchList& list, std::initializer_list<Expected> want) {
    ASSERT_EQ(want.size(), list.Size());
    size_t i = 0;
    for (const Expected& e : want) {
        EXPECT_EQ(e.m_n_offset, list.At(i).m_n_offset) << "#" << i;
        EXPECT_EQ(e.m_b_touched, list.At(i).m_b_touched) << "#" << i;
        ++i;
    }
    EXPECT_EQ(1, list.Stale());
}

TEST(MatchListFollow, OffsetsMoveAndTouchedMatchesAreMarked) {
    MatchList list = ThreeMatches();
    EXPECT_EQ(0, list.Stale());
    list.Follow({20, 0, 5, 0}); // insert at a match's start: it moves whole
    ExpectMatches(list, {{10, 0}, {25, 0}, {35, 0}});

    list = ThreeMatches();
    list.Follow({12, 0, 3, 0}); // insert inside the first
    ExpectMatches(list, {{10, 1}, {23, 0}, {33, 0}});

    list = ThreeMatches();
    list.Follow({14, 0, 3, 0}); // insert right after the first's end
    ExpectMatches(list, {{10, 0}, {23, 0}, {33, 0}});

    list = ThreeMatches();
    list.Follow({18, 4, 0, 0}); // remove 18..21: the second loses its start
    ExpectMatches(list, {{10, 0}, {18, 1}, {26, 0}});

    list = ThreeMatches();
    list.Follow({14, 6, 0, 0}); // remove 14..19, up to the second's start
    ExpectMatches(list, {{10, 0}, {14, 0}, {24, 0}});

    list = ThreeMatches();
    list.Follow({31, 1, 1, 0}); // overwrite inside the last
    ExpectMatches(list, {{10, 0}, {20, 0}, {30, 1}});

    list = ThreeMatches();
    list.Follow({0, 40, 50, 1});
    ExpectMatches(list, {{10, 1}, {20, 1}, {30, 1}});
}

} // namespace
