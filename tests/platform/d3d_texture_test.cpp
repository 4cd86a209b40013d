// Conformance of texturing on the headless backend: stage 0 and stage 1
// modulation, alpha from the texture, the texture formats, wrap addressing
// with point and bilinear filtering (small textures, which the device packs
// into an atlas, and large ones alike), perspective-correct texturing
// through rhw, and batching that never changes a pixel.
#include <gtest/gtest.h>

#include "d3d_fixture.h"
#include "platform/d3d/direct3d_device_gl.h"

using d3dtest::DeviceFixture;
using d3dtest::Near;
using platform::ddraw::StandardFormat;

namespace {

class D3DTexture : public DeviceFixture {
protected:
    void SetUpStages() {
        for (DWORD stage : {0u, 1u}) {
            device->SetTextureStageState(stage, D3DTSS_ADDRESS, D3DTADDRESS_WRAP);
            device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_MODULATE);
            device->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
            device->SetTextureStageState(stage, D3DTSS_COLORARG2, stage == 0 ? D3DTA_DIFFUSE : D3DTA_CURRENT);
            device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTFN_LINEAR);
            device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
            device->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
            device->SetTextureStageState(stage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        }
        D3DMATERIAL7 material{};
        material.diffuse = {1, 1, 1, 1};
        material.ambient = {1, 1, 1, 1};
        device->SetMaterial(&material);
    }

    // A lit 0x112 quad over the whole target with texture coordinates 0..1.
    void DrawLitQuad(DWORD fvf = SceneVertexFVF) {
        SceneVertex quad[4] = {SceneVertex(Vec3{-1, -1, 0.5f}, 0, 0, -1, 0, 1),
                               SceneVertex(Vec3{-1, 1, 0.5f}, 0, 0, -1, 0, 0),
                               SceneVertex(Vec3{1, -1, 0.5f}, 0, 0, -1, 1, 1),
                               SceneVertex(Vec3{1, 1, 0.5f}, 0, 0, -1, 1, 0)};
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, fvf, quad, 4, 0);
    }

    // One row of a texture drawn across a width-pixel quad with u from 0 to u1.
    std::vector<uint32_t> Row(IDirectDrawSurface7* texture, float u1, DWORD filter) {
        device->SetTextureStageState(0, D3DTSS_MINFILTER, filter);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, filter);
        device->SetTexture(0, texture);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        ScreenVertex v[4];
        d3dtest::ScreenQuad(v, 0, 0, static_cast<float>(width), static_cast<float>(height), 0xFFFFFFFF, 0.5f, 0, 0.5f,
                            u1, 0.5f);
        device->BeginScene();
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, ScreenVertexFVF, v, 4, 0);
        device->EndScene();
        std::vector<uint32_t> f = Frame();
        return std::vector<uint32_t>(f.begin(), f.begin() + width);
    }
};

}  // namespace

TEST_F(D3DTexture, StagesModulateTextureWithLitColourThenWithStageOne) {
    Create(16, 16);
    SetUpStages();
    IDirectDrawSurface7* glyph = Texture(4, 4, std::vector<uint32_t>(16, 0xFFFF8040));
    IDirectDrawSurface7* nearTex = Texture(4, 4, std::vector<uint32_t>(16, 0xFF80FF80));
    device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x00808080);
    device->SetTexture(0, glyph);
    auto draw = [&] {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->BeginScene();
        DrawLitQuad();
        device->EndScene();
        return Pixel(8, 8);
    };
    // Stage 0: texture x (ambient 0x80): 0xFF -> 0x80, 0x80 -> 0x40, 0x40 -> 0x20.
    EXPECT_TRUE(Near(draw(), 0x804020, 1)) << std::hex << draw();
    // Stage 1 multiplies by its own texture when one is bound ...
    device->SetTexture(1, nearTex);
    EXPECT_TRUE(Near(draw(), 0x404010, 1)) << std::hex << draw();
    // ... and passes the result on without one.
    device->SetTexture(1, nullptr);
    EXPECT_TRUE(Near(draw(), 0x804020, 1));
    // Without a texture in stage 0 the lit colour shows.
    device->SetTexture(0, nullptr);
    EXPECT_EQ(draw(), 0x808080u);

    // Alpha comes from the texture; a format without alpha reads opaque.
    IDirectDrawSurface7* half = Texture(4, 4, std::vector<uint32_t>(16, 0x80FFFFFF), StandardFormat::A8R8G8B8);
    IDirectDrawSurface7* opaque = Texture(4, 4, std::vector<uint32_t>(16, 0x00FFFFFF), StandardFormat::X8R8G8B8);
    device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x00FFFFFF);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTexture(0, half);
    EXPECT_TRUE(Near(draw(), 0x808080, 1)) << std::hex << draw();
    device->SetTexture(0, opaque);
    EXPECT_EQ(draw(), 0xFFFFFFu);
    device->SetTexture(0, nullptr);
    for (IDirectDrawSurface7* t : {glyph, nearTex, half, opaque}) t->Release();
}

