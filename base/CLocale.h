#pragma once

#include <locale.h>

#include "base/ZString.h"

// The "C" numeric locale for formatting and parsing numbers, without touching
// the process locale (other threads keep theirs).
locale_t cLocale();

// Switches the calling thread to the "C" locale for its lifetime.
class CLocaleScope {
public:
    CLocaleScope() : previous_(uselocale(cLocale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

// The decimal separator of the user's locale ("," in German), for numbers
// shown to people; "." when the locale is unknown.
char16_t userDecimalSeparator();
// A number written in the "C" locale, with its decimal point as the user's.
ZString withUserDecimalSeparator(const ZString& text);
