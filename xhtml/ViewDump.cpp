#include "xhtml/ViewDump.h"

#include <cstdio>

#include "base/CLocale.h"
#include "xhtml/CompositeView.h"
#include "xhtml/SelectView.h"
#include "xhtml/StyleSheet.h"
#include "xhtml/WordView.h"

namespace xhtml {
namespace {

void appendQuoted(std::string& out, const ZString& text) {
    out += '"';
    for (char c : text.toUtf8()) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    out += '"';
}

void appendValue(std::string& out, const StyleValue& value) {
    char buffer[64];
    switch (value.kind()) {
        case StyleValue::String: appendQuoted(out, value.asString()); return;
        case StyleValue::Bool: out += value.asBool() ? "true" : "false"; return;
        case StyleValue::Int: out += std::to_string(value.asInt()); break;
        case StyleValue::Double: {
            CLocaleScope cLocale;
            std::snprintf(buffer, sizeof buffer, "%g", value.asDoublePayload());
            out += buffer;
            break;
        }
        case StyleValue::Colour:
            std::snprintf(buffer, sizeof buffer, "#%08X", value.asColor());
            out += buffer;
            return;
        default: out += "?"; return;
    }
    if (value.isPercent()) out += '%';
}

void dumpView(std::string& out, View* view, int depth) {
    const std::string indent(static_cast<size_t>(depth) * 2, ' ');
    out += indent + std::to_string(view->type()) + ' ';
    const StyleValue* name = view->styleEntry(StyleId::ElementName, kStateNormal);
    out += name && name->kind() == StyleValue::String ? name->asString().toUtf8() : std::string("-");
    const ZString id = view->getId();
    if (!id.isEmpty()) out += '#' + id.toUtf8();
    if (const StyleValue* classes = view->styleEntry(StyleId::ClassList, kStateNormal);
        classes && classes->kind() == StyleValue::String) {
        for (const ZString& cls : splitClassList(classes->asString().view())) out += '.' + cls.toUtf8();
    }
    if (view->type() == kWordView) {
        out += ' ';
        appendQuoted(out, static_cast<WordView*>(view)->text());
    }
    out += '\n';
    for (int32_t state = 0; state < kStateCount; ++state) {
        const StyleMap& map = view->getStyleMap(state);
        if (map.empty()) continue;
        out += indent + "  state " + std::to_string(state) + ':';
        for (const auto& [key, value] : map) {
            out += ' ' + std::to_string(key) + '=';
            appendValue(out, value);
        }
        out += '\n';
    }
    // A list's options are data, not views: one line each.
    if (view->type() == kSelectView) {
        for (const SelectView::Option& option : static_cast<SelectView*>(view)->options()) {
            out += indent + "  option ";
            appendQuoted(out, option.value);
            out += ' ';
            appendQuoted(out, option.label);
            out += std::string(option.selected ? " selected" : "") + (option.disabled ? " disabled" : "") + '\n';
        }
    }
    if (isCompositeType(view->type())) {
        auto* composite = static_cast<CompositeView*>(view);
        for (int i = 0; i < composite->childCount(); ++i) dumpView(out, composite->childAt(i), depth + 1);
    }
}

}  // namespace

std::string dumpViewTree(View* root) {
    std::string out;
    if (root) dumpView(out, root, 0);
    return out;
}

}  // namespace xhtml
