#include <gtest/gtest.h>

#include "xhtml/StyleSheet.h"

using namespace xhtml;

// How sheets, selectors, declarations and the cascade are read shows in
// cascade.dump (the view tree dumps); here the matching on its own.
TEST(StyleSheetTest, ClassListsAndMatching) {
    auto classes = splitClassList(u" toolBtn,big;;x : y ");
    ASSERT_EQ(classes.size(), 4u);
    EXPECT_EQ(classes[0], u"toolBtn");
    EXPECT_EQ(classes[3], u"y");

    StyleSelector s;
    s.cls = u"toolbtn";
    EXPECT_TRUE(matchSelector(s, 0, u"a", u"", classes));
    EXPECT_FALSE(matchSelector(s, 1, u"a", u"", classes)) << "states must be equal";
    EXPECT_FALSE(matchSelector(s, 0, u"a", u"", {}));
    s.cls = u"*";
    EXPECT_TRUE(matchSelector(s, 0, u"a", u"", {}));
    s = StyleSelector{u"DIV", u"Main", u"", 0};
    EXPECT_TRUE(matchSelector(s, 0, u"div", u"main", {}));
    EXPECT_FALSE(matchSelector(s, 0, u"div", u"other", {}));
    EXPECT_FALSE(matchSelector(s, 0, u"span", u"main", {}));
    EXPECT_TRUE(matchSelector(StyleSelector{u"*", u"*", u"", 0}, 0, u"p", u"", {}));
}
