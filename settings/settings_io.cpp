// The settings file's access seam: the platform's functions unless a test
// installs others.
#include "settings/settings_io.h"

namespace {

class PlatformSettingsFileOps final : public SettingsFileOps {
  public:
    SettingsFileState Read(const wchar_t* path, std::string* bytes) override {
        return ReadSettingsBytes(path, bytes);
    }
    int Replace(const wchar_t* path, const std::string& bytes) override {
        return ReplaceSettingsBytes(path, bytes);
    }
};

PlatformSettingsFileOps g_platform_ops;
SettingsFileOps* g_p_installed_ops = nullptr;

} // namespace

SettingsFileOps* CurrentSettingsFileOps() {
    return g_p_installed_ops ? g_p_installed_ops : &g_platform_ops;
}

SettingsFileOps* SetSettingsFileOps(SettingsFileOps* ops) {
    SettingsFileOps* previous = g_p_installed_ops;
    g_p_installed_ops = ops;
    return previous;
}
