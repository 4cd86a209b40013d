// The flight programme at fixed seeds: the phase cycles with rays and
// pictures on and off, phase 1's exact alignment, the climb through the
// rays, the picture programme's stages, and the camera's pitch limits.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scene/flight_scene.h"
#include "scene_test_support.h"

namespace {

using scenetest::SceneTest;
using scenetest::TestSettings;

float Total(const TurnChannel& c) { return c.base + c.offset; }

class FlightProgrammeTest : public SceneTest {
protected:
    void SetUp() override { device.recording = false; }

    // Runs 33 ms frames until the programme has come back to phase 0 after
    // leaving it (or the frame limit), checking what must hold on every
    // frame, and returns the phases in the order they began.
    std::vector<int> RunCycle(int frameLimit = 60000) {
        std::vector<int> phases{Scene.phase};
        bool leftRoam = Scene.phase != PhaseRoam;
        for (int i = 0; i < frameLimit; ++i) {
            Frame(33, Scene.phase == PhasePicture);  // only the picture phase needs the drawing (the pick)
            CheckFrame();
            if (Scene.phase != phases.back()) {
                phases.push_back(Scene.phase);
                if (Scene.phase != PhaseRoam) leftRoam = true;
                if (Scene.phase == PhaseRoam && leftRoam) break;
            }
            if (HasFailure()) break;
        }
        return phases;
    }

    void CheckFrame() {
        // Random turns never take the pitch past 89 degrees either way.
        if (!Scene.sparks.holding) {
            EXPECT_LE(std::fabs(Total(Scene.pitchTurn)), 89.0f + 1e-4f) << "phase " << Scene.phase;
            EXPECT_LE(std::fabs(Scene.pitchTurn.base + Scene.pitchTurn.target), 89.0f + 1e-4f);
        }
        EXPECT_GE(Total(Scene.yawTurn), 0.0f);
        EXPECT_LT(Total(Scene.yawTurn), 360.0f);
        EXPECT_TRUE(std::isfinite(Scene.position.x) && std::isfinite(Scene.position.y) &&
                    std::isfinite(Scene.position.z));
        EXPECT_LE(Scene.climbSpeed, 20.0f);
        EXPECT_GE(Scene.climbSpeed, 0.0f);
        if (Scene.phase != PhaseRays) {
            EXPECT_EQ(Scene.climbSpeed, 0.0f);
        }
    }
};

TEST_F(FlightProgrammeTest, FullCycleWithRaysAndPictures) {
    Start(TestSettings(true, true), 1234);
    EXPECT_EQ(Scene.phase, PhaseRoamBeforePicture);  // pictures on: the first one comes after 5 seconds
    EXPECT_EQ(Scene.phaseClock, 50.0f);
    std::vector<int> first = RunCycle();
    EXPECT_EQ(first, (std::vector<int>{4, 5, 6, 7, 0}));
    EXPECT_EQ(RunCycle(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0}));
}

TEST_F(FlightProgrammeTest, CycleWithoutRaysOrPictures) {
    Start(TestSettings(false, false), 99);
    EXPECT_EQ(Scene.phase, PhaseRoam);
    EXPECT_EQ(RunCycle(), (std::vector<int>{0, 1, 6, 7, 0}));
    EXPECT_EQ(RunCycle(), (std::vector<int>{0, 1, 6, 7, 0}));
}

TEST_F(FlightProgrammeTest, MixedCyclesSkipTheirPart) {
    Start(TestSettings(false, true), 5);
    EXPECT_EQ(RunCycle(), (std::vector<int>{0, 1, 2, 3, 6, 7, 0}));
    Start(TestSettings(true, false), 6);
    RunCycle();  // the opening picture
    EXPECT_EQ(RunCycle(), (std::vector<int>{0, 1, 4, 5, 6, 7, 0}));
}