TEST_F(D3DTexture, EveryTextureFormatSamplesItsColours) {
    Create(8, 8);
    SetUpStages();
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    struct Case {
        StandardFormat format;
        uint32_t written;
        uint32_t seen;  // the stored colour widened by bit replication
    };
    const Case cases[] = {
        {StandardFormat::R5G6B5, 0xFF8040C0, 0x8441C6},   {StandardFormat::X1R5G5B5, 0xFF8040C0, 0x8442C6},
        {StandardFormat::A1R5G5B5, 0xFF8040C0, 0x8442C6}, {StandardFormat::A4R4G4B4, 0xFF8040C0, 0x8844CC},
        {StandardFormat::X8R8G8B8, 0xFF8040C0, 0x8040C0}, {StandardFormat::A8R8G8B8, 0xFF8040C0, 0x8040C0},
    };
    int count = 0;
    device->EnumTextureFormats(
        [](LPDDPIXELFORMAT, LPVOID context) -> HRESULT {
            ++*static_cast<int*>(context);
            return D3DENUMRET_OK;
        },
        &count);
    EXPECT_EQ(count, 6);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        IDirectDrawSurface7* t = Texture(2, 2, std::vector<uint32_t>(4, c.written), c.format);
        device->SetTexture(0, t);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->BeginScene();
        DrawScreenQuad(0, 0, 8, 8, 0xFFFFFFFF);
        device->EndScene();
        EXPECT_EQ(Pixel(4, 4), c.seen);
        device->SetTexture(0, nullptr);
        t->Release();
    }
}

