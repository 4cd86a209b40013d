// The display-device list over fake drivers: which modes and devices are
// kept, the limits, the current device, the selection operations and the
// combo-box text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/fake_directx.h"
#include "app/video_modes.h"
#include "platform/dialogs/combo_box.h"
#include "platform/platform_testing.h"

namespace {

using fakedx::Mode;
using fakedx::W;

std::vector<std::string> ModesOf(const DisplayDevice& device) {
    std::vector<std::string> out;
    for (DWORD i = 0; i < device.modeCount; ++i) {
        const DDSURFACEDESC2& m = device.modes[i];
        out.push_back(std::to_string(m.dwWidth) + "x" + std::to_string(m.dwHeight) + "x" +
                      std::to_string(m.ddpfPixelFormat.dwRGBBitCount));
    }
    return out;
}

class VideoModesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakedx::Install();
        ResetDisplayDevices();
    }
    void TearDown() override {
        EXPECT_EQ(W().liveObjects, 0);
        fakedx::Uninstall();
        ResetDisplayDevices();
    }
    static fakedx::Driver& Primary() { return W().drivers[0]; }
};

TEST_F(VideoModesTest, ModesNeedSizeAndADepthTheDeviceRendersInto) {
    Primary().modes = {Mode(640, 480, 16), Mode(600, 480, 16), Mode(640, 400, 16), Mode(512, 384, 16),
                       Mode(599, 480, 32), Mode(640, 479, 32), Mode(640, 480, 8), Mode(800, 600, 24),
                       Mode(1024, 768, 32), Mode(1024, 768, 15)};
    Primary().devices = {fakedx::Device("Everything", true, DDBD_8 | DDBD_16 | DDBD_24 | DDBD_32),
                         fakedx::Device("Sixteen only", false, DDBD_16), fakedx::Device("Eight only", true, DDBD_8)};

    ASSERT_EQ(EnumerateDisplayDevices(), 2u);  // the 8-bit device has nothing to offer
    EXPECT_EQ(W().enumerateFlags, 7u);
    EXPECT_EQ(ModesOf(DisplayDevices.devices[0]),
              (std::vector<std::string>{"640x480x16", "600x480x16", "800x600x24", "1024x768x32"}));
    EXPECT_EQ(ModesOf(DisplayDevices.devices[1]), (std::vector<std::string>{"640x480x16", "600x480x16"}));
    EXPECT_STREQ(DisplayDevices.devices[0].name, "Everything");
    EXPECT_TRUE(DisplayDevices.devices[0].isHardware);
    EXPECT_FALSE(DisplayDevices.devices[1].isHardware);
    EXPECT_FALSE(DisplayDevices.devices[0].hasDriverGuid);
    EXPECT_TRUE(DisplayDevices.devices[1].deviceDesc.deviceGUID == IID_IDirect3DRGBDevice);
    EXPECT_EQ(DisplayDevices.currentDevice, 1u);  // the last one added

    // Built once per process.
    Primary().devices.clear();
    EXPECT_EQ(EnumerateDisplayDevices(), 2u);
    EXPECT_EQ(W().enumerateCalls, 1);
}

