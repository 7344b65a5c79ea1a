#pragma once

#include <string>

// Where the settings files live. Each call reads the environment afresh so
// that a changed VARTO_CONFIG_HOME or VARTO_INSTALL_INI applies at once.
class SettingsPaths {
public:
    // The running executable (from /proc/self/exe); empty when unknown.
    static std::string executablePath();
    // Its folder; the current folder when unknown.
    static std::string executableFolder();
    // Parent of the executable's folder.
    static std::string prefix();
    // $VARTO_INSTALL_INI, else <prefix>/share/varto/install.ini.
    static std::string installIni();
    // defaults.ini beside install.ini: the installation's default configuration.
    static std::string defaultsIni();
    // $VARTO_CONFIG_HOME, else $XDG_CONFIG_HOME/varto, else ~/.config/varto.
    static std::string configFolder();
    static std::string configIni() { return configFolder() + "/config.ini"; }
    static std::string userIni() { return configFolder() + "/user.ini"; }
    static std::string profilesIni() { return configFolder() + "/profiles.ini"; }
};
