// UpdateScene and the scene's set-up on a recording device: start values,
// device states and the projection at every viewport shape, elapsed time
// across the counter's wrap, the effect tick, the camera in free flight and
// facing a held cube, and a frame of days that leaves everything in its box.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "math/mat4.h"
#include "scene/scene_random.h"
#include "scene_test_support.h"

namespace {

using scenetest::SceneCall;
using scenetest::SceneTest;
using scenetest::TestSettings;

class SceneUpdateTest : public SceneTest {};

TEST_F(SceneUpdateTest, SetupGivesTheStartValues) {
    Settings settings = TestSettings(false, true);
    for (int amount = 0; amount <= 4; ++amount) {
        settings.VexlarStream = amount;
        settings.HiTexQuality = amount % 2;
        Start(settings, 10);
        const int counts[5] = {0, 400, 750, 950, 0};
        EXPECT_EQ(Scene.glyphStreams.activeCount, counts[amount]) << amount;
        EXPECT_EQ(Scene.rainGrid.textureWidth, amount % 2 ? 512 : 256);
        EXPECT_EQ(Scene.rainGrid.cellWidth, amount % 2 ? 16 : 8);
        EXPECT_EQ(Scene.rainGrid.textureWidth / Scene.rainGrid.cellWidth, 32);
    }
    EXPECT_EQ(Scene.phase, PhaseRoam);
    EXPECT_EQ(Scene.position.z, -73.9f);
    EXPECT_EQ(Scene.glyphStreams.glyphFont, &Scene.font);
    EXPECT_EQ(Scene.rainGrid.font, &Scene.font);
    EXPECT_GT(Scene.model.groupCount, 0);  // the cube from the resources
    // The overlay quad's texture runs upright in SetScreenRect's corner order.
    EXPECT_EQ(Scene.overlayQuad[0].v, 1.0f);
    EXPECT_EQ(Scene.overlayQuad[3].u, 1.0f);
    // The generator was seeded from the (virtual) wall clock.
    Start(settings, 10);
    const int first = SceneRandom();
    Start(settings, 10);
    EXPECT_EQ(SceneRandom(), first);

    settings.ShowPictures = 1;
    Start(settings, 10);
    EXPECT_EQ(Scene.phase, PhaseRoamBeforePicture);
}

TEST_F(SceneUpdateTest, DeviceSetupStatesAndProjection) {
    Start(TestSettings(true, true), 1);
    Scene.isPreview = true;  // no textures on the recording device
    platform::AdvanceVirtualClock(777);
    EXPECT_EQ(CreateSceneDeviceObjects(nullptr, &device), 0);
    EXPECT_EQ(Scene.lastFrameTime, timeGetTime());

    int stageStates = 0;
    const SceneCall* projection = nullptr;
    const SceneCall* view = nullptr;
    for (const SceneCall& c : device.calls) {
        if (c.kind == SceneCall::StageState) {
            ++stageStates;
            if (c.count == D3DTSS_COLORARG2) {
                EXPECT_EQ(c.b, c.a == 0 ? DWORD{D3DTA_DIFFUSE} : DWORD{D3DTA_CURRENT});
            }
            if (c.count == D3DTSS_ADDRESS) {
                EXPECT_EQ(c.b, static_cast<DWORD>(D3DTADDRESS_WRAP));
            }
        }
        if (c.kind == SceneCall::Transform && c.a == D3DTRANSFORMSTATE_PROJECTION) projection = &c;
        if (c.kind == SceneCall::Transform && c.a == D3DTRANSFORMSTATE_VIEW) view = &c;
    }
    EXPECT_EQ(stageStates, 16);
    EXPECT_EQ(device.StatesOf(D3DRENDERSTATE_ZENABLE), std::vector<DWORD>{TRUE});
    EXPECT_EQ(device.StatesOf(D3DRENDERSTATE_SHADEMODE), std::vector<DWORD>{D3DSHADE_GOURAUD});
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->matrix._43, 1.0f);
    ASSERT_NE(projection, nullptr);
    const D3DMATRIX& p = projection->matrix;
    EXPECT_FLOAT_EQ(p._11, 1.0f / std::tan(0.4712389f));
    EXPECT_FLOAT_EQ(p._22, p._11);
    EXPECT_FLOAT_EQ(p._33, 100.0f / 99.95f);
    EXPECT_EQ(p._34, 1.0f);
    EXPECT_FLOAT_EQ(p._43, -5.0f / 99.95f);
    EXPECT_EQ(p._44, 1.0f);  // keeps the sky box inside the far limit
    EXPECT_EQ(p._12 + p._13 + p._14 + p._21 + p._23 + p._24 + p._31 + p._32 + p._41 + p._42, 0.0f);
    // With _44 = 1 a point 600 units ahead still lies inside the depth range.
    const float z = 600.0f;
    const float depth = (z * p._33 + p._43) / (z * p._34 + p._44);
    EXPECT_LT(depth, 1.0f);
    EXPECT_EQ(Scene.digitTextures[0], nullptr);
    EXPECT_EQ(Scene.rainGrid.texture, nullptr);
}

