// The write-out of a document into a new file: exact bytes, block-bounded
// copies through the worker's own readers, progress counters, zero-filled
// unreadable process bytes, refusal of the document's own files, and no harm
// to an existing target when any file operation fails.
#include "data/save_file.h"

#include "data/block_reader.h"
#include "data/document.h"
#include "data/plane_snapshot.h"
#include "tests/fakes/counting_file_map_ops.h"
#include "tests/fakes/file_contents.h"
#include "tests/fakes/forwarding_save_ops.h"
#include "tests/fakes/large_offset_probe.h"
#include "tests/fakes/memory_source.h"
#include "tests/fakes/recording_message_sink.h"
#include "tests/fakes/region_process.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// Counts every operation of a save and fails the n-th failable one (1-based,
// 0 never): the steps that create, size, map, write, flush, close and rename.
class FaultySaveOps : public ForwardingSaveOps {
  public:
    explicit FaultySaveOps(SaveFileOps& inner = PlatformSaveFileOps()) : ForwardingSaveOps(inner) {}

    void* CreateTemp(const wchar_t* target, std::wstring* temp_path) override {
        ++m_n_creates;
        return Fail() ? nullptr : Inner().CreateTemp(target, temp_path);
    }
    void* CreateMapping(void* file, int64_t size) override {
        return Fail() ? nullptr : Inner().CreateMapping(file, size);
    }
    uint8_t* MapView(void* mapping, int64_t offset, size_t length) override {
        ++m_n_maps;
        if (Fail())
            return nullptr;
        uint8_t* view = Inner().MapView(mapping, offset, length);
        if (view != nullptr && ++m_n_views > m_n_max_views)
            m_n_max_views = m_n_views;
        return view;
    }
    int FlushView(uint8_t* view, size_t length) override {
        return Fail() ? 0 : Inner().FlushView(view, length);
    }
    int UnmapView(uint8_t* view, size_t length) override {
        --m_n_views;
        // The view is released either way; only the report fails.
        const int ok = Inner().UnmapView(view, length);
        return Fail() ? 0 : ok;
    }
    int FlushFile(void* file) override { return Fail() ? 0 : Inner().FlushFile(file); }
    int CloseFile(void* file) override {
        const int ok = Inner().CloseFile(file);
        return Fail() ? 0 : ok;
    }
    int ReplaceTarget(const wchar_t* temp_path, const wchar_t* target) override {
        ++m_n_replaces;
        return Fail() ? 0 : Inner().ReplaceTarget(temp_path, target);
    }

    int64_t m_n_fail_at = 0;
    int64_t m_n_calls = 0;
    int64_t m_n_creates = 0;
    int64_t m_n_maps = 0;
    int64_t m_n_replaces = 0;
    int64_t m_n_views = 0;
    int64_t m_n_max_views = 0;

  private:
    bool Fail() { return ++m_n_calls == m_n_fail_at; }
};

// Block reads of the platform that fail the n-th read (1-based, 0 never).
class FailingReads : public BlockReadOps {
  public:
    void* Open(void* file) override { return PlatformBlockReadOps().Open(file); }
    int64_t Read(void* reader, int64_t offset, uint8_t* buffer, size_t count) override {
        if (++m_n_reads == m_n_fail_at)
            return -1;
        return PlatformBlockReadOps().Read(reader, offset, buffer, count);
    }
    void Close(void* reader) override { PlatformBlockReadOps().Close(reader); }

    int64_t m_n_fail_at = 0;
    int64_t m_n_reads = 0;
};

class SaveFileTest : public testing::Test {
  protected:
    // Opens a source file of the given bytes as the document.
    void OpenDocument(const std::vector<uint8_t>& bytes) {
        m_doc.reset(); // Windows cannot rewrite a file while it is mapped
        m_source = bytes;
        m_source_path = m_dir.WriteFile("source.bin", bytes);
        m_doc = std::make_unique<CallBackInfo>(nullptr, m_map_ops);
        ASSERT_EQ(m_doc->OpenFile(m_source_path.c_str()), 1);
        ASSERT_EQ(m_doc->m_n_data_size, static_cast<int64_t>(bytes.size()));
    }

