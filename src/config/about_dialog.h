// about_dialog.h — the About box (dialog resource 235): the localized title,
// the OK caption and the seven About lines; OK ends it with 1, Escape with 2.
#pragma once

#include <windows.h>

inline constexpr int kAboutDialogId = 235;
inline constexpr int kFirstAboutLine = 1093;

INT_PTR AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// WM_INITDIALOG gives TRUE; WM_COMMAND from control 1 ends the dialog with 1
// and from control 2 with 2, both TRUE; everything else FALSE.
INT_PTR OkCancelDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