// The device set-up reads the viewport: a 4:3 one keeps the designed matrix
// bit for bit; any other shape keeps the 4:3 proportions on screen (a square
// ahead is as many pixels wide and high as in a 4:3 viewport of the same
// height) and sees more or less of the scene across. The effects' view cones
// reach the new corners with the slack they have at 4:3.
TEST_F(SceneUpdateTest, ProjectionFollowsTheViewportShape) {
    Start(TestSettings(false, false), 1);
    Scene.isPreview = true;
    auto projectionAt = [&](DWORD width, DWORD height) {
        device.viewport = D3DVIEWPORT7{0, 0, width, height, 0.0f, 1.0f};
        device.Reset();
        CreateSceneDeviceObjects(nullptr, &device);
        D3DMATRIX m{};
        for (const SceneCall& c : device.calls)
            if (c.kind == SceneCall::Transform && c.a == D3DTRANSFORMSTATE_PROJECTION) m = c.matrix;
        return m;
    };
    // Width and height in pixels of a unit square 10 units straight ahead,
    // through the projection and the viewport as the device maps them.
    auto squarePixels = [](const D3DMATRIX& p, float width, float height, float* across, float* up) {
        const float w = 10.0f * p._34 + p._44;
        *across = 1.0f * p._11 / w * width * 0.5f;
        *up = 1.0f * p._22 / w * height * 0.5f;
    };
    auto cornerDegrees = [](const D3DMATRIX& p) {
        return std::atan(std::hypot(1.0f / p._11, 1.0f / p._22)) * 57.29578f;
    };
    const float designed = 1.0f / std::tan(Scene.fovX * 0.5f);

    for (auto [w, h] : {std::pair<DWORD, DWORD>{320, 240}, {640, 480}, {1024, 768}, {1600, 1200}}) {
        const D3DMATRIX p = projectionAt(w, h);
        EXPECT_EQ(p._11, designed) << w << "x" << h;
        EXPECT_EQ(p._22, designed);
        EXPECT_EQ(Scene.glyphStreams.coneLimit, GlyphStreams::ConeLimit);
        EXPECT_EQ(Scene.sparks.coneLimit, SparkField::ConeLimit);
    }
    const D3DMATRIX designedMatrix = projectionAt(640, 480);
    const float designedSlack = Scene.glyphStreams.coneLimit - cornerDegrees(designedMatrix);

    struct Shape {
        DWORD width, height;
        float tanAcross;  // tangent of half the view across, over its value at 4:3
    } const shapes[] = {{1280, 720, 4.0f / 3.0f}, {640, 360, 4.0f / 3.0f}, {1280, 480, 2.0f}, {1920, 1200, 1.2f},
                        {1280, 1024, 0.9375f}, {480, 640, 0.5625f}};
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(testing::Message() << shape.width << "x" << shape.height);
        const D3DMATRIX p = projectionAt(shape.width, shape.height);
        EXPECT_EQ(p._22, designed);
        EXPECT_EQ(p._33, designedMatrix._33);
        EXPECT_EQ(p._43, designedMatrix._43);
        EXPECT_NEAR(designed / p._11, shape.tanAcross, 1e-5f);
        float across = 0.0f, up = 0.0f, across43 = 0.0f, up43 = 0.0f;
        const float height = static_cast<float>(shape.height);
        squarePixels(p, static_cast<float>(shape.width), height, &across, &up);
        squarePixels(designedMatrix, height * 4.0f / 3.0f, height, &across43, &up43);
        EXPECT_NEAR(across / across43, 1.0f, 1e-5f);
        EXPECT_EQ(up, up43);
        const float slack = Scene.glyphStreams.coneLimit - cornerDegrees(p);
        if (shape.tanAcross > 1.0f) {
            EXPECT_NEAR(slack, designedSlack, 1e-3f);
            EXPECT_NEAR(Scene.sparks.coneLimit - Scene.glyphStreams.coneLimit, 10.0f, 1e-4f);
        } else {
            EXPECT_EQ(Scene.glyphStreams.coneLimit, GlyphStreams::ConeLimit);  // never narrower than designed
            EXPECT_EQ(Scene.sparks.coneLimit, SparkField::ConeLimit);
        }
    }

    // A device that cannot report its viewport gets the designed matrix.
    struct NoViewportDevice : scenetest::SceneDevice {
        HRESULT GetViewport(LPD3DVIEWPORT7) override { return E_NOTIMPL; }
    } blind;
    CreateSceneDeviceObjects(nullptr, &blind);
    const SceneCall* projection = nullptr;
    for (const SceneCall& c : blind.calls)
        if (c.kind == SceneCall::Transform && c.a == D3DTRANSFORMSTATE_PROJECTION) projection = &c;
    ASSERT_NE(projection, nullptr);
    EXPECT_EQ(projection->matrix._11, designed);
}

