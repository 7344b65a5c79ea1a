#pragma once

#include <functional>

#include "base/ZString.h"

// Placeholder prefixes of UI texts, in the order applyLangPlaceholders
// processes them.
inline constexpr const char16_t* kLangPrefix = u"{lang/";
inline constexpr const char16_t* kLangEsqPrefix = u"{lang-esq/";
inline constexpr const char16_t* kLangEdqPrefix = u"{lang-edq/";
inline constexpr const char16_t* kLangHscPrefix = u"{lang-hsc/";

using LangTransform = std::function<ZString(const ZString&)>;

// The escaping rules of the four forms.
ZString langTransformNone(const ZString& text);
ZString langTransformEscapeSingleQuote(const ZString& text);  // ' -> \'
ZString langTransformEscapeDoubleQuote(const ZString& text);  // " -> \"
ZString langTransformHtml(const ZString& text);               // & ' " < >

// One pass: every "<prefix>key}" becomes the transformed language string of
// "compress/<key>" or "<key>" (or a language fact for keys starting with "?");
// unresolved placeholders stay as they are.
ZString replaceLangPlaceholders(const ZString& text, const ZString& prefix,
                                const LangTransform& transform);

// All four forms, plain first and markup-escaped last.
ZString applyLangPlaceholders(const ZString& text);
