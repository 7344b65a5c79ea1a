#include "xhtml/LayoutDump.h"

#include "xhtml/CompositeView.h"
#include "xhtml/StyleSheet.h"
#include "xhtml/WordView.h"

namespace xhtml {
namespace {

void dumpView(std::string& out, View* view, int depth) {
    if (!view->isDisplayed()) return;
    out.append(static_cast<size_t>(depth) * 2, ' ');
    out += std::to_string(view->type()) + ' ';
    const StyleValue* name = view->styleEntry(StyleId::ElementName, kStateNormal);
    out +=
        name && name->kind() == StyleValue::String ? name->asString().toUtf8() : std::string("-");
    const ZString id = view->getId();
    if (!id.isEmpty()) out += '#' + id.toUtf8();
    if (const StyleValue* classes = view->styleEntry(StyleId::ClassList, kStateNormal);
        classes && classes->kind() == StyleValue::String) {
        for (const ZString& cls : splitClassList(classes->asString().view()))
            out += '.' + cls.toUtf8();
    }
    if (view->type() == kWordView)
        out += " \"" + static_cast<WordView*>(view)->text().toUtf8() + '"';
    const Rect& r = view->rect();
    out += " @" + std::to_string(r.left) + ',' + std::to_string(r.top) + ' ' +
           std::to_string(r.width()) + 'x' + std::to_string(r.height()) + '\n';
    if (isCompositeType(view->type())) {
        auto* composite = static_cast<CompositeView*>(view);
        for (int i = 0; i < composite->childCount(); ++i)
            dumpView(out, composite->childAt(i), depth + 1);
    }
}

}  // namespace

std::string dumpLayout(View* root) {
    std::string out;
    if (root) dumpView(out, root, 0);
    return out;
}

}  // namespace xhtml
