// GlyphStreams: random set-up, fall and wrap (a very long frame included),
// the view cone, the near texture, colours and edge fade, on a recording
// device; and the nearest-copy rule of the repeating volume.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "assets/glyph_font.h"
#include "math/packed_color.h"
#include "recording_device.h"
#include "scene/effects/glyph_streams.h"
#include "scene/effects/repeating_volume.h"
#include "scene/scene_random.h"

using effectstest::DeviceCall;
using effectstest::FakeTexture;
using effectstest::RecordingDevice;

namespace {

GlyphFont& TestFont() {
    static GlyphFont font;
    if (font.glyphs.empty()) {
        font.glyphs.resize(90);
        for (int i = 0; i < 90; ++i) font.glyphs[static_cast<size_t>(i)].texture = FakeTexture(i);
    }
    return font;
}

// One stream of `length` glyphs with ids 1, 2, ... in a 55 x 120 x 55 box.
std::unique_ptr<GlyphStreams> OneStream(float x, float y, float z, int length) {
    auto g = std::make_unique<GlyphStreams>();
    g->Init(55.0f, 120.0f, 55.0f, 0.75f, 0.75f, 1);
    g->Randomize();
    g->glyphFont = &TestFont();
    g->brightness = 255.0f;
    g->nearTexture = FakeTexture(200);
    GlyphStream& s = g->streams[0];
    s = GlyphStream{x, y, z, length, {}, 1.0f, 0.0f, 0};
    for (int k = 0; k < length; ++k) s.glyphs[k] = k + 1;
    return g;
}

// Draws with the camera at (10, 50, 10) unless told otherwise.
std::vector<size_t> DrawOnce(GlyphStreams& g, RecordingDevice& device, float yaw, float pitch = 0.0f,
                             float camY = 50.0f) {
    device.calls.clear();
    g.Draw(&device, 10.0f, camY, 10.0f, yaw, pitch);
    return device.DrawIndices();
}

PackedColor Ambient(const RecordingDevice& d, size_t drawIndex) {
    return static_cast<PackedColor>(d.StateBefore(drawIndex, D3DRENDERSTATE_AMBIENT));
}

}  // namespace

TEST(GlyphStreams, RandomizeFollowsTheDrawOrderAndNeedsInit) {
    auto g = std::make_unique<GlyphStreams>();
    g->Init(55.0f, 120.0f, 55.0f, 0.75f, 0.75f, 400);
    // The back square winds against the front one and still maps u 0.01 at x 0.
    EXPECT_FLOAT_EQ(g->templateQuads[5].position.x, 0.75f);
    EXPECT_FLOAT_EQ(g->templateQuads[6].u, 0.01f);
    SeedSceneRandom(1);  // 41, 18467, 6334, 26500, 19169, ...
    g->Randomize();
    EXPECT_EQ(g->activeCount, 400);
    EXPECT_EQ(g->streams[0].length, 5);
    EXPECT_FLOAT_EQ(g->streams[0].x, 18467.0f / 32767.0f * 55.0f);
    EXPECT_FLOAT_EQ(g->streams[0].speed, 2.0f * (19169.0f / 32767.0f) + 1.0f);
    for (int i = 0; i < g->activeCount; ++i) {
        const GlyphStream& s = g->streams[i];
        ASSERT_TRUE(s.length >= 5 && s.length <= 43 && s.speed >= 1.0f && s.speed <= 3.0f);
        for (int k = 0; k < s.length; ++k) ASSERT_TRUE(s.glyphs[k] >= 1 && s.glyphs[k] <= 61);
    }

    // Without Init (a stream amount outside 1..3) nothing runs and no random value is used.
    auto empty = std::make_unique<GlyphStreams>();
    const uint32_t before = SceneRandomState();
    empty->Randomize();
    empty->Update(1.0f);
    RecordingDevice device;
    EXPECT_TRUE(DrawOnce(*empty, device, 90.0f).empty());
    EXPECT_EQ(SceneRandomState(), before);
}

