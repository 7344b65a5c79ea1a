#include "xhtml/HtmlTagNode.h"

namespace xhtml {

namespace {

char16_t lowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

}  // namespace

HtmlTagNode::HtmlTagNode(HtmlNode* parentNode, ZString elementName)
    : HtmlNode(kElement, parentNode), name(std::move(elementName)) {}

HtmlTagNode::HtmlTagNode(HtmlNode* parentNode, std::u16string_view elementName)
    : HtmlNode(kElement, parentNode), name(elementName) {}

HtmlTagNode::~HtmlTagNode() {
    // Deeply nested documents would otherwise recurse once per level here.
    std::vector<std::unique_ptr<HtmlNode>> pending = std::move(children);
    while (!pending.empty()) {
        std::unique_ptr<HtmlNode> node = std::move(pending.back());
        pending.pop_back();
        if (node->isElement()) {
            auto& grandChildren = static_cast<HtmlTagNode*>(node.get())->children;
            for (auto& child : grandChildren) pending.push_back(std::move(child));
            grandChildren.clear();
        }
    }
}

const ZString* HtmlTagNode::findAttribute(std::u16string_view wanted) const {
    for (const Attribute& attribute : attributes) {
        if (equalsIgnoreCase(attribute.first.view(), wanted)) return &attribute.second;
    }
    return nullptr;
}

ZString HtmlTagNode::getAttribute(std::u16string_view wanted, const ZString& fallback) const {
    const ZString* value = findAttribute(wanted);
    return value ? *value : fallback;
}

}  // namespace xhtml
