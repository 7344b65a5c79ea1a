#include "xhtml/HtmlView.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <string_view>

#include "base/NumberParse.h"
#include "xhtml/CharClass.h"
#include "xhtml/ControlView.h"
#include "xhtml/ButtonView.h"
#include "xhtml/CheckView.h"
#include "xhtml/EditView.h"
#include "xhtml/FileChooseView.h"
#include "xhtml/FormElement.h"
#include "xhtml/SelectView.h"
#include "xhtml/TextAreaView.h"
#include "xhtml/FrameView.h"
#include "xhtml/MarkupParser.h"
#include "xhtml/StyleSheet.h"
#include "xhtml/StyleTables.h"
#include "xhtml/TextView.h"
#include "xhtml/ViewContext.h"
#include "xhtml/WordView.h"

namespace xhtml {
namespace {

using Names = std::initializer_list<std::u16string_view>;

constexpr std::array<std::u16string_view, 13> kBlockNames = {
    u"center", u"div", u"h1", u"h2", u"h3", u"h4", u"h5", u"h6", u"p", u"body", u"table", u"tr", u"td"};
constexpr std::array<std::u16string_view, 4> kReplacedNames = {u"img", u"input", u"select", u"textarea"};
constexpr std::array<std::u16string_view, 15> kInlineNames = {
    u"a",      u"b",   u"big", u"font", u"i", u"select", u"small", u"span",
    u"strike", u"strong", u"sup", u"sub", u"u", u"nowrap", u"nobr"};

template <size_t N>
bool isIn(const std::array<std::u16string_view, N>& names, const ZString& name) {
    return std::find(names.begin(), names.end(), name.view()) != names.end();
}

// The same white space that separates words, whatever the locale.
bool startsWithSpace(const ZString& text) { return chars::isSpace(text.getAt(0)); }
bool endsWithSpaceChar(const ZString& text) { return chars::isSpace(text.getAt(text.length() - 1)); }

int32_t readInt(const ZString& text) { return parseLong(text.view(), 0); }

// Attribute names compared exactly, as the input element reads them.
const ZString* exactAttribute(const HtmlTagNode* element, std::u16string_view name) {
    for (const auto& [key, value] : element->attributes) {
        if (key.view() == name) return &value;
    }
    return nullptr;
}

// width/height of hr, table, td, object: a number that may carry "%".
// Values that are empty or start with neither letter nor digit store nothing.
void storeDimension(View* view, int32_t id, const ZString* attribute) {
    if (!attribute) return;
    const ZString value = attribute->trimmed();
    if (value.isEmpty() || !std::iswalnum(static_cast<wint_t>(value.getAt(0)))) return;
    view->setStyle(id, StyleValue::makeInt(readInt(value), value.endsWith(u"%")));
}

void storeString(View* view, int32_t id, const ZString* attribute, int32_t state = kStateNormal) {
    if (attribute) view->setStyle(id, StyleValue::makeString(*attribute), state);
}

void storeInt(View* view, int32_t id, const ZString* attribute) {
    if (attribute) view->setStyle(id, StyleValue::makeInt(readInt(*attribute)));
}

void storeKeyword(View* view, int32_t id, const ZString* attribute, const KeywordTable& table) {
    if (attribute) view->setStyle(id, StyleValue::makeInt(lookupKeyword(table, attribute->view())));
}

void storeColor(View* view, int32_t id, const ZString* attribute) {
    if (attribute) view->setStyle(id, StyleValue::makeColor(parseColor(attribute->view())));
}

constexpr Color kBorderLight = 0x00C8C8C8;
constexpr Color kBorderDark = 0x00646464;

void storeBorderColors(View* view, Color leftTop, Color rightBottom) {
    view->setStyle(StyleId::BorderLeftColor, StyleValue::makeColor(leftTop));
    view->setStyle(StyleId::BorderTopColor, StyleValue::makeColor(leftTop));
    view->setStyle(StyleId::BorderRightColor, StyleValue::makeColor(rightBottom));
    view->setStyle(StyleId::BorderBottomColor, StyleValue::makeColor(rightBottom));
}

}  // namespace

HtmlView::HtmlView(ViewContext* context, int32_t type) : BlockView(context, type) {}

HtmlView::HtmlView(std::unique_ptr<ViewContext> owned) : BlockView(owned.get()), ownedContext_(std::move(owned)) {}

HtmlView::~HtmlView() {
    // Children may reach the context while they go; it must outlive them.
    removeAllChildren();
}

std::unique_ptr<HtmlView> HtmlView::createDocument() {
    return std::unique_ptr<HtmlView>(new HtmlView(std::make_unique<ViewContext>()));
}

void HtmlView::setMarkup(const ZString& text, const ZString& baseUrl) {
    removeAllChildren();
    root_.reset();
    baseUrl_ = baseUrl;
    ZString filtered = text;
    filterMarkup(filtered);
    root_ = parseDocument(filtered);
    pendingSpace_ = endsWithSpace_ = afterReplaced_ = false;
    depth_ = 0;
    buildChildren(this, root_.get());
    ViewEvent built{ViewEvent::kDocumentBuilt, false};
    handleEvent(built);
    relayoutNeeded();
}

bool HtmlView::loadUrl(const ZString& url) {
    if (!context_) return false;
    if (!context_->urlLoader()) context_->setUrlLoader(std::make_unique<UrlLoader>());
    std::string bytes;
    const uint32_t size = context_->urlLoader()->load(url, bytes);
    if (size == 0 || size == UrlLoader::kFailed) return false;
    setMarkup(UrlLoader::textFromBytes(bytes), url);
    return true;
}

void HtmlView::buildChildren(View* parentView, const HtmlTagNode* element) {
    if (!element || !parentView) return;
    for (const auto& child : element->children) {
        if (child->isText())
            buildText(parentView, static_cast<const HtmlTextNode*>(child.get())->text);
        else
            buildElement(parentView, static_cast<const HtmlTagNode*>(child.get()));
    }
}

void HtmlView::buildText(View* parentView, const ZString& raw) {
    bool trailingSpace = false;
    if (!raw.isEmpty()) {
        pendingSpace_ = startsWithSpace(raw);
        trailingSpace = endsWithSpaceChar(raw);
    }
    ZString text = raw.trimmed();
    if (text.isEmpty()) return;
    if (pendingSpace_ && !endsWithSpace_) text.replace(0, 0, u" ");
    if (trailingSpace) text.append(u' ');
    static_cast<CompositeView*>(parentView)->appendChild(new TextView(context_, text));
    endsWithSpace_ = pendingSpace_ = trailingSpace;
}

void HtmlView::buildElement(View* parentView, const HtmlTagNode* element) {
    auto* parent = static_cast<CompositeView*>(parentView);
    const ZString& name = element->name;
    const bool isBlock = isIn(kBlockNames, name);
    if (isBlock || name == u"br") {
        pendingSpace_ = endsWithSpace_ = afterReplaced_ = false;
    } else if (isIn(kReplacedNames, name)) {
        if (pendingSpace_ && !endsWithSpace_) parent->appendChild(new WordView(context_, u" "));
        endsWithSpace_ = pendingSpace_ = false;
        afterReplaced_ = true;
    } else if (isIn(kInlineNames, name) && afterReplaced_ && pendingSpace_ && !endsWithSpace_) {
        pendingSpace_ = endsWithSpace_ = true;
        parent->appendChild(new WordView(context_, u" "));
    }

    if (depth_ >= kMaxViewDepth) return buildAsText(parentView, element);
    std::unique_ptr<View> created = createView(parentView, element);
    View* view = created.get();
    if (view) {
        parent->appendChild(created.release());
        if (view->acceptsChildren()) {
            ++depth_;
            buildChildren(view, element);
            --depth_;
        }
    }
    if (isBlock) pendingSpace_ = endsWithSpace_ = afterReplaced_ = false;
    if (!view) return;

    storeAttributes(view, element);
    for (int32_t state = kStateNormal; state < kStateCount; ++state)
        applyStyles(*view, state, context_->styleRules());
}

void HtmlView::buildAsText(View* parentView, const HtmlTagNode* element) {
    // Document order without recursion: the subtree may be as deep as the text.
    std::vector<const HtmlNode*> pending{element};
    while (!pending.empty()) {
        const HtmlNode* node = pending.back();
        pending.pop_back();
        if (node->isText()) {
            buildText(parentView, static_cast<const HtmlTextNode*>(node)->text);
            continue;
        }
        const auto* tag = static_cast<const HtmlTagNode*>(node);
        if (tag->name == u"style") continue;
        for (auto child = tag->children.rbegin(); child != tag->children.rend(); ++child)
            pending.push_back(child->get());
    }
}

void HtmlView::storeAttributes(View* view, const HtmlTagNode* element) {
    view->setStyle(StyleId::ElementName, StyleValue::makeString(element->name));
    storeString(view, StyleId::Id, element->findAttribute(u"id"));
    storeString(view, StyleId::Title, element->findAttribute(u"title"));
    storeString(view, StyleId::ClassList, element->findAttribute(u"class"));
    storeString(view, StyleId::HideId, element->findAttribute(u"hideId"));
    storeString(view, StyleId::AltText, element->findAttribute(u"alt"));
    storeString(view, StyleId::LabelFor, element->findAttribute(u"for"));
    storeString(view, StyleId::InlineStyle, element->findAttribute(u"style"), kStateNormal);
    storeString(view, StyleId::InlineStyle, element->findAttribute(u"moStyle"), kStateHover);
    storeString(view, StyleId::InlineStyle, element->findAttribute(u"lbdStyle"), kStateLeftDown);
    storeString(view, StyleId::InlineStyle, element->findAttribute(u"rbdStyle"), kStateRightDown);
    if (const ZString* useFormValues = element->findAttribute(u"useFormValues"))
        view->setStyle(StyleId::UseFormValues, StyleValue::makeBool(useFormValues->toLower() == u"true"));
    if (const ZString* disabled = element->findAttribute(u"disabled"); disabled && disabled->equalsIgnoreCase(u"true"))
        view->setStyle(StyleId::Disabled, StyleValue::makeBool(true));
}

int32_t HtmlView::inheritedFontSize(const View* parentView) const {
    StyleValue size;
    if (parentView && parentView->findInheritedStyle(StyleId::FontSize, size, kStateCurrent)) return size.toInt();
    return 13;
}

std::unique_ptr<View> HtmlView::createView(View* parentView, const HtmlTagNode* element) {
    ViewContext* ctx = context_;
    const ZString& name = element->name;
    auto attr = [element](std::u16string_view attribute) { return element->findAttribute(attribute); };
    std::unique_ptr<View> view;

    if (name == u"b") {
        view = std::make_unique<InlineView>(ctx);
        view->setStyle(StyleId::FontWeight, StyleValue::makeInt(700));
    } else if (name == u"i") {
        view = std::make_unique<InlineView>(ctx);
        view->setStyle(StyleId::Italic, StyleValue::makeBool(true));
    } else if (name == u"br") {
        view = std::make_unique<BreakView>(ctx);
    } else if (name == u"nowrap" || name == u"nobr") {
        view = std::make_unique<InlineView>(ctx);
        view->setStyle(StyleId::NoWrap, StyleValue::makeBool(true));
    } else if (name == u"font") {
        view = std::make_unique<InlineView>(ctx);
        storeString(view.get(), StyleId::FontFamily, attr(u"face"));
        if (const ZString* size = attr(u"size")) {
            const bool relative = size->startsWith(u"+") || size->startsWith(u"-");
            // Summed wide: the stored size is limited, the attribute is not.
            const int64_t number = readInt(*size) + (relative ? int64_t{inheritedFontSize(parentView)} : 0);
            view->setStyle(StyleId::FontSize, StyleValue::makeInt(static_cast<int32_t>(std::clamp<int64_t>(
                                                  number, INT32_MIN, INT32_MAX))));
        }
        storeColor(view.get(), StyleId::Color, attr(u"color"));
    } else if (name == u"strike") {
        view = std::make_unique<InlineView>(ctx);
        view->setStyle(StyleId::LineThrough, StyleValue::makeBool(true));
    } else if (name == u"u") {
        view = std::make_unique<InlineView>(ctx);
        view->setStyle(StyleId::Underline, StyleValue::makeBool(true));
    } else if (name == u"small" || name == u"big") {
        view = std::make_unique<InlineView>(ctx);
        const int32_t delta = name == u"small" ? -2 : 2;
        view->setStyle(StyleId::FontSize, StyleValue::makeInt(inheritedFontSize(parentView) + delta));
    } else if (name == u"sub") {
        view = std::make_unique<InlineView>(ctx);
        view->setStyle(StyleId::Subscript, StyleValue::makeBool(true));
    } else if (name == u"sup") {
        view = std::make_unique<InlineView>(ctx);
        view->setStyle(StyleId::Superscript, StyleValue::makeBool(true));
    } else if (name == u"center") {
        view = std::make_unique<CenterView>(ctx);
        view->setStyle(StyleId::TextAlign, StyleValue::makeInt(2));
    } else if (name == u"span") {
        view = std::make_unique<InlineView>(ctx);
    } else if (name == u"hr") {
        view = std::make_unique<HRView>(ctx);
        view->setStyle(StyleId::Height, StyleValue::makeInt(2));
        view->setStyle(StyleId::BorderWidth, StyleValue::makeInt(1));
        view->setStyle(StyleId::BorderColor, StyleValue::makeColor(0x00808080));
        storeInt(view.get(), StyleId::Size, attr(u"size"));
        storeDimension(view.get(), StyleId::Width, attr(u"width"));
        storeKeyword(view.get(), StyleId::TextAlign, attr(u"align"), alignAttributeTable);
    } else if (name == u"p") {
        view = std::make_unique<ParagraphView>(ctx);
        storeKeyword(view.get(), StyleId::TextAlign, attr(u"align"), alignAttributeTable);
    } else if (name.length() == 2 && name.getAt(0) == u'h' && name.getAt(1) >= u'1' && name.getAt(1) <= u'6') {
        static constexpr int32_t kHeadingSizes[] = {25, 20, 16, 13, 10, 8};
        view = std::make_unique<ParagraphView>(ctx);
        view->setStyle(StyleId::FontSize, StyleValue::makeInt(kHeadingSizes[name.getAt(1) - u'1']));
        view->setStyle(StyleId::FontWeight, StyleValue::makeInt(700));
    } else if (name == u"img") {
        view = std::make_unique<ImageView>(ctx);
        storeString(view.get(), StyleId::ImageSource, attr(u"src"));
        storeInt(view.get(), StyleId::Width, attr(u"width"));
        storeInt(view.get(), StyleId::Height, attr(u"height"));
    } else if (name == u"body") {
        view = std::make_unique<BodyView>(ctx);
        view->setStyle(StyleId::Height, StyleValue::makeInt(100, true));
        view->setStyle(StyleId::Width, StyleValue::makeInt(100, true));
        storeColor(view.get(), StyleId::BackgroundColor, attr(u"bgcolor"));
    } else if (name == u"div") {
        view = std::make_unique<BlockView>(ctx);
        storeKeyword(view.get(), StyleId::TextAlign, attr(u"align"), alignAttributeTable);
    } else if (name == u"a") {
        view = std::make_unique<LinkView>(ctx);
        view->setStyle(StyleId::Cursor, StyleValue::makeInt(kCursorPointer));
        view->setStyle(StyleId::Color, StyleValue::makeColor(0x00800000));
        view->setStyle(StyleId::Underline, StyleValue::makeBool(true));
        storeString(view.get(), StyleId::LinkTarget, attr(u"href"));
    } else if (name == u"table") {
        view = std::make_unique<TableView>(ctx);
        storeDimension(view.get(), StyleId::Width, attr(u"width"));
        storeDimension(view.get(), StyleId::Height, attr(u"height"));
        if (const ZString* border = attr(u"border")) {
            const int32_t width = readInt(*border);
            view->setStyle(StyleId::TableBorder, StyleValue::makeInt(width));
            view->setStyle(StyleId::BorderWidth, StyleValue::makeInt(width));
            storeBorderColors(view.get(), kBorderLight, kBorderDark);
        }
        storeInt(view.get(), StyleId::CellSpacing, attr(u"cellspacing"));
        storeInt(view.get(), StyleId::CellPadding, attr(u"cellpadding"));
        storeKeyword(view.get(), StyleId::TableAlign, attr(u"align"), alignAttributeTable);
    } else if (name == u"tr") {
        view = std::make_unique<RowView>(ctx);
    } else if (name == u"td") {
        view = std::make_unique<CellView>(ctx);
        const CompositeView* row = parentView ? parentView->parent() : nullptr;
        if (parentView && parentView->type() == kRowView && row && row->type() == kTableView) {
            StyleValue value;
            if (row->findStyle(StyleId::TableBorder, value, kStateCurrent) && value.toInt() >= 1) {
                view->setStyle(StyleId::BorderWidth, StyleValue::makeInt(1));
                storeBorderColors(view.get(), kBorderDark, kBorderLight);
            }
            if (row->findStyle(StyleId::CellPadding, value, kStateCurrent))
                view->setStyle(StyleId::Padding, value);
        }
        storeInt(view.get(), StyleId::ColumnSpan, attr(u"colspan"));
        storeInt(view.get(), StyleId::RowSpan, attr(u"rowspan"));
        storeDimension(view.get(), StyleId::Width, attr(u"width"));
        storeDimension(view.get(), StyleId::Height, attr(u"height"));
        storeKeyword(view.get(), StyleId::VerticalAlignContent, attr(u"valign"), valignAttributeTable);
        storeKeyword(view.get(), StyleId::TextAlign, attr(u"align"), alignAttributeTable);
    } else if (name == u"input") {
        view = createInput(element);
    } else if (name == u"textarea") {
        view = std::make_unique<TextAreaView>(ctx);
        if (element->children.size() == 1 && element->children[0]->isText())
            view->setStyle(StyleId::FormValue,
                           StyleValue::makeString(static_cast<const HtmlTextNode*>(element->children[0].get())->text));
        storeInt(view.get(), StyleId::Rows, attr(u"rows"));
        storeInt(view.get(), StyleId::Columns, attr(u"cols"));
        if (attr(u"readonly")) view->setStyle(StyleId::ReadOnly, StyleValue::makeBool(true));
        storeString(view.get(), StyleId::FormName, attr(u"name"));
    } else if (name == u"select") {
        view = createSelect(element);
    } else if (name == u"object") {
        view = std::make_unique<ObjectView>(ctx);
        storeDimension(view.get(), StyleId::Width, attr(u"width"));
        storeDimension(view.get(), StyleId::Height, attr(u"height"));
    } else if (name == u"style") {
        if (!element->children.empty() && element->children[0]->isText())
            parseStyleSheet(ctx->styleRules(), static_cast<const HtmlTextNode*>(element->children[0].get())->text.view());
    } else {
        view = std::make_unique<CompositeView>(ctx);
    }
    return view;
}

std::unique_ptr<View> HtmlView::createInput(const HtmlTagNode* element) {
    const ZString* nameAttr = exactAttribute(element, u"name");
    const ZString* typeAttr = exactAttribute(element, u"type");
    const ZString* valueAttr = exactAttribute(element, u"value");
    const bool checked = exactAttribute(element, u"checked") != nullptr;
    const bool readOnly = exactAttribute(element, u"readonly") != nullptr;
    const ZString* filter = exactAttribute(element, u"filter");
    const ZString* label = exactAttribute(element, u"label");
    const ZString* sizeAttr = exactAttribute(element, u"size");
    const int32_t size = sizeAttr ? readInt(*sizeAttr) : 0;
    ZString type = typeAttr ? *typeAttr : ZString();

    std::unique_ptr<View> view;
    if (type == u"button") {
        view = std::make_unique<ButtonView>(context_);
    } else if (type == u"checkbox" || type == u"radio") {
        if (type == u"checkbox")
            view = std::make_unique<CheckView>(context_);
        else
            view = std::make_unique<RadioView>(context_);
        view->setStyle(StyleId::Checked, StyleValue::makeBool(checked));
    } else if (type == u"hidden") {
        view = std::make_unique<HiddenInputView>(context_);
    } else if (type == u"file") {
        view = std::make_unique<FileChooseView>(context_);
        if (size > 0) view->setStyle(StyleId::Size, StyleValue::makeInt(size));
        view->setStyle(StyleId::FileFilter, StyleValue::makeString(filter ? *filter : ZString()));
        if (label) view->setStyle(StyleId::FileButtonLabel, StyleValue::makeString(*label));
    } else {
        view = std::make_unique<EditView>(context_);
        view->setStyle(StyleId::ReadOnly, StyleValue::makeBool(readOnly));
        if (size > 0) view->setStyle(StyleId::Size, StyleValue::makeInt(size));
        if (type.trimmed().toLower() == u"password") view->setStyle(StyleId::Password, StyleValue::makeBool(true));
        type = u"text";
    }
    if (nameAttr && !nameAttr->isEmpty()) view->setStyle(StyleId::FormName, StyleValue::makeString(*nameAttr));
    view->setStyle(StyleId::InputType, StyleValue::makeString(type));
    view->setStyle(StyleId::FormValue, StyleValue::makeString(valueAttr ? *valueAttr : ZString()));
    return view;
}

std::unique_ptr<View> HtmlView::createSelect(const HtmlTagNode* element) {
    auto select = std::make_unique<SelectView>(context_);
    storeString(select.get(), StyleId::FormName, element->findAttribute(u"name"));
    storeInt(select.get(), StyleId::Size, element->findAttribute(u"size"));
    if (element->findAttribute(u"multiple")) select->setStyle(StyleId::Multiple, StyleValue::makeBool(true));
    if (element->findAttribute(u"sort")) select->setStyle(StyleId::Sorted, StyleValue::makeBool(true));
    if (element->findAttribute(u"combo")) select->setStyle(StyleId::ComboBox, StyleValue::makeBool(true));
    for (const auto& child : element->children) {
        if (!child->isElement()) continue;
        const auto* option = static_cast<const HtmlTagNode*>(child.get());
        if (option->name != u"option") continue;
        const ZString value = option->getAttribute(u"value");
        ZString label;
        if (!option->children.empty() && option->children[0]->isText())
            label = static_cast<const HtmlTextNode*>(option->children[0].get())->text;
        select->addOption(label, value);
        if (option->hasAttribute(u"selected")) select->selectValue(value);
    }
    return select;
}

}  // namespace xhtml