TEST(GlyphStreams, UpdateFallsInWholeGlyphStepsAndWrapsEvenAfterAVeryLongFrame) {
    auto g = OneStream(10.0f, 10.0f, 10.0f, 5);
    GlyphStream& s = g->streams[0];
    g->Update(0.03f);  // 1.05 of fall: one glyph step, 0.3 left over
    EXPECT_FLOAT_EQ(s.y, 9.25f);
    EXPECT_NEAR(s.scroll, 0.3f, 1e-5f);
    // The top glyph passes below 0: the stream shows at the top of the box in the same step.
    s.y = -3.0f;
    s.scroll = 0.0f;
    g->Update(0.0643f);  // 2.25: three steps, top at -1.5
    EXPECT_FLOAT_EQ(s.y, -5.25f + 120.0f);

    g->Init(80.0f, 120.0f, 80.0f, 0.75f, 0.75f, 950);
    g->Randomize();
    // Ten hours asleep (an effect step of 14400), then absurd steps.
    for (float step : {14400.0f, 1.0e12f, 1.0e30f, 0.01f}) {
        g->Update(step);
        for (int i = 0; i < g->activeCount; ++i) {
            const GlyphStream& t = g->streams[i];
            ASSERT_TRUE(t.y >= -static_cast<float>(t.length) * 0.75f && t.y <= 120.0f) << step << " " << i;
            ASSERT_TRUE(t.scroll >= 0.0f && t.scroll < 0.75f) << step << " " << i;
        }
    }
}

TEST(GlyphStreams, ConeTestKeepsOnlyGlyphsInFrontAndWithinTheCone) {
    RecordingDevice device;
    // The stream 14 units straight behind a camera looking along +z: on the
    // axis, but not in front. Turned round, all five glyphs with front squares.
    auto g = OneStream(10.0f, 50.0f, 55.0f - 4.0f, 5);
    EXPECT_TRUE(DrawOnce(*g, device, 90.0f).empty());
    const auto front = DrawOnce(*g, device, 270.0f);
    ASSERT_EQ(front.size(), 5u);
    EXPECT_EQ(device.calls[front[0]].a, static_cast<DWORD>(D3DPT_TRIANGLESTRIP));
    EXPECT_EQ(device.calls[front[0]].b, SceneVertexFVF);
    EXPECT_FLOAT_EQ(device.calls[front[0]].vertices[0].normal.z, 1.0f);

    // Looking 60 degrees up at a tall stream 14 ahead: the lowest glyph is out
    // of the cone, the top one in, so the stream is visible and the glyphs
    // above 25 degrees of elevation (k >= 9) are drawn, with back squares.
    g = OneStream(10.0f, 50.0f, 24.0f, 43);
    const auto up = DrawOnce(*g, device, 90.0f, 60.0f);
    EXPECT_EQ(g->streams[0].visible, 1);
    ASSERT_EQ(up.size(), 34u);
    EXPECT_FLOAT_EQ(device.calls[up[0]].vertices[2].position.y, 50.0f + 9 * 0.75f);
    EXPECT_EQ(device.calls[up[0]].b, LitVertexFVF);
    EXPECT_FLOAT_EQ(device.calls[up[0]].vertices[0].normal.z, -1.0f);

    // A stream 40 degrees to the side is left out, unless a wide view has
    // widened the cone.
    g = OneStream(10.0f + 14.0f * std::sin(0.6981317f), 50.0f, 10.0f + 14.0f * std::cos(0.6981317f), 5);
    EXPECT_TRUE(DrawOnce(*g, device, 90.0f).empty());
    g->coneLimit = 45.0f;
    EXPECT_EQ(DrawOnce(*g, device, 90.0f).size(), 5u);
}

