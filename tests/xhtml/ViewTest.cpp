#include <glib.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Font.h"
#include "xhtml/BoxView.h"
#include "xhtml/EventListener.h"
#include "xhtml/TextView.h"
#include "xhtml/ViewContext.h"
#include "xhtml/WordView.h"
#include "tests/support/TestSupport.h"

using namespace xhtml;

namespace {

std::vector<std::u16string> words(const ZString& text) {
    std::vector<std::u16string> out;
    for (const ZString& word : TextView::splitWords(text)) out.emplace_back(word.view());
    return out;
}

// A box that counts its own re-layout requests.
class CountingBox : public BoxView {
public:
    explicit CountingBox(ViewContext* context) : BoxView(context) {}
    void relayoutNeeded() override { ++relayouts; }
    int relayouts = 0;
};

// Records the notifications in the order they arrive.
class Recorder : public EventListener {
public:
    void onLButtonDown(View* v) override { add("down", v); }
    void onLButtonUp(View* v) override { add("up", v); }
    void onLinkClicked(View* v) override { add("link", v); }
    void onButtonClicked(View* v) override { add("button", v); }
    void onClicked(View* v) override { add("clicked", v); }
    // Views without an id (the test's root) are left out.
    void add(const char* what, View* v) {
        if (!v->getId().isEmpty()) log.push_back(what + (" " + v->getId().toUtf8()));
    }
    std::vector<std::string> log;
};

struct DpiScope {
    explicit DpiScope(int dpi) : saved(View::screenDpi()) { View::setScreenDpi(dpi); }
    ~DpiScope() { View::setScreenDpi(saved); }
    int saved;
};

// A root box of 200 x 100 with its context; the recorder hears its events.
class ViewTree : public ::testing::Test {
protected:
    ViewTree() {
        context.setListener(&recorder);
        root.setRect({0, 0, 200, 100});
    }
    ViewContext context;
    Recorder recorder;
    BoxView root{&context};
};
using StyleLookup = ViewTree;
using BoxModel = ViewTree;
using MouseStates = ViewTree;
using TreeOperations = ViewTree;

MouseEvent at(int x, int y, uint32_t buttons = 0) { return MouseEvent{{x, y}, buttons}; }

void send(View& root, std::initializer_list<MouseEvent> events) {
    for (MouseEvent e : events) root.handleMouse(e);
}

// A child box of `parent` at `rect`, with an id when given.
template <class Box = BoxView>
Box* addBox(CompositeView& parent, Rect rect, const char16_t* id = nullptr) {
    auto* box = new Box(parent.context());
    if (id) box->setStyle(StyleId::Id, StyleValue::makeString(id));
    box->setRect(rect);
    parent.appendChild(box);
    return box;
}

}  // namespace

// How a document's text becomes words shows in whitespace.dump; a text of
// blanks alone (set by the program, never by a document) gives no word.
TEST(TextSplitting, BlanksStandForWhitespaceRunsAroundAndBetweenWords) {
    EXPECT_EQ(words(u"  a b "), (std::vector<std::u16string>{u" ", u"a", u" ", u"b", u" "}));
    EXPECT_EQ(words(u"a\t\n b"), (std::vector<std::u16string>{u"a", u" ", u"b"}));
    EXPECT_TRUE(words(u"   ").empty());
    EXPECT_TRUE(words(u"").empty());
    EXPECT_EQ(words(u"a\u00A0b"), (std::vector<std::u16string>{u"a\u00A0b"}));
}

TEST_F(StyleLookup, StateFallsBackToNormalThenAncestors) {
    auto* child = new View(&context);
    root.appendChild(child);
    root.setStyle(StyleId::FontSize, StyleValue::makeInt(20));
    child->setStyle(StyleId::Color, StyleValue::makeColor(1));
    child->setStyle(StyleId::Color, StyleValue::makeColor(2), kStateHover);

    EXPECT_EQ(child->lookupStyle(StyleId::Color, kStateNormal)->asColor(), 1u);
    EXPECT_EQ(child->lookupStyle(StyleId::Color, kStateHover)->asColor(), 2u);
    EXPECT_EQ(child->lookupStyle(StyleId::Color, kStateLeftDown)->asColor(), 1u);
    EXPECT_EQ(child->lookupStyle(StyleId::FontSize), nullptr);
    EXPECT_EQ(child->inheritedInt(StyleId::FontSize, 13), 20);
    EXPECT_TRUE(child->hasInheritedStyle(StyleId::FontSize));
    // The current state follows the mouse flags.
    child->setStateFlags(kHovered);
    EXPECT_EQ(child->styleColor(StyleId::Color), 2u);
    child->setStateFlags(kHovered | kLeftPressed);
    EXPECT_EQ(child->getStyleState(), kStateLeftDown);
    EXPECT_EQ(child->styleColor(StyleId::Color), 1u);
    // Storing an unset value erases.
    child->setStyle(StyleId::Color, StyleValue(), kStateNormal);
    EXPECT_FALSE(child->hasStyle(StyleId::Color, kStateNormal));
}

