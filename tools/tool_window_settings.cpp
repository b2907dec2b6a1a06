// A tool window's open state and place in settings.ini (see tool_window_settings.h).
#include "tools/tool_window_settings.h"

#include "settings/settings_file.h"

ToolWindowPlace ReadToolWindowPlace(const CSettingsBatch& file, const wchar_t* section) {
    ToolWindowPlace place;
    place.m_b_open = file.ReadInt(section, L"open", 0) ? 1 : 0;
    place.m_n_left = static_cast<int32_t>(file.ReadInt(section, L"left", 0));
    place.m_n_top = static_cast<int32_t>(file.ReadInt(section, L"top", 0));
    place.m_n_width = static_cast<int32_t>(file.ReadInt(section, L"width", 0));
    place.m_n_height = static_cast<int32_t>(file.ReadInt(section, L"height", 0));
    if (place.m_n_width <= 0 || place.m_n_height <= 0) {
        place.m_n_width = 0;
        place.m_n_height = 0;
    }
    return place;
}

void WriteToolWindowPlace(CSettingsBatch* file, const wchar_t* section,
                          const ToolWindowPlace& place) {
    file->SetInt(section, L"open", place.m_b_open);
    file->SetInt(section, L"left", place.m_n_left);
    file->SetInt(section, L"top", place.m_n_top);
    file->SetInt(section, L"width", place.m_n_width);
    file->SetInt(section, L"height", place.m_n_height);
}
