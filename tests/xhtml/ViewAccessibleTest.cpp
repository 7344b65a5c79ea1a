// What a document offers to screen readers and the keyboard, read without a
// window: roles, names from text, title or alt, labels beside their fields,
// states, and a press that does what a click does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xhtml/CheckView.h"
#include "xhtml/EventListener.h"
#include "xhtml/FrameView.h"
#include "xhtml/ViewAccessible.h"
#include "xhtml/ViewContext.h"

using namespace xhtml;
using Item = platform::gui::AccessibleItem;
using Role = Item::Role;

namespace {

const char16_t* kForm = uR"html(<html><head><style>
.tool { display:inline-block; width:100px; height:40px; cursor:pointer; }
#gone { display:none; }
</style></head><body>
<div id="add" class="tool" title="Adds files (Ctrl+O)"><img src="none.png"/><br/>Add   files</div>
<div id="off" class="tool" disabled="true">Save</div>
<div class="tool"><img src="x.png" alt="Picture only"/></div>
<a href="actionAbout">About</a> <a href="x" title="Tip only"><img src="y.png"/></a> <a>no target</a>
<div id="gone"><a href="hidden">Hidden</a></div>
<table><tr><td>Web optimized</td><td><input type="checkbox" name="web" title="Long note"/></td></tr>
<tr><td>Just text</td><td>no field here</td></tr></table>
<label for="pick">Pick me</label> <input id="pick" type="radio" name="r" checked/>
<input type="button" value="Go"/>
</body></html>)html";

struct Doc {
    Doc() : frame(&context) {
        frame.setRect({0, 0, 800, 600});
        frame.setMarkup(kForm);
        frame.doUpdate();
        ViewAccessible::collect(frame, items, views);
    }
    const Item* named(const std::string& name) const {
        for (const Item& item : items)
            if (item.name.toUtf8() == name) return &item;
        return nullptr;
    }
    int indexOf(const Item* item) const { return static_cast<int>(item - items.data()); }

    ViewContext context;
    FrameView frame;
    std::vector<Item> items;
    std::vector<View*> views;
};

class Clicks : public EventListener {
public:
    void onLinkClicked(View* view) override {
        log += "link:" + view->styleString(StyleId::LinkTarget).toUtf8() + " ";
    }
    void onLButtonUp(View* view) override { log += "up:" + view->getId().toUtf8() + " "; }
    std::string log;
};

}  // namespace

TEST(ViewAccessible, RolesNamesAndStatesInDocumentOrder) {
    Doc doc;
    struct Expected {
        const char* name;
        Role role;
        const char* description;
        bool disabled;
        bool checked;
    };
    // Text first, then the title, then an image's alt; spaces collapse.
    const std::vector<Expected> expected = {
        {"Add files", Role::Button, "Adds files (Ctrl+O)", false, false},
        {"Save", Role::Button, "", true, false},
        {"Picture only", Role::Button, "", false, false},
        {"About", Role::Link, "", false, false},
        {"Tip only", Role::Link, "Tip only", false, false},
        {"Web optimized", Role::Label, "", false, false},
        {"Web optimized", Role::CheckBox, "Long note", false, false},
        {"Pick me", Role::Label, "", false, false},
        {"Pick me", Role::RadioButton, "", false, true},
        {"Go", Role::Button, "", false, false},
    };
    ASSERT_EQ(doc.items.size(), expected.size()) << "no hidden link, no link without target";
    ASSERT_EQ(doc.views.size(), doc.items.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        const Item& item = doc.items[i];
        EXPECT_EQ(item.name.toUtf8(), expected[i].name);
        EXPECT_EQ(item.role, expected[i].role);
        EXPECT_EQ(item.description.toUtf8(), expected[i].description);
        EXPECT_EQ(item.disabled, expected[i].disabled);
        EXPECT_EQ(item.checked, expected[i].checked);
        EXPECT_EQ(item.focusable, item.role != Role::Label);
        EXPECT_TRUE(item.showing);
        EXPECT_FALSE(item.rect.isEmpty());
    }
    // Each label points at the field it names, and only those cells are labels.
    EXPECT_EQ(doc.items[5].labelFor, 6);
    EXPECT_EQ(doc.items[7].labelFor, 8);
    EXPECT_EQ(doc.named("Just text"), nullptr);
    // The tool button's box is its outline on the screen.
    EXPECT_EQ(doc.items[0].rect.width(), 100);
    EXPECT_EQ(doc.items[0].rect.height(), 40);
}

TEST(ViewAccessible, PressDoesWhatAClickDoesAndSkipsDisabledOrStaleItems) {
    Doc doc;
    Clicks clicks;
    doc.context.setListener(&clicks);
    ViewAccessible& accessible = doc.frame.accessible();
    // The frame has no window: refresh keeps nothing, so collect by hand.
    const Item* about = doc.named("About");
    const Item* web = doc.named("Web optimized");
    ASSERT_TRUE(about && web);
    ViewAccessible::press(doc.views[doc.indexOf(about)]);
    ViewAccessible::press(doc.views[0]);
    EXPECT_EQ(clicks.log, "link:actionAbout up: up:add ");

    auto* check = static_cast<CheckView*>(doc.views[6]);
    ViewAccessible::press(check);
    EXPECT_TRUE(check->isChecked()) << "a press toggles the check box";
    EXPECT_EQ(check->stateFlags() & (kLeftPressed | kLeftClick), 0u) << "no state is left behind";
    EXPECT_FALSE(accessible.pressItem(0)) << "no item is known without a window";
    EXPECT_EQ(accessible.focusedView(), nullptr);
}
