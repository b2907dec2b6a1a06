// The workspace file: exact bytes, round trips through the reader, damaged
// files, and a writer that fails at every possible step without losing the
// previous workspace.
#include "data/data_plane.h"
#include "data/document.h"
#include "data/workspace.h"
#include "tests/fakes/failing_workspace_ops.h"
#include "tests/fakes/file_contents.h"
#include "tests/fakes/memory_source.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Golden(const char* name) {
    return ReadFileBytes(std::filesystem::path(PELMORA_SOURCE_DIR) / "tests" / "golden" / name);
}

struct Piece {
    uint32_t kind;
    int64_t begin, end, length;
    std::vector<uint8_t> bytes;
    bool operator==(const Piece& o) const {
        return kind == o.kind && begin == o.begin && end == o.end && length == o.length &&
               bytes == o.bytes;
    }
};

std::vector<Piece> Pieces(const CDataPlane& plane) {
    std::vector<Piece> out;
    for (PieceCursor c_p(plane); const PlanePiece* p = c_p.Piece(); c_p.Next()) {
        Piece q{p->m_n_kind, p->m_n_src_begin, p->m_n_src_end, p->m_n_length, {}};
        if (p->m_n_kind != PIECE_SOURCE)
            q.bytes.assign(p->m_p_bytes, p->m_p_bytes + p->m_n_length);
        out.push_back(q);
    }
    return out;
}

} // namespace

TEST(Workspace, NameIsThePathWithInterm) {
    EXPECT_EQ(WorkspaceName(L"C:\\data\\a.bin"), L"C:\\data\\a.bin.interm");
}

