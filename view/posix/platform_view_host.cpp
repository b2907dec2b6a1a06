// Without a window system the view has nothing to draw on: a host that does nothing.
#include "view/view_host.h"

namespace {

class NullViewHost : public ViewHost {
  public:
    Canvas* MemoryCanvas() override { return nullptr; }
    void Invalidate() override {}
    int CreateCaret(int32_t, int32_t, ColorRef) override { return 0; }
    void DestroyCaret() override {}
    void SetCaretPos(int32_t, int32_t) override {}
    void ShowCaret() override {}
    void SetStatusText(int, const wchar_t*) override {}
    void SetScrollRange(int32_t) override {}
    void SetScrollPos(int32_t) override {}
    int GetScrollState(ScrollState*) override { return 0; }
    int32_t ClientHeight() override { return 0; }
    int32_t WindowHeight() override { return 0; }
    int32_t ClientBottom() override { return 0; }
    void FitMainWindowWidth(int32_t) override {}
    void CaptureMouse() override {}
    void ReleaseMouse() override {}
    void TrackHover(int) override {}
    void RequestFont(int) override {}
};

} // namespace

ViewHost* PlatformViewHost() {
    static NullViewHost host;
    return &host;
}
