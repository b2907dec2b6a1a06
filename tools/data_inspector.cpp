// The data inspector's model (see data_inspector.h).
#include "tools/data_inspector.h"

#include "data/document.h"
#include "settings/settings_file.h"
#include "tools/value_parser.h"
#include "view/selection.h"
#include "view/view_state.h"

namespace {
const wchar_t kSection[] = L"inspector";
}

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

// Both read and write the file once, and write all keys in one replacement.
InspectorSettings LoadInspectorSettings() {
    const CSettingsBatch file;
    InspectorSettings s;
    s.m_b_open = file.ReadInt(kSection, L"open", 0) ? 1 : 0;
    s.m_b_big_endian = file.ReadInt(kSection, L"big_endian", 0) ? 1 : 0;
    s.m_n_left = static_cast<int32_t>(file.ReadInt(kSection, L"left", 0));
    s.m_n_top = static_cast<int32_t>(file.ReadInt(kSection, L"top", 0));
    s.m_n_width = static_cast<int32_t>(file.ReadInt(kSection, L"width", 0));
    s.m_n_height = static_cast<int32_t>(file.ReadInt(kSection, L"height", 0));
    if (s.m_n_width <= 0 || s.m_n_height <= 0) {
        s.m_n_width = 0;
        s.m_n_height = 0;
    }
    return s;
}

int SaveInspectorSettings(const InspectorSettings& s) {
    CSettingsBatch file;
    file.SetInt(kSection, L"open", s.m_b_open);
    file.SetInt(kSection, L"big_endian", s.m_b_big_endian);
    file.SetInt(kSection, L"left", s.m_n_left);
    file.SetInt(kSection, L"top", s.m_n_top);
    file.SetInt(kSection, L"width", s.m_n_width);
    file.SetInt(kSection, L"height", s.m_n_height);
    return file.Commit();
}
