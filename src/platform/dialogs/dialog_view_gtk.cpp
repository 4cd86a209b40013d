// dialog_view_gtk.cpp — a dialog window of the control model, shown with
// GTK 3.
//
// Each control becomes a widget at its exact pixel rectangle in a GtkFixed:
// group boxes GtkFrame, statics GtkLabel (or GtkImage with the SS_BITMAP
// picture centred), push buttons GtkButton, check boxes GtkCheckButton, combo
// boxes GtkComboBoxText (with a read-only entry for CBS_DROPDOWN), trackbars
// GtkScale without ticks. The model is the truth: user input goes to it
// through the User* actions (the messages Win32 sends follow), and every
// change of the model marks the widget for a refresh that runs when GTK is
// idle. Enter, Escape and the close box act as in a Win32 dialog.
//
// At any desktop scale (GDK_SCALE, GDK_DPI_SCALE) the dialog units follow the
// font, and so does the rest: an SS_BITMAP picture is scaled to fit its
// rectangle, drawn at the window's device scale, and a label whose text is
// wider than its rectangle (a wider font than the template was drawn for, a
// longer translation) never runs into the control beside it, which gives up
// the difference on its left; the model keeps its rectangles. Every window
// carries the program's icon, the executable's first icon resource.
//
// With VEXLAR_DIALOG_DUMP set, each dialog writes to stderr, once it is on
// screen, one line for itself and one per control with what the widgets show
// and where (root-window pixels, logical: GDK_SCALE leaves them alone), so
// that end-to-end tests can read the dialog without an accessibility bus.
#include "platform/dialogs/dialog_view_gtk.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/dialogs/combo_box.h"
#include "platform/dialogs/controls.h"
#include "platform/dialogs/dialog_box.h"
#include "platform/win32/gdi_objects.h"
#include "platform/win32/resource_table.h"
#include "platform/win32/window_state.h"

