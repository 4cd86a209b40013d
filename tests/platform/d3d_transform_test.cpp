// Conformance of the device's geometry on the headless backend: the
// world-view-projection chain against hand-computed screen positions (with
// the scene's projection whose _44 is 1), a cube seen from inside with the
// default culling, the viewport mapping, and lighting without lights for
// 0x112 and 0x1E2 records.
#include <gtest/gtest.h>

#include <cmath>

#include "d3d_fixture.h"

using d3dtest::DeviceFixture;
using d3dtest::Near;

namespace {

class D3DTransform : public DeviceFixture {};

D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// The scene's projection: 90 degrees both ways, near 1, far 100, _44 = 1.
D3DMATRIX SceneProjection(float w44) {
    const float nearPlane = 1.0f, farPlane = 100.0f;
    D3DMATRIX m{};
    m._11 = 1.0f;
    m._22 = 1.0f;
    m._33 = farPlane / (farPlane - nearPlane);
    m._34 = 1.0f;
    m._43 = -nearPlane * farPlane / (farPlane - nearPlane);
    m._44 = w44;
    return m;
}

D3DMATRIX RotationY(float degrees) {
    float c = std::cos(degrees * 0.0174532925f), s = std::sin(degrees * 0.0174532925f);
    D3DMATRIX m = Identity();
    m._11 = c;
    m._13 = -s;
    m._31 = s;
    m._33 = c;
    return m;
}

D3DMATRIX RotationX(float degrees) {
    float c = std::cos(degrees * 0.0174532925f), s = std::sin(degrees * 0.0174532925f);
    D3DMATRIX m = Identity();
    m._22 = c;
    m._23 = s;
    m._32 = -s;
    m._33 = c;
    return m;
}

Vec3 Apply(const D3DMATRIX& m, Vec3 p) {
    return Vec3{p.x * m._11 + p.y * m._21 + p.z * m._31, p.x * m._12 + p.y * m._22 + p.z * m._32,
                p.x * m._13 + p.y * m._23 + p.z * m._33};
}

LitVertex Point(float x, float y, float z, D3DCOLOR color) {
    LitVertex v;
    v.position = Vec3{x, y, z};
    v.diffuse = color;
    return v;
}

// The six inner faces of a cube of half size 1 as a triangle list, each face
// wound clockwise as seen from the centre, so that the default culling keeps
// exactly the faces the centre looks at; face k has colour colors[k].
std::vector<LitVertex> InwardCube(const D3DCOLOR colors[6]) {
    // Face +z seen from the centre: top-left, top-right, bottom-left; top-right, bottom-right, bottom-left.
    const Vec3 corners[6] = {{-1, 1, 1}, {1, 1, 1}, {-1, -1, 1}, {1, 1, 1}, {1, -1, 1}, {-1, -1, 1}};
    // Rotations taking +z to +z, +x, -z, -x, +y, -y (proper rotations keep the winding).
    const D3DMATRIX turns[6] = {Identity(),     RotationY(90),  RotationY(180),
                                RotationY(270), RotationX(-90), RotationX(90)};
    std::vector<LitVertex> out;
    for (int f = 0; f < 6; ++f) {
        for (const Vec3& c : corners) {
            Vec3 p = Apply(turns[f], c);
            out.push_back(Point(std::round(p.x), std::round(p.y), std::round(p.z), colors[f]));
        }
    }
    return out;
}

}  // namespace

