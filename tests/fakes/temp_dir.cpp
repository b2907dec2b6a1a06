// Per-test temporary folder (see temp_dir.h).
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <system_error>

namespace {

std::string Sanitize(std::string name) {
    for (char& c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            c = '_';
    return name;
}

} // namespace

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::string test = "pelmora";
    if (const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info())
        test = Sanitize(std::string(info->test_suite_name()) + "_" + info->name());
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate =
            base / (test + "-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(candidate, ec)) {
            m_path = candidate;
            return;
        }
    }
    ADD_FAILURE() << "cannot create a temporary folder under " << base.string();
}

TempDir::~TempDir() {
    if (m_path.empty())
        return;
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::wstring TempDir::WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    if (!bytes.empty())
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    out.close();
    return out ? WidePath(name) : std::wstring();
}

std::wstring TempDir::WriteSparseFile(const std::string& name, uint64_t size, uint64_t offset,
                                      const std::vector<uint8_t>& bytes) const {
    {
        std::ofstream create(File(name), std::ios::binary | std::ios::trunc);
        if (!create)
            return std::wstring();
    }
    std::error_code ec;
    std::filesystem::resize_file(File(name), size, ec);
    if (ec)
        return std::wstring();
    if (!bytes.empty()) {
        std::fstream out(File(name), std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(static_cast<std::streamoff>(offset));
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out)
            return std::wstring();
    }
    return WidePath(name);
}
