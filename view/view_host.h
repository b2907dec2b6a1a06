// ViewHost: what the hex view needs of the window system (the memory canvas,
// caret, invalidation, status bar, scroll bar, sizes, mouse capture and hover
// tracking). The control installs the Win32 host; tests install a fake.
#pragma once

#include "view/canvas.h"

#include <cstdint>

struct ScrollState {
    int32_t m_n_min;
    int32_t m_n_max;
    int32_t m_n_pos;
    int32_t m_n_track_pos;
};

class ViewHost {
  public:
    virtual ~ViewHost() = default;

    // The canvas over ViewState's memory DC; null when there is no memory DC.
    virtual Canvas* MemoryCanvas() = 0;
    // Invalidates the whole control (no erasing).
    virtual void Invalidate() = 0;

    // Caret: a bitmap of width x height pixels of one colour, shown by
    // exclusive or. CreateCaret replaces any previous caret.
    virtual int CreateCaret(int32_t width, int32_t height, ColorRef xor_color) = 0;
    virtual void DestroyCaret() = 0;
    virtual void SetCaretPos(int32_t x, int32_t y) = 0;
    virtual void ShowCaret() = 0;

    // Text and tooltip of one status bar pane.
    virtual void SetStatusText(int part, const wchar_t* text) = 0;

    // Vertical scroll bar: range set (and the bar shown) with position 0, the
    // position set, and the current range, position and track position read.
    virtual void SetScrollRange(int32_t max) = 0;
    virtual void SetScrollPos(int32_t pos) = 0;
    virtual int GetScrollState(ScrollState* state) = 0;

    // Client height of the control and height of its window (scroll bar and
    // status bar included); 0 without a control.
    virtual int32_t ClientHeight() = 0;
    virtual int32_t WindowHeight() = 0;
    // Client bottom of the control (the drag edge zones use it).
    virtual int32_t ClientBottom() = 0;
    // Gives the main window this width, keeping its height and place.
    virtual void FitMainWindowWidth(int32_t width) = 0;

    // Mouse capture and hover tracking (armed with a 50 ms hover time).
    virtual void CaptureMouse() = 0;
    virtual void ReleaseMouse() = 0;
    virtual void TrackHover(int arm) = 0;

    // The font comes from the settings, which lie above the view: asks the
    // window that owns the view for it one size larger (step 1), one size
    // smaller (-1) or made anew at the same size (0).
    virtual void RequestFont(int step) = 0;
};

// The installed host, or the platform's own (a host that does nothing where
// there is no window system). Never null.
ViewHost* CurrentViewHost();
// Installs a host (null restores the platform's); returns the previous one.
ViewHost* SetViewHost(ViewHost* host);
// The platform's own host (view/win32, view/posix).
ViewHost* PlatformViewHost();

// Writes one status bar pane's text and tooltip.
void SetStatusText(int part, const wchar_t* text);
