#include <cstddef>
#include <cstdint>
#include <string_view>

#include "xhtml/StyleId.h"
#include "xhtml/StyleSheet.h"

using namespace xhtml;

namespace {

struct Element : StyleTarget {
    StyleMap maps[kStateCount];
    const Element* parent = nullptr;

    const StyleValue* styleEntry(int32_t id, int32_t state) const override {
        auto it = maps[state].find(id);
        return it == maps[state].end() ? nullptr : &it->second;
    }
    void setStyle(int32_t id, const StyleValue& value, int32_t state) override {
        if (value.isUnset()) {
            maps[state].erase(id);
        } else {
            maps[state][id] = value;
        }
    }
    bool findInheritedStyle(int32_t id, StyleValue& out, int32_t state) const override {
        for (const Element* e = this; e; e = e->parent) {
            if (const StyleValue* v = e->styleEntry(id, state)) {
                out = *v;
                return true;
            }
        }
        return false;
    }
};

}  // namespace

// The input is a style sheet; its first declaration text doubles as an
// inline style and its first selector describes the element.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZString text = ZString::fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    StyleRules rules;
    parseStyleSheet(rules, text.view());

    Element parent;
    parent.maps[0][StyleId::FontSize] = StyleValue::makeDouble(12.5);
    Element element;
    element.parent = &parent;
    const StyleSelector* first = rules.empty() ? nullptr : &rules.front().selector;
    element.maps[0][StyleId::ElementName] = StyleValue::makeString(first ? first->tag : ZString(u"div"));
    if (first) element.maps[0][StyleId::Id] = StyleValue::makeString(first->id);
    element.maps[0][StyleId::ClassList] = StyleValue::makeString(first ? first->cls : text);
    for (int32_t state = 0; state < kStateCount; ++state) {
        element.maps[state][StyleId::InlineStyle] = StyleValue::makeString(text);
        applyStyles(element, state, rules);
    }
    for (const StyleMap& map : element.maps) {
        for (const auto& [id, value] : map) {
            if (value.kind() > StyleValue::Colour) __builtin_trap();
            (void)value.toDouble();
        }
    }
    return 0;
}