namespace platform {
namespace {

struct ControlView {
    HWND hwnd = nullptr;
    ControlKind kind = ControlKind::Unknown;
    GtkWidget* widget = nullptr;
    std::vector<std::string> items;  // what the GTK combo box holds
    HBITMAP shownBitmap = nullptr;
    int shownWidth = 0;  // the picture as shown, in logical pixels
    int shownHeight = 0;
    int shownScale = 0;
    bool dragging = false;
    bool dragMoved = false;
};

struct DialogView {
    HWND dialog = nullptr;
    GtkWidget* window = nullptr;
    GtkWidget* fixed = nullptr;
    std::map<HWND, std::unique_ptr<ControlView>> controls;
    std::set<HWND> dirty;
    guint idle = 0;
    bool syncing = false;
    bool dumped = false;
    RECT placed{};  // where the GTK window was last put
    int labelGap = 2;  // pixels kept between a label's text and the control it pushes aside
};

std::vector<DialogView*>& Views() {
    static std::vector<DialogView*> views;
    return views;
}

bool DisplayNamed() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// Window texts are narrow: UTF-8 when they are valid UTF-8, otherwise
// ISO 8859-1, the characters that the localization table's narrowing keeps.
std::string ToUtf8(const std::string& text) {
    if (g_utf8_validate(text.c_str(), static_cast<gssize>(text.size()), nullptr)) return text;
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

RECT ClientRect(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    POINT origin{r.left, r.top};
    ScreenToClient(GetParent(control), &origin);
    return RECT{origin.x, origin.y, origin.x + (r.right - r.left), origin.y + (r.bottom - r.top)};
}

bool OwnVisible(HWND hwnd) { return (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

DialogView* ViewOf(HWND hwnd) {
    for (DialogView* view : Views()) {
        if (view->dialog == hwnd || view->controls.count(hwnd)) return view;
    }
    return nullptr;
}

void SyncDialogWindow(DialogView& view) {
    gtk_window_set_title(GTK_WINDOW(view.window), ToUtf8(WindowText(view.dialog)).c_str());
    RECT r{};
    GetWindowRect(view.dialog, &r);
    // Only real changes: GTK holds a window's drawing until the X server
    // confirms a move or resize, and a request for the same place is never
    // confirmed.
    if (r.left == view.placed.left && r.top == view.placed.top && r.right == view.placed.right &&
        r.bottom == view.placed.bottom)
        return;
    view.placed = r;
    gtk_widget_set_size_request(view.fixed, r.right - r.left, r.bottom - r.top);
    gtk_window_resize(GTK_WINDOW(view.window), r.right - r.left, r.bottom - r.top);
    gtk_window_move(GTK_WINDOW(view.window), r.left, r.top);
    // The enabled state of the window itself is not shown: a modal dialog
    // over it keeps the input, and its controls keep their look.
}

GdkPixbuf* PixbufFromBitmap(HBITMAP bitmap) {
    const gdi::BitmapObject* object = gdi::FindBitmap(bitmap);
    if (!object || object->width <= 0 || object->height <= 0) return nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, object->width, object->height);
    if (!pixbuf) return nullptr;
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < object->height; ++y) {
        const uint32_t* row = object->Row(y);
        guchar* out = pixels + static_cast<size_t>(y) * static_cast<size_t>(stride);
        for (int x = 0; x < object->width; ++x) {
            out[3 * x] = static_cast<guchar>(row[x] >> 16);
            out[3 * x + 1] = static_cast<guchar>(row[x] >> 8);
            out[3 * x + 2] = static_cast<guchar>(row[x]);
        }
    }
    return pixbuf;
}

void SyncCombo(ControlView& cv) {
    const ComboBoxState* state = FindComboBox(cv.hwnd);
    if (!state) return;
    GtkComboBoxText* combo = GTK_COMBO_BOX_TEXT(cv.widget);
    std::vector<std::string> items;
    for (const ComboBoxItem& item : state->items) items.push_back(ToUtf8(item.text));
    if (items != cv.items) {
        gtk_combo_box_text_remove_all(combo);
        for (const std::string& item : items) gtk_combo_box_text_append_text(combo, item.c_str());
        cv.items = items;
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), state->selection);
    if (cv.kind == ControlKind::ComboBox) {
        GtkWidget* entry = gtk_bin_get_child(GTK_BIN(combo));
        bool selected = state->selection >= 0 && state->selection < static_cast<int>(items.size());
        gtk_entry_set_text(GTK_ENTRY(entry), selected ? items[static_cast<size_t>(state->selection)].c_str() : "");
    }
}

// The bitmap of an SS_BITMAP static, scaled to fit `width` x `height`
// (aspect kept, centred by the GtkImage) and drawn at the window's device
// scale, so that it grows with the dialog and stays sharp at GDK_SCALE=2.
void ShowPicture(ControlView& cv, int width, int height) {
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(SendMessageA(cv.hwnd, STM_GETIMAGE, IMAGE_BITMAP, 0));
    const gdi::BitmapObject* object = gdi::FindBitmap(bitmap);
    int fitWidth = 0, fitHeight = 0;
    if (object && object->width > 0 && object->height > 0 && width > 0 && height > 0) {
        double fit = std::min(static_cast<double>(width) / object->width, static_cast<double>(height) / object->height);
        fitWidth = std::max(1, static_cast<int>(std::lround(object->width * fit)));
        fitHeight = std::max(1, static_cast<int>(std::lround(object->height * fit)));
    }
    int scale = std::max(1, gtk_widget_get_scale_factor(cv.widget));
    if (bitmap == cv.shownBitmap && fitWidth == cv.shownWidth && fitHeight == cv.shownHeight && scale == cv.shownScale)
        return;
    cv.shownBitmap = bitmap;
    cv.shownWidth = fitWidth;
    cv.shownHeight = fitHeight;
    cv.shownScale = scale;
    GdkPixbuf* pixbuf = fitWidth > 0 ? PixbufFromBitmap(bitmap) : nullptr;
    if (!pixbuf) {
        gtk_image_clear(GTK_IMAGE(cv.widget));
        cv.shownWidth = cv.shownHeight = 0;
        return;
    }
    GdkPixbuf* scaled = pixbuf;
    if (fitWidth * scale != object->width || fitHeight * scale != object->height)
        scaled = gdk_pixbuf_scale_simple(pixbuf, fitWidth * scale, fitHeight * scale, GDK_INTERP_BILINEAR);
    cairo_surface_t* surface = scaled ? gdk_cairo_surface_create_from_pixbuf(scaled, scale, nullptr) : nullptr;
    gtk_image_set_from_surface(GTK_IMAGE(cv.widget), surface);
    if (surface) cairo_surface_destroy(surface);
    if (scaled && scaled != pixbuf) g_object_unref(scaled);
    g_object_unref(pixbuf);
}

void SyncControl(DialogView& view, ControlView& cv) {
    RECT r = ClientRect(cv.hwnd);
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    gtk_fixed_move(GTK_FIXED(view.fixed), cv.widget, r.left, r.top);
    bool isCombo = cv.kind == ControlKind::ComboBox || cv.kind == ControlKind::DropDownListComboBox;
    // A combo box's rectangle includes its dropped-down list; the field keeps its own height.
    gtk_widget_set_size_request(cv.widget, width, isCombo ? -1 : height);
    gtk_widget_set_visible(cv.widget, OwnVisible(cv.hwnd));
    gtk_widget_set_sensitive(cv.widget, IsWindowEnabled(cv.hwnd));
    std::string text = ToUtf8(WindowText(cv.hwnd));

    switch (cv.kind) {
    case ControlKind::GroupBox:
        // An empty label still puts the line at half the text height, as Win32 does.
        gtk_label_set_text(GTK_LABEL(gtk_frame_get_label_widget(GTK_FRAME(cv.widget))), text.c_str());
        if (text.empty())
            gtk_style_context_add_class(gtk_widget_get_style_context(gtk_frame_get_label_widget(GTK_FRAME(cv.widget))),
                                        "vexlar-empty");
        else
            gtk_style_context_remove_class(
                gtk_widget_get_style_context(gtk_frame_get_label_widget(GTK_FRAME(cv.widget))), "vexlar-empty");
        break;
    case ControlKind::StaticText:
        gtk_label_set_text(GTK_LABEL(cv.widget), text.c_str());
        break;
    case ControlKind::StaticBitmap:
        ShowPicture(cv, width, height);
        break;
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
        gtk_button_set_label(GTK_BUTTON(cv.widget), text.c_str());
        break;
    case ControlKind::CheckBox:
    case ControlKind::AutoCheckBox:
        gtk_button_set_label(GTK_BUTTON(cv.widget), text.c_str());
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(cv.widget),
                                     SendMessageA(cv.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED);
        break;
    case ControlKind::ComboBox:
    case ControlKind::DropDownListComboBox:
        SyncCombo(cv);
        break;
    case ControlKind::Trackbar: {
        const TrackbarState* state = FindTrackbar(cv.hwnd);
        if (!state) break;
        double low = state->minimum;
        double high = std::max(state->maximum, state->minimum);
        gtk_range_set_range(GTK_RANGE(cv.widget), low, high > low ? high : low + 1);
        gtk_range_set_increments(GTK_RANGE(cv.widget), std::max(state->lineSize, 1), std::max(state->pageSize, 1));
        gtk_range_set_value(GTK_RANGE(cv.widget), state->position);
        break;
    }
    case ControlKind::Unknown:
        break;
    }
}

// Where a label's text is wider than its rectangle, a control that starts
// within the text on the same line moves its left edge past the text (and a
// small gap) and keeps its right edge. Only the widgets move.
void KeepLabelsClear(DialogView& view) {
    struct Placed {
        ControlView* cv;
        RECT r;
    };
    std::vector<Placed> placed;
    for (auto& [hwnd, cv] : view.controls)
        if (IsWindow(hwnd) && OwnVisible(hwnd)) placed.push_back({cv.get(), ClientRect(hwnd)});
    for (const Placed& label : placed) {
        if (label.cv->kind != ControlKind::StaticText) continue;
        int minimum = 0, natural = 0;
        gtk_widget_get_preferred_width(label.cv->widget, &minimum, &natural);
        int textRight = label.r.left + std::max(minimum, natural);
        if (textRight <= label.r.right) continue;
        for (const Placed& other : placed) {
            if (other.cv == label.cv || other.cv->kind == ControlKind::GroupBox) continue;
            bool sameLine = other.r.top < label.r.bottom && label.r.top < other.r.bottom;
            bool inTheWay = other.r.left > label.r.left && other.r.left < textRight + view.labelGap;
            if (!sameLine || !inTheWay) continue;
            int left = std::min(textRight + view.labelGap, other.r.right - 1);
            gtk_fixed_move(GTK_FIXED(view.fixed), other.cv->widget, left, other.r.top);
            bool isCombo = other.cv->kind == ControlKind::ComboBox ||
                           other.cv->kind == ControlKind::DropDownListComboBox;
            gtk_widget_set_size_request(other.cv->widget, other.r.right - left,
                                        isCombo ? -1 : other.r.bottom - other.r.top);
        }
    }
}

void SyncDirty(DialogView& view) {
    view.syncing = true;
    std::set<HWND> dirty;
    dirty.swap(view.dirty);
    bool controlsChanged = false;
    for (HWND hwnd : dirty) {
        if (hwnd == view.dialog) {
            SyncDialogWindow(view);
            continue;
        }
        auto found = view.controls.find(hwnd);
        if (found != view.controls.end() && IsWindow(hwnd)) {
            SyncControl(view, *found->second);
            controlsChanged = true;
        }
    }
    if (controlsChanged) KeepLabelsClear(view);
    view.syncing = false;
}

gboolean SyncWhenIdle(gpointer data) {
    auto* view = static_cast<DialogView*>(data);
    view->idle = 0;
    SyncDirty(*view);
    return G_SOURCE_REMOVE;
}

void MarkDirty(DialogView& view, HWND hwnd) {
    view.dirty.insert(hwnd);
    if (!view.idle) view.idle = g_idle_add(SyncWhenIdle, &view);
}

void OnModelChanged(HWND hwnd) {
    if (DialogView* view = ViewOf(hwnd)) MarkDirty(*view, hwnd);
}

// ---- user input -----------------------------------------------------------------

struct Binding {
    DialogView* view;
    ControlView* control;
};

Binding* Bind(DialogView& view, ControlView& cv) {
    // Lives as long as the widget: freed by the destroy notify of the signal.
    return new Binding{&view, &cv};
}

void FreeBinding(gpointer data, GClosure*) { delete static_cast<Binding*>(data); }

template <typename Handler>
void Connect(GtkWidget* widget, const char* signal, Handler handler, DialogView& view, ControlView& cv) {
    g_signal_connect_data(widget, signal, G_CALLBACK(handler), Bind(view, cv), FreeBinding, GConnectFlags(0));
}

gboolean RunDeferred(gpointer data) {
    auto* action = static_cast<std::function<void()>*>(data);
    (*action)();
    delete action;
    return G_SOURCE_REMOVE;
}

// Runs `action` from the main loop rather than from inside GTK's event
// delivery: a click may open a nested modal dialog, whose window GTK only
// paints when the loop is not nested in the dispatch of an event.
void Deferred(std::function<void()> action) {
    g_idle_add_full(G_PRIORITY_DEFAULT, RunDeferred, new std::function<void()>(std::move(action)), nullptr);
}

// After a user action: the widget shows the model again (a plain check box,
// for one, does not check itself), when its dialog is still open.
void ShowModelAgain(DialogView* view, HWND hwnd) {
    if (ViewOf(hwnd) == view) MarkDirty(*view, hwnd);
}

void OnClicked(GtkButton*, gpointer data) {
    auto* b = static_cast<Binding*>(data);
    if (b->view->syncing) return;
    HWND hwnd = b->control->hwnd;
    DialogView* view = b->view;
    Deferred([view, hwnd] {
        if (ViewOf(hwnd) != view) return;
        UserClick(hwnd);
        ShowModelAgain(view, hwnd);
    });
}

void OnComboChanged(GtkComboBox* combo, gpointer data) {
    auto* b = static_cast<Binding*>(data);
    if (b->view->syncing) return;
    int index = gtk_combo_box_get_active(combo);
    HWND hwnd = b->control->hwnd;
    DialogView* view = b->view;
    Deferred([view, hwnd, index] {
        if (ViewOf(hwnd) != view) return;
        if (index >= 0) UserChooseComboItem(hwnd, index);
        ShowModelAgain(view, hwnd);
    });
}

int TrackbarPosition(HWND hwnd) { return static_cast<int>(SendMessageA(hwnd, TBM_GETPOS, 0, 0)); }

gboolean OnChangeValue(GtkRange*, GtkScrollType scroll, gdouble value, gpointer data) {
    auto* b = static_cast<Binding*>(data);
    if (b->view->syncing) return TRUE;
    ControlView& cv = *b->control;
    HWND hwnd = cv.hwnd;
    DialogView* view = b->view;
    int position = static_cast<int>(std::lround(value));
    switch (scroll) {
    case GTK_SCROLL_JUMP:
        if (cv.dragging) {
            cv.dragMoved = true;
            UserTrackbarAction(hwnd, TB_THUMBTRACK, position);
        } else if (position != TrackbarPosition(hwnd)) {  // the wheel
            UserTrackbarKey(hwnd, position > TrackbarPosition(hwnd) ? TB_LINEDOWN : TB_LINEUP);
        }
        break;
    case GTK_SCROLL_STEP_BACKWARD: UserTrackbarKey(hwnd, TB_LINEUP); break;
    case GTK_SCROLL_STEP_FORWARD: UserTrackbarKey(hwnd, TB_LINEDOWN); break;
    case GTK_SCROLL_PAGE_BACKWARD: UserTrackbarKey(hwnd, TB_PAGEUP); break;
    case GTK_SCROLL_PAGE_FORWARD: UserTrackbarKey(hwnd, TB_PAGEDOWN); break;
    case GTK_SCROLL_START: UserTrackbarKey(hwnd, TB_TOP); break;
    case GTK_SCROLL_END: UserTrackbarKey(hwnd, TB_BOTTOM); break;
    default: break;
    }
    if (ViewOf(hwnd) == view) MarkDirty(*view, hwnd);
    return TRUE;  // the model moves the slider
}

gboolean OnScalePress(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto* b = static_cast<Binding*>(data);
    if (event->type == GDK_BUTTON_PRESS && event->button == 1) {
        b->control->dragging = true;
        b->control->dragMoved = false;
    }
    return FALSE;
}

gboolean OnScaleRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto* b = static_cast<Binding*>(data);
    ControlView& cv = *b->control;
    if (event->button != 1 || !cv.dragging) return FALSE;
    cv.dragging = false;
    if (cv.dragMoved) {
        UserTrackbarAction(cv.hwnd, TB_THUMBPOSITION, TrackbarPosition(cv.hwnd));
        UserTrackbarAction(cv.hwnd, TB_ENDTRACK);
    }
    return FALSE;
}

gboolean OnKeyPress(GtkWidget* window, GdkEventKey* event, gpointer data) {
    auto* view = static_cast<DialogView*>(data);
    HWND dialog = view->dialog;
    if (event->keyval == GDK_KEY_Escape) {
        Deferred([dialog] { UserDialogKey(dialog, VK_ESCAPE); });
        return TRUE;
    }
    if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter || event->keyval == GDK_KEY_ISO_Enter) {
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
        // A focused push button takes Enter itself, as in Win32.
        if (focus && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus)) return FALSE;
        Deferred([dialog] { UserDialogKey(dialog, VK_RETURN); });
        return TRUE;
    }
    return FALSE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    HWND dialog = static_cast<DialogView*>(data)->dialog;
    Deferred([dialog] { UserCloseDialog(dialog); });
    return TRUE;
}

