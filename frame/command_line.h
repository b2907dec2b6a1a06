// The start-up file path carried by the program's command line.
#pragma once

#include <string>

// The file path that follows the quoted program path: everything after the
// first double quote that is directly followed by a space, provided at least
// one character follows that pair. A remaining text that is enclosed in one
// pair of double quotes (the form Windows uses for paths with spaces) loses
// that pair; any other text is taken verbatim. 1 with *path set, 0 when the
// command line names no file (path left empty).
int CommandLineFilePath(const wchar_t* command_line, std::wstring* path);

// A start-up path made absolute against the folder the program was started
// in (an absolute path itself): a path with a drive and a backslash, or a
// UNC path, is kept; one from the root ("\x") takes the folder's drive or
// share; a drive without a backslash ("D:x") is relative to the folder when
// it is on that drive, else to the drive's root; any other path is joined to
// the folder. "." and ".." are resolved (never above the root) and slashes
// become backslashes. Empty for an empty path, or for a relative one when
// the folder is not absolute.
std::wstring ResolveStartPath(const std::wstring& start_folder, const std::wstring& path);
