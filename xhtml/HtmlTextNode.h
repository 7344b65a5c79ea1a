#pragma once

#include "base/ZString.h"
#include "xhtml/HtmlNode.h"

namespace xhtml {

// Raw characters between markup: white space kept, entities not decoded.
class HtmlTextNode : public HtmlNode {
public:
    explicit HtmlTextNode(HtmlNode* parentNode = nullptr, ZString content = ZString())
        : HtmlNode(kText, parentNode), text(std::move(content)) {}

    ZString text;
};

}  // namespace xhtml
