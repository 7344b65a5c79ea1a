#pragma once

#include "xhtml/CompositeView.h"

namespace xhtml {

// A text node of the document: its children are the WordViews of its text
// (words and single blanks), made when the view is constructed.
class TextView : public InlineView {
public:
    TextView(ViewContext* context, const ZString& text);

    bool acceptsChildren() const override { return false; }
    const ZString& text() const { return text_; }

    // The words and blanks a text splits into: white space (chars::isSpace, the
    // same in every locale) separates words, U+00A0 counts as a word character; one blank stands for each run
    // of whitespace before, between and after the words.
    static std::vector<ZString> splitWords(const ZString& text);

private:
    ZString text_;
};

}  // namespace xhtml
