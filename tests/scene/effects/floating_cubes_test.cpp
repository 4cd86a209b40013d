// SparkField: scattering, free drift (a very long frame included), the pick
// window, the stages of the picked cube, and the fades and draw modes on a
// recording device.
#include <gtest/gtest.h>

#include <cmath>

#include "assets/milkshape_model.h"
#include "math/packed_color.h"
#include "recording_device.h"
#include "scene/effects/floating_cubes.h"
#include "scene/scene_random.h"

using effectstest::DeviceCall;
using effectstest::RecordingDevice;

namespace {

// One triangle, drawn with DrawPrimitive.
MilkShapeModel& TestModel() {
    static MilkShapeModel model;
    if (model.groups.empty()) {
        model.groups.resize(1);
        model.groups[0].vertexCount = 3;
        model.groups[0].vertices.resize(3);
        model.indexed = 0;
    }
    return model;
}

// Cube 0 `range` units from a camera at the origin, `angle` degrees off the
// +z axis towards +x; the others 100 units to the side, out of view along z.
SparkField OneCubeInView(float angle, float range) {
    SparkField field;
    field.Init(250.0f, 250.0f, 250.0f, &TestModel());
    for (FloatingCube& cube : field.cubes) cube.position = Vec3{100.0f, 0.0f, 0.0f};
    const float a = angle * 0.0174532925f;
    field.cubes[0].position = Vec3{range * std::sin(a), 0.0f, range * std::cos(a)};
    return field;
}

bool InsideBox(const FloatingCube& c) {
    const auto in = [](float v, float size) { return v >= 0.0f && v <= size; };
    return in(c.position.x, 250) && in(c.position.y, 250) && in(c.position.z, 250) && in(c.rotation.x, 360) &&
           in(c.rotation.y, 360);
}

long long AmbientOfFirstDraw(const RecordingDevice& d) {
    const auto draws = d.DrawIndices();
    return draws.empty() ? -2 : d.StateBefore(draws[0], D3DRENDERSTATE_AMBIENT);
}

}  // namespace

TEST(SparkField, CubesScatterDriftAndTumbleInsideTheBoxEvenAfterAVeryLongFrame) {
    SparkField field;
    SeedSceneRandom(1);  // 41, 18467, ...: position.x, then velocity.x
    field.Init(250.0f, 250.0f, 250.0f, &TestModel());
    EXPECT_EQ(field.selected, -1);
    EXPECT_FLOAT_EQ(field.cubes[0].position.x, 41.0f / 32767.0f * 250.0f);
    EXPECT_FLOAT_EQ(field.cubes[0].velocity.x, 18467.0f / 32767.0f - 0.5f + 1.0f);
    for (const FloatingCube& c : field.cubes) {
        for (float v : {c.velocity.x, c.velocity.y, c.velocity.z}) EXPECT_TRUE(std::fabs(v) >= 1 && std::fabs(v) <= 1.5f);
        for (float s : {c.spin.x, c.spin.y}) EXPECT_TRUE(std::fabs(s) >= 3 && std::fabs(s) <= 8);
    }

    for (int frame = 0; frame < 1000; ++frame) {
        const SparkField before = field;
        field.Update(1.0f, 10.0f * frame, -3.0f, 5.0f);
        for (int i = 0; i < SparkField::CubeCount; ++i) {
            const FloatingCube &a = before.cubes[i], &b = field.cubes[i];
            ASSERT_TRUE(InsideBox(b)) << i;
            ASSERT_TRUE(a.position.x != b.position.x && a.position.y != b.position.y && a.position.z != b.position.z);
            ASSERT_TRUE(a.rotation.x != b.rotation.x && a.rotation.y != b.rotation.y);
            ASSERT_EQ(b.rotation.z, 0.0f);
        }
    }
    // Ten hours asleep (a frame step of 360000), then absurd steps.
    for (float step : {360000.0f, 1.0e12f, 1.0e30f}) {
        field.Update(step, 0.0f, 0.0f, 0.0f);
        for (const FloatingCube& c : field.cubes) ASSERT_TRUE(InsideBox(c)) << step;
    }
}

