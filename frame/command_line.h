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