TEST(GlyphStreams, DrawSetsTexturesColoursAndTheNearTextureWithin14Units) {
    RecordingDevice device;
    // Exactly 14 ahead: no near texture.
    auto g = OneStream(10.0f, 50.0f, 24.0f, 5);
    auto draws = DrawOnce(*g, device, 90.0f);
    ASSERT_EQ(draws.size(), 5u);
    for (size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(device.TextureBefore(draws[k], 0), FakeTexture(static_cast<int>(k) + 1));
        EXPECT_EQ(device.TextureBefore(draws[k], 1), nullptr) << k;
        EXPECT_FLOAT_EQ(device.calls[draws[k]].vertices[0].position.y, 50.0f + 0.75f * static_cast<float>(k + 1));
    }
    EXPECT_EQ(Ambient(device, draws[0]), MakeColor(131, 252, 188));
    EXPECT_EQ(device.calls.back().kind, DeviceCall::Texture);  // stage 1 emptied last
    EXPECT_EQ(device.calls.back().texture, nullptr);

    // 13.9 ahead: glyphs 0..2 are closer than 14.
    g = OneStream(10.0f, 50.0f, 23.9f, 5);
    draws = DrawOnce(*g, device, 90.0f);
    for (size_t k = 0; k < 5; ++k)
        EXPECT_EQ(device.TextureBefore(draws[k], 1), k < 3 ? FakeTexture(200) : nullptr) << k;

    // A stream of 10: full green up to half its length, then fading.
    g = OneStream(10.0f, 50.0f, 24.0f, 10);
    draws = DrawOnce(*g, device, 90.0f);
    ASSERT_EQ(draws.size(), 10u);
    EXPECT_EQ(Ambient(device, draws[5]), MakeColor(20, 224, 20));
    EXPECT_EQ(Ambient(device, draws[6]), MakeColor(16, 184, 16));
    EXPECT_EQ(Ambient(device, draws[9]), MakeColor(4, 64, 4));
}

TEST(GlyphStreams, EdgeFadeRunsFromFullAtFiveInsideTheFaceToBlackAtIt) {
    RecordingDevice device;
    const auto leading = [&](float z, float yaw) {
        auto g = OneStream(10.0f, 50.0f, z, 5);
        const auto draws = DrawOnce(*g, device, yaw);
        return draws.empty() ? 0xDEADu : Ambient(device, draws[0]);
    };
    EXPECT_EQ(leading(32.5f, 90.0f), MakeColor(131, 252, 188));  // dz = half - 5
    EXPECT_EQ(leading(35.0f, 90.0f), MakeColor(65, 126, 94));    // dz = half - 2.5
    EXPECT_EQ(leading(37.5f, 270.0f), 0u);                       // dz = -half: the face

    // A tall stream reaching above the top of the box has glyphs beyond the
    // face of the copy: they stay black instead of wrapping to bright colours.
    auto g = OneStream(10.0f, 110.0f, 10.5f, 43);
    const auto draws = DrawOnce(*g, device, 90.0f, 89.0f, 70.0f);
    int beyond = 0;
    for (size_t i : draws) {
        if (device.calls[i].vertices[2].position.y - 70.0f <= 60.0f) continue;
        ++beyond;
        EXPECT_EQ(Ambient(device, i), 0u);
    }
    EXPECT_GT(beyond, 0);
}

TEST(RepeatingVolume, NearestCopyStaysWithinHalfABoxFromAnyCamera) {
    VolumeView view;
    // Camera exactly on a negative box boundary: the cell comes out one lower
    // than the floor, the offsets are still the nearest copy.
    view.Set(Vec3{55.0f, 120.0f, 55.0f}, -55.0f, -240.0f, 0.0f);
    EXPECT_FLOAT_EQ(view.OffsetX(10.0f), 10.0f);
    EXPECT_FLOAT_EQ(view.OffsetX(40.0f), -15.0f);
    EXPECT_FLOAT_EQ(view.OffsetY(-3.0f), -3.0f);  // raised to 117 first, then its nearest copy
    for (float cam : {-54.9f, -0.1f, 0.0f, 27.5f, 1000.25f, -777.7f}) {
        view.Set(Vec3{55.0f, 120.0f, 55.0f}, cam, cam, cam);
        for (float s = 0.0f; s <= 55.0f; s += 0.25f) {
            const float d = view.OffsetX(s);
            ASSERT_LE(std::fabs(d), 27.5f + 1e-3f) << cam << " " << s;
            const float k = std::round((cam + d - s) / 55.0f);  // the same lattice point
            ASSERT_NEAR(cam + d - s, k * 55.0f, 1e-2f) << cam << " " << s;
        }
    }
}
