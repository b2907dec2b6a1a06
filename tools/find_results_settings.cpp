// The find results window's keys, read and written in one batch each.
#include "tools/find_results_settings.h"

#include "settings/settings_file.h"

namespace {

const wchar_t kSection[] = L"find results";

} // namespace

FindResultsSettings LoadFindResultsSettings() {
    const CSettingsBatch file;
    FindResultsSettings s;
    s.m_n_left = static_cast<int32_t>(file.ReadInt(kSection, L"left", 0));
    s.m_n_top = static_cast<int32_t>(file.ReadInt(kSection, L"top", 0));
    s.m_n_width = static_cast<int32_t>(file.ReadInt(kSection, L"width", 0));
    s.m_n_height = static_cast<int32_t>(file.ReadInt(kSection, L"height", 0));
    if (s.m_n_width <= 0 || s.m_n_height <= 0) {
        s.m_n_width = 0;
        s.m_n_height = 0;
    }
    return s;
}

int SaveFindResultsSettings(const FindResultsSettings& s) {
    CSettingsBatch file;
    file.SetInt(kSection, L"left", s.m_n_left);
    file.SetInt(kSection, L"top", s.m_n_top);
    file.SetInt(kSection, L"width", s.m_n_width);
    file.SetInt(kSection, L"height", s.m_n_height);
    return file.Commit();
}
