// The save's write-back window (see save_window.h).
#include "data/save_window.h"

#include <cstring>
#include <new>

SaveWindow* NewSaveWindow(void* file, int64_t size) {
    if (file == nullptr || size <= 0)
        return nullptr;
    auto* window = new (std::nothrow) SaveWindow;
    if (window == nullptr)
        return nullptr;
    window->m_h_file = file;
    window->m_n_size = size;
    window->m_n_view_offset = -1;
    window->m_b_view_in_use = false;
    return window;
}

void DeleteSaveWindow(SaveWindow* window) {
    delete window;
}

uint8_t* TakeSaveView(SaveWindow* window, int64_t offset, size_t length) {
    if (window == nullptr || window->m_b_view_in_use || offset < 0 || length == 0 ||
        length > sizeof(window->m_view))
        return nullptr;
    window->m_b_view_in_use = true;
    window->m_n_view_offset = offset;
    return window->m_view;
}

SaveWindow* SaveWindowOf(uint8_t* view) {
    return reinterpret_cast<SaveWindow*>(view - offsetof(SaveWindow, m_view));
}

void ReleaseSaveView(uint8_t* view) {
    SaveWindowOf(view)->m_b_view_in_use = false;
}

size_t PadToSectors(uint8_t* view, size_t length) {
    const size_t padded = (length + kSaveSector - 1) / kSaveSector * kSaveSector;
    std::memset(view + length, 0, padded - length);
    return padded;
}
