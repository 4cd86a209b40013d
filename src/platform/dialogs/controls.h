// controls.h — the button, static and trackbar control models of the Win32
// layer, and the user actions that drive every control.
//
// "Button" keeps a check state (BM_GETCHECK, BM_SETCHECK; BM_CLICK clicks);
// "Static" keeps an SS_BITMAP picture (STM_SETIMAGE, STM_GETIMAGE);
// "msctls_trackbar32" keeps range, position, line and page size (TBM_*).
// Texts, enabled state and geometry are the window's own (window_manager).
// The User* functions do what a user's click, choice or key does to a
// control, including the notifications Win32 sends to its parent; the GTK
// view calls them for real input and tests call them to play a user. Disabled
// controls ignore them, as they ignore the mouse.
#pragma once

#include <commctrl.h>
#include <windows.h>

#include <functional>

namespace platform {

// Registers "Button", "Static" and "msctls_trackbar32" (RegisterControlClasses
// in combo_box.h registers these and "ComboBox").
void RegisterStandardControlClasses();

enum class ControlKind {
    Unknown,
    PushButton,
    DefPushButton,
    CheckBox,
    AutoCheckBox,
    GroupBox,
    StaticText,
    StaticBitmap,
    ComboBox,
    DropDownListComboBox,
    Trackbar,
};
// What a window is, from its class and style.
ControlKind KindOfControl(HWND control);

struct TrackbarState {
    int minimum = 0;
    int maximum = 100;
    int position = 0;
    int lineSize = 1;
    int pageSize = 20;
};
// The model of a trackbar window, or null when the window is none.
const TrackbarState* FindTrackbar(HWND control);

// Called after a message changed a control's check, picture, items,
// selection or position (one observer; an empty function removes it).
void SetControlObserver(std::function<void(HWND control)> observer);
void NotifyControlChanged(HWND control);

// A click on a button: an auto check box toggles, then the parent gets
// WM_COMMAND with BN_CLICKED.
void UserClick(HWND button);
// A choice in a combo box's list: the selection moves, then the parent gets
// CBN_SELENDOK, CBN_CLOSEUP and CBN_SELCHANGE.
void UserChooseComboItem(HWND comboBox, int index);
// One trackbar notification as a user causes it: the position moves by the
// code (TB_LINEUP ... TB_BOTTOM; `position` for TB_THUMBTRACK and
// TB_THUMBPOSITION), clamped to the range, then the parent gets WM_HSCROLL.
// TB_ENDTRACK moves nothing.
void UserTrackbarAction(HWND trackbar, int code, int position = 0);
// A key or a page click on a trackbar: the code, then TB_ENDTRACK.
void UserTrackbarKey(HWND trackbar, int code);

}  // namespace platform
