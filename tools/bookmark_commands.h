// What the bookmark commands and the bookmarks window do with a document's
// bookmarks: add the selection, select one in the view, step to the next or
// previous, and the texts they show, copy, import and report.
#pragma once

#include "tools/bookmarks.h"
#include "view/view_state.h"

#include <cstdint>
#include <string>
#include <vector>

// The name a new bookmark is offered: its first offset as the status bar
// shows offsets ("0x1F").
std::wstring NewBookmarkName(const CallBackInfo* doc);
// Adds the selection of doc as a bookmark; its id, or 0 without a selection.
uint64_t AddSelectionBookmark(const CallBackInfo* doc, BookmarkSet* set, const std::wstring& name,
                              const std::wstring& note);

// Selects the bookmark's bytes in the view and scrolls them into sight; an
// empty one puts the caret where its bytes were. 1 when something was selected.
int SelectBookmark(CallBackInfo* doc, ViewState* state, const Bookmark& mark);
// Selects the first bookmark starting after the selection start (forward),
// or the last one starting before it; with no selection the first or the
// last one. 1 when there was one.
int StepBookmark(CallBackInfo* doc, ViewState* state, const BookmarkSet& set, int forward);

// The length column: the byte count, and what became of the bookmark.
std::wstring BookmarkLengthText(const Bookmark& mark);
// The bookmarks with these ids as lines of the export format.
std::string BookmarksText(const BookmarkSet& set, const std::vector<uint64_t>& ids);

struct BookmarkImport {
    int m_n_added = 0;
    std::vector<size_t> m_bad_lines; // 1-based numbers of the lines skipped
};
// Adds every readable line of an export file to the set.
BookmarkImport ImportBookmarks(BookmarkSet* set, const std::string& text);
// The one message about the lines an import skipped.
std::wstring DamagedLinesText(const wchar_t* path, const BookmarkImport& result);
