// Pending changes when a document goes away: asked, kept, dropped or refused.
#include "frame/pending_edits.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class FakeHost : public PendingEditsHost {
  public:
    PendingAnswer answer = PendingAnswer::kYes;
    int close_anyway = 0;
    int drop_process_edits = 0;
    int asked_drop = 0;
    int write_result = 1;
    int asked_keep = 0;
    int asked_close = 0;
    int writes = 0;
    std::wstring reported;

    PendingAnswer AskKeepPendingEdits(const wchar_t*) override {
        ++asked_keep;
        return answer;
    }
    int AskCloseAnyway(const wchar_t* path) override {
        ++asked_close;
        reported = path;
        return close_anyway;
    }
    int AskDropProcessEdits() override {
        ++asked_drop;
        return drop_process_edits;
    }
    void ReportWorkspaceFailure(const wchar_t* path) override { reported = path; }
    int WriteWorkspace() override {
        ++writes;
        return write_result;
    }
    // Another window's workspace: the answer to the question about it.
    int replaced_elsewhere = 0;
    PendingAnswer replace_answer = PendingAnswer::kYes;
    int asked_replace = 0;
    int copy_result = 1;
    int copies = 0;
    int WorkspaceReplacedElsewhere() override { return replaced_elsewhere; }
    PendingAnswer AskReplaceWorkspace(const wchar_t*) override {
        ++asked_replace;
        return replace_answer;
    }
    int KeepInRecoveryCopy() override {
        ++copies;
        return copy_result;
    }
};

const wchar_t kPath[] = L"C:\\data\\a.bin.interm";

} // namespace

TEST(PendingEdits, NothingPendingAsksNothing) {
    FakeHost host;
    EXPECT_EQ(ConfirmDocumentRelease(0, kPath, host), 1);
    EXPECT_EQ(ConfirmWindowClose(0, kPath, host), 1);
    EXPECT_EQ(host.asked_keep + host.asked_close + host.writes, 0);
}

TEST(PendingEdits, ReleaseAnswers) {
    FakeHost yes;
    EXPECT_EQ(ConfirmDocumentRelease(1, kPath, yes), 1);
    EXPECT_EQ(yes.writes, 1);

    FakeHost no;
    no.answer = PendingAnswer::kNo;
    EXPECT_EQ(ConfirmDocumentRelease(1, kPath, no), 1);
    EXPECT_EQ(no.writes, 0) << "No drops the changes without writing";

    FakeHost cancel;
    cancel.answer = PendingAnswer::kCancel;
    EXPECT_EQ(ConfirmDocumentRelease(1, kPath, cancel), 0);
    EXPECT_EQ(cancel.writes, 0);
}

TEST(PendingEdits, FailedWriteOnReleaseKeepsTheDocument) {
    FakeHost host;
    host.write_result = 0;
    EXPECT_EQ(ConfirmDocumentRelease(1, kPath, host), 0);
    EXPECT_EQ(host.reported, kPath);
    EXPECT_EQ(host.asked_close, 0);
}

TEST(PendingEdits, WindowCloseWritesSilentlyAndAsksOnlyOnFailure) {
    FakeHost ok;
    EXPECT_EQ(ConfirmWindowClose(1, kPath, ok), 1);
    EXPECT_EQ(ok.writes, 1);
    EXPECT_EQ(ok.asked_keep + ok.asked_close, 0);

    FakeHost keep;
    keep.write_result = 0;
    EXPECT_EQ(ConfirmWindowClose(1, kPath, keep), 0);
    EXPECT_EQ(keep.asked_close, 1);
    EXPECT_EQ(keep.reported, kPath);

    FakeHost drop;
    drop.write_result = 0;
    drop.close_anyway = 1;
    EXPECT_EQ(ConfirmWindowClose(1, kPath, drop), 1);
}

TEST(PendingEdits, ProcessEditsGoOnlyWhenTheUserDropsThem) {
    FakeHost none;
    EXPECT_EQ(ConfirmProcessEditsRelease(0, none), 1);
    EXPECT_EQ(none.asked_drop, 0);

    FakeHost keep;
    EXPECT_EQ(ConfirmProcessEditsRelease(1, keep), 0);
    EXPECT_EQ(keep.asked_drop, 1);

    FakeHost drop;
    drop.drop_process_edits = 1;
    EXPECT_EQ(ConfirmProcessEditsRelease(1, drop), 1);
    // Never kept under a file's name or written anywhere.
    EXPECT_EQ(keep.writes + drop.writes + keep.asked_keep + drop.asked_keep, 0);
}

// Another window wrote the workspace: Yes replaces it, No keeps it and the
// edits go into a copy, Cancel keeps the document; a save only asks.
TEST(PendingEdits, AnotherWindowsWorkspaceIsReplacedOnlyOnYes) {
    for (int closing = 0; closing < 2; ++closing) {
        auto run = [&](FakeHost& host) {
            host.replaced_elsewhere = 1;
            return closing ? ConfirmWindowClose(1, kPath, host)
                           : ConfirmDocumentRelease(1, kPath, host);
        };
        FakeHost yes;
        EXPECT_EQ(run(yes), 1);
        EXPECT_EQ(yes.asked_replace, 1);
        EXPECT_EQ(yes.writes, 1);
        EXPECT_EQ(yes.copies, 0);

        FakeHost no;
        no.replace_answer = PendingAnswer::kNo;
        EXPECT_EQ(run(no), 1);
        EXPECT_EQ(no.writes, 0);
        EXPECT_EQ(no.copies, 1);

        FakeHost no_copy;
        no_copy.replace_answer = PendingAnswer::kNo;
        no_copy.copy_result = 0;
        EXPECT_EQ(run(no_copy), 0) << "nothing keeps the edits: the document stays";
        EXPECT_EQ(no_copy.writes, 0);

        FakeHost cancel;
        cancel.replace_answer = PendingAnswer::kCancel;
        EXPECT_EQ(run(cancel), 0);
        EXPECT_EQ(cancel.writes + cancel.copies + cancel.asked_close, 0);
    }
    FakeHost unchanged;
    EXPECT_EQ(WriteOwnWorkspace(kPath, unchanged), WorkspaceWrite::kWritten);
    EXPECT_EQ(unchanged.asked_replace, 0);
    FakeHost declined;
    declined.replaced_elsewhere = 1;
    declined.replace_answer = PendingAnswer::kNo;
    EXPECT_EQ(WriteOwnWorkspace(kPath, declined), WorkspaceWrite::kDeclined);
    EXPECT_EQ(declined.writes + declined.copies, 0);
}
