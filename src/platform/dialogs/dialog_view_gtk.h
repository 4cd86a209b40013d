// dialog_view_gtk.h — dialogs on a display: the GTK 3 window that shows a
// dialog and its controls, kept apart from windows.h so that GTK's headers
// never meet the Win32 declarations.
#pragma once

#include <windows.h>

#include "platform/dialogs/dialog_template.h"

namespace platform {

// True when a display is named and GTK 3 opened it.
bool GtkDialogsAvailable();

// Base units of the desktop's sans font at `pointSize` points (8 for 0),
// measured with Pango at the screen's resolution.
DialogBaseUnits GtkDialogBaseUnits(int pointSize);

// The primary monitor's work area (else the first monitor's) in GTK's
// application pixels: what a centred dialog is centred on. At GDK_SCALE=2 it
// is half the X screen's size each way, as the dialog's own pixels are.
RECT GtkDialogScreenArea();

// Shows the dialog window and its controls and runs GTK's and this layer's
// queues until the dialog ends.
void RunGtkModalDialog(HWND dialog);

}  // namespace platform