TEST_F(D3DTransform, WorldViewProjectionChainLandsOnHandComputedPixels) {
    Create(100, 100);
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    D3DMATRIX world = Identity();
    world._41 = 1.0f;  // model (x, y, z) -> world (x + 1, y + 2, z + 3)
    world._42 = 2.0f;
    world._43 = 3.0f;
    D3DMATRIX view = Identity();
    view._43 = 5.0f;  // camera at z = -5 looking along +z
    D3DMATRIX projection = SceneProjection(1.0f);
    ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_WORLD, &world), DD_OK);
    ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_VIEW, &view), DD_OK);
    ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection), DD_OK);
    D3DMATRIX back{};
    ASSERT_EQ(device->GetTransform(D3DTRANSFORMSTATE_PROJECTION, &back), DD_OK);
    EXPECT_EQ(back._44, 1.0f);

    // Model (0, 0, 0): view (1, 2, 8); w = 8 + 1 = 9 (the _44 of 1 adds one);
    // screen x = (1 + 1/9) * 50 = 55.6 -> pixel 56, y = (1 - 2/9) * 50 = 38.9 -> pixel 39.
    // Model (-3, -4, 2): view (-2, -2, 10); w = 11; x = (1 - 2/11) * 50 = 40.9 -> 41,
    // y = (1 + 2/11) * 50 = 59.1 -> 59.
    // Model (-1, -2, 150): view (0, 0, 158), beyond the far value 100; depth
    // 158 * 100/99 - 100/99 = 158.6 stays below w = 159 because of _44, so the
    // point is inside the volume (up to view depth 199 here): pixel (50, 50).
    LitVertex points[3] = {Point(0, 0, 0, 0xFFFF0000), Point(-3, -4, 2, 0xFF00FF00), Point(-1, -2, 150, 0xFF0000FF)};
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), DD_OK);
    ASSERT_EQ(device->BeginScene(), DD_OK);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_POINTLIST, LitVertexFVF, points, 3, 0), DD_OK);
    ASSERT_EQ(device->EndScene(), DD_OK);
    std::vector<uint32_t> frame = Frame();
    EXPECT_EQ(frame[39 * 100 + 56], 0xFF0000u);
    EXPECT_EQ(frame[59 * 100 + 41], 0x00FF00u);
    EXPECT_EQ(frame[50 * 100 + 50], 0x0000FFu);
    int lit = 0;
    for (uint32_t p : frame) lit += p != 0;
    EXPECT_EQ(lit, 3);

    // A standard projection (_44 = 0, w = 158) puts that point beyond the far plane.
    projection = SceneProjection(0.0f);
    device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->BeginScene();
    device->DrawPrimitive(D3DPT_POINTLIST, LitVertexFVF, &points[2], 1, 0);
    device->EndScene();
    EXPECT_EQ(Pixel(50, 50), 0u);

    EXPECT_EQ(device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(17), &world), DDERR_INVALIDPARAMS);
}

TEST_F(D3DTransform, CubeSeenFromInsideShowsEveryFaceAndCullsFromOutside) {
    Create(64, 64);
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    const D3DCOLOR colors[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
    std::vector<LitVertex> cube = InwardCube(colors);
    D3DMATRIX projection = SceneProjection(1.0f);
    projection._43 = -0.1f * 100.0f / 99.9f;  // near 0.1, so the walls are inside the volume
    projection._33 = 100.0f / 99.9f;
    device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
    auto draw = [&](const D3DMATRIX& view) {
        device->SetTransform(D3DTRANSFORMSTATE_VIEW, const_cast<D3DMATRIX*>(&view));
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->BeginScene();
        device->DrawPrimitive(D3DPT_TRIANGLELIST, LitVertexFVF, cube.data(), static_cast<DWORD>(cube.size()), 0);
        device->EndScene();
        return Frame();
    };
    // From the centre looking along +z: with w = z + 1 the +z wall fills the
    // middle half of the screen and the four side walls the borders.
    std::vector<uint32_t> f = draw(Identity());
    EXPECT_EQ(f[32 * 64 + 32], 0xFF0000u);  // +z
    EXPECT_EQ(f[32 * 64 + 60], 0x00FF00u);  // +x on the right
    EXPECT_EQ(f[32 * 64 + 3], 0xFFFF00u);   // -x on the left
    EXPECT_EQ(f[3 * 64 + 32], 0x00FFFFu);   // +y at the top
    EXPECT_EQ(f[60 * 64 + 32], 0xFF00FFu);  // -y at the bottom
    // Turned to look along +x (the view rotates the world the other way).
    f = draw(RotationY(-90));
    EXPECT_EQ(f[32 * 64 + 32], 0x00FF00u);
    EXPECT_EQ(f[32 * 64 + 3], 0xFF0000u);  // +z is now on the left

    // From outside, in front of the -z wall: that wall faces away and is
    // culled, so the inner side of the +z wall shows through.
    D3DMATRIX outside = Identity();
    outside._43 = 4.0f;
    f = draw(outside);
    EXPECT_EQ(f[32 * 64 + 32], 0xFF0000u);
    // Without culling the nearer -z wall hides it.
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    f = draw(outside);
    EXPECT_EQ(f[32 * 64 + 32], 0x0000FFu);
    // Culling the clockwise side keeps only the faces seen from outside.
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CW);
    f = draw(Identity());
    int black = 0;
    for (uint32_t p : f) black += p == 0;
    EXPECT_EQ(black, 64 * 64);
}

