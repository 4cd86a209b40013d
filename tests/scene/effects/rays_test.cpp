// RayBurst: firing, renewal while respawn is set, going out after it is
// cleared, the brightness curve and the band drawn on a recording device.
#include <gtest/gtest.h>

#include <cmath>

#include "math/packed_color.h"
#include "recording_device.h"
#include "scene/effects/rays.h"
#include "scene/scene_random.h"

using effectstest::DeviceCall;
using effectstest::FakeTexture;
using effectstest::RecordingDevice;

TEST(RayBurst, RaysRenewWhileRespawnIsSetAndGoOutAfter) {
    RayBurst burst;
    SeedSceneRandom(1);
    burst.Start();
    EXPECT_EQ(burst.respawn, 1);
    EXPECT_EQ(burst.activeCount, 10);
    // Draws per ray: bearing, distance, life.
    EXPECT_FLOAT_EQ(burst.rays[0].bearing, 41.0f / 32767.0f * 360.0f);
    EXPECT_FLOAT_EQ(burst.rays[0].distance, 18467.0f / 32767.0f * 6.0f + 8.0f);
    EXPECT_FLOAT_EQ(burst.rays[0].life, 6334.0f / 32767.0f * 0.5f + 0.2f);

    for (int i = 0; i < 500; ++i) {
        burst.Update(0.05f);
        ASSERT_EQ(burst.activeCount, 10);
    }
    // A step longer than any life renews every ray with its full new life.
    burst.Update(5.0f);
    EXPECT_EQ(burst.activeCount, 10);
    for (const Ray& r : burst.rays) EXPECT_EQ(r.remaining, r.life);

    // Without respawn every ray goes out at the end of its life: all within 0.7.
    burst.respawn = 0;
    int last = burst.activeCount;
    for (int i = 0; i < 15; ++i) {
        burst.Update(0.05f);
        ASSERT_LE(burst.activeCount, last);
        last = burst.activeCount;
    }
    EXPECT_EQ(burst.activeCount, 0);
    for (const Ray& r : burst.rays) EXPECT_EQ(r.active, 0);
}

TEST(RayBurst, DrawStandsOneRisingAndFallingBandPerRay) {
    Ray ray;
    ray.life = 0.4f;
    ray.remaining = 0.4f;
    EXPECT_EQ(RayBurst::Level(ray), 0);
    ray.remaining = 0.2f;
    EXPECT_EQ(RayBurst::Level(ray), 255);
    ray.remaining = 0.3f;
    EXPECT_EQ(RayBurst::Level(ray), 127);  // falling half: 2 * 0.1 / 0.4 * 255 = 127.5

    RayBurst burst;
    burst.texture = FakeTexture(7);
    burst.rays[0] = Ray{0.0f, 10.0f, 0.4f, 0.2f, 1};
    burst.rays[3] = Ray{90.0f, 8.0f, 0.4f, 0.4f, 1};
    burst.activeCount = 2;
    RecordingDevice device;
    burst.Draw(&device, 1.0f, 2.0f, 3.0f);
    const auto draws = device.DrawIndices();
    ASSERT_EQ(draws.size(), 2u);

    const DeviceCall& band = device.calls[draws[0]];
    EXPECT_EQ(band.a, static_cast<DWORD>(D3DPT_TRIANGLESTRIP));
    EXPECT_EQ(band.b, LitVertexFVF);
    ASSERT_EQ(band.vertices.size(), 4u);
    // Foot 10 units along +x, the band 1.95 wide across the line of sight,
    // from 5 below to 250 above the eye.
    const float top[4] = {252.0f, 252.0f, -3.0f, -3.0f};
    const float u[4] = {0.01f, 0.99f, 0.01f, 0.99f};
    const float v[4] = {0.01f, 0.01f, 0.99f, 0.99f};
    for (int i = 0; i < 4; ++i) {
        const SceneVertex& vx = band.vertices[static_cast<size_t>(i)];
        EXPECT_NEAR(vx.position.x, 11.0f, 1e-4f);
        EXPECT_FLOAT_EQ(vx.position.y, top[i]);
        EXPECT_NEAR(vx.position.z, (i % 2) ? 3.0f + 1.95f : 3.0f, 1e-4f);
        EXPECT_FLOAT_EQ(vx.u, u[i]);
        EXPECT_FLOAT_EQ(vx.v, v[i]);
        EXPECT_FLOAT_EQ(vx.normal.z, 1.0f);
    }
    EXPECT_EQ(device.TextureBefore(draws[0], 0), FakeTexture(7));
    EXPECT_EQ(device.StateBefore(draws[0], D3DRENDERSTATE_AMBIENT), static_cast<long long>(MakeColor(255, 255, 255)));
    EXPECT_EQ(device.StateBefore(draws[1], D3DRENDERSTATE_AMBIENT), 0);
    // The second ray stands 8 units along +z.
    EXPECT_NEAR(device.calls[draws[1]].vertices[0].position.z, 11.0f, 1e-4f);
}
