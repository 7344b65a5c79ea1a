#include "suite/LangPlaceholders.h"

#include "suite/Language.h"

namespace {

// Replaces every c by replacement, never looking at inserted text again.
ZString replaceChar(const ZString& text, char16_t c, const ZString& replacement) {
    ZString out = text;
    int at = out.find(c);
    while (at >= 0) {
        out.replace(at, at + 1, replacement);
        at = out.find(c, at + replacement.length());
    }
    return out;
}

const ZString* languageFact(const LangInfo& info, const ZString& key) {
    if (key == u"?/langName" || key == u"?/name") return &info.name;
    if (key == u"?/langCode" || key == u"?/code") return &info.code;
    if (key == u"?/langNativeName" || key == u"?/nativeName") return &info.nativeName;
    if (key == u"?/fileName") return &info.fileName;
    if (key == u"?/countryCode") return &info.countryCode;
    if (key == u"?/langDir" || key == u"?/dir") return &info.direction;
    return nullptr;
}

// The language string for a placeholder key, or false when there is none.
bool resolve(const LangInfo& info, const ZString& key, ZString& value) {
    if (key.startsWith(u"?")) {
        const ZString* fact = languageFact(info, key);
        if (fact) value = *fact;
        return fact != nullptr;
    }
    // Both names in the current language first; English only after that, so
    // a translation's own key wins over English "compress/" + key.
    const ZString names[] = {ZString(u"compress/") + key, key};
    for (bool (*has)(const ZString&) : {&lang_hasStr, &lang_hasText}) {
        for (const ZString& name : names) {
            if (has(name)) {
                value = lang_getStr(name);
                return true;
            }
        }
    }
    return false;
}

}  // namespace

ZString langTransformNone(const ZString& text) { return text; }

ZString langTransformEscapeSingleQuote(const ZString& text) {
    return replaceChar(text, u'\'', u"\\'");
}

ZString langTransformEscapeDoubleQuote(const ZString& text) {
    return replaceChar(text, u'"', u"\\\"");
}

ZString langTransformHtml(const ZString& text) {
    ZString out = replaceChar(text, u'&', u"&amp;");
    out = replaceChar(out, u'\'', u"&apos;");
    out = replaceChar(out, u'"', u"&quot;");
    out = replaceChar(out, u'<', u"&lt;");
    return replaceChar(out, u'>', u"&gt;");
}

ZString replaceLangPlaceholders(const ZString& text, const ZString& prefix,
                                const LangTransform& transform) {
    LangInfo info;
    lang_getCurrent(info);
    if (prefix.isEmpty()) return text;
    ZString out;
    int position = 0;
    for (;;) {
        int start = text.find(prefix, position);
        if (start < 0) break;
        int keyStart = start + prefix.length();
        int close = text.find(u'}', keyStart);
        if (close < 0) break;
        out.append(text.substring(position, start));
        ZString value;
        if (resolve(info, text.substring(keyStart, close), value))
            out.append(transform ? transform(value) : value);
        else
            out.append(text.substring(start, close + 1));
        position = close + 1;
    }
    out.append(text.substring(position));
    return out;
}

ZString applyLangPlaceholders(const ZString& text) {
    ZString out = replaceLangPlaceholders(text, kLangPrefix, langTransformNone);
    out = replaceLangPlaceholders(out, kLangEsqPrefix, langTransformEscapeSingleQuote);
    out = replaceLangPlaceholders(out, kLangEdqPrefix, langTransformEscapeDoubleQuote);
    return replaceLangPlaceholders(out, kLangHscPrefix, langTransformHtml);
}