TEST_F(D3DTransform, ViewportMapsClipSpaceOntoItsRectangle) {
    Create(32, 32);
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    D3DVIEWPORT7 vp{8, 4, 16, 20, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&vp), DD_OK);
    // A quad over the whole clip square (identity transforms) fills the viewport.
    LitVertex quad[4] = {Point(-1, -1, 0.5f, 0xFFFFFFFF), Point(-1, 1, 0.5f, 0xFFFFFFFF),
                         Point(1, -1, 0.5f, 0xFFFFFFFF), Point(1, 1, 0.5f, 0xFFFFFFFF)};
    device->BeginScene();
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, LitVertexFVF, quad, 4, 0);
    device->EndScene();
    std::vector<uint32_t> f = Frame();
    int wrong = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            bool in = x >= 8 && x < 24 && y >= 4 && y < 24;
            wrong += f[y * 32 + x] != (in ? 0xFFFFFFu : 0u);
        }
    EXPECT_EQ(wrong, 0);
}

TEST_F(D3DTransform, LightingWithoutLightsGivesAmbientTimesMaterialPlusEmissive) {
    Create(16, 16);
    // The records of the scene: SceneVertex, normal toward the viewer.
    SceneVertex quad[4] = {SceneVertex(Vec3{-1, -1, 0.5f}, 0, 0, -1, 0, 1), SceneVertex(Vec3{-1, 1, 0.5f}, 0, 0, -1, 0, 0),
                           SceneVertex(Vec3{1, -1, 0.5f}, 0, 0, -1, 1, 1), SceneVertex(Vec3{1, 1, 0.5f}, 0, 0, -1, 1, 0)};
    D3DMATERIAL7 material{};
    material.diffuse = {1, 1, 1, 1};
    material.ambient = {1, 1, 1, 1};
    ASSERT_EQ(device->SetMaterial(&material), DD_OK);
    ASSERT_EQ(device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x00336699), DD_OK);
    device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, TRUE);
    auto draw = [&](DWORD fvf) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->BeginScene();
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, fvf, quad, 4, 0), DD_OK);
        device->EndScene();
        return Pixel(8, 8);
    };
    EXPECT_EQ(draw(SceneVertexFVF), 0x336699u);
    // The same records read as 0x1E2 (reserved word, diffuse 0, specular of
    // -1.0f's bits) get the same colour: no light, so diffuse and specular
    // vertex colours play no part.
    EXPECT_EQ(draw(LitVertexFVF), 0x336699u);

    material.ambient = {0.5f, 1.0f, 0.25f, 1.0f};
    material.emissive = {0.1f, 0.0f, 0.0f, 0.0f};
    device->SetMaterial(&material);
    // R = 0x33 * 0.5 + 0.1 = 0x33, G = 0x66, B = 0x99 * 0.25 = 0x26.
    EXPECT_TRUE(Near(draw(SceneVertexFVF), 0x336626, 1)) << std::hex << draw(SceneVertexFVF);
    EXPECT_TRUE(Near(draw(LitVertexFVF), 0x336626, 1));

    // Lighting off: 0x112 has no colour of its own and draws white; 0x1E2 its diffuse.
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    EXPECT_EQ(draw(SceneVertexFVF), 0xFFFFFFu);
    LitVertex lit[4];
    for (int i = 0; i < 4; ++i) {
        lit[i].position = quad[i].position;
        lit[i].diffuse = 0xFF204060;
        lit[i].specular = 0xFF010203;
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->BeginScene();
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, LitVertexFVF, lit, 4, 0);
    device->EndScene();
    EXPECT_EQ(Pixel(8, 8), 0x214263u);  // diffuse plus specular (SPECULARENABLE)

    // Pre-transformed vertices are never lit.
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->BeginScene();
    DrawScreenQuad(0, 0, 16, 16, 0xFF405060);
    device->EndScene();
    EXPECT_EQ(Pixel(8, 8), 0x405060u);

    // Only the three formats of the scene are accepted.
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZ | D3DFVF_DIFFUSE, quad, 4, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, SceneVertexFVF, nullptr, 4, 0), DDERR_INVALIDPARAMS);
}
