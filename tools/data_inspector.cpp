// The data inspector's model (see data_inspector.h).
#include "tools/data_inspector.h"

#include "data/document.h"
#include "tools/value_parser.h"
#include "view/selection.h"
#include "view/view_state.h"

InspectorBytes ReadInspectorBytes(CallBackInfo* doc) {
    InspectorBytes read;
    if (doc == nullptr || doc->m_p_data_plane == nullptr) {
        return read;
    }
    const int64_t start = SelectionStart(doc);
    if (start < 0 || start >= doc->m_n_data_size) {
        return read;
    }
    read.m_n_offset = start;
    // The document's own source: its mapped view is usually the one the rows
    // on screen were painted from, so no other view is mapped.
    const int64_t n = ReadEffectiveSpan(doc, start, read.m_bytes, kInspectorSpan, doc->Source());
    read.m_n_available = n > 0 ? static_cast<int>(n) : 0;
    return read;
}

int WriteInspectorValue(CallBackInfo* doc, ViewState* state, int type, const wchar_t* text,
                        int big_endian, std::wstring* reason) {
    if (doc == nullptr || state == nullptr || !state->m_b_edit_mode) {
        *reason = L"Edit mode is off";
        return 0;
    }
    if (DocumentBeingRead(doc)) { // a worker reads the overlay on its own thread
        *reason = kDocumentBusyText;
        return 0;
    }
    const InspectorBytes at = ReadInspectorBytes(doc);
    if (at.m_n_offset < 0) {
        *reason = L"No byte is selected";
        return 0;
    }
    uint8_t bytes[kInspectorSpan] = {};
    int length = 0;
    if (!EncodeValue(type, text, big_endian, bytes, &length, reason) ||
        !FitToCurrent(type, at.m_bytes, at.m_n_available, big_endian, bytes, &length, reason)) {
        return 0;
    }
    if (at.m_n_offset + length > doc->m_n_data_size) {
        *reason = L"Needs more bytes than the data has from here";
        return 0;
    }
    if (length > at.m_n_available) {
        *reason = L"A byte there cannot be read";
        return 0;
    }
    if (!doc->Overwrite(at.m_n_offset, bytes, length)) {
        *reason = L"Not enough memory";
        return 0;
    }
    return 1;
}
