// mat4.h — the 4x4 matrix and the transform builders the scene uses.
//
// Mat4 is a D3DMATRIX (row-major _11.._44, row-vector convention: p' = p x M,
// translation in _41 _42 _43), so a Mat4* goes straight to SetTransform and
// GetTransform. Angles are degrees. Only MakeViewTransform can fail.
#pragma once

#include <d3d.h>

#include "math/vec3.h"

// Element (row, column), 0-based, whichever of D3DMATRIX's layouts the
// headers declare (the named members alone, or also an m[4][4] array).
struct Mat4 : D3DMATRIX {
    float& At(int row, int column) { return (&_11)[row * 4 + column]; }
    float At(int row, int column) const { return (&_11)[row * 4 + column]; }
};
static_assert(sizeof(Mat4) == sizeof(D3DMATRIX), "Mat4 keeps the D3DMATRIX layout");

// Radians per degree, as every caller converts angles.
inline constexpr float DegreesToRadians = 0.0174532925f;
// Degrees per radian, for effects that turn an angle back.
inline constexpr float RadiansToDegrees = 57.29578f;

Mat4 Mat4Identity();

// out = a x b (a applied first). out may be a or b.
void Mat4Multiply(Mat4& out, const Mat4& a, const Mat4& b);

Mat4 MakeRotationX(float degrees);
Mat4 MakeRotationY(float degrees);
Mat4 MakeRotationZ(float degrees);

// Order 0: RotX(ax) x RotY(ay) x RotZ(az); order 1: RotZ(az) x RotX(ax) x RotY(ay).
// Any other order leaves out untouched.
void MakeEulerRotation(Mat4& out, float ax, float ay, float az, int order);

// Left-handed look-at view matrix. Returns 0, or E_INVALIDARG (out left the
// identity) when eye and at coincide or no up vector off the viewing
// direction can be found among up, (0, 1, 0) and (0, 0, 1).
HRESULT MakeViewTransform(Mat4& out, const Vec3& eye, const Vec3& at, const Vec3& up);