    // The effective bytes read one by one through the overlay.
    std::vector<uint8_t> Effective() {
        std::vector<uint8_t> bytes;
        for (int64_t i = 0; i < m_doc->m_n_data_size; ++i) {
            const uint8_t* p = FetchEffectiveByte(m_doc.get(), i, m_doc->Source());
            EXPECT_NE(p, nullptr) << "offset " << i;
            bytes.push_back(p != nullptr ? *p : 0);
        }
        return bytes;
    }

    int Save(const std::wstring& target) {
        return SaveDocumentToFile(m_doc.get(), target.c_str(), m_ops, m_reads);
    }

    TempDir m_dir;
    RecordingMessageSink m_sink;
    CountingFileMapOps m_map_ops;
    FaultySaveOps m_ops;
    FailingReads m_reads;
    std::vector<uint8_t> m_source;
    std::wstring m_source_path;
    std::unique_ptr<CallBackInfo> m_doc;
};

TEST_F(SaveFileTest, UneditedDocumentIsAByteExactCopyInLargeBlocks) {
    OpenDocument(MemorySource::Pattern(2 * kSaveBlockSize + 123));
    const std::wstring target = m_dir.WidePath("out.bin");
    const int64_t maps_before = m_map_ops.m_n_map_calls;
    ASSERT_EQ(Save(target), 1);
    EXPECT_EQ(ReadFileBytes(target), m_source);
    EXPECT_TRUE(m_sink.Messages().empty());
    // Three output blocks, never two at once; reads of 1 MiB or more, and
    // the document's own view (the painter's) is never mapped for the save.
    EXPECT_EQ(m_ops.m_n_maps, 3);
    EXPECT_EQ(m_ops.m_n_max_views, 1);
    const int64_t size = static_cast<int64_t>(m_source.size());
    const int64_t block = int64_t{1} << 20; // the source is read in 1 MiB blocks
    EXPECT_LE(m_reads.m_n_reads, (size + block - 1) / block);
    EXPECT_EQ(m_map_ops.m_n_map_calls - maps_before, 0);
    EXPECT_EQ(FolderNames(m_dir.Path()), (std::vector<std::string>{"out.bin", "source.bin"}));
    // Saving changes neither the document nor its source.
    EXPECT_EQ(ReadFileBytes(m_source_path), m_source);
    EXPECT_EQ(m_doc->m_n_data_size, static_cast<int64_t>(m_source.size()));
}

TEST_F(SaveFileTest, RemovedInsertedAndTypedBytesAreWrittenAsShown) {
    OpenDocument(MemorySource::Pattern(200000));
    std::vector<uint8_t> model = m_source;
    CDataPlane* plane = m_doc->m_p_data_plane;
    ASSERT_EQ(plane->Remove(70000, 140000), 1);
    model.erase(model.begin() + 70000, model.begin() + 140001);
    const std::vector<uint8_t> run(100000, 0xEE); // longer than a view
    ASSERT_EQ(plane->Insert(65530, run.data(), static_cast<int64_t>(run.size())), 1);
    model.insert(model.begin() + 65530, run.begin(), run.end());
    ASSERT_EQ(plane->SetNibble(5, 0xA, 1, m_doc->Source()), 1);
    ASSERT_EQ(plane->SetNibble(5, 0x7, 0, m_doc->Source()), 1);
    model[5] = 0xA7;
    m_doc->m_n_data_size = static_cast<int64_t>(model.size());
    ASSERT_EQ(Effective(), model);

    const std::wstring target = m_dir.WidePath("out.bin");
    ASSERT_EQ(Save(target), 1);
    EXPECT_EQ(ReadFileBytes(target), model);
    EXPECT_EQ(Effective(), model); // the pending changes stay pending

    // Saved from a snapshot, the file holds the bytes it saw, whatever was
    // edited since.
    PlaneSnapshot snapshot = plane->Snapshot();
    ASSERT_EQ(plane->Remove(10, 100009), 1);
    ASSERT_EQ(plane->SetNibble(3, 0x1, 1, m_doc->Source()), 1);
    m_doc->m_n_data_size -= 100000;
    const std::wstring seen = m_dir.WidePath("seen.bin");
    ASSERT_EQ(SaveDocumentToFile(m_doc.get(), seen.c_str(), m_ops, m_reads, nullptr, &snapshot), 1);
    EXPECT_EQ(ReadFileBytes(seen), model);
}

