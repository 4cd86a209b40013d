// The start plan: the timed headless run (--bench and its options), the
// silence of xscreensaver's -window-id against -root and the environment,
// which play music like /l, the options of xscreensaver and its hacks in
// both spellings, the settings' options and the table they come from.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/command_options.h"

namespace {

StartPlan Plan(std::vector<const char*> args, const char* env = nullptr) {
    args.insert(args.begin(), "vexlar3d");
    return PlanStart(static_cast<int>(args.size()), args.data(), env, [] { return uintptr_t{0x2a}; });
}

TEST(StartPlanTest, BenchTakesItsSizeSecondsAndSeed) {
    StartPlan plain = Plan({"--bench"});
    EXPECT_TRUE(plain.bench && !plain.exitNow && !plain.render);
    using Sizes = std::vector<std::pair<int, int>>;
    EXPECT_EQ(plain.benchOptions.sizes, (Sizes{{800, 600}}));
    EXPECT_EQ(plain.benchOptions.seconds, 10.0);

    StartPlan sized = Plan({"--size", "1920x1080", "--bench", "--seconds=2.5", "--seed", "77", "--size=800x600",
                            "--background", "1", "--no-rays"});
    EXPECT_TRUE(sized.bench);
    EXPECT_EQ(sized.benchOptions.sizes, (Sizes{{1920, 1080}, {800, 600}}));
    EXPECT_EQ(sized.benchOptions.seconds, 2.5);
    EXPECT_EQ(sized.benchOptions.seed, 77u);
    Settings settings = BuiltInSettings;
    ApplyOverrides(sized.benchOptions.overrides, settings);
    EXPECT_EQ(settings.Background, 1);
    EXPECT_EQ(settings.DoThrottle, 0);

    for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{
             {"--bench", "--size", "10x10"}, {"--bench", "--seconds", "0"}, {"--bench", "--seconds"},
             {"--bench", "--frames", "3"}, {"--bench", "/s"}, {"--bench", "--seconds=abc"},
             {"--bench", "--background", "7"}}) {
        StartPlan plan = Plan(bad);
        EXPECT_TRUE(plan.exitNow && plan.exitCode == 2 && !plan.err.empty()) << bad.back();
    }
    EXPECT_NE(Plan({"--help"}).out.find("--bench"), std::string::npos);
    EXPECT_TRUE(Plan({"--bench", "--help"}).exitNow);  // help wins
}

TEST(StartPlanTest, OnlyWindowIdRunsWithoutMusic) {
    StartPlan windowId = Plan({"-window-id", "0x1a00003"});
    EXPECT_TRUE(windowId.silent);
    EXPECT_EQ(windowId.arguments, (std::vector<std::string>{"vexlar3d", "/l", "27262979"}));
    EXPECT_FALSE(Plan({"-root"}).silent);
    EXPECT_FALSE(Plan({}, "0x10").silent);
    // The settings preview of xscreensaver passes both: the window named wins, silent.
    StartPlan both = Plan({"--root", "--no-clock", "--window-id", "0x402B47"}, "0x402B47");
    EXPECT_TRUE(both.silent);
    EXPECT_EQ(both.arguments, (std::vector<std::string>{"vexlar3d", "/l", "4205383"}));
    EXPECT_EQ(Plan({"-window-id", "5", "-root", "--window-id", "6"}).arguments,
              (std::vector<std::string>{"vexlar3d", "/l", "5"}));
    EXPECT_FALSE(Plan({"/l", "5"}).silent);
    EXPECT_FALSE(Plan({"/s"}).silent);
}

}  // namespace