TEST(SparkField, PickTakesOnlyACubeBetween15And45DegreesAnd12To50UnitsAway) {
    RecordingDevice device;
    struct Case {
        float angle, range;
        bool drawn, picked;
    } const cases[] = {
        {10, 30, true, false}, {20, 30, true, true},     {44, 30, true, true},   {46, 30, false, false},
        {30, 11.9f, true, false}, {30, 12.1f, true, true}, {30, 49.9f, true, true}, {30, 50.1f, true, false},
    };
    for (const Case& c : cases) {
        SparkField field = OneCubeInView(c.angle, c.range);
        field.pickRequest = 1;
        field.selectedBrightness = 100.7f;
        device.calls.clear();
        field.Draw(&device, 0.0f, 0.0f, 0.0f, 90.0f, 0.0f);
        EXPECT_EQ(device.Count(DeviceCall::Draw), c.drawn ? 1 : 0) << c.angle << " " << c.range;
        EXPECT_EQ(field.pickRequest, c.picked ? 0 : 1) << c.angle << " " << c.range;
        EXPECT_EQ(field.selected, c.picked ? 0 : -1);
        if (!c.picked) continue;
        EXPECT_EQ(field.holding, 1);
        EXPECT_EQ(field.stage, SparkField::StageApproach);
        EXPECT_NEAR(field.selectedPosition.z, c.range * std::cos(c.angle * 0.0174532925f), 1e-3f);
        EXPECT_EQ(AmbientOfFirstDraw(device), MakeColor(100, 100, 100));  // the scene's brightness
    }

    // A wide view draws cubes further out, but picks within 45 degrees as before.
    for (float angle : {44.0f, 46.0f, 54.0f}) {
        SparkField field = OneCubeInView(angle, 30.0f);
        field.coneLimit = 55.0f;
        field.pickRequest = 1;
        device.calls.clear();
        field.Draw(&device, 0.0f, 0.0f, 0.0f, 90.0f, 0.0f);
        EXPECT_EQ(device.Count(DeviceCall::Draw), 1) << angle;
        EXPECT_EQ(field.selected, angle < 45.0f ? 0 : -1) << angle;
    }
}

