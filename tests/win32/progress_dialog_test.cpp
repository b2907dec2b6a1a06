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

void Work(void* context) {
    auto* seen = static_cast<Seen*>(context);
    seen->m_b_ran = 1;
    seen->m_b_held = DocumentBeingRead(g_p_current_document);
}

} // namespace

TEST(ProgressDialog, WorkWithoutADialogRunsHereAndLetsTheDocumentGo) {
    CallBackInfo doc(nullptr);
    doc.m_p_data_plane = new CDataPlane(16);
    g_p_current_document = &doc;
    Seen seen;
    EXPECT_EQ(1, RunUnderProgress(nullptr, Work, &seen));
    g_p_current_document = nullptr;
    EXPECT_EQ(1, seen.m_b_ran) << "a save whose worker cannot start is still done";
    EXPECT_EQ(1, seen.m_b_held);
    EXPECT_EQ(0, DocumentBeingRead(&doc));
}
