// CProcInfo on a scripted process table: listing, the region walk and the
// layout of its pieces, the read block and releasing.
#include "data/data_plane.h"
#include "data/proc_info.h"
#include "tests/fakes/recording_message_sink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace {

struct FakeRegion {
    uint64_t base;
    uint64_t size;
    bool committed;
    bool readable;           // what the region query reports
    bool read_fails = false; // the read fails although the query allows it
};

struct FakeProcess {
    uint32_t pid;
    std::wstring exe_name;
    bool openable = true;
    bool has_path = true;
    std::wstring path;
    std::vector<FakeRegion> regions; // ascending, non-overlapping; gaps are free
    int open_handles = 0;
};

uint8_t ByteAt(uint64_t address) {
    return static_cast<uint8_t>(address * 7 + (address >> 8));
}

struct ReadCall {
    uint64_t address;
    size_t count;
};

// A process table whose regions, paths and failures are set up by each test;
// it counts what CProcInfo asks of it.
class FakeProcessOps : public ProcessOps {
  public:
    int EnumerateProcesses(void (*visit)(void*, const SnapshotEntry&), void* context) override {
        if (!snapshot_works || processes.empty())
            return 0;
        for (FakeProcess& process : processes) {
            SnapshotEntry entry = {process.pid, process.exe_name.c_str()};
            visit(context, entry);
        }
        return 1;
    }
    void* OpenForRead(uint32_t process_id) override {
        ++open_calls;
        for (FakeProcess& process : processes)
            if (process.pid == process_id && process.openable) {
                ++process.open_handles;
                return &process;
            }
        return nullptr;
    }
    size_t ModulePath(void* process, wchar_t* buffer, size_t capacity) override {
        path_capacities.push_back(capacity);
        auto* target = static_cast<FakeProcess*>(process);
        if (always_truncate)
            return capacity;
        if (!target->has_path)
            return 0;
        size_t length = target->path.size();
        size_t copied = std::min(length, capacity);
        std::copy(target->path.begin(), target->path.begin() + copied, buffer);
        return length < capacity ? length : capacity;
    }
    void* SmallIcon(const wchar_t* path) override {
        icon_paths.push_back(path);
        ++live_icons;
        return reinterpret_cast<void*>(static_cast<uintptr_t>(0x1000 + icon_paths.size()));
    }
    void DestroyIcon(void* icon) override {
        if (icon != nullptr)
            --live_icons;
    }
    void CloseProcess(void* process) override {
        --static_cast<FakeProcess*>(process)->open_handles;
        ++close_calls;
    }
    int QueryRegion(void* process, ProcAddress address, MemoryRegion* region) override {
        ++queries;
        if (address > query_limit)
            return 0;
        const auto* target = static_cast<FakeProcess*>(process);
        uint64_t gap_end = query_limit + 1;
        for (const FakeRegion& r : target->regions) {
            if (address >= r.base &&
                (r.size == 0 ? address == r.base : address - r.base < r.size)) {
                *region = {static_cast<ProcAddress>(r.base), r.size, r.committed ? 1 : 0,
                           r.committed && r.readable ? 1 : 0};
                return 1;
            }
            if (r.base > address) {
                gap_end = r.base;
                break;
            }
        }
        *region = {address, gap_end - address, 0, 0};
        return 1;
    }
    size_t ReadMemory(void* process, ProcAddress address, void* buffer, size_t count) override {
        reads.push_back({address, count});
        const auto* target = static_cast<FakeProcess*>(process);
        for (const FakeRegion& r : target->regions)
            if (address >= r.base && address - r.base < r.size) {
                if (!r.committed || !r.readable || r.read_fails ||
                    count > r.size - (address - r.base))
                    return 0;
                auto* out = static_cast<uint8_t*>(buffer);
                for (size_t i = 0; i < count; ++i)
                    out[i] = ByteAt(address + i);
                return count;
            }
        return 0;
    }

