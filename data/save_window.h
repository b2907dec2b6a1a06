// The output "mapping" of a save on every platform: the file's handle, its
// final size and two buffers of one save block each, with a writer thread
// behind them. The walk fills one buffer while the thread hands the other to
// the file, so reading the source and writing the output overlap. Blocks are
// written in the order they were handed over, front to back.
#pragma once

#include "data/save_file.h"

#include <cstddef>
#include <cstdint>

// Direct writes (POSIX) need their buffer, offset and length aligned to the
// volume's sector size; this is a multiple of every usual one.
constexpr size_t kSaveSector = 4096;

// The platform's write of one block: length bytes of data at offset of file,
// whose final size is file_size. The buffer holds kSaveBlockSize bytes, so
// the writer may pad the data in it (see PadToSectors). 1 or 0.
using SaveBlockWrite = int (*)(void* file, int64_t file_size, int64_t offset, uint8_t* data,
                               size_t length);

struct SaveWindow;

// A window for writing size bytes into file through write; null when size is
// not positive or memory is short. Freed with DeleteSaveWindow, which waits
// for a block being written and drops those not yet begun.
SaveWindow* NewSaveWindow(void* file, int64_t size, SaveBlockWrite write);
void DeleteSaveWindow(SaveWindow* window);
// A free buffer as the view of length bytes at offset, waiting while both are
// busy; null when the request does not fit.
uint8_t* TakeSaveView(SaveWindow* window, int64_t offset, size_t length);
// Hands a view's bytes to the writer. 0 when this or an earlier block could
// not be written; the view that ends the file returns only once every block
// has been written, so its result covers the whole file.
int QueueSaveView(uint8_t* view, size_t length);
// Gives back a view that was not handed to the writer (one handed over is
// freed by the writer).
void ReleaseSaveView(uint8_t* view);
// Fills the view from length up to whole sectors with zeros, as the last
// view may end off a sector; the padded length to write (the file is then
// cut back to its size).
size_t PadToSectors(uint8_t* view, size_t length);

// The output half of the platforms' SaveFileOps: a save window over the file,
// whose blocks the given write hands to the disk.
class SaveWindowOps : public SaveFileOps {
  public:
    explicit SaveWindowOps(SaveBlockWrite write) : m_p_write(write) {}
    void* CreateMapping(void* file, int64_t size) override;
    uint8_t* MapView(void* mapping, int64_t offset, size_t length) override;
    int FlushView(uint8_t* view, size_t length) override;
    int UnmapView(uint8_t* view, size_t length) override;
    void CloseMapping(void* mapping) override;

  private:
    SaveBlockWrite m_p_write;
};
