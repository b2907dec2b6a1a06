// The application-wide view record and the masked view options.
#include "view/view_state.h"

#include "view/memory_canvas.h"

ViewState::ViewState(void* instance) : m_h_instance(instance) {
    CreateMemoryCanvas(this);
}

ViewState::~ViewState() {
    m_b_document_open = 0;
    ReleaseMemoryCanvas(this);
}

int ApplyViewOptions(CallBackInfo* doc, const ViewOptions& options) {
    if (options.m_n_mask == 0 || doc == nullptr)
        return 0;
    const uint32_t mask = options.m_n_mask;
    auto colour = [](int32_t v) { return static_cast<ColorRef>(v); };
    if (mask & 0x1)
        doc->m_n_hex_left = options.m_n_hex_left;
    if (mask & 0x2)
        doc->m_n_cell_width = options.m_n_cell_width;
    if (mask & 0x4)
        doc->m_n_space_width = options.m_n_space_width;
    if (mask & 0x8)
        doc->m_n_line_height = options.m_n_line_height;
    if (mask & 0x10)
        doc->m_cr_hex_fg = colour(options.m_cr_hex_fg);
    if (mask & 0x20)
        doc->m_cr_hex_bk = colour(options.m_cr_hex_bk);
    if (mask & 0x40)
        doc->m_cr_sel_fg = colour(options.m_cr_sel_fg);
    if (mask & 0x80)
        doc->m_cr_sel_bk = colour(options.m_cr_sel_bk);
    if (mask & 0x100)
        doc->m_cr_header_fg = colour(options.m_cr_header_fg);
    if (mask & 0x200)
        doc->m_cr_header_bk = colour(options.m_cr_header_bk);
    if (mask & 0x400)
        doc->m_cr_line_number_fg = colour(options.m_cr_line_number_fg);
    if (mask & 0x800)
        doc->m_cr_line_number_bk = colour(options.m_cr_line_number_bk);
    if (mask & 0x1000)
        doc->m_cr_marker_bk = colour(options.m_cr_marker_bk);
    if (mask & 0x2000)
        doc->m_cr_modified_fg = colour(options.m_cr_modified_fg);
    if (mask & 0x4000)
        doc->m_cr_modified_bk = colour(options.m_cr_modified_bk);
    doc->m_n_view_mask = mask;
    return 1;
}