    FakeProcess& Add(uint32_t pid, const std::wstring& exe, const std::wstring& path) {
        FakeProcess process;
        process.pid = pid;
        process.exe_name = exe;
        process.path = path;
        processes.push_back(process);
        return processes.back();
    }
    int LiveHandles() const {
        int live = 0;
        for (const FakeProcess& process : processes)
            live += process.open_handles;
        return live;
    }

    std::vector<FakeProcess> processes; // reserved up front: handles point into it
    bool snapshot_works = true;
    bool always_truncate = false;
    uint64_t query_limit = 0x7FFFFFFF;
    int open_calls = 0;
    int close_calls = 0;
    int live_icons = 0;
    int queries = 0;
    std::vector<size_t> path_capacities;
    std::vector<std::wstring> icon_paths;
    std::vector<ReadCall> reads;

    FakeProcessOps() { processes.reserve(16); }
};

struct PieceView {
    uint32_t kind;
    int64_t begin;
    int64_t end;
    int64_t length;
};

std::vector<PieceView> Pieces(const CDataPlane& plane) {
    std::vector<PieceView> out;
    for (PieceCursor c_p(plane); const PlanePiece* p = c_p.Piece(); c_p.Next())
        out.push_back({p->m_n_kind, p->m_n_src_begin, p->m_n_src_end, p->m_n_length});
    return out;
}

// The source offset (target address) of a logical offset, by walking the
// pieces.
int64_t AddressOf(const CDataPlane& plane, int64_t offset) {
    int64_t start = 0;
    for (PieceCursor c_p(plane); const PlanePiece* p = c_p.Piece(); c_p.Next()) {
        if (offset >= start && offset < start + p->m_n_length)
            return p->m_n_src_begin + (offset - start);
        start += p->m_n_length;
    }
    return -1;
}

// One process whose regions are the example layout: two committed regions with
// a reserved one and free space between them.
class OpenedProcess : public ::testing::Test {
  protected:
    void SetUp() override {
        FakeProcess& target = ops.Add(100, L"target.exe", L"C:\\apps\\target.exe");
        target.regions = {{0x00010000, 0x1000, true, true},
                          {0x00011000, 0x3000, false, false},
                          {0x00020000, 0x2000, true, true}};
    }
    void Open() {
        ASSERT_EQ(info.ListProcesses(), 1);
        ASSERT_EQ(info.m_n_process_count, 1);
        ASSERT_EQ(info.OpenProcessAt(0, &plane), 1);
        ops.reads.clear();
        ops.queries = 0;
    }
    FakeProcessOps ops;
    CProcInfo info{ops};
    CDataPlane plane;
    RecordingMessageSink sink;
};

TEST_F(OpenedProcess, CommittedRegionsLieEndToEnd) {
    Open();
    std::vector<PieceView> pieces = Pieces(plane);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].kind, PIECE_SOURCE);
    EXPECT_EQ(pieces[0].begin, 0x00010000);
    EXPECT_EQ(pieces[0].end, 0x00010FFF);
    EXPECT_EQ(pieces[0].length, 0x1000);
    EXPECT_EQ(pieces[1].kind, PIECE_SOURCE);
    EXPECT_EQ(pieces[1].begin, 0x00020000);
    EXPECT_EQ(pieces[1].end, 0x00021FFF);
    EXPECT_EQ(pieces[1].length, 0x2000);
    EXPECT_EQ(info.m_n_total_size, 0x3000u);
    EXPECT_EQ(AddressOf(plane, 0x0FFF), 0x00010FFF);
    EXPECT_EQ(AddressOf(plane, 0x1000), 0x00020000);
    EXPECT_EQ(AddressOf(plane, 0x3000), -1);
    EXPECT_STREQ(info.m_sz_process_path, L"C:\\apps\\target.exe");

    const uint8_t* byte = info.GetData(AddressOf(plane, 0x1000));
    ASSERT_NE(byte, nullptr);
    EXPECT_EQ(*byte, ByteAt(0x00020000));
    EXPECT_TRUE(sink.Messages().empty());
}

