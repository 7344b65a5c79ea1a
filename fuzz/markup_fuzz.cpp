#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "xhtml/MarkupParser.h"

using namespace xhtml;

namespace {

// Every node must hang under the element that lists it.
void checkTree(const HtmlTagNode& element) {
    for (const auto& child : element.children) {
        if (child->parent != &element) __builtin_trap();
        if (child->isElement()) checkTree(static_cast<const HtmlTagNode&>(*child));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Half the inputs as UTF-8 (the way documents arrive), half as raw UTF-16
    // so any code unit can reach the parser.
    ZString text;
    if (size > 0 && data[0] & 1) {
        std::u16string units((size - 1) / 2, u'\0');
        std::memcpy(units.data(), data + 1, units.size() * 2);
        text = ZString(units);
    } else {
        text = ZString::fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    }
    auto root = parseDocument(text);
    if (root->parent || !root->name.isEmpty()) __builtin_trap();
    if (root->children.size() < 2000) checkTree(*root);
    return 0;
}
