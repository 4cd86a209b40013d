// Tests of the settings key: the 2/1 flag and non-zero number encodings, the
// write order, and a full round trip. Each test runs on a registry file of
// its own; on Windows the key is removed first from the run's own
// HKEY_CURRENT_USER (test_main.cpp).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "config/registry_settings.h"
#include "config/setting_table.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

std::vector<int32_t> Fields(const Settings& s) {
    return {s.ShowFPS,      s.ExitOnMouseMove, s.ShowTime,     s.ShowPictures, s.DoThrottle,
            s.Music,        s.MusicVolume,     s.VexlarStream, s.HiTexQuality, s.Background,
            s.BackgroundBr, s.Width,           s.Height,       s.BitCount,     s.UseDesktopSettings};
}

class RegistrySettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        savedHome_ = old ? old : "";
        home_ = testsupport::MakeTempDir("vexlar-registry-");
        testsupport::SetEnv("XDG_CONFIG_HOME", home_.c_str());
#ifdef _WIN32
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsRegistryKey);
#endif
        testsupport::MessageBoxes().clear();
    }
    void TearDown() override {
        testsupport::SetEnv("XDG_CONFIG_HOME", savedHome_.c_str());
        testsupport::RemoveTree(home_);
    }

    static HKEY OpenKey(REGSAM access) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsRegistryKey, 0, access, &key) != ERROR_SUCCESS) return nullptr;
        return key;
    }
    static void Store(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    static void StoreDword(const char* name, DWORD number) { Store(name, REG_DWORD, &number, sizeof(number)); }
    static std::optional<DWORD> StoredDword(const char* name) {
        HKEY key = OpenKey(KEY_READ);
        if (!key) return std::nullopt;
        DWORD number = 0, type = 0, size = sizeof(number);
        LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS || type != REG_DWORD || size != 4) return std::nullopt;
        return number;
    }
    // ReadSettings over a record that starts as `start`.
    static Settings Read(Settings start) {
        ReadSettings(start);
        return start;
    }

    std::string savedHome_;
    std::string home_;
};

TEST_F(RegistrySettingsTest, EmptyKeyLeavesTargetAndIsCreated) {
    ASSERT_EQ(OpenKey(KEY_READ), nullptr);
    Settings target = BuiltInSettings;
    target.MusicVolume = 42;
    // ReadStoredSettings creates nothing, not even the folder.
    Settings peeked = target;
    ReadStoredSettings(peeked);
    EXPECT_EQ(Fields(peeked), Fields(target));
    EXPECT_EQ(OpenKey(KEY_READ), nullptr);
    EXPECT_FALSE(std::filesystem::exists(home_ + "/vexlar3d"));
    EXPECT_EQ(Fields(Read(target)), Fields(target));
    HKEY key = OpenKey(KEY_READ);
    EXPECT_NE(key, nullptr);
    if (key) RegCloseKey(key);
    EXPECT_TRUE(testsupport::MessageBoxes().empty());
}

TEST_F(RegistrySettingsTest, FlagsAreTwoForOnAndOneForOff) {
    Settings off = BuiltInSettings;
    off.ShowFPS = 0;
    Settings on = BuiltInSettings;
    on.ShowFPS = 1;

    StoreDword("ShowFPS", 2);
    EXPECT_EQ(Read(off).ShowFPS, 1);
    StoreDword("ShowFPS", 1);
    EXPECT_EQ(Read(on).ShowFPS, 0);
    for (DWORD ignored : {0u, 5u}) {
        StoreDword("ShowFPS", ignored);
        EXPECT_EQ(Read(on).ShowFPS, 1) << ignored;
        EXPECT_EQ(Read(off).ShowFPS, 0) << ignored;
    }
    // A value of another type counts as not stored.
    Store("ShowFPS", REG_SZ, "2", 2);
    EXPECT_EQ(Read(off).ShowFPS, 0);
}

TEST_F(RegistrySettingsTest, NumbersApplyUnlessZeroOrOutOfRange) {
    Settings start = BuiltInSettings;
    StoreDword("MusicVolume", 0);
    EXPECT_EQ(Read(start).MusicVolume, 100);
    StoreDword("MusicVolume", 40);
    EXPECT_EQ(Read(start).MusicVolume, 40);
    Settings peeked = start;
    ReadStoredSettings(peeked);
    EXPECT_EQ(peeked.MusicVolume, 40);

    // Out of range counts as not stored, and is named once however often it is read.
    for (const auto& [name, stored, range] : std::vector<std::tuple<const char*, DWORD, const char*>>{
             {"VexlarStream", 9, "1 to 3"}, {"Background", 3, nullptr}, {"MusicVolume", 0xFFFFFFFF, "1 to 100"},
             {"Width", 99999999, "16 to 16384"}, {"Height", 16384, nullptr}, {"BitCount", 20, "16, 24 or 32"},
             {"ShowFPS", 5, "2 (on) or 1 (off)"}}) {
        StoreDword(name, stored);
        testing::internal::CaptureStderr();
        const Settings read = Read(start);
        Read(start);
        const std::string said = testing::internal::GetCapturedStderr();
        int32_t Settings::*field = SettingByValueName(name)->field;
        EXPECT_EQ(read.*field, range ? start.*field : static_cast<int32_t>(stored)) << name;
        EXPECT_EQ(said, range ? "vexlar3d: ignoring \"" + std::string(name) + "\"=" +
                                    std::to_string(static_cast<int32_t>(stored)) + " in " +
                                    platform::RegistryFilePath() + ": it takes " + range + "\n"
                              : "") << name;
    }
}

TEST_F(RegistrySettingsTest, WriteEncodesFlagsAndKeepsNumbers) {
    Settings source = BuiltInSettings;
    source.ShowTime = 7;
    source.ShowFPS = 1;
    source.Music = 0;
    source.MusicVolume = 55;
    source.BackgroundBr = 250;
    EXPECT_EQ(WriteSettings(source), 0);
    EXPECT_EQ(StoredDword("ShowTime"), 1u);
    EXPECT_EQ(StoredDword("ShowFPS"), 2u);
    EXPECT_EQ(StoredDword("Music"), 1u);
    EXPECT_EQ(StoredDword("MusicVolume"), 55u);
    EXPECT_EQ(StoredDword("BackgroundBr"), 250u);

#ifndef _WIN32  // the Linux platform's registry file
    // The store keeps the names readable, in the order they were written.
    const std::string file = testsupport::ReadFile(platform::RegistryFilePath());
    EXPECT_NE(file.find("\"ShowTime\"=dword:00000001"), std::string::npos);
    size_t at = 0;
    for (const char* name : {"ShowFPS", "ShowTime", "ExitOnMouseMove", "DoThrottle", "ShowPictures", "Music",
                             "UseDesktopSettings", "VexlarStream", "HiTexQuality", "Background", "BackgroundBr",
                             "Height", "Width", "BitCount", "MusicVolume"}) {
        const size_t found = file.find("\"" + std::string(name) + "\"=", at);
        ASSERT_NE(found, std::string::npos) << name;
        at = found;
    }
#endif
}

TEST_F(RegistrySettingsTest, RoundTripKeepsAllFifteenFields) {
    const Settings written = {1, 0, 1, 0, 1, 0, 33, 2, 0, 1, 180, 1024, 768, 16, 0};
    WriteSettings(written);
    const Settings other = {0, 1, 0, 1, 0, 1, 99, 3, 1, 3, 5, 640, 480, 32, 1};
    EXPECT_EQ(Fields(Read(other)), Fields(written));
    EXPECT_EQ(Fields(Read(written)), Fields(written));
}

}  // namespace
