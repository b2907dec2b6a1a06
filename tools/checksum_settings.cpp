// The checksums window's keys, read and written in one batch each.
#include "tools/checksum_settings.h"

#include "settings/settings_file.h"
#include "tools/checksum_algorithms.h"

namespace {

const wchar_t kSection[] = L"checksums";
constexpr uint32_t kAllAlgorithms = (1u << kChecksumCount) - 1;

} // namespace

ChecksumSettings LoadChecksumSettings() {
    const CSettingsBatch file;
    ChecksumSettings s;
    s.m_b_open = file.ReadInt(kSection, L"open", 0) ? 1 : 0;
    s.m_n_left = static_cast<int32_t>(file.ReadInt(kSection, L"left", 0));
    s.m_n_top = static_cast<int32_t>(file.ReadInt(kSection, L"top", 0));
    s.m_n_width = static_cast<int32_t>(file.ReadInt(kSection, L"width", 0));
    s.m_n_height = static_cast<int32_t>(file.ReadInt(kSection, L"height", 0));
    if (s.m_n_width <= 0 || s.m_n_height <= 0) {
        s.m_n_width = 0;
        s.m_n_height = 0;
    }
    s.m_n_algorithms = file.ReadInt(kSection, L"algorithms", static_cast<int32_t>(kAllAlgorithms)) &
                       kAllAlgorithms;
    return s;
}

int SaveChecksumSettings(const ChecksumSettings& s) {
    CSettingsBatch file;
    file.SetInt(kSection, L"open", s.m_b_open);
    file.SetInt(kSection, L"left", s.m_n_left);
    file.SetInt(kSection, L"top", s.m_n_top);
    file.SetInt(kSection, L"width", s.m_n_width);
    file.SetInt(kSection, L"height", s.m_n_height);
    file.SetInt(kSection, L"algorithms", static_cast<int32_t>(s.m_n_algorithms));
    return file.Commit();
}