TEST_F(SaveFileTest, SourceRunAcrossABlockEdgeIsCopiedFromTwoSourceBlocks) {
    const int64_t block = BlockReader::kBlockSize;
    OpenDocument(MemorySource::Pattern(2 * block));
    // One source piece of 20 bytes starting 6 bytes before the end of block 0.
    ASSERT_EQ(m_doc->m_p_data_plane->Remove(block + 14, 2 * block - 1), 1);
    ASSERT_EQ(m_doc->m_p_data_plane->Remove(0, block - 7), 1);
    m_doc->m_n_data_size = 20;
    const PlanePiece* head = PieceCursor(*m_doc->m_p_data_plane).Piece();
    ASSERT_NE(head, nullptr);
    ASSERT_EQ(head->m_n_src_begin, block - 6);
    ASSERT_EQ(m_doc->m_p_data_plane->PieceCount(), 1);

    const std::wstring target = m_dir.WidePath("out.bin");
    ASSERT_EQ(Save(target), 1);
    EXPECT_EQ(m_reads.m_n_reads, 2);
    EXPECT_EQ(m_ops.m_n_maps, 1);
    EXPECT_EQ(ReadFileBytes(target),
              std::vector<uint8_t>(m_source.begin() + block - 6, m_source.begin() + block + 14));
}

TEST_F(SaveFileTest, SourceBytesAboveFourGiBAreCopiedFromTheirOwnOffsets) {
    const uint64_t size = (5ull << 30) + 100;
    const uint64_t mark = (4ull << 30) + 65536 - 4; // straddles a source view edge
    const std::vector<uint8_t> marker = {1, 2, 3, 4, 5, 6, 7, 8};
    m_source_path = m_dir.WriteSparseFile("big.bin", size, mark, marker);
    if (m_source_path.empty())
        GTEST_SKIP() << "the file system cannot hold a 5 GiB sparse file";
    if (!PlatformMapsAboveFourGiB(m_dir))
        GTEST_SKIP() << "this platform (qemu-user before 8.1) maps no file offsets above 4 GiB";
    m_doc = std::make_unique<CallBackInfo>(nullptr, m_map_ops);
    ASSERT_EQ(m_doc->OpenFile(m_source_path.c_str()), 1);
    // Keep the marker with two zero bytes on each side, then type over the first.
    CDataPlane* plane = m_doc->m_p_data_plane;
    ASSERT_EQ(plane->Remove(static_cast<int64_t>(mark + 10), static_cast<int64_t>(size - 1)), 1);
    ASSERT_EQ(plane->Remove(0, static_cast<int64_t>(mark - 3)), 1);
    ASSERT_EQ(plane->SetNibble(0, 0xC, 1, m_doc->Source()), 1);
    m_doc->m_n_data_size = 12;

    const std::wstring target = m_dir.WidePath("out.bin");
    ASSERT_EQ(Save(target), 1);
    EXPECT_EQ(ReadFileBytes(target), std::vector<uint8_t>({0xC0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0}));
    // Typing over the first byte mapped the view that holds it, above 4 GiB.
    EXPECT_EQ(m_map_ops.m_n_last_map_offset, static_cast<int64_t>((mark - 3) >> 16 << 16));
}

TEST_F(SaveFileTest, ProgressRangeCountsBlocksOf64KiB) {
    OpenDocument(MemorySource::Pattern(10));
    ASSERT_EQ(Save(m_dir.WidePath("a.bin")), 1);
    EXPECT_EQ(m_doc->m_n_progress_total, 1);
    EXPECT_EQ(m_doc->m_n_progress_pos, 0);

    OpenDocument(MemorySource::Pattern(3 * 65536 + 1));
    ASSERT_EQ(Save(m_dir.WidePath("b.bin")), 1);
    EXPECT_EQ(m_doc->m_n_progress_total, 4);
    EXPECT_EQ(m_doc->m_n_progress_pos, 3);
}

