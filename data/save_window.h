// The output "mapping" of a save on every platform: the file's handle, its
// final size and one write-back window of a save block, aligned for the
// unbuffered or direct writes the platform halves hand it to.
#pragma once

#include "data/save_file.h"

#include <cstddef>
#include <cstdint>

// Unbuffered and direct writes need their buffer, offset and length aligned
// to the volume's sector size; this is a multiple of every usual one.
constexpr size_t kSaveSector = 4096;

struct SaveWindow {
    void* m_h_file;
    int64_t m_n_size;
    int64_t m_n_view_offset; // output offset of the window's first byte
    bool m_b_view_in_use;    // one view at a time
    alignas(kSaveSector) uint8_t m_view[static_cast<size_t>(kSaveBlockSize)];
};

// A window for writing size bytes into file; null when size is not positive
// or memory is short. Freed with DeleteSaveWindow.
SaveWindow* NewSaveWindow(void* file, int64_t size);
void DeleteSaveWindow(SaveWindow* window);
// The window as the view of length bytes at offset; null when it is in use
// or the request does not fit.
uint8_t* TakeSaveView(SaveWindow* window, int64_t offset, size_t length);
// The window a view handed out by TakeSaveView belongs to.
SaveWindow* SaveWindowOf(uint8_t* view);
void ReleaseSaveView(uint8_t* view);
// Fills the view from length up to whole sectors with zeros, as the last
// view may end off a sector; the padded length to write (the file is then
// cut back to its size).
size_t PadToSectors(uint8_t* view, size_t length);
