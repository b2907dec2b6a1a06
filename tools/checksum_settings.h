// The checksums window's own key in its section of settings.ini beside the
// open state and place every tool window keeps: the algorithms chosen.
#pragma once

#include <cstdint>

class CSettingsBatch;

// Bits of ChecksumAlgorithm; all of them when none were kept.
uint32_t ReadChecksumAlgorithms(const CSettingsBatch& file, const wchar_t* section);
void WriteChecksumAlgorithms(CSettingsBatch* file, const wchar_t* section, uint32_t algorithms);
