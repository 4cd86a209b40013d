// The device's GL programs: one is built for each combination of texture
// stages, texture placement (an atlas tile or a texture of its own),
// specular and blending that a draw uses, and a program drops the results
// that leave the target as it was. Each combination is drawn on the headless
// device and every pixel compared with the blend worked out here, over
// texels that are black and opaque, black and transparent, coloured and
// half transparent, and white.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "d3d_fixture.h"

using d3dtest::DeviceFixture;
using d3dtest::Near;
using platform::ddraw::StandardFormat;

namespace {

class D3DProgram : public DeviceFixture {};

struct Rgba {
    float r, g, b, a;
};

Rgba FromArgb(uint32_t c) {
    return Rgba{((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f,
                ((c >> 24) & 0xFF) / 255.0f};
}

// GL's blend factor for one channel c of source s (3: alpha).
float Factor(D3DBLEND f, const Rgba& s, int c) {
    const float sc[4] = {s.r, s.g, s.b, s.a};
    switch (f) {
    case D3DBLEND_ZERO: return 0.0f;
    case D3DBLEND_ONE: return 1.0f;
    case D3DBLEND_SRCCOLOR: return sc[c];
    case D3DBLEND_INVSRCCOLOR: return 1.0f - sc[c];
    case D3DBLEND_SRCALPHA: return s.a;
    case D3DBLEND_INVSRCALPHA: return 1.0f - s.a;
    default: return 0.0f;
    }
}

uint32_t Blend(D3DBLEND src, D3DBLEND dst, const Rgba& s, const Rgba& d, bool targetAlpha) {
    const float sc[4] = {s.r, s.g, s.b, s.a}, dc[4] = {d.r, d.g, d.b, targetAlpha ? d.a : 1.0f};
    uint32_t out = 0;
    for (int c = 0; c < 4; ++c) {
        const float v = sc[c] * Factor(src, s, c) + dc[c] * Factor(dst, s, c);
        const uint32_t byte = static_cast<uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
        out |= byte << (c == 3 ? 24 : 16 - 8 * c);
    }
    return out;
}

bool NearArgb(uint32_t a, uint32_t b, int tolerance, bool withAlpha) {
    if (!Near(a & 0xFFFFFF, b & 0xFFFFFF, tolerance)) return false;
    return !withAlpha || Near(a >> 24, b >> 24, tolerance);
}

}  // namespace

TEST_F(D3DProgram, EveryCombinationDrawsWhatItsBlendSays) {
    // Texels: black opaque, black transparent, orange a quarter opaque, white.
    const std::vector<uint32_t> texels = {0xFF000000, 0x00000000, 0x40FF8020, 0xFFFFFFFF};
    const uint32_t background = 0x80406080;  // alpha 0x80 where the target keeps it
    const uint32_t specular = 0x00101010;
    struct BlendPair {
        D3DBLEND src, dst;
    };
    const BlendPair pairs[] = {{D3DBLEND_ONE, D3DBLEND_ONE},
                               {D3DBLEND_ONE, D3DBLEND_SRCALPHA},
                               {D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR},
                               {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
                               {D3DBLEND_ONE, D3DBLEND_INVSRCALPHA},
                               {D3DBLEND_ONE, D3DBLEND_ZERO}};
    for (int bits : {32, 33}) {
        const bool targetAlpha = bits == 33;
        Create(8, 8, bits);
        // 2 x 2 texels: small enough to live on an atlas page when wrapping,
        // a texture of its own when clamped.
        IDirectDrawSurface7* tex = Texture(2, 2, texels, StandardFormat::A8R8G8B8);
        ASSERT_NE(tex, nullptr);
        for (bool atlas : {true, false})
            for (bool secondStage : {false, true})
                for (bool withSpecular : {false, true})
                    for (bool depthWrite : {false, true})
                        for (const BlendPair& pair : pairs) {
                            SCOPED_TRACE(testing::Message()
                                         << "bits " << bits << " atlas " << atlas << " stage 1 " << secondStage
                                         << " specular " << withSpecular << " z write " << depthWrite << " blend "
                                         << pair.src << "/" << pair.dst);
                            const DWORD address = atlas ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP;
                            for (DWORD stage = 0; stage < 2; ++stage) {
                                device->SetTextureStageState(stage, D3DTSS_ADDRESSU, address);
                                device->SetTextureStageState(stage, D3DTSS_ADDRESSV, address);
                                device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTFN_POINT);
                                device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTFG_POINT);
                            }
                            // Stage 0: texture times diffuse (white), alpha from the texture.
                            device->SetTexture(0, tex);
                            device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
                            device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
                            device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
                            device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
                            device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
                            // Stage 1 (when on): the same texture again, modulated: squares each texel.
                            device->SetTexture(1, secondStage ? tex : nullptr);
                            device->SetTextureStageState(1, D3DTSS_COLOROP,
                                                         secondStage ? D3DTOP_MODULATE : D3DTOP_DISABLE);
                            device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
                            device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
                            device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
                            device->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
                            device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, withSpecular);
                            device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
                            device->SetRenderState(D3DRENDERSTATE_SRCBLEND, pair.src);
                            device->SetRenderState(D3DRENDERSTATE_DESTBLEND, pair.dst);
                            device->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
                            device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, depthWrite);
                            device->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL);
                            ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background,
                                                    1.0f, 0),
                                      DD_OK);
                            ASSERT_EQ(device->BeginScene(), DD_OK);
                            // Each texel covers a 4 x 4 block of the 8 x 8 target.
                            ScreenVertex v[4];
                            d3dtest::ScreenQuad(v, 0, 0, 8, 8, 0xFFFFFFFF, 0.5f);
                            for (ScreenVertex& vertex : v) vertex.specular = specular;
                            ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, ScreenVertexFVF, v, 4, 0), DD_OK);
                            // A draw behind the first shows where it wrote depth: only there is it hidden.
                            device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
                            device->SetTexture(0, nullptr);
                            device->SetTexture(1, nullptr);
                            device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, FALSE);
                            DrawScreenQuad(0, 0, 8, 1, 0xFF00FF00, 0.75f);
                            ASSERT_EQ(device->EndScene(), DD_OK);

                            const std::vector<uint32_t> frame = d3dtest::ReadArgb(target);
                            const Rgba d = FromArgb(background);
                            for (int t = 0; t < 4; ++t) {
                                Rgba s = FromArgb(texels[static_cast<size_t>(t)]);
                                if (secondStage) s = Rgba{s.r * s.r, s.g * s.g, s.b * s.b, s.a};
                                if (withSpecular) {
                                    const Rgba add = FromArgb(specular);
                                    s = Rgba{std::min(1.0f, s.r + add.r), std::min(1.0f, s.g + add.g),
                                             std::min(1.0f, s.b + add.b), s.a};
                                }
                                const uint32_t expected = Blend(pair.src, pair.dst, s, d, targetAlpha);
                                const int x = (t % 2) * 4 + 2, y = (t / 2) * 4 + 2;
                                const uint32_t got = frame[static_cast<size_t>(y) * 8 + x];
                                EXPECT_TRUE(NearArgb(got, expected, 1, targetAlpha))
                                    << "texel " << t << ": " << std::hex << got << " vs " << expected;
                                // The top row: the green draw behind shows unless depth was written.
                                if (t < 2) {
                                    const uint32_t top = frame[static_cast<size_t>(x)] & 0xFFFFFF;
                                    EXPECT_EQ(top == 0x00FF00, !depthWrite)
                                        << "texel " << t << " top row " << std::hex << top;
                                }
                            }
                        }
        device->SetTexture(0, nullptr);
        device->SetTexture(1, nullptr);
        tex->Release();
    }
}
