// vertices.h — the three 32-byte vertex records the scene hands to the
// device, and their flexible-vertex-format codes.
//
// SceneVertex (0x112) is the lit, textured model vertex. LitVertex (0x1E2)
// carries its own colours; the glyph streams and rays submit SceneVertex
// records under this format, so the device then reads a record's normal as
// the reserved word, the diffuse and the specular colour. ScreenVertex
// (0x1C4) is already in screen pixels and is not lit.
#pragma once

#include <cstddef>

#include <d3d.h>

#include "math/vec3.h"

struct SceneVertex {
    Vec3 position;
    Vec3 normal;
    float u = 0.0f;
    float v = 0.0f;

    SceneVertex() = default;
    SceneVertex(const Vec3& position, const Vec3& normal, float u, float v)
        : position(position), normal(normal), u(u), v(v) {}
    SceneVertex(const Vec3& position, float nx, float ny, float nz, float u, float v)
        : position(position), normal{nx, ny, nz}, u(u), v(v) {}
};

struct LitVertex {
    Vec3 position;
    DWORD reserved = 0;
    D3DCOLOR diffuse = 0;
    D3DCOLOR specular = 0;
    float u = 0.0f;
    float v = 0.0f;
};

struct ScreenVertex {
    float x = 0.0f;  // pixels
    float y = 0.0f;  // pixels
    float z = 0.0f;
    float rhw = 0.0f;
    D3DCOLOR diffuse = 0;
    D3DCOLOR specular = 0;
    float u = 0.0f;
    float v = 0.0f;
};

inline constexpr DWORD SceneVertexFVF = D3DFVF_VERTEX;
inline constexpr DWORD LitVertexFVF = D3DFVF_LVERTEX;
inline constexpr DWORD ScreenVertexFVF = D3DFVF_TLVERTEX;

static_assert(SceneVertexFVF == 0x112 && LitVertexFVF == 0x1E2 && ScreenVertexFVF == 0x1C4);

static_assert(sizeof(SceneVertex) == 32 && sizeof(LitVertex) == 32 && sizeof(ScreenVertex) == 32);
static_assert(offsetof(SceneVertex, position) == 0 && offsetof(SceneVertex, normal) == 12 &&
              offsetof(SceneVertex, u) == 24 && offsetof(SceneVertex, v) == 28);
static_assert(offsetof(LitVertex, position) == 0 && offsetof(LitVertex, reserved) == 12 &&
              offsetof(LitVertex, diffuse) == 16 && offsetof(LitVertex, specular) == 20 &&
              offsetof(LitVertex, u) == 24 && offsetof(LitVertex, v) == 28);
static_assert(offsetof(ScreenVertex, x) == 0 && offsetof(ScreenVertex, y) == 4 && offsetof(ScreenVertex, z) == 8 &&
              offsetof(ScreenVertex, rhw) == 12 && offsetof(ScreenVertex, diffuse) == 16 &&
              offsetof(ScreenVertex, specular) == 20 && offsetof(ScreenVertex, u) == 24 &&
              offsetof(ScreenVertex, v) == 28);
// A SceneVertex drawn as a LitVertex: normal x, y, z land on reserved, diffuse, specular.
static_assert(offsetof(SceneVertex, normal) == offsetof(LitVertex, reserved));
