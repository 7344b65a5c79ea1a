#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <thread>

#include "platform/MessageBox.h"
#include "platform/gui/Gui.h"

namespace {

using namespace platform;

TEST(MessageBoxTest, WithoutDisplayWritesToStderrAndGivesCautiousAnswer) {
    if (gdk_display_get_default() != nullptr) GTEST_SKIP() << "GTK already runs with a display";
    struct {
        unsigned flags;
        int answer;
    } const cases[] = {
        {MB_OK | MB_ICONERROR, IDOK},       {MB_OKCANCEL, IDCANCEL},    {MB_YESNOCANCEL, IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION, IDNO}, {MB_RETRYCANCEL, IDCANCEL},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        int answer = messageBox(nullptr, u"Caption \u00e4", u"Line one\nline two", c.flags);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(answer, c.answer) << "flags " << c.flags;
        EXPECT_EQ(err, "Caption \u00e4\nLine one\nline two\n");
    }
}

// Answers the first message dialog that appears with the given response and
// records its title.
struct AutoAnswer {
    explicit AutoAnswer(int answer) : response(answer) {}
    int response;
    std::string title;
    GtkMessageType type = GTK_MESSAGE_OTHER;
    bool answered = false;
};

gboolean answerDialog(gpointer data) {
    auto* auto_ = static_cast<AutoAnswer*>(data);
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item; item = item->next) {
        if (!GTK_IS_MESSAGE_DIALOG(item->data) || !gtk_widget_get_visible(GTK_WIDGET(item->data)))
            continue;
        GtkDialog* dialog = GTK_DIALOG(item->data);
        auto_->title = gtk_window_get_title(GTK_WINDOW(dialog));
        g_object_get(dialog, "message-type", &auto_->type, nullptr);
        if (auto_->response == GTK_RESPONSE_DELETE_EVENT) {
            // The close button's own event, as the window manager sends it.
            GdkEvent* close = gdk_event_new(GDK_DELETE);
            close->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(dialog))));
            gtk_main_do_event(close);
            gdk_event_free(close);
        } else {
            gtk_dialog_response(dialog, auto_->response);
        }
        auto_->answered = true;
    }
    g_list_free(windows);
    return auto_->answered ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

bool initGtk() { return platform::gui::Gui::init(); }

TEST(MessageBoxTest, DialogReturnsPressedButton) {
    if (!initGtk()) GTEST_SKIP() << "no display";
    AutoAnswer yes{IDYES};
    g_timeout_add(50, answerDialog, &yes);
    EXPECT_EQ(messageBox(nullptr, u"Question", u"Go on?", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(yes.title, "Question");
    EXPECT_EQ(yes.type, GTK_MESSAGE_QUESTION);

    // Closing the window gives the cautious answer, and the dialog stays
    // ours to destroy (a second destroy would be a critical).
    const GLogLevelFlags fatal = g_log_set_always_fatal(GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_ERROR));
    AutoAnswer closed{GTK_RESPONSE_DELETE_EVENT};
    g_timeout_add(50, answerDialog, &closed);
    EXPECT_EQ(messageBox(nullptr, u"Copy", u"Failed", MB_RETRYCANCEL | MB_ICONERROR), IDCANCEL);
    EXPECT_EQ(closed.type, GTK_MESSAGE_ERROR);
    g_log_set_always_fatal(fatal);
}

TEST(MessageBoxTest, OtherThreadsAskThroughTheGuiThread) {
    if (!initGtk()) GTEST_SKIP() << "no display";
    AutoAnswer retry{IDRETRY};
    g_timeout_add(50, answerDialog, &retry);
    int answer = 0;
    bool done = false;
    std::thread worker([&] {
        answer = messageBox(nullptr, u"From a worker", u"Retry?", MB_RETRYCANCEL);
        g_idle_add(
            [](gpointer flag) -> gboolean {
                *static_cast<bool*>(flag) = true;
                return G_SOURCE_REMOVE;
            },
            &done);
    });
    while (!done) g_main_context_iteration(nullptr, TRUE);
    worker.join();
    EXPECT_EQ(answer, IDRETRY);
    EXPECT_EQ(retry.title, "From a worker");
}

}  // namespace
