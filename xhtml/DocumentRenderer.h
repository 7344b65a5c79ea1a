#pragma once

#include <memory>
#include <string>

#include "base/ZString.h"
#include "platform/gfx/Dc.h"
#include "xhtml/HtmlView.h"
#include "xhtml/ViewContext.h"

namespace xhtml {

// The window document's texts in the current language: its language
// placeholders and the update link's label.
void applyWindowLanguage(ZString& text);
// A loader that also answers the window's banner address with the banner
// of the current language.
std::unique_ptr<UrlLoader> makeWindowUrlLoader(const ZString& base);

// Builds, lays out and paints one document off-screen, the way the window
// will show it: language placeholders applied, a chosen element in its
// hover or pressed state, and the form fields that will be native controls
// drawn as empty boxes of their laid-out size. No display is needed.
class DocumentRenderer {
public:
    struct Options {
        int width = -1;  // -1: the body's own preferred width, as the window's auto size
        int dpi = 96;
        ZString hoverId;
        ZString pressedId;
        bool applyLanguage = true;
    };

    explicit DocumentRenderer(Options options);
    ~DocumentRenderer();
    DocumentRenderer(const DocumentRenderer&) = delete;
    DocumentRenderer& operator=(const DocumentRenderer&) = delete;

    // A file name or a URL ("res:///ui.xhtml", "file:///…"). False with a
    // reason when nothing could be read.
    bool load(const std::string& fileOrUrl, std::string* error = nullptr);
    void loadMarkup(const ZString& markup, const ZString& baseUrl = u"res:///");

    // Lays the document out at the width of the options (or its preferred
    // width) and attaches every view; returns the page size.
    Size layout();
    // Paints the laid-out page into a new image of the page size.
    std::unique_ptr<platform::gfx::Dc> paint();

    HtmlView* document() const { return document_.get(); }
    ViewContext* context() const { return context_.get(); }

private:
    void applyMouseStates();

    Options options_;
    int previousDpi_;
    std::unique_ptr<ViewContext> context_;
    std::unique_ptr<HtmlView> document_;
    Size page_;
};

}  // namespace xhtml