// ---- building ---------------------------------------------------------------------

void ApplyStyle(GtkWidget* window, int pointSize) {
    static GtkCssProvider* provider = nullptr;
    static int providerSize = 0;
    if (!provider || providerSize != pointSize) {
        if (!provider) provider = gtk_css_provider_new();
        providerSize = pointSize;
        std::string css =
            ".vexlar-dialog, .vexlar-dialog * { font-family: Sans; font-size: " + std::to_string(pointSize) +
            "pt; }\n"
            ".vexlar-dialog frame > label { margin: 0 4px 0 5px; }\n"
            ".vexlar-dialog frame > label.vexlar-empty { margin: 0; }\n"
            ".vexlar-dialog button { min-height: 0; min-width: 0; padding: 1px 6px; }\n"
            ".vexlar-dialog combobox button { padding: 0 4px; }\n"
            ".vexlar-dialog combobox entry { min-height: 0; padding: 0 4px; }\n"
            ".vexlar-dialog checkbutton { padding: 0; min-height: 0; }\n"
            ".vexlar-dialog checkbutton check { margin: 0 4px 0 0; min-width: 12px; min-height: 12px; }\n"
            ".vexlar-dialog scale { padding: 0 4px; min-height: 0; }\n"
            ".vexlar-dialog scale trough { min-height: 4px; }\n"
            ".vexlar-dialog scale slider { min-width: 12px; min-height: 12px; margin: -5px; }\n";
        gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
        gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
    gtk_style_context_add_class(gtk_widget_get_style_context(window), "vexlar-dialog");
}

GtkWidget* MakeWidget(DialogView& view, ControlView& cv) {
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(cv.hwnd, GWL_STYLE));
    switch (cv.kind) {
    case ControlKind::GroupBox:
        return gtk_frame_new("");
    case ControlKind::StaticText: {
        GtkWidget* label = gtk_label_new(nullptr);
        DWORD align = style & SS_TYPEMASK;
        gtk_label_set_xalign(GTK_LABEL(label), align == SS_CENTER ? 0.5f : align == SS_RIGHT ? 1.0f : 0.0f);
        gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
        return label;
    }
    case ControlKind::StaticBitmap:
        return gtk_image_new();
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        GtkWidget* button = gtk_button_new_with_label("");
        Connect(button, "clicked", OnClicked, view, cv);
        if (cv.kind == ControlKind::DefPushButton) {
            gtk_widget_set_can_default(button, TRUE);
            gtk_window_set_default(GTK_WINDOW(view.window), button);
        }
        return button;
    }
    case ControlKind::CheckBox:
    case ControlKind::AutoCheckBox: {
        GtkWidget* check = gtk_check_button_new_with_label("");
        Connect(check, "clicked", OnClicked, view, cv);
        return check;
    }
    case ControlKind::ComboBox:
    case ControlKind::DropDownListComboBox: {
        bool entry = cv.kind == ControlKind::ComboBox;
        GtkWidget* combo = entry ? gtk_combo_box_text_new_with_entry() : gtk_combo_box_text_new();
        if (entry) {
            GtkWidget* field = gtk_bin_get_child(GTK_BIN(combo));
            gtk_editable_set_editable(GTK_EDITABLE(field), FALSE);  // the model has no edit text
            gtk_entry_set_width_chars(GTK_ENTRY(field), 1);
        }
        Connect(combo, "changed", OnComboChanged, view, cv);
        return combo;
    }
    case ControlKind::Trackbar: {
        GtkWidget* scale = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
        gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
        Connect(scale, "change-value", OnChangeValue, view, cv);
        Connect(scale, "button-press-event", OnScalePress, view, cv);
        Connect(scale, "button-release-event", OnScaleRelease, view, cv);
        return scale;
    }
    case ControlKind::Unknown:
        return nullptr;
    }
    return nullptr;
}

