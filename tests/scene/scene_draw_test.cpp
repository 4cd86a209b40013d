// DrawScene on a recording device: the overlay's texts and places, the
// preview's black frame, a failed BeginScene, the frame-rate measurement,
// the free-flight pass and the picture phase's stage table.
#include <gtest/gtest.h>

#include <vector>

#include "scene_test_support.h"

namespace {

using scenetest::FakeTexture;
using scenetest::SceneCall;
using scenetest::SceneTest;
using scenetest::TestSettings;
using scenetest::TimeZone;

std::vector<int> Indices(const char* text) {
    int indices[32];
    const int count = OverlayIndices(text, indices, 32);
    return std::vector<int>(indices, indices + count);
}

class SceneDrawTest : public SceneTest {
protected:
    void SetUp() override {
        Start(TestSettings(true, true), 4321);
        for (int i = 0; i < 12; ++i) Scene.digitTextures[i] = FakeTexture(i);
        Scene.pictureTexture = FakeTexture(20);
        Scene.rainGrid.texture = FakeTexture(21);
        Scene.rays.texture = FakeTexture(22);
        Scene.gridDirty = false;  // the stand-in grid texture must not be drawn into
        device.Reset();
    }

    // The cube picked and held 7.8 units in front of a camera looking along +z.
    void HoldCubeInFront(int stage) {
        Scene.phase = PhasePicture;
        Scene.heading = 90.0f;
        Scene.pitch = 0.0f;
        Scene.eye = Scene.position = Vec3{10.0f, 20.0f, 30.0f};
        Scene.sparks.holding = 1;
        Scene.sparks.selected = 0;
        Scene.sparks.stage = stage;
        Scene.sparks.cubes[0].position = Vec3{10.0f, 20.0f, 37.8f};
        Scene.sparks.cubes[0].rotation = Vec3{};
        // Keep every other cube far off to the side, out of view.
        for (int i = 1; i < SparkField::CubeCount; ++i) Scene.sparks.cubes[i].position = Vec3{135.0f, 145.0f, 155.0f};
    }

