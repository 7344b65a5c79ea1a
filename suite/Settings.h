#pragma once

#include <cstdint>

#include "base/Props.h"
#include "base/ZString.h"

// The suite's settings: installation values (read only), the general
// configuration, per-user values and named profiles. Every getter returns its
// default when the key is absent or its value does not fit the type. Files
// and their places are described in docs/settings-and-language.md; the
// environment is consulted at each call, so a changed VARTO_CONFIG_HOME or
// VARTO_INSTALL_INI takes effect immediately.

// Installation values: install.ini, with computed defaults for "InstallDir",
// "BinDir", "GsWincCmdline" and "QpdfCmdline".
ZString progConfig_getStr(const ZString& key, const ZString& defaultValue);
bool progConfig_getBool(const ZString& key, bool defaultValue);

// General configuration: config.ini over the installation's defaults.ini
// over the built-in Linux defaults. Never user.ini: values set through
// userConfig_set* (which page scripts may call) cannot change it.
ZString config_getStr(const ZString& key, const ZString& defaultValue);
bool config_getBool(const ZString& key, bool defaultValue);
uint32_t config_getDword(const ZString& key, uint32_t defaultValue);
int32_t config_getInt(const ZString& key, int32_t defaultValue);
int64_t config_getLong(const ZString& key, int64_t defaultValue);
uint64_t config_getQword(const ZString& key, uint64_t defaultValue);
double config_getDouble(const ZString& key, double defaultValue);

// True when the key is present and its value reads as the type.
bool config_hasStr(const ZString& key);
bool config_hasBool(const ZString& key);
bool config_hasDword(const ZString& key);
bool config_hasInt(const ZString& key);
bool config_hasLong(const ZString& key);
bool config_hasQword(const ZString& key);
bool config_hasDouble(const ZString& key);

// Per-user values: user.ini. Every set is saved at once.
ZString userConfig_getStr(const ZString& key, const ZString& defaultValue);
uint32_t userConfig_getDword(const ZString& key, uint32_t defaultValue);
void userConfig_setStr(const ZString& key, const ZString& value);
void userConfig_setBool(const ZString& key, bool value);
void userConfig_setDword(const ZString& key, uint32_t value);
void userConfig_setInt(const ZString& key, int32_t value);
void userConfig_setLong(const ZString& key, int64_t value);
void userConfig_setQword(const ZString& key, uint64_t value);
void userConfig_setDouble(const ZString& key, double value);

// Named profiles: profiles.ini. Loading adds the saved values to props and
// tells whether the profile exists; saving replaces the whole profile.
bool userConfig_loadProfile(const ZString& group, const ZString& profile, Props& props);
void userConfig_saveProfile(const ZString& group, const ZString& profile, const Props& props);

// The suite's feature switch: off when the feature's off-key is true
// ("embeddedBrowser" -> "NoEmbeddedBrowser", "updateCheckBtns" ->
// "NoUpdateCheckBtns"), otherwise on unless "feature.<name>" is false.
bool isFeatureEnabled(const ZString& name);
