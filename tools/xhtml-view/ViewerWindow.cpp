#include "ViewerWindow.h"

#include <cstdio>

#include "xhtml/DocumentRenderer.h"
#include "xhtml/FormElement.h"
#include "xhtml/ViewContext.h"

namespace gui = platform::gui;

ViewerWindow::ViewerWindow(xhtml::ViewContext* context) : FrameView(context) {
    context->setListener(this);
}

void ViewerWindow::filterMarkup(ZString& text) { xhtml::applyWindowLanguage(text); }

void ViewerWindow::report(const char* what, xhtml::View* view) {
    ZString id = view ? view->getId() : ZString();
    if (id.isEmpty() && view)
        id = view->styleString(xhtml::StyleId::ElementName, u"-", xhtml::kStateNormal);
    std::printf("%s %s\n", what, id.toUtf8().c_str());
    std::fflush(stdout);
}

void ViewerWindow::printValues() {
    forEachInTree([](xhtml::View* view) {
        xhtml::FormElement* element = xhtml::FormElement::of(view);
        if (!element) return true;
        const ZString name = element->getNameText();
        if (name.isEmpty()) return true;
        ZString value;
        if (view->type() == xhtml::kCheckView || view->type() == xhtml::kRadioView)
            value = view->styleBool(xhtml::StyleId::Checked, false, xhtml::kStateNormal) ? u"true"
                                                                                         : u"false";
        else
            element->getValue(value);
        std::printf("value %s=%s\n", name.toUtf8().c_str(), value.toUtf8().c_str());
        return true;
    });
    std::fflush(stdout);
}

void ViewerWindow::finish() {
    if (finished_) return;
    finished_ = true;
    printValues();
    gui::Gui::quit(0);
}

intptr_t ViewerWindow::handleMessage(win::Message& message) {
    if (message.msg == win::Msg::Close) {
        finish();
        return 0;
    }
    if (message.msg == win::Msg::KeyDown && message.key == 'Q' &&
        (message.keyState & gui::kKeyControl)) {
        finish();
        return 1;
    }
    return FrameView::handleMessage(message);
}
