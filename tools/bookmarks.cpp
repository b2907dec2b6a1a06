// Bookmarks of one document, kept in offset order and moved with its bytes.
#include "tools/bookmarks.h"

#include "data/document.h"

BookmarkSet::BookmarkSet() = default;
BookmarkSet::~BookmarkSet() = default;

void BookmarkSet::Attach(CallBackInfo* doc) {
    m_watch = doc != nullptr ? DocumentWatch(doc, this) : DocumentWatch();
}

CallBackInfo* BookmarkSet::Document() const {
    return m_watch.Document();
}

uint64_t BookmarkSet::Add(int64_t, int64_t, const std::wstring&, const std::wstring&) {
    return 0;
}
uint64_t BookmarkSet::AddRead(const Bookmark&) {
    return 0;
}
int BookmarkSet::Remove(uint64_t) {
    return 0;
}
int BookmarkSet::Rename(uint64_t, const std::wstring&) {
    return 0;
}
int BookmarkSet::SetNote(uint64_t, const std::wstring&) {
    return 0;
}
void BookmarkSet::Clear() {}
int64_t BookmarkSet::IndexOf(uint64_t) const {
    return -1;
}
int64_t BookmarkSet::NextFrom(int64_t) const {
    return -1;
}
int64_t BookmarkSet::PreviousFrom(int64_t) const {
    return -1;
}
size_t BookmarkSet::MarksIn(int64_t, int64_t, std::vector<std::pair<int64_t, int64_t>>*) const {
    return 0;
}
void BookmarkSet::DocumentChanged(const CallBackInfo&, const DocumentChange&) {}
void BookmarkSet::Changed() {}