// In phase 1 the clock runs only on frames that begin at a heading of
// exactly 89 with pitch and roll exactly 0, and then the camera flies
// straight along that heading.
TEST_F(FlightProgrammeTest, AlignmentClockRunsOnlyWhenExactlyAligned) {
    Start(TestSettings(false, false), 2024);
    for (int i = 0; i < 20000 && Scene.phase != PhaseAlign; ++i) Frame(33, false);
    ASSERT_EQ(Scene.phase, PhaseAlign);
    int runningFrames = 0, waitingFrames = 0;
    while (Scene.phase == PhaseAlign) {
        const bool aligned =
            Total(Scene.yawTurn) == 89.0f && Total(Scene.pitchTurn) == 0.0f && Total(Scene.rollTurn) == 0.0f;
        const float clock = Scene.phaseClock;
        const Vec3 before = Scene.position;
        Frame(33, false);
        if (Scene.phase != PhaseAlign) break;
        if (aligned) {
            ++runningFrames;
            EXPECT_NEAR(Scene.phaseClock, clock - 0.33f, 1e-5f);
            EXPECT_EQ(Scene.heading, 89.0f);
            EXPECT_EQ(Scene.pitch, 0.0f);
            EXPECT_NEAR(std::atan2(Scene.position.z - before.z, Scene.position.x - before.x) * 57.29578f, 89.0f,
                        1e-3f);
        } else {
            ++waitingFrames;
            EXPECT_EQ(Scene.phaseClock, clock);
        }
        ASSERT_LT(runningFrames + waitingFrames, 20000);
    }
    EXPECT_GT(waitingFrames, 0);      // the turn to heading 89 takes a while
    EXPECT_EQ(runningFrames, 303);  // then 100 units (10 seconds) at 0.33 a frame
    EXPECT_EQ(Scene.phase, PhaseRoamAfterPicture);
}

// The climb: only once the camera looks up; at most 20; the rays fire above
// 8 and stop renewing below 5 on the way down; the phase ends only with the
// climb at 0 and the last ray gone.
TEST_F(FlightProgrammeTest, ClimbThroughTheRays) {
    Start(TestSettings(false, true), 77);
    for (int i = 0; i < 30000 && Scene.phase != PhaseRays; ++i) Frame(33, false);
    ASSERT_EQ(Scene.phase, PhaseRays);
    EXPECT_EQ(Scene.climbSpeed, 0.0f);

    bool fired = false, descending = false, sawRespawnCleared = false;
    float peak = 0.0f;
    for (int i = 0; i < 20000 && Scene.phase == PhaseRays; ++i) {
        const float climb = Scene.climbSpeed;
        const bool lookingUp = Total(Scene.pitchTurn) > 88.0f;
        const int raysBefore = Scene.rays.activeCount;
        const float clockBefore = Scene.phaseClock;
        Frame(33, false);
        if (Scene.phase != PhaseRays) {
            // Left only from a stand-still with every ray gone.
            EXPECT_LT(climb, 0.33f);
            EXPECT_EQ(Scene.rays.activeCount, 0);
            break;
        }
        if (!lookingUp) {
            EXPECT_EQ(Scene.climbSpeed, climb);
            EXPECT_EQ(Scene.phaseClock, clockBefore);
        }
        if (raysBefore == 0 && Scene.rays.activeCount > 0 && !descending) {
            fired = true;
            EXPECT_GT(Scene.climbSpeed, 8.0f);
            EXPECT_LE(climb, 8.0f + 0.33f);
        }
        if (Scene.phaseClock < 0.0f || descending) {
            descending = true;
            if (Scene.climbSpeed < 5.0f) {
                EXPECT_EQ(Scene.rays.respawn, 0);
                sawRespawnCleared = true;
            } else {
                EXPECT_EQ(Scene.rays.respawn, 1);
            }
        }
        if (Scene.climbSpeed == 0.0f && descending && Scene.rays.activeCount > 0) {
            EXPECT_EQ(Scene.phaseClock, 0.0f);  // waiting for the last ray
        }
        peak = std::fmax(peak, Scene.climbSpeed);
    }
    EXPECT_TRUE(fired);
    EXPECT_TRUE(sawRespawnCleared);
    EXPECT_EQ(peak, 20.0f);
    EXPECT_EQ(Scene.phase, PhaseRoamAfterPicture);  // pictures are off
}

// Phase 3 waits while a ray lives, whatever the climb.
TEST_F(FlightProgrammeTest, RaysPhaseWaitsForTheLastRay) {
    Start(TestSettings(false, true), 3);
    Scene.phase = PhaseRays;
    Scene.pitchTurn = TurnChannel{89.0f, 0.0f, 0.0f, 100.0f};
    Scene.yawTurn.target = Scene.yawTurn.offset;
    Scene.rollTurn.target = Scene.rollTurn.offset;
    Scene.phaseClock = -1.0f;
    Scene.climbSpeed = 0.05f;
    Scene.rays.Start();
    Scene.rays.respawn = 1;
    Frame(10, false);
    EXPECT_EQ(Scene.phase, PhaseRays);
    EXPECT_EQ(Scene.phaseClock, 0.0f);
    EXPECT_EQ(Scene.climbSpeed, 0.0f);
    EXPECT_EQ(Scene.rays.respawn, 0);
    for (int i = 0; i < 200 && Scene.phase == PhaseRays; ++i) {
        EXPECT_GT(Scene.rays.activeCount, 0);
        Frame(33, false);
    }
    EXPECT_EQ(Scene.phase, PhaseRoamAfterPicture);
    EXPECT_EQ(Scene.rays.activeCount, 0);
}