TEST_F(OpenedProcess, BlockStartsAtRequestAndStopsAtRegionEnd) {
    Open();
    // The last byte of a region is a block of one byte.
    const uint8_t* last = info.GetData(0x00010FFF);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(*last, ByteAt(0x00010FFF));
    ASSERT_EQ(ops.reads.size(), 1u);
    EXPECT_EQ(ops.reads[0].address, 0x00010FFFu);
    EXPECT_EQ(ops.reads[0].count, 1u);

    // The next region is read afresh, 1024 bytes from the requested address.
    const uint8_t* first = info.GetData(0x00020000);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(*first, ByteAt(0x00020000));
    ASSERT_EQ(ops.reads.size(), 2u);
    EXPECT_EQ(ops.reads[1].address, 0x00020000u);
    EXPECT_EQ(ops.reads[1].count, 1024u);

    // Sequential bytes inside the block cost a query each but no read.
    for (ProcAddress a = 0x00020001; a < 0x00020400; ++a) {
        const uint8_t* byte = info.GetData(static_cast<int64_t>(a));
        ASSERT_NE(byte, nullptr);
        ASSERT_EQ(*byte, ByteAt(a));
    }
    EXPECT_EQ(ops.reads.size(), 2u);
    EXPECT_EQ(ops.queries, 1 + 1 + 0x3FF);

    // The block is not aligned: after moving on to 0x20400, the byte just before
    // it starts a block of its own.
    ASSERT_NE(info.GetData(0x00020400), nullptr);
    ASSERT_NE(info.GetData(0x000203FF), nullptr);
    ASSERT_EQ(ops.reads.size(), 4u);
    EXPECT_EQ(ops.reads[2].address, 0x00020400u);
    EXPECT_EQ(ops.reads[3].address, 0x000203FFu);
    EXPECT_EQ(ops.reads[3].count, 1024u);
    // Near the region's end the block is cut there.
    ASSERT_NE(info.GetData(0x00021F80), nullptr);
    ASSERT_EQ(ops.reads.size(), 5u);
    EXPECT_EQ(ops.reads[4].address, 0x00021F80u);
    EXPECT_EQ(ops.reads[4].count, 0x80u);
}

TEST_F(OpenedProcess, UncommittedAndFailedQueriesYieldNull) {
    Open();
    EXPECT_EQ(info.GetData(0x00011000), nullptr); // reserved
    EXPECT_EQ(info.GetData(0x0001FFFF), nullptr); // free
    EXPECT_EQ(info.GetData(0x80000000), nullptr); // query fails
    EXPECT_EQ(info.GetData(-1), nullptr);
    EXPECT_TRUE(ops.reads.empty());
}

