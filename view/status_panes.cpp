// Status panes from the shown document (see status_panes.h).
#include "view/status_panes.h"

#include "view/selection.h"
#include "view/size_change.h"
#include "view/view_host.h"

void ShowDocumentStatus(const CallBackInfo* doc) {
    SetStatusText(0, doc ? TotalText(doc->m_n_data_size).c_str() : L"");
    if (doc && doc->m_n_sel_anchor >= 0 && doc->m_n_sel_active >= 0) {
        WriteSelectionStatus(doc, 1, 0);
        return;
    }
    for (int part = 1; part <= 3; ++part) {
        SetStatusText(part, L"");
    }
}

void StatusPaneEdges(int width, int edges[3]) {
    static const int kWide[3] = {200, 450, 700};
    const int room = width - kLastPaneWidth;
    for (int i = 0; i < 3; ++i) {
        edges[i] = room >= kWide[2] ? kWide[i] : (room > 0 ? kWide[i] * room / kWide[2] : 0);
    }
}
