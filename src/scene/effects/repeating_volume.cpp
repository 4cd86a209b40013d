// repeating_volume.cpp — nearest box copy, view cone test, wrapping.
#include "scene/effects/repeating_volume.h"

#include <cmath>

namespace {

constexpr double DegreesToRadians = 0.0174532925;
constexpr double RadiansToDegrees = 57.29578;
constexpr double InFrontTolerance = 0.01;

// The copy index is kept as a float (a whole number), so no camera position,
// however far out, has to fit an integer.
void SetAxis(float size, float cam, float* cell, float* place, float* half) {
    float k = 0.0f;
    if (size > 0.0f) {
        k = std::trunc(cam / size);
        if (cam < 0.0f) k -= 1.0f;
    }
    *cell = k;
    *place = cam - k * size;
    *half = size * 0.5f;
}

// World coordinate minus camera of the copy of s nearest to the camera,
// written relative to the camera's place in its own copy.
float AxisOffset(float s, float size, float place, float half) {
    if (half <= place) {
        if (s <= place - half) return s - place + size;
        return s - place;
    }
    if (place + half <= s) return s - place - size;
    return s - place;
}

}  // namespace

void VolumeView::Set(const Vec3& size, float camX, float camY, float camZ) {
    boxSize = size;
    camera = Vec3{camX, camY, camZ};
    SetAxis(size.x, camX, &cell.x, &place.x, &half.x);
    SetAxis(size.y, camY, &cell.y, &place.y, &half.y);
    SetAxis(size.z, camZ, &cell.z, &place.z, &half.z);
}

float VolumeView::OffsetX(float s) const { return AxisOffset(s, boxSize.x, place.x, half.x); }

float VolumeView::OffsetY(float s) const {
    if (s < 0.0f) s += boxSize.y;
    return AxisOffset(s, boxSize.y, place.y, half.y);
}

float VolumeView::OffsetZ(float s) const { return AxisOffset(s, boxSize.z, place.z, half.z); }

void ViewCone::Set(float yawDeg, float pitchDeg) {
    const double y = yawDeg * DegreesToRadians;
    const double p = pitchDeg * DegreesToRadians;
    forward = Vec3{static_cast<float>(std::cos(p) * std::cos(y)), static_cast<float>(std::sin(p)),
                   static_cast<float>(std::cos(p) * std::sin(y))};
}

// The foot of the perpendicular from P onto the view axis is F * s with
// s = sqrt(|P|^2 - |P x F|^2), always taken on the forward side; only for a
// point in front is that foot really at distance |P x F| from P. Computed in
// double so the 0.01 tolerance holds across the whole cube volume.
bool ViewCone::InFront(const Vec3& offset, float* angleDeg) const {
    const double px = offset.x, py = offset.y, pz = offset.z;
    const double fx = forward.x, fy = forward.y, fz = forward.z;
    const double l2 = px * px + py * py + pz * pz;
    if (!(l2 > 0.0)) return false;
    const double cx = py * fz - pz * fy;
    const double cy = pz * fx - px * fz;
    const double cz = px * fy - py * fx;
    const double c2 = cx * cx + cy * cy + cz * cz;
    const double s = std::sqrt(std::fmax(l2 - c2, 0.0));
    const double ex = fx * s - px, ey = fy * s - py, ez = fz * s - pz;
    if (!(std::fabs(ex * ex + ey * ey + ez * ez - c2) < InFrontTolerance)) return false;
    if (angleDeg) {
        const double sine = std::fmin(std::sqrt(c2 / l2), 1.0);
        *angleDeg = static_cast<float>(std::fabs(std::asin(sine) * RadiansToDegrees));
    }
    return true;
}

bool ViewCone::Passes(const Vec3& offset, float limitDeg, float* angleDeg) const {
    float angle = 0.0f;
    if (!InFront(offset, &angle)) return false;
    if (angleDeg) *angleDeg = angle;
    return angle < limitDeg;
}

int DominantAxis(const Vec3& offset) {
    const float ax = std::fabs(offset.x), ay = std::fabs(offset.y), az = std::fabs(offset.z);
    if (ax > ay && ax > az) return 0;
    if (ay > az) return 1;
    return 2;
}

float AxisValue(const Vec3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

float WrapIntoBox(float s, float size) {
    if (!(size > 0.0f)) return s;
    if (!std::isfinite(s)) return 0.0f;
    if (s > size) {
        if (s - size <= size) return s - size;
        return std::fmod(s, size);
    }
    if (s < 0.0f) {
        if (s + size >= 0.0f) return s + size;
        float r = std::fmod(s, size);
        if (r < 0.0f) r += size;
        return r;
    }
    return s;
}

float WrapAngle(float degrees) { return WrapIntoBox(degrees, 360.0f); }
