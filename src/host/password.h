// password.h — the screen-saver password of the older Windows family.
//
// Loads the system's password provider when the user has switched the
// password on, tells the system while a protected saver runs, and runs the
// password change. On any other system every call here does nothing, and
// every failure leaves the saver without a password.
#pragma once

#include <windows.h>

// Loads "PASSWORD.CPL" and its "VerifyScreenSavePwd" into Host when
// "ScreenSaveUsePassword" is on; replaces a provider already loaded.
void LoadPasswordProvider();
void UnloadPasswordProvider();
// Sets or clears the system's screen-saver-running state.
void SetSaverRunning(bool running);
// The password change of the display control panel, owned by `parent`.
void ChangePassword(HWND parent);
