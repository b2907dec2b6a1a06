// The data inspector's model: the bytes at a document's selection
// start, and a typed value written over them as one undo step.
#pragma once

#include "tools/value_decoder.h"

#include <cstdint>
#include <string>

class CallBackInfo;
struct ViewState;

struct InspectorBytes {
    int64_t m_n_offset = -1; // the selection start; -1 without document or selection
    uint8_t m_bytes[kInspectorSpan] = {};
    int m_n_available = 0; // bytes read before the end of the data or an unreadable byte
};

// Reads up to kInspectorSpan effective bytes at the selection start of doc.
InspectorBytes ReadInspectorBytes(CallBackInfo* doc);

// Overwrites the type's bytes at the selection start of doc with the typed
// value (in the view's edit mode only; the size never changes), as one undo
// step. 1, or 0 with the reason and nothing changed.
int WriteInspectorValue(CallBackInfo* doc, ViewState* state, int type, const wchar_t* text,
                        int big_endian, std::wstring* reason);
