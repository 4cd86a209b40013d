// The sky box: its faces seen from inside, the drums' directions, the
// scroll's wrap and precision, the brightness and the drums drawn for each
// Background setting.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "math/vec3.h"
#include "scene/sky_box.h"
#include "scene_test_support.h"

namespace {

using scenetest::SceneCall;
using scenetest::SceneTest;
using scenetest::TestSettings;

float Component(const Vec3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

class SkyBoxTest : public SceneTest {};

TEST_F(SkyBoxTest, FacesLineTheInsideOfTheCube) {
    ResetFlightScene();
    BuildSkyBox();
    std::set<std::pair<int, int>> planesPerDrum[6];
    for (int f = 0; f < 24; ++f) {
        const SceneVertex* face = Scene.backgroundFaces[f];
        // The face's plane: the one axis on which all six vertices agree.
        int plane = -1;
        for (int axis = 0; axis < 3; ++axis) {
            bool same = true;
            for (int i = 0; i < 6; ++i) same = same && Component(face[i].position, axis) == Component(face[0].position, axis);
            if (same) plane = axis;
        }
        ASSERT_GE(plane, 0) << f;
        const float side = Component(face[0].position, plane);
        planesPerDrum[f / 4].insert({plane, side > 0 ? 1 : -1});
        for (int i = 0; i < 6; ++i) {
            for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(std::fabs(Component(face[i].position, axis)), 350.0f);
            // The normal points into the cube.
            EXPECT_EQ(Component(face[i].normal, plane), side > 0 ? -1.0f : 1.0f);
            EXPECT_TRUE(face[i].u == 0.002f || face[i].u == 5.998f);
            EXPECT_TRUE(face[i].v == 0.002f || face[i].v == 5.998f);
        }
        // Both triangles face the centre: clockwise on screen seen from inside,
        // so the default culling of counter-clockwise triangles keeps them.
        for (int t = 0; t < 2; ++t) {
            const SceneVertex* tri = face + 3 * t;
            const Vec3 cross = Vec3Cross(Vec3Sub(tri[1].position, tri[0].position), Vec3Sub(tri[2].position, tri[0].position));
            EXPECT_GT(Vec3Dot(cross, face[0].normal), 0.0f) << "face " << f << " triangle " << t;
        }
        // The two triangles cover the square: four distinct corners.
        std::set<std::tuple<float, float, float>> corners;
        for (int i = 0; i < 6; ++i) corners.insert({face[i].position.x, face[i].position.y, face[i].position.z});
        EXPECT_EQ(corners.size(), 4u);
    }
    // Each drum is the four faces around its axis.
    const int axes[6] = {2, 0, 1, 2, 0, 1};
    for (int d = 0; d < 6; ++d) {
        EXPECT_EQ(planesPerDrum[d].size(), 4u);
        for (const auto& plane : planesPerDrum[d]) EXPECT_NE(plane.first, axes[d]) << "drum " << d + 1;
    }
}

// u runs along the drum's axis; v runs around it, the same way round on
// every face of a drum, and the other way round on the drum's twin.
TEST_F(SkyBoxTest, DrumsTurnAboutTheirAxes) {
    ResetFlightScene();
    BuildSkyBox();
    const int axes[6] = {2, 0, 1, 2, 0, 1};
    const float uSign[6] = {1, -1, 1, 1, -1, -1};
    float turn[6] = {};
    for (int f = 0; f < 24; ++f) {
        const int d = f / 4;
        const SceneVertex* face = Scene.backgroundFaces[f];
        const SceneVertex* low = face;
        for (int i = 0; i < 6; ++i)
            if (face[i].u == 0.002f && face[i].v == 0.002f) low = face + i;
        Vec3 uDirection{}, vDirection{};
        for (int i = 0; i < 6; ++i) {
            if (face[i].u != low->u && face[i].v == low->v) uDirection = Vec3Sub(face[i].position, low->position);
            if (face[i].v != low->v && face[i].u == low->u) vDirection = Vec3Sub(face[i].position, low->position);
        }
        EXPECT_EQ(Component(uDirection, axes[d]), uSign[d] * 700.0f) << "face " << f;
        // The sense of v around the axis: (position x v direction) along the axis.
        const float around = Component(Vec3Cross(low->position, vDirection), axes[d]);
        if (f % 4 == 0) turn[d] = around;
        EXPECT_GT(around * turn[d], 0.0f) << "face " << f << " turns against its drum";
    }
    for (int d = 0; d < 3; ++d) EXPECT_LT(turn[d] * turn[d + 3], 0.0f) << "drum " << d + 1;
}

TEST_F(SkyBoxTest, ScrollKeepsEveryFaceWithinOneWrap) {
    ResetFlightScene();
    BuildSkyBox();
    float spans[24][6];
    for (int f = 0; f < 24; ++f)
        for (int i = 0; i < 6; ++i) spans[f][i] = Scene.backgroundFaces[f][i].v - Scene.backgroundFaces[f][0].v;

    const float steps[] = {0.33f, 1.7f, 0.0f, 25.0f, 61.0f, 3.3f, 0.01f};
    for (int n = 0; n < 3000; ++n) {
        ScrollBackground(steps[n % 7]);
        for (int f = 0; f < 24; ++f) {
            ASSERT_GE(Scene.backgroundFaces[f][0].v, 0.0f);
            ASSERT_LT(Scene.backgroundFaces[f][0].v, 6.0f);
        }
    }
    // One second moves the drums by one whole repeat: the same picture.
    const float before = Scene.backgroundFaces[5][0].v;
    ScrollBackground(10.0f);
    EXPECT_NEAR(std::fmod(Scene.backgroundFaces[5][0].v - before + 6.0f, 1.0f), 0.0f, 1e-4f);

    // A frame of days keeps the faces' texture spans intact.
    ScrollBackground(3.0e7f);
    ScrollBackground(4.29e7f);
    for (int f = 0; f < 24; ++f) {
        EXPECT_GE(Scene.backgroundFaces[f][0].v, 0.0f);
        EXPECT_LT(Scene.backgroundFaces[f][0].v, 6.0f);
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(Scene.backgroundFaces[f][i].v - Scene.backgroundFaces[f][0].v, spans[f][i], 1e-3f);
    }
}

TEST_F(SkyBoxTest, BrightnessDimsWhileClimbing) {
    ResetFlightScene();
    CurrentSettings.BackgroundBr = 100;
    EXPECT_EQ(SkyBoxAmbient(), 0x646464u);
    Scene.phase = PhaseRays;
    Scene.climbSpeed = 20.0f;
    EXPECT_EQ(SkyBoxAmbient(), 0x0F0F0Fu);
    Scene.climbSpeed = 3.0f;  // no dimming until above 3
    EXPECT_EQ(SkyBoxAmbient(), 0x646464u);
    Scene.climbSpeed = 13.0f;
    EXPECT_EQ(SkyBoxAmbient(), 0x323232u);
    Scene.phase = PhaseRoamBeforePicture;
    EXPECT_EQ(SkyBoxAmbient(), 0x646464u);
    CurrentSettings.BackgroundBr = 250;
    EXPECT_EQ(SkyBoxAmbient(), 0xFAFAFAu);
    // Stored values beyond a channel are held to it rather than converted out of range.
    CurrentSettings.BackgroundBr = 0x7FFFFFFF;
    EXPECT_EQ(SkyBoxAmbient(), 0xFFFFFFu);
    CurrentSettings.BackgroundBr = -5;
    EXPECT_EQ(SkyBoxAmbient(), 0u);
}

TEST_F(SkyBoxTest, DrawsTheDrumsTheSettingAsksFor) {
    ResetFlightScene();
    BuildSkyBox();
    CurrentSettings.BackgroundBr = 100;
    for (int background = 1; background <= 3; ++background) {
        CurrentSettings.Background = background;
        device.Reset();
        Mat4 view = Mat4Identity();
        view._41 = 12.0f;
        view._42 = -3.0f;
        view._43 = 40.0f;
        view._44 = 1.0f;
        device.view = view;
        DrawSkyBox(&device);
        const int faces[] = {0, 0, 12, 24};
        EXPECT_EQ(device.CountDraws(SceneVertexFVF), faces[background]);
        for (const SceneCall& c : device.calls) {
            if (c.kind != SceneCall::Draw) continue;
            EXPECT_EQ(c.a, static_cast<DWORD>(D3DPT_TRIANGLELIST));
            EXPECT_EQ(c.count, 6u);
        }
        // Drawn centred on the eye, additively, without depth test, at the
        // sky's brightness; the view and a white ambient level come back after.
        std::vector<SceneCall> views;
        for (const SceneCall& c : device.calls)
            if (c.kind == SceneCall::Transform && c.a == D3DTRANSFORMSTATE_VIEW) views.push_back(c);
        ASSERT_EQ(views.size(), 2u);
        EXPECT_EQ(views[0].matrix._41, 0.0f);
        EXPECT_EQ(views[0].matrix._42, 0.0f);
        EXPECT_EQ(views[0].matrix._43, 0.0f);
        EXPECT_EQ(views[1].matrix._43, 40.0f);
        EXPECT_EQ(device.StatesOf(D3DRENDERSTATE_AMBIENT), (std::vector<DWORD>{0x646464, 0xFFFFFF}));
        EXPECT_EQ(device.StatesOf(D3DRENDERSTATE_ZENABLE), std::vector<DWORD>{FALSE});
        EXPECT_EQ(device.StatesOf(D3DRENDERSTATE_SRCBLEND), std::vector<DWORD>{D3DBLEND_ONE});
        EXPECT_EQ(device.StatesOf(D3DRENDERSTATE_DESTBLEND), std::vector<DWORD>{D3DBLEND_ONE});
        EXPECT_EQ(device.StatesOf(D3DRENDERSTATE_ALPHABLENDENABLE), std::vector<DWORD>{TRUE});
    }
}

}  // namespace
