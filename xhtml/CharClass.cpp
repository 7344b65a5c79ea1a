#include "xhtml/CharClass.h"

#include <cwctype>
#include <locale.h>

namespace xhtml::chars {

namespace {

locale_t unicodeLocale() {
    static locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        return made ? made : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    }();
    return locale;
}

}  // namespace

bool isLetterBeyondAscii(char16_t c) {
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    return iswalpha_l(static_cast<wint_t>(c), unicodeLocale()) != 0;
}

bool isSpaceBeyondAscii(char16_t c) { return iswspace_l(static_cast<wint_t>(c), unicodeLocale()) != 0; }

}  // namespace xhtml::chars