// Picture programme from a held cube at rest: the roll is levelled first,
// the clock runs only at a roll of exactly 0, the stages follow the clock,
// flashes come and go, and the cube leaves once the clock ran out.
TEST_F(FlightProgrammeTest, PictureProgrammeStages) {
    Start(TestSettings(true, false), 11);
    Scene.phase = PhasePicture;
    Scene.phaseClock = 150.0f;
    Scene.rollTurn = TurnChannel{250.0f, 30.0f, 30.0f, 10.0f};  // rolled 280 degrees
    Scene.sparks.holding = 1;
    Scene.sparks.selected = 0;
    Scene.sparks.stage = SparkField::StageAtRest;
    Scene.sparks.cubes[0].rotation = Vec3{0.0f, 0.0f, 0.0f};
    Scene.turnLock = false;

    Frame(33, false);
    EXPECT_TRUE(Scene.turnLock);
    EXPECT_EQ(Scene.rollTurn.target, 360.0f - 280.0f);  // the short way round
    int lastStage = Scene.sparks.stage;
    int flashes = 0;
    bool wasRising = false;
    for (int i = 0; i < 5000 && Scene.sparks.stage < SparkField::StageRecede; ++i) {
        const bool level = Total(Scene.rollTurn) == 0.0f;
        const float clock = Scene.phaseClock;
        Frame(33, false);
        if (!level) {
            EXPECT_EQ(Scene.phaseClock, clock);
        }
        const int stage = Scene.sparks.stage;
        if (stage == SparkField::StagePictureShown && lastStage == SparkField::StageAtRest) {
            EXPECT_LT(Scene.phaseClock, 110.0f);
            EXPECT_GE(Scene.phaseClock, 110.0f - 0.33f);
        }
        if (stage == SparkField::StageGlitch && lastStage == SparkField::StagePictureShown) {
            EXPECT_LT(Scene.phaseClock, 85.0f);
            EXPECT_EQ(Scene.flashLevel, 0.0f);
            EXPECT_GE(Scene.flashWait, 1.0f);
            EXPECT_GE(Scene.flashPeak, 150.0f);
            EXPECT_LE(Scene.flashPeak, 250.0f);
        }
        if (stage == SparkField::StageGlitch) {
            EXPECT_LE(Scene.flashLevel, Scene.flashPeak);
            EXPECT_GE(Scene.flashLevel, 0.0f);
            if (Scene.flashActive && !wasRising) ++flashes;
            wasRising = Scene.flashActive;
        }
        lastStage = stage;
    }
    EXPECT_GE(Scene.sparks.stage, SparkField::StageRecede);
    EXPECT_LT(Scene.phaseClock, 0.0f);
    EXPECT_EQ(Scene.flashLevel, 0.0f);
    EXPECT_GT(flashes, 3);
}

// After the last picture of an order a new order is made, and the picture
// just shown never comes next.
TEST_F(FlightProgrammeTest, PictureOrderIsRenewedWithoutRepeats) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        Start(TestSettings(true, false), seed);
        ASSERT_EQ(Scene.pictureOrder.size(), 12u);
        std::vector<int> seen(12, 0);
        for (int index : Scene.pictureOrder) {
            ASSERT_GE(index, 0);
            ASSERT_LT(index, 12);
            ++seen[static_cast<size_t>(index)];
        }
        EXPECT_EQ(seen, std::vector<int>(12, 1));
        for (int round = 0; round < 5; ++round) {
            const int shownLast = Scene.pictureOrder[11];
            ShufflePictures();
            std::vector<int> count(12, 0);
            for (int index : Scene.pictureOrder) ++count[static_cast<size_t>(index)];
            EXPECT_EQ(count, std::vector<int>(12, 1));
            EXPECT_NE(Scene.pictureOrder[0], shownLast) << "seed " << seed;
        }
    }
}

