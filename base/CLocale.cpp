#include "base/CLocale.h"

#include <cstdlib>

locale_t cLocale() {
    static locale_t locale = [] {
        locale_t made = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
        if (!made) std::abort();
        return made;
    }();
    return locale;
}