TEST_F(OpenedProcess, NoAccessRegionYieldsNullEveryTime) {
    ops.processes[0].regions.push_back({0x00030000, 0x1000, true, false});
    ops.processes[0].regions.push_back({0x00031000, 0x1000, true, true, true});
    Open();
    EXPECT_EQ(info.m_n_total_size, 0x5000u); // committed whatever its protection
    EXPECT_EQ(Pieces(plane).size(), 4u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(info.GetData(0x00030010), nullptr);
    EXPECT_TRUE(ops.reads.empty()); // no-access pages are never read
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(info.GetData(0x00031010), nullptr);
    EXPECT_EQ(ops.reads.size(), 3u); // a failed read is tried afresh each time
    EXPECT_EQ(info.m_n_read_count, 0u);
    // Reads elsewhere are undisturbed.
    const uint8_t* byte = info.GetData(0x00010004);
    ASSERT_NE(byte, nullptr);
    EXPECT_EQ(*byte, ByteAt(0x00010004));
}

TEST_F(OpenedProcess, PageMadeNoAccessYieldsNullEvenInsideTheBlock) {
    Open();
    ASSERT_NE(info.GetData(0x00010000), nullptr);
    ops.processes[0].regions[0].readable = false;
    EXPECT_EQ(info.GetData(0x00010001), nullptr);
    EXPECT_EQ(ops.reads.size(), 1u);
}

TEST_F(OpenedProcess, ReleasedPageYieldsNullEvenInsideTheBlock) {
    Open();
    ASSERT_NE(info.GetData(0x00020000), nullptr);
    ops.processes[0].regions[2].committed = false;
    EXPECT_EQ(info.GetData(0x00020001), nullptr);
    EXPECT_EQ(ops.reads.size(), 1u);
}

TEST_F(OpenedProcess, ReleaseMakesGetDataNull) {
    Open();
    ASSERT_NE(info.GetData(0x00020000), nullptr);
    info.ReleaseProcesses();
    EXPECT_EQ(info.GetData(0x00020000), nullptr);
    EXPECT_EQ(info.m_n_process_count, 0);
    EXPECT_EQ(info.m_p_processes, nullptr);
    EXPECT_EQ(info.m_h_open_process, nullptr);
    EXPECT_EQ(info.m_sz_process_path, nullptr);
    EXPECT_EQ(ops.LiveHandles(), 0);
    EXPECT_EQ(ops.live_icons, 0);
    EXPECT_EQ(ops.queries, 1); // the released source asks nothing
}

TEST_F(OpenedProcess, BadIndexShowsMessageAndLeavesPlaneEmpty) {
    ASSERT_EQ(info.ListProcesses(), 1);
    EXPECT_EQ(info.OpenProcessAt(info.m_n_process_count, &plane), 0);
    EXPECT_EQ(info.OpenProcessAt(-1, &plane), 0);
    ASSERT_EQ(sink.Messages().size(), 2u);
    EXPECT_EQ(sink.Messages()[0], L"Could not open process \n");
    EXPECT_EQ(sink.Messages()[1], L"Could not open process \n");
    EXPECT_EQ(plane.PieceCount(), 0);
    EXPECT_EQ(info.m_h_open_process, nullptr);
    EXPECT_EQ(info.GetData(0x00010000), nullptr);
}

TEST_F(OpenedProcess, TargetWithoutCommittedMemoryOpensEmpty) {
    ops.processes[0].regions = {{0x00010000, 0x1000, false, false}};
    Open();
    EXPECT_EQ(plane.PieceCount(), 0);
    EXPECT_EQ(info.m_n_total_size, 0u);
    EXPECT_NE(info.m_h_open_process, nullptr);
}

// A large-address-aware 32-bit target has committed memory above 2 GiB, past
// this program's own top of user space: the walk goes on until the query fails.
TEST_F(OpenedProcess, WalkGoesPastTwoGiBUntilTheQueryFails) {
    ops.query_limit = 0xFFFEFFFF;
    ops.processes[0].regions.push_back({0x7FFF0000, 0x10000, true, true});
    ops.processes[0].regions.push_back({0x80000000, 0x1000, false, false});
    ops.processes[0].regions.push_back({0xC0000000, 0x2000, true, true});
    ops.processes[0].regions.push_back({0xFFFE0000, 0x1000, true, true});
    Open();
    std::vector<PieceView> pieces = Pieces(plane);
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces[2].begin, 0x7FFF0000);
    EXPECT_EQ(pieces[3].begin, 0xC0000000);
    EXPECT_EQ(pieces[4].begin, 0xFFFE0000);
    EXPECT_EQ(pieces[4].end, 0xFFFE0FFF);
    EXPECT_EQ(info.m_n_total_size, 0x3000u + 0x10000u + 0x2000u + 0x1000u);
    EXPECT_EQ(AddressOf(plane, 0x13000), 0xC0000000);
}

TEST_F(OpenedProcess, WalkStopsOnFailedQueryAndZeroSizeRegion) {
    ops.query_limit = 0x0001FFFF; // the query at the second region fails
    Open();
    EXPECT_EQ(Pieces(plane).size(), 1u);
    EXPECT_EQ(info.m_n_total_size, 0x1000u);

    FakeProcessOps stalled;
    FakeProcess& target = stalled.Add(7, L"stall.exe", L"C:\\stall.exe");
    target.regions = {{0x00010000, 0x1000, true, true}, {0x00011000, 0, true, true}};
    CProcInfo stalled_info(stalled);
    CDataPlane stalled_plane;
    ASSERT_EQ(stalled_info.ListProcesses(), 1);
    ASSERT_EQ(stalled_info.OpenProcessAt(0, &stalled_plane), 1);
    EXPECT_EQ(Pieces(stalled_plane).size(), 1u);
    EXPECT_LT(stalled.queries, 10);
}

