#pragma once

#include "base/ZString.h"

// Facts about a language, from the info block of its file.
struct LangInfo {
    ZString fileName;     // "de.lang"
    ZString name;         // English name: "German"
    ZString nativeName;   // "Deutsch"
    ZString code;         // "de"
    ZString countryCode;  // "DE"
    ZString direction;    // "ltr" or "rtl"
};

// The text of a key in the current language, else in English, else the key
// itself. The reference stays valid until the next lang_reload().
const ZString& lang_getStr(const ZString& key);

// True when the current language itself defines the key.
bool lang_hasStr(const ZString& key);

// True when lang_getStr has a text of its own for the key: the current
// language or English defines it.
bool lang_hasText(const ZString& key);

void lang_getCurrent(LangInfo& info);

// Chooses the current language again (configuration "Language", then LANG)
// and rereads extra language files; existing references become invalid.
void lang_reload();
