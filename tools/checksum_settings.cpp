// The checksums window's key (see checksum_settings.h).
#include "tools/checksum_settings.h"

#include "settings/settings_file.h"
#include "tools/checksum_algorithms.h"

namespace {

const wchar_t kAlgorithmsKey[] = L"algorithms";
constexpr uint32_t kAllAlgorithms = (1u << kChecksumCount) - 1;

} // namespace

uint32_t ReadChecksumAlgorithms(const CSettingsBatch& file, const wchar_t* section) {
    return file.ReadInt(section, kAlgorithmsKey, static_cast<int32_t>(kAllAlgorithms)) &
           kAllAlgorithms;
}

void WriteChecksumAlgorithms(CSettingsBatch* file, const wchar_t* section, uint32_t algorithms) {
    file->SetInt(section, kAlgorithmsKey, static_cast<int32_t>(algorithms));
}
