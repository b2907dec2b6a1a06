// What every tool window keeps in its own section of settings.ini: whether
// it was open at the last exit and where it stood. The keys are "open",
// "left", "top", "width" and "height"; a window adds its own keys beside them.
#pragma once

#include <cstdint>

class CSettingsBatch;

struct ToolWindowPlace {
    int m_b_open = 0;
    int32_t m_n_left = 0;
    int32_t m_n_top = 0;
    int32_t m_n_width = 0; // 0: no place kept yet
    int32_t m_n_height = 0;
};

// The section's open state and place; a size that is not positive means no
// place was kept (width and height both 0).
ToolWindowPlace ReadToolWindowPlace(const CSettingsBatch& file, const wchar_t* section);
// Sets the five keys; nothing is written before the batch commits.
void WriteToolWindowPlace(CSettingsBatch* file, const wchar_t* section,
                          const ToolWindowPlace& place);
