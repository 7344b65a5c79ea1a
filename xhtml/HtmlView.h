#pragma once

#include <memory>

#include "xhtml/BoxView.h"
#include "xhtml/HtmlTagNode.h"

namespace xhtml {

// The root of a document: parses markup and builds the view tree from it.
// White space between text and elements becomes explicit blanks (TextView
// texts with a leading or trailing blank, or blank WordViews in front of
// images and form controls); the three flags below carry that decision
// across the recursive calls of one build.
class HtmlView : public BlockView {
public:
    // A document on a shared context (not owned).
    explicit HtmlView(ViewContext* context, int32_t type = kBlockView);
    ~HtmlView() override;

    // A document that owns a fresh context, e.g. for tools and tests.
    static std::unique_ptr<HtmlView> createDocument();

    // Removes the children, filters and parses the text, builds the views and
    // sends the document-built event (type 0).
    virtual void setMarkup(const ZString& text, const ZString& baseUrl = ZString());
    // Hook for placeholders, called with the whole text before parsing.
    virtual void filterMarkup(ZString& text) { (void)text; }
    // Loads the text through the context's loader (one with base "res:///" is
    // made when the context has none) and sets it; false when nothing loaded.
    virtual bool loadUrl(const ZString& url);
    virtual void buildChildren(View* parentView, const HtmlTagNode* element);
    // A new, unattached view for one element; null for "style".
    virtual std::unique_ptr<View> createView(View* parentView, const HtmlTagNode* element);

    // Elements nested deeper than this below the document make no views:
    // their text is kept, as plain text of the deepest view. Layout,
    // painting and teardown go one call deeper per level, and a bounded
    // tree keeps a hostile document from exhausting the stack.
    static constexpr int kMaxViewDepth = 256;

    const HtmlTagNode* root() const { return root_.get(); }
    const ZString& baseUrl() const { return baseUrl_; }

private:
    void buildText(View* parentView, const ZString& raw);
    void buildElement(View* parentView, const HtmlTagNode* element);
    void buildAsText(View* parentView, const HtmlTagNode* element);
    void storeAttributes(View* view, const HtmlTagNode* element);
    int32_t inheritedFontSize(const View* parentView) const;
    std::unique_ptr<View> createInput(const HtmlTagNode* element);
    std::unique_ptr<View> createSelect(const HtmlTagNode* element);

    std::unique_ptr<ViewContext> ownedContext_;
    std::unique_ptr<HtmlTagNode> root_;
    ZString baseUrl_;
    bool pendingSpace_ = false;
    bool endsWithSpace_ = false;
    bool afterReplaced_ = false;
    int depth_ = 0;

    explicit HtmlView(std::unique_ptr<ViewContext> owned);
};

}  // namespace xhtml
