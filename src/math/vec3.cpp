// vec3.cpp — Vec3 arithmetic.
#include "math/vec3.h"

#include <cmath>

Vec3 Vec3Set(float x, float y, float z) {
    return Vec3{x, y, z};
}

Vec3 Vec3Sub(const Vec3& a, const Vec3& b) {
    return Vec3{a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec3 Vec3Scale(float s, const Vec3& v) {
    return Vec3{s * v.x, s * v.y, s * v.z};
}

void Vec3DivideInPlace(Vec3& v, float s) {
    v.x /= s;
    v.y /= s;
    v.z /= s;
}

void Vec3AddInPlace(Vec3& v, float a, float b, float c) {
    v.x += a;
    v.y += b;
    v.z += c;
}

float Vec3Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

float Vec3LengthSquared(const Vec3& v) {
    return Vec3Dot(v, v);
}

float Vec3Length(const Vec3& v) {
    return std::sqrt(Vec3LengthSquared(v));
}

Vec3 Vec3Cross(const Vec3& p, const Vec3& q) {
    return Vec3{p.y * q.z - p.z * q.y, p.z * q.x - p.x * q.z, p.x * q.y - p.y * q.x};
}

float Sign(float x) {
    if (x > 0.0f) return 1.0f;
    if (x == 0.0f) return 0.0f;
    return -1.0f;
}
