#include "platform/gui/MessageDialog.h"

#include <gtk/gtk.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <string>

#include "platform/MessageBox.h"

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

void addButton(GtkDialog* dialog, const ZString& text, int answer) {
    gtk_dialog_add_button(dialog, text.toDisplayUtf8().c_str(), answer);
}

void addButtons(GtkDialog* dialog, unsigned flags) {
    MessageBoxButtons words = messageBoxButtons();
    switch (flags & kButtonMask) {
        case MB_OKCANCEL:
            addButton(dialog, words.ok, IDOK);
            addButton(dialog, words.cancel, IDCANCEL);
            gtk_dialog_set_default_response(dialog, IDOK);
            break;
        case MB_YESNOCANCEL:
            addButton(dialog, words.yes, IDYES);
            addButton(dialog, words.no, IDNO);
            addButton(dialog, words.cancel, IDCANCEL);
            gtk_dialog_set_default_response(dialog, IDYES);
            break;
        case MB_YESNO:
            addButton(dialog, words.yes, IDYES);
            addButton(dialog, words.no, IDNO);
            gtk_dialog_set_default_response(dialog, IDYES);
            break;
        case MB_RETRYCANCEL:
            addButton(dialog, words.retry, IDRETRY);
            addButton(dialog, words.cancel, IDCANCEL);
            gtk_dialog_set_default_response(dialog, IDRETRY);
            break;
        default:
            addButton(dialog, words.ok, IDOK);
            gtk_dialog_set_default_response(dialog, IDOK);
            break;
    }
}

int runDialog(WindowHandle owner, const std::string& caption, const std::string& text,
              unsigned flags) {
    GtkWindow* parent = nullptr;
    if (owner && GTK_IS_WIDGET(owner)) {
        GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(owner));
        if (GTK_IS_WINDOW(top)) parent = GTK_WINDOW(top);
    }
    GtkWidget* dialog = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, messageType(flags),
                                               GTK_BUTTONS_NONE, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    addButtons(GTK_DIALOG(dialog), flags);
    int response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    return response > 0 ? response : cautiousAnswer(flags);
}

struct CrossThreadCall {
    WindowHandle owner = nullptr;
    std::string caption;
    std::string text;
    unsigned flags = 0;
    int answer = 0;
    bool done = false;
    std::mutex lock;
    std::condition_variable finished;
};

gboolean runOnGuiThread(gpointer data) {
    auto* call = static_cast<CrossThreadCall*>(data);
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

    CrossThreadCall call;
    call.owner = owner;
    call.caption = captionUtf8;
    call.text = textUtf8;
    call.flags = flags;
    // An idle source, not g_main_context_invoke: that would run the dialog
    // right here whenever the GUI thread is between loop iterations.
    g_idle_add_full(G_PRIORITY_DEFAULT, runOnGuiThread, &call, nullptr);
    std::unique_lock<std::mutex> guard(call.lock);
    call.finished.wait(guard, [&] { return call.done; });
    return call.answer;
}

}  // namespace platform::gui
