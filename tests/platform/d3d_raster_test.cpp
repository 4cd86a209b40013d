// Conformance of the device's rasterisation on the headless backend: Clear
// and the viewport, pre-transformed quads at exact pixel rectangles, the
// blend factor pairs the scene uses, depth test and depth write, culling of
// both windings.
#include <gtest/gtest.h>

#include "d3d_fixture.h"

using d3dtest::DeviceFixture;
using d3dtest::Near;
using platform::ddraw::StandardFormat;

namespace {

class D3DRaster : public DeviceFixture {};

// Counts the pixels of `frame` equal to `color` inside and outside a rectangle.
void ExpectRect(const std::vector<uint32_t>& frame, int width, RECT r, uint32_t inside, uint32_t outside) {
    int height = static_cast<int>(frame.size()) / width;
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool in = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            if (frame[static_cast<size_t>(y) * width + x] != (in ? inside : outside)) {
                if (wrong++ < 4)
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex
                                  << frame[static_cast<size_t>(y) * width + x];
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace

TEST_F(D3DRaster, ClearFillsTheViewportAndItsRectangles) {
    Create(40, 30);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00123456, 1.0f, 0), DD_OK);
    ExpectRect(Frame(), width, RECT{0, 0, 40, 30}, 0x123456, 0);

    // Without rectangles Clear covers the viewport only.
    D3DVIEWPORT7 vp{5, 4, 10, 8, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&vp), DD_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FF0000, 1.0f, 0), DD_OK);
    ExpectRect(Frame(), width, RECT{5, 4, 15, 12}, 0xFF0000, 0x123456);

    // Rectangles are cut to the viewport.
    D3DRECT rects[2] = {{0, 0, 8, 6}, {13, 10, 40, 30}};
    ASSERT_EQ(device->Clear(2, rects, D3DCLEAR_TARGET, 0x0000FF00, 1.0f, 0), DD_OK);
    std::vector<uint32_t> frame = Frame();
    EXPECT_EQ(frame[4 * width + 5], 0x00FF00u);
    EXPECT_EQ(frame[5 * width + 7], 0x00FF00u);
    EXPECT_EQ(frame[6 * width + 7], 0xFF0000u);
    EXPECT_EQ(frame[3 * width + 7], 0x123456u);
    EXPECT_EQ(frame[11 * width + 14], 0x00FF00u);
    EXPECT_EQ(frame[12 * width + 14], 0x123456u);
    EXPECT_EQ(frame[10 * width + 12], 0xFF0000u);

    D3DVIEWPORT7 got{};
    ASSERT_EQ(device->GetViewport(&got), DD_OK);
    EXPECT_EQ(got.dwX, 5u);
    EXPECT_EQ(got.dwHeight, 8u);
    D3DVIEWPORT7 outside{30, 0, 20, 10, 0.0f, 1.0f};
    EXPECT_EQ(device->SetViewport(&outside), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), DDERR_INVALIDPARAMS);
}

TEST_F(D3DRaster, SixteenBitTargetsStore565) {
    Create(16, 16, 16);
    // A clear narrows the colour the way the target stores it (truncation).
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x000F0F0F, 1.0f, 0), DD_OK);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask, 0xF800u);
    uint16_t pixel = *static_cast<uint16_t*>(desc.lpSurface);
    EXPECT_EQ(pixel, (1 << 11) | (3 << 5) | 1);
    target->Unlock(nullptr);

    ASSERT_EQ(device->BeginScene(), DD_OK);
    DrawScreenQuad(0, 0, 8, 8, 0xFFFF8040);
    ASSERT_EQ(device->EndScene(), DD_OK);
    ASSERT_EQ(target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    pixel = *static_cast<uint16_t*>(desc.lpSurface);
    EXPECT_EQ(pixel >> 11, 31);
    EXPECT_EQ((pixel >> 5) & 63, 32);
    EXPECT_EQ(pixel & 31, 8);
    target->Unlock(nullptr);
}

