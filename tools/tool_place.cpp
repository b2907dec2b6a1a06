// Placing a tool window beside its owner (see tool_place.h).
#include "tools/tool_place.h"

PlaceRect PlaceBesideOwner(const PlaceRect& owner, const PlaceRect& area, int32_t width,
                           int32_t height, int32_t min_width) {
    const int32_t right_room = area.right - owner.right;
    const int32_t left_room = owner.left - area.left;
    int32_t top = owner.top;
    if (top + height > area.bottom) {
        top = area.bottom - height;
    }
    if (top < area.top) {
        top = area.top;
    }
    int32_t left = 0;
    if (right_room >= width) {
        left = owner.right;
    } else if (left_room >= width) {
        left = owner.left - width;
    } else if (right_room >= min_width && right_room >= left_room) {
        width = right_room;
        left = owner.right;
    } else if (left_room >= min_width) {
        width = left_room;
        left = area.left;
    } else {
        left = area.right - width;
        left = left < area.left ? area.left : left;
    }
    return {left, top, left + width, top + height};
}
