// Places of the tool windows (see tool_window_place.h).
#include "tools/win32/tool_window_place.h"

#include "tools/tool_place.h"

namespace {

int WorkAreaOf(HWND owner, RECT* area) {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return 0;
    }
    *area = monitor.rcWork;
    return 1;
}

} // namespace

RECT FitIntoWorkArea(HWND owner, RECT place) {
    RECT area = {};
    if (!WorkAreaOf(owner, &area)) {
        return place;
    }
    const LONG width = place.right - place.left;
    const LONG height = place.bottom - place.top;
    LONG left = place.left + width > area.right ? area.right - width : place.left;
    LONG top = place.top + height > area.bottom ? area.bottom - height : place.top;
    left = left < area.left ? area.left : left;
    top = top < area.top ? area.top : top;
    return {left, top, left + width, top + height};
}

RECT FirstPlaceBeside(HWND owner, int width, int height, int min_width) {
    RECT window = {};
    GetWindowRect(owner, &window);
    RECT work = {};
    if (!WorkAreaOf(owner, &work)) {
        return {window.right, window.top, window.right + width, window.top + height};
    }
    const PlaceRect place =
        PlaceBesideOwner({window.left, window.top, window.right, window.bottom},
                         {work.left, work.top, work.right, work.bottom}, width, height, min_width);
    return {place.left, place.top, place.right, place.bottom};
}
