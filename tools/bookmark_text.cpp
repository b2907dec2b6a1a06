// Bookmarks as text lines, and the per-user store built on them.
#include "tools/bookmark_text.h"

std::string BookmarksToText(const BookmarkSet&) {
    return std::string();
}
int ParseBookmarkText(const char*, size_t, std::vector<Bookmark>*, std::vector<size_t>*) {
    return 0;
}
std::string BookmarkStoreText(const BookmarkSet&, int64_t, int64_t) {
    return std::string();
}
int ReadBookmarkStore(const char*, size_t, int64_t, int64_t, std::vector<Bookmark>*,
                      std::vector<size_t>*) {
    return 0;
}
std::wstring BookmarkStoreName(const std::wstring&) {
    return std::wstring();
}
int WriteBookmarkStore(const std::wstring&, const std::wstring&, const std::string&,
                       WorkspaceFileOps&) {
    return 0;
}
int ReadBookmarkStoreFile(const std::wstring&, const std::wstring&, std::string*, size_t,
                          WorkspaceFileOps&) {
    return 0;
}
