// FakeViewHost: a view host that records what the view asked of the window
// system (caret, status texts, scroll bar, invalidations) and draws into a
// RecordingCanvas. Installs itself for its lifetime.
#pragma once

#include "tests/fakes/recording_canvas.h"
#include "view/view_host.h"

#include <string>
#include <vector>

class FakeViewHost : public ViewHost {
  public:
    FakeViewHost();
    ~FakeViewHost() override;
    FakeViewHost(const FakeViewHost&) = delete;
    FakeViewHost& operator=(const FakeViewHost&) = delete;

    Canvas* MemoryCanvas() override { return m_b_has_canvas ? &m_canvas : nullptr; }
    void Invalidate() override { ++m_n_invalidations; }
    int CreateCaret(int32_t width, int32_t height, ColorRef xor_color) override;
    void DestroyCaret() override { m_b_caret = 0; }
    void SetCaretPos(int32_t x, int32_t y) override;
    void ShowCaret() override { m_b_caret_shown = 1; }
    void SetStatusText(int part, const wchar_t* text) override;
    void SetScrollRange(int32_t max) override;
    void SetScrollPos(int32_t pos) override;
    int GetScrollState(ScrollState* state) override;
    int32_t ClientHeight() override { return m_n_client_height; }
    int32_t WindowHeight() override { return m_n_window_height; }
    int32_t ClientBottom() override { return m_n_client_height; }
    void FitMainWindowWidth(int32_t width) override { m_n_main_width = width; }
    void CaptureMouse() override { m_b_captured = 1; }
    void ReleaseMouse() override { m_b_captured = 0; }
    void TrackHover(int arm) override;
    void RequestFont(int step) override { m_font_requests.push_back(step); }

    RecordingCanvas m_canvas;
    std::vector<int> m_font_requests;
    int m_b_has_canvas = 1;
    int m_n_invalidations = 0;
    int m_b_caret = 0;
    int m_b_caret_shown = 0;
    int32_t m_n_caret_width = 0;
    int32_t m_n_caret_height = 0;
    ColorRef m_cr_caret_xor = 0;
    CaretPoint m_pt_caret = {0, 0};
    int m_n_caret_moves = 0;
    std::wstring m_status[4];
    std::wstring m_tips[4];
    ScrollState m_scroll = {0, 0, 0, 0};
    int m_b_scroll_visible = 0;
    int32_t m_n_client_height = 600;
    int32_t m_n_window_height = 600;
    int32_t m_n_main_width = 0;
    int m_b_captured = 0;
    int m_b_hover_armed = 0;
    int m_n_hover_arms = 0;

  private:
    ViewHost* m_p_previous;
};
