// Checksums over documents: every algorithm against values from Python's
// hashlib and zlib and the system's tools (tests/tools/checksum_vectors.txt,
// made by scripts/checksum-vectors), with one hashing thread and several;
// pending edits; unreadable process memory; stop; the range and verify rules.
#include "data/block_reader.h"
#include "data/save_file.h"
#include "tests/fakes/file_contents.h"
#include "tests/fakes/region_process.h"
#include "tests/tools/tools_fixture.h"
#include "tools/checksums.h"
#include "tools/crc32_clmul.h"
#include "tools/crc32c.h"
#include "tools/sha256_ni.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace {

// The generator scripts/checksum-vectors repeats for its "random" input.
std::vector<uint8_t> XorshiftBytes(size_t length) {
    uint64_t x = 0x9E3779B97F4A7C15ull;
    std::vector<uint8_t> out;
    out.reserve(length + 8);
    while (out.size() < length) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        for (int i = 0; i < 8; ++i)
            out.push_back(static_cast<uint8_t>(x >> (8 * i)));
    }
    out.resize(length);
    return out;
}

std::vector<uint8_t> VectorInput(const std::string& name) {
    if (name == "abc")
        return {'a', 'b', 'c'};
    if (name == "million_a")
        return std::vector<uint8_t>(1000000, 'a');
    if (name == "random")
        return XorshiftBytes((3u << 20) + 5);
    return {};
}

// input name -> algorithm name -> value
std::map<std::string, std::map<std::string, std::string>> LoadVectors() {
    std::ifstream file(std::string(PELMORA_SOURCE_DIR) + "/tests/tools/checksum_vectors.txt");
    std::map<std::string, std::map<std::string, std::string>> vectors;
    std::string input, algorithm, value;
    while (file >> input >> algorithm >> value)
        vectors[input][algorithm] = value;
    return vectors;
}

std::string Narrow(const wchar_t* text) {
    return std::string(text, text + std::wcslen(text));
}

constexpr uint32_t kAll = (1u << kChecksumCount) - 1;

class Checksums : public ToolsFixture {
  protected:
    int Run(ChecksumJob* job, ChecksumRange range, int threads = 0) {
        job->m_p_document = m_doc.get();
        job->m_range = range;
        if (job->m_n_algorithms == 0)
            job->m_n_algorithms = kAll;
        return RunChecksums(job, PlatformBlockReadOps(), threads);
    }
    ChecksumRange Whole() const { return {0, m_doc->m_n_data_size}; }

    // Every algorithm's value over bytes, fed in one piece.
    static std::vector<std::string> Direct(const uint8_t* bytes, size_t count) {
        std::vector<std::string> values;
        for (int a = 0; a < kChecksumCount; ++a) {
            std::unique_ptr<Digest> digest = MakeDigest(a);
            digest->Update(bytes, count);
            values.push_back(digest->Final());
        }
        return values;
    }
};

class ChecksumVectors : public Checksums, public ::testing::WithParamInterface<int> {};