TEST_F(D3DRaster, PreTransformedQuadsCoverExactPixelRectangles) {
    for (int bits : {32, 16}) {
        SCOPED_TRACE(bits);
        Create(48, 40, bits);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), DD_OK);
        ASSERT_EQ(device->BeginScene(), DD_OK);
        // Corners on whole coordinates: Direct3D's pixel centres, so the quad
        // from (10, 20) to (30, 25) covers columns 10..29 and rows 20..24.
        ScreenVertex v[4];
        d3dtest::ScreenQuad(v, 10.5f, 20.5f, 30.5f, 25.5f, 0xFFFFFFFF);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, ScreenVertexFVF, v, 4, 0), DD_OK);
        ASSERT_EQ(device->EndScene(), DD_OK);
        ExpectRect(Frame(), width, RECT{10, 20, 30, 25}, 0xFFFFFF, 0);

        // Other corners take the pixels whose centres lie inside: x from 2.75
        // to 7.25 and y from 4.25 to 8.75.
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), DD_OK);
        ASSERT_EQ(device->BeginScene(), DD_OK);
        d3dtest::ScreenQuad(v, 3.25f, 4.75f, 7.75f, 9.25f, 0xFFFFFFFF);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, ScreenVertexFVF, v, 4, 0), DD_OK);
        ASSERT_EQ(device->EndScene(), DD_OK);
        ExpectRect(Frame(), width, RECT{3, 5, 8, 9}, 0xFFFFFF, 0);
    }
}

TEST_F(D3DRaster, BlendFactorPairsOfTheScene) {
    Create(8, 8);
    // Source: a texture of colour (0x60, 0x80, 0xC0) and alpha 0x40; destination 0x204080.
    IDirectDrawSurface7* tex = Texture(2, 2, std::vector<uint32_t>(4, 0x406080C0), StandardFormat::A8R8G8B8);
    ASSERT_NE(tex, nullptr);
    ASSERT_EQ(device->SetTexture(0, tex), DD_OK);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    struct Case {
        D3DBLEND src, dst;
        uint32_t expected;
    };
    auto blend = [](int s, int d, float fs, float fd) {
        return std::min(255, static_cast<int>(s * fs + d * fd + 0.5f));
    };
    const float a = 0x40 / 255.0f;
    const int sr = 0x60, sg = 0x80, sb = 0xC0, dr = 0x20, dg = 0x40, db = 0x80;
    auto rgb = [](int r, int g, int b) { return static_cast<uint32_t>((r << 16) | (g << 8) | b); };
    const Case cases[] = {
        // Sky box and picture flashes: additive.
        {D3DBLEND_ONE, D3DBLEND_ONE, rgb(blend(sr, dr, 1, 1), blend(sg, dg, 1, 1), blend(sb, db, 1, 1))},
        // Glyph streams and masked image: source plus destination times source alpha.
        {D3DBLEND_ONE, D3DBLEND_SRCALPHA, rgb(blend(sr, dr, 1, a), blend(sg, dg, 1, a), blend(sb, db, 1, a))},
        // Mask: destination darkened by the source colour.
        {D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR,
         rgb(blend(sr, dr, 0, 1 - sr / 255.0f), blend(sg, dg, 0, 1 - sg / 255.0f), blend(sb, db, 0, 1 - sb / 255.0f))},
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA,
         rgb(blend(sr, dr, a, 1 - a), blend(sg, dg, a, 1 - a), blend(sb, db, a, 1 - a))},
        {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO,
         rgb(blend(sr, 0, dr / 255.0f, 0), blend(sg, 0, dg / 255.0f, 0), blend(sb, 0, db / 255.0f, 0))},
        {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR,
         rgb(blend(dr, 0, sr / 255.0f, 0), blend(dg, 0, sg / 255.0f, 0), blend(db, 0, sb / 255.0f, 0))},
        // The target has no alpha: destination alpha reads as one.
        {D3DBLEND_DESTALPHA, D3DBLEND_INVDESTALPHA, rgb(sr, sg, sb)},
        {D3DBLEND_BOTHSRCALPHA, D3DBLEND_ZERO,
         rgb(blend(sr, dr, a, 1 - a), blend(sg, dg, a, 1 - a), blend(sb, db, a, 1 - a))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.src << "/" << c.dst);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00204080, 1.0f, 0), DD_OK);
        device->SetRenderState(D3DRENDERSTATE_SRCBLEND, c.src);
        device->SetRenderState(D3DRENDERSTATE_DESTBLEND, c.dst);
        ASSERT_EQ(device->BeginScene(), DD_OK);
        DrawScreenQuad(0, 0, 8, 8, 0xFFFFFFFF);
        ASSERT_EQ(device->EndScene(), DD_OK);
        EXPECT_TRUE(Near(Pixel(4, 4), c.expected, 1)) << std::hex << Pixel(4, 4) << " vs " << c.expected;
    }

    // Blending off: the source replaces the destination whatever the factors say.
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
    ASSERT_EQ(device->BeginScene(), DD_OK);
    DrawScreenQuad(0, 0, 8, 8, 0xFFFFFFFF);
    ASSERT_EQ(device->EndScene(), DD_OK);
    EXPECT_EQ(Pixel(4, 4), rgb(sr, sg, sb));
    device->SetTexture(0, nullptr);
    tex->Release();
}

