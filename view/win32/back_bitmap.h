// The back bitmap of ViewState's memory DC, which every paint of the view is
// drawn into before it is copied to the screen: made at the screen's size,
// grown when a view is larger (a taller monitor, a window spanning monitors)
// and made again for a changed display.
#pragma once

#include <cstdint>

struct ViewState;

// Puts a new screen-compatible bitmap of width x height into the memory DC in
// place of the old one, which is deleted. 1, or 0 (the old bitmap stays) when
// it cannot be made.
int ReplaceBackBitmap(ViewState* state, int32_t width, int32_t height);
// Makes sure the bitmap covers width x height, growing it when it does not.
// 1 when it covers them.
int FitBackBitmap(ViewState* state, int32_t width, int32_t height);
// The display changed to screen_width x screen_height: a bitmap compatible
// with the new display, as large as that screen and at least min_width x min_height.
int RemakeBackBitmapForDisplay(ViewState* state, int32_t screen_width, int32_t screen_height,
                               int32_t min_width, int32_t min_height);
