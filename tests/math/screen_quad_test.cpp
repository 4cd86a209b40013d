// Packed colours, screen rectangles and the two-pass masked quad.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "math/screen_quad.h"
#include "support/null_d3d_device.h"

namespace {

// Records the calls DrawMaskedQuad makes, in order, naming the two test
// textures and the quad.
struct RecordingDevice : testsupport::NullDevice {
    std::vector<std::string> calls;
    const void* names[3] = {};  // mask, image, quad

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        return Record("state " + std::to_string(state) + "=" + std::to_string(value));
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD count, DWORD flags) override {
        return Record("draw " + std::to_string(type) + " " + std::to_string(fvf) + " " + Name(vertices) + " " +
                      std::to_string(count) + " " + std::to_string(flags));
    }
    HRESULT SetTexture(DWORD stage, LPDIRECTDRAWSURFACE7 texture) override {
        return Record("texture " + std::to_string(stage) + " " + Name(texture));
    }

    std::string Name(const void* p) const {
        return p == names[0] ? "mask" : p == names[1] ? "image" : p == names[2] ? "quad" : "?";
    }
    HRESULT Record(std::string call) {
        calls.push_back(std::move(call));
        return D3D_OK;
    }
};

}  // namespace

TEST(MathScreenQuad, MakeColorMasksEachChannel) {
    EXPECT_EQ(MakeColor(0x1FF, 0, 0), 0x00FF0000u);
    EXPECT_EQ(MakeColor(0x12, 0x34, 0x56), 0x00123456u);
    EXPECT_EQ(MakeColor(-1, 0x100, 0x2AB), 0x00FF00ABu);
}

TEST(MathScreenQuad, SetScreenRectWritesStripCornersOnly) {
    ScreenVertex quad[4];
    for (ScreenVertex& v : quad) {
        v.z = 0.99f;
        v.diffuse = 0xFFFFFFFF;
    }
    const D3DVIEWPORT7 full{0, 0, 800, 600, 0.0f, 1.0f};
    SetScreenRect(full, quad, 0, 0, 1, 1);
    const float expected[4][2] = {{0, 600}, {0, 0}, {800, 600}, {800, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(quad[i].x, expected[i][0]) << i;
        EXPECT_FLOAT_EQ(quad[i].y, expected[i][1]) << i;
        EXPECT_EQ(quad[i].z, 0.99f);
        EXPECT_EQ(quad[i].diffuse, 0xFFFFFFFFu);
    }

    // An offset viewport: the fractions are of its own rectangle.
    const D3DVIEWPORT7 inset{10, 20, 200, 100, 0.0f, 1.0f};
    SetScreenRect(inset, quad, 0.25f, 0.5f, 0.5f, 0.25f);
    EXPECT_FLOAT_EQ(quad[0].x, 60);
    EXPECT_FLOAT_EQ(quad[0].y, 95);
    EXPECT_FLOAT_EQ(quad[3].x, 160);
    EXPECT_FLOAT_EQ(quad[3].y, 70);
}

TEST(MathScreenQuad, DrawMaskedQuadDrawsMaskThenImage) {
    RecordingDevice device;
    ScreenVertex quad[4];
    int mask = 0, image = 0;
    device.names[0] = &mask;
    device.names[1] = &image;
    device.names[2] = quad;
    EXPECT_EQ(DrawMaskedQuad(&device, quad, reinterpret_cast<IDirectDrawSurface7*>(&mask),
                             reinterpret_cast<IDirectDrawSurface7*>(&image)),
              S_OK);
    const std::vector<std::string> expected = {
        "texture 0 mask", "state 19=1", "state 20=4",      "draw 5 452 quad 4 0",
        "state 19=2",     "state 20=5", "texture 0 image", "draw 5 452 quad 4 0",
    };
    EXPECT_EQ(device.calls, expected);
}
