// Shows a document's progress counters in a progress bar without waiting.
#include "data/document.h"

#include <windows.h>

#include <commctrl.h>

int CallBackInfo::PostProgress(void* progress_bar) const {
    HWND bar = static_cast<HWND>(progress_bar);
    if (bar == nullptr)
        return 0;
    PostMessageW(bar, PBM_SETRANGE32, 0,
                 static_cast<LPARAM>(static_cast<uint32_t>(m_n_progress_total)));
    PostMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(static_cast<uint32_t>(m_n_progress_pos)), 0);
    return 1;
}
