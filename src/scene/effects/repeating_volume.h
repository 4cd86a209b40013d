// repeating_volume.h — the geometry shared by the glyph streams and the
// floating cubes: a box that repeats in every direction, the copy of a point
// nearest to the camera, the view cone test and the dominant axis of an
// offset used by the edge fades.
//
// Points are stored in box coordinates (0..size per axis; y may lie a little
// below 0, and is raised by one box height first). Offsets are only
// meaningful for coordinates inside the box; WrapIntoBox brings any value
// back into it in one step.
#pragma once

#include "math/vec3.h"

// The camera's place in the repeating box, per axis.
struct VolumeView {
    Vec3 boxSize;
    Vec3 camera;
    Vec3 cell;   // box copy holding the camera: trunc(cam / size), one lower for cam < 0
    Vec3 place;  // camera - cell * size
    Vec3 half;   // size / 2

    void Set(const Vec3& boxSize, float camX, float camY, float camZ);
    // Offset from the camera of the copy of box coordinate s nearest to it.
    float OffsetX(float s) const;
    float OffsetY(float s) const;  // s below 0 is first raised by one box height
    float OffsetZ(float s) const;
};

// The view direction of a yaw and pitch in degrees and the in-front / angle
// test of an offset from the camera against it.
struct ViewCone {
    Vec3 forward;

    void Set(float yawDeg, float pitchDeg);
    // True when the offset lies in front of the viewer; *angleDeg then holds
    // its angle from the view axis in degrees. A point at the eye itself is
    // never in front.
    bool InFront(const Vec3& offset, float* angleDeg) const;
    // In front and within limitDeg of the view axis.
    bool Passes(const Vec3& offset, float limitDeg, float* angleDeg) const;
};

// The axis whose offset dominates: 0 (x) when |x| beats both others,
// otherwise 1 (y) when |y| > |z|, otherwise 2 (z).
int DominantAxis(const Vec3& offset);
float AxisValue(const Vec3& v, int axis);

// Brings s into 0..size. A value at most one box length outside gains or
// loses exactly one size (bit for bit what a single add or subtract gives);
// anything further out is reduced with a remainder. A size of 0 or less
// leaves s as it is.
float WrapIntoBox(float s, float size);
// The same for angles on 0..360.
float WrapAngle(float degrees);
