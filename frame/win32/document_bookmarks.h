// The current document's bookmarks as the frame holds them beside the
// document: made with it, handed to the view and the bookmarks window, gone
// with it; and the bookmark commands of the menus.
#pragma once

class CallBackInfo;
class BookmarkSet;

// Puts bookmarks beside doc (null: takes the current ones away). A disk
// file's bookmarks are read from the per-user store and kept there; a
// process document's last while it is open.
void InstallBookmarks(CallBackInfo* doc);
// The current document's bookmarks, or null.
BookmarkSet* CurrentBookmarks();
// The current document has at least one bookmark.
int HasBookmarks();
// Writes the store afresh after an Apply changed the file's size.
void BookmarksFileRewritten();

// The commands.
void OnAddBookmark();
void OnNextBookmark();
void OnPreviousBookmark();
void OnBookmarksWindow();
