// Apply in place under a journal, against the real file system with every
// file operation in turn failing once or cutting the sequence short (as a
// crash would): after the next opening the file is wholly old or wholly new,
// and an apply that failed without a crash keeps the pending changes.
#include "data/apply_journal.h"

#include "data/apply_file.h"
#include "data/document.h"
#include "tests/fakes/file_contents.h"
#include "tests/fakes/recording_message_sink.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The platform's operations, counted; from one call on they fail once
// (kFail) or all (kCrash: nothing more reaches the disk, but handles close,
// as they do when a process dies).
class CuttingOps : public InPlaceFileOps {
  public:
    enum Mode { kNone, kFail, kCrash };
    CuttingOps(Mode mode, int at) : m_mode(mode), m_n_at(at) {}
    int Calls() const { return m_n_calls; }
    // Crashes right after the first write into the file itself instead.
    void CrashAfterFirstFileWrite() { m_b_after_file_write = true; }

    void* OpenForUpdate(const wchar_t* p) override {
        m_p_file = Go() ? Real().OpenForUpdate(p) : nullptr;
        return m_p_file;
    }
    void* CreateJournal(const wchar_t* p) override {
        return Go() ? Real().CreateJournal(p) : nullptr;
    }
    void* OpenJournal(const wchar_t* p) override { return Go() ? Real().OpenJournal(p) : nullptr; }
    int ReadAt(void* f, int64_t o, uint8_t* out, size_t n) override {
        return Go() && Real().ReadAt(f, o, out, n);
    }
    int WriteAt(void* f, int64_t o, const uint8_t* data, size_t n) override {
        const int ok = Go() && Real().WriteAt(f, o, data, n);
        if (ok && f == m_p_file && m_b_after_file_write)
            m_mode = kCrash, m_n_at = 0;
        return ok;
    }
    int Flush(void* f) override { return Go() && Real().Flush(f); }
    int GetStamp(void* f, FileStamp* s) override { return Go() && Real().GetStamp(f, s); }
    int SetWriteTime(void* f, int64_t t) override { return Go() && Real().SetWriteTime(f, t); }
    int Close(void* f) override { return Real().Close(f); }
    int Exists(const wchar_t* p) override { return Go() && Real().Exists(p); }
    int Delete(const wchar_t* p) override { return Go() && Real().Delete(p); }
    int Rename(const wchar_t* a, const wchar_t* b) override { return Go() && Real().Rename(a, b); }

  private:
    static InPlaceFileOps& Real() { return PlatformInPlaceFileOps(); }
    bool Go() {
        const int call = m_n_calls++;
        if (m_mode == kFail)
            return call != m_n_at;
        return m_mode != kCrash || call < m_n_at;
    }
    Mode m_mode;
    int m_n_at;
    int m_n_calls = 0;
    void* m_p_file = nullptr;
    bool m_b_after_file_write = false;
};

class InPlaceApplyOps : public ApplyFileOps {
  public:
    explicit InPlaceApplyOps(InPlaceFileOps& in_place) : m_in_place(in_place) {}
    SaveFileOps& SaveOps() override { return PlatformApplyFileOps().SaveOps(); }
    WorkspaceFileOps& WorkspaceOps() override { return PlatformApplyFileOps().WorkspaceOps(); }
    InPlaceFileOps& InPlaceOps() override { return m_in_place; }
    int IsReadOnly(const wchar_t* path) override { return PlatformApplyFileOps().IsReadOnly(path); }
    int Release(CallBackInfo* doc) override { return PlatformApplyFileOps().Release(doc); }
    int ReplaceKeeping(const wchar_t* target, const wchar_t* replacement) override {
        return PlatformApplyFileOps().ReplaceKeeping(target, replacement);
    }
    int Reopen(CallBackInfo* doc, const wchar_t* path) override {
        return PlatformApplyFileOps().Reopen(doc, path);
    }

  private:
    InPlaceFileOps& m_in_place;
};

constexpr int64_t kSize = 3 << 20;

std::vector<uint8_t> OldBytes() {
    std::vector<uint8_t> bytes(kSize);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 12));
    return bytes;
}

// A document over the file with scattered typed bytes (two of them
// adjacent, one on the file's last byte) and 1.5 MiB pasted over, which
// takes more than one run.
struct EditedFile {
    TempDir m_dir;
    std::wstring m_sz_path;
    std::vector<uint8_t> m_old = OldBytes();
    std::vector<uint8_t> m_new;
    CallBackInfo m_doc{nullptr};