namespace {

using Args = std::vector<std::string>;

int32_t Override(const StartPlan& plan, int32_t Settings::*field) {
    for (int i = 0; i < kSettingCount; ++i) {
        if (kSettingTable[i].field == field) return plan.overrides.given[i] ? plan.overrides.value[i] : -1;
    }
    return -2;
}

TEST(StartPlanTest, XscreensaverOptionsTakeOneDashOrTwo) {
    for (const char* spelling : {"-window-id", "--window-id"}) {
        EXPECT_EQ(Plan({spelling, "0x400EE5"}).arguments, (Args{"vexlar3d", "/l", "4198117"})) << spelling;
        EXPECT_EQ(Plan({spelling, "4198117"}).arguments, (Args{"vexlar3d", "/l", "4198117"})) << spelling;
    }
    EXPECT_EQ(Plan({"--window-id=0x10"}).arguments, (Args{"vexlar3d", "/l", "16"}));
    EXPECT_EQ(Plan({"--window-id", "0xZZ"}).exitCode, 2);

    // --root: xscreensaver's window first, then the (virtual) root.
    for (const char* spelling : {"-root", "--root"}) {
        EXPECT_EQ(Plan({spelling}, "0x2c00007").arguments, (Args{"vexlar3d", "/l", "46137351"})) << spelling;
        EXPECT_EQ(Plan({spelling}).arguments, (Args{"vexlar3d", "/l", "42"})) << spelling;
        EXPECT_FALSE(Plan({spelling}, "0x2c00007").silent);
    }
    EXPECT_EQ(Plan({"--root"}, "not-a-window").exitCode, 2);

    // The options every hack understands; the last four do not apply here.
    StartPlan hack = Plan({"--root", "--fps", "--delay", "20000", "--visual", "default", "--install", "-mono", "--pair"},
                          "0x10");
    ASSERT_FALSE(hack.exitNow) << hack.err;
    EXPECT_EQ(hack.arguments, (Args{"vexlar3d", "/l", "16"}));
    EXPECT_TRUE(hack.hostWindow && !Plan({"/l", "16"}).hostWindow);
    EXPECT_EQ(hack.frameDelayUs, 20000);
    EXPECT_EQ(Override(hack, &Settings::ShowFPS), 1);
    EXPECT_EQ(Plan({"--delay=-1"}).exitCode, 2);
    EXPECT_EQ(Plan({"--visual"}).exitCode, 2);

    StartPlan window = Plan({"--window", "--no-music"});
    EXPECT_TRUE(window.ownWindow && !window.silent);
    EXPECT_EQ(window.arguments, (Args{"vexlar3d", "/s"}));

    for (const char* help : {"-h", "-help", "--help"}) {
        EXPECT_TRUE(Plan({help}).exitNow && Plan({help}).exitCode == 0 && !Plan({help}).out.empty()) << help;
    }
}

TEST(StartPlanTest, EverySettingHasAnOptionForThisRunOnly) {
    StartPlan plan = Plan({"--no-fps", "--exit-on-mouse-move", "--no-clock", "-no-pictures", "--rays", "--no-music",
                           "--volume", "40", "--streams", "Few", "--no-high-quality-textures", "--background=none",
                           "--brightness", "250", "--mode", "1024x768x16"});
    ASSERT_FALSE(plan.exitNow) << plan.err;
    EXPECT_EQ(plan.arguments, (Args{"vexlar3d", "/s"}));  // settings without a switch run full screen
    EXPECT_EQ(Override(plan, &Settings::ShowFPS), 0);
    EXPECT_EQ(Override(plan, &Settings::ExitOnMouseMove), 1);
    EXPECT_EQ(Override(plan, &Settings::ShowTime), 0);
    EXPECT_EQ(Override(plan, &Settings::ShowPictures), 0);
    EXPECT_EQ(Override(plan, &Settings::DoThrottle), 1);
    EXPECT_EQ(Override(plan, &Settings::Music), 0);
    EXPECT_EQ(Override(plan, &Settings::MusicVolume), 40);
    EXPECT_EQ(Override(plan, &Settings::VexlarStream), 1);
    EXPECT_EQ(Override(plan, &Settings::HiTexQuality), 0);
    EXPECT_EQ(Override(plan, &Settings::Background), 1);
    EXPECT_EQ(Override(plan, &Settings::BackgroundBr), 250);
    EXPECT_EQ(Override(plan, &Settings::Width), 1024);
    EXPECT_EQ(Override(plan, &Settings::Height), 768);
    EXPECT_EQ(Override(plan, &Settings::BitCount), 16);
    EXPECT_EQ(Override(plan, &Settings::UseDesktopSettings), 0);  // a mode given is a mode used
    EXPECT_EQ(Override(Plan({"--streams", "2", "--desktop-mode"}), &Settings::VexlarStream), 2);
    EXPECT_EQ(Override(Plan({"--mode", "640x480x32", "--desktop-mode"}), &Settings::UseDesktopSettings), 1);

    // With a switch, the switch decides the mode; nothing given changes nothing.
    EXPECT_EQ(Plan({"/p", "0x10", "--no-rays"}).arguments, (Args{"vexlar3d", "/p", "0x10"}));
    StartPlan none = Plan({"/s"});
    for (bool given : none.overrides.given) EXPECT_FALSE(given);
    EXPECT_EQ(none.frameDelayUs, -1);

    // Each refusal names the option and what it takes; nothing runs.
    struct Bad {
        std::vector<const char*> args;
        const char* said;
    };
    for (const Bad& bad : std::vector<Bad>{
             {{"--volume", "0"}, "--volume needs a whole number from 1 to 100, not '0'"},
             {{"--volume"}, "--volume needs a whole number from 1 to 100"},
             {{"--brightness=251"}, "--brightness needs a whole number from 1 to 250"},
             {{"--streams", "lots"}, "--streams needs one of few, average, multiple"},
             {{"--background", "4"}, "--background needs one of none, simple, complex"},
             {{"--mode", "800x600"}, "--mode needs WIDTHxHEIGHTxBITS"},
             {{"--mode", "800x600x15"}, "--mode needs WIDTHxHEIGHTxBITS"},
             {{"--mode", "16385x600x32"}, "--mode needs WIDTHxHEIGHTxBITS, each side 16 to 16384"},
             {{"--render", "d", "--set", "VexlarStream=9"}, "--set VexlarStream=9: VexlarStream takes 1 to 3"},
             {{"--render", "d", "--set=width=99999999"}, "--set width=99999999: Width takes 16 to 16384"},
             {{"--render", "d", "--set", "ShowFPS=2"}, "ShowFPS takes 0 or 1"},
             {{"--clock=yes"}, "--clock takes no value"},
             {{"--no-volume"}, "unknown option '--no-volume'"},
             {{"--frobnicate"}, "unknown option '--frobnicate'"}}) {
        StartPlan plan = Plan(bad.args);
        EXPECT_TRUE(plan.exitNow && plan.exitCode == 2) << bad.said;
        EXPECT_NE(plan.err.find(bad.said), std::string::npos) << plan.err;
    }
    // Windows-style switches that are no option still reach the dispatcher as they were.
    EXPECT_EQ(Plan({"/x"}).arguments, (Args{"vexlar3d", "/x"}));
    EXPECT_EQ(Plan({"-x"}).arguments, (Args{"vexlar3d", "-x"}));
}

TEST(SettingTableTest, DeclaresEveryFieldOnceWithItsOrdersAndRanges) {
    std::vector<bool> read(kSettingCount), write(kSettingCount), fill(kSettingCount);
    size_t fields = 0;
    for (const SettingInfo& info : kSettingTable) {
        read.at(info.readRank) = write.at(info.writeRank) = fill.at(info.fillRank) = true;
        const int32_t builtIn = BuiltInSettings.*info.field;
        EXPECT_TRUE(builtIn >= info.minimum && builtIn <= info.maximum) << info.valueName;
        for (const SettingInfo& other : kSettingTable) {
            if (&other != &info) {
                EXPECT_NE(other.field, info.field) << info.valueName;
            }
        }
        fields += sizeof(int32_t);
        // Every option is in the help, under the words of the dialog.
        if (info.kind != SettingKind::Mode || info.field == &Settings::Width) {
            EXPECT_NE(HelpText().find(std::string("--") + info.option), std::string::npos) << info.option;
            EXPECT_NE(HelpText().find(info.caption), std::string::npos) << info.caption;
        }
    }
    EXPECT_EQ(fields, sizeof(Settings));
    EXPECT_EQ(std::count(read.begin(), read.end(), true), kSettingCount);
    EXPECT_EQ(std::count(write.begin(), write.end(), true), kSettingCount);
    EXPECT_EQ(std::count(fill.begin(), fill.end(), true), kSettingCount);
}

}  // namespace