// The program's icon: the executable's first icon resource (a PNG here), as
// Win32 takes the first icon group for the program; else the installed icon
// of that name in the theme.
void SetProgramIcon(GtkWidget* window) {
    static GdkPixbuf* icon = [] {
        size_t count = 0;
        const EmbeddedResource* table = ActiveResources(&count);
        const EmbeddedResource* first = nullptr;
        for (size_t i = 0; i < count; ++i) {
            if (table[i].typeId == 14 /* RT_GROUP_ICON */ && (!first || table[i].id < first->id)) first = &table[i];
        }
        if (!first) return static_cast<GdkPixbuf*>(nullptr);
        GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
        GdkPixbuf* pixbuf = nullptr;
        if (gdk_pixbuf_loader_write(loader, first->data, first->size, nullptr) &&
            gdk_pixbuf_loader_close(loader, nullptr)) {
            pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
            if (pixbuf) g_object_ref(pixbuf);
        } else {
            gdk_pixbuf_loader_close(loader, nullptr);
        }
        g_object_unref(loader);
        return pixbuf;
    }();
    if (icon)
        gtk_window_set_icon(GTK_WINDOW(window), icon);
    else
        gtk_window_set_icon_name(GTK_WINDOW(window), "vexlar3d");
}

void SetOwner(DialogView& view) {
    HWND owner = DialogOwner(view.dialog);
    if (!owner) return;
    if (DialogView* ownerView = ViewOf(owner); ownerView && ownerView->dialog == owner) {
        gtk_window_set_transient_for(GTK_WINDOW(view.window), GTK_WINDOW(ownerView->window));
        return;
    }
    // A window of another program (/c:N): keep the dialog above it where X11 allows.
    auto xid = reinterpret_cast<uintptr_t>(owner);
    GdkDisplay* display = gdk_display_get_default();
    if (xid >= (uintptr_t{1} << 29) || !GDK_IS_X11_DISPLAY(display)) return;
    gtk_widget_realize(view.window);
    gdk_x11_display_error_trap_push(display);
    GdkWindow* foreign = gdk_x11_window_foreign_new_for_display(display, static_cast<Window>(xid));
    if (foreign) {
        gdk_window_set_transient_for(gtk_widget_get_window(view.window), foreign);
        g_object_unref(foreign);
    }
    gdk_x11_display_error_trap_pop_ignored(display);
}