    EditedFile() {
        m_sz_path = m_dir.WriteFile("f.bin", m_old);
        EXPECT_EQ(1, m_doc.OpenFile(m_sz_path.c_str()));
        m_new = m_old;
        const EditMark mark = {0, 0, 0};
        for (int64_t at : {int64_t{0}, int64_t{4097}, int64_t{4098}, int64_t{70000}, kSize - 1}) {
            EXPECT_EQ(1, m_doc.m_history.TypeNibble(m_doc.m_p_data_plane, at, 0xA, 1,
                                                    m_doc.Source(), mark));
            m_new[static_cast<size_t>(at)] = static_cast<uint8_t>(0xA0 | (m_new[at] & 0x0F));
        }
        const std::vector<uint8_t> pasted((3 << 19), 0x5C);
        const PieceRecord record = {PIECE_INSERTED, 0, 0, static_cast<int64_t>(pasted.size()),
                                    pasted.data()};
        EXPECT_EQ(1, m_doc.m_p_data_plane->Replace(100000, record.m_n_length, &record, 1));
        std::fill(m_new.begin() + 100000, m_new.begin() + 100000 + record.m_n_length, 0x5C);
    }
    std::vector<uint8_t> OnDisk() const { return ReadFileBytes(m_dir.File("f.bin")); }
    std::vector<uint8_t> Shown() {
        std::vector<uint8_t> out(static_cast<size_t>(m_doc.m_n_data_size));
        EXPECT_EQ(m_doc.m_n_data_size,
                  ReadEffectiveSpan(&m_doc, 0, out.data(), m_doc.m_n_data_size, m_doc.Source()));
        return out;
    }
    // What the next opening of the file does.
    void OpenAgain() { RollBackInterruptedApply(m_sz_path.c_str(), PlatformInPlaceFileOps()); }
};

// Runs the in-place write alone with the document's changes (a crash leaves
// no fallback to run).
void WriteChanges(EditedFile& f, InPlaceFileOps& ops) {
    std::vector<InPlaceChange> changes;
    ASSERT_EQ(
        1, CollectInPlaceChanges(*f.m_doc.m_p_data_plane, kSize, f.m_doc.m_n_data_size, &changes));
    WriteInPlace(f.m_sz_path.c_str(), kSize, changes, ops, nullptr);
}

} // namespace

TEST(ApplyInPlace, ACrashAfterAnyStepLeavesTheFileWhollyOldOrNewAtTheNextOpening) {
    int calls = 0;
    {
        EditedFile f;
        ASSERT_EQ(f.m_new, f.Shown());
        CuttingOps counting(CuttingOps::kNone, 0);
        InPlaceApplyOps ops(counting);
        ASSERT_EQ(ApplyResult::kApplied, ApplyDocumentToFile(&f.m_doc, ops));
        EXPECT_EQ(f.m_new, f.OnDisk());
        EXPECT_EQ(std::vector<std::string>{"f.bin"}, FolderNames(f.m_dir.Path()));
        EXPECT_EQ(1, f.m_doc.m_p_data_plane->PieceCount());
        calls = counting.Calls();
        ASSERT_GT(calls, 10) << "written in place, step by step";
    }
    int old_seen = 0, new_seen = 0;
    for (int at = 0; at <= calls; ++at) {
        SCOPED_TRACE(at);
        EditedFile f;
        RecordingMessageSink messages;
        CuttingOps crash(CuttingOps::kCrash, at);
        WriteChanges(f, crash);
        f.OpenAgain();
        const std::vector<uint8_t> disk = f.OnDisk();
        ASSERT_TRUE(disk == f.m_old || disk == f.m_new) << "a mix of old and new bytes";
        (disk == f.m_old ? old_seen : new_seen)++;
        EXPECT_FALSE(std::filesystem::exists(f.m_dir.File("f.bin.pelmora-journal")));
        if (disk == f.m_new) {
            EXPECT_TRUE(messages.Messages().empty());
        }
    }
    EXPECT_GT(old_seen, 0);
    EXPECT_GT(new_seen, 0);
}

TEST(ApplyInPlace, AFailingStepKeepsThePendingChangesOrAppliesThemWhole) {
    CuttingOps counting(CuttingOps::kNone, 0);
    {
        EditedFile f;
        WriteChanges(f, counting);
    }
    for (int at = 0; at < counting.Calls(); ++at) {
        SCOPED_TRACE(at);
        EditedFile f;
        RecordingMessageSink messages;
        CuttingOps fail(CuttingOps::kFail, at);
        InPlaceApplyOps ops(fail);
        const ApplyResult result = ApplyDocumentToFile(&f.m_doc, ops);
        if (result == ApplyResult::kApplied) {
            EXPECT_EQ(f.m_new, f.OnDisk()); // in place, or copied when it could not be
            EXPECT_TRUE(messages.Messages().empty());
        } else {
            ASSERT_EQ(ApplyResult::kFailed, result);
            EXPECT_EQ(f.m_new, f.Shown()) << "the changes are still pending";
            EXPECT_EQ(1, CanApply(&f.m_doc));
            ASSERT_EQ(1u, messages.Messages().size());
            EXPECT_NE(std::wstring::npos, messages.Messages()[0].find(f.m_sz_path));
        }
        f.OpenAgain();
        EXPECT_EQ(result == ApplyResult::kApplied ? f.m_new : f.m_old, f.OnDisk());
    }
}

