// The bench's fill bound: a frame drawn through the device, recorded, and
// replayed through GL alone must draw the very same pixels, or the bound
// would measure some other picture.
#include <gtest/gtest.h>

#include "d3d_fixture.h"
#include "platform/platform.h"

using d3dtest::DeviceFixture;
using platform::ddraw::StandardFormat;

namespace {

class D3DRecording : public DeviceFixture {};

}  // namespace

TEST_F(D3DRecording, AReplayDrawsWhatTheFrameDrew) {
    Create(32, 24);
    IDirectDrawSurface7* tex = Texture(2, 2, {0xFF00FF00, 0xFF000000, 0x80FF0000, 0xFFFFFFFF});
    ASSERT_NE(tex, nullptr);
    auto drawFrame = [&](D3DCOLOR clear) {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0), DD_OK);
        ASSERT_EQ(device->BeginScene(), DD_OK);
        // Untextured and opaque, then textured and added, then one more of
        // the first state: three runs of state, the last two with depth.
        device->SetTexture(0, nullptr);
        device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
        DrawScreenQuad(2, 2, 20, 14, 0xFF3060A0, 0.5f);
        device->SetTexture(0, tex);
        device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
        DrawScreenQuad(8, 6, 40, 22, 0xFFFFFFFF, 0.25f);  // past the right edge
        device->SetTexture(0, nullptr);
        device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
        DrawScreenQuad(0, 16, 12, 24, 0xFFC08020, 0.75f);  // partly behind the second quad
        ASSERT_EQ(device->EndScene(), DD_OK);
    };

    platform::StartDrawRecording(dd);
    drawFrame(0x00101010);
    const std::vector<uint32_t> drawn = Frame();
    // Something else in the target (written by the processor, which is not
    // recorded), then the replay.
    d3dtest::WriteArgb(target, std::vector<uint32_t>(32 * 24, 0xFFFFFFFF));
    ASSERT_NE(Frame(), drawn);
    platform::FillBound bound;
    ASSERT_TRUE(platform::ReplayDrawRecording(dd, 0.05, &bound));
    EXPECT_EQ(Frame(), drawn);
    // Three runs of state, and the quads' area inside the target (the second
    // quad is clipped to it).
    EXPECT_EQ(bound.drawCalls, 3);
    EXPECT_NEAR(bound.shadedPixels, 18 * 12 + 24 * 16 + 12 * 8, 1.0);
    EXPECT_GT(bound.passMs, 0.0);

    // Nothing recorded since: nothing to replay.
    EXPECT_FALSE(platform::ReplayDrawRecording(dd, 0.05, &bound));
    device->SetTexture(0, nullptr);
    tex->Release();
}