TEST_F(D3DTexture, WrapAddressingRepeatsWithPointAndBilinearFiltering) {
    Create(16, 4);
    SetUpStages();
    // Two texels, red and blue, four times across sixteen pixels with point sampling.
    IDirectDrawSurface7* two = Texture(2, 1, {0xFFFF0000, 0xFF0000FF});
    std::vector<uint32_t> row = Row(two, 4.0f, D3DTFG_POINT);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(row[x], (x / 2) % 2 ? 0x0000FFu : 0xFF0000u) << x;

    // Bilinear, black and white once across: at the left edge the filter
    // wraps round to the white texel. Pixel x samples texel coordinate
    // (x + 0.5) / 8 - 0.5; x = 0 blends 44% of white into black.
    IDirectDrawSurface7* bw = Texture(2, 1, {0xFF000000, 0xFFFFFFFF});
    row = Row(bw, 1.0f, D3DTFG_LINEAR);
    auto grey = [](float f) {
        uint32_t v = static_cast<uint32_t>(f * 255.0f + 0.5f);
        return (v << 16) | (v << 8) | v;
    };
    EXPECT_TRUE(Near(row[0], grey(0.4375f), 2)) << std::hex << row[0];
    EXPECT_TRUE(Near(row[3], grey(0.0625f), 2)) << std::hex << row[3];
    EXPECT_TRUE(Near(row[7], grey(0.4375f), 2)) << std::hex << row[7];
    EXPECT_TRUE(Near(row[8], grey(0.5625f), 2)) << std::hex << row[8];
    EXPECT_TRUE(Near(row[15], grey(0.5625f), 2)) << std::hex << row[15];

    // A large texture (its own GL texture, not the atlas) wraps the same way:
    // 128 texels, black then white halves, one texel per pixel with u from
    // -1/128: the left pixel samples texel -1, the wrapped white texel 127.
    std::vector<uint32_t> big(128 * 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 128; ++x) big[y * 128 + x] = x < 64 ? 0xFF000000 : 0xFFFFFFFF;
    IDirectDrawSurface7* wide = Texture(128, 2, big);
    device->SetTexture(0, wide);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    ScreenVertex v[4];
    d3dtest::ScreenQuad(v, 0, 0, 16, 4, 0xFFFFFFFF, 0.5f, -1.0f / 128, 0.25f, 15.0f / 128, 0.25f);
    device->BeginScene();
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, ScreenVertexFVF, v, 4, 0);
    device->EndScene();
    std::vector<uint32_t> f = Frame();
    EXPECT_TRUE(Near(f[0], 0xFFFFFF, 3)) << std::hex << f[0];
    EXPECT_TRUE(Near(f[1], 0, 3)) << std::hex << f[1];
    EXPECT_EQ(f[5], 0u);
    device->SetTexture(0, nullptr);
    for (IDirectDrawSurface7* t : {two, bw, wide}) t->Release();
}

TEST_F(D3DTexture, PreTransformedVerticesTextureThroughRhw) {
    Create(64, 8);
    SetUpStages();
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_POINT);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_POINT);
    // Sixteen texels, texel i has red = i * 16.
    std::vector<uint32_t> ramp(16);
    for (int i = 0; i < 16; ++i) ramp[i] = 0xFF000000u | static_cast<uint32_t>(i * 16) << 16;
    IDirectDrawSurface7* t = Texture(16, 1, ramp);
    device->SetTexture(0, t);
    // The left edge is four times nearer (rhw 1) than the right (rhw 0.25):
    // u is interpolated as u * rhw over rhw, so the texture's middle lands at
    // the screen position where the interpolated 1/w gives u = 0.5:
    // s / (s + (1 - s) * 4) * ... solved: s = 0.8, pixel 51.
    ScreenVertex v[4];
    d3dtest::ScreenQuad(v, 0, 0, 64, 8, 0xFFFFFFFF, 0.5f, 0, 0, 1, 1);
    v[2].rhw = v[3].rhw = 0.25f;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->BeginScene();
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, ScreenVertexFVF, v, 4, 0);
    device->EndScene();
    std::vector<uint32_t> f = Frame();
    auto texel = [&](int x) { return static_cast<int>((f[4 * 64 + x] >> 16) / 16); };
    EXPECT_LE(texel(50), 7);
    EXPECT_GE(texel(52), 8);
    // Linear interpolation would have put the middle at pixel 32.
    EXPECT_LE(texel(40), 4);
    device->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(D3DTexture, BatchedGlyphDrawsMatchOneByOneDraws) {
    Create(96, 96);
    SetUpStages();
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_SRCALPHA);
    std::vector<IDirectDrawSurface7*> glyphs;
    for (int g = 0; g < 12; ++g) {
        std::vector<uint32_t> px(16 * 16);
        for (int i = 0; i < 256; ++i) px[i] = ((i * 7 + g * 13) % 5) ? 0xFFFFFFFF : 0xFF000000;
        glyphs.push_back(Texture(16, 16, px));
    }
    std::vector<uint32_t> maskPx(64 * 64);
    for (int i = 0; i < 64 * 64; ++i) maskPx[i] = 0xFF000000u | static_cast<uint32_t>((i * 37) % 256) * 0x010101u;
    IDirectDrawSurface7* mask = Texture(64, 64, maskPx);
    D3DMATRIX ortho{};
    ortho._11 = 2.0f / 96;
    ortho._22 = -2.0f / 96;
    ortho._33 = 1.0f;
    ortho._41 = -1.0f;
    ortho._42 = 1.0f;
    ortho._44 = 1.0f;
    device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &ortho);

    auto frame = [&](bool oneByOne) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->BeginScene();
        for (int i = 0; i < 200; ++i) {
            float x = static_cast<float>((i * 29) % 84), y = static_cast<float>((i * 47) % 84);
            SceneVertex q[4] = {SceneVertex(Vec3{x, y + 12, 0.5f}, 0, 0, -1, 0, 1),
                                SceneVertex(Vec3{x, y, 0.5f}, 0, 0, -1, 0, 0),
                                SceneVertex(Vec3{x + 12, y + 12, 0.5f}, 0, 0, -1, 1, 1),
                                SceneVertex(Vec3{x + 12, y, 0.5f}, 0, 0, -1, 1, 0)};
            device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x00000000u | ((i * 53) % 256) << 16 |
                                                               ((i * 97) % 256) << 8 | ((i * 11) % 256));
            device->SetTexture(0, glyphs[i % glyphs.size()]);
            device->SetTexture(1, i % 3 == 0 ? mask : nullptr);
            device->DrawPrimitive(D3DPT_TRIANGLESTRIP, i % 2 ? SceneVertexFVF : LitVertexFVF, q, 4, 0);
            if (oneByOne) platform::d3d::FlushDevice(device, false);
        }
        device->SetTexture(1, nullptr);
        device->EndScene();
        return Frame();
    };
    std::vector<uint32_t> single = frame(true);
    uint64_t before = platform::d3d::DeviceGlDrawCalls(device);
    std::vector<uint32_t> batched = frame(false);
    uint64_t calls = platform::d3d::DeviceGlDrawCalls(device) - before;
    EXPECT_EQ(single, batched);
    // Texture and colour changes do not break batches: the first glyph without
    // a second texture and the first with one start the only two.
    EXPECT_LE(calls, 3u);
    int lit = 0;
    for (uint32_t p : batched) lit += p != 0;
    EXPECT_GT(lit, 96 * 96 / 2);
    device->SetTexture(0, nullptr);
    for (IDirectDrawSurface7* g : glyphs) g->Release();
    mask->Release();
}

