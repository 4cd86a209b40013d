// The start plan for the timed headless run (--bench and its options) and the
// silence of xscreensaver's -window-id, against -root and the environment,
// which play music like /l.
#include <gtest/gtest.h>

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
    EXPECT_EQ(plain.benchOptions.width, 800);
    EXPECT_EQ(plain.benchOptions.height, 600);
    EXPECT_EQ(plain.benchOptions.seconds, 10.0);

    StartPlan sized = Plan({"--size", "1920x1080", "--bench", "--seconds=2.5", "--seed", "77"});
    EXPECT_TRUE(sized.bench);
    EXPECT_EQ(sized.benchOptions.width, 1920);
    EXPECT_EQ(sized.benchOptions.height, 1080);
    EXPECT_EQ(sized.benchOptions.seconds, 2.5);
    EXPECT_EQ(sized.benchOptions.seed, 77u);

    for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{
             {"--bench", "--size", "10x10"}, {"--bench", "--seconds", "0"}, {"--bench", "--seconds"},
             {"--bench", "--frames", "3"}, {"--bench", "/s"}, {"--bench", "--seconds=abc"}}) {
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
    EXPECT_FALSE(Plan({"-root", "-window-id", "5"}).silent);  // the first window option wins
    EXPECT_FALSE(Plan({"/l", "5"}).silent);
    EXPECT_FALSE(Plan({"/s"}).silent);
}

}  // namespace
