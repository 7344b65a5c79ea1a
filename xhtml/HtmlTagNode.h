#pragma once

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ZString.h"
#include "xhtml/HtmlNode.h"

namespace xhtml {

// An element: lower-case name, attributes in document order (duplicates
// kept) and owned children. The root of a document is an element with an
// empty name and no parent.
class HtmlTagNode : public HtmlNode {
public:
    using Attribute = std::pair<ZString, ZString>;

    explicit HtmlTagNode(HtmlNode* parentNode = nullptr, ZString elementName = ZString());
    HtmlTagNode(HtmlNode* parentNode, std::u16string_view elementName);
    ~HtmlTagNode() override;

    // Value of the first attribute whose name equals `wanted` without regard
    // to case, or null.
    const ZString* findAttribute(std::u16string_view wanted) const;
    bool hasAttribute(std::u16string_view wanted) const { return findAttribute(wanted) != nullptr; }
    // The value, or `fallback` when the attribute is missing.
    ZString getAttribute(std::u16string_view wanted, const ZString& fallback = ZString()) const;

    std::vector<std::unique_ptr<HtmlNode>> children;
    ZString name;
    std::vector<Attribute> attributes;
};

}  // namespace xhtml
