// Bookmarks as plain text, for Export and Import and for the per-user store
// that brings a file's bookmarks back when it is opened again.
//
// One bookmark a line, UTF-8, tab-separated:
//   offset (hex, 0x...) \t length (decimal) \t name \t note [\t moved]
// Tabs, line breaks and backslashes in the name and the note are written as
// \t, \n and \\ (a carriage return as \r). The fifth field, "moved", is
// present only for a bookmark marked as possibly moved. Lines may end in
// CR LF; empty lines and lines starting with '#' carry no bookmark.
#pragma once

#include "data/workspace.h"
#include "tools/bookmarks.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Every bookmark of the set, one line each, in offset order.
std::string BookmarksToText(const BookmarkSet& set);

// Reads bookmark lines into out (appended, ids 0). A damaged line (wrong
// field count, bad number, bad escape, not UTF-8) is skipped and its 1-based
// number appended to bad_lines (may be null); nothing else is lost. Returns the
// number of bookmarks read.
int ParseBookmarkText(const char* data, size_t size, std::vector<Bookmark>* out,
                      std::vector<size_t>* bad_lines);

// The store's content for a file that was file_size bytes long and last
// written at file_time (any stable count, -1 when unknown) when the bookmarks
// were written: a header line, then the lines of BookmarksToText.
std::string BookmarkStoreText(const BookmarkSet& set, int64_t file_size, int64_t file_time);

// Reads a store's content written by BookmarkStoreText. When the file's size
// now differs from the one recorded (or the header is missing or damaged),
// every bookmark read is marked as possibly moved: a file rewritten in place
// keeps its bookmarks' places, so the time alone marks nothing. Damaged lines
// are reported as by ParseBookmarkText. Returns the number of bookmarks read.
int ReadBookmarkStore(const char* data, size_t size, int64_t file_size_now, int64_t file_time_now,
                      std::vector<Bookmark>* out, std::vector<size_t>* bad_lines);

// The store's file name for a document's full path: a readable tail of the
// file's name, a hash of the whole path with the case of ASCII letters
// folded and both slashes taken as one, then ".txt". The same path gives the
// same name on every run and in both builds.
std::wstring BookmarkStoreName(const std::wstring& full_path);

// Writes text as folder\name safely: into a new file beside it, flushed to
// the disk, then moved over the old one. 1, or 0 with the old file intact.
int WriteBookmarkStore(const std::wstring& folder, const std::wstring& name,
                       const std::string& text, WorkspaceFileOps& ops = PlatformWorkspaceFileOps());

// Reads folder\name whole into *text: 1, or 0 when it is missing, unreadable
// or larger than max_bytes.
int ReadBookmarkStoreFile(const std::wstring& folder, const std::wstring& name, std::string* text,
                          size_t max_bytes = 64u << 20,
                          WorkspaceFileOps& ops = PlatformWorkspaceFileOps());
