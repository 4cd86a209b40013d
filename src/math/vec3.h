// vec3.h — the three-float vector shared by the scene, the effects and the
// model, with its arithmetic. Single precision throughout; no operation can
// fail (dividing by zero is the caller's to avoid).
#pragma once

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};
static_assert(sizeof(Vec3) == 12, "Vec3 is three packed floats");

Vec3 Vec3Set(float x, float y, float z);
Vec3 Vec3Sub(const Vec3& a, const Vec3& b);
Vec3 Vec3Scale(float s, const Vec3& v);
void Vec3DivideInPlace(Vec3& v, float s);
void Vec3AddInPlace(Vec3& v, float a, float b, float c);
float Vec3Dot(const Vec3& a, const Vec3& b);
float Vec3LengthSquared(const Vec3& v);
float Vec3Length(const Vec3& v);
Vec3 Vec3Cross(const Vec3& p, const Vec3& q);

// 1 for x > 0, 0 for x == 0 (either zero), -1 otherwise — a NaN included.
float Sign(float x);
