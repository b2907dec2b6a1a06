// Replace all and Replace through the document: the bytes after the edit
// against a plain replace-left-to-right, one undo step, and a stopped pass
// that changes nothing.
#include "tests/tools/tools_fixture.h"
#include "tools/find_query.h"
#include "tools/replace_all.h"
#include "tools/value_decoder.h"
#include "view/selection.h"

#include <random>

namespace {

// Non-overlapping occurrences replaced left to right.
std::vector<uint8_t> PlainReplace(const std::vector<uint8_t>& data, const std::vector<uint8_t>& pat,
                                  const std::vector<uint8_t>& with) {
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < data.size()) {
        if (i + pat.size() <= data.size() && std::equal(pat.begin(), pat.end(), data.begin() + i)) {
            out.insert(out.end(), with.begin(), with.end());
            i += pat.size();
        } else {
            out.push_back(data[i++]);
        }
    }
    return out;
}

class ReplaceAll : public ToolsFixture {
  protected:
    int Run(const SearchMatcher& matcher, std::vector<uint8_t> with, const std::atomic<int>* stop,
            int64_t* count) {
        const PlaneSnapshot snapshot = m_doc->m_p_data_plane->Snapshot();
        SnapshotSearch search(m_doc.get(), snapshot, matcher, stop);
        ReplacePlan plan;
        if (!CollectReplacements(&search, stop, std::move(with), &plan))
            return 0;
        *count = static_cast<int64_t>(plan.m_replacements.size());
        return ApplyReplacements(m_doc.get(), plan);
    }
};

} // namespace

// Longer, shorter and empty replacements over an edited document whose
// matches overlap ("aaa" in runs of a): the result is the plain replace, the
// size follows, and one Undo brings back every byte.
TEST_F(ReplaceAll, MatchesAPlainReplaceAndUndoesInOneStep) {
    std::mt19937 rng(7);
    std::vector<uint8_t> source(300000);
    for (auto& b : source)
        b = static_cast<uint8_t>('a' + rng() % 2);
    Open(source);
    const uint8_t inserted[] = {'a', 'a', 'a', 'a', 'b'};
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(1, m_doc->Insert(static_cast<int64_t>(rng() % 300000), inserted, 5));
    const std::vector<uint8_t> before = Effective();
    const std::vector<uint8_t> pat = {'a', 'a', 'a'};
    const auto matcher = MakeExactMatcher(pat.data(), pat.size());
    for (const std::vector<uint8_t>& with : {std::vector<uint8_t>{'X', 'Y', 'Z', 'W', 'V'},
                                             std::vector<uint8_t>{'Q'}, std::vector<uint8_t>{}}) {
        int64_t count = 0;
        ASSERT_EQ(1, Run(*matcher, with, nullptr, &count));
        const std::vector<uint8_t> want = PlainReplace(before, pat, with);
        EXPECT_EQ(want, Effective());
        EXPECT_EQ(static_cast<int64_t>(want.size()), m_doc->m_n_data_size);
        // Sizes are unsigned: differences are taken as signed numbers, so a
        // longer replacement gives a negative one in 32-bit builds too.
        EXPECT_EQ(static_cast<int64_t>(before.size()) - static_cast<int64_t>(want.size()),
                  count * (static_cast<int64_t>(pat.size()) - static_cast<int64_t>(with.size())));
        HistoryResult result = {};
        ASSERT_EQ(1, m_doc->Undo(&result));
        EXPECT_EQ(before, Effective());
        EXPECT_EQ(static_cast<int64_t>(before.size()), m_doc->m_n_data_size);
    }
}

// A pass stopped before it starts plans nothing and leaves the document and
// its history as they were; a pattern that is nowhere plans nothing either.
TEST_F(ReplaceAll, StoppedOrNotFoundChangesNothing) {
    Open(std::vector<uint8_t>(100000, 0x41));
    const auto matcher = MakeExactMatcher(reinterpret_cast<const uint8_t*>("AA"), 2);
    std::atomic<int> stop{1};
    int64_t count = -1;
    EXPECT_EQ(0, Run(*matcher, {0x42}, &stop, &count));
    EXPECT_FALSE(m_doc->m_history.CanUndo());
    EXPECT_EQ(100000, m_doc->m_n_data_size);
    const auto none = MakeExactMatcher(reinterpret_cast<const uint8_t*>("B"), 1);
    EXPECT_EQ(0, Run(*none, {0x42}, nullptr, &count));
    EXPECT_EQ(0, count);
    EXPECT_FALSE(m_doc->m_history.CanUndo());
}

// Replace takes the selection only when it is one whole match (here a value,
// big endian) and tells where the next search goes on.
TEST_F(ReplaceAll, ReplaceTakesOnlyASelectedMatch) {
    Open({0x00, 0x01, 0x02, 0x00, 0x01, 0x02, 0x09});
    FindQuery query;
    query.m_n_mode = kFindModeValue;
    std::wstring message;
    query.m_n_value_type = kTypeInt16;
    query.m_b_big_endian = 1;
    query.m_sz_text = L"258";
    const auto matcher = MakeQueryMatcher(query, &message);
    ASSERT_NE(nullptr, matcher) << std::string(message.begin(), message.end());
    int64_t after = -1;
    GoToOffset(m_doc.get(), 0);
    ExtendToOffset(m_doc.get(), 1);
    EXPECT_EQ(0, ReplaceSelectedMatch(m_doc.get(), *matcher, {0xEE}, &after));
    GoToOffset(m_doc.get(), 1);
    ExtendToOffset(m_doc.get(), 2);
    ASSERT_EQ(1, ReplaceSelectedMatch(m_doc.get(), *matcher, {0xEE}, &after));
    EXPECT_EQ(2, after);
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0xEE, 0x00, 0x01, 0x02, 0x09}), Effective());
}