TEST(Workspace, BytesMatchTheHandWrittenFiles) {
    TempDir dir;
    const std::wstring path = dir.WidePath("a.bin.interm");
    CDataPlane unchanged(0x100);
    ASSERT_EQ(1, WriteWorkspace(path.c_str(), &unchanged, 0x100));
    EXPECT_EQ(ReadFileBytes(path), Golden("workspace_nochange.interm"));

    MemorySource source(std::vector<uint8_t>(0x100, 0x4F));
    CDataPlane typed(0x100);
    ASSERT_EQ(1, typed.SetNibble(0x10, 0x4, 1, &source));
    ASSERT_EQ(1, typed.SetNibble(0x10, 0x1, 0, &source));
    ASSERT_EQ(1, WriteWorkspace(path.c_str(), &typed, 0x100));
    EXPECT_EQ(ReadFileBytes(path), Golden("workspace_overwrite_0x10.interm"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.bin.interm~")));
}

TEST(Workspace, GoldenFilesReadBackIncludingBytesThatLookLikeDigits) {
    TempDir dir;
    const std::wstring path = dir.WriteFile("w.interm", Golden("workspace_overwrite_0x10.interm"));
    CDataPlane plane;
    int64_t size = 0x100;
    ASSERT_EQ(1, ReadWorkspace(&plane, path.c_str(), &size));
    EXPECT_EQ(size, 0x100);
    const std::vector<Piece> want = {{PIECE_SOURCE, 0, 0xF, 0x10, {}},
                                     {PIECE_OVERWRITTEN, 0x10, 0x10, 1, {0x41}},
                                     {PIECE_SOURCE, 0x11, 0xFF, 0xEF, {}}};
    EXPECT_EQ(Pieces(plane), want);
}

TEST(Workspace, RandomEditsRoundTrip) {
    TempDir dir;
    const std::wstring path = dir.WidePath("r.interm");
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        const int64_t size = 1 + static_cast<int64_t>(rng() % 5000);
        MemorySource source(MemorySource::Pattern(static_cast<size_t>(size)));
        CDataPlane plane(size);
        int64_t effective = size;
        for (int i = 0; i < 60; ++i) {
            if (rng() % 2 == 0) {
                // Owned bytes full of digits, spaces and line ends.
                std::vector<uint8_t> add(rng() % 20);
                for (auto& b : add)
                    b = static_cast<uint8_t>("0123456789ABCDEF \r\n\t"[rng() % 20]);
                const int64_t at =
                    static_cast<int64_t>(rng() % static_cast<uint64_t>(effective + 1));
                ASSERT_EQ(1, plane.Insert(at, add.data(), static_cast<int64_t>(add.size())));
                effective += static_cast<int64_t>(add.size());
            } else if (effective > 1) {
                const int64_t at = static_cast<int64_t>(rng() % static_cast<uint64_t>(effective));
                ASSERT_EQ(1, plane.SetNibble(at, static_cast<uint8_t>(rng() % 16), 1, &source));
            }
        }
        ASSERT_EQ(1, WriteWorkspace(path.c_str(), &plane, size));
        CDataPlane back;
        int64_t got = size;
        ASSERT_EQ(1, ReadWorkspace(&back, path.c_str(), &got));
        EXPECT_EQ(got, effective);
        EXPECT_EQ(Pieces(back), Pieces(plane)) << "seed " << seed;
    }
}

TEST(Workspace, IgnoredWhenTheSizeDiffersOrTheMagicIsWrong) {
    TempDir dir;
    const std::wstring path = dir.WriteFile("w.interm", Golden("workspace_nochange.interm"));
    CDataPlane plane;
    int64_t size = 0xFF;
    EXPECT_EQ(0, ReadWorkspace(&plane, path.c_str(), &size));
    EXPECT_EQ(plane.PieceCount(), 0);
    std::vector<uint8_t> bad = Golden("workspace_nochange.interm");
    bad[2] = 'X';
    const std::wstring other = dir.WriteFile("bad.interm", bad);
    size = 0x100;
    EXPECT_EQ(0, ReadWorkspace(&plane, other.c_str(), &size));
    EXPECT_EQ(0, ReadWorkspace(&plane, dir.WidePath("missing.interm").c_str(), &size));
}

TEST(Workspace, DamageStopsReadingAndKeepsTheRecordsBefore) {
    const std::vector<uint8_t> golden = Golden("workspace_overwrite_0x10.interm");
    const size_t header = 46, first = header + 50, second = first + 51;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        size_t kept;
    };
    auto replace_record = [&](size_t at, const std::string& text) {
        std::vector<uint8_t> b(golden.begin(), golden.begin() + static_cast<long>(at));
        for (const char c : text)
            b.push_back(static_cast<uint8_t>(c));
        return b;
    };
    const std::vector<Case> cases = {
        {"cut inside a record", std::vector<uint8_t>(golden.begin(), golden.begin() + 120), 1},
        {"owned byte missing", std::vector<uint8_t>(golden.begin(), golden.begin() + second - 1),
         1},
        {"unknown kind",
         replace_record(first, "01" + std::string(16, '0') + std::string(15, '0') + "1" +
                                   std::string(15, '0') + "1"),
         1},
        {"source range past the file",
         replace_record(first, "00" + std::string(13, '0') + "100" + std::string(13, '0') + "1FF" +
                                   std::string(13, '0') + "100"),
         1},
        {"source length disagrees",
         replace_record(first, "00" + std::string(14, '0') + "10" + std::string(14, '0') + "1F" +
                                   std::string(14, '0') + "11"),
         1},
        {"overwritten length not one",
         replace_record(first, "03" + std::string(14, '0') + "10" + std::string(14, '0') + "10" +
                                   std::string(15, '0') + "2AB"),
         1},
        {"overwritten byte past the file",
         replace_record(first, "03" + std::string(13, '0') + "100" + std::string(13, '0') + "100" +
                                   std::string(15, '0') + "1AB"),
         1},
        {"negative length", replace_record(first, "02" + std::string(32, '0') + "FFFFFFFFFFFFFFFF"),
         1},
        {"huge inserted length",
         replace_record(first, "02" + std::string(32, '0') + "00000000FFFFFFFF"), 1},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::wstring path = dir.WriteFile("d.interm", c.bytes);
        CDataPlane plane;
        int64_t size = 0x100;
        ASSERT_EQ(kWorkspaceReadInPart, ReadWorkspace(&plane, path.c_str(), &size)) << c.what;
        EXPECT_EQ(static_cast<size_t>(plane.PieceCount()), c.kept) << c.what;
        EXPECT_EQ(size, 0x10) << c.what;
    }
}

