#include "compress/CompressionSettings.h"

#include "base/NumberParse.h"
#include "suite/Settings.h"

int32_t getIntSetting(const Props& settings, const ZString& key, int32_t defaultValue) {
    auto it = settings.find(key);
    if (it == settings.end() || it->second.isEmpty()) return defaultValue;
    return parseLong(it->second.view(), 0);
}

bool getBoolSetting(const Props& settings, const ZString& key) {
    auto it = settings.find(key);
    return it != settings.end() && it->second.toLower() == u"true";
}

ZString getStringSetting(const Props& settings, const ZString& key) {
    auto it = settings.find(key);
    return it == settings.end() ? ZString() : it->second;
}

bool stepSwitchOn(const Props& settings, const ZString& configKey, const ZString& settingKey) {
    auto it = settings.find(settingKey);
    if (it != settings.end() && it->second.toLower() == u"false") return false;
    return config_getBool(configKey, true);
}

bool sameSettings(const Props& a, const Props& b) {
    return a == b;
}