TEST_F(D3DTexture, OtherCombinerOperationsAndArguments) {
    Create(8, 8);
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_POINT);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_POINT);
    IDirectDrawSurface7* tex = Texture(2, 2, std::vector<uint32_t>(4, 0x40204060), StandardFormat::A8R8G8B8);
    device->SetTexture(0, tex);
    device->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, 0x80102030);
    struct Case {
        DWORD op, arg1, arg2;
        uint32_t expected;
    };
    // Diffuse 0x604020 (alpha 0xFF), texture 0x204060 (alpha 0x40), factor 0x102030.
    const Case cases[] = {
        {D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_TFACTOR, 0x306090},
        {D3DTOP_SUBTRACT, D3DTA_DIFFUSE, D3DTA_TEXTURE, 0x400000},
        {D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, 0, 0xDFBF9F},
        {D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, 0, 0x404040},
        {D3DTOP_SELECTARG2, 0, D3DTA_SPECULAR, 0x010203},
        {D3DTOP_MODULATE2X, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0x182018},
        {D3DTOP_BLENDTEXTUREALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0x504030},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        device->SetTextureStageState(0, D3DTSS_COLOROP, c.op);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, c.arg1);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, c.arg2);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        ScreenVertex v[4];
        d3dtest::ScreenQuad(v, 0, 0, 8, 8, 0xFF604020);
        for (ScreenVertex& x : v) x.specular = 0xFF010203;
        device->BeginScene();
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, ScreenVertexFVF, v, 4, 0), DD_OK);
        device->EndScene();
        EXPECT_TRUE(Near(Pixel(4, 4), c.expected, 1)) << std::hex << Pixel(4, 4);
    }
    device->SetTexture(0, nullptr);
    tex->Release();
}