TEST_F(OpenedProcess, RegionRunningPastTheAddressSpaceIsCutAtTheEnd) {
    ops.processes[0].regions = {
        {0x00010000, std::numeric_limits<uint64_t>::max() - 0x8000, true, true}};
    Open();
    // The end of the address width, or of the signed 64-bit piece offsets.
    const int64_t end = static_cast<int64_t>(
        std::min<uint64_t>(std::numeric_limits<ProcAddress>::max(),
                           static_cast<uint64_t>(std::numeric_limits<int64_t>::max() - 1)));
    std::vector<PieceView> pieces = Pieces(plane);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].begin, 0x00010000);
    EXPECT_EQ(pieces[0].end, end);
    EXPECT_EQ(pieces[0].length, end - 0x00010000 + 1);
    EXPECT_EQ(info.m_n_total_size, static_cast<uint64_t>(pieces[0].length));
}

TEST_F(OpenedProcess, AddressesUseTheFullWidthOfTheBuild) {
    if (sizeof(ProcAddress) < 8)
        GTEST_SKIP() << "32-bit build: target addresses are 32-bit";
    const uint64_t high = 0x00007FF012340000ull;
    ops.query_limit = 0x00007FFFFFFFFFFFull;
    ops.processes[0].regions.push_back({high, 0x1000, true, true});
    Open();
    std::vector<PieceView> pieces = Pieces(plane);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[2].begin, static_cast<int64_t>(high));
    EXPECT_EQ(AddressOf(plane, 0x3000), static_cast<int64_t>(high));
    const uint8_t* byte = info.GetData(static_cast<int64_t>(high + 5));
    ASSERT_NE(byte, nullptr);
    EXPECT_EQ(*byte, ByteAt(high + 5));
    EXPECT_EQ(ops.reads.back().address, high + 5);
    // Nothing of it appears at its low 32 bits.
    EXPECT_EQ(info.GetData(static_cast<int64_t>(high & 0xFFFFFFFFu)), nullptr);
}

class Listing : public ::testing::Test {
  protected:
    FakeProcessOps ops;
    RecordingMessageSink sink;
};

TEST_F(Listing, KeepsSnapshotOrderAndSkipsUnreadableProcesses) {
    ops.Add(4, L"System", L"").openable = false;
    ops.Add(8, L"nopath.exe", L"").has_path = false;
    std::wstring long_path = L"C:\\" + std::wstring(600, L'd') + L"\\long.exe";
    ops.Add(12, L"long.exe", long_path);
    ops.Add(16, L"edit.exe", L"C:\\edit.exe");
    CProcInfo info(ops);
    ASSERT_EQ(info.ListProcesses(), 1);
    ASSERT_EQ(info.m_n_process_count, 3);
    ASSERT_EQ(sink.Traces().size(), 1u);
    EXPECT_EQ(sink.Traces()[0], L"Could not open process \"System\"\n");
    EXPECT_TRUE(sink.Messages().empty());

    EXPECT_EQ(info.m_p_processes[0].m_n_process_id, 8u);
    ASSERT_NE(info.m_p_processes[0].m_sz_path, nullptr);
    EXPECT_STREQ(info.m_p_processes[0].m_sz_path, L"");
    EXPECT_EQ(info.m_p_processes[0].m_h_icon, nullptr);
    EXPECT_NE(info.m_p_processes[0].m_h_process, nullptr);

    EXPECT_EQ(info.m_p_processes[1].m_n_process_id, 12u);
    EXPECT_EQ(std::wstring(info.m_p_processes[1].m_sz_path), long_path);
    EXPECT_NE(info.m_p_processes[1].m_h_icon, nullptr);

    EXPECT_EQ(info.m_p_processes[2].m_n_process_id, 16u);
    EXPECT_STREQ(info.m_p_processes[2].m_sz_path, L"C:\\edit.exe");

    // One try for the missing path, three growing tries for the long one, one for
    // edit.exe.
    std::vector<size_t> expected = {260, 260, 520, 780, 260};
    EXPECT_EQ(ops.path_capacities, expected);
    std::vector<std::wstring> icons = {long_path, L"C:\\edit.exe"};
    EXPECT_EQ(ops.icon_paths, icons);
}

