// The view's watcher of its document (see document_follower.h).
#include "view/document_follower.h"

#include "view/size_change.h"
#include "view/view_host.h"

void ViewDocumentFollower::DocumentChanged(const CallBackInfo& doc, const DocumentChange& change) {
    if (&doc == m_p_doc && (change.m_b_everything || change.m_n_removed != change.m_n_inserted))
        DocumentSizeChanged(m_p_doc, m_p_state); // repaints too
    else
        CurrentViewHost()->Invalidate();
}