TEST_F(SaveFileTest, RandomEditSequencesSaveTheEffectiveBytes) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 random(seed);
        OpenDocument(MemorySource::Pattern(65536 * 2 + seed * 977));
        std::vector<uint8_t> model = m_source;
        CDataPlane* plane = m_doc->m_p_data_plane;
        for (int step = 0; step < 60; ++step) {
            const auto size = static_cast<int64_t>(model.size());
            const int kind = static_cast<int>(random() % 3);
            if (kind == 0 && size > 0) {
                const int64_t first = static_cast<int64_t>(random() % size);
                const int64_t last =
                    std::min<int64_t>(size - 1, first + static_cast<int64_t>(random() % 70000));
                ASSERT_EQ(plane->Remove(first, last), 1);
                model.erase(model.begin() + first, model.begin() + last + 1);
            } else if (kind == 1) {
                const int64_t at = static_cast<int64_t>(random() % (size + 1));
                std::vector<uint8_t> bytes(1 + random() % 70000);
                for (uint8_t& b : bytes)
                    b = static_cast<uint8_t>(random());
                ASSERT_EQ(plane->Insert(at, bytes.data(), static_cast<int64_t>(bytes.size())), 1);
                model.insert(model.begin() + at, bytes.begin(), bytes.end());
            } else if (size > 0) {
                const int64_t at = static_cast<int64_t>(random() % size);
                const auto value = static_cast<uint8_t>(random() % 16);
                const int high = static_cast<int>(random() % 2);
                ASSERT_EQ(plane->SetNibble(at, value, high, m_doc->Source()), 1);
                model[at] = high ? static_cast<uint8_t>((value << 4) | (model[at] & 0x0F))
                                 : static_cast<uint8_t>((model[at] & 0xF0) | value);
            }
            m_doc->m_n_data_size = static_cast<int64_t>(model.size());
        }
        const std::wstring target = m_dir.WidePath("out" + std::to_string(seed) + ".bin");
        ASSERT_EQ(Save(target), 1) << "seed " << seed;
        EXPECT_EQ(ReadFileBytes(target), model) << "seed " << seed;
        EXPECT_EQ(m_ops.m_n_max_views, 1);
    }
}

TEST_F(SaveFileTest, EmptyDocumentSavesAnEmptyFileAlsoOverAnExistingOne) {
    OpenDocument(MemorySource::Pattern(100));
    ASSERT_EQ(m_doc->m_p_data_plane->Remove(0, 99), 1);
    m_doc->m_n_data_size = 0;
    const std::wstring fresh = m_dir.WidePath("fresh.bin");
    ASSERT_EQ(Save(fresh), 1);
    EXPECT_TRUE(std::filesystem::exists(fresh));
    EXPECT_EQ(std::filesystem::file_size(fresh), 0u);
    EXPECT_EQ(m_doc->m_n_progress_total, 1);

    const std::wstring existing = m_dir.WriteFile("existing.bin", {1, 2, 3});
    ASSERT_EQ(Save(existing), 1);
    EXPECT_EQ(std::filesystem::file_size(existing), 0u);
    EXPECT_TRUE(m_sink.Messages().empty());
}

TEST_F(SaveFileTest, FailureAtAnyStepLeavesTheTargetIntactAndNoTemporaryFile) {
    OpenDocument(MemorySource::Pattern(2 * 65536 + 500));
    const std::vector<uint8_t> inserted(300, 0x5A);
    ASSERT_EQ(m_doc->m_p_data_plane->Insert(65000, inserted.data(), 300), 1);
    m_doc->m_n_data_size += 300;
    const std::vector<uint8_t> expected = Effective();
    const std::vector<uint8_t> old_bytes = {'o', 'l', 'd'};
    const std::wstring target = m_dir.WriteFile("target.bin", old_bytes);
    const std::vector<std::string> names_before = FolderNames(m_dir.Path());

    int64_t step = 1;
    for (;; ++step) {
        ASSERT_LT(step, 100) << "the save never succeeded";
        m_ops.m_n_fail_at = step;
        m_ops.m_n_calls = 0;
        m_sink.Clear();
        const int result = Save(target);
        if (m_ops.m_n_calls < step) {
            // Every failable step has been failed once; this run failed none.
            ASSERT_EQ(result, 1);
            break;
        }
        EXPECT_EQ(result, 0) << "step " << step;
        EXPECT_EQ(ReadFileBytes(target), old_bytes) << "step " << step;
        EXPECT_EQ(FolderNames(m_dir.Path()), names_before) << "step " << step;
        const std::vector<std::wstring> messages = m_sink.Messages();
        ASSERT_FALSE(messages.empty()) << "step " << step;
        EXPECT_NE(messages.back().find(target), std::wstring::npos) << "step " << step;
        EXPECT_EQ(m_ops.m_n_views, 0) << "step " << step;
    }
    // Create, size, map, write, unmap, flush, close, rename.
    EXPECT_EQ(step, 9);
    EXPECT_EQ(ReadFileBytes(target), expected);
    EXPECT_EQ(FolderNames(m_dir.Path()), names_before);
}

