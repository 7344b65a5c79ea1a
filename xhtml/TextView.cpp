#include "xhtml/TextView.h"

#include "xhtml/CharClass.h"
#include "xhtml/Entities.h"
#include "xhtml/WordView.h"

namespace xhtml {
namespace {

// The markup reader's white space separates words, the same in every locale;
// U+00A0 binds the words around it.
bool separates(char16_t c) { return chars::isSpace(c); }

}  // namespace

TextView::TextView(ViewContext* context, const ZString& text) : InlineView(context, kTextView), text_(text) {
    for (ZString& word : splitWords(text_)) {
        // References are decoded per word, so "&#32;" never splits a word.
        decodeEntities(word);
        appendChild(new WordView(context, std::move(word)));
    }
}

std::vector<ZString> TextView::splitWords(const ZString& text) {
    std::vector<ZString> words;
    const std::u16string_view chars = text.view();
    size_t i = 0;
    bool blankPending = false;
    while (i < chars.size()) {
        if (separates(chars[i])) {
            blankPending = true;
            ++i;
            continue;
        }
        size_t end = i;
        while (end < chars.size() && !separates(chars[end])) ++end;
        if (blankPending) words.emplace_back(u" ");
        words.emplace_back(chars.substr(i, end - i));
        blankPending = false;
        i = end;
    }
    if (blankPending && !words.empty()) words.emplace_back(u" ");
    return words;
}

}  // namespace xhtml