TEST_F(StyleLookup, EqualValueDoesNotAskForLayout) {
    CountingBox box(&context);
    CountingBox* child = &box;
    child->setStyleAndNotify(StyleId::Width, StyleValue::makeInt(5));
    EXPECT_EQ(box.relayouts, 1);
    child->setStyleAndNotify(StyleId::Width, StyleValue::makeInt(5));
    child->setStyleAndNotify(StyleId::Height, StyleValue());
    EXPECT_EQ(box.relayouts, 1);
    child->setStyleAndNotify(StyleId::Width, StyleValue::makeInt(5, true));
    EXPECT_EQ(box.relayouts, 2);
}

TEST_F(StyleLookup, VisibilityAndDisplay) {
    auto* child = new View(&context);
    root.appendChild(child);
    EXPECT_TRUE(child->isVisible());
    child->setVisible(false, true);
    EXPECT_FALSE(child->isVisible());
    EXPECT_FALSE(child->isDisplayNone());
    child->setVisible(true, false);
    EXPECT_TRUE(child->isVisible());
    root.setHidden(true);
    EXPECT_TRUE(root.isDisplayNone());
    EXPECT_TRUE(child->isVisible());
    EXPECT_FALSE(child->isVisibleInTree());
}

// Margins, borders and paddings show in the layout dumps; the mouse finds a
// box by its border box, not its margins.
TEST_F(BoxModel, HitTestingUsesTheBorderBox) {
    root.setStyle(StyleId::MarginLeft, StyleValue::makeInt(5));
    root.setStyle(StyleId::Margin, StyleValue::makeInt(2));
    root.setRect({0, 0, 100, 50});
    EXPECT_EQ(root.getBorderBox(), (Rect{5, 2, 98, 48}));
    EXPECT_FALSE(root.containsPoint({1, 1}));
    EXPECT_TRUE(root.containsPoint({5, 2}));
}

TEST_F(BoxModel, ScalingAndFontsFollowTheScreenResolution) {
    BoxView& box = root;
    {
        DpiScope dpi(144);
        EXPECT_EQ(box.scaleInt(5), 7);
        EXPECT_DOUBLE_EQ(box.scale(5), 7.5);
        box.setStyle(StyleId::Margin, StyleValue::makeInt(5));
        EXPECT_EQ(box.getMargins(), (Edges{7, 7, 7, 7}));
        EXPECT_EQ(box.getFont()->height(), -19);
    }
    EXPECT_EQ(box.getFont()->height(), -13);
    box.setStyle(StyleId::FontWeight, StyleValue::makeInt(700));
    box.setStyle(StyleId::Italic, StyleValue::makeBool(true));
    auto font = box.getFont();
    EXPECT_EQ(font->weight(), 700);
    EXPECT_TRUE(font->italic());
    EXPECT_EQ(font->family(), u"Verdana");
    EXPECT_EQ(font.get(), box.getFont().get()) << "fonts are shared by key";
}

TEST_F(MouseStates, HoverStylesRelayoutOnEnterAndLeaveOnly) {
    auto* box = addBox<CountingBox>(root, {10, 10, 50, 50});
    box->setStyle(StyleId::BackgroundColor, StyleValue::makeColor(5), kStateHover);
    send(root, {at(20, 20)});
    EXPECT_TRUE(box->isHovered());
    EXPECT_EQ(box->relayouts, 1);
    send(root, {at(20, 20, kLeftDown), at(20, 20, kLeftUp)});
    EXPECT_EQ(box->relayouts, 1);
    send(root, {at(80, 80)});
    EXPECT_FALSE(box->isHovered());
    EXPECT_EQ(box->relayouts, 2);
}

TEST_F(MouseStates, ClickNeedsPressAndReleaseOverTheSameView) {
    BoxView* left = addBox(root, {0, 0, 100, 100}, u"left");
    BoxView* right = addBox(root, {100, 0, 200, 100}, u"right");

    send(root, {at(10, 10), at(10, 10, kLeftDown), at(150, 10), at(150, 10), at(150, 10, kLeftUp)});
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"down left", "up right"}));
    EXPECT_EQ(left->stateFlags(), 0u);
    EXPECT_EQ(right->stateFlags(), uint32_t(kHovered));

    recorder.log.clear();
    send(root, {at(150, 10, kLeftDown), at(150, 10, kLeftUp)});
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"down right", "clicked right", "up right"}));
    EXPECT_EQ(right->stateFlags(), uint32_t(kHovered));

    // Leaving the frame clears every mouse bit.
    send(root, {at(-1, -1, kMouseLeftFrame)});
    EXPECT_EQ(right->stateFlags(), 0u);
}