TEST(ApplyInPlace, AJournalThatDoesNotFitTheFileIsKeptAsideAndNeverApplied) {
    // Cut short once the journal is written and one run is in the file.
    auto cut_short = [](EditedFile& f) {
        CuttingOps crash(CuttingOps::kNone, 0);
        crash.CrashAfterFirstFileWrite();
        WriteChanges(f, crash);
        ASSERT_NE(f.m_old, f.OnDisk());
        ASSERT_NE(f.m_new, f.OnDisk());
    };
    for (int damage = 0; damage < 3; ++damage) {
        SCOPED_TRACE(damage);
        EditedFile f;
        cut_short(f);
        const std::filesystem::path journal = f.m_dir.File("f.bin.pelmora-journal");
        ASSERT_TRUE(std::filesystem::exists(journal));
        if (damage == 0) { // another program wrote into a changed range
            std::fstream file(f.m_dir.File("f.bin"),
                              std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(4097);
            file.put(static_cast<char>(f.m_old[4097] ^ f.m_new[4097] ^ 0xFF));
        } else if (damage == 1) { // the file's size changed
            std::filesystem::resize_file(f.m_dir.File("f.bin"), kSize + 1);
        } else { // one byte of the journal is wrong
            std::fstream file(journal, std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(200);
            const int byte = file.get();
            file.seekp(200);
            file.put(static_cast<char>(byte ^ 1));
        }
        const std::vector<uint8_t> before = f.OnDisk();
        RecordingMessageSink messages;
        EXPECT_EQ(RollBack::kKeptAside,
                  RollBackInterruptedApply(f.m_sz_path.c_str(), PlatformInPlaceFileOps()));
        EXPECT_EQ(before, f.OnDisk()) << "nothing applied";
        EXPECT_FALSE(std::filesystem::exists(journal));
        const std::wstring aside = f.m_sz_path + L".pelmora-journal.damaged";
        EXPECT_TRUE(std::filesystem::exists(f.m_dir.File("f.bin.pelmora-journal.damaged")));
        ASSERT_EQ(1u, messages.Messages().size());
        EXPECT_NE(std::wstring::npos, messages.Messages()[0].find(aside));
    }
    // A whole journal for the file as it is: put back, and said so.
    EditedFile f;
    cut_short(f);
    RecordingMessageSink messages;
    EXPECT_EQ(RollBack::kRolledBack,
              RollBackInterruptedApply(f.m_sz_path.c_str(), PlatformInPlaceFileOps()));
    EXPECT_EQ(f.m_old, f.OnDisk());
    EXPECT_EQ(std::vector<std::string>{"f.bin"}, FolderNames(f.m_dir.Path()));
    ASSERT_EQ(1u, messages.Messages().size());
    EXPECT_EQ(L"The changes being applied to " + f.m_sz_path +
                  L" when Pelmora stopped were rolled back; the file is as it was before.",
              messages.Messages()[0]);
}

// Bytes moved within the file keep its size but are not overwrites: they
// are written by the copy, from the file as it was.
TEST(ApplyInPlace, MovedBytesAreAppliedByTheCopy) {
    EditedFile f;
    const EditMark mark = {0, 0, 0};
    const uint8_t two[] = {1, 2};
    ASSERT_EQ(1, f.m_doc.m_history.Remove(f.m_doc.m_p_data_plane, 10, 11, mark));
    ASSERT_EQ(1, f.m_doc.m_history.Insert(f.m_doc.m_p_data_plane, 2000000, two, 2, mark));
    std::vector<InPlaceChange> changes;
    EXPECT_EQ(0, CollectInPlaceChanges(*f.m_doc.m_p_data_plane, kSize, kSize, &changes));
    const std::vector<uint8_t> shown = f.Shown();
    CuttingOps none(CuttingOps::kNone, 0);
    InPlaceApplyOps ops(none);
    ASSERT_EQ(ApplyResult::kApplied, ApplyDocumentToFile(&f.m_doc, ops));
    EXPECT_EQ(shown, f.OnDisk());
}
