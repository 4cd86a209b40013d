// sky_box.cpp — geometry, scrolling and drawing of the sky box.
#include "scene/sky_box.h"

#include <cmath>

#include "config/settings.h"
#include "math/mat4.h"
#include "math/packed_color.h"
#include "scene/flight_scene.h"

namespace {

constexpr float kHalfSize = 350.0f;
constexpr float kLowCoordinate = 0.002f;
constexpr float kHighCoordinate = 5.998f;
constexpr float kScrollWrap = 6.0f;  // v is kept within one wrap; the texture repeats every 1.0

// A direction along one axis: axis 0 x, 1 y, 2 z; sign +1 or -1.
struct AxisDirection {
    int axis;
    float sign;
};

struct FaceLayout {
    AxisDirection plane;  // the face lies at plane.sign * 350 on plane.axis
    AxisDirection u;      // u grows this way (the drum's axis)
    AxisDirection v;      // v grows this way (around the drum's axis)
};

constexpr AxisDirection PX{0, 1.0f}, NX{0, -1.0f}, PY{1, 1.0f}, NY{1, -1.0f}, PZ{2, 1.0f}, NZ{2, -1.0f};

// Drum by drum, each drum's faces in drawing order.
constexpr FaceLayout kFaces[kBackgroundFaceCount] = {
    // Drum 1: about z, u toward +z.
    {NY, PZ, NX}, {PY, PZ, PX}, {NX, PZ, PY}, {PX, PZ, NY},
    // Drum 2: about x, u toward -x.
    {NY, NX, PZ}, {PY, NX, NZ}, {PZ, NX, PY}, {NZ, NX, NY},
    // Drum 3: about y, u toward +y.
    {NZ, PY, NX}, {NX, PY, PZ}, {PZ, PY, PX}, {PX, PY, NZ},
    // Drum 4: drum 1 turning the other way.
    {NY, PZ, PX}, {PY, PZ, NX}, {NX, PZ, NY}, {PX, PZ, PY},
    // Drum 5: drum 2 turning the other way.
    {NY, NX, NZ}, {PY, NX, PZ}, {PZ, NX, NY}, {NZ, NX, PY},
    // Drum 6: about y, u toward -y, turning the other way.
    {NZ, NY, PX}, {NX, NY, NZ}, {PZ, NY, NX}, {PX, NY, PZ},
};

void AddAlong(Vec3& point, const AxisDirection& direction, float amount) {
    float* components[3] = {&point.x, &point.y, &point.z};
    *components[direction.axis] += direction.sign * amount;
}

SceneVertex Corner(const FaceLayout& face, const Vec3& normal, float a, float b) {
    Vec3 position;
    AddAlong(position, face.plane, kHalfSize);
    AddAlong(position, face.u, a * kHalfSize);
    AddAlong(position, face.v, b * kHalfSize);
    return SceneVertex(position, normal, a < 0.0f ? kLowCoordinate : kHighCoordinate,
                       b < 0.0f ? kLowCoordinate : kHighCoordinate);
}

// Orders the triangle so that it faces `inward`: seen from inside the cube it
// is clockwise on the screen, which the default culling keeps.
void FaceInward(SceneVertex* triangle, const Vec3& inward) {
    const Vec3 cross = Vec3Cross(Vec3Sub(triangle[1].position, triangle[0].position),
                                 Vec3Sub(triangle[2].position, triangle[0].position));
    if (Vec3Dot(cross, inward) < 0.0f) {
        const SceneVertex kept = triangle[1];
        triangle[1] = triangle[2];
        triangle[2] = kept;
    }
}

}  // namespace

void BuildSkyBox() {
    for (int f = 0; f < kBackgroundFaceCount; ++f) {
        const FaceLayout& face = kFaces[f];
        Vec3 inward;
        AddAlong(inward, face.plane, -1.0f);
        const SceneVertex lowLow = Corner(face, inward, -1.0f, -1.0f);
        const SceneVertex lowHigh = Corner(face, inward, -1.0f, 1.0f);
        const SceneVertex highLow = Corner(face, inward, 1.0f, -1.0f);
        const SceneVertex highHigh = Corner(face, inward, 1.0f, 1.0f);
        SceneVertex* vertices = Scene.backgroundFaces[f];
        vertices[0] = lowLow;
        vertices[1] = lowHigh;
        vertices[2] = highLow;
        vertices[3] = highLow;
        vertices[4] = lowHigh;
        vertices[5] = highHigh;
        FaceInward(vertices, inward);
        FaceInward(vertices + 3, inward);
    }
}

void ScrollBackground(float dt) {
    float shift = dt * 0.1f;
    // The scroll is invisible modulo the wrap; reducing a huge step first
    // keeps the coordinates exact and the wrap below to one or two turns.
    if (!(shift < kScrollWrap)) shift = std::isfinite(shift) ? std::fmod(shift, kScrollWrap) : 0.0f;
    for (SceneVertex(&face)[6] : Scene.backgroundFaces) {
        for (SceneVertex& vertex : face) vertex.v -= shift;
        while (face[0].v < 0.0f) {
            for (SceneVertex& vertex : face) vertex.v += kScrollWrap;
        }
    }
}

D3DCOLOR SkyBoxAmbient() {
    float level = static_cast<float>(CurrentSettings.BackgroundBr);
    if (Scene.phase == PhaseRays && Scene.climbSpeed > 3.0f) {
        level = (20.0f - (Scene.climbSpeed - 3.0f)) * static_cast<float>(CurrentSettings.BackgroundBr) / 20.0f;
    }
    // Held to a channel's range, so that no stored brightness converts out of range.
    if (!(level > 0.0f)) level = 0.0f;
    if (level > 255.0f) level = 255.0f;
    const int b = static_cast<int>(level);
    return MakeColor(b, b, b);
}

void DrawSkyBox(IDirect3DDevice7* device) {
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_AMBIENT, SkyBoxAmbient());

    // The sky box turns with the camera but never comes nearer.
    Mat4 view = Mat4Identity();
    device->GetTransform(D3DTRANSFORMSTATE_VIEW, &view);
    Mat4 centred = view;
    centred._41 = 0.0f;
    centred._42 = 0.0f;
    centred._43 = 0.0f;
    centred._44 = 1.0f;
    device->SetTransform(D3DTRANSFORMSTATE_VIEW, &centred);

    int drums = 0;
    if (CurrentSettings.Background > 1) drums = 3;
    if (CurrentSettings.Background > 2) drums = 6;
    for (int drum = 0; drum < drums; ++drum) {
        device->SetTexture(0, Scene.backgroundTextures[drum]);
        for (int f = 0; f < 4; ++f) {
            device->DrawPrimitive(D3DPT_TRIANGLELIST, SceneVertexFVF, Scene.backgroundFaces[drum * 4 + f], 6, 0);
        }
    }

    device->SetTransform(D3DTRANSFORMSTATE_VIEW, &view);
    device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0xFFFFFF);
}
