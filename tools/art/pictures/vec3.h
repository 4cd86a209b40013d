// vec3.h — a small 3-vector for the pictures that trace or project 3D shapes.
#pragma once

#include <algorithm>
#include <cmath>

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
inline Vec3 Normalize(Vec3 a) {
  float l = Length(a);
  return l > 0 ? a * (1.0f / l) : a;
}
// Rotations about the y axis (yaw) and the x axis (pitch), angles in radians.
inline Vec3 RotateY(Vec3 p, float a) {
  float c = std::cos(a), s = std::sin(a);
  return {c * p.x + s * p.z, p.y, -s * p.x + c * p.z};
}
inline Vec3 RotateX(Vec3 p, float a) {
  float c = std::cos(a), s = std::sin(a);
  return {p.x, c * p.y - s * p.z, s * p.y + c * p.z};
}
inline Vec3 RotateZ(Vec3 p, float a) {
  float c = std::cos(a), s = std::sin(a);
  return {c * p.x - s * p.y, s * p.x + c * p.y, p.z};
}