TEST_F(MouseStates, LinksAndButtonsGetTheirOwnClickFirst) {
    auto* link = new LinkView(&context);
    link->setStyle(StyleId::Id, StyleValue::makeString(u"a"));
    auto* word = new WordView(&context, u"go");
    word->setRect({0, 0, 20, 10});
    link->appendChild(word);
    root.appendChild(link);
    int cursor = -1;
    context.setCursorSetter([&](int c) { cursor = c; });
    link->setStyle(StyleId::Cursor, StyleValue::makeInt(1));
    send(root, {at(5, 5), at(5, 5, kLeftDown), at(5, 5, kLeftUp)});
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"down a", "link a", "clicked a", "up a"}));
    EXPECT_EQ(cursor, 1);
}

TEST_F(MouseStates, DisabledViewsIgnoreTheMouseUnlessHovered) {
    BoxView* box = addBox(root, {0, 0, 50, 50});
    box->setDisabled(true, 0.5);
    send(root, {at(10, 10)});
    EXPECT_FALSE(box->isHovered());
    EXPECT_DOUBLE_EQ(box->styleDouble(StyleId::Opacity), 0.5);
    EXPECT_TRUE(box->isDisabled());
}

TEST_F(TreeOperations, SearchIsPreOrderByTypeIdClassAndProperty) {
    auto* first = new BoxView(&context);
    first->setStyle(StyleId::ClassList, StyleValue::makeString(u"tool fileTool"));
    auto* nested = new LinkView(&context);
    nested->setStyle(StyleId::Id, StyleValue::makeString(u"x"));
    nested->setStyle(StyleId::ClassList, StyleValue::makeString(u"fileTool"));
    first->appendChild(nested);
    auto* second = new LinkView(&context);
    second->setStyle(StyleId::Id, StyleValue::makeString(u"x"));
    root.appendChild(first);
    root.appendChild(second);

    std::vector<View*> found;
    root.findByClass(u"fileTool", found);
    EXPECT_EQ(found, (std::vector<View*>{first, nested}));
    EXPECT_EQ(root.findFirstByClass(u""), nullptr);
    EXPECT_FALSE(first->hasClass(u"file"));
    EXPECT_EQ(root.findViewById(u"x"), nested);
    found.clear();
    root.findByType(kLinkView, found);
    EXPECT_EQ(found, (std::vector<View*>{nested, second}));
    found.clear();
    root.findByStyle(StyleId::Id, nullptr, found);
    EXPECT_EQ(found.size(), 2u);
    EXPECT_EQ(nested->getRoot(), &root);
}

TEST_F(TreeOperations, ChildListKeepsParentsAndClampsInsertion) {
    auto* a = new View(&context);
    auto* b = new View(&context);
    root.appendChild(a);
    root.insertChild(b, 99);
    root.appendChild(static_cast<View*>(nullptr));
    ASSERT_EQ(root.childCount(), 2);
    EXPECT_EQ(root.childAt(1), b);
    View stranger(&context);
    EXPECT_FALSE(root.removeChild(&stranger));
    EXPECT_TRUE(root.removeChild(a));
    EXPECT_EQ(root.childAt(0), b);
    b->removeSelf();
    EXPECT_EQ(root.childCount(), 0);

    root.setText(u"hello world");
    ASSERT_EQ(root.childCount(), 1);
    View* text = root.childAt(0);
    root.setText(u"hello world");
    EXPECT_EQ(root.childAt(0), text) << "same text keeps the view";

    root.setInnerMarkup(u"<b>x</b> <i>y</i>");
    ASSERT_EQ(root.childCount(), 2);
    EXPECT_EQ(root.childAt(0)->styleInt(StyleId::FontWeight), 700);
    EXPECT_EQ(root.childAt(1)->parent(), &root);
}

TEST(ViewTimers, TicksReachTheViewUntilKilled) {
    ViewContext context;
    struct Ticking : View {
        using View::View;
        void onTimer(uint32_t id) override { ticks.push_back(id); }
        std::vector<uint32_t> ticks;
    };
    auto view = std::make_unique<Ticking>(&context);
    const uint32_t id = view->setTimer(1, 0);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(view->setTimer(5, id), id) << "restarting keeps the id";
    auto iterate = [] { g_main_context_iteration(nullptr, FALSE); };
    ASSERT_TRUE(testsupport::waitUntil([&] { return view->ticks.size() >= 2; }, 2000,
                                       [] { g_main_context_iteration(nullptr, TRUE); }));
    EXPECT_EQ(view->ticks[0], id);
    view->killTimer(id);
    const size_t seen = view->ticks.size();
    testsupport::waitUntil([] { return false; }, 50, iterate);
    EXPECT_EQ(view->ticks.size(), seen);
    // A view that goes away takes its timers along.
    view->setTimer(1, 0);
    view.reset();
    testsupport::waitUntil([] { return false; }, 30, iterate);
}
