// Accelerator table from the shortcut entries.
#include "settings/win32/accelerator_table.h"

#include "settings/shortcut_keys.h"

#include <vector>

HACCEL BuildAcceleratorTable() {
    if (!AcceleratorEntries || g_n_accelerator_count <= 0) {
        return nullptr;
    }
    std::vector<ACCEL> accels(static_cast<size_t>(g_n_accelerator_count));
    for (int i = 0; i < g_n_accelerator_count; ++i) {
        accels[static_cast<size_t>(i)].fVirt = AcceleratorEntries[i].fVirt;
        accels[static_cast<size_t>(i)].key = AcceleratorEntries[i].key;
        accels[static_cast<size_t>(i)].cmd = AcceleratorEntries[i].cmd;
    }
    return CreateAcceleratorTableW(accels.data(), g_n_accelerator_count);
}
