#pragma once

#include <string_view>

#include "base/ZString.h"
#include "xhtml/HtmlNode.h"

namespace xhtml {

// Raw characters between markup: white space kept, entities not decoded.
class HtmlTextNode : public HtmlNode {
public:
    explicit HtmlTextNode(HtmlNode* parentNode = nullptr, ZString content = ZString())
        : HtmlNode(kText, parentNode), text(std::move(content)) {}
    HtmlTextNode(HtmlNode* parentNode, std::u16string_view content) : HtmlNode(kText, parentNode), text(content) {}

    ZString text;
};

}  // namespace xhtml