// A caller's own sink, not installed: what the save tells its caller.
class CallerSink : public MessageSink {
  public:
    void OnMessage(const std::wstring& text) override { m_messages.push_back(text); }
    void OnTrace(const std::wstring&) override {}
    std::vector<std::wstring> m_messages;
};

TEST_F(SaveFileTest, EveryFailureGoesToTheCallersSinkAlone) {
    OpenDocument(MemorySource::Pattern(2 * 65536));
    const std::wstring target = m_dir.WriteFile("target.bin", {1});
    for (int64_t step = 1; step < 100; ++step) {
        m_ops.m_n_fail_at = step;
        m_ops.m_n_calls = 0;
        CallerSink caller;
        const int result = SaveDocumentToFile(m_doc.get(), target.c_str(), m_ops, m_reads, &caller);
        if (m_ops.m_n_calls < step)
            break;
        EXPECT_EQ(result, 0) << "step " << step;
        EXPECT_FALSE(caller.m_messages.empty()) << "step " << step;
    }
    CallerSink refused;
    EXPECT_EQ(SaveDocumentToFile(m_doc.get(), m_source_path.c_str(), m_ops, m_reads, &refused), 0);
    EXPECT_EQ(refused.m_messages.size(), 1u);
    EXPECT_TRUE(m_sink.Messages().empty());
}

TEST_F(SaveFileTest, UnreadableSourceByteFailsWithoutTouchingTheTarget) {
    OpenDocument(MemorySource::Pattern(3 * 65536));
    const std::wstring target = m_dir.WriteFile("target.bin", {9, 9});
    m_reads.m_n_fail_at = 1;
    EXPECT_EQ(Save(target), 0);
    EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{9, 9}));
    EXPECT_EQ(FolderNames(m_dir.Path()), (std::vector<std::string>{"source.bin", "target.bin"}));
    ASSERT_FALSE(m_sink.Messages().empty());
    EXPECT_NE(m_sink.Messages().back().find(target), std::wstring::npos);
}

TEST_F(SaveFileTest, SourceFileIsRefusedUnderAnySpelling) {
    OpenDocument(MemorySource::Pattern(1000));
    ASSERT_EQ(m_doc->m_p_data_plane->Remove(0, 9), 1);
    m_doc->m_n_data_size -= 10;
    std::vector<std::wstring> spellings = {
        m_source_path,
        (m_dir.Path() / "." / "source.bin").wstring(),
        (m_dir.Path() / "sub" / ".." / "source.bin").wstring(),
    };
    std::filesystem::create_directory(m_dir.Path() / "sub");
    std::error_code ec;
    std::filesystem::create_hard_link(m_dir.File("source.bin"), m_dir.File("link.bin"), ec);
    if (!ec)
        spellings.push_back(m_dir.WidePath("link.bin"));
    for (const std::wstring& spelling : spellings) {
        m_sink.Clear();
        EXPECT_EQ(Save(spelling), 0);
        ASSERT_EQ(m_sink.Messages().size(), 1u);
        EXPECT_NE(m_sink.Messages()[0].find(spelling), std::wstring::npos);
    }
    EXPECT_EQ(m_ops.m_n_creates, 0); // refused before anything was written
    EXPECT_EQ(ReadFileBytes(m_source_path), m_source);
}

