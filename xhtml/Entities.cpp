#include "xhtml/Entities.h"

#include <string_view>

#include "base/NumberParse.h"

namespace xhtml {

namespace {

constexpr Entity kEntities[] = {
    {u"&quot;", 0x0022},
    {u"&amp;", 0x0026},
    {u"&lt;", 0x003C},
    {u"&gt;", 0x003E},
    {u"&nbsp;", 0x00A0},
    {u"&iexcl;", 0x00A1},
    {u"&cent;", 0x00A2},
    {u"&pound;", 0x00A3},
    {u"&curren;", 0x00A4},
    {u"&yen;", 0x00A5},
    {u"&brvbar;", 0x00A6},
    {u"&sect;", 0x00A7},
    {u"&uml;", 0x00A8},
    {u"&copy;", 0x00A9},
    {u"&ordf;", 0x00AA},
    {u"&laquo;", 0x00AB},
    {u"&not;", 0x00AC},
    {u"&shy;", 0x00AD},
    {u"&reg;", 0x00AE},
    {u"&macr;", 0x00AF},
    {u"&deg;", 0x00B0},
    {u"&plusmn;", 0x00B1},
    {u"&sup2;", 0x00B2},
    {u"&sup3;", 0x00B3},
    {u"&acute;", 0x00B4},
    {u"&micro;", 0x00B5},
    {u"&para;", 0x00B6},
    {u"&middot;", 0x00B7},
    {u"&cedil;", 0x00B8},
    {u"&sup1;", 0x00B9},
    {u"&ordm;", 0x00BA},
    {u"&raquo;", 0x00BB},
    {u"&frac14;", 0x00BC},
    {u"&frac12;", 0x00BD},
    {u"&frac34;", 0x00BE},
    {u"&iquest;", 0x00BF},
    {u"&Agrave;", 0x00C0},
    {u"&Aacute;", 0x00C1},
    {u"&Acirc;", 0x00C2},
    {u"&Atilde;", 0x00C3},
    {u"&Auml;", 0x00C4},
    {u"&Aring;", 0x00C5},
    {u"&AElig;", 0x00C6},
    {u"&Ccedil;", 0x00C7},
    {u"&Egrave;", 0x00C8},
    {u"&Eacute;", 0x00C9},
    {u"&Ecirc;", 0x00CA},
    {u"&Euml;", 0x00CB},
    {u"&Igrave;", 0x00CC},
    {u"&Iacute;", 0x00CD},
    {u"&Icirc;", 0x00CE},
    {u"&Iuml;", 0x00CF},
    {u"&ETH;", 0x00D0},
    {u"&Ntilde;", 0x00D1},
    {u"&Ograve;", 0x00D2},
    {u"&Oacute;", 0x00D3},
    {u"&Ocirc;", 0x00D4},
    {u"&Otilde;", 0x00D5},
    {u"&Ouml;", 0x00D6},
    {u"&times;", 0x00D7},
    {u"&Oslash;", 0x00D8},
    {u"&Ugrave;", 0x00D9},
    {u"&Uacute;", 0x00DA},
    {u"&Ucirc;", 0x00DB},
    {u"&Uuml;", 0x00DC},
    {u"&Yacute;", 0x00DD},
    {u"&THORN;", 0x00DE},
    {u"&szlig;", 0x00DF},
    {u"&agrave;", 0x00E0},
    {u"&aacute;", 0x00E1},
    {u"&acirc;", 0x00E2},
    {u"&atilde;", 0x00E3},
    {u"&auml;", 0x00E4},
    {u"&aring;", 0x00E5},
    {u"&aelig;", 0x00E6},
    {u"&ccedil;", 0x00E7},
    {u"&egrave;", 0x00E8},
    {u"&eacute;", 0x00E9},
    {u"&ecirc;", 0x00EA},
    {u"&euml;", 0x00EB},
    {u"&igrave;", 0x00EC},
    {u"&iacute;", 0x00ED},
    {u"&icirc;", 0x00EE},
    {u"&iuml;", 0x00EF},
    {u"&eth;", 0x00F0},
    {u"&ntilde;", 0x00F1},
    {u"&ograve;", 0x00F2},
    {u"&oacute;", 0x00F3},
    {u"&ocirc;", 0x00F4},
    {u"&otilde;", 0x00F5},
    {u"&ouml;", 0x00F6},
    {u"&divide;", 0x00F7},
    {u"&oslash;", 0x00F8},
    {u"&ugrave;", 0x00F9},
    {u"&uacute;", 0x00FA},
    {u"&ucirc;", 0x00FB},
    {u"&uuml;", 0x00FC},
    {u"&yacute;", 0x00FD},
    {u"&thorn;", 0x00FE},
    {u"&yuml;", 0x00FF},
    {u"&OElig;", 0x0152},
    {u"&oelig;", 0x0153},
    {u"&Scaron;", 0x0160},
    {u"&scaron;", 0x0161},
    {u"&Yuml;", 0x0178},
    {u"&fnof;", 0x0192},
    {u"&circ;", 0x02C6},
    {u"&tilde;", 0x02DC},
    {u"&ndash;", 0x2013},
    {u"&mdash;", 0x2014},
    {u"&lsquo;", 0x2018},
    {u"&rsquo;", 0x2019},
    {u"&sbquo;", 0x201A},
    {u"&ldquo;", 0x201C},
    {u"&rdquo;", 0x201D},
    {u"&bdquo;", 0x201E},
    {u"&dagger;", 0x2020},
    {u"&Dagger;", 0x2021},
    {u"&bull;", 0x2022},
    {u"&hellip;", 0x2026},
    {u"&permil;", 0x2030},
    {u"&lsaquo;", 0x2039},
    {u"&rsaquo;", 0x203A},
    {u"&euro;", 0x20AC},
    {u"&trade;", 0x2122},
};

bool findEntity(std::u16string_view reference, char16_t& codePoint) {
    for (const Entity& entity : kEntities) {
        if (reference == entity.reference) {
            codePoint = entity.codePoint;
            return true;
        }
    }
    return false;
}

// The value of a numeric reference "&#...;", or false when it is too short,
// does not end exactly at the ";" or is negative.
bool decodeNumeric(std::u16string_view reference, char16_t& unit) {
    const size_t length = reference.size();
    std::u16string_view digits = reference.substr(2, length - 3);  // between "&#" and ";"
    int base = 10;
    size_t minimum = 4;
    size_t skip = 0;
    if (!digits.empty() && (digits[0] == u'x' || digits[0] == u'X')) {
        base = 16;
        minimum = 5;
        skip = 1;
    } else if (digits.size() >= 2 && digits[0] == u'0' && (digits[1] == u'x' || digits[1] == u'X')) {
        base = 16;
        minimum = 6;
        skip = 2;
    } else if (!digits.empty() && digits[0] == u'0') {
        base = 8;
        minimum = 5;
    }
    if (length < minimum) return false;
    std::u16string_view number = digits.substr(skip);
    size_t consumed = 0;
    int32_t value = parseLong(number, base, &consumed);
    if (consumed == 0 || consumed != number.size() || value < 0) return false;
    unit = static_cast<char16_t>(value & 0xFFFF);
    return true;
}

}  // namespace

std::span<const Entity> entityTable() { return kEntities; }

void decodeEntities(ZString& text) {
    const std::u16string_view t = text.view();
    if (t.find(u'&') == std::u16string_view::npos) return;
    ZString result;
    result.reserve(text.length());
    size_t p = 0;
    while (p < t.size()) {
        if (t[p] != u'&') {
            size_t next = t.find(u'&', p);
            if (next == std::u16string_view::npos) next = t.size();
            result.append(t.data() + p, static_cast<int>(next - p));
            p = next;
            continue;
        }
        size_t nextAmp = t.find(u'&', p + 1);
        if (nextAmp == std::u16string_view::npos) nextAmp = t.size();
        size_t semicolon = t.find(u';', p + 1);
        if (semicolon == std::u16string_view::npos || semicolon > nextAmp) {
            result.append(t.data() + p, static_cast<int>(nextAmp - p));
            p = nextAmp;
            continue;
        }
        std::u16string_view reference = t.substr(p, semicolon + 1 - p);
        char16_t unit = 0;
        bool decoded = reference.size() >= 2 && reference[1] == u'#' ? decodeNumeric(reference, unit)
                                                                       : findEntity(reference, unit);
        if (decoded) {
            result.append(unit);
        } else {
            result.append(reference.data(), static_cast<int>(reference.size()));
        }
        p = semicolon + 1;
    }
    text = std::move(result);
}

}  // namespace xhtml
