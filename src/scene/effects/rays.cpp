// rays.cpp — RayBurst: firing, ageing and drawing the beams.
#include "scene/effects/rays.h"

#include <cmath>

#include "math/packed_color.h"
#include "math/vertices.h"
#include "scene/scene_random.h"

namespace {

constexpr float DegreesToRadians = 0.0174532925f;
constexpr float BandWidth = 1.95f;
constexpr float BandTop = 250.0f;    // above the viewer
constexpr float BandBottom = 5.0f;   // below the viewer

// Bearing, distance and life, drawn in this order.
void ChooseRay(Ray& ray) {
    ray.active = 1;
    ray.bearing = SceneRandomUnit() * 360.0f;
    ray.distance = SceneRandomUnit() * 6.0f + 8.0f;
    ray.life = SceneRandomUnit() * 0.5f + 0.2f;
    ray.remaining = ray.life;
}

}  // namespace

void RayBurst::Start() {
    respawn = 1;
    activeCount = 0;
    for (Ray& ray : rays) {
        ++activeCount;
        ChooseRay(ray);
    }
}

void RayBurst::Update(float step) {
    for (Ray& ray : rays) {
        if (!ray.active) continue;
        ray.remaining = ray.remaining - step;
        if (ray.remaining >= 0.0f) continue;
        if (respawn) {
            ChooseRay(ray);  // a fresh full life; the overshoot is dropped
        } else {
            ray.active = 0;
            --activeCount;
        }
    }
}

int RayBurst::Level(const Ray& ray) {
    if (!(ray.life > 0.0f)) return 0;
    const float remaining = std::fmax(std::fmin(ray.remaining, ray.life), 0.0f);
    const float level = remaining <= ray.life * 0.5f ? 2.0f * remaining / ray.life * 255.0f
                                                     : 2.0f * (ray.life - remaining) / ray.life * 255.0f;
    return static_cast<int>(level) & 0xFF;
}

void RayBurst::Draw(IDirect3DDevice7* device, float camX, float camY, float camZ) {
    if (!device) return;
    for (const Ray& ray : rays) {
        if (!ray.active) continue;
        const float a = ray.bearing * DegreesToRadians;
        const float b = (ray.bearing + 90.0f) * DegreesToRadians;
        const float x1 = std::cos(a) * ray.distance + camX;
        const float z1 = std::sin(a) * ray.distance + camZ;
        const float x2 = x1 + std::cos(b) * BandWidth;
        const float z2 = z1 + std::sin(b) * BandWidth;

        SceneVertex band[4] = {
            SceneVertex(Vec3{x1, camY + BandTop, z1}, 0.0f, 0.0f, 1.0f, 0.01f, 0.01f),
            SceneVertex(Vec3{x2, camY + BandTop, z2}, 0.0f, 0.0f, 1.0f, 0.99f, 0.01f),
            SceneVertex(Vec3{x1, camY - BandBottom, z1}, 0.0f, 0.0f, 1.0f, 0.01f, 0.99f),
            SceneVertex(Vec3{x2, camY - BandBottom, z2}, 0.0f, 0.0f, 1.0f, 0.99f, 0.99f),
        };
        device->SetTexture(0, texture);
        const int level = Level(ray);
        device->SetRenderState(D3DRENDERSTATE_AMBIENT, MakeColor(level, level, level));
        // Drawn as lit-vertex records: only ambient and emissive light it.
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, LitVertexFVF, band, 4, 0);
    }
}
