// Shared set-up of the settings tests: a private folder whose settings.ini is
// the program's settings path, and byte-level access to that file.
#pragma once

#include "settings/settings_file.h"
#include "settings/settings_io.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

class SettingsPath {
  public:
    SettingsPath() {
        static int counter = 0;
        m_dir = std::filesystem::temp_directory_path() /
                ("pelmora_settings_test_" +
                 std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 std::to_string(counter++));
        std::filesystem::create_directories(m_dir);
        m_file = m_dir / "settings.ini";
        const std::wstring wide = m_file.wstring();
        std::wcsncpy(g_sz_settings_path, wide.c_str(), 259);
        g_sz_settings_path[259] = 0;
    }
    ~SettingsPath() {
        g_sz_settings_path[0] = 0;
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    SettingsPath(const SettingsPath&) = delete;
    SettingsPath& operator=(const SettingsPath&) = delete;

    void Put(const std::string& bytes) const {
        std::ofstream out(m_file, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    std::string Get() const {
        std::ifstream in(m_file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists() const { return std::filesystem::exists(m_file); }
    // Number of entries in the folder (the settings file and any leftovers).
    size_t Entries() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(m_dir),
                                                 std::filesystem::directory_iterator()));
    }

    std::filesystem::path m_dir;
    std::filesystem::path m_file;
};

// Settings file access that passes through to the platform but can report an
// existing file unreadable or fail replacements from the Nth on; installed
// for its lifetime.
class FailingSettingsFile final : public SettingsFileOps {
  public:
    FailingSettingsFile() : m_p_previous(SetSettingsFileOps(this)) {}
    ~FailingSettingsFile() override { SetSettingsFileOps(m_p_previous); }
    FailingSettingsFile(const FailingSettingsFile&) = delete;
    FailingSettingsFile& operator=(const FailingSettingsFile&) = delete;

    SettingsFileState Read(const wchar_t* path, std::string* bytes) override {
        const SettingsFileState state = ReadSettingsBytes(path, bytes);
        if (m_b_unreadable && state == SettingsFileState::kRead) {
            bytes->clear();
            return SettingsFileState::kUnreadable;
        }
        return state;
    }
    int Replace(const wchar_t* path, const std::string& bytes) override {
        ++m_n_replacements;
        if (m_n_fail_from > 0 && m_n_replacements >= m_n_fail_from) {
            return 0;
        }
        return ReplaceSettingsBytes(path, bytes);
    }

    int m_b_unreadable = 0;
    int m_n_fail_from = 0; // 1-based; 0 never fails
    int m_n_replacements = 0;

  private:
    SettingsFileOps* m_p_previous;
};

inline std::wstring ReadText(const wchar_t* section, const wchar_t* key,
                             const wchar_t* fallback = L"<none>") {
    wchar_t buffer[256];
    ReadProfileString(section, key, fallback, buffer, 256);
    return buffer;
}