// Elapsed time comes from the millisecond counter, exact across its wrap.
TEST_F(SceneUpdateTest, ElapsedTimeAcrossTheCounterWrap) {
    Start(TestSettings(false, false), 3);
    platform::UseVirtualClock(0xFFFFFF00u, 3);
    Scene.lastFrameTime = timeGetTime();
    Scene.phaseClock = 90.0f;
    Frame(0x200, false);  // 512 ms, through the wrap
    EXPECT_FLOAT_EQ(Scene.phaseClock, 90.0f - 5.12f);
    EXPECT_EQ(Scene.lastFrameTime, 0x100u);
    // A counter that stands still or steps back gives no time at all.
    Scene.lastFrameTime = timeGetTime() + 50;
    const float clock = Scene.phaseClock;
    Frame(0, false);
    EXPECT_EQ(Scene.phaseClock, clock);
}

// The effects are stepped once per update at most, by the gathered time
// times 0.04, and only once more than 0.2 units have gathered.
TEST_F(SceneUpdateTest, EffectTick) {
    Start(TestSettings(false, false), 12);
    GlyphStream& stream = Scene.glyphStreams.streams[0];
    stream.speed = 1.0f;
    stream.scroll = 0.0f;
    Scene.gridDirty = false;
    Frame(15, false);
    EXPECT_FLOAT_EQ(Scene.effectClock, 0.15f);
    EXPECT_FALSE(Scene.gridDirty);
    EXPECT_EQ(stream.scroll, 0.0f);
    Frame(7, false);  // 22 ms gathered: one step of 0.0088
    EXPECT_TRUE(Scene.gridDirty);
    EXPECT_NEAR(stream.scroll, 0.0088f * 35.0f, 1e-6f);
    EXPECT_NEAR(Scene.effectClock, 0.02f, 1e-6f);
    Frame(100, false);  // one unit: a single step of 0.0408, leaving 0.2 or less
    EXPECT_NEAR(stream.scroll, 0.0088f * 35.0f + 1.02f * 0.04f * 35.0f - 2.0f * 0.75f, 1e-4f);  // two glyph steps taken
    EXPECT_LE(Scene.effectClock, 0.2f);
    EXPECT_GT(Scene.effectClock, 0.0f);
}

