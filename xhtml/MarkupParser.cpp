#include "xhtml/MarkupParser.h"

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "xhtml/CharClass.h"

namespace xhtml {

namespace {

using Text = std::u16string_view;

using chars::isLetter;
using chars::isSpace;
using chars::lowerAscii;
using chars::startsWithIgnoreCase;

// The blanks that ZString::trim removes.
bool isTrimSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

bool at(Text t, size_t p, char16_t c) { return p < t.size() && t[p] == c; }
bool atSelfClose(Text t, size_t p) { return at(t, p, u'/') && at(t, p + 1, u'>'); }
bool atStartTag(Text t, size_t p) { return at(t, p, u'<') && p + 1 < t.size() && isLetter(t[p + 1]); }

// Position just after the next ">" at or after p, or the end.
size_t afterNextGreater(Text t, size_t p) {
    size_t found = t.find(u'>', p);
    return found == Text::npos ? t.size() : found + 1;
}

bool isRawTextElement(const ZString& name) {
    // Two lists, handled alike.
    static const char16_t* const listOne[] = {u"textarea"};
    static const char16_t* const listTwo[] = {u"style"};
    for (const char16_t* n : listOne) {
        if (name == n) return true;
    }
    for (const char16_t* n : listTwo) {
        if (name == n) return true;
    }
    return false;
}

// Everything up to "</name" becomes one text child; returns the position
// after the end tag's ">".
size_t readRawText(HtmlTagNode* element, Text t, size_t p) {
    std::u16string closing = u"</";
    closing.append(element->name.view());
    size_t start = p;
    while (p < t.size() && !(t[p] == u'<' && startsWithIgnoreCase(t, p, closing))) ++p;
    const Text content = t.substr(start, p - start);
    p = afterNextGreater(t, p);
    element->children.push_back(std::make_unique<HtmlTextNode>(element, content));
    return p;
}

// Lower-cases into a buffer reused across calls; strings are built once, in
// place, because every string object costs allocations.
Text lowered(Text name, std::u16string& buffer) {
    buffer.assign(name);
    for (char16_t& c : buffer) c = lowerAscii(c);
    return buffer;
}

Text trimmedView(Text t) {
    while (!t.empty() && isTrimSpace(t.front())) t.remove_prefix(1);
    while (!t.empty() && isTrimSpace(t.back())) t.remove_suffix(1);
    return t;
}

}  // namespace

int parseAttributes(std::u16string_view text, int position, HtmlTagNode* element) {
    const Text t = text;
    size_t p = position < 0 ? 0 : static_cast<size_t>(position);
    std::u16string nameBuffer;
    while (true) {
        while (p < t.size() && !isLetter(t[p]) && t[p] != u'>' && !atSelfClose(t, p)) ++p;
        if (p >= t.size() || t[p] == u'>' || atSelfClose(t, p)) return static_cast<int>(p);

        size_t nameStart = p;
        while (p < t.size() && t[p] != u'=' && !isSpace(t[p]) && t[p] != u'>' && !atSelfClose(t, p)) ++p;
        const Text name = lowered(trimmedView(t.substr(nameStart, p - nameStart)), nameBuffer);

        while (p < t.size() && isSpace(t[p])) ++p;
        Text value;
        if (at(t, p, u'=')) {
            ++p;
            while (p < t.size() && isSpace(t[p])) ++p;
            char16_t delimiter = 0;
            if (at(t, p, u'"') || at(t, p, u'\'')) delimiter = t[p++];
            size_t valueStart = p;
            while (p < t.size()) {
                char16_t c = t[p];
                if (c == u'>' || atSelfClose(t, p) || atStartTag(t, p)) break;
                if (delimiter ? c == delimiter : isSpace(c)) break;
                ++p;
            }
            value = t.substr(valueStart, p - valueStart);
        }
        if (name != u"value") value = trimmedView(value);
        if (element) {
            // Growing the list would move (and so reallocate) every string.
            if (element->attributes.empty()) element->attributes.reserve(8);
            element->attributes.emplace_back(std::piecewise_construct, std::forward_as_tuple(name),
                                             std::forward_as_tuple(value));
        }
    }
}

int parseMarkup(HtmlTagNode* element, std::u16string_view text, int position) {
    const Text t = text;
    if (!element || t.empty()) return position;
    size_t p = position < 0 ? 0 : static_cast<size_t>(position);
    if (isRawTextElement(element->name)) return static_cast<int>(readRawText(element, t, p));

    // Open elements, innermost last: an explicit stack instead of one call per
    // nesting level keeps deep documents off the machine stack.
    std::vector<HtmlTagNode*> open{element};
    std::u16string nameBuffer;
    while (p < t.size()) {
        HtmlTagNode* current = open.back();
        if (startsWithIgnoreCase(t, p, u"<!--")) {
            size_t close = t.find(u"-->", p + 4);
            // An unclosed comment swallows the rest of the text.
            p = close == Text::npos ? t.size() : close + 3;
            continue;
        }
        if (atStartTag(t, p)) {
            size_t nameStart = p + 1;
            size_t q = nameStart;
            while (q < t.size() && !isSpace(t[q]) && t[q] != u'>' && !atSelfClose(t, q)) ++q;
            auto child = std::make_unique<HtmlTagNode>(current, lowered(t.substr(nameStart, q - nameStart), nameBuffer));
            HtmlTagNode* node = child.get();
            q = static_cast<size_t>(parseAttributes(t, static_cast<int>(q), node));
            current->children.push_back(std::move(child));
            bool hasContent = false;
            if (at(t, q, u'>')) {
                p = q + 1;
                hasContent = true;
            } else if (atStartTag(t, q)) {
                p = q;
                hasContent = true;
            } else {
                p = afterNextGreater(t, q);
            }
            if (hasContent) {
                if (isRawTextElement(node->name)) {
                    p = readRawText(node, t, p);
                } else {
                    open.push_back(node);
                }
            }
            continue;
        }
        if (at(t, p, u'<') && at(t, p + 1, u'/')) {
            size_t nameStart = p + 2;
            size_t q = nameStart;
            while (q < t.size() && !isSpace(t[q]) && t[q] != u'>') ++q;
            const Text closing = lowered(t.substr(nameStart, q - nameStart), nameBuffer);
            p = afterNextGreater(t, q);
            if (closing == current->name.view()) {
                open.pop_back();
                if (open.empty()) return static_cast<int>(p);
            }
            continue;
        }
        if (at(t, p, u'<') && at(t, p + 1, u'!')) {
            // A declaration that is not a comment (say a document type) is
            // skipped up to its ">".
            p = afterNextGreater(t, p + 2);
            continue;
        }
        size_t textStart = p;
        ++p;
        while (p < t.size()) {
            if (t[p] == u'<' && p + 1 < t.size() && (t[p + 1] == u'/' || t[p + 1] == u'!' || isLetter(t[p + 1]))) break;
            ++p;
        }
        current->children.push_back(std::make_unique<HtmlTextNode>(current, t.substr(textStart, p - textStart)));
    }
    return static_cast<int>(p);
}

std::unique_ptr<HtmlTagNode> parseDocument(std::u16string_view text) {
    auto root = std::make_unique<HtmlTagNode>();
    parseMarkup(root.get(), text, 0);
    return root;
}

}  // namespace xhtml
