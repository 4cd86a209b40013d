// message_box_gtk.cpp — MessageBoxA on a display: a modal GTK 3 message
// dialog without an owner window, kept above other windows (the saver's own
// window covers the screen). The icon follows the MB_ICON* bits; a dialog
// closed without a button answers Cancel when it has one, else OK.
#include "platform/win32/message_box_gtk.h"

#include <gtk/gtk.h>

#include <cstdlib>

namespace platform {
namespace {

constexpr unsigned kButtonsMask = 0x0F;
constexpr unsigned kOkCancel = 0x01;
constexpr unsigned kIconMask = 0xF0;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

bool DisplayNamed() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

GtkMessageType MessageKind(unsigned type) {
    switch (type & kIconMask) {
        case 0x10: return GTK_MESSAGE_ERROR;
        case 0x20: return GTK_MESSAGE_QUESTION;
        case 0x30: return GTK_MESSAGE_WARNING;
        case 0x40: return GTK_MESSAGE_INFO;
        default: return GTK_MESSAGE_OTHER;
    }
}

}  // namespace

bool ShowGtkMessageBox(const std::string& text, const std::string& caption, unsigned type, int* result) {
    if (!DisplayNamed()) return false;
    static const bool initialised = gtk_init_check(nullptr, nullptr);
    if (!initialised) return false;

    bool okCancel = (type & kButtonsMask) == kOkCancel;
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, MessageKind(type),
                                               okCancel ? GTK_BUTTONS_OK_CANCEL : GTK_BUTTONS_OK, "%s",
                                               text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) gtk_main_iteration();

    if (response == GTK_RESPONSE_OK) *result = kIdOk;
    else *result = okCancel ? kIdCancel : kIdOk;
    return true;
}

}  // namespace platform
