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

// Unicode's white space without the no-break spaces (U+00A0, U+2007, U+202F)
// and U+0085: a fixed list, so words split alike under every locale and
// whether or not the system has a Unicode locale installed.
bool isSpaceBeyondAscii(char16_t c) {
    return c == 0x1680 || (c >= 0x2000 && c <= 0x2006) || (c >= 0x2008 && c <= 0x200A) || c == 0x2028 ||
           c == 0x2029 || c == 0x205F || c == 0x3000;
}

}  // namespace xhtml::chars
