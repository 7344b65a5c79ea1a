#pragma once

#include <memory>
#include <string_view>

#include "base/ZString.h"
#include "xhtml/HtmlTagNode.h"
#include "xhtml/HtmlTextNode.h"

namespace xhtml {

// The forgiving markup reader: one left-to-right pass, never an error.
// Positions are indices into `text`.

// Reads nodes into `element`'s children from `position` until the element's
// own end tag or the end of the text; returns the position after what it
// consumed. A null element or an empty text reads nothing.
int parseMarkup(HtmlTagNode* element, std::u16string_view text, int position = 0);

// From just after an element's name, appends its attributes to `element`;
// returns where it stopped: at ">", at "/>" or at the end of the text.
int parseAttributes(std::u16string_view text, int position, HtmlTagNode* element);

// A fresh root (empty name, no parent) holding the whole document.
std::unique_ptr<HtmlTagNode> parseDocument(std::u16string_view text);
inline std::unique_ptr<HtmlTagNode> parseDocument(const ZString& text) { return parseDocument(text.view()); }

}  // namespace xhtml
