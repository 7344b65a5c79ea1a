#include "suite/Settings.h"

#include <glib.h>

#include <charconv>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "suite/IniFile.h"
#include "suite/SettingsPaths.h"

namespace {

// Flat files keep their values in one group.
constexpr const char* kGroup = IniFile::kDefaultGroup;

// config.ini, defaults.ini and install.ini are written by people; user.ini
// and profiles.ini by the program.
std::optional<std::string> lookup(const std::string& path, const ZString& key) {
    bool handWritten = path != SettingsPaths::userIni();
    auto groups = IniFile::read(path, handWritten);
    if (const std::string* value = IniFile::find(*groups, kGroup, key.toUtf8())) return *value;
    return std::nullopt;
}

// Defaults of every Linux installation, whichever install.ini is used.
std::optional<std::string> builtInDefault(const ZString& key) {
    // Debian 12's Ghostscript applies image settings to page 1 only with its
    // new PDF interpreter, and leaves standard fonts unembedded.
    if (key == u"gs.useNewPdf") return std::string("false");
    return std::nullopt;
}

// The general configuration: config.ini, then the installation's
// defaults.ini, then the built-in defaults. Never user.ini, which page
// scripts may write through the bridge.
std::optional<std::string> configValue(const ZString& key) {
    if (auto value = lookup(SettingsPaths::configIni(), key)) return value;
    if (auto value = lookup(SettingsPaths::defaultsIni(), key)) return value;
    return builtInDefault(key);
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && g_ascii_isspace(text.front())) text.remove_prefix(1);
    while (!text.empty() && g_ascii_isspace(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<bool> parseBool(std::string_view text) {
    text = trimmed(text);
    for (const char* yes : {"true", "1", "yes", "on"})
        if (g_ascii_strncasecmp(text.data(), yes, text.size()) == 0 &&
            std::strlen(yes) == text.size())
            return true;
    for (const char* no : {"false", "0", "no", "off"})
        if (g_ascii_strncasecmp(text.data(), no, text.size()) == 0 &&
            std::strlen(no) == text.size())
            return false;
    return std::nullopt;
}

// Whole-text integers in decimal, or hexadecimal after "0x" for unsigned types.
template <typename T>
std::optional<T> parseInteger(std::string_view text) {
    text = trimmed(text);
    int base = 10;
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if constexpr (std::is_unsigned_v<T>) {
        if (!text.empty() && text.front() == '-') return std::nullopt;
        if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
            text.remove_prefix(2);
            base = 16;
        }
    }
    if (text.empty()) return std::nullopt;
    T value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> parseDouble(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

template <typename T>
std::string formatNumber(T value) {
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

template <typename T>
T configInteger(const ZString& key, T defaultValue) {
    auto text = configValue(key);
    if (!text) return defaultValue;
    return parseInteger<T>(*text).value_or(defaultValue);
}

template <typename T>
bool configHasInteger(const ZString& key) {
    auto text = configValue(key);
    return text && parseInteger<T>(*text).has_value();
}

void setUserValue(const ZString& key, const std::string& value) {
    std::string name = IniFile::encodeName(key.toUtf8());
    if (name.empty()) return;
    IniFile::update(SettingsPaths::userIni(), [&](GKeyFile* file) {
        g_key_file_set_string(file, kGroup, name.c_str(), value.c_str());
    });
}

std::string profileGroup(const ZString& group, const ZString& profile) {
    return group.toUtf8() + "/" + profile.toUtf8();
}

ZString installDefault(const ZString& key, const ZString& defaultValue) {
    if (key == u"InstallDir") return ZString::fromUtf8(SettingsPaths::prefix());
    if (key == u"BinDir") return ZString::fromUtf8(SettingsPaths::executableFolder());
    if (key == u"GsWincCmdline") return u"gs";
    if (key == u"QpdfCmdline") return u"qpdf";
    return defaultValue;
}

}  // namespace

ZString progConfig_getStr(const ZString& key, const ZString& defaultValue) {
    if (auto value = lookup(SettingsPaths::installIni(), key)) return ZString::fromUtf8(*value);
    return installDefault(key, defaultValue);
}

bool progConfig_getBool(const ZString& key, bool defaultValue) {
    auto value = lookup(SettingsPaths::installIni(), key);
    return value ? parseBool(*value).value_or(defaultValue) : defaultValue;
}

ZString config_getStr(const ZString& key, const ZString& defaultValue) {
    auto value = configValue(key);
    return value ? ZString::fromUtf8(*value) : defaultValue;
}

bool config_getBool(const ZString& key, bool defaultValue) {
    auto value = configValue(key);
    return value ? parseBool(*value).value_or(defaultValue) : defaultValue;
}

uint32_t config_getDword(const ZString& key, uint32_t defaultValue) {
    return configInteger<uint32_t>(key, defaultValue);
}

int32_t config_getInt(const ZString& key, int32_t defaultValue) {
    return configInteger<int32_t>(key, defaultValue);
}

int64_t config_getLong(const ZString& key, int64_t defaultValue) {
    return configInteger<int64_t>(key, defaultValue);
}

uint64_t config_getQword(const ZString& key, uint64_t defaultValue) {
    return configInteger<uint64_t>(key, defaultValue);
}

double config_getDouble(const ZString& key, double defaultValue) {
    auto value = configValue(key);
    return value ? parseDouble(*value).value_or(defaultValue) : defaultValue;
}

bool config_hasStr(const ZString& key) { return configValue(key).has_value(); }

bool config_hasBool(const ZString& key) {
    auto value = configValue(key);
    return value && parseBool(*value).has_value();
}

bool config_hasDword(const ZString& key) { return configHasInteger<uint32_t>(key); }
bool config_hasInt(const ZString& key) { return configHasInteger<int32_t>(key); }
bool config_hasLong(const ZString& key) { return configHasInteger<int64_t>(key); }
bool config_hasQword(const ZString& key) { return configHasInteger<uint64_t>(key); }

bool config_hasDouble(const ZString& key) {
    auto value = configValue(key);
    return value && parseDouble(*value).has_value();
}

ZString userConfig_getStr(const ZString& key, const ZString& defaultValue) {
    auto value = lookup(SettingsPaths::userIni(), key);
    return value ? ZString::fromUtf8(*value) : defaultValue;
}

uint32_t userConfig_getDword(const ZString& key, uint32_t defaultValue) {
    auto value = lookup(SettingsPaths::userIni(), key);
    return value ? parseInteger<uint32_t>(*value).value_or(defaultValue) : defaultValue;
}

void userConfig_setStr(const ZString& key, const ZString& value) {
    setUserValue(key, value.toUtf8());
}
void userConfig_setBool(const ZString& key, bool value) {
    setUserValue(key, value ? "true" : "false");
}
void userConfig_setDword(const ZString& key, uint32_t value) {
    setUserValue(key, formatNumber(value));
}
void userConfig_setInt(const ZString& key, int32_t value) {
    setUserValue(key, formatNumber(value));
}
void userConfig_setLong(const ZString& key, int64_t value) {
    setUserValue(key, formatNumber(value));
}
void userConfig_setQword(const ZString& key, uint64_t value) {
    setUserValue(key, formatNumber(value));
}
void userConfig_setDouble(const ZString& key, double value) {
    setUserValue(key, formatNumber(value));
}

bool userConfig_loadProfile(const ZString& group, const ZString& profile, Props& props) {
    auto groups = IniFile::read(SettingsPaths::profilesIni());
    auto found = groups->find(profileGroup(group, profile));
    if (found == groups->end()) return false;
    for (const auto& [key, value] : found->second)
        props[ZString::fromUtf8(key)] = ZString::fromUtf8(value);
    return true;
}

void userConfig_saveProfile(const ZString& group, const ZString& profile, const Props& props) {
    std::string name = IniFile::encodeName(profileGroup(group, profile));
    IniFile::update(SettingsPaths::profilesIni(), [&](GKeyFile* file) {
        g_key_file_remove_group(file, name.c_str(), nullptr);
        for (const auto& [key, value] : props) {
            std::string keyName = IniFile::encodeName(key.toUtf8());
            if (!keyName.empty())
                g_key_file_set_string(file, name.c_str(), keyName.c_str(), value.toUtf8().c_str());
        }
    });
}

bool isFeatureEnabled(const ZString& name) {
    static const ZString kFeaturePrefix = u"feature.";
    bool prefixed = name.startsWith(kFeaturePrefix);
    ZString bare = prefixed ? name.substring(kFeaturePrefix.length()) : name;
    ZString offKey;
    if (bare == u"embeddedBrowser")
        offKey = u"NoEmbeddedBrowser";
    else if (bare == u"updateCheckBtns")
        offKey = u"NoUpdateCheckBtns";
    if (!offKey.isEmpty() && config_getBool(offKey, false)) return false;
    return config_getBool(prefixed ? name : kFeaturePrefix + name, true);
}
