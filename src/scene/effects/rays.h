// rays.h — RayBurst: up to ten vertical beams of light standing around the
// viewer at random bearings and distances, each rising to full brightness
// and fading out again within its short life, renewed while respawn is set.
// Fixed array; the texture is loaded by the scene's device set-up.
#pragma once

#include <d3d.h>
#include <ddraw.h>

#include <cstdint>

struct Ray {
    float bearing = 0.0f;   // degrees, 0..360
    float distance = 0.0f;  // horizontal distance from the viewer, 8..14
    float life = 0.0f;      // 0.2..0.7 effect-step units
    float remaining = 0.0f;
    uint8_t active = 0;
};

struct RayBurst {
    static constexpr int MaxRays = 10;

    // Fires all ten rays and sets respawn.
    void Start();
    // Ages every active ray by the effect step; a ray whose life ends is
    // chosen anew while respawn is set, else goes out.
    void Update(float step);
    // Draws every active ray around the camera: sets texture 0, the ambient
    // level and draws one strip per ray.
    void Draw(IDirect3DDevice7* device, float camX, float camY, float camZ);

    // Ambient level 0..255 of a ray: rising over the first half of its
    // life, falling over the second.
    static int Level(const Ray& ray);

    IDirectDrawSurface7* texture = nullptr;
    Ray rays[MaxRays];
    int32_t activeCount = 0;
    uint8_t respawn = 0;
};