TEST_F(SaveFileTest, WorkspaceAndItsBackupAreRefusedWhetherTheyExistOrNot) {
    OpenDocument(MemorySource::Pattern(1000));
    // Not written yet: the name alone would be overwritten by the next workspace.
    EXPECT_EQ(Save(m_dir.WidePath("source.bin.interm")), 0);
    EXPECT_EQ(Save((m_dir.Path() / "." / "source.bin.interm~").wstring()), 0);
    const std::vector<uint8_t> workspace = {'w', 's'};
    std::filesystem::create_directory(m_dir.Path() / "sub");
    m_dir.WriteFile("source.bin.interm", workspace);
    EXPECT_EQ(Save((m_dir.Path() / "sub" / ".." / "source.bin.interm").wstring()), 0);
    EXPECT_EQ(m_sink.Messages().size(), 3u);
    EXPECT_EQ(m_ops.m_n_creates, 0);
    EXPECT_EQ(ReadFileBytes(m_dir.File("source.bin.interm")), workspace);
    // A name that merely starts like it is fine.
    EXPECT_EQ(Save(m_dir.WidePath("source.bin.interm.copy")), 1);
}

TEST_F(SaveFileTest, ProcessDocumentSavesUnreadableRangesAsZerosAndSaysSo) {
    // Readable and unreadable regions; the two unreadable ones in a row are
    // one range of the output.
    RegionProcess process({{0x10000, 0x1000, 1},
                           {0x11000, 0x2000, 0},
                           {0x13000, 0x1000, 0},
                           {0x20000, 0x3000, 1},
                           {0x40000, 0x1000, 0}});
    CallBackInfo doc(nullptr, m_map_ops, process);
    ASSERT_EQ(doc.m_proc_info.ListProcesses(), 1);
    doc.m_p_data_plane = new CDataPlane();
    ASSERT_EQ(doc.m_proc_info.OpenProcessAt(0, doc.m_p_data_plane), 1);
    doc.m_n_data_size = static_cast<int64_t>(doc.m_proc_info.m_n_total_size);
    doc.m_n_source_kind = 1;
    ASSERT_EQ(doc.m_n_data_size, 0x8000);
    ASSERT_EQ(doc.m_p_data_plane->SetNibble(0x4000, 0xF, 1, doc.Source()), 1);
    // The painter's block, which the save must leave alone.
    ASSERT_NE(doc.m_proc_info.GetData(0x20010), nullptr);
    const ProcAddress painted_at = doc.m_proc_info.m_n_read_address;
    const uint32_t painted_count = doc.m_proc_info.m_n_read_count;

    std::vector<uint8_t> expected(0x8000, 0);
    for (ProcAddress a = 0; a < 0x1000; ++a)
        expected[a] = RegionProcess::Byte(0x10000 + a);
    for (ProcAddress a = 0; a < 0x3000; ++a)
        expected[0x4000 + a] = RegionProcess::Byte(0x20000 + a);
    expected[0x4000] = static_cast<uint8_t>(0xF0 | (expected[0x4000] & 0x0F));

    const std::wstring target = m_dir.WidePath("memory.bin");
    ASSERT_EQ(SaveDocumentToFile(&doc, target.c_str(), m_ops), 1);
    EXPECT_EQ(ReadFileBytes(target), expected);
    ASSERT_EQ(m_sink.Messages().size(), 1u);
    const std::wstring message = m_sink.Messages()[0];
    EXPECT_NE(message.find(L"16384 bytes in 2 ranges"), std::wstring::npos) << message;
    EXPECT_NE(message.find(L"0x1000."), std::wstring::npos) << message;
    EXPECT_EQ(doc.m_proc_info.m_n_read_address, painted_at);
    EXPECT_EQ(doc.m_proc_info.m_n_read_count, painted_count);

    // All readable: no message.
    for (RegionProcess::Region& region : process.m_regions)
        region.readable = 1;
    m_sink.Clear();
    ASSERT_EQ(SaveDocumentToFile(&doc, target.c_str(), m_ops), 1);
    EXPECT_TRUE(m_sink.Messages().empty());
    EXPECT_EQ(ReadFileBytes(target)[0x1000], RegionProcess::Byte(0x11000));
}

} // namespace