TEST(SparkField, PickedCubeComesInSettlesUprightThenRecedesUntilGone) {
    RecordingDevice device;
    SparkField field = OneCubeInView(30.0f, 30.0f);
    field.cubes[0].rotation = Vec3{100.0f, 250.0f, 0.0f};
    field.pickRequest = 1;
    field.Draw(&device, 0.0f, 0.0f, 0.0f, 90.0f, 0.0f);
    ASSERT_EQ(field.holding, 1);

    float lastDistance = 1e9f;
    for (int i = 0; i < 2000 && field.stage != SparkField::StageAtRest; ++i) {
        const int stage = field.stage;
        field.Update(0.5f, 0.0f, 0.0f, 0.0f);
        ASSERT_TRUE(field.stage == stage || field.stage == stage + 1);
        ASSERT_TRUE(field.stage != SparkField::StageApproach || field.distance < lastDistance);
        lastDistance = field.distance;
    }
    // At rest 7.8 in front of the camera, upright.
    ASSERT_EQ(field.stage, SparkField::StageAtRest);
    EXPECT_NEAR(field.selectedPosition.x, 0.0f, 1e-3f);
    EXPECT_NEAR(field.selectedPosition.z, 7.8f, 1e-3f);
    EXPECT_TRUE(field.cubes[0].rotation.x == 0 && field.cubes[0].rotation.y == 0 && field.cubes[0].rotation.z == 0);
    field.stage = SparkField::StageGlitch;  // the scene's stages leave the cube where it is
    field.Update(0.5f, 0.0f, 0.0f, 0.0f);
    EXPECT_NEAR(field.selectedPosition.z, 7.8f, 1e-3f);

    // Stage 5: away along z until more than 25 units off, then gone.
    field.stage = SparkField::StageRecede;
    for (int i = 0; i < 2000 && field.stage == SparkField::StageRecede; ++i) {
        const float z = field.selectedPosition.z;
        field.Update(0.5f, 0.0f, 0.0f, 0.0f);
        ASSERT_GT(field.selectedPosition.z, z);
    }
    EXPECT_EQ(field.stage, SparkField::StageGone);
    EXPECT_TRUE(field.selectedPosition.z > 24.5f && field.selectedPosition.z < 26.0f);

    // An upright cube in stage 1 reaches stage 2 on its first update.
    field.stage = SparkField::StageSettle;
    field.cubes[0].rotation = Vec3{};
    field.Update(0.5f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(field.stage, SparkField::StageAtRest);

    // A cube already at its target, and a very long frame, leave no NaN behind.
    field.stage = SparkField::StageApproach;
    field.cubes[0].position = field.selectedPosition = Vec3{0.0f, 0.0f, 7.8f};
    field.Update(0.0f, 0.0f, 0.0f, 0.0f);
    field.Update(1.0e9f, 0.0f, 0.0f, 0.0f);
    EXPECT_TRUE(InsideBox(field.cubes[0]));
    EXPECT_FALSE(std::isnan(field.selectedPosition.z));
}

TEST(SparkField, DrawFadesNearTheFacesAndHonoursTheDrawMode) {
    RecordingDevice device;
    const auto draw = [&](SparkField& field, float yaw) {
        device.calls.clear();
        field.Draw(&device, 0.0f, 0.0f, 0.0f, yaw, 0.0f);
    };
    // 15 units inside the face: full level, no blending; placed and turned by the model.
    SparkField field = OneCubeInView(0.0f, 110.0f);
    field.cubes[0].rotation = Vec3{12.0f, 34.0f, 0.0f};
    draw(field, 90.0f);
    EXPECT_EQ(AmbientOfFirstDraw(device), MakeColor(255, 255, 255));
    EXPECT_EQ(device.StateBefore(device.calls.size(), D3DRENDERSTATE_ZWRITEENABLE), -1);
    ASSERT_EQ(device.Count(DeviceCall::Transform), 1);
    EXPECT_FLOAT_EQ(device.Of(DeviceCall::Transform)[0].matrix._43, 110.0f);
    EXPECT_FLOAT_EQ(TestModel().rotation.y, 34.0f + 90.0f);

    // 7.5 inside: half level, blended without z writes, then both restored.
    field = OneCubeInView(0.0f, 117.5f);
    draw(field, 90.0f);
    const size_t at = device.DrawIndices().at(0);
    EXPECT_EQ(device.StateBefore(at, D3DRENDERSTATE_AMBIENT), MakeColor(127, 127, 127));
    EXPECT_EQ(device.StateBefore(at, D3DRENDERSTATE_ZWRITEENABLE), 0);
    EXPECT_EQ(device.StateBefore(at, D3DRENDERSTATE_ALPHABLENDENABLE), 1);
    EXPECT_EQ(device.StateBefore(device.calls.size(), D3DRENDERSTATE_ZWRITEENABLE), 1);
    EXPECT_EQ(device.StateBefore(device.calls.size(), D3DRENDERSTATE_ALPHABLENDENABLE), 0);

    // At the face itself (offset -125, seen looking along -z): level 0.
    field = OneCubeInView(0.0f, 125.0f);
    draw(field, 270.0f);
    EXPECT_EQ(AmbientOfFirstDraw(device), 0);
    // The picked cube ignores the fade and takes the scene's brightness.
    field.holding = 1;
    field.selected = 0;
    field.selectedBrightness = 255.0f;
    draw(field, 270.0f);
    EXPECT_EQ(AmbientOfFirstDraw(device), MakeColor(255, 255, 255));
    EXPECT_EQ(device.StateBefore(device.calls.size(), D3DRENDERSTATE_ALPHABLENDENABLE), -1);

    // Mode 2 leaves the picked cube out; mode 1 without a picked cube draws nothing.
    field.drawMode = 2;
    draw(field, 270.0f);
    EXPECT_EQ(device.Count(DeviceCall::Draw), 0);
    field.drawMode = 1;
    field.holding = 0;
    field.selected = -1;
    draw(field, 270.0f);
    EXPECT_TRUE(device.calls.empty());
}