// New random turns: yaw at least 60, pitch and roll at least 30, none in
// the aligning and climbing phases, and pitch kept within -89..89.
TEST_F(FlightProgrammeTest, TurnSizes) {
    Start(TestSettings(false, false), 8);
    Scene.phase = PhaseRoam;
    Scene.turnLock = false;
    for (int i = 0; i < 2000; ++i) {
        TurnChannel yaw{10.0f, 0.0f, 0.0f, 0.0f};
        StepTurn(yaw, TurnYaw, 0.5f);
        EXPECT_EQ(yaw.base, 10.0f);
        EXPECT_GE(std::fabs(yaw.target), 60.0f);
        EXPECT_LE(std::fabs(yaw.target), 120.0f);
        EXPECT_GE(yaw.timer, 5.0f);
        EXPECT_LE(yaw.timer, 45.0f);

        TurnChannel roll{0.0f, 20.0f, 20.0f, 0.0f};
        StepTurn(roll, TurnRoll, 0.5f);
        EXPECT_EQ(roll.base, 20.0f);  // the finished turn is folded into the base
        EXPECT_GE(std::fabs(roll.target), 30.0f);
        EXPECT_LE(std::fabs(roll.target), 90.0f);
        EXPECT_LE(roll.timer, 15.0f);

        TurnChannel pitch{0.0f, 0.0f, 0.0f, 0.0f};
        StepTurn(pitch, TurnPitch, 0.5f);
        EXPECT_GE(std::fabs(pitch.target), 30.0f);
        EXPECT_LE(std::fabs(pitch.target), 89.0f);

        const float base = static_cast<float>(i % 179) - 89.0f;
        TurnChannel limited{base, 0.0f, 0.0f, 0.0f};
        StepTurn(limited, TurnPitch, 0.5f);
        EXPECT_LE(std::fabs(limited.base + limited.target), 89.0f + 1e-4f) << base;
    }
    // While a turn runs, while locked, and in phases 1 and 3 nothing new starts.
    TurnChannel running{0.0f, 10.0f, 40.0f, 0.0f};
    StepTurn(running, TurnYaw, 0.1f);
    EXPECT_EQ(running.target, 40.0f);
    EXPECT_EQ(running.timer, 0.0f);
    Scene.turnLock = true;
    TurnChannel locked{0.0f, 0.0f, 0.0f, 0.0f};
    StepTurn(locked, TurnYaw, 0.1f);
    EXPECT_EQ(locked.timer, 0.0f);
    Scene.turnLock = false;
    for (ScenePhase phase : {PhaseAlign, PhaseRays}) {
        Scene.phase = phase;
        TurnChannel quiet{5.0f, 30.0f, 30.0f, 0.0f};
        StepTurn(quiet, TurnRoll, 0.1f);
        EXPECT_EQ(quiet.base, 35.0f);
        EXPECT_EQ(quiet.target, 0.0f);
        EXPECT_GT(quiet.timer, 0.0f);
    }
    // StartRandomTurns may start turns of any size up to 80.
    Scene.phase = PhaseRoam;
    float smallest = 100.0f;
    for (int i = 0; i < 500; ++i) {
        Scene.pitchTurn = TurnChannel{};
        StartRandomTurns();
        smallest = std::fmin(smallest, std::fabs(Scene.yawTurn.target));
        EXPECT_LE(std::fabs(Scene.yawTurn.target), 80.0f);
        EXPECT_EQ(Scene.rollTurn.timer, 10.0f);
    }
    EXPECT_LT(smallest, 30.0f);
}

// The easing: a turn speeds up over its first half, slows over its second
// and ends exactly on its target, however long the step.
TEST_F(FlightProgrammeTest, TurnEasesOntoItsTarget) {
    Scene.turnLock = true;
    TurnChannel channel{0.0f, 0.0f, 60.0f, 100.0f};
    float lastStep = 0.0f, peakStep = 0.0f;
    int steps = 0;
    while (channel.offset != channel.target && steps < 10000) {
        const float before = channel.offset;
        StepTurn(channel, TurnYaw, 0.33f);
        const float step = channel.offset - before;
        EXPECT_GT(step, 0.0f);
        if (channel.offset < 30.0f) {
            EXPECT_GE(step, lastStep);  // accelerating
        }
        peakStep = std::fmax(peakStep, step);
        lastStep = step;
        ++steps;
    }
    EXPECT_EQ(channel.offset, 60.0f);
    EXPECT_LT(lastStep, peakStep);
    TurnChannel jump{0.0f, 0.0f, -75.0f, 100.0f};
    StepTurn(jump, TurnPitch, 1.0e6f);
    EXPECT_EQ(jump.offset, -75.0f);
}

}  // namespace
