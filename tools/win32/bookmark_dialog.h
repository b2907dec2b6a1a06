// The "Pelmora - Bookmark" dialog: asks for a bookmark's name and note, for a
// new bookmark and when the note of one is edited.
#pragma once

#include <windows.h>

#include <string>

// Shows the dialog modally over owner with the texts given; on OK they are
// replaced by what was typed and the result is 1, on Cancel 0.
int AskBookmarkText(HINSTANCE instance, HWND owner, std::wstring* name, std::wstring* note);
