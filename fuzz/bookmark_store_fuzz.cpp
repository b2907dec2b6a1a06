// Fuzzes the bookmark store's reader with arbitrary file contents: it never
// reads outside the bytes, reports damaged lines in ascending order, reads
// only sound ranges, and what it reads is written and read back unchanged.
#include "tools/bookmark_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    std::vector<Bookmark> read;
    std::vector<size_t> bad;
    const int count = ReadBookmarkStore(text, size, 1000, -1, &read, &bad);
    if (count != static_cast<int>(read.size()))
        std::abort();
    for (size_t i = 0; i < bad.size(); ++i)
        if (bad[i] == 0 || (i > 0 && bad[i] <= bad[i - 1]) || bad[i] > size)
            std::abort();

    BookmarkSet set;
    for (const Bookmark& b : read) {
        if (b.m_n_first < 0 || b.m_n_length < 0 || b.m_n_length > INT64_MAX - b.m_n_first)
            std::abort();
        if (set.AddRead(b) == 0)
            std::abort();
    }
    const std::string again = BookmarksToText(set);
    std::vector<Bookmark> back;
    std::vector<size_t> bad_again;
    if (ParseBookmarkText(again.data(), again.size(), &back, &bad_again) != count ||
        !bad_again.empty())
        std::abort();
    for (size_t i = 0; i < back.size(); ++i) {
        const Bookmark& a = set.At(i);
        const Bookmark& b = back[i];
        if (a.m_n_first != b.m_n_first || a.m_n_length != b.m_n_length ||
            a.m_sz_name != b.m_sz_name || a.m_sz_note != b.m_sz_note ||
            a.m_b_maybe_moved != b.m_b_maybe_moved)
            std::abort();
    }
    return 0;
}
