// Find over a process document: committed pages that cannot be read are
// passed over in both directions, and no match spans them.
#include "tests/fakes/region_process.h"
#include "tests/tools/tools_fixture.h"
#include "tools/find.h"

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
        int64_t end = -1;
        return FindPattern(kFindModeHex, text.c_str(), direction, &end, 0);
    }

    RegionProcess m_process{ThreeRegions()};
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

} // namespace
