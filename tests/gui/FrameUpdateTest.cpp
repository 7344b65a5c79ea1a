// A frame window's deferred layout and messages posted from other threads,
// with real windows on the test display.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/gui/Gui.h"
#include "win/BaseWindow.h"
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

namespace {

// Records the program's own messages and the thread that heard them.
class Recorder : public win::BaseWindow {
public:
    std::vector<intptr_t> heard;
    std::vector<std::thread::id> threads;
    intptr_t onMessage(win::Message& message) override {
        if (message.msg == win::Msg::User) {
            heard.push_back(message.param);
            threads.push_back(std::this_thread::get_id());
        }
        return BaseWindow::onMessage(message);
    }
};

}  // namespace

TEST(FrameUpdates, MessagesPostedFromOtherThreadsArriveInOrderOnTheGuiThread) {
    if (!gui::Gui::init()) GTEST_SKIP() << "no display";
    Recorder window;
    Recorder gone;
    ASSERT_TRUE(window.create(nullptr, u"posted", 0, 0, 50, 50, 0));
    ASSERT_TRUE(gone.create(nullptr, u"gone", 0, 0, 50, 50, 0));
    const win::WindowHandle goneHandle = gone.getHandle();
    std::thread poster([&] {
        for (intptr_t i = 1; i <= 3; ++i) {
            win::Message m;
            m.param = i;
            gui::Gui::post(window.getHandle(), m);
            gui::Gui::post(goneHandle, m);
        }
    });
    poster.join();
    gone.destroy();  // what was posted to it is dropped, not delivered to freed memory
    pumpFor(200);
    EXPECT_EQ(window.heard, (std::vector<intptr_t>{1, 2, 3}));
    for (const std::thread::id& id : window.threads) EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_TRUE(gone.heard.empty());
}
