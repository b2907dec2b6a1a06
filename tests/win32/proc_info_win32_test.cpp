// CProcInfo on real processes: a helper process of our own holds known markers;
// it must be listed, opened, and its markers found through GetData at the
// logical offsets the piece list gives, and a region it frees must read as
// null.
#include "data/data_plane.h"
#include "data/proc_info.h"
#include "tests/win32/helpers/marker_process.h"
#include "tests/win32/helpers/marker_target.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The logical offset of a target address, from the piece list; -1 when no piece
// holds it.
int64_t LogicalOffsetOf(const CDataPlane& plane, uint64_t address) {
    int64_t start = 0;
    for (PieceCursor c_p(plane); const PlanePiece* p = c_p.Piece(); c_p.Next()) {
        auto begin = static_cast<uint64_t>(p->m_n_src_begin);
        if (address >= begin && address - begin < static_cast<uint64_t>(p->m_n_length))
            return start + static_cast<int64_t>(address - begin);
        start += p->m_n_length;
    }
    return -1;
}

// The source offset of a logical offset: the reverse walk.
int64_t SourceOffsetOf(const CDataPlane& plane, int64_t offset) {
    int64_t start = 0;
    for (PieceCursor c_p(plane); const PlanePiece* p = c_p.Piece(); c_p.Next()) {
        if (offset >= start && offset < start + p->m_n_length)
            return p->m_n_src_begin + (offset - start);
        start += p->m_n_length;
    }
    return -1;
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() &&
           _wcsicmp(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

TEST(ProcInfoWin32, FindsTheHelpersMarkersAndSeesAReleasedRegionGo) {
    MarkerProcess target;
    ASSERT_EQ(target.Start(L"pelmora-marker-"), 1)
        << "could not start marker_target.exe beside the test";
    unsigned long long kept = 0;
    unsigned long long freed = 0;
    std::string addresses = target.ReadLine();
    ASSERT_EQ(std::sscanf(addresses.c_str(), "%llx %llx", &kept, &freed), 2) << addresses;

    CProcInfo info;
    ASSERT_EQ(info.ListProcesses(), 1);
    int64_t index = -1;
    for (int64_t i = 0; i < info.m_n_process_count; ++i)
        if (info.m_p_processes[i].m_n_process_id == target.Id())
            index = i;
    ASSERT_GE(index, 0) << "the helper is not in the list of " << info.m_n_process_count;
    const ProcessEntry& entry = info.m_p_processes[index];
    EXPECT_TRUE(EndsWithNoCase(entry.m_sz_path, L"\\marker_target.exe"));
    EXPECT_NE(entry.m_h_icon, nullptr);

    CDataPlane plane;
    ASSERT_EQ(info.OpenProcessAt(index, &plane), 1);
    EXPECT_STREQ(info.m_sz_process_path, entry.m_sz_path);
    uint64_t total = 0;
    int64_t previous_end = -1;
    for (PieceCursor c_p(plane); const PlanePiece* p = c_p.Piece(); c_p.Next()) {
        EXPECT_EQ(p->m_n_kind, PIECE_SOURCE);
        EXPECT_GT(p->m_n_src_begin, previous_end); // ascending, not overlapping
        EXPECT_EQ(p->m_n_src_end, p->m_n_src_begin + p->m_n_length - 1);
        previous_end = p->m_n_src_end;
        total += static_cast<uint64_t>(p->m_n_length);
    }
    EXPECT_EQ(total, info.m_n_total_size);

    uint8_t expected[2][kMarkerSize];
    FillMarker(expected[0], target.Id(), 0);
    FillMarker(expected[1], target.Id(), 1);
    const unsigned long long addresses_of[2] = {kept, freed};
    int64_t logical[2];
    for (int which = 0; which < 2; ++which) {
        logical[which] = LogicalOffsetOf(plane, addresses_of[which]);
        ASSERT_GE(logical[which], 0) << "marker " << which << " is in no piece";
        for (size_t i = 0; i < kMarkerSize; ++i) {
            int64_t source = SourceOffsetOf(plane, logical[which] + static_cast<int64_t>(i));
            const uint8_t* byte = info.GetData(source);
            ASSERT_NE(byte, nullptr) << "marker " << which << " byte " << i;
            EXPECT_EQ(*byte, expected[which][i]) << "marker " << which << " byte " << i;
        }
    }

    // The freed marker's bytes are still in the read block; the region query
    // must notice the release anyway.
    ASSERT_NE(info.GetData(SourceOffsetOf(plane, logical[1])), nullptr);
    ASSERT_EQ(target.Release(), 1);
    ASSERT_EQ(target.ReadLine(), "released");
    EXPECT_EQ(info.GetData(SourceOffsetOf(plane, logical[1])), nullptr);
    EXPECT_EQ(info.GetData(SourceOffsetOf(plane, logical[1] + 1)), nullptr);
    const uint8_t* still = info.GetData(SourceOffsetOf(plane, logical[0]));
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(*still, expected[0][0]);

    info.ReleaseProcesses();
    EXPECT_EQ(info.GetData(SourceOffsetOf(plane, logical[0])), nullptr);
}

} // namespace
