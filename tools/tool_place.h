// Where a tool window first opens: beside its owner window on the side with
// room, so that it covers none of the owner's data.
#pragma once

#include <cstdint>

struct PlaceRect {
    int32_t left, top, right, bottom;
};

// The place of a window of the wished size beside the owner inside the work
// area: on the right when it fits there, else on the left, else narrowed to
// the wider side when that leaves at least min_width; only when neither side
// has that much room does it overlap the owner, at the area's right edge.
PlaceRect PlaceBesideOwner(const PlaceRect& owner, const PlaceRect& area, int32_t width,
                           int32_t height, int32_t min_width);
