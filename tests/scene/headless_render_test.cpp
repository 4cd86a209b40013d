// `vexlar3d --render`: its options, and a short render into PNG files that
// leaves the stored settings alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/headless_render.h"
#include "config/registry_settings.h"
#include "host/command_options.h"
#include "platform/image/image_decoder.h"
#include "platform/platform_testing.h"
#include "scene/flight_scene.h"
#include "test_support.h"

namespace {

StartPlan Plan(std::vector<const char*> args) {
    args.insert(args.begin(), "vexlar3d");
    return PlanStart(static_cast<int>(args.size()), args.data(), nullptr, nullptr);
}

TEST(HeadlessRenderOptionsTest, OptionsAndTheirDefaults) {
    StartPlan plain = Plan({"--render", "out"});
    ASSERT_FALSE(plain.exitNow);
    ASSERT_TRUE(plain.render);
    const RenderOptions& d = plain.renderOptions;
    EXPECT_EQ(d.directory, "out");
    EXPECT_EQ(d.width, 800);
    EXPECT_EQ(d.height, 600);
    EXPECT_EQ(d.frameRate, 30);
    EXPECT_EQ(d.frames, 300);  // ten seconds
    EXPECT_EQ(d.every, 1);
    EXPECT_FALSE(d.hasSeed);
    EXPECT_FALSE(d.hasTime);

    StartPlan full = Plan({"--size", "320x200", "--render=frames dir", "--frame-rate=60", "--seconds", "2.5",
                           "--every", "15", "--seed", "4294967295", "--time", "23:05:09", "--set", "ShowFPS=1", "--set=vexlarstream=2"});
    ASSERT_TRUE(full.render) << full.err;
    const RenderOptions& o = full.renderOptions;
    EXPECT_EQ(o.directory, "frames dir");
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 200);
    EXPECT_EQ(o.frameRate, 60);
    EXPECT_EQ(o.frames, 150);
    EXPECT_EQ(o.every, 15);
    EXPECT_TRUE(o.hasSeed);
    EXPECT_EQ(o.seed, 4294967295u);
    EXPECT_TRUE(o.hasTime);
    EXPECT_EQ(o.hour * 10000 + o.minute * 100 + o.second, 230509);
    ASSERT_EQ(o.settings.size(), 2u);
    EXPECT_EQ(o.settings[1].first, "vexlarstream");
    EXPECT_EQ(o.settings[1].second, 2);
    EXPECT_EQ(SettingByValueName("VEXLARSTREAM")->field, &Settings::VexlarStream);
    EXPECT_EQ(SettingByValueName("BackgroundBr")->field, &Settings::BackgroundBr);
    EXPECT_EQ(SettingByValueName("Bogus"), nullptr);
    EXPECT_EQ(Plan({"--render", "d", "--frames", "7"}).renderOptions.frames, 7);
    EXPECT_EQ(Plan({"--render", "d", "--frame-rate", "24", "--seconds", "0.01"}).renderOptions.frames, 1);

    // Every mistake ends with the usage code and a message naming the option.
    for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{
             {"--render"},
             {"--render", "d", "--size", "800"},
             {"--render", "d", "--size", "8x600"},
             {"--render", "d", "--frame-rate", "0"},
             {"--render", "d", "--fps", "30"},
             {"--render", "d", "--fps=30"},
             {"--render", "d", "--frames", "-3"},
             {"--render", "d", "--seconds", "abc"},
             {"--render", "d", "--seconds", "1", "--frames", "3"},
             {"--render", "d", "--every", "0"},
             {"--render", "d", "--seed", "4294967296"},
             {"--render", "d", "--time", "24:00:00"},
             {"--render", "d", "--time", "1:2:3"},
             {"--render", "d", "--set", "Nothing=1"},
             {"--render", "d", "--set", "ShowFPS"},
             {"--render", "d", "--set", "ShowFPS=yes"},
             {"--render", "d", "/s"},
             {"--render", "d", "--bogus"},
             {"--render", "d", "--volume", "0"}}) {
        StartPlan plan = Plan(bad);
        EXPECT_TRUE(plan.exitNow) << bad.back();
        EXPECT_EQ(plan.exitCode, 2) << bad.back();
        EXPECT_FALSE(plan.err.empty()) << bad.back();
    }
    // --help still wins, and says what --render takes.
    StartPlan help = Plan({"--render", "d", "--help"});
    EXPECT_TRUE(help.exitNow && help.exitCode == 0);
    for (const char* word : {"--render DIR", "--size WxH", "--frame-rate N", "--seconds S", "--frames N", "--every K",
                             "--seed N", "--time HH:MM:SS", "--set Name=Value"}) {
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    }
}

TEST(HeadlessRenderRunTest, WritesTheChosenFramesAndStoresNothing) {
    const std::string folder = testsupport::MakeTempDir("vexlar-render-");
    const std::string registry = platform::RegistryFilePath();
    WriteSettings(BuiltInSettings);
    const std::string storedBefore = testsupport::ReadFile(registry);

    RenderOptions options;
    options.directory = folder + "/nested/frames";
    options.width = 64;
    options.height = 48;
    options.frames = 5;
    options.every = 2;
    options.hasSeed = true;
    options.seed = 12;
    options.settings = {{"VexlarStream", 1}, {"Background", 1}, {"ShowTime", 0}};
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunHeadlessRender(options), 0);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find(options.directory), std::string::npos) << said;
    EXPECT_NE(said.find("3 PNG files"), std::string::npos) << said;

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(options.directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"frame_00000.png", "frame_00002.png", "frame_00004.png"}));
    ImageBitmap* image = ImageLoad(kImageFormatPng, (options.directory + "/frame_00004.png").c_str(), 0);
    ASSERT_NE(image, nullptr);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(ImageGetInfoHeader(image));
    EXPECT_EQ(header->biWidth, 64);
    EXPECT_EQ(header->biHeight, 48);
    ImageUnload(image);

    // The settings were changed in memory only.
    EXPECT_EQ(CurrentSettings.VexlarStream, 1);
    EXPECT_EQ(testsupport::ReadFile(registry), storedBefore);
    EXPECT_FALSE(platform::IsVirtualClock());
    CurrentSettings = BuiltInSettings;
    ResetFlightScene();

    // A folder that cannot be made is refused.
    options.directory = folder + "/nested/frames/frame_00000.png/x";
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunHeadlessRender(options), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot create"), std::string::npos);
    CurrentSettings = BuiltInSettings;
    ResetFlightScene();
    testsupport::RemoveTree(folder);
}

}  // namespace