TEST_F(VideoModesTest, DriversAndDevicesThatAreKeptOrDropped) {
    fakedx::Driver secondary;
    secondary.hasGuid = true;
    secondary.guid = GUID{0x12345678, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
    secondary.description = "Secondary display with a description longer than the name";
    secondary.modes = {Mode(1280, 1024, 32)};
    secondary.devices = {fakedx::Device("Soft", false, DDBD_32), fakedx::Device("Hard", true, DDBD_32)};
    fakedx::Driver broken = secondary;
    broken.guid.Data1 = 2;
    broken.failCreate = true;
    fakedx::Driver no3d = secondary;
    no3d.guid.Data1 = 3;
    no3d.failDirect3D = true;
    Primary().devices = {fakedx::Device("Hardware", true, DDBD_16 | DDBD_32),
                         fakedx::Device("Software", false, DDBD_16 | DDBD_32)};
    W().drivers.push_back(secondary);
    W().drivers.push_back(broken);
    W().drivers.push_back(no3d);

    ASSERT_EQ(EnumerateDisplayDevices(), 3u);
    EXPECT_STREQ(DisplayDevices.devices[0].name, "Hardware");
    EXPECT_STREQ(DisplayDevices.devices[1].name, "Software");
    const DisplayDevice& second = DisplayDevices.devices[2];
    EXPECT_EQ(std::string(second.name), secondary.description.substr(0, 39));
    EXPECT_TRUE(second.isHardware);
    EXPECT_TRUE(second.hasDriverGuid);
    EXPECT_TRUE(second.driverGuid == secondary.guid);
    EXPECT_EQ(DisplayDevices.currentDevice, 2u);
}

TEST_F(VideoModesTest, LimitsOfHundredModesAndTwentyDevices) {
    Primary().modes.clear();
    for (DWORD i = 0; i < 150; ++i) Primary().modes.push_back(Mode(640 + i, 480, 32));
    Primary().devices.assign(25, fakedx::Device("Device", true, DDBD_32));
    ASSERT_EQ(EnumerateDisplayDevices(), 20u);
    EXPECT_EQ(DisplayDevices.currentDevice, 19u);
    const DisplayDevice& device = DisplayDevices.devices[19];
    ASSERT_EQ(device.modeCount, 100u);
    EXPECT_EQ(device.modes[0].dwWidth, 640u);
    EXPECT_EQ(device.modes[99].dwWidth, 739u);
}

TEST_F(VideoModesTest, FindAndSelectModes) {
    LONG height = -1, width = -1, bits = -1;
    // No device: nothing found, outputs untouched.
    W().drivers.clear();
    ASSERT_EQ(EnumerateDisplayDevices(), 0u);
    EXPECT_FALSE(FindVideoMode(480, 640, 16));
    SelectFirstVideoMode(&height, &width, &bits);
    GetSelectedVideoMode(&height, &width, &bits);
    SelectVideoMode(0);
    EXPECT_EQ(height, -1);

    fakedx::Install();
    ResetDisplayDevices();
    Primary().modes = {Mode(640, 480, 16), Mode(1024, 768, 32), Mode(800, 600, 16), Mode(1024, 768, 32)};
    ASSERT_EQ(EnumerateDisplayDevices(), 1u);
    EXPECT_TRUE(FindVideoMode(768, 1024, 32));
    EXPECT_EQ(DisplayDevices.currentMode, 1u);  // the first match
    EXPECT_FALSE(FindVideoMode(1024, 768, 32));  // height first
    EXPECT_FALSE(FindVideoMode(768, 1024, 16));
    EXPECT_EQ(DisplayDevices.currentMode, 1u);

    SelectVideoMode(2);
    GetSelectedVideoMode(&height, &width, &bits);
    EXPECT_EQ(height, 600);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(bits, 16);
    SelectVideoMode(4);  // past the list: ignored
    SelectVideoMode(static_cast<DWORD>(CB_ERR));
    EXPECT_EQ(DisplayDevices.currentMode, 2u);

    SelectFirstVideoMode(&height, &width, &bits);
    EXPECT_EQ(DisplayDevices.currentMode, 0u);
    EXPECT_EQ(height, 480);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(bits, 16);
}

TEST_F(VideoModesTest, TheListForTheDialogNamesEveryModeAndTheCurrentOne) {
    // Empty table: no entries, none selected.
    W().drivers.clear();
    EnumerateDisplayDevices();
    VideoModeEntries entries = ListVideoModes();
    EXPECT_TRUE(entries.labels.empty());
    EXPECT_EQ(entries.selected, 0u);

    fakedx::Install();
    ResetDisplayDevices();
    Primary().modes = {Mode(640, 480, 16), Mode(800, 600, 16), Mode(1024, 768, 32)};
    EnumerateDisplayDevices();
    ASSERT_TRUE(FindVideoMode(768, 1024, 32));
    entries = ListVideoModes();
    ASSERT_EQ(entries.labels.size(), 3u);
    EXPECT_EQ(entries.labels[0], "640 x 480  16 bits");
    EXPECT_EQ(entries.labels[2], "1024 x 768  32 bits");
    EXPECT_EQ(entries.selected, 2u);

    // The dialog's menu is these operations.
    const VideoModeMenu menu = AppVideoModeMenu();
    menu.select(0);
    LONG height = 0, width = 0, bitCount = 0;
    menu.getSelected(&height, &width, &bitCount);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(menu.entries().selected, 0u);
}

}  // namespace