// ---- the test dump --------------------------------------------------------------------

std::string Quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '"' || *p == '\\') out += '\\';
        out += *p;
    }
    return out + "\"";
}

void DumpView(DialogView& view) {
    int originX = 0, originY = 0;
    gdk_window_get_origin(gtk_widget_get_window(view.window), &originX, &originY);
    int id = DialogTemplateId(view.dialog);
    GdkPixbuf* icon = gtk_window_get_icon(GTK_WINDOW(view.window));
    std::fprintf(stderr, "vexlar3d-dialog: %d window x=%d y=%d w=%d h=%d scale=%d icon=%d title=%s\n", id, originX,
                 originY, gtk_widget_get_allocated_width(view.window), gtk_widget_get_allocated_height(view.window),
                 gtk_widget_get_scale_factor(view.window), icon ? gdk_pixbuf_get_width(icon) : 0,
                 Quoted(gtk_window_get_title(GTK_WINDOW(view.window))).c_str());
    for (auto& [hwnd, cv] : view.controls) {
        GtkWidget* w = cv->widget;
        int x = 0, y = 0;
        gtk_widget_translate_coordinates(w, view.window, 0, 0, &x, &y);
        std::string state;
        const char* kind = "other";
        switch (cv->kind) {
        case ControlKind::GroupBox:
            kind = "group";
            state = "text=" + Quoted(gtk_label_get_text(GTK_LABEL(gtk_frame_get_label_widget(GTK_FRAME(w)))));
            break;
        case ControlKind::StaticText:
            kind = "label";
            state = "text=" + Quoted(gtk_label_get_text(GTK_LABEL(w)));
            break;
        case ControlKind::StaticBitmap:
            kind = "picture";
            state = std::string("picture=") + (cv->shownWidth > 0 ? "1" : "0") +
                    " shown=" + std::to_string(cv->shownWidth) + "x" + std::to_string(cv->shownHeight);
            break;
        case ControlKind::PushButton:
        case ControlKind::DefPushButton: state = "text=" + Quoted(gtk_button_get_label(GTK_BUTTON(w))); break;
        case ControlKind::CheckBox:
        case ControlKind::AutoCheckBox:
            kind = "check";
            state = std::string("checked=") + (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w)) ? "1" : "0") +
                    " text=" + Quoted(gtk_button_get_label(GTK_BUTTON(w)));
            break;
        case ControlKind::ComboBox:
        case ControlKind::DropDownListComboBox: {
            gchar* active = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(w));
            state = "items=" + std::to_string(cv->items.size()) + " text=" + Quoted(active);
            g_free(active);
            break;
        }
        case ControlKind::Trackbar:
            state = "value=" + std::to_string(std::lround(gtk_range_get_value(GTK_RANGE(w))));
            break;
        case ControlKind::Unknown: break;
        }
        std::fprintf(stderr, "vexlar3d-dialog: %d control %d x=%d y=%d w=%d h=%d visible=%d enabled=%d kind=%s %s\n",
                     id, GetDlgCtrlID(hwnd), originX + x, originY + y, gtk_widget_get_allocated_width(w),
                     gtk_widget_get_allocated_height(w), gtk_widget_get_visible(w) ? 1 : 0,
                     gtk_widget_is_sensitive(w) ? 1 : 0, kind, state.c_str());
    }
    std::fprintf(stderr, "vexlar3d-dialog: %d shown\n", id);
    std::fflush(stderr);
}

