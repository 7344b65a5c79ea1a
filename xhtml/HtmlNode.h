#pragma once

#include <cstdint>

namespace xhtml {

// A node of a parsed document: an element (HtmlTagNode) or a run of text
// (HtmlTextNode). The type code lets readers branch without run-time type
// queries.
class HtmlNode {
public:
    static constexpr int32_t kElement = 1;
    static constexpr int32_t kText = 2;

    virtual ~HtmlNode() = default;

    HtmlNode(const HtmlNode&) = delete;
    HtmlNode& operator=(const HtmlNode&) = delete;

    bool isElement() const { return type == kElement; }
    bool isText() const { return type == kText; }

    int32_t type;
    HtmlNode* parent;  // the containing element, null for the root; not owned

protected:
    HtmlNode(int32_t nodeType, HtmlNode* parentNode) : type(nodeType), parent(parentNode) {}
};

}  // namespace xhtml