TEST_P(ChecksumVectors, EveryAlgorithmMatchesTheReferenceValues) {
    const auto vectors = LoadVectors();
    ASSERT_EQ(vectors.size(), 4u);
    for (const auto& input : vectors) {
        const std::vector<uint8_t> bytes = VectorInput(input.first);
        if (!bytes.empty())
            Open(bytes);
        else
            m_doc = std::make_unique<CallBackInfo>(nullptr); // nothing to open: an empty document
        ChecksumJob job;
        ASSERT_EQ(Run(&job, {0, static_cast<int64_t>(bytes.size())}, GetParam()), kChecksumDone);
        EXPECT_EQ(job.m_n_done.load(), static_cast<int64_t>(bytes.size()));
        for (int a = 0; a < kChecksumCount; ++a)
            EXPECT_EQ(job.m_sz_values[a], input.second.at(Narrow(ChecksumName(a))))
                << input.first << " " << Narrow(ChecksumName(a));
        if (input.first == "random") {
            char portable[9];
            std::snprintf(portable, sizeof(portable), "%08x",
                          Crc32cPortable(0, bytes.data(), bytes.size()));
            EXPECT_EQ(portable, input.second.at("CRC-32C")) << "the table walk";
        }
        // CRC-32 by folding, and SHA-256 by the SHA instructions, fed in
        // uneven pieces across block edges.
        uint32_t crc = 0;
        for (size_t at = 0, n = 1; at < bytes.size(); at += n, n = n * 3 + 5)
            crc = Crc32Fast(crc, bytes.data() + at, std::min(n, bytes.size() - at));
        char folded[9];
        std::snprintf(folded, sizeof(folded), "%08x", crc);
        EXPECT_EQ(folded, input.second.at("CRC-32")) << input.first << " in pieces";
        if (std::unique_ptr<Digest> sha = MakeSha256NiDigest()) {
            for (size_t at = 0, n = 1; at < bytes.size(); at += n, n = n * 3 + 7)
                sha->Update(bytes.data() + at, std::min(n, bytes.size() - at));
            EXPECT_EQ(sha->Final(), input.second.at("SHA-256")) << input.first << " SHA-NI";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(HashingThreads, ChecksumVectors, ::testing::Values(1, 3));

TEST_F(Checksums, PendingEditsGiveTheValuesOfTheSavedFile) {
    Open(XorshiftBytes(5 << 20));
    CDataPlane* plane = m_doc->m_p_data_plane;
    const std::vector<uint8_t> inserted(3000, 0x5A);
    ASSERT_EQ(1, plane->Insert(1234567, inserted.data(), 3000));
    ASSERT_EQ(1, plane->Remove(2 << 20, (3 << 20) + 17));
    ASSERT_EQ(1, plane->Insert(0, inserted.data(), 1));
    ASSERT_EQ(1, plane->SetNibble(4000000, 0x3, 1, &m_doc->m_file_mapping));
    m_doc->m_n_data_size += 3001 - ((1 << 20) + 18);

    const std::wstring saved = m_dir.WidePath("saved");
    ASSERT_EQ(1, SaveDocumentToFile(m_doc.get(), saved.c_str(), PlatformSaveFileOps()));
    const std::vector<uint8_t> expected = ReadFileBytes(m_dir.File("saved"));
    ASSERT_EQ(static_cast<int64_t>(expected.size()), m_doc->m_n_data_size);

    ChecksumJob whole;
    ASSERT_EQ(Run(&whole, Whole()), kChecksumDone);
    EXPECT_EQ(std::vector<std::string>(whole.m_sz_values, whole.m_sz_values + kChecksumCount),
              Direct(expected.data(), expected.size()));
    // A range that starts inside an inserted piece and ends past a removal.
    ChecksumJob part;
    ASSERT_EQ(Run(&part, {1235000, 2900000}, 2), kChecksumDone);
    EXPECT_EQ(std::vector<std::string>(part.m_sz_values, part.m_sz_values + kChecksumCount),
              Direct(expected.data() + 1235000, 2900000));
}

// The process outlives the document, which closes it in TearDown.
class ChecksumsOfProcess : public Checksums {
  protected:
    RegionProcess m_process{{{0x10000, 0x1000, 1}, {0x20000, 0x1000, 0}, {0x30000, 0x1000, 1}}};
};

TEST_F(ChecksumsOfProcess, UnreadableMemoryCountsAsZeros) {
    OpenProcess(m_process);
    std::vector<uint8_t> expected(0x3000, 0);
    for (int i = 0; i < 0x1000; ++i) {
        expected[i] = RegionProcess::Byte(0x10000 + i);
        expected[0x2000 + i] = RegionProcess::Byte(0x30000 + i);
    }
    ChecksumJob job;
    ASSERT_EQ(Run(&job, Whole()), kChecksumDone);
    EXPECT_EQ(job.m_n_unreadable, 0x1000);
    EXPECT_EQ(job.m_sz_values[kChecksumSha256],
              Direct(expected.data(), expected.size())[kChecksumSha256]);
}

TEST_F(Checksums, AStopLeavesNoValuesAndOnlyTheChosenAreComputed) {
    Open(XorshiftBytes(3 << 20));
    ChecksumJob stopped;
    stopped.m_b_stop = 1;
    EXPECT_EQ(Run(&stopped, Whole()), kChecksumStopped);
    for (const std::string& value : stopped.m_sz_values)
        EXPECT_TRUE(value.empty());

    ChecksumJob some;
    some.m_n_algorithms = (1u << kChecksumMd5) | (1u << kChecksumXxh3);
    ASSERT_EQ(Run(&some, Whole()), kChecksumDone);
    for (int a = 0; a < kChecksumCount; ++a)
        EXPECT_EQ(some.m_sz_values[a].empty(), a != kChecksumMd5 && a != kChecksumXxh3) << a;
}

TEST_F(Checksums, TheRangeFollowsTheSelectionOfMoreThanOneByte) {
    Open(std::vector<uint8_t>(100, 1));
    Select(40, 40);
    EXPECT_EQ(ChecksumRangeOf(m_doc.get(), kChecksumRangeAuto).m_n_length, 100);
    EXPECT_EQ(ChecksumRangeOf(m_doc.get(), kChecksumRangeSelection).m_n_length, 1);
    Select(60, 41); // backwards
    const ChecksumRange range = ChecksumRangeOf(m_doc.get(), kChecksumRangeAuto);
    EXPECT_EQ(range.m_n_first, 41);
    EXPECT_EQ(range.m_n_length, 20);
    EXPECT_EQ(ChecksumRangeOf(m_doc.get(), kChecksumRangeWhole).m_n_length, 100);
    Select(-1, -1);
    EXPECT_EQ(ChecksumRangeOf(m_doc.get(), kChecksumRangeSelection).m_n_length, 100);
}

TEST_F(Checksums, VerifyMatchesAnyRowAndCopyListsTheValues) {
    ChecksumJob job;
    job.m_sz_values[kChecksumCrc32] = "352441c2";
    job.m_sz_values[kChecksumSha1] = "a9993e364706816aba3e25717850c26c9cd0d89d";
    EXPECT_EQ(MatchChecksum(job, L" 0x352441C2\r\n"), kChecksumCrc32);
    EXPECT_EQ(MatchChecksum(job, L"A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D"), kChecksumSha1);
    EXPECT_EQ(MatchChecksum(job, L"352441c3"), -1);
    EXPECT_EQ(MatchChecksum(job, L"352441c2g"), -1);
    EXPECT_EQ(MatchChecksum(job, L""), -1);
    EXPECT_EQ(ChecksumLines(job),
              L"CRC-32: 352441c2\r\nSHA-1: a9993e364706816aba3e25717850c26c9cd0d89d\r\n");
}

} // namespace
