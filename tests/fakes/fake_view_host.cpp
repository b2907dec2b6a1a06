// FakeViewHost: records the window-system side of the view.
#include "tests/fakes/fake_view_host.h"

FakeViewHost::FakeViewHost() : m_p_previous(SetViewHost(this)) {}

FakeViewHost::~FakeViewHost() {
    SetViewHost(m_p_previous);
}

int FakeViewHost::CreateCaret(int32_t width, int32_t height, ColorRef xor_color) {
    m_b_caret = 1;
    m_b_caret_shown = 0;
    m_n_caret_width = width;
    m_n_caret_height = height;
    m_cr_caret_xor = xor_color;
    return 1;
}

void FakeViewHost::SetCaretPos(int32_t x, int32_t y) {
    m_pt_caret = {x, y};
    ++m_n_caret_moves;
}

void FakeViewHost::SetStatusText(int part, const wchar_t* text) {
    if (part >= 0 && part < 4) {
        m_status[part] = text;
        m_tips[part] = text;
    }
}

void FakeViewHost::SetScrollRange(int32_t max) {
    m_scroll.m_n_min = 0;
    m_scroll.m_n_max = max;
    m_scroll.m_n_pos = 0;
    m_b_scroll_visible = 1;
}

void FakeViewHost::SetScrollPos(int32_t pos) {
    // Like the system's bar, a position is kept within the range.
    if (pos < m_scroll.m_n_min) {
        pos = m_scroll.m_n_min;
    }
    if (pos > m_scroll.m_n_max) {
        pos = m_scroll.m_n_max;
    }
    m_scroll.m_n_pos = pos;
}

int FakeViewHost::GetScrollState(ScrollState* state) {
    *state = m_scroll;
    return 1;
}

void FakeViewHost::TrackHover(int arm) {
    m_b_hover_armed = arm;
    if (arm) {
        ++m_n_hover_arms;
    }
}