TEST_F(SceneUpdateTest, CameraFliesAlongItsHeadingAndClimbsOnlyByClimbSpeed) {
    Start(TestSettings(false, false), 21);
    Scene.turnLock = true;
    Scene.yawTurn = TurnChannel{30.0f, 0.0f, 0.0f, 100.0f};
    Scene.pitchTurn = TurnChannel{40.0f, 0.0f, 0.0f, 100.0f};
    Scene.rollTurn = TurnChannel{15.0f, 0.0f, 0.0f, 100.0f};
    Scene.pitch = 40.0f;
    Scene.climbSpeed = 0.0f;
    const Vec3 start = Scene.position;
    device.Reset();
    Frame(100, false);  // one unit
    const float c = std::cos(40.0f * 0.0174532925f);
    EXPECT_NEAR(Scene.position.x - start.x, std::cos(30.0f * 0.0174532925f) * c, 1e-4f);
    EXPECT_NEAR(Scene.position.z - start.z, std::sin(30.0f * 0.0174532925f) * c, 1e-4f);
    EXPECT_EQ(Scene.position.y, start.y);  // pitch alone never climbs
    EXPECT_EQ(Scene.heading, 30.0f);
    EXPECT_EQ(Scene.eye.x, Scene.position.x);

    // The view looks from the eye along heading and pitch, rolled about the view axis.
    Mat4 expected;
    const float p = 40.0f * 0.0174532925f, h = 30.0f * 0.0174532925f, r = 15.0f * 0.0174532925f;
    const Vec3 at{Scene.eye.x + std::cos(p) * std::cos(h), Scene.eye.y + std::sin(p),
                  Scene.eye.z + std::cos(p) * std::sin(h)};
    MakeViewTransform(expected, Scene.eye, at, Vec3{std::sin(r), std::cos(r), 0.0f});
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR((&device.view._11)[i], (&expected._11)[i], 1e-5f) << i;
    }
    Scene.phase = PhaseRays;
    Scene.phaseClock = 50.0f;
    Scene.climbSpeed = 20.0f;
    Scene.pitchTurn.base = 89.0f;
    Frame(100, false);
    EXPECT_NEAR(Scene.position.y - start.y, 20.0f, 1e-3f);
}

// Holding a cube the camera stands still and turns toward it the short way
// round; straight below it the angles stay finite.
TEST_F(SceneUpdateTest, CameraTurnsTowardTheHeldCube) {
    Start(TestSettings(true, false), 5);
    Scene.phase = PhaseRoamAfterPicture;  // keep the picture programme out of it
    Scene.phaseClock = 1000.0f;
    Scene.sparks.holding = 1;
    Scene.sparks.selected = 0;
    Scene.sparks.stage = SparkField::StageAtRest;
    Scene.turnLock = true;
    Scene.position = Scene.eye = Vec3{125.0f, 125.0f, 125.0f};
    Scene.sparks.cubes[0].position = Vec3{115.0f, 125.0f, 125.0f};  // due -x: heading 180
    Scene.heading = 350.0f;
    Scene.pitch = 0.0f;
    float lastGap = 190.0f;
    for (int i = 0; i < 400; ++i) {
        Frame(33, false);
        EXPECT_EQ(Scene.position.x, 125.0f);
        const float gap = std::fabs(Scene.heading - 180.0f);
        EXPECT_LE(gap, lastGap + 1e-3f);
        lastGap = gap;
        EXPECT_EQ(Scene.yawTurn.base, Scene.heading);
        EXPECT_EQ(Scene.yawTurn.offset, 0.0f);
    }
    EXPECT_NEAR(Scene.heading, 180.0f, 0.01f);

    Scene.sparks.cubes[0].position = Vec3{125.0f, 135.0f, 125.0f};  // straight above
    Scene.sparks.cubes[0].velocity = Vec3{};
    for (int i = 0; i < 400; ++i) Frame(33, false);
    EXPECT_TRUE(std::isfinite(Scene.heading));
    EXPECT_NEAR(Scene.pitch, 90.0f, 0.01f);
    EXPECT_TRUE(std::isfinite(device.view._11));

    // Frames of a second or so (a machine under load) would make a fifth per
    // time unit more than the whole way: the camera would swing past the cube,
    // and the pitch past straight up. A long frame lands on the cube instead.
    Scene.sparks.cubes[0].position = Vec3{115.0f, 134.0f, 125.0f};  // ahead and high up
    for (int ms : {600, 800, 950, 1500}) {
        Scene.pitch = 0.0f;
        Scene.heading = 90.0f;
        Frame(static_cast<uint32_t>(ms), false);
        const Vec3 d = Vec3Sub(Scene.sparks.selectedPosition, Scene.position);
        const float wanted = std::asin(d.y / Vec3Length(d)) * RadiansToDegrees;
        EXPECT_GT(wanted, 0.0f);
        EXPECT_LE(Scene.pitch, wanted + 0.01f) << ms << " ms: swung past the cube";
    }
}

