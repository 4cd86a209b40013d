// config_dialog.h — the settings dialog (dialog resource 2003): shows and
// edits CurrentSettings, stores them on OK, and leaves the registry alone on
// Cancel. All texts come from the localization table.
//
// Every click edits CurrentSettings at once. The sliders store their position
// on every notification they send, so that what OK stores is what they show.
// OK stores the fields that differ from what the dialog read when it opened
// (a video mode it fell back to included) over the file as it is then, so
// that two dialogs open at once keep each other's changes.
// At the first opening in a process the bottom row of buttons moves up by
// kConfigLayoutShift pixels and the dialog shrinks by as much, closing the
// empty band under the Products group.
#pragma once

#include <windows.h>

inline constexpr int kConfigDialogId = 2003;
inline constexpr int kConfigLayoutShift = 44;

// Control ids of the template.
enum ConfigControl : int {
    kVideoModeGroup = 1103,
    kSoundsGroup = 1104,
    kOptionsGroup = 1105,
    kProductsGroup = 1106,
    kVexlarOptionsGroup = 1108,
    kVideoModeList = 1011,
    kUseDesktopSettingsCheck = 1012,
    kVolumeLabel = 1022,
    kVolumeSlider = 1023,
    kMusicCheck = 1021,
    kShowFpsCheck = 1044,
    kShowTimeCheck = 1043,
    kHighQualityCheck = 1078,
    kExitOnMouseMoveCheck = 1045,
    kShowRaysCheck = 1080,
    kShowPicturesCheck = 1042,
    kStreamsLabel = 1109,
    kStreamsList = 1015,
    kBackgroundLabel = 1110,
    kBackgroundList = 1033,
    kBrightnessLabel = 1111,
    kBrightnessSlider = 1034,
    kVisitButton = 1061,
    kAboutButton = 1062,
    kRestoreDefaultsButton = 1063,
    kProductsText = 1112,
};

INT_PTR ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Sets every control from CurrentSettings (captions first), choosing a video
// mode the device offers: the stored one, else 800 x 600 x 16, else the first.
void RefreshConfigControls(HWND dialog);
// Refills the Streams and Background lists and selects the current kinds.
void FillStreamAndBackgroundCombos(HWND dialog);
// Sets the title and captions; the first call in the process also moves the
// bottom buttons up and shrinks the dialog.
void ApplyConfigCaptions(HWND dialog);
// Moves a control by (dx, dy) pixels within its dialog, size unchanged.
void MoveControlBy(HWND control, HWND dialog, int dx, int dy);

// Lets the next ApplyConfigCaptions move the buttons again (tests).
void ResetConfigLayoutStep();
