// Apply against the real file system with each step failing in turn: the file
// is always wholly old or wholly new, no new file stays behind, a failed apply
// leaves the document as it was and says so, and a good one leaves one source
// piece and no workspace.
#include "data/apply_file.h"

#include "data/document.h"
#include "data/save_file.h"
#include "data/workspace.h"
#include "tests/fakes/failing_workspace_ops.h"
#include "tests/fakes/file_contents.h"
#include "tests/fakes/forwarding_save_ops.h"
#include "tests/fakes/recording_message_sink.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#ifndef _WIN32
#include <unistd.h>
#endif
#include <string>
#include <vector>

namespace {

enum class Step {
    kNone,
    kWrite,
    kFlush,
    kRelease,
    kReplace,
    kReopen,
    kReplaceAndReopen,
    kReplaceLosesFile, // the replacement fails after the file was taken away
    kReplaceReopenAndWorkspace,
};

// The platform's file operations with one step of an apply made to fail.
class FailingSaveOps : public ForwardingSaveOps {
  public:
    FailingSaveOps(SaveFileOps& inner, const Step& fail) : ForwardingSaveOps(inner), m_fail(fail) {}
    int FlushView(uint8_t* view, size_t length) override {
        return m_fail == Step::kWrite ? 0 : Inner().FlushView(view, length);
    }
    int FlushFile(void* file) override {
        return m_fail == Step::kFlush ? 0 : Inner().FlushFile(file);
    }

  private:
    const Step& m_fail;
};

class FailingApplyOps : public ApplyFileOps {
  public:
    explicit FailingApplyOps(Step fail)
        : m_fail(fail), m_save(PlatformApplyFileOps().SaveOps(), m_fail),
          m_workspace(fail == Step::kReplaceReopenAndWorkspace ? 1 : 0) {}
    SaveFileOps& SaveOps() override { return m_save; }
    WorkspaceFileOps& WorkspaceOps() override { return m_workspace; }
    int IsReadOnly(const wchar_t* path) override { return PlatformApplyFileOps().IsReadOnly(path); }
    int Release(CallBackInfo* doc) override {
        return m_fail == Step::kRelease ? 0 : PlatformApplyFileOps().Release(doc);
    }
    int ReplaceKeeping(const wchar_t* target, const wchar_t* replacement) override {
        if (m_fail == Step::kReplace || m_fail == Step::kReplaceAndReopen ||
            m_fail == Step::kReplaceReopenAndWorkspace)
            return 0;
        if (m_fail == Step::kReplaceLosesFile) {
            std::filesystem::remove(std::filesystem::path(target));
            return 0;
        }
        return PlatformApplyFileOps().ReplaceKeeping(target, replacement);
    }
    int Reopen(CallBackInfo* doc, const wchar_t* path) override {
        if (m_fail == Step::kReopen || m_fail == Step::kReplaceAndReopen ||
            m_fail == Step::kReplaceReopenAndWorkspace)
            return 0;
        return PlatformApplyFileOps().Reopen(doc, path);
    }

  private:
    Step m_fail;
    FailingSaveOps m_save;
    FailingWorkspaceOps m_workspace;
};

std::vector<uint8_t> Counting(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(i * 3);
    return bytes;
}

std::vector<uint8_t> Shown(CallBackInfo& doc) {
    std::vector<uint8_t> out(static_cast<size_t>(doc.m_n_data_size));
    EXPECT_EQ(doc.m_n_data_size,
              ReadEffectiveSpan(&doc, 0, out.data(), doc.m_n_data_size, doc.Source()));
    return out;
}

} // namespace