TEST(Workspace, ADamagedWorkspaceIsReportedAndSetAsideUnderAFreeName) {
    TempDir dir;
    const std::wstring file = dir.WriteFile("a.bin", std::vector<uint8_t>(0x100, 0x4F));
    const std::vector<uint8_t> golden = Golden("workspace_overwrite_0x10.interm");
    const std::vector<uint8_t> damaged(golden.begin(), golden.begin() + 120);
    const std::wstring workspace = dir.WriteFile("a.bin.interm", damaged);
    {
        CallBackInfo doc(nullptr);
        ASSERT_EQ(kWorkspaceReadInPart, doc.OpenFile(file.c_str()));
        EXPECT_EQ(doc.m_n_data_size, 0x10);
    }
    // Moved: the next write of the workspace cannot replace it.
    EXPECT_EQ(KeepDamagedWorkspace(workspace.c_str(), file.c_str(), 1),
              dir.WidePath("a.bin.interm.damaged"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.bin.interm")));
    EXPECT_EQ(ReadFileBytes(dir.File("a.bin.interm.damaged")), damaged);
    // Copied (a recovery copy elsewhere), beside the one kept before.
    const std::wstring copy = dir.WriteFile("copy.interm", damaged);
    EXPECT_EQ(KeepDamagedWorkspace(copy.c_str(), file.c_str(), 0),
              dir.WidePath("a.bin.interm.damaged-2"));
    EXPECT_EQ(ReadFileBytes(dir.File("copy.interm")), damaged);
    EXPECT_EQ(ReadFileBytes(dir.File("a.bin.interm.damaged-2")), damaged);
    EXPECT_EQ(ReadFileBytes(dir.File("a.bin.interm.damaged")), damaged);
    EXPECT_EQ(KeepDamagedWorkspace(dir.WidePath("missing.interm").c_str(), file.c_str(), 0), L"");
}

// Reports the workspace file as 5 GiB long, as a sparse file would be, so the
// reader's "no more than the file holds" limit lets records of 4 GiB and more
// through to the allocation.
class HugeWorkspaceOps final : public WorkspaceFileOps {
  public:
    void* OpenWrite(const wchar_t* p) override { return real().OpenWrite(p); }
    void* OpenRead(const wchar_t* p) override { return real().OpenRead(p); }
    size_t Write(void* f, const void* d, size_t n) override { return real().Write(f, d, n); }
    // A 64-bit build may allocate such a record; its read then ends short at
    // once instead of paging in gigabytes of the buffer.
    size_t Read(void* f, void* d, size_t n) override {
        return n > (size_t{1} << 20) ? 0 : real().Read(f, d, n);
    }
    int64_t Size(void*) override { return 5ll << 30; }
    int FlushToDisk(void* f) override { return real().FlushToDisk(f); }
    int Close(void* f) override { return real().Close(f); }
    int Exists(const wchar_t* p) override { return real().Exists(p); }
    int MoveReplace(const wchar_t* a, const wchar_t* b) override {
        return real().MoveReplace(a, b);
    }
    int Delete(const wchar_t* p) override { return real().Delete(p); }

  private:
    static WorkspaceFileOps& real() { return PlatformWorkspaceFileOps(); }
};

TEST(Workspace, RecordsOfFourGiBAndMoreAreRefusedNotTruncated) {
    const std::vector<uint8_t> golden = Golden("workspace_overwrite_0x10.interm");
    const size_t second = 46 + 50 + 51;
    TempDir dir;
    // An inserted record of 2^32 + 4 bytes followed by more than 4 bytes: a
    // length cut to 32 bits would read 4 of them and keep a piece that claims
    // 4 GiB more than it owns.
    for (const char* length : {"0000000100000004", "0000000100000000", "0000000200000001"}) {
        std::vector<uint8_t> bytes(golden.begin(), golden.begin() + static_cast<long>(second));
        const std::string record = "02" + std::string(32, '0') + length;
        bytes.insert(bytes.end(), record.begin(), record.end());
        bytes.insert(bytes.end(), 64, 'x');
        const std::wstring path = dir.WriteFile("big.interm", bytes);
        CDataPlane plane;
        int64_t size = 0x100;
        HugeWorkspaceOps ops;
        ASSERT_EQ(kWorkspaceReadInPart, ReadWorkspace(&plane, path.c_str(), &size, ops)) << length;
        EXPECT_EQ(plane.PieceCount(), 2) << length;
        EXPECT_EQ(size, 0x11) << length;
    }
}

TEST(Workspace, AFailureAtAnyStepKeepsThePreviousWorkspace) {
    TempDir dir;
    const std::wstring path = dir.WidePath("f.interm");
    CDataPlane previous(64);
    ASSERT_EQ(1, WriteWorkspace(path.c_str(), &previous, 64));
    const std::vector<uint8_t> before = ReadFileBytes(path);

    MemorySource source(MemorySource::Pattern(64));
    CDataPlane next(64);
    const uint8_t add[] = {1, 2, 3};
    ASSERT_EQ(1, next.Insert(10, add, 3));
    ASSERT_EQ(1, next.SetNibble(30, 5, 0, &source));
    int successes = 0;
    for (int fail_at = 1; fail_at < 40 && successes == 0; ++fail_at) {
        FailingWorkspaceOps ops(fail_at);
        const int result = WriteWorkspace(path.c_str(), &next, 64, ops);
        if (ops.m_n_calls < fail_at) {
            EXPECT_EQ(result, 1); // no step failed
            ++successes;
            break;
        }
        if (result == 1) {
            // Only deleting the backup may fail after the new file is complete.
            CDataPlane back;
            int64_t size = 64;
            ASSERT_EQ(1, ReadWorkspace(&back, path.c_str(), &size));
            EXPECT_EQ(Pieces(back), Pieces(next)) << "fail at " << fail_at;
            std::filesystem::remove(dir.File("f.interm~"));
            ASSERT_EQ(1, WriteWorkspace(path.c_str(), &previous, 64));
            continue;
        }
        EXPECT_EQ(ReadFileBytes(path), before) << "fail at " << fail_at;
        EXPECT_FALSE(std::filesystem::exists(dir.File("f.interm~"))) << "fail at " << fail_at;
    }
    EXPECT_EQ(successes, 1);
}

TEST(Workspace, OpenFileRestoresPendingChangesOnlyForTheSameSize) {
    TempDir dir;
    const std::wstring file = dir.WriteFile("a.bin", MemorySource::Pattern(200));
    {
        CallBackInfo doc(nullptr);
        ASSERT_EQ(1, doc.OpenFile(file.c_str()));
        const uint8_t add[] = {7, 7};
        ASSERT_EQ(1, doc.m_p_data_plane->Insert(5, add, 2));
        ASSERT_EQ(1, WriteWorkspace(WorkspaceName(file.c_str()).c_str(), doc.m_p_data_plane, 200));
    }
    {
        CallBackInfo doc(nullptr);
        ASSERT_EQ(1, doc.OpenFile(file.c_str()));
        EXPECT_EQ(doc.m_n_data_size, 202);
        const uint8_t* b = FetchEffectiveByte(&doc, 6, doc.Source());
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(*b, 7);
        EXPECT_EQ(doc.m_b_cur_modified, 1);
        EXPECT_EQ(SourceAddress(&doc, 7), 5);
        EXPECT_EQ(doc.m_b_cur_modified, 0);
        EXPECT_EQ(SourceAddress(&doc, 202), -1);
    }
    dir.WriteFile("a.bin", MemorySource::Pattern(201)); // another size: workspace ignored
    CallBackInfo doc(nullptr);
    ASSERT_EQ(1, doc.OpenFile(file.c_str()));
    EXPECT_EQ(doc.m_n_data_size, 201);
    EXPECT_EQ(doc.m_p_data_plane->PieceCount(), 1);
}

TEST(Workspace, SpanReadsMatchByteFetches) {
    TempDir dir;
    const std::wstring file = dir.WriteFile("s.bin", MemorySource::Pattern(70000));
    CallBackInfo doc(nullptr);
    ASSERT_EQ(1, doc.OpenFile(file.c_str()));
    const uint8_t add[] = {1, 2, 3, 4, 5};
    ASSERT_EQ(1, doc.m_p_data_plane->Insert(65530, add, 5));
    ASSERT_EQ(1, doc.m_p_data_plane->Remove(100, 199));
    doc.m_n_data_size = 70000 + 5 - 100;
    std::vector<uint8_t> span(static_cast<size_t>(doc.m_n_data_size));
    ASSERT_EQ(ReadEffectiveSpan(&doc, 0, span.data(), doc.m_n_data_size, doc.Source()),
              doc.m_n_data_size);
    CFileMapping reader(doc.m_file_mapping);
    for (int64_t o = 0; o < doc.m_n_data_size; o += 7) {
        const uint8_t* b = FetchEffectiveByte(&doc, o, &reader);
        ASSERT_NE(b, nullptr);
        ASSERT_EQ(*b, span[static_cast<size_t>(o)]) << o;
    }
    EXPECT_EQ(ReadEffectiveSpan(&doc, doc.m_n_data_size - 3, span.data(), 10, doc.Source()), 3);
}
