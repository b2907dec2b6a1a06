// The progress dialog's work when it cannot run on a worker: this program
// has no dialog template, so the dialog is never made.
#include "data/document.h"
#include "data/win32/progress_dialog.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

struct Seen {
    int m_b_ran = 0;
    int m_b_held = 0;
};

struct Job {
    CallBackInfo* m_p_document;
    Seen m_seen;
};

void Work(void* context) {
    auto* job = static_cast<Job*>(context);
    job->m_seen.m_b_ran = 1;
    job->m_seen.m_b_held = DocumentBeingRead(job->m_p_document);
}

} // namespace

TEST(ProgressDialog, WorkWithoutADialogRunsHereAndLetsTheDocumentGo) {
    CallBackInfo doc(nullptr);
    doc.m_p_data_plane = new CDataPlane(16);
    Job job = {&doc, {}};
    EXPECT_EQ(1, RunUnderProgress(nullptr, &doc, Work, &job));
    const Seen& seen = job.m_seen;
    EXPECT_EQ(1, seen.m_b_ran) << "a save whose worker cannot start is still done";
    EXPECT_EQ(1, seen.m_b_held);
    EXPECT_EQ(0, DocumentBeingRead(&doc));
}
