#pragma once

#include <cstdint>

#include "base/Props.h"
#include "base/ZString.h"

// Readers of the compression settings record. Keys are exact; values are
// text as the form gives them.

// A C integer literal with automatic base ("0x48" is 72, "010" is 8);
// the default when the key is absent or its value empty, 0 without digits.
int32_t getIntSetting(const Props& settings, const ZString& key, int32_t defaultValue);

// True only for a value that reads "true" in any case.
bool getBoolSetting(const Props& settings, const ZString& key);

// The value, or empty when absent.
ZString getStringSetting(const Props& settings, const ZString& key);

// A step's switch: on unless the configuration value configKey is false or
// the record holds settingKey = "false" (the batch command's --no-... options).
bool stepSwitchOn(const Props& settings, const ZString& configKey, const ZString& settingKey);

// Same keys with the same values, compared exactly.
bool sameSettings(const Props& a, const Props& b);