gboolean DumpWhenSettled(gpointer data) {
    auto* view = static_cast<DialogView*>(data);
    for (DialogView* live : Views()) {
        if (live == view && !view->dumped) {
            view->dumped = true;
            SyncDirty(*view);
            DumpView(*view);
        }
    }
    return G_SOURCE_REMOVE;
}

gboolean OnMapped(GtkWidget*, GdkEvent*, gpointer data) {
    const char* dump = std::getenv("VEXLAR_DIALOG_DUMP");
    if (dump && *dump) g_timeout_add(300, DumpWhenSettled, data);
    return FALSE;
}

gboolean Wake(gpointer) { return G_SOURCE_CONTINUE; }

}  // namespace

bool GtkDialogsAvailable() {
    if (!DisplayNamed()) return false;
    static const bool initialised = gtk_init_check(nullptr, nullptr);
    return initialised;
}

DialogBaseUnits GtkDialogBaseUnits(int pointSize) {
    PangoFontMap* fontMap = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(fontMap);
    GdkScreen* screen = gdk_screen_get_default();
    double dpi = screen ? gdk_screen_get_resolution(screen) : -1;
    pango_cairo_context_set_resolution(context, dpi > 0 ? dpi : 96.0);
    PangoFontDescription* font = pango_font_description_from_string("Sans");
    pango_font_description_set_size(font, (pointSize > 0 ? pointSize : 8) * PANGO_SCALE);
    PangoLayout* layout = pango_layout_new(context);
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", -1);
    int width = 0, height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    PangoFontMetrics* metrics = pango_context_get_metrics(context, font, nullptr);
    int fontHeight = PANGO_PIXELS(pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics));
    pango_font_metrics_unref(metrics);
    g_object_unref(layout);
    pango_font_description_free(font);
    g_object_unref(context);
    // Win32's rule: half of (width of the 52 letters / 26), rounded up.
    DialogBaseUnits units{(width / 26 + 1) / 2, fontHeight > 0 ? fontHeight : height};
    if (units.x <= 0 || units.y <= 0) units = kClassicDialogBaseUnits;
    return units;
}

