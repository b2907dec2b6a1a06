// What the checksums window keeps in the "checksums" section of settings.ini:
// whether it was open, its place and the algorithms chosen.
#pragma once

#include <cstdint>

struct ChecksumSettings {
    int m_b_open = 0;
    int32_t m_n_left = 0;
    int32_t m_n_top = 0;
    int32_t m_n_width = 0; // 0: no place kept yet
    int32_t m_n_height = 0;
    uint32_t m_n_algorithms = 0; // bits of ChecksumAlgorithm; all when none was kept
};

ChecksumSettings LoadChecksumSettings();
// 1 when settings.ini holds them afterwards.
int SaveChecksumSettings(const ChecksumSettings& settings);
