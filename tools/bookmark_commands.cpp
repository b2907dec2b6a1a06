// Bookmark commands (see bookmark_commands.h).
#include "tools/bookmark_commands.h"

#include "base/format_text.h"
#include "data/document.h"
#include "tools/bookmark_text.h"
#include "tools/find.h"
#include "view/selection.h"

#include <limits>

std::wstring NewBookmarkName(const CallBackInfo* doc) {
    const int64_t start = SelectionStart(doc);
    return start < 0 ? std::wstring() : FormatText(L"0x%I64X", start);
}

uint64_t AddSelectionBookmark(const CallBackInfo* doc, BookmarkSet* set, const std::wstring& name,
                              const std::wstring& note) {
    const int64_t start = SelectionStart(doc);
    const int64_t end = SelectionEnd(doc);
    if (!set || start < 0 || end < start) {
        return 0;
    }
    return set->Add(start, end - start + 1, name, note);
}

int SelectBookmark(CallBackInfo* doc, ViewState* state, const Bookmark& mark) {
    if (!doc || doc->m_n_data_size <= 0 || mark.m_n_first < 0) {
        return 0;
    }
    int64_t first = mark.m_n_first;
    int64_t last = first + (mark.m_n_length > 0 ? mark.m_n_length - 1 : 0);
    // A bookmark read back for a file that shrank may reach past its end.
    if (first > doc->m_n_data_size - 1) {
        first = doc->m_n_data_size - 1;
    }
    if (last > doc->m_n_data_size - 1) {
        last = doc->m_n_data_size - 1;
    }
    return SelectFoundMatch(doc, state, 1, first, last);
}

int StepBookmark(CallBackInfo* doc, ViewState* state, const BookmarkSet& set, int forward) {
    const int64_t start = SelectionStart(doc);
    int64_t index = -1;
    if (forward) {
        index = set.NextFrom(start < 0 ? -1 : start);
    } else {
        index = set.PreviousFrom(start < 0 ? std::numeric_limits<int64_t>::max() : start);
    }
    if (index < 0) {
        return 0;
    }
    return SelectBookmark(doc, state, set.At(static_cast<size_t>(index)));
}

std::wstring BookmarkLengthText(const Bookmark& mark) {
    std::wstring text = mark.m_n_length > 0 ? FormatText(L"%I64d", mark.m_n_length)
                                            : std::wstring(L"0 (bytes removed)");
    if (mark.m_b_maybe_moved) {
        text += L" (possibly moved)";
    }
    return text;
}

std::string BookmarksText(const BookmarkSet& set, const std::vector<uint64_t>& ids) {
    // A set of their own, not following any document, writes them in the
    // export format and in offset order.
    BookmarkSet chosen;
    for (uint64_t id : ids) {
        const int64_t index = set.IndexOf(id);
        if (index >= 0) {
            chosen.AddRead(set.At(static_cast<size_t>(index)));
        }
    }
    return BookmarksToText(chosen);
}

BookmarkImport ImportBookmarks(BookmarkSet* set, const std::string& text) {
    BookmarkImport result;
    std::vector<Bookmark> read;
    ParseBookmarkText(text.data(), text.size(), &read, &result.m_bad_lines);
    if (!set) {
        return result;
    }
    for (const Bookmark& mark : read) {
        if (set->AddRead(mark)) {
            ++result.m_n_added;
        }
    }
    return result;
}

std::wstring DamagedLinesText(const wchar_t* path, const BookmarkImport& result) {
    std::wstring numbers;
    for (size_t i = 0; i < result.m_bad_lines.size(); ++i) {
        if (i == 20) {
            numbers += L", ...";
            break;
        }
        numbers += (i ? L", " : L"") + std::to_wstring(result.m_bad_lines[i]);
    }
    return FormatText(L"%d bookmarks were added from %s. These lines could not be read and were "
                      L"skipped: %s.",
                      result.m_n_added, path ? path : L"", numbers.c_str());
}