RECT GtkDialogScreenArea() {
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
    if (!monitor && display) monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return RECT{0, 0, 640, 480};
    GdkRectangle area{};
    gdk_monitor_get_workarea(monitor, &area);
    return RECT{area.x, area.y, area.x + area.width, area.y + area.height};
}

void RunGtkModalDialog(HWND dialog) {
    static bool observing = false;
    if (!observing) {
        observing = true;
        SetWindowChangeObserver(OnModelChanged);
        SetControlObserver(OnModelChanged);
    }

    DialogView view;
    view.dialog = dialog;
    view.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_resizable(GTK_WINDOW(view.window), FALSE);
    gtk_window_set_modal(GTK_WINDOW(view.window), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(view.window), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_position(GTK_WINDOW(view.window), GTK_WIN_POS_NONE);
    gtk_window_set_keep_above(GTK_WINDOW(view.window), TRUE);
    // No system menu, no close box.
    gtk_window_set_deletable(GTK_WINDOW(view.window), (GetWindowLongPtrA(dialog, GWL_STYLE) & WS_SYSMENU) != 0);
    ApplyStyle(view.window, DialogFontSize(dialog));
    SetProgramIcon(view.window);
    view.labelGap = std::max(1, GtkDialogBaseUnits(DialogFontSize(dialog)).x / 2);  // 2 dialog units
    view.fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(view.window), view.fixed);

    for (HWND child : ChildWindows(dialog)) {
        auto cv = std::make_unique<ControlView>();
        cv->hwnd = child;
        cv->kind = KindOfControl(child);
        cv->widget = MakeWidget(view, *cv);
        if (!cv->widget) continue;
        gtk_fixed_put(GTK_FIXED(view.fixed), cv->widget, 0, 0);
        view.dirty.insert(child);
        view.controls[child] = std::move(cv);
    }
    view.dirty.insert(dialog);
    Views().push_back(&view);
    SetOwner(view);
    g_signal_connect(view.window, "key-press-event", G_CALLBACK(OnKeyPress), &view);
    g_signal_connect(view.window, "delete-event", G_CALLBACK(OnDelete), &view);
    g_signal_connect(view.window, "map-event", G_CALLBACK(OnMapped), &view);

    SyncDirty(view);
    gtk_widget_show_all(view.fixed);
    SyncDirty(view);  // widgets hidden in the model stay hidden
    for (auto& [hwnd, cv] : view.controls) gtk_widget_set_visible(cv->widget, OwnVisible(hwnd));
    gtk_widget_show(view.window);
    gtk_window_present(GTK_WINDOW(view.window));

    // Wakes the loop now and then, so that signals and this layer's own
    // queue are looked at even when GTK has nothing to do.
    guint wake = g_timeout_add(50, Wake, nullptr);
    while (!DialogEnded(dialog)) {
        DispatchQueuedMessages(dialog);
        if (DialogEnded(dialog)) break;
        g_main_context_iteration(nullptr, TRUE);
    }
    g_source_remove(wake);

    if (view.idle) g_source_remove(view.idle);
    for (auto it = Views().begin(); it != Views().end(); ++it) {
        if (*it == &view) {
            Views().erase(it);
            break;
        }
    }
    gtk_widget_destroy(view.window);
    while (gtk_events_pending()) gtk_main_iteration();
}

}  // namespace platform
