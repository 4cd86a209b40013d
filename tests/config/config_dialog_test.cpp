// The settings dialog on the control model: what it shows, what each click
// edits, the video-mode fall-back, Restore Defaults, OK and Cancel, the
// one-time layout step, About and Visit. Display devices are fakes; each
// test has a registry file of its own.
#include "config/config_dialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>

#include <cstdlib>
#include <tuple>
#include <string>
#include <vector>

#include "app/fake_directx.h"
#include "app/video_modes.h"
#include "config/about_dialog.h"
#include "config/defaults_file.h"
#include "config/registry_settings.h"
#include "config/settings.h"
#include "config/string_table.h"
#include "platform/dialogs/combo_box.h"
#include "platform/dialogs/controls.h"
#include "platform/dialogs/dialog_box.h"
#include "platform/dialogs/dialog_template.h"
#include "platform/platform_testing.h"
#include "platform/win32/shell_execute.h"
#include "test_support.h"

namespace {

using fakedx::Mode;

std::vector<int32_t> Fields(const Settings& s) {
    return {s.ShowFPS,      s.ExitOnMouseMove, s.ShowTime,     s.ShowPictures, s.DoThrottle,
            s.Music,        s.MusicVolume,     s.VexlarStream, s.HiTexQuality, s.Background,
            s.BackgroundBr, s.Width,           s.Height,       s.BitCount,     s.UseDesktopSettings};
}

void StoreDword(const char* name, DWORD value) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsRegistryKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

class ConfigDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SelectWindowBackend(platform::WindowBackend::Headless);
        const char* old = std::getenv("XDG_CONFIG_HOME");
        savedHome_ = old ? old : "";
        home_ = testsupport::MakeTempDir("vexlar-dialog-");
        setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
        fakedx::Install();
        fakedx::W().drivers[0].modes = {Mode(640, 480, 16), Mode(800, 600, 16), Mode(800, 600, 32),
                                        Mode(1024, 768, 16)};
        ResetDisplayDevices();
        SetVideoModeMenu(AppVideoModeMenu());
        CurrentSettings = BuiltInSettings;
        ResetConfigLayoutStep();
    }
    void TearDown() override {
        if (dialog_ && IsWindow(dialog_)) DestroyWindow(dialog_);
        platform::SetModalDialogHook({});
        platform::SetShellExecuteHook({});
        fakedx::Uninstall();
        ResetDisplayDevices();
        CurrentSettings = BuiltInSettings;
        setenv("XDG_CONFIG_HOME", savedHome_.c_str(), 1);
        testsupport::RemoveTree(home_);
    }

    HWND Open() {
        dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kConfigDialogId), nullptr,
                                     ConfigDialogProc, 0);
        EXPECT_NE(dialog_, nullptr);
        return dialog_;
    }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    LRESULT Send(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendDlgItemMessageA(dialog_, id, msg, wParam, lParam);
    }
    bool Checked(int id) const { return Send(id, BM_GETCHECK) == BST_CHECKED; }
    std::string Text(int id) const {
        char buffer[128];
        GetDlgItemTextA(dialog_, id, buffer, sizeof buffer);
        return buffer;
    }
    std::string Selected(int id) const {
        LRESULT index = Send(id, CB_GETCURSEL);
        if (index < 0) return "(none)";
        char buffer[64];
        Send(id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
        return buffer;
    }
    void Click(int id) { platform::UserClick(Item(id)); }
    void Choose(int id, const std::string& text) {
        const platform::ComboBoxState* state = platform::FindComboBox(Item(id));
        ASSERT_NE(state, nullptr);
        for (size_t i = 0; i < state->items.size(); ++i) {
            if (state->items[i].text == text) {
                platform::UserChooseComboItem(Item(id), static_cast<int>(i));
                return;
            }
        }
        ADD_FAILURE() << "no item " << text << " in list " << id;
    }
    // The control's rectangle in the dialog's client area.
    RECT ClientRect(int id) const {
        RECT r{};
        GetWindowRect(Item(id), &r);
        POINT corner{r.left, r.top};
        ScreenToClient(dialog_, &corner);
        return RECT{corner.x, corner.y, corner.x + (r.right - r.left), corner.y + (r.bottom - r.top)};
    }
    RECT TemplatePixels(LONG x, LONG y, LONG w, LONG h) const {
        return platform::DialogUnitsToPixels(RECT{x, y, x + w, y + h}, platform::DialogUnitsOf(dialog_));
    }
    std::string RegistryFile() const { return testsupport::ReadFile(platform::RegistryFilePath()); }

    HWND dialog_ = nullptr;
    std::string savedHome_;
    std::string home_;
};

