// Watches of a document's changes (see document_change.h).
#include "data/document_change.h"

#include "data/document.h"

#include <algorithm>

DocumentWatch::DocumentWatch(CallBackInfo* doc, DocumentWatcher* watcher) {
    if (doc == nullptr || watcher == nullptr)
        return;
    try {
        doc->m_watches.push_back(this);
    } catch (...) {
        return; // no memory for one pointer: this watch watches nothing
    }
    m_p_doc = doc;
    m_p_watcher = watcher;
}

DocumentWatch::~DocumentWatch() {
    Reset();
}

DocumentWatch::DocumentWatch(DocumentWatch&& other) noexcept {
    *this = std::move(other);
}

DocumentWatch& DocumentWatch::operator=(DocumentWatch&& other) noexcept {
    if (this == &other)
        return *this;
    Reset();
    m_p_doc = other.m_p_doc;
    m_p_watcher = other.m_p_watcher;
    other.m_p_doc = nullptr;
    other.m_p_watcher = nullptr;
    if (m_p_doc != nullptr)
        std::replace(m_p_doc->m_watches.begin(), m_p_doc->m_watches.end(), &other, this);
    return *this;
}

void DocumentWatch::Reset() {
    if (m_p_doc != nullptr) {
        auto& watches = m_p_doc->m_watches;
        watches.erase(std::remove(watches.begin(), watches.end(), this), watches.end());
    }
    m_p_doc = nullptr;
    m_p_watcher = nullptr;
}
