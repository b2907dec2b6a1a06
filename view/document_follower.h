// The view's watcher of its document: what the view does when the bytes
// change, so the commands that edit need not repaint or resize it themselves.
#pragma once

#include "data/document_change.h"

struct ViewState;

class ViewDocumentFollower : public DocumentWatcher {
  public:
    // The document the view shows and its view state; the watch that calls
    // DocumentChanged is registered on the same document by the owner.
    void Show(CallBackInfo* doc, ViewState* state) {
        m_p_doc = doc;
        m_p_state = state;
    }
    // A change of the size brings the scroll range, the top row and the
    // total in line (DocumentSizeChanged); any change repaints.
    void DocumentChanged(const CallBackInfo& doc, const DocumentChange& change) override;

  private:
    CallBackInfo* m_p_doc = nullptr;
    ViewState* m_p_state = nullptr;
};