TEST(Apply, EachFailingStepLeavesTheFileWholeAndTheDocumentAsItWas) {
    const std::vector<uint8_t> old_bytes = Counting(200000);
    const EditMark mark = {0, 0, 0};
    const uint8_t added[] = {'a', 'b', 'c'};
    for (Step fail : {Step::kWrite, Step::kFlush, Step::kRelease, Step::kReplace, Step::kReopen,
                      Step::kReplaceAndReopen, Step::kReplaceReopenAndWorkspace,
                      Step::kReplaceLosesFile, Step::kNone}) {
        SCOPED_TRACE(static_cast<int>(fail));
        TempDir dir;
        const std::wstring path = dir.WriteFile("a.bin", old_bytes);
        CallBackInfo doc(nullptr);
        ASSERT_EQ(1, doc.OpenFile(path.c_str()));
        EXPECT_EQ(0, CanApply(&doc));
        ASSERT_EQ(1, doc.m_history.Insert(doc.m_p_data_plane, 70000, added, 3, mark));
        doc.m_n_data_size += 3;
        ASSERT_EQ(1, CanApply(&doc));
        // The workspace keeps the insertion only; the typed byte is newer.
        const std::wstring workspace = WorkspaceName(path.c_str());
        ASSERT_EQ(1, WriteWorkspace(workspace.c_str(), doc.m_p_data_plane, 200000));
        ASSERT_EQ(1, doc.m_history.TypeNibble(doc.m_p_data_plane, 5, 0xF, 1, doc.Source(), mark));
        const std::vector<uint8_t> shown = Shown(doc);
        const std::vector<std::string> names = FolderNames(dir.Path());
        const std::vector<uint8_t> kept_before = ReadFileBytes(dir.File("a.bin.interm"));

        RecordingMessageSink messages;
        FailingApplyOps ops(fail);
        const ApplyResult result = ApplyDocumentToFile(&doc, ops);
        const std::vector<uint8_t> on_disk = ReadFileBytes(dir.File("a.bin"));
        if (fail == Step::kNone || fail == Step::kReplaceLosesFile) {
            // A replacement that lost the file puts the new one in its place.
            ASSERT_EQ(ApplyResult::kApplied, result);
            EXPECT_EQ(shown, on_disk);
            EXPECT_EQ(shown, Shown(doc));
            EXPECT_EQ(1, doc.m_p_data_plane->PieceCount());
            EXPECT_EQ(0, CanApply(&doc));
            EXPECT_EQ(0, doc.m_history.CanUndo());
            EXPECT_EQ(std::vector<std::string>{"a.bin"}, FolderNames(dir.Path()));
            EXPECT_TRUE(messages.Messages().empty());
        } else if (fail == Step::kReplaceAndReopen) {
            // Nothing to show any more: the file as it was, the edits in the workspace.
            EXPECT_EQ(ApplyResult::kReopenFailed, result);
            EXPECT_EQ(old_bytes, on_disk);
            EXPECT_EQ(names, FolderNames(dir.Path()));
            EXPECT_NE(kept_before, ReadFileBytes(dir.File("a.bin.interm")))
                << "the typed byte kept too";
            CDataPlane kept;
            int64_t size = 200000;
            ASSERT_EQ(1, ReadWorkspace(&kept, workspace.c_str(), &size));
            EXPECT_EQ(200003, size);
            ASSERT_EQ(1u, messages.Messages().size());
            EXPECT_NE(std::wstring::npos, messages.Messages()[0].find(workspace));
        } else if (fail == Step::kReplaceReopenAndWorkspace) {
            // Nowhere to keep the edits but the new file: it stays and is named.
            EXPECT_EQ(ApplyResult::kKeptBeside, result);
            EXPECT_EQ(old_bytes, on_disk);
            EXPECT_EQ(kept_before, ReadFileBytes(dir.File("a.bin.interm")));
            EXPECT_EQ(shown, ReadFileBytes(dir.File("a.bin.apply~")));
            ASSERT_EQ(1u, messages.Messages().size());
            EXPECT_NE(std::wstring::npos, messages.Messages()[0].find(path + L".apply~"));
            EXPECT_EQ(std::wstring::npos, messages.Messages()[0].find(L"were kept"));
        } else if (fail == Step::kReopen) {
            EXPECT_EQ(ApplyResult::kReopenFailed, result);
            EXPECT_EQ(shown, on_disk) << "replaced before the reopen failed";
            EXPECT_EQ(std::vector<std::string>{"a.bin"}, FolderNames(dir.Path()))
                << "the workspace of the old bytes goes with them";
            ASSERT_EQ(1u, messages.Messages().size());
        } else {
            EXPECT_EQ(ApplyResult::kFailed, result);
            EXPECT_EQ(old_bytes, on_disk);
            EXPECT_EQ(names, FolderNames(dir.Path())) << "no new file left, the workspace kept";
            EXPECT_EQ(kept_before, ReadFileBytes(dir.File("a.bin.interm")));
            EXPECT_EQ(shown, Shown(doc));
            EXPECT_EQ(1, doc.m_history.CanUndo());
            ASSERT_EQ(1u, messages.Messages().size());
            EXPECT_NE(std::wstring::npos, messages.Messages()[0].find(path));
        }
    }
}

