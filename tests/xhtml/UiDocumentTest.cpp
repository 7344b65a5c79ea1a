#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "xhtml/FormElement.h"
#include "xhtml/SelectView.h"
#include "xhtml/HtmlView.h"
#include "xhtml/StyleSheet.h"
#include "xhtml/ViewContext.h"
#include "xhtml/WordView.h"

using namespace xhtml;

namespace {

// What the main window finds in its document, loaded once for all tests.
// The styles of every view are compared whole with ui.dump and the painted
// colours in the render test; these are the lookups the window makes.
class UiDocument : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        document = HtmlView::createDocument().release();
        loaded = document->loadUrl(u"res:///ui.xhtml");
    }
    static void TearDownTestSuite() {
        delete document;
        document = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(loaded); }

    static View* byId(const char16_t* id) { return document->findViewById(id); }
    static View* formField(const char16_t* name) {
        View* box = byId(u"formValuesBox");
        if (!box) return nullptr;
        const StyleValue key = StyleValue::makeString(name);
        return box->findFirstByStyle(StyleId::FormName, &key);
    }
    static std::u16string text(View* view) {
        std::u16string out;
        view->forEachInTree([&](View* v) {
            if (v->type() == kWordView) out += static_cast<WordView*>(v)->text().view();
            return true;
        });
        return out;
    }
    static View* linkTo(const char16_t* target) {
        const StyleValue key = StyleValue::makeString(target);
        return document->findFirstByStyle(StyleId::LinkTarget, &key);
    }

    static inline HtmlView* document = nullptr;
    static inline bool loaded = false;
};

}  // namespace

TEST_F(UiDocument, ToolButtonsCarryIdsClassesIconsAndPlaceholders) {
    struct Tool {
        const char16_t* id;
        const char16_t* icon;
        const char16_t* label;
        bool fileTool;
    };
    const Tool tools[] = {{u"actionAdd", u"is3_add.png", u"{lang/add-file}", false},
                          {u"actionCalcSize", u"is3_recalc.png", u"{lang/calc-size}", true},
                          {u"actionShow", u"is3_show.png", u"{lang/open-file}", true},
                          {u"actionSave", u"is3_save.png", u"{lang/save}", true}};
    for (const Tool& tool : tools) {
        SCOPED_TRACE(ZString(tool.id).toUtf8());
        View* button = byId(tool.id);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->hasClass(u"fileTool"), tool.fileTool);
        EXPECT_TRUE(button->styleString(StyleId::Title, {}, kStateNormal).startsWith(u"{lang/~"));
        View* image = button->findFirstByType(kImageView);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->styleString(StyleId::ImageSource), tool.icon);
        EXPECT_EQ(text(button), tool.label);
    }
    std::vector<View*> fileTools;
    document->findByClass(u"fileTool", fileTools);
    EXPECT_EQ(fileTools.size(), 3u);
    for (const char16_t* cls : {u"mainTable", u"leftPane", u"rightPane", u"toolBar", u"toolBtn", u"toolIcon",
                                u"listBox", u"formTable", u"formLeft", u"formRight", u"labelLeft",
                                u"labelRight", u"line", u"footer", u"footerLink"})
        EXPECT_NE(document->findFirstByClass(cls), nullptr) << ZString(cls).toUtf8();
}

TEST_F(UiDocument, ListHostFormAndBanner) {
    View* list = byId(u"fileList");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->type(), kObjectView);

    View* form = byId(u"formValuesBox");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->type(), kIFrameView) << "the form box scrolls";

    View* banner = byId(u"banner");
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->type(), kImageView);
    EXPECT_EQ(banner->styleString(StyleId::ImageSource), u"bannerUrl://banner");
    ASSERT_NE(banner->parent(), nullptr);
    EXPECT_EQ(banner->parent()->type(), kLinkView);
    EXPECT_EQ(banner->parent()->styleString(StyleId::LinkTarget), u"actionBannerClick");
}

TEST_F(UiDocument, FiveFormFieldsWithDefaultsAndTooltips) {
    struct Field {
        const char16_t* name;
        int32_t type;
        const char16_t* value;
        int size;
        const char16_t* tooltip;
    };
    const Field fields[] = {{u"dpi", kEditView, u"144", 4, u"{lang/~dpi-note}"},
                            {u"imageQuality", kEditView, u"75", 4, u"{lang/~image-quality-note}"},
                            {u"webOptimize", kCheckView, nullptr, 0, u"{lang/~web-optimized-note}"},
                            {u"colorModel", kSelectView, nullptr, 0, u"{lang/~color-model-note}"},
                            {u"saveFileSuffix", kEditView, u"_compressed", 15, u"{lang/~save-file-suffix-note}"}};
    for (const Field& field : fields) {
        SCOPED_TRACE(ZString(field.name).toUtf8());
        View* view = formField(field.name);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->type(), field.type);
        EXPECT_EQ(view->styleString(StyleId::Title), field.tooltip);
        EXPECT_FALSE(view->isDisabled());
        if (field.value) {
            EXPECT_EQ(view->styleString(StyleId::FormValue), field.value);
        }
        if (field.size) {
            EXPECT_EQ(view->styleInt(StyleId::Size), field.size);
        }
    }
    EXPECT_FALSE(formField(u"webOptimize")->styleBool(StyleId::Checked, true));

    auto* select = static_cast<SelectView*>(formField(u"colorModel"));
    ASSERT_EQ(select->options().size(), 4u);
    const char16_t* values[] = {u"", u"rgb", u"cmyk", u"gray"};
    const char16_t* labels[] = {u"{lang/no-change}", u"RGB", u"CMYK", u"GRAY"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(select->options()[i].value, values[i]);
        EXPECT_EQ(select->options()[i].label, labels[i]);
        EXPECT_EQ(select->options()[i].selected, i == 0);
    }
}

TEST_F(UiDocument, FooterLinksAndUpdateSpan) {
    for (const char16_t* target : {u"actionOpenAbout", u"actionUpdate", u"actionOpenSettings"}) {
        View* link = linkTo(target);
        ASSERT_NE(link, nullptr) << ZString(target).toUtf8();
        EXPECT_EQ(link->type(), kLinkView);
    }
    View* span = byId(u"footerUpdateCheckBtn");
    ASSERT_NE(span, nullptr);
    EXPECT_EQ(span->styleString(StyleId::ElementName), u"span");
    View* update = linkTo(u"actionUpdate");
    EXPECT_EQ(update->parent(), span);
    EXPECT_EQ(text(update), u"{updateTxt}");
    // Each footer link is preceded by a blank and the » sign.
    const std::u16string footer = text(span->parent());
    EXPECT_EQ(footer, u"» {lang/about} » {updateTxt} » {lang/settings}");
}

TEST_F(UiDocument, OneStyleSheetBeforeTheFirstClass) {
    EXPECT_GE(document->context()->styleRules().size(), 10u);
    // Every rule was in place before the first element with a class was built.
    const ZString markup = [] {
        ZString text;
        UrlLoader().loadText(u"res:///ui.xhtml", text);
        return text;
    }();
    EXPECT_EQ(markup.find(u"<style"), markup.find(u"<style>"));
    EXPECT_LT(markup.find(u"</style>"), markup.find(u"class="));
    EXPECT_EQ(markup.find(u"<style", markup.find(u"</style>")), -1) << "one style element";
}
