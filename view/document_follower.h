// The view's watcher of its document: what the view does when the bytes
// change, so the commands that edit need not repaint or resize it themselves.
#pragma once

#include "data/document_change.h"

class ViewDocumentFollower : public DocumentWatcher {
  public:
    // A change of the size brings the scroll range, the top row and the
    // total in line (DocumentSizeChanged); any change repaints.
    void DocumentChanged(const CallBackInfo& doc, const DocumentChange& change) override;
};
