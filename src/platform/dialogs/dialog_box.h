// dialog_box.h — the dialog manager: dialogs built from templates, their
// window procedure, the modal loop, and how tests drive dialogs without a
// display.
//
// A dialog is a window of the class "#32770" whose procedure (DefDlgProcA)
// passes every message to the dialog procedure first and, when that returns
// FALSE, does what Win32's default does: WM_CLOSE becomes WM_COMMAND IDCANCEL.
// Controls are created from the template in its order with ids from it,
// their rectangles converted from dialog units; an SS_BITMAP static whose
// text names a bitmap resource shows it (nothing when the resource is
// missing). DS_CENTER centres the dialog on the screen (on a display, the
// primary monitor's work area in GTK's pixels, which GDK_SCALE divides);
// otherwise the template's position is taken relative to the owner's client
// area.
//
// DialogBoxParamA disables its owner (a window of this process), sends
// WM_INITDIALOG, shows the dialog and runs until EndDialog. On a display it
// is a GTK 3 window (dialog_view_gtk.cpp) with dialog units of the sans font
// at the template's size. With the headless window backend nothing is shown:
// the dialog uses kClassicDialogBaseUnits and the modal-dialog hook, when one
// is set, plays the user; a dialog left open after it gets Escape, and one
// that stays open even then is destroyed and the call returns -1. Without a
// display, or when the template cannot be read, DialogBoxParamA returns -1.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/dialogs/dialog_template.h"

namespace platform {

// Called by DialogBoxParamA on the headless backend with the initialised,
// shown dialog and the template id; nested dialogs call it again.
using ModalDialogHook = std::function<void(HWND dialog, int templateId)>;
void SetModalDialogHook(ModalDialogHook hook);

// Keys a user presses in a dialog: VK_RETURN sends the command of the
// default push button (IDOK when there is none), VK_ESCAPE sends IDCANCEL;
// nothing happens when that button exists and is disabled.
void UserDialogKey(HWND dialog, WPARAM key);
// The close box of the dialog's window (WM_SYSCOMMAND SC_CLOSE).
void UserCloseDialog(HWND dialog);

// What the manager knows of a dialog window.
bool IsDialogWindow(HWND hwnd);
bool DialogEnded(HWND dialog);
// What EndDialog gave an ended dialog; -1 while it runs.
INT_PTR DialogResult(HWND dialog);
HWND DialogOwner(HWND dialog);
int DialogTemplateId(HWND dialog);
DialogBaseUnits DialogUnitsOf(HWND dialog);
// The template's font size in points (8 without FONT).
int DialogFontSize(HWND dialog);

// The id of the control that Enter activates: the default push button, or IDOK.
int DefaultButtonId(HWND dialog);

// Dispatches the queued messages of the thread, as a dialog's modal loop
// does, until the dialog ends or the queue is empty. WM_QUIT ends the dialog
// with IDCANCEL and is posted again for the loop outside.
void DispatchQueuedMessages(HWND dialog);

}  // namespace platform
