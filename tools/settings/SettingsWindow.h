#pragma once

#include <string>

#include "xhtml/EventListener.h"
#include "xhtml/FrameView.h"

// The settings program's window: its own document, drawn by the document
// engine, with the values of config.ini a user would change. OK writes
// them into config.ini (keeping its comments, other keys and groups) and
// closes; Cancel and the window's close button close without writing. A
// value that cannot be taken is marked in the form and nothing is written.
class SettingsWindow : public xhtml::FrameView, public xhtml::EventListener {
public:
    explicit SettingsWindow(xhtml::ViewContext* context);

    // Creates and shows the window with the current values.
    bool initialize();
    // True when the values were written; false (with the mark shown) when
    // one cannot be taken.
    bool save();

    void filterMarkup(ZString& text) override;
    intptr_t handleMessage(win::Message& message) override;
    void onLButtonUp(xhtml::View* view) override;

private:
    void loadValues();
    void setValue(const ZString& name, const ZString& value);
    ZString value(const ZString& name);
    void close();
    bool closed_ = false;
};
