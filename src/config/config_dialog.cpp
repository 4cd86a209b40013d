// config_dialog.cpp — the settings dialog's procedure and its helpers.
#include "config/config_dialog.h"

#include <commctrl.h>

#include <string>

#include "config/video_mode_menu.h"
#include "config/about_dialog.h"
#include "config/defaults_file.h"
#include "config/registry_settings.h"
#include "config/settings.h"
#include "config/string_table.h"
#include "platform/platform.h"

namespace {

VideoModeMenu& Menu() {
    static VideoModeMenu menu;
    return menu;
}

bool FindVideoMode(LONG height, LONG width, LONG bitCount) {
    return Menu().find && Menu().find(height, width, bitCount);
}

// Stores the mode the menu gives (its first, or its selected one) in the
// record's fields, which are 32 bits where LONG may be wider.
void TakeVideoMode(void (*give)(LONG* height, LONG* width, LONG* bitCount), Settings& s) {
    if (!give) return;
    LONG height = s.Height, width = s.Width, bitCount = s.BitCount;
    give(&height, &width, &bitCount);
    s.Height = static_cast<int32_t>(height);
    s.Width = static_cast<int32_t>(width);
    s.BitCount = static_cast<int32_t>(bitCount);
}

// Fills the mode list with the menu's entries, item data = index in the
// list, the current mode selected.
void FillVideoModeList(HWND dialog) {
    SendDlgItemMessageA(dialog, kVideoModeList, CB_RESETCONTENT, 0, 0);
    if (!Menu().entries) return;
    const VideoModeEntries entries = Menu().entries();
    for (size_t i = 0; i < entries.labels.size(); ++i) {
        LRESULT item = SendDlgItemMessageA(dialog, kVideoModeList, CB_ADDSTRING, 0,
                                           reinterpret_cast<LPARAM>(entries.labels[i].c_str()));
        SendDlgItemMessageA(dialog, kVideoModeList, CB_SETITEMDATA, static_cast<WPARAM>(item),
                            static_cast<LPARAM>(i));
        if (i == entries.selected)
            SendDlgItemMessageA(dialog, kVideoModeList, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
}

bool layoutPending = true;

// The settings as read when the dialog opened: OK stores only what differs
// from them (and what the file lacks), over the file as it is by then.
Settings& OpenedSettings() {
    static Settings opened = BuiltInSettings;
    return opened;
}

struct Caption {
    int id;
    const wchar_t* key;
};

// In the order the captions are set.
constexpr Caption kCaptions[] = {
    {kVideoModeGroup, L"video_mode_selection"},
    {kUseDesktopSettingsCheck, L"use_desktop_settings"},
    {kMusicCheck, L"enable_music"},
    {kShowTimeCheck, L"show_time"},
    {kRestoreDefaultsButton, L"restore_defaults"},
    {kVisitButton, L"visit..."},
    {kAboutButton, L"about"},  // followed by "..."
    {kExitOnMouseMoveCheck, L"exit_on_mouse_move"},
    {kShowFpsCheck, L"show_fps"},
    {kProductsText, L"visit_our_official_web-site_for_more_great_3D_screensavers"},
    {kProductsGroup, L"products"},
    {kVolumeLabel, L"master_volume:"},
    {kOptionsGroup, L"options"},
    {kHighQualityCheck, L"high_quality_textures"},
    {kVexlarOptionsGroup, L"vexlar_options"},
    {kSoundsGroup, L"sounds"},
    {kShowRaysCheck, L"show_rays"},
    {kShowPicturesCheck, L"show_picture"},
    {kStreamsLabel, L"streams"},
    {kBackgroundLabel, L"background"},
    {kBrightnessLabel, L"brightness"},
    {IDOK, L"ok"},
    {IDCANCEL, L"cancel"},
};

struct Toggle {
    int id;
    int32_t Settings::*field;
};

// Check boxes that only toggle their field.
constexpr Toggle kPlainToggles[] = {
    {kShowFpsCheck, &Settings::ShowFPS},           {kShowTimeCheck, &Settings::ShowTime},
    {kExitOnMouseMoveCheck, &Settings::ExitOnMouseMove}, {kShowRaysCheck, &Settings::DoThrottle},
    {kShowPicturesCheck, &Settings::ShowPictures}, {kHighQualityCheck, &Settings::HiTexQuality},
};

void SetCheck(HWND dialog, int id, int32_t value) {
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

int32_t Toggled(int32_t value) { return value == 0 ? 1 : 0; }

void EnableVolume(HWND dialog, bool enable) {
    EnableWindow(GetDlgItem(dialog, kVolumeSlider), enable ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog, kVolumeLabel), enable ? TRUE : FALSE);
}

void FillKindList(HWND dialog, int id, const wchar_t* const (&keys)[3], int32_t field) {
    SendDlgItemMessageA(dialog, id, CB_RESETCONTENT, 0, 0);
    for (int data = 0; data < 3; ++data) {
        std::string text = LookupString(keys[data]);
        LRESULT index = SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendDlgItemMessageA(dialog, id, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
        if (field == data + 1) SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

void SetSlider(HWND dialog, int id, int minimum, int maximum, int32_t position) {
    SendDlgItemMessageA(dialog, id, TBM_SETRANGE, TRUE, MAKELONG(minimum, maximum));
    SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, position);
    SendDlgItemMessageA(dialog, id, TBM_SETPAGESIZE, 0, 10);
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int notification = HIWORD(wParam);
    Settings& s = CurrentSettings;
    for (const Toggle& toggle : kPlainToggles) {
        if (id != toggle.id) continue;
        s.*toggle.field = Toggled(s.*toggle.field);
        SetCheck(dialog, id, s.*toggle.field);
        return TRUE;
    }
    switch (id) {
    case kMusicCheck:
        s.Music = Toggled(s.Music);
        SetCheck(dialog, id, s.Music);
        EnableVolume(dialog, s.Music != 0);
        return TRUE;
    case kUseDesktopSettingsCheck:
        s.UseDesktopSettings = Toggled(s.UseDesktopSettings);
        SetCheck(dialog, id, s.UseDesktopSettings);
        EnableWindow(GetDlgItem(dialog, kVideoModeList), s.UseDesktopSettings == 0 ? TRUE : FALSE);
        return TRUE;
    case kAboutButton:
        DialogBoxParamA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE)),
                        MAKEINTRESOURCEA(kAboutDialogId), dialog, AboutDialogProc, 0);
        return TRUE;
    case kRestoreDefaultsButton:
        CurrentSettings = DefaultSettings;
        RefreshConfigControls(dialog);
        return TRUE;
    case kVisitButton:
        ShellExecuteA(dialog, "open", ProductWebPageAddress.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return TRUE;
    case IDOK:
        if (WriteChangedSettings(CurrentSettings, OpenedSettings()) != ERROR_SUCCESS) {
            // Say so, and end with another code than OK's: nothing was stored.
            const std::string text = "The settings could not be stored.\n\n" + platform::RegistryWriteFailure();
            MessageBoxA(dialog, text.c_str(), "Vexlar 3D", MB_OK | MB_ICONERROR);
            EndDialog(dialog, IDABORT);
            return TRUE;
        }
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        break;
    }
    if (notification != CBN_SELENDOK) return FALSE;
    HWND list = reinterpret_cast<HWND>(lParam);
    LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return TRUE;
    LRESULT data = SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    if (id == kVideoModeList) {
        if (Menu().select) Menu().select(static_cast<DWORD>(data));
        TakeVideoMode(Menu().getSelected, s);
    } else if (id == kStreamsList) {
        s.VexlarStream = static_cast<int32_t>(data) + 1;
    } else if (id == kBackgroundList) {
        s.Background = static_cast<int32_t>(data) + 1;
    }
    FillStreamAndBackgroundCombos(dialog);
    FillVideoModeList(dialog);
    return TRUE;
}

// Every notification a slider sends stores its position (keys, clicks and
// drags alike), so the value stored on OK is the value shown.
INT_PTR OnTrackbar(HWND dialog) {
    int32_t volume = static_cast<int32_t>(SendDlgItemMessageA(dialog, kVolumeSlider, TBM_GETPOS, 0, 0));
    if (volume != CurrentSettings.MusicVolume) {
        CurrentSettings.MusicVolume = volume;
        return TRUE;
    }
    int32_t brightness = static_cast<int32_t>(SendDlgItemMessageA(dialog, kBrightnessSlider, TBM_GETPOS, 0, 0));
    if (brightness != CurrentSettings.BackgroundBr) CurrentSettings.BackgroundBr = brightness;
    return TRUE;
}

}  // namespace

void MoveControlBy(HWND control, HWND dialog, int dx, int dy) {
    RECT r{};
    GetWindowRect(control, &r);
    POINT corner{r.left, r.top};
    ScreenToClient(dialog, &corner);
    ShowWindow(control, SW_HIDE);
    SetWindowPos(control, nullptr, corner.x + dx, corner.y + dy, r.right - r.left, r.bottom - r.top, SWP_HIDEWINDOW);
    ShowWindow(control, SW_SHOW);
}

void ApplyConfigCaptions(HWND dialog) {
    SetWindowTextA(dialog, LookupString(L"screensaver_configuration").c_str());
    for (const Caption& caption : kCaptions) {
        std::string text = LookupString(caption.key);
        if (caption.id == kAboutButton) text += "...";
        SetDlgItemTextA(dialog, caption.id, text.c_str());
    }
    if (!layoutPending) return;
    layoutPending = false;
    for (int id : {IDOK, IDCANCEL, static_cast<int>(kRestoreDefaultsButton)})
        MoveControlBy(GetDlgItem(dialog, id), dialog, 0, -kConfigLayoutShift);
    RECT r{};
    GetWindowRect(dialog, &r);
    ShowWindow(dialog, SW_HIDE);
    SetWindowPos(dialog, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top - kConfigLayoutShift, 0);
    ShowWindow(dialog, SW_SHOW);
}

void ResetConfigLayoutStep() { layoutPending = true; }

void SetVideoModeMenu(const VideoModeMenu& menu) { Menu() = menu; }

void FillStreamAndBackgroundCombos(HWND dialog) {
    static const wchar_t* const kStreams[3] = {L"few", L"normal", L"many"};
    static const wchar_t* const kBackgrounds[3] = {L"none", L"simple", L"complex"};
    FillKindList(dialog, kStreamsList, kStreams, CurrentSettings.VexlarStream);
    FillKindList(dialog, kBackgroundList, kBackgrounds, CurrentSettings.Background);
}

void RefreshConfigControls(HWND dialog) {
    Settings& s = CurrentSettings;
    LoadStringTable();
    ApplyConfigCaptions(dialog);

    if (!FindVideoMode(s.Height, s.Width, s.BitCount)) {
        if (FindVideoMode(600, 800, 16)) {
            s.Height = 600;
            s.Width = 800;
            s.BitCount = 16;
        } else {
            TakeVideoMode(Menu().selectFirst, s);
        }
    }
    FillVideoModeList(dialog);
    FillStreamAndBackgroundCombos(dialog);

    SetCheck(dialog, kShowFpsCheck, s.ShowFPS);
    SetCheck(dialog, kShowTimeCheck, s.ShowTime);
    SetCheck(dialog, kExitOnMouseMoveCheck, s.ExitOnMouseMove);
    SetCheck(dialog, kShowRaysCheck, s.DoThrottle);
    SetCheck(dialog, kShowPicturesCheck, s.ShowPictures);
    SetCheck(dialog, kMusicCheck, s.Music);
    SetCheck(dialog, kUseDesktopSettingsCheck, s.UseDesktopSettings);
    EnableWindow(GetDlgItem(dialog, kVideoModeList), s.UseDesktopSettings == 0 ? TRUE : FALSE);
    SetCheck(dialog, kHighQualityCheck, s.HiTexQuality);

    SetSlider(dialog, kVolumeSlider, 1, 100, s.MusicVolume);
    EnableVolume(dialog, s.Music != 0);
    SetSlider(dialog, kBrightnessSlider, 1, 250, s.BackgroundBr);
}

INT_PTR ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        LoadStringTable();
        InitCommonControls();
        if (Menu().enumerate) Menu().enumerate();
        ReadSettings(CurrentSettings);
        OpenedSettings() = CurrentSettings;
        RefreshConfigControls(dialog);
        return TRUE;
    case WM_COMMAND:
        return OnCommand(dialog, wParam, lParam);
    case WM_HSCROLL:
        return OnTrackbar(dialog);
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(dialog, &paint);
        EndPaint(dialog, &paint);
        return TRUE;
    }
    default:
        return FALSE;
    }
}
