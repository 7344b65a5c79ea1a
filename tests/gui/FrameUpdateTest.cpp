// A frame window's deferred layout, with a real window on the test display.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/gui/Gui.h"
#include "xhtml/BoxView.h"
#include "xhtml/FrameView.h"
#include "xhtml/ViewContext.h"

using namespace xhtml;
namespace gui = platform::gui;

namespace {

void pumpFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) gui::Gui::pump(false);
}

}  // namespace

TEST(FrameUpdates, TenStyleChangesWithinAHundredMillisecondsCauseOneLayout) {
    if (!gui::Gui::init()) GTEST_SKIP() << "no display";
    ViewContext context;
    FrameView frame(&context);
    ASSERT_TRUE(frame.create(nullptr, 0, 0, 400, 300, gui::kVisible));
    frame.setMarkup(u"<body><div id=\"d\" style=\"width:10px;height:10px\">x</div></body>");
    for (int i = 0; i < 100 && frame.updateCount() == 0; ++i) pumpFor(20);
    pumpFor(200);
    const int before = frame.updateCount();
    ASSERT_GE(before, 1);
    auto* box = static_cast<BoxView*>(frame.findViewById(u"d"));
    ASSERT_NE(box, nullptr);
    for (int i = 1; i <= 10; ++i)
        box->setStyleAndNotify(StyleId::Width, StyleValue::makeInt(10 + i * 10));
    EXPECT_EQ(frame.updateCount(), before) << "nothing is laid out at once";
    pumpFor(400);
    EXPECT_EQ(frame.updateCount(), before + 1);
    EXPECT_EQ(box->getBorderBox().width(), 110);
}
