#pragma once

#include <locale.h>

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
