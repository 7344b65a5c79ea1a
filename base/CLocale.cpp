#include "base/CLocale.h"

#include <langinfo.h>

#include <cstdlib>
#include <cstring>

locale_t cLocale() {
    static locale_t locale = [] {
        locale_t made = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
        if (!made) std::abort();
        return made;
    }();
    return locale;
}

char16_t userDecimalSeparator() {
    static const char16_t separator = [] {
        // The locale the environment names (LC_ALL, LC_NUMERIC, LANG), read
        // without switching the process to it.
        locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
        if (!user) return u'.';
        const char* radix = nl_langinfo_l(RADIXCHAR, user);
        char16_t found = radix && std::strlen(radix) == 1 ? static_cast<char16_t>(radix[0]) : u'.';
        freelocale(user);
        return found;
    }();
    return separator;
}

ZString withUserDecimalSeparator(const ZString& text) {
    char16_t separator = userDecimalSeparator();
    if (separator == u'.') return text;
    ZString out;
    for (int i = 0; i < text.length(); ++i) out.append(text[i] == u'.' ? separator : text[i]);
    return out;
}