TEST_F(ConfigDialogTest, OpensWithTheStoredSettingsAndLocalizedTexts) {
    StoreDword("ShowFPS", 2);
    StoreDword("ExitOnMouseMove", 1);
    StoreDword("MusicVolume", 40);
    StoreDword("VexlarStream", 2);
    StoreDword("Background", 1);
    StoreDword("BackgroundBr", 180);
    Open();
    char title[64];
    GetWindowTextA(dialog_, title, sizeof title);
    EXPECT_STREQ(title, "3D Vexlar Screensaver Configuration");
    EXPECT_EQ(Text(kAboutButton), "About...");
    EXPECT_EQ(Text(kVolumeLabel), "Volume:");
    EXPECT_EQ(Text(kHighQualityCheck), "High Quality Texture");
    EXPECT_EQ(Text(kProductsText), "Visit our official web-site for more great 3D screensavers");
    EXPECT_EQ(Text(IDCANCEL), "Cancel");

    EXPECT_TRUE(Checked(kShowFpsCheck));
    EXPECT_FALSE(Checked(kExitOnMouseMoveCheck));
    EXPECT_TRUE(Checked(kShowTimeCheck) && Checked(kShowRaysCheck) && Checked(kShowPicturesCheck) &&
                Checked(kMusicCheck) && Checked(kHighQualityCheck) && Checked(kUseDesktopSettingsCheck));
    EXPECT_FALSE(IsWindowEnabled(Item(kVideoModeList)));  // desktop settings are used
    EXPECT_EQ(Selected(kStreamsList), "Average");
    EXPECT_EQ(Selected(kBackgroundList), "None");
    EXPECT_EQ(Send(kStreamsList, CB_GETCOUNT), 3);
    EXPECT_EQ(Send(kBackgroundList, CB_GETITEMDATA, 2), 2);

    const platform::TrackbarState* volume = platform::FindTrackbar(Item(kVolumeSlider));
    const platform::TrackbarState* brightness = platform::FindTrackbar(Item(kBrightnessSlider));
    ASSERT_TRUE(volume && brightness);
    EXPECT_EQ(volume->minimum, 1);
    EXPECT_EQ(volume->maximum, 100);
    EXPECT_EQ(volume->position, 40);
    EXPECT_EQ(volume->pageSize, 10);
    EXPECT_EQ(brightness->maximum, 250);
    EXPECT_EQ(brightness->position, 180);
    EXPECT_TRUE(IsWindowEnabled(Item(kVolumeSlider)) && IsWindowEnabled(Item(kVolumeLabel)));
    // The picture static shows bitmap 165 when the executable has it.
    bool hasPicture = FindResourceA(nullptr, MAKEINTRESOURCEA(165), RT_BITMAP) != nullptr;
    EXPECT_EQ(SendDlgItemMessageA(dialog_, -1, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0, hasPicture);
}

TEST_F(ConfigDialogTest, EachCheckBoxTogglesItsField) {
    Open();
    struct Case {
        int id;
        int32_t Settings::*field;
    };
    const Case cases[] = {{kShowFpsCheck, &Settings::ShowFPS},       {kShowTimeCheck, &Settings::ShowTime},
                          {kExitOnMouseMoveCheck, &Settings::ExitOnMouseMove}, {kShowRaysCheck, &Settings::DoThrottle},
                          {kShowPicturesCheck, &Settings::ShowPictures}, {kHighQualityCheck, &Settings::HiTexQuality},
                          {kMusicCheck, &Settings::Music}, {kUseDesktopSettingsCheck, &Settings::UseDesktopSettings}};
    for (const Case& c : cases) {
        int32_t before = CurrentSettings.*c.field;
        Click(c.id);
        EXPECT_EQ(CurrentSettings.*c.field, before ? 0 : 1) << c.id;
        EXPECT_EQ(Checked(c.id), before == 0) << c.id;
        Click(c.id);
        EXPECT_EQ(CurrentSettings.*c.field, before) << c.id;
        EXPECT_EQ(Checked(c.id), before != 0) << c.id;
    }

    // Music off disables the volume slider and its label, and keeps the volume.
    Click(kMusicCheck);
    EXPECT_EQ(CurrentSettings.Music, 0);
    EXPECT_FALSE(IsWindowEnabled(Item(kVolumeSlider)));
    EXPECT_FALSE(IsWindowEnabled(Item(kVolumeLabel)));
    EXPECT_EQ(CurrentSettings.MusicVolume, 100);
    platform::UserTrackbarKey(Item(kVolumeSlider), TB_TOP);  // a disabled slider does not move
    EXPECT_EQ(CurrentSettings.MusicVolume, 100);
    Click(kMusicCheck);
    EXPECT_TRUE(IsWindowEnabled(Item(kVolumeSlider)) && IsWindowEnabled(Item(kVolumeLabel)));

    // "Use Desktop Settings" switches the mode list.
    Click(kUseDesktopSettingsCheck);
    EXPECT_TRUE(IsWindowEnabled(Item(kVideoModeList)));
    Click(kUseDesktopSettingsCheck);
    EXPECT_FALSE(IsWindowEnabled(Item(kVideoModeList)));
}

TEST_F(ConfigDialogTest, ListsStoreTheirChoice) {
    Open();
    Choose(kStreamsList, "Average");
    EXPECT_EQ(CurrentSettings.VexlarStream, 2);
    Choose(kBackgroundList, "None");
    EXPECT_EQ(CurrentSettings.Background, 1);
    EXPECT_EQ(Selected(kStreamsList), "Average");  // refilled with the choice selected
    EXPECT_EQ(Selected(kBackgroundList), "None");

    Click(kUseDesktopSettingsCheck);
    EXPECT_EQ(Selected(kVideoModeList), "800 x 600  32 bits");
    Choose(kVideoModeList, "1024 x 768  16 bits");
    EXPECT_EQ(CurrentSettings.Width, 1024);
    EXPECT_EQ(CurrentSettings.Height, 768);
    EXPECT_EQ(CurrentSettings.BitCount, 16);
    EXPECT_EQ(Selected(kVideoModeList), "1024 x 768  16 bits");
    EXPECT_EQ(Send(kVideoModeList, CB_GETCOUNT), 4);

    // A kind outside 1..3 leaves its list without a selection.
    CurrentSettings.Background = 9;
    FillStreamAndBackgroundCombos(dialog_);
    EXPECT_EQ(Selected(kBackgroundList), "(none)");
}

TEST_F(ConfigDialogTest, AModeTheDeviceLacksFallsBackTo800x600x16) {
    StoreDword("Width", 1024);
    StoreDword("Height", 768);
    StoreDword("BitCount", 32);
    StoreDword("UseDesktopSettings", 1);
    Open();
    EXPECT_EQ(Selected(kVideoModeList), "800 x 600  16 bits");
    EXPECT_EQ(CurrentSettings.Width, 800);
    EXPECT_EQ(CurrentSettings.Height, 600);
    EXPECT_EQ(CurrentSettings.BitCount, 16);
    Click(IDOK);
    Settings stored = BuiltInSettings;
    ReadSettings(stored);
    EXPECT_EQ(stored.Width, 800);
    EXPECT_EQ(stored.Height, 600);
    EXPECT_EQ(stored.BitCount, 16);
    DestroyWindow(dialog_);

    // Without 800 x 600 x 16 the first mode is taken.
    fakedx::W().drivers[0].modes = {Mode(1280, 1024, 32), Mode(640, 480, 16)};
    ResetDisplayDevices();
    CurrentSettings = BuiltInSettings;
    StoreDword("Width", 1024);
    Open();
    EXPECT_EQ(Selected(kVideoModeList), "1280 x 1024  32 bits");
    EXPECT_EQ(CurrentSettings.Width, 1280);
    EXPECT_EQ(CurrentSettings.BitCount, 32);
}

TEST_F(ConfigDialogTest, SlidersStoreEveryMoveTheyShow) {
    Open();
    HWND volume = Item(kVolumeSlider);
    HWND brightness = Item(kBrightnessSlider);
    platform::UserTrackbarAction(volume, TB_THUMBTRACK, 60);  // dragging
    EXPECT_EQ(CurrentSettings.MusicVolume, 60);
    platform::UserTrackbarAction(volume, TB_THUMBTRACK, 64);
    platform::UserTrackbarAction(volume, TB_THUMBPOSITION, 64);
    platform::UserTrackbarAction(volume, TB_ENDTRACK);
    EXPECT_EQ(CurrentSettings.MusicVolume, 64);
    platform::UserTrackbarKey(volume, TB_LINEDOWN);  // arrow keys store too
    EXPECT_EQ(CurrentSettings.MusicVolume, 65);
    platform::UserTrackbarKey(volume, TB_PAGEUP);
    EXPECT_EQ(CurrentSettings.MusicVolume, 55);
    platform::UserTrackbarKey(volume, TB_BOTTOM);
    EXPECT_EQ(CurrentSettings.MusicVolume, 100);
    platform::UserTrackbarKey(brightness, TB_TOP);
    EXPECT_EQ(CurrentSettings.BackgroundBr, 1);
    EXPECT_EQ(CurrentSettings.MusicVolume, 100);
    platform::UserTrackbarKey(brightness, TB_PAGEDOWN);
    EXPECT_EQ(CurrentSettings.BackgroundBr, 11);

    Click(IDOK);
    Settings stored = BuiltInSettings;
    ReadSettings(stored);
    EXPECT_EQ(stored.MusicVolume, 100);
    EXPECT_EQ(stored.BackgroundBr, 11);
}

TEST_F(ConfigDialogTest, RestoreDefaultsTakesTheDefaultsFile) {
    Open();
    EXPECT_TRUE(Checked(kExitOnMouseMoveCheck));  // the built-in value
    Click(kShowFpsCheck);
    Click(kRestoreDefaultsButton);
    EXPECT_EQ(Fields(CurrentSettings), Fields(DefaultSettings));
    EXPECT_EQ(CurrentSettings.MusicVolume, 75);
    EXPECT_EQ(CurrentSettings.ExitOnMouseMove, 0);
    EXPECT_FALSE(Checked(kExitOnMouseMoveCheck));
    EXPECT_FALSE(Checked(kShowFpsCheck));
    EXPECT_EQ(platform::FindTrackbar(Item(kVolumeSlider))->position, 75);
}

TEST_F(ConfigDialogTest, OkStoresWhatIsShownAndCancelStoresNothing) {
    Open();
    Click(kShowFpsCheck);
    Click(kShowTimeCheck);
    Click(kUseDesktopSettingsCheck);
    Choose(kVideoModeList, "640 x 480  16 bits");
    Choose(kStreamsList, "Few");
    Click(IDCANCEL);
    EXPECT_TRUE(platform::DialogEnded(dialog_));
    EXPECT_EQ(RegistryFile().find("ShowFPS"), std::string::npos);  // nothing written
    DestroyWindow(dialog_);

    CurrentSettings = BuiltInSettings;
    Open();
    EXPECT_FALSE(Checked(kShowFpsCheck));  // the next opening shows the stored values
    Click(kShowFpsCheck);
    Click(kUseDesktopSettingsCheck);
    Choose(kVideoModeList, "640 x 480  16 bits");
    Choose(kStreamsList, "Few");
    Click(kShowRaysCheck);
    Settings shown = CurrentSettings;
    Click(IDOK);
    EXPECT_TRUE(platform::DialogEnded(dialog_));
    std::string file = RegistryFile();
    EXPECT_NE(file.find("\"ShowFPS\"=dword:00000002"), std::string::npos) << file;
    EXPECT_NE(file.find("\"DoThrottle\"=dword:00000001"), std::string::npos) << file;
    size_t values = 0;
    for (size_t at = file.find("=dword:"); at != std::string::npos; at = file.find("=dword:", at + 1)) ++values;
    EXPECT_EQ(values, 15u);
    Settings stored = BuiltInSettings;
    stored.Width = stored.Height = stored.BitCount = 1;  // every field must come from the file
    stored.MusicVolume = stored.VexlarStream = stored.Background = stored.BackgroundBr = 1;
    ReadSettings(stored);
    EXPECT_EQ(Fields(stored), Fields(shown));
}

TEST_F(ConfigDialogTest, OkKeepsWhatAnotherDialogStoredMeanwhile) {
    StoreDword("Background", 9);  // unusable: shown as the default, which OK stores
    testing::internal::CaptureStderr();
    Open();
    testing::internal::GetCapturedStderr();
    Click(kShowFpsCheck);
    Click(kShowRaysCheck);
    Click(kShowRaysCheck);  // changed back: no change
    StoreDword("ShowTime", 1);  // another dialog's OK meanwhile
    StoreDword("DoThrottle", 1);
    Settings expected = CurrentSettings;
    expected.ShowTime = expected.DoThrottle = 0;
    Click(IDOK);
    EXPECT_EQ(platform::DialogResult(dialog_), IDOK);
    Settings stored = BuiltInSettings;
    ReadSettings(stored);
    EXPECT_EQ(Fields(stored), Fields(expected));
}

TEST_F(ConfigDialogTest, AFailedSaveSaysSoAndIsNoOk) {
    // A folder where the settings file belongs: no write can replace it (root included).
    std::filesystem::create_directories(platform::RegistryFilePath());
    Open();
    Click(kShowFpsCheck);
    testsupport::MessageBoxes().clear();
    testing::internal::CaptureStderr();
    Click(IDOK);
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(platform::DialogEnded(dialog_));
    EXPECT_EQ(platform::DialogResult(dialog_), IDABORT);
    ASSERT_EQ(testsupport::MessageBoxes().size(), 1u);
    const testsupport::CapturedMessageBox& box = testsupport::MessageBoxes()[0];
    EXPECT_NE(box.text.find("could not be stored"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find(platform::RegistryFilePath()), std::string::npos) << box.text;
    EXPECT_NE(box.type & MB_ICONERROR, 0u);
    EXPECT_TRUE(std::filesystem::is_directory(platform::RegistryFilePath()));
}

TEST_F(ConfigDialogTest, BottomButtonsMoveUpOncePerProcess) {
    Open();
    const LONG shift = kConfigLayoutShift;
    for (auto [id, x, y, w, h] : {std::tuple{IDOK, 263, 179, 59, 12}, std::tuple{IDCANCEL, 328, 179, 59, 12},
                                  std::tuple{static_cast<int>(kRestoreDefaultsButton), 13, 179, 89, 12}}) {
        RECT expected = TemplatePixels(x, y, w, h);
        RECT actual = ClientRect(id);
        EXPECT_EQ(actual.left, expected.left) << id;
        EXPECT_EQ(actual.top, expected.top - shift) << id;
        EXPECT_EQ(actual.right - actual.left, expected.right - expected.left) << id;
        EXPECT_EQ(actual.bottom - actual.top, expected.bottom - expected.top) << id;
        EXPECT_TRUE(IsWindowVisible(Item(id)) || !IsWindowVisible(dialog_)) << id;
    }
    RECT full = TemplatePixels(0, 0, 401, 198);
    RECT window{};
    GetWindowRect(dialog_, &window);
    EXPECT_EQ(window.bottom - window.top, full.bottom - full.top - shift);
    EXPECT_EQ(window.right - window.left, full.right - full.left);
    // Other controls stay where the template puts them.
    RECT visit = TemplatePixels(263, 129, 59, 13);
    EXPECT_EQ(ClientRect(kVisitButton).top, visit.top);
    DestroyWindow(dialog_);

    Open();  // a second opening in the same process keeps the template's places
    EXPECT_EQ(ClientRect(IDOK).top, TemplatePixels(263, 179, 59, 12).top);
    GetWindowRect(dialog_, &window);
    EXPECT_EQ(window.bottom - window.top, full.bottom - full.top);
}

TEST_F(ConfigDialogTest, AboutShowsItsLinesAndReturns) {
    Open();
    Settings before = CurrentSettings;
    std::vector<std::string> lines;
    std::string title, ok;
    platform::SetModalDialogHook([&](HWND about, int templateId) {
        EXPECT_EQ(templateId, kAboutDialogId);
        EXPECT_EQ(platform::DialogOwner(about), dialog_);
        char buffer[128];
        GetWindowTextA(about, buffer, sizeof buffer);
        title = buffer;
        GetDlgItemTextA(about, IDOK, buffer, sizeof buffer);
        ok = buffer;
        for (int i = 0; i < kAboutLineCount; ++i) {
            GetDlgItemTextA(about, kFirstAboutLine + i, buffer, sizeof buffer);
            lines.push_back(buffer);
        }
        platform::UserDialogKey(about, VK_ESCAPE);  // Escape closes it like OK
    });
    Click(kAboutButton);
    EXPECT_EQ(title, "About");
    EXPECT_EQ(ok, "OK");
    EXPECT_EQ(lines, std::vector<std::string>(AboutLines, AboutLines + kAboutLineCount));
    EXPECT_EQ(lines[0], "3D Vexlar Screensaver");
    EXPECT_FALSE(platform::DialogEnded(dialog_));
    EXPECT_TRUE(IsWindowEnabled(dialog_));
    EXPECT_EQ(Fields(CurrentSettings), Fields(before));

    // The About box's own procedure: OK gives 1, Escape 2.
    platform::SetModalDialogHook([](HWND about, int) { platform::UserClick(GetDlgItem(about, IDOK)); });
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAboutDialogId), dialog_, AboutDialogProc, 0),
              IDOK);
    platform::SetModalDialogHook({});
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAboutDialogId), dialog_, AboutDialogProc, 0),
              IDCANCEL);
    EXPECT_EQ(OkCancelDialogProc(dialog_, WM_COMMAND, MAKEWPARAM(1063, BN_CLICKED), 0), FALSE);
}

TEST_F(ConfigDialogTest, VisitOpensTheProductPage) {
    Open();
    std::vector<std::string> opened;
    platform::SetShellExecuteHook([&](const std::string& verb, const std::string& file, const std::string&,
                                      const std::string&) {
        opened.push_back(verb + " " + file);
        return reinterpret_cast<HINSTANCE>(42);
    });
    Click(kVisitButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "open " + ProductWebPageAddress);
    EXPECT_FALSE(ProductWebPageAddress.empty());
}

}  // namespace
