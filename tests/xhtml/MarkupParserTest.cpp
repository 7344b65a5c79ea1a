#include <gtest/gtest.h>

#include <string>

#include "xhtml/MarkupParser.h"

using namespace xhtml;

namespace {

// A compact picture of a tree: elements as name[attr=value]{children},
// texts in quotes.
std::string describe(const HtmlNode& node) {
    if (node.isText()) return "\"" + static_cast<const HtmlTextNode&>(node).text.toUtf8() + "\"";
    const auto& element = static_cast<const HtmlTagNode&>(node);
    std::string out = element.name.toUtf8();
    for (const auto& [name, value] : element.attributes) out += "[" + name.toUtf8() + "=" + value.toUtf8() + "]";
    if (!element.children.empty()) {
        out += "{";
        for (size_t i = 0; i < element.children.size(); ++i) {
            if (i) out += ",";
            out += describe(*element.children[i]);
        }
        out += "}";
    }
    return out;
}

std::string parse(const char16_t* text) { return describe(*parseDocument(ZString(text))); }

}  // namespace

TEST(MarkupParserTest, RootIsNamelessElementWithoutParent) {
    auto root = parseDocument(ZString(u"<p>x</p>"));
    EXPECT_EQ(root->type, HtmlNode::kElement);
    EXPECT_TRUE(root->name.isEmpty());
    EXPECT_EQ(root->parent, nullptr);
    ASSERT_EQ(root->children.size(), 1u);
    auto* p = static_cast<HtmlTagNode*>(root->children[0].get());
    EXPECT_EQ(p->parent, root.get());
    ASSERT_EQ(p->children.size(), 1u);
    EXPECT_EQ(p->children[0]->type, HtmlNode::kText);
    EXPECT_EQ(p->children[0]->parent, p);
    EXPECT_EQ(parse(u""), "");
    EXPECT_EQ(parseMarkup(nullptr, u"<p>", 0), 0);
}

// Markup and the tree it gives, with why where it is not plain HTML.
TEST(MarkupParserTest, TreesOfMarkup) {
    const struct {
        const char16_t* markup;
        const char* tree;
        const char* why;
    } rows[] = {
        {u"<B>x</b>y", "{b{\"x\"},\"y\"}", "end tags match in any case"},
        {u"<b>x</B>y", "{b{\"x\"},\"y\"}", ""},
        {u"<div><span>a</div>b", "{div{span{\"a\",\"b\"}}}", "an end tag of another element is dropped"},
        {u"</p>x", "{\"x\"}", "a stray end tag vanishes"},
        {u"<br>text", "{br{\"text\"}}", "only self-closing tags are empty"},
        {u"<br/>text", "{br,\"text\"}", ""},
        {u"<p><br>a</p>b", "{p{br{\"a\",\"b\"}}}", "br swallows the rest"},
        {u"<img src=a.png width=200/>x", "{img[src=a.png][width=200],\"x\"}", ""},
        {u"<hr / >x", "{hr{\"x\"}}", "a slash apart from its > closes nothing"},
        {u"<img src=a", "{img[src=a]}", "no > at all ends parsing"},
        {u"<input name=\"x\" value=\"  a  \" title=\" t \">", "{input[name=x][value=  a  ][title=t]}",
         "attributes keep their order; only values keep their spaces"},
        {u"<option value=\"\" selected>", "{option[value=][selected=]}", ""},
        {u"<a HREF='u' href=v ID = k>", "{a[href=u][href=v][id=k]}", "duplicates stay"},
        {u"<a title=\"1 > 2\">", "{a[title=1]{\" 2\">\"}}", "a > inside quotes ends the value and the tag"},
        {u"<a title=\"x/>y\">", "{a[title=x],\"y\">\"}", ""},
        {u"<div <span>x</span></div>", "{div[span=]{\"x\"}}", "a missing > makes the next tag an attribute"},
        {u"<textarea>a<b>c</b></TEXTAREA>x", "{textarea{\"a<b>c</b>\"},\"x\"}", "raw text takes markup literally"},
        {u"<style><!-- a{} --></style><p>", "{style{\"<!-- a{} -->\"},p}", ""},
        {u"<textarea></textarea>", "{textarea{\"\"}}", "an empty raw text still makes a node"},
        {u"<textarea>never closed <p>", "{textarea{\"never closed <p>\"}}", ""},
        {u"<textarea/>x", "{textarea,\"x\"}", ""},
        {u"<!-- a -->x", "{\"x\"}", "comments and declarations vanish"},
        {u"a<!-- never closed <p>", "{\"a\"}", ""},
        {u"<!DOCTYPE html><p>x</p>", "{p{\"x\"}}", ""},
        {u"<!x", "", "a declaration without > ends the text"},
        {u"a < b <3 c", "{\"a < b <3 c\"}", "stray angles are text"},
        {u"x<", "{\"x<\"}", ""},
        {u"<p> a &amp;\n b </p>", "{p{\" a &amp;\n b \"}}", "text keeps white space and entities"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(parse(row.markup), row.tree) << ZString(row.markup).toUtf8() << ": " << row.why;

    auto root = parseDocument(ZString(u"<td Colspan=2 colspan=3>"));
    auto* td = static_cast<HtmlTagNode*>(root->children[0].get());
    ASSERT_NE(td->findAttribute(u"COLSPAN"), nullptr);
    EXPECT_EQ(*td->findAttribute(u"colSpan"), u"2") << "the first match wins";
    EXPECT_EQ(td->findAttribute(u"rowspan"), nullptr);
    EXPECT_EQ(td->getAttribute(u"rowspan", ZString(u"1")), u"1");
}

TEST(MarkupParserTest, ReturnsPositionAfterOwnEndTag) {
    const std::u16string_view text = u"<p>a</p>rest";
    HtmlTagNode p(nullptr, ZString(u"p"));
    EXPECT_EQ(parseMarkup(&p, text, 3), 8);
    ASSERT_EQ(p.children.size(), 1u);
    HtmlTagNode style(nullptr, ZString(u"style"));
    EXPECT_EQ(parseMarkup(&style, u"a{}</style>b", 0), 11);
}
