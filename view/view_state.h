// ViewState: the application-wide view record, and ViewOptions, the masked
// record that sets metrics and colours of a document at once.
#pragma once

#include "data/document.h"
#include "view/byte_marks.h"

#include <cstdint>

struct ViewOptions {
    uint32_t m_n_mask;
    int32_t m_n_hex_left;        // 0x1
    int32_t m_n_cell_width;      // 0x2
    int32_t m_n_space_width;     // 0x4
    int32_t m_n_line_height;     // 0x8
    int32_t m_cr_hex_fg;         // 0x10
    int32_t m_cr_hex_bk;         // 0x20
    int32_t m_cr_sel_bk;         // 0x80
    int32_t m_cr_sel_fg;         // 0x40
    int32_t m_cr_header_fg;      // 0x100
    int32_t m_cr_header_bk;      // 0x200
    int32_t m_cr_line_number_fg; // 0x400
    int32_t m_cr_line_number_bk; // 0x800
    int32_t m_cr_marker_bk;      // 0x1000
    int32_t m_cr_modified_fg;    // 0x2000
    int32_t m_cr_modified_bk;    // 0x4000
};

// Copies each value whose mask bit is set into the document and sets its
// m_n_view_mask to the mask; 0 when the mask is 0 or doc is null.
int ApplyViewOptions(CallBackInfo* doc, const ViewOptions& options);

struct ViewState {
    explicit ViewState(void* instance);
    ~ViewState();
    ViewState(const ViewState&) = delete;
    ViewState& operator=(const ViewState&) = delete;

    void* m_h_main_window = nullptr;
    void* m_h_view_window = nullptr;
    void* m_h_instance = nullptr;
    void* m_h_memory_dc = nullptr;
    void* m_h_back_bitmap = nullptr;
    void* m_h_font = nullptr;
    int32_t m_n_scroll_max = 0;
    int32_t m_b_edit_mode = 0;
    int64_t m_n_begin_marker = -1;
    int64_t m_n_end_marker = -1;
    ColorRef m_cr_background = 0;
    ColorRef m_cr_caret = 255;
    // Bytes the current document's bookmarks cover, drawn on this background
    // unless selected or the begin marker; null when nothing marks bytes.
    const ByteMarks* m_p_byte_marks = nullptr;
    ColorRef m_cr_bookmark_bk = 0;
    wchar_t m_sz_title[260] = {};
    int32_t m_b_document_open = 0;
    CProcInfo m_proc_info;
};
