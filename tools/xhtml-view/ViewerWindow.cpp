#include "ViewerWindow.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/gui/Controls.h"
#include "platform/gui/Window.h"
#include "win/InputBox.h"
#include "xhtml/CheckView.h"
#include "xhtml/DocumentRenderer.h"
#include "xhtml/FormElement.h"
#include "xhtml/Layouter.h"
#include "xhtml/SelectView.h"
#include "xhtml/ViewContext.h"

namespace gui = platform::gui;

namespace {

int64_t nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ZString nameOf(xhtml::View* view) {
    ZString id = view ? view->getId() : ZString();
    if (id.isEmpty() && view)
        id = view->styleString(xhtml::StyleId::ElementName, u"-", xhtml::kStateNormal);
    return id;
}

// A rectangle of a frame's document in the top-level window's client area.
xhtml::Rect inTopLevel(xhtml::View* view, const xhtml::Rect& r) {
    xhtml::Rect placed = r;
    for (xhtml::FrameView* frame = view->getFrame(false); frame;
         frame = frame->parent() ? frame->parent()->getFrame(false) : nullptr) {
        placed = frame->toClient(placed);
        if (frame->type() == xhtml::kIFrameView && frame->windowHandle()) {
            const xhtml::Rect window = frame->getWindow().getRectInParent();
            placed = placed.offset(window.left, window.top);
        }
    }
    return placed;
}

}  // namespace

ViewerWindow::ViewerWindow(xhtml::ViewContext* context, bool timing)
    : FrameView(context), timing_(timing) {
    context->setListener(this);
}

void ViewerWindow::filterMarkup(ZString& text) { xhtml::applyWindowLanguage(text); }

void ViewerWindow::report(const char* what, xhtml::View* view) {
    std::printf("%s %s\n", what, nameOf(view).toUtf8().c_str());
    std::fflush(stdout);
}

void ViewerWindow::onLButtonDown(xhtml::View* view) {
    report("left-button-down", view);
    if (tooltipView()) report("tooltip-at-press", tooltipView());
}

void ViewerWindow::onClicked(xhtml::View* view) {
    report("clicked", view);
    if (view && view->getId().startsWith(u"input-box")) askInputBox(view);
}

void ViewerWindow::askInputBox(xhtml::View* view) {
    win::InputBox box(windowHandle());
    box.setPassword(view->getId().find(u"password") >= 0);
    const ZString title = view->styleString(xhtml::StyleId::Title, ZString(), xhtml::kStateNormal);
    const bool confirmed = box.show(view->getId(), title);
    std::printf("input-box %s %s\n", confirmed ? "true" : "false",
                box.resultText().toUtf8().c_str());
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
            value = static_cast<xhtml::CheckView*>(view)->getCheckedText();
        else
            element->getValue(value);
        std::printf("value %s=%s\n", name.toUtf8().c_str(), value.toUtf8().c_str());
        return true;
    });
    std::fflush(stdout);
}

