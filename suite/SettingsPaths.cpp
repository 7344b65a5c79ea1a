#include "suite/SettingsPaths.h"

#include <glib.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

std::string envValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string parentOf(const std::string& path) {
    std::filesystem::path p(path);
    std::string parent = p.parent_path().string();
    return parent.empty() ? std::string("/") : parent;
}

}  // namespace

std::string SettingsPaths::executablePath() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.string();
}

std::string SettingsPaths::executableFolder() {
    std::string exe = executablePath();
    if (exe.empty()) {
        std::error_code error;
        return std::filesystem::current_path(error).string();
    }
    return parentOf(exe);
}

std::string SettingsPaths::prefix() { return parentOf(executableFolder()); }

std::string SettingsPaths::installIni() {
    std::string fromEnv = envValue("VARTO_INSTALL_INI");
    if (!fromEnv.empty()) return fromEnv;
    return prefix() + "/share/varto/install.ini";
}

std::string SettingsPaths::defaultsIni() { return parentOf(installIni()) + "/defaults.ini"; }

std::string SettingsPaths::configFolder() {
    std::string fromEnv = envValue("VARTO_CONFIG_HOME");
    if (!fromEnv.empty()) return fromEnv;
    // Relative XDG values are invalid by the base-directory rules and ignored.
    std::string xdg = envValue("XDG_CONFIG_HOME");
    if (!xdg.empty() && xdg[0] == '/') return xdg + "/varto";
    std::string home = envValue("HOME");
    if (home.empty()) home = g_get_home_dir();
    return home + "/.config/varto";
}
