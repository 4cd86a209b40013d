// combo_box.h — the combo-box control model of the Win32 layer.
//
// Windows of the class "ComboBox" (WC_COMBOBOXA) hold an item list with item
// data and a current selection, driven by the CB_* messages with Win32's
// results: CB_ADDSTRING appends and returns the new index, a bad index gives
// CB_ERR, CB_SETCURSEL with -1 clears the selection. Items are not sorted.
// The dialog layer shows this model; it reads it through FindComboBox and
// hears of changes through the observer.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace platform {

// Registers the control classes ("ComboBox", and "Button", "Static" and
// "msctls_trackbar32" of controls.h). Selecting a window backend
// forgets every class, so callers that create controls call this first; a
// class already registered stays as it is.
void RegisterControlClasses();

struct ComboBoxItem {
    std::string text;
    LPARAM data = 0;
};

struct ComboBoxState {
    std::vector<ComboBoxItem> items;
    int selection = CB_ERR;
};

// The model of a combo-box window, or null when the window is none.
const ComboBoxState* FindComboBox(HWND control);

// Called after any message changed a combo box's items or selection.
void SetComboBoxObserver(std::function<void(HWND control)> observer);

}  // namespace platform