TEST(Apply, AReadOnlyFileIsRefusedBeforeAnythingIsWritten) {
    // The platform's answer is faked: root may write any file, and CI runs as root.
    class ReadOnlyFileOps : public FailingApplyOps {
      public:
        ReadOnlyFileOps() : FailingApplyOps(Step::kNone) {}
        int IsReadOnly(const wchar_t*) override { return 1; }
    } ops;
    TempDir dir;
    const std::wstring path = dir.WriteFile("r.bin", Counting(100));
    CallBackInfo doc(nullptr);
    ASSERT_EQ(1, doc.OpenFile(path.c_str()));
    ASSERT_EQ(1, doc.m_history.Remove(doc.m_p_data_plane, 0, 9, {0, 0, 0}));
    doc.m_n_data_size -= 10;
    RecordingMessageSink messages;
    EXPECT_EQ(ApplyResult::kFailed, ApplyDocumentToFile(&doc, ops));
    ASSERT_EQ(1u, messages.Messages().size());
    EXPECT_NE(std::wstring::npos, messages.Messages()[0].find(L"read-only"));
    EXPECT_EQ(Counting(100), ReadFileBytes(dir.File("r.bin")));
    EXPECT_EQ(std::vector<std::string>{"r.bin"}, FolderNames(dir.Path()));
    EXPECT_EQ(90, doc.m_n_data_size); // the edit stays pending
}

// The platform's own answer for a file without write permission.
TEST(Apply, PlatformSeesAFileWithoutWritePermissionAsReadOnly) {
    TempDir dir;
    const std::wstring path = dir.WriteFile("r.bin", Counting(4));
    EXPECT_EQ(0, PlatformIsReadOnly(path.c_str()));
    std::filesystem::permissions(dir.File("r.bin"), std::filesystem::perms::owner_read);
    const int seen = PlatformIsReadOnly(path.c_str());
    std::filesystem::permissions(dir.File("r.bin"), std::filesystem::perms::owner_all);
#ifndef _WIN32
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
#endif
    EXPECT_EQ(1, seen);
}

// Another program cut the file under the document: the apply cannot read the
// bytes that are gone and says so, rather than blame the folder or the disk.
TEST(Apply, AFileCutByAnotherProgramIsReportedAsShorter) {
    TempDir dir;
    const std::wstring path = dir.WriteFile("c.bin", Counting(5000));
    CallBackInfo doc(nullptr);
    ASSERT_EQ(1, doc.OpenFile(path.c_str()));
    ASSERT_EQ(1, doc.m_history.Remove(doc.m_p_data_plane, 0, 9, {0, 0, 0}));
    doc.m_n_data_size -= 10;
    std::error_code cut;
    std::filesystem::resize_file(dir.File("c.bin"), 1000, cut);
    if (cut)
        GTEST_SKIP() << "this platform cuts no file while it is mapped (the end-to-end test cuts "
                        "it from outside)";
    RecordingMessageSink messages;
    EXPECT_EQ(ApplyResult::kFailed, ApplyDocumentToFile(&doc, PlatformApplyFileOps()));
    ASSERT_EQ(1u, messages.Messages().size());
    EXPECT_NE(std::wstring::npos, messages.Messages()[0].find(L"shorter now"));
    EXPECT_EQ(1000u, ReadFileBytes(dir.File("c.bin")).size());
    EXPECT_EQ(std::vector<std::string>{"c.bin"}, FolderNames(dir.Path()));
}
