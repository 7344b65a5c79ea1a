#include "platform/gui/MessageDialog.h"

#include <gtk/gtk.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/gui/Gui.h"
#include "platform/gui/WindowData.h"

namespace platform::gui {

namespace {

constexpr unsigned kButtonMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;

bool onMainThread() { return syscall(SYS_gettid) == getpid(); }

GtkMessageType messageType(unsigned flags) {
    switch (flags & kIconMask) {
        case MB_ICONERROR:
            return GTK_MESSAGE_ERROR;
        case MB_ICONQUESTION:
            return GTK_MESSAGE_QUESTION;
        case MB_ICONWARNING:
            return GTK_MESSAGE_WARNING;
        case MB_ICONINFORMATION:
            return GTK_MESSAGE_INFO;
        default:
            return GTK_MESSAGE_OTHER;
    }
}

// The buttons of each kind of box, in their order; the first is the default.
void addButtons(GtkDialog* dialog, unsigned flags) {
    const MessageBoxButtons words = messageBoxButtons();
    std::vector<std::pair<const ZString*, int>> buttons;
    switch (flags & kButtonMask) {
        case MB_OKCANCEL:
            buttons = {{&words.ok, IDOK}, {&words.cancel, IDCANCEL}};
            break;
        case MB_YESNOCANCEL:
            buttons = {{&words.yes, IDYES}, {&words.no, IDNO}, {&words.cancel, IDCANCEL}};
            break;
        case MB_YESNO:
            buttons = {{&words.yes, IDYES}, {&words.no, IDNO}};
            break;
        case MB_RETRYCANCEL:
            buttons = {{&words.retry, IDRETRY}, {&words.cancel, IDCANCEL}};
            break;
        default:
            buttons = {{&words.ok, IDOK}};
            break;
    }
    for (const auto& [text, answer] : buttons) gtk_dialog_add_button(dialog, text->toDisplayUtf8().c_str(), answer);
    gtk_dialog_set_default_response(dialog, buttons.front().second);
}

int runDialog(WindowHandle owner, const std::string& caption, const std::string& text,
              unsigned flags) {
    if (Gui::quitRequested()) return cautiousAnswer(flags);
    // The owner is looked up in the window registry: a handle of a window
    // that is gone is no owner.
    GtkWindow* parent = owner ? detail::gtkWindowOf(owner) : nullptr;
    GtkWidget* dialog = gtk_message_dialog_new(parent, parent ? GTK_DIALOG_MODAL : GtkDialogFlags(0),
                                               messageType(flags), GTK_BUTTONS_NONE, "%s",
                                               text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    addButtons(GTK_DIALOG(dialog), flags);
    // Our own loop rather than gtk_dialog_run: the program's quit ends it
    // like every other modal loop, with the cautious answer.
    // Escape and the close button answer like Cancel: the dialog turns both
    // into a response below zero. Keeping delete-event makes the dialog stay
    // ours to destroy.
    int response = 0;
    gulong handler = g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog*, gint id, gpointer out) {
                                          *static_cast<int*>(out) = id == 0 ? -1 : id;
                                      }), &response);
    gulong keep = g_signal_connect(dialog, "delete-event", G_CALLBACK(gtk_true), nullptr);
    gtk_widget_show_all(dialog);
    gtk_window_present(GTK_WINDOW(dialog));
    Gui::ModalScope modal;
    while (response == 0 && !Gui::quitRequested()) g_main_context_iteration(nullptr, TRUE);
    g_signal_handler_disconnect(dialog, handler);
    g_signal_handler_disconnect(dialog, keep);
    gtk_widget_destroy(dialog);
    return response > 0 ? response : cautiousAnswer(flags);
}

// A box asked for by another thread. The asking thread waits until it has
// been answered, or gives up when the program quits before it was shown.
struct CrossThreadCall {
    WindowHandle owner = nullptr;
    std::string caption;
    std::string text;
    unsigned flags = 0;
    int answer = 0;
    bool done = false;
    bool started = false;
    bool abandoned = false;
    std::mutex lock;
    std::condition_variable finished;
};

gboolean runOnGuiThread(gpointer data) {
    std::shared_ptr<CrossThreadCall> call = *static_cast<std::shared_ptr<CrossThreadCall>*>(data);
    {
        std::lock_guard<std::mutex> guard(call->lock);
        if (call->abandoned) return G_SOURCE_REMOVE;
        call->started = true;
    }
    int answer = runDialog(call->owner, call->caption, call->text, call->flags);
    std::lock_guard<std::mutex> guard(call->lock);
    call->answer = answer;
    call->done = true;
    call->finished.notify_all();
    return G_SOURCE_REMOVE;
}

}  // namespace

int showMessageDialog(WindowHandle owner, const ZString& caption, const ZString& text, unsigned flags) {
    if (gdk_display_get_default() == nullptr) return messageBoxWithoutDialog(caption, text, flags);
    std::string captionUtf8 = caption.toDisplayUtf8();
    std::string textUtf8 = text.toDisplayUtf8();
    if (onMainThread()) return runDialog(owner, captionUtf8, textUtf8, flags);

    auto call = std::make_shared<CrossThreadCall>();
    call->owner = owner;
    call->caption = captionUtf8;
    call->text = textUtf8;
    call->flags = flags;
    // An idle source, not g_main_context_invoke: that would run the dialog
    // right here whenever the GUI thread is between loop iterations. The
    // source holds its own reference: the caller may give up first.
    g_idle_add_full(G_PRIORITY_DEFAULT, runOnGuiThread, new std::shared_ptr<CrossThreadCall>(call),
                    [](gpointer data) { delete static_cast<std::shared_ptr<CrossThreadCall>*>(data); });
    std::unique_lock<std::mutex> guard(call->lock);
    // A loop that has ended runs no idle callback: a quit before the box was
    // shown is answered here, never waited for.
    while (!call->finished.wait_for(guard, std::chrono::milliseconds(50), [&] { return call->done; })) {
        if (!call->started && Gui::quitRequested()) {
            call->abandoned = true;
            return cautiousAnswer(flags);
        }
    }
    return call->answer;
}

}  // namespace platform::gui
