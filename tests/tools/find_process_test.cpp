// Find over a process document: committed pages that cannot be read are
// passed over in both directions, and no match spans them.
#include "tests/fakes/region_process.h"
#include "tests/tools/tools_fixture.h"
#include "tools/find.h"
#include "tools/replace_all.h"

#include <algorithm>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Three committed regions of 0x1000 bytes at 0x10000, 0x20000 (unreadable)
// and 0x30000; the document lays them at 0, 0x1000 and 0x2000.
std::vector<RegionProcess::Region> ThreeRegions() {
    return {{0x10000, 0x1000, 1}, {0x20000, 0x1000, 0}, {0x30000, 0x1000, 1}};
}

class FindProcess : public ToolsFixture {
  protected:
    FindProcess() : FindProcess(ThreeRegions()) {}
    explicit FindProcess(std::vector<RegionProcess::Region> regions)
        : m_process(std::move(regions)) {}

    void SetUp() override {
        ToolsFixture::SetUp();
        OpenProcess(m_process);
        ASSERT_EQ(m_doc->m_n_data_size, 0x3000);
    }

    // The hex pattern of the bytes at these addresses.
    static std::wstring HexAt(std::initializer_list<ProcAddress> addresses) {
        std::wstring text;
        for (ProcAddress a : addresses) {
            wchar_t pair[3] = {};
            std::swprintf(pair, 3, L"%02X", RegionProcess::Byte(a));
            text += pair;
        }
        return text;
    }

    int64_t Search(const std::wstring& text, int direction) {
        SearchRequest request(m_doc.get(), SearchStart(m_doc.get(), direction));
        int64_t end = -1;
        return FindPattern(&request, kFindModeHex, text.c_str(), direction, &end, 0);
    }

    RegionProcess m_process;
};

TEST_F(FindProcess, SearchesGoPastAnUnreadableRegion) {
    const std::wstring in_third = HexAt({0x30100, 0x30101, 0x30102});
    Select(-1, -1);
    EXPECT_EQ(Search(in_third, 1), 0x2100);
    const std::wstring in_first = HexAt({0x10200, 0x10201, 0x10202});
    Select(0x2FFF, 0x2FFF);
    EXPECT_EQ(Search(in_first, 0), 0x200);
}

TEST_F(FindProcess, NoMatchSpansTheUnreadableRegion) {
    // The last bytes of the first region joined to the first of the third.
    const std::wstring across = HexAt({0x10FFE, 0x10FFF, 0x30000, 0x30001});
    Select(-1, -1);
    EXPECT_EQ(Search(across, 1), -1);
    Select(0x2FFF, 0x2FFF);
    EXPECT_EQ(Search(across, 0), -1);
    // A match right after the gap is found.
    Select(-1, -1);
    EXPECT_EQ(Search(HexAt({0x30000, 0x30001, 0x30002}), 1), 0x2000);
}

// Regions end to end in the target, which an edit and its undo leave under
// one source piece, as the overlay joins source pieces whose addresses
// continue each other: 0x10000 readable, 0x11000 a guard page (readable in
// the second layout), 0x12000 readable.
class FindJoinedRegions : public FindProcess, public ::testing::WithParamInterface<int> {
  protected:
    FindJoinedRegions()
        : FindProcess({{0x10000, 0x1000, 1}, {0x11000, 0x1000, GetParam()}, {0x12000, 0x1000, 1}}) {
    }

    void SetUp() override {
        FindProcess::SetUp();
        const uint8_t typed = 0x5A;
        CDataPlane* plane = m_doc->m_p_data_plane;
        ASSERT_EQ(m_doc->m_history.Overwrite(plane, 0x1800, &typed, 1, EditMark{}), 1);
        HistoryResult undone = {};
        ASSERT_EQ(m_doc->m_history.Undo(plane, &undone), 1);
        ASSERT_EQ(plane->PieceCount(), 1);
    }

    // The match's offset in each direction, from either end.
    void ExpectBothWays(const std::wstring& pattern, int64_t offset) {
        Select(-1, -1);
        EXPECT_EQ(Search(pattern, 1), offset);
        Select(0x2FFF, 0x2FFF);
        EXPECT_EQ(Search(pattern, 0), offset);
    }
};

TEST_P(FindJoinedRegions, EveryReadableByteIsSearchedInBothDirections) {
    ExpectBothWays(HexAt({0x10200, 0x10201, 0x10202}), 0x200);
    ExpectBothWays(HexAt({0x12100, 0x12101, 0x12102}), 0x2100);
    const bool guard = GetParam() == 0;
    ExpectBothWays(HexAt({0x10FFE, 0x10FFF, 0x11000, 0x11001}), guard ? -1 : 0xFFE);
    ExpectBothWays(HexAt({0x10FFE, 0x10FFF, 0x12000, 0x12001}), -1);
}

INSTANTIATE_TEST_SUITE_P(GuardOrReadable, FindJoinedRegions, ::testing::Values(0, 1));

} // namespace

// Replace all over process memory: the matches past the unreadable region
// are replaced in the overlay, and one Undo takes them back.
TEST_F(FindProcess, ReplaceAllEditsProcessMemoryInTheOverlay) {
    const uint8_t pattern[] = {RegionProcess::Byte(0x30100), RegionProcess::Byte(0x30101)};
    const auto matcher = MakeExactMatcher(pattern, 2);
    const PlaneSnapshot snapshot = m_doc->m_p_data_plane->Snapshot();
    SnapshotSearch search(m_doc.get(), snapshot, *matcher, nullptr);
    ReplacePlan plan;
    ASSERT_EQ(1, CollectReplacements(&search, nullptr, {0xAA, 0xBB, 0xCC}, &plan));
    const auto count = static_cast<int64_t>(plan.m_replacements.size());
    ASSERT_TRUE(std::any_of(plan.m_replacements.begin(), plan.m_replacements.end(),
                            [](const BulkReplacement& r) { return r.m_n_first == 0x2100; }));
    ASSERT_EQ(1, ApplyReplacements(m_doc.get(), plan));
    EXPECT_EQ(0x3000 + count, m_doc->m_n_data_size);
    HistoryResult result = {};
    ASSERT_EQ(1, m_doc->Undo(&result));
    EXPECT_EQ(0x3000, m_doc->m_n_data_size);
}