TEST_F(D3DRaster, DepthTestAndDepthWriteAreIndependent) {
    Create(16, 16);
    auto frame = [&](BOOL zenable, BOOL zwrite) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->SetRenderState(D3DRENDERSTATE_ZENABLE, zenable);
        device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, zwrite);
        device->BeginScene();
        DrawScreenQuad(0, 0, 16, 16, 0xFFFF0000, 0.3f);  // near, red
        DrawScreenQuad(4, 4, 12, 12, 0xFF00FF00, 0.6f);  // far, green
        // Depth test alone (writes off) against the cleared buffer: drawn.
        device->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
        device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, TRUE);
        DrawScreenQuad(0, 0, 2, 2, 0xFF0000FF, 0.9f);  // farthest, blue, in the corner
        device->EndScene();
        return std::make_pair(Pixel(8, 8), Pixel(1, 1));
    };
    // Test and write: the far quad is hidden, and so is the blue corner.
    EXPECT_EQ(frame(TRUE, TRUE), std::make_pair(0xFF0000u, 0xFF0000u));
    // Test without write: nothing stored, the far quad and the corner show.
    EXPECT_EQ(frame(TRUE, FALSE), std::make_pair(0x00FF00u, 0x0000FFu));
    // No test: drawing order decides; with writes off too, the corner shows.
    EXPECT_EQ(frame(FALSE, TRUE), std::make_pair(0x00FF00u, 0x0000FFu));
    EXPECT_EQ(frame(FALSE, FALSE), std::make_pair(0x00FF00u, 0x0000FFu));

    // The comparison function applies.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 0.5f, 0);
    device->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_GREATER);
    device->BeginScene();
    DrawScreenQuad(0, 0, 8, 16, 0xFFFF0000, 0.3f);
    DrawScreenQuad(8, 0, 16, 16, 0xFF00FF00, 0.7f);
    device->EndScene();
    EXPECT_EQ(Pixel(4, 8), 0u);
    EXPECT_EQ(Pixel(12, 8), 0x00FF00u);
}

TEST_F(D3DRaster, CullingJudgesWindingOnScreenWithYDown) {
    Create(16, 16, 32, false);
    // Clockwise on screen (y down): top-left, top-right, bottom-left.
    ScreenVertex cw[3], ccw[3];
    const float pts[3][2] = {{0, 0}, {16, 0}, {0, 16}};
    for (int i = 0; i < 3; ++i) {
        cw[i] = ScreenVertex{};
        cw[i].x = pts[i][0];
        cw[i].y = pts[i][1];
        cw[i].z = 0.5f;
        cw[i].rhw = 1.0f;
        cw[i].diffuse = 0xFFFFFFFF;
        ccw[2 - i] = cw[i];
    }
    struct Case {
        D3DCULL mode;
        bool cwDrawn, ccwDrawn;
    };
    for (const Case c : {Case{D3DCULL_CCW, true, false}, Case{D3DCULL_CW, false, true}, Case{D3DCULL_NONE, true, true}}) {
        SCOPED_TRACE(c.mode);
        device->SetRenderState(D3DRENDERSTATE_CULLMODE, c.mode);
        for (bool clockwise : {true, false}) {
            device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
            device->BeginScene();
            device->DrawPrimitive(D3DPT_TRIANGLELIST, ScreenVertexFVF, clockwise ? cw : ccw, 3, 0);
            device->EndScene();
            EXPECT_EQ(Pixel(3, 3) != 0, clockwise ? c.cwDrawn : c.ccwDrawn) << "clockwise " << clockwise;
        }
    }
}