TEST_F(Listing, PathThatNeverFitsEndsEmpty) {
    ops.Add(8, L"odd.exe", L"C:\\odd.exe");
    ops.always_truncate = true;
    CProcInfo info(ops);
    ASSERT_EQ(info.ListProcesses(), 1);
    ASSERT_EQ(info.m_n_process_count, 1);
    EXPECT_STREQ(info.m_p_processes[0].m_sz_path, L"");
    EXPECT_GT(ops.path_capacities.size(), 1u);
}

TEST_F(Listing, FailedSnapshotListsNothing) {
    ops.Add(8, L"a.exe", L"C:\\a.exe");
    ops.snapshot_works = false;
    CProcInfo info(ops);
    EXPECT_EQ(info.ListProcesses(), 0);
    EXPECT_EQ(info.m_n_process_count, 0);
    CDataPlane plane;
    EXPECT_EQ(info.OpenProcessAt(0, &plane), 0);
    ASSERT_EQ(sink.Messages().size(), 1u);
    EXPECT_EQ(sink.Messages()[0], L"Could not open process \n");
}

TEST_F(Listing, ListingAgainReplacesTheListAndKeepsTheOpenedProcess) {
    ops.Add(8, L"a.exe", L"C:\\a.exe").regions = {{0x10000, 0x1000, true, true}};
    ops.Add(12, L"b.exe", L"C:\\b.exe").regions = {{0x20000, 0x1000, true, true}};
    {
        CProcInfo info(ops);
        ASSERT_EQ(info.ListProcesses(), 1);
        ASSERT_EQ(info.ListProcesses(), 1);
        EXPECT_EQ(info.m_n_process_count, 2);
        EXPECT_EQ(ops.LiveHandles(), 2);
        EXPECT_EQ(ops.live_icons, 2);

        CDataPlane plane;
        ASSERT_EQ(info.OpenProcessAt(1, &plane), 1);
        ASSERT_NE(info.GetData(0x20000), nullptr);
        const wchar_t* path = info.m_sz_process_path;
        int opens = ops.open_calls;
        ASSERT_EQ(info.ListProcesses(), 1);
        EXPECT_EQ(info.m_n_process_count, 2);
        EXPECT_EQ(ops.open_calls, opens + 1); // only a.exe was opened again
        EXPECT_EQ(ops.LiveHandles(), 2);
        EXPECT_EQ(info.m_p_processes[1].m_h_process, info.m_h_open_process);
        EXPECT_EQ(info.m_sz_process_path, path);
        const uint8_t* byte = info.GetData(0x20010);
        ASSERT_NE(byte, nullptr);
        EXPECT_EQ(*byte, ByteAt(0x20010));

        // The opened process has left the snapshot: it stays, at the end.
        ops.processes[1].pid = 99;
        ops.processes[1].exe_name = L"other.exe";
        ops.processes[1].openable = false;
        ASSERT_EQ(info.ListProcesses(), 1);
        ASSERT_EQ(info.m_n_process_count, 2);
        EXPECT_EQ(info.m_p_processes[0].m_n_process_id, 8u);
        EXPECT_EQ(info.m_p_processes[1].m_n_process_id, 12u);
        EXPECT_EQ(info.m_p_processes[1].m_h_process, info.m_h_open_process);
        EXPECT_NE(info.GetData(0x20010), nullptr);
    }
    // Destruction closes every handle and destroys every icon.
    EXPECT_EQ(ops.LiveHandles(), 0);
    EXPECT_EQ(ops.live_icons, 0);
}

} // namespace