void ViewerWindow::printGeometry() {
    int updates = 0;
    xhtml::View* tip = nullptr;
    xhtml::Rect tipRect;
    forEachInTree([&](xhtml::View* view) {
        if (view->type() != xhtml::kFrameView && view->type() != xhtml::kIFrameView) return true;
        auto* frame = static_cast<xhtml::FrameView*>(view);
        updates += frame->updateCount();
        if (frame->tooltipView()) {
            tip = frame->tooltipView();
            tipRect = frame->tooltipScreenRect();
        }
        const xhtml::Rect client =
            frame->windowHandle() ? frame->getWindow().getClientRect() : xhtml::Rect{};
        std::printf("frame %s client %d %d scroll %d %d document %d %d hbar %d vbar %d\n",
                    nameOf(frame).toUtf8().c_str(), client.width(), client.height(),
                    frame->getScrollOffset().x, frame->getScrollOffset().y,
                    frame->getDocumentSize().width, frame->getDocumentSize().height,
                    frame->getWindow().isScrollBarShown(win::Bar::Horizontal) ? 1 : 0,
                    frame->getWindow().isScrollBarShown(win::Bar::Vertical) ? 1 : 0);
        return true;
    });
    forEachInTree([&](xhtml::View* view) {
        const ZString id = view->getId();
        if (id.isEmpty() || !view->isVisibleInTree()) return true;
        xhtml::Rect r = view->getRect();
        if (view->styleEntry(xhtml::StyleId::BoxMarker, xhtml::kStateNormal)) {
            r = static_cast<xhtml::BoxView*>(view)->getBorderBox();
        } else if (r.isEmpty()) {
            // An inline element is where its words are.
            view->forEachInTree([&](xhtml::View* part) {
                const xhtml::Rect p = part->getRect();
                if (part->type() == xhtml::kWordView && !p.isEmpty())
                    r = r.isEmpty()
                            ? p
                            : xhtml::Rect{std::min(r.left, p.left), std::min(r.top, p.top),
                                          std::max(r.right, p.right), std::max(r.bottom, p.bottom)};
                return true;
            });
        }
        // A frame's own box lies in the document around it.
        xhtml::View* placeIn =
            view->type() == xhtml::kIFrameView && view->parent() ? view->parent() : view;
        const xhtml::Rect placed = inTopLevel(placeIn, r);
        std::printf("box %s %d %d %d %d\n", id.toUtf8().c_str(), placed.left, placed.top,
                    placed.width(), placed.height());
        return true;
    });
    // Drop-downs: the width their native window has and what GTK needs to
    // show the chosen item in full.
    forEachInTree([&](xhtml::View* view) {
        if (view->type() != xhtml::kSelectView) return true;
        const platform::WindowHandle control = static_cast<xhtml::SelectView*>(view)->window();
        const int needed = control ? gui::Controls::neededWidth(control) : 0;
        if (needed > 0)
            std::printf("fit %s %d %d\n", nameOf(view).toUtf8().c_str(),
                        gui::Window::clientRect(control).width(), needed);
        return true;
    });
    std::printf("tooltip %s %d %d %d %d\n", tip ? nameOf(tip).toUtf8().c_str() : "-",
                tipRect.left, tipRect.top, tipRect.width(), tipRect.height());
    std::printf("layouts %d boxes %d\n", updates, xhtml::layoutCounters().boxesLaidOut);
    std::printf("end\n");
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
    const bool control = (message.keyState & gui::kKeyControl) != 0;
    if (message.msg == win::Msg::KeyDown && message.key == 'Q' && control) {
        finish();
        return 1;
    }
    if (message.msg == win::Msg::KeyDown && message.key == 'D' && control) {
        printGeometry();
        return 1;
    }
    if (message.msg != win::Msg::Timer) shownTip_ = tooltipView();
    if (message.msg == win::Msg::Timer) {
        const intptr_t result = FrameView::handleMessage(message);
        if (tooltipView() != shownTip_ && tooltipView()) {
            const xhtml::Rect tip = tooltipScreenRect();
            const xhtml::Point pointer = tooltipPointer();
            std::printf("tooltip-shown %s %d %d %d %d pointer %d %d\n",
                        nameOf(tooltipView()).toUtf8().c_str(), tip.left, tip.top, tip.width(),
                        tip.height(), pointer.x, pointer.y);
            std::fflush(stdout);
        }
        shownTip_ = tooltipView();
        return result;
    }
    if (!timing_) return FrameView::handleMessage(message);
    // Timing: the first paint, and from a pointer move to the end of the
    // repaint it caused (wall time, and the time spent in our handlers).
    const int64_t start = nowUs();
    if (message.msg == win::Msg::MouseMove) {
        moveStartUs_ = start;
        workUs_ = 0;
    }
    const intptr_t result = FrameView::handleMessage(message);
    const int64_t end = nowUs();
    if (moveStartUs_ >= 0) workUs_ += end - start;
    if (message.msg == win::Msg::Paint) {
        // The first paint that shows the document, not the empty window
        // painted before the first layout.
        if (!painted_ && updateCount() > 0) {
            painted_ = true;
            std::printf("first-paint\n");
        } else if (moveStartUs_ >= 0) {
            std::printf("repaint-us %lld %lld\n", static_cast<long long>(end - moveStartUs_),
                        static_cast<long long>(workUs_));
            moveStartUs_ = -1;
        }
        std::fflush(stdout);
    }
    return result;
}
