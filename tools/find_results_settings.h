// What the find results window keeps in the "find results" section of
// settings.ini: its place. The matches themselves are not kept.
#pragma once

#include <cstdint>

struct FindResultsSettings {
    int32_t m_n_left = 0;
    int32_t m_n_top = 0;
    int32_t m_n_width = 0; // 0: no place kept yet
    int32_t m_n_height = 0;
};

FindResultsSettings LoadFindResultsSettings();
// 1 when settings.ini holds them afterwards.
int SaveFindResultsSettings(const FindResultsSettings& settings);
