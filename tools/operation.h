// COperation: puts one block of data on the clipboard, either streamed in
// pieces (the clipboard is held open for the object's life) or in one shot.
#pragma once

#include "tools/clipboard.h"

#include <cstdint>

class COperation {
  public:
    // Streaming mode: opens and empties the clipboard, allocates and locks a
    // block of capacity bytes; Finish (or the destructor) hands it over as CF_OEMTEXT.
    COperation(void* owner, int32_t capacity, ClipboardOps* clipboard = CurrentClipboard());
    // Single-shot mode: CopyDataToClipboard does the whole transfer.
    explicit COperation(void* owner, ClipboardOps* clipboard = CurrentClipboard());
    virtual ~COperation();
    COperation(const COperation&) = delete;
    COperation& operator=(const COperation&) = delete;

    // Appends (streaming) or transfers (single shot, under format) count bytes; 1 or 0.
    int CopyDataToClipboard(int32_t count, const void* data, uint32_t format = 0);
    // Streaming mode: hands the block over and closes the clipboard. 1 when the
    // clipboard took the block; 0 when it could not be opened or emptied, the
    // block could not be made, or the clipboard refused it (then the block is freed).
    int Finish();
    // 1 when a transfer failed because another program held the clipboard.
    int ClipboardWasBusy() const { return m_b_busy; }

    void* m_h_global = nullptr;
    void* m_h_owner = nullptr;
    uint8_t* m_p_data = nullptr;
    int32_t m_n_size = 0;
    int32_t m_b_append = 0;
    int32_t m_n_cur_index = 0; // bytes written so far; never above m_n_size
    uint32_t m_n_format = 0;

  private:
    ClipboardOps* m_p_clipboard;
    int32_t m_b_opened = 0;   // streaming mode holds the clipboard
    int32_t m_b_emptied = 0;  // and owns it (emptied), so it may place data
    int32_t m_b_finished = 0; // Finish ran; its result is m_b_handed_over
    int32_t m_b_handed_over = 0;
    int32_t m_b_busy = 0;
};
