#pragma once

#include <cstdint>
#include <string>

#include "xhtml/EventListener.h"
#include "xhtml/FrameView.h"

// The developer viewer's window: a frame view that shows one document, in
// the current language, and reports what the document tells its listener,
// one line per notification on standard output.
//
// Developer keys: Ctrl+Q closes (printing the form values), Ctrl+D prints
// the geometry of the frames and of every element with an id (top-level
// client coordinates), the layout counters, the tooltip showing and, for
// each drop-down, its width beside the width it needs. A tooltip that
// appears is printed with its place and the pointer's (screen coordinates);
// a press that finds a tooltip still showing is printed too.
// Clicking an element whose id begins with "input-box" opens an input box
// (masked when the id holds "password") and prints its answer.
class ViewerWindow : public xhtml::FrameView, public xhtml::EventListener {
public:
    explicit ViewerWindow(xhtml::ViewContext* context, bool timing = false);

    void filterMarkup(ZString& text) override;
    intptr_t handleMessage(win::Message& message) override;

    void onLButtonDown(xhtml::View* view) override;
    void onLButtonUp(xhtml::View* view) override { report("left-button-up", view); }
    void onRButtonDown(xhtml::View* view) override { report("right-button-down", view); }
    void onRButtonUp(xhtml::View* view) override { report("right-button-up", view); }
    void onLinkClicked(xhtml::View* view) override { report("link-clicked", view); }
    void onButtonClicked(xhtml::View* view) override { report("button-clicked", view); }
    void onClicked(xhtml::View* view) override;
    void onFormNotify(xhtml::View* view) override { report("control-notify", view); }
    void onSelectionChanged(xhtml::View* view) override { report("selection-changed", view); }
    void onFormNotify2(xhtml::View* view) override { report("control-notify", view); }

    // Prints a "value NAME=VALUE" line for every named form element, in
    // document order.
    void printValues();

    static void report(const char* what, xhtml::View* view);
    void printGeometry();

private:
    void finish();
    void askInputBox(xhtml::View* view);
    bool finished_ = false;
    bool timing_ = false;
    bool painted_ = false;
    xhtml::View* shownTip_ = nullptr;
    int64_t moveStartUs_ = -1;
    int64_t workUs_ = 0;
};
