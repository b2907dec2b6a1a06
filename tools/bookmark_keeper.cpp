// A document's bookmarks, their marks and their store (see bookmark_keeper.h).
#include "tools/bookmark_keeper.h"

#include "data/document.h"
#include "tools/bookmark_text.h"

#include <algorithm>

BookmarkKeeper::BookmarkKeeper(CallBackInfo* doc, const std::wstring& store_folder,
                               const std::wstring& store_name)
    : m_sz_folder(store_folder), m_sz_name(store_name) {
    m_set.Attach(doc);
    m_set.SetListener(this);
}

BookmarkKeeper::~BookmarkKeeper() {
    m_set.SetListener(nullptr);
    m_set.Attach(nullptr);
}

void BookmarkKeeper::SetChangedHook(void (*hook)(void*), void* context) {
    m_p_hook = hook;
    m_p_hook_context = context;
}

// The size of the file as it is on the disk (pending changes aside): what a
// store is written for and checked against.
int64_t BookmarkKeeper::FileSize() const {
    const CallBackInfo* doc = m_set.Document();
    return doc ? doc->m_file_mapping.m_n_file_size : -1;
}

int BookmarkKeeper::LoadStore() {
    if (m_sz_folder.empty() || m_sz_name.empty()) {
        return 0;
    }
    std::string text;
    if (!ReadBookmarkStoreFile(m_sz_folder, m_sz_name, &text)) {
        return 0;
    }
    std::vector<Bookmark> read;
    ReadBookmarkStore(text.data(), text.size(), FileSize(), -1, &read, nullptr);
    m_b_loading = 1;
    int added = 0;
    for (const Bookmark& mark : read) {
        added += m_set.AddRead(mark) != 0;
    }
    m_b_loading = 0;
    return added;
}

int BookmarkKeeper::WriteStore() {
    if (m_sz_folder.empty() || m_sz_name.empty()) {
        return 1;
    }
    m_b_written =
        WriteBookmarkStore(m_sz_folder, m_sz_name, BookmarkStoreText(m_set, FileSize(), -1));
    return m_b_written;
}

void BookmarkKeeper::BookmarksChanged(const BookmarkSet& /*set*/) {
    if (!m_b_loading) {
        WriteStore();
    }
    if (m_p_hook) {
        m_p_hook(m_p_hook_context);
    }
}

void BookmarkKeeper::MarkSpan(int64_t first, int64_t count, uint8_t* marked) const {
    if (count <= 0 || m_set.Count() == 0) {
        return;
    }
    m_ranges.clear();
    m_set.MarksIn(first, first + count - 1, &m_ranges);
    for (const auto& range : m_ranges) {
        const int64_t from = std::max(range.first, first);
        const int64_t to = std::min(range.second, first + count - 1);
        for (int64_t o = from; o <= to; ++o) {
            marked[o - first] = 1;
        }
    }
}
