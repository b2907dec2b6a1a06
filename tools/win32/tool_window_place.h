// Places of the tool windows (the data inspector, the checksums): the first
// one beside the main window, and a kept one moved back onto the screen.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

// The place moved, not resized, into the work area of the owner's monitor
// (a kept place from another monitor setup, or beside a wide main window).
RECT FitIntoWorkArea(HWND owner, RECT place);

// The first place of a tool window of the wished size: beside the owner,
// not over its data, where the owner's monitor has room (see PlaceBesideOwner).
RECT FirstPlaceBeside(HWND owner, int width, int height, int min_width);

struct MenuDeleter {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using MenuHandle = std::unique_ptr<std::remove_pointer<HMENU>::type, MenuDeleter>;
