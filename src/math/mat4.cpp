// mat4.cpp — matrix product, rotations and the view transform.
#include "math/mat4.h"

#include <cmath>

namespace {

// Lengths below this are treated as zero; a NaN length counts as zero too.
constexpr float MinLength = 1e-6f;

bool IsUsableLength(float length) {
    return length >= MinLength;
}

}  // namespace

Mat4 Mat4Identity() {
    Mat4 result{};
    result._11 = result._22 = result._33 = result._44 = 1.0f;
    return result;
}

void Mat4Multiply(Mat4& out, const Mat4& a, const Mat4& b) {
    Mat4 product{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.At(i, k) * b.At(k, j);
            product.At(i, j) = sum;
        }
    }
    out = product;
}

Mat4 MakeRotationX(float degrees) {
    const float c = std::cos(degrees * DegreesToRadians);
    const float s = std::sin(degrees * DegreesToRadians);
    Mat4 result = Mat4Identity();
    result._22 = c;
    result._23 = s;
    result._32 = -s;
    result._33 = c;
    return result;
}

Mat4 MakeRotationY(float degrees) {
    const float c = std::cos(degrees * DegreesToRadians);
    const float s = std::sin(degrees * DegreesToRadians);
    Mat4 result = Mat4Identity();
    result._11 = c;
    result._13 = -s;
    result._31 = s;
    result._33 = c;
    return result;
}

Mat4 MakeRotationZ(float degrees) {
    const float c = std::cos(degrees * DegreesToRadians);
    const float s = std::sin(degrees * DegreesToRadians);
    Mat4 result = Mat4Identity();
    result._11 = c;
    result._12 = s;
    result._21 = -s;
    result._22 = c;
    return result;
}

void MakeEulerRotation(Mat4& out, float ax, float ay, float az, int order) {
    const Mat4 rx = MakeRotationX(ax);
    const Mat4 ry = MakeRotationY(ay);
    const Mat4 rz = MakeRotationZ(az);
    if (order == 0) {
        Mat4Multiply(out, rx, ry);
        Mat4Multiply(out, out, rz);
    } else if (order == 1) {
        Mat4Multiply(out, rz, rx);
        Mat4Multiply(out, out, ry);
    }
}

HRESULT MakeViewTransform(Mat4& out, const Vec3& eye, const Vec3& at, const Vec3& up) {
    out = Mat4Identity();

    Vec3 view = Vec3Sub(at, eye);
    float length = Vec3Length(view);
    if (!IsUsableLength(length)) return E_INVALIDARG;
    Vec3DivideInPlace(view, length);

    // The up vector with its component along the viewing direction removed;
    // when up is (nearly) parallel to view, fall back to world y, then world z.
    Vec3 upT = Vec3Sub(up, Vec3Scale(Vec3Dot(up, view), view));
    length = Vec3Length(upT);
    if (!IsUsableLength(length)) {
        upT = Vec3Sub(Vec3Set(0.0f, 1.0f, 0.0f), Vec3Scale(view.y, view));
        length = Vec3Length(upT);
        if (!IsUsableLength(length)) {
            upT = Vec3Sub(Vec3Set(0.0f, 0.0f, 1.0f), Vec3Scale(view.z, view));
            length = Vec3Length(upT);
            if (!IsUsableLength(length)) return E_INVALIDARG;
        }
    }
    Vec3DivideInPlace(upT, length);
    const Vec3 right = Vec3Cross(upT, view);

    out._11 = right.x;
    out._21 = right.y;
    out._31 = right.z;
    out._12 = upT.x;
    out._22 = upT.y;
    out._32 = upT.z;
    out._13 = view.x;
    out._23 = view.y;
    out._33 = view.z;
    out._14 = out._24 = out._34 = 0.0f;
    out._41 = -Vec3Dot(eye, right);
    out._42 = -Vec3Dot(eye, upT);
    out._43 = -Vec3Dot(eye, view);
    out._44 = 1.0f;
    return S_OK;
}