    // The ambient levels set right before each cube-model draw (0x112 triangle lists).
    std::vector<DWORD> AmbientOfModelDraws() const {
        std::vector<DWORD> out;
        DWORD ambient = 0;
        for (const SceneCall& c : device.calls) {
            if (c.kind == SceneCall::State && c.a == D3DRENDERSTATE_AMBIENT) ambient = c.b;
            if (c.kind == SceneCall::Draw && c.b == SceneVertexFVF && c.a == D3DPT_TRIANGLELIST && c.count != 6) {
                if (out.empty() || out.back() != ambient) out.push_back(ambient);
            }
        }
        return out;
    }
    bool TextureWasSet(IDirectDrawSurface7* texture) const {
        for (const SceneCall& c : device.calls)
            if (c.kind == SceneCall::Texture && c.texture == texture) return true;
        return false;
    }
    bool StreamPassRan() const {
        for (const SceneCall& c : device.calls)
            if (c.kind == SceneCall::State && c.a == D3DRENDERSTATE_DESTBLEND && c.b == D3DBLEND_SRCALPHA) return true;
        return false;
    }
};

TEST_F(SceneDrawTest, OverlayTextsAndGlyphIndices) {
    EXPECT_EQ(Indices("12:34:56"), (std::vector<int>{1, 2, 10, 3, 4, 10, 5, 6}));
    char rate[32];
    FormatFrameRateText(57.5f, rate, sizeof rate);
    EXPECT_STREQ(rate, "57.50");
    EXPECT_EQ(Indices(rate), (std::vector<int>{5, 7, 11, 5, 0}));
    FormatFrameRateText(0.0f, rate, sizeof rate);
    EXPECT_STREQ(rate, "0.00");
    // Characters no texture stands for are left out instead of indexing past the table.
    EXPECT_EQ(Indices("inf"), (std::vector<int>{-1, -1, -1}));
    EXPECT_EQ(Indices("-1"), (std::vector<int>{11, 1}));

    TimeZone utc("UTC");
    platform::UseVirtualClock(5000, 45296);  // 12:34:56 on the first day of 1970
    char clock[32];
    FormatClockText(clock, sizeof clock);
    EXPECT_STREQ(clock, "12:34:56");
    platform::AdvanceVirtualClock(3600 * 1000 * 11 + 1000 * 64);  // 23:36:00
    FormatClockText(clock, sizeof clock);
    EXPECT_STREQ(clock, "23:36:00");
}

TEST_F(SceneDrawTest, OverlayPlacesEachGlyphWithItsTexture) {
    TimeZone utc("UTC");
    platform::UseVirtualClock(5000, 45296);
    CurrentSettings.ShowTime = 1;
    CurrentSettings.ShowFPS = 1;
    Scene.phase = PhaseRoam;
    Scene.fpsValue = 57.5f;
    ASSERT_EQ(DrawScene(&device), 0);

    std::vector<SceneCall> quads;
    std::vector<IDirectDrawSurface7*> textures;
    IDirectDrawSurface7* texture = nullptr;
    for (const SceneCall& c : device.calls) {
        if (c.kind == SceneCall::Texture && c.a == 0) texture = c.texture;
        if (c.kind == SceneCall::Draw && c.b == ScreenVertexFVF) {
            quads.push_back(c);
            textures.push_back(texture);
        }
    }
    // Mask pass and image pass per glyph: 8 clock glyphs, then 5 counter glyphs.
    ASSERT_EQ(quads.size(), 26u);
    const int clockIndices[8] = {1, 2, 10, 3, 4, 10, 5, 6};
    for (int i = 0; i < 8; ++i) {
        for (int pass = 0; pass < 2; ++pass) {
            const size_t q = static_cast<size_t>(2 * i + pass);
            EXPECT_NEAR(quads[q].x, 800.0f * (0.7f + 0.037f * static_cast<float>(i)), 0.01f) << i;
            EXPECT_NEAR(quads[q].y, 600.0f * 0.92f, 0.01f);
            EXPECT_EQ(textures[q], FakeTexture(clockIndices[i]));
        }
    }
    const int counterIndices[5] = {5, 7, 11, 5, 0};
    for (int i = 0; i < 5; ++i) {
        const size_t q = static_cast<size_t>(16 + 2 * i);
        EXPECT_NEAR(quads[q].x, 800.0f * (0.01f + 0.037f * static_cast<float>(i)), 0.01f);
        EXPECT_NEAR(quads[q].y, 6.0f, 0.01f);
        EXPECT_EQ(textures[q], FakeTexture(counterIndices[i]));
    }

    // With both off no screen quad is drawn.
    CurrentSettings.ShowTime = 0;
    CurrentSettings.ShowFPS = 0;
    device.Reset();
    DrawScene(&device);
    EXPECT_EQ(device.CountDraws(ScreenVertexFVF), 0);
    EXPECT_GT(device.draws, 0);
}

TEST_F(SceneDrawTest, PreviewAndFailedSceneDrawNothing) {
    Scene.isPreview = true;
    CurrentSettings.ShowTime = 1;
    EXPECT_EQ(DrawScene(&device), 0);
    ASSERT_EQ(device.calls.size(), 3u);
    EXPECT_EQ(device.calls[0].kind, SceneCall::Clear);
    EXPECT_EQ(device.calls[1].kind, SceneCall::Begin);
    EXPECT_EQ(device.calls[2].kind, SceneCall::End);
    EXPECT_EQ(Scene.fpsFrames, 1.0f);

    Scene.isPreview = false;
    device.Reset();
    device.failBeginScene = true;
    EXPECT_EQ(DrawScene(&device), E_FAIL);
    EXPECT_EQ(device.calls.size(), 2u);  // cleared, and no end of scene
    EXPECT_EQ(Scene.fpsFrames, 1.0f);    // and no frame counted
}

// Frames per second of drawing time, refreshed once more than 100 ms of it
// have gathered.
TEST_F(SceneDrawTest, FrameRateCountsDrawingTimeOnly) {
    device.recording = false;
    device.drawMilliseconds = 10;
    for (int i = 0; i < 10; ++i) DrawScene(&device);
    EXPECT_EQ(Scene.fpsValue, 0.0f);
    EXPECT_EQ(Scene.fpsFrames, 10.0f);
    DrawScene(&device);
    EXPECT_FLOAT_EQ(Scene.fpsValue, 100.0f);  // 11 frames in 110 ms
    EXPECT_EQ(Scene.fpsFrames, 0.0f);
    EXPECT_EQ(Scene.fpsElapsed, 0.0f);
    // Time outside the drawing does not count.
    device.drawMilliseconds = 25;
    for (int i = 0; i < 5; ++i) {
        platform::AdvanceVirtualClock(1000);
        DrawScene(&device);
    }
    EXPECT_FLOAT_EQ(Scene.fpsValue, 40.0f);
}

TEST_F(SceneDrawTest, FreeFlightDrawsCubesStreamsAndRaysWhileClimbing) {
    Scene.phase = PhaseRays;
    Scene.climbSpeed = 0.0f;
    DrawScene(&device);
    EXPECT_FALSE(TextureWasSet(FakeTexture(22)));
    EXPECT_TRUE(StreamPassRan());
    EXPECT_EQ(Scene.sparks.drawMode, 0);
    EXPECT_EQ(Scene.glyphStreams.brightness, 255.0f);

    Scene.climbSpeed = 12.0f;
    Scene.rays.Start();
    device.Reset();
    DrawScene(&device);
    EXPECT_TRUE(TextureWasSet(FakeTexture(22)));
    // Drawn two-sided: each ray's strip turns its back to the camera.
    EXPECT_EQ(device.StatesOf(D3DRENDERSTATE_CULLMODE), (std::vector<DWORD>{D3DCULL_NONE, D3DCULL_CCW}));
    // The sky box dims while climbing: (20 - 9) / 20 of BackgroundBr 100.
    EXPECT_EQ(device.StatesOf(D3DRENDERSTATE_AMBIENT).front(), 0x373737u);

    // Never in the picture phase.
    HoldCubeInFront(SparkField::StageApproach);
    Scene.climbSpeed = 12.0f;
    device.Reset();
    DrawScene(&device);
    EXPECT_FALSE(TextureWasSet(FakeTexture(22)));
}

TEST_F(SceneDrawTest, PictureStagesCrossFadeThePictureAndTheCodeRain) {
    // Stage 2: the picture fades in, the code rain on the cube and the streams fade out.
    HoldCubeInFront(SparkField::StageAtRest);
    Scene.phaseClock = 130.0f;  // B = 20 / 40 * 205 + 46 = 148.5
    DrawScene(&device);
    EXPECT_EQ(AmbientOfModelDraws(), (std::vector<DWORD>{0x949494, 0x6B6B6B}));
    EXPECT_EQ(Scene.glyphStreams.brightness, 107.0f);
    EXPECT_TRUE(TextureWasSet(FakeTexture(20)));

    // Stage 3: the picture alone, no streams.
    HoldCubeInFront(SparkField::StagePictureShown);
    device.Reset();
    DrawScene(&device);
    EXPECT_EQ(AmbientOfModelDraws(), std::vector<DWORD>{0xFFFFFF});
    EXPECT_FALSE(StreamPassRan());
    EXPECT_FALSE(TextureWasSet(FakeTexture(21)));
    EXPECT_EQ(Scene.sparks.drawMode, 1);

    // Stage 4 during a flash: the picture dimmed, code rain and streams at the flash level.
    HoldCubeInFront(SparkField::StageGlitch);
    Scene.flashLevel = 100.0f;
    device.Reset();
    DrawScene(&device);
    EXPECT_EQ(AmbientOfModelDraws(), std::vector<DWORD>{0xBEBEBE});  // 255 - 100 * 0.65, both passes
    EXPECT_EQ(Scene.glyphStreams.brightness, 100.0f);
    EXPECT_TRUE(TextureWasSet(FakeTexture(21)));
    // ... and between flashes the picture alone.
    Scene.flashLevel = 0.0f;
    device.Reset();
    DrawScene(&device);
    EXPECT_FALSE(StreamPassRan());

    // Stage 5 while the clock is above -25: the picture fades out under the code rain.
    HoldCubeInFront(SparkField::StageRecede);
    Scene.phaseClock = -10.0f;  // B = 15 / 25 * 255 = 153
    device.Reset();
    DrawScene(&device);
    EXPECT_EQ(AmbientOfModelDraws(), (std::vector<DWORD>{0x999999, 0x666666}));
    EXPECT_EQ(Scene.glyphStreams.brightness, 102.0f);
    // ... and past -25 everything is back as in free flight.
    Scene.phaseClock = -30.0f;
    device.Reset();
    DrawScene(&device);
    EXPECT_EQ(Scene.sparks.drawMode, 0);
    EXPECT_EQ(Scene.glyphStreams.brightness, 255.0f);
    EXPECT_FALSE(TextureWasSet(FakeTexture(20)));

    // Stage 0 close by: a faint picture under the code rain.
    HoldCubeInFront(SparkField::StageApproach);
    Scene.sparks.distance = 10.0f;  // B = 25
    device.Reset();
    DrawScene(&device);
    EXPECT_EQ(AmbientOfModelDraws(), (std::vector<DWORD>{0x191919, 0xE6E6E6}));
    EXPECT_EQ(Scene.glyphStreams.brightness, 255.0f);
}

}  // namespace