// A frame of days: one step for everything, and afterwards every stream and
// cube is back inside its box, the camera's coordinates small, and the
// flight goes on.
TEST_F(SceneUpdateTest, VeryLongFrameKeepsEverythingInItsBox) {
    Start(TestSettings(false, true), 31);
    Frame(33);
    Frame(3u * 24u * 3600u * 1000u);
    Frame(33);
    Frame(0x7FFFFFFFu);  // nearly 25 days: a float that large no longer shrinks by a tick
    Frame(33);
    const GlyphStreams& g = Scene.glyphStreams;
    for (int i = 0; i < g.activeCount; ++i) {
        const GlyphStream& s = g.streams[i];
        ASSERT_GE(s.x, 0.0f);
        ASSERT_LE(s.x, g.boxSize.x);
        ASSERT_GE(s.z, 0.0f);
        ASSERT_LE(s.z, g.boxSize.z);
        ASSERT_LE(s.y, g.boxSize.y);
        ASSERT_GE(s.y + static_cast<float>(s.length) * g.glyphHeight, 0.0f);
    }
    for (const FloatingCube& cube : Scene.sparks.cubes) {
        for (float v : {cube.position.x, cube.position.y, cube.position.z}) {
            ASSERT_GE(v, 0.0f);
            ASSERT_LE(v, 250.0f);
        }
    }
    for (float v : {Scene.position.x, Scene.position.y, Scene.position.z}) {
        ASSERT_TRUE(std::isfinite(v));
        EXPECT_LE(std::fabs(v), 3000.0f);
    }
    EXPECT_LE(Scene.effectClock, 0.2f);
    for (int i = 0; i < 100; ++i) Frame(33);
    EXPECT_TRUE(std::isfinite(Scene.heading) && std::isfinite(Scene.pitch));
}

// Moving the camera by a whole period of both repeating volumes changes
// nothing on screen, so the camera is kept within one period.
TEST_F(SceneUpdateTest, CameraStaysWithinTheRepeatPeriod) {
    Start(TestSettings(false, true), 41);
    EXPECT_EQ(Scene.repeatPeriod.x, 2750.0f);  // 55 and 250
    EXPECT_EQ(Scene.repeatPeriod.y, 3000.0f);  // 120 and 250
    EXPECT_EQ(Scene.repeatPeriod.z, 2750.0f);
    Scene.position = Vec3{100.0f, 3010.5f, -2800.25f};
    Scene.turnLock = true;
    Frame(0, false);
    EXPECT_EQ(Scene.position.y, 10.5f);
    EXPECT_EQ(Scene.position.z, -50.25f);
    EXPECT_EQ(Scene.eye.y, 10.5f);
    EXPECT_EQ(Scene.position.x, 100.0f);
    // The climbs alone would take the camera thousands of units up each hour.
    Scene.phase = PhaseRays;
    Scene.phaseClock = 1.0e9f;
    Scene.climbSpeed = 20.0f;
    Scene.pitchTurn = TurnChannel{89.0f, 0.0f, 0.0f, 1.0e9f};
    for (int i = 0; i < 2000; ++i) Frame(100, false);
    EXPECT_LE(std::fabs(Scene.position.y), 3000.0f);
}

}  // namespace
