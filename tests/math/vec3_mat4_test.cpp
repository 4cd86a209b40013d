// Vector helpers, matrix product, rotations and the view transform.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "math/mat4.h"
#include "math/vec3.h"

namespace {

// p x M for a point (w = 1), the device's row-vector convention.
Vec3 TransformPoint(const Vec3& p, const Mat4& m) {
    return Vec3{p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41, p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
                p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43};
}

void ExpectNear(const Vec3& actual, float x, float y, float z) {
    EXPECT_NEAR(actual.x, x, 1e-5f);
    EXPECT_NEAR(actual.y, y, 1e-5f);
    EXPECT_NEAR(actual.z, z, 1e-5f);
}

Mat4 Filled(float start) {
    Mat4 m{};
    for (int i = 0; i < 16; ++i) m.At(i / 4, i % 4) = start + static_cast<float>(i);
    return m;
}

}  // namespace

TEST(MathVec3, ArithmeticAndSign) {
    ExpectNear(Vec3Cross(Vec3Set(1, 0, 0), Vec3Set(0, 1, 0)), 0, 0, 1);
    ExpectNear(Vec3Cross(Vec3Set(0, 1, 0), Vec3Set(1, 0, 0)), 0, 0, -1);
    EXPECT_FLOAT_EQ(Vec3Length(Vec3Set(3, 4, 0)), 5.0f);
    Vec3 v = Vec3Set(2, 4, 6);
    Vec3DivideInPlace(v, 2);
    Vec3AddInPlace(v, 1, -1, 0.5f);
    ExpectNear(v, 2, 1, 3.5f);

    EXPECT_EQ(Sign(2.5f), 1.0f);
    EXPECT_EQ(Sign(-1e-30f), -1.0f);
    EXPECT_EQ(Sign(0.0f), 0.0f);
    EXPECT_EQ(Sign(-0.0f), 0.0f);
    EXPECT_EQ(Sign(std::numeric_limits<float>::quiet_NaN()), -1.0f);
}

TEST(MathMat4, MultiplyIsSafeWhenOutputAliasesAnInput) {
    const Mat4 a = Filled(1.0f);
    const Mat4 b = Filled(-7.0f);
    Mat4 expected;
    Mat4Multiply(expected, a, b);
    EXPECT_FLOAT_EQ(expected._11, 1 * -7 + 2 * -3 + 3 * 1 + 4 * 5);

    Mat4 left = a, right = b, both = a, square;
    Mat4Multiply(left, left, b);
    Mat4Multiply(right, a, right);
    Mat4Multiply(square, a, a);
    Mat4Multiply(both, both, both);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            EXPECT_FLOAT_EQ(left.At(i, j), expected.At(i, j));
            EXPECT_FLOAT_EQ(right.At(i, j), expected.At(i, j));
            EXPECT_FLOAT_EQ(both.At(i, j), square.At(i, j));
        }
}

TEST(MathMat4, RotationsTurnPointsTheDeviceWay) {
    ExpectNear(TransformPoint(Vec3Set(1, 0, 0), MakeRotationY(90)), 0, 0, -1);
    ExpectNear(TransformPoint(Vec3Set(1, 0, 0), MakeRotationZ(90)), 0, 1, 0);
    ExpectNear(TransformPoint(Vec3Set(0, 1, 0), MakeRotationX(90)), 0, 0, 1);

    // Order 0 turns about X first, then Y, then Z; order 1 about Z, X, then Y.
    const Vec3 p = Vec3Set(1, 2, 3);
    Mat4 euler = Mat4Identity();
    MakeEulerRotation(euler, 30, 45, 60, 0);
    Vec3 stepwise = TransformPoint(TransformPoint(TransformPoint(p, MakeRotationX(30)), MakeRotationY(45)),
                                   MakeRotationZ(60));
    ExpectNear(TransformPoint(p, euler), stepwise.x, stepwise.y, stepwise.z);
    EXPECT_EQ(euler._44, 1.0f);

    MakeEulerRotation(euler, 30, 45, 60, 1);
    stepwise = TransformPoint(TransformPoint(TransformPoint(p, MakeRotationZ(60)), MakeRotationX(30)),
                              MakeRotationY(45));
    ExpectNear(TransformPoint(p, euler), stepwise.x, stepwise.y, stepwise.z);

    Mat4 untouched = Filled(3.0f);
    MakeEulerRotation(untouched, 30, 45, 60, 2);
    EXPECT_EQ(untouched._11, 3.0f);
    EXPECT_EQ(untouched._44, 18.0f);
}

TEST(MathMat4, ViewTransformPutsEyeAtOriginLookingDownZ) {
    Mat4 view;
    const Vec3 eye = Vec3Set(-4.7f, -2.6f, -73.9f);
    const Vec3 at = Vec3Set(5, 1, -60);
    ASSERT_EQ(MakeViewTransform(view, eye, at, Vec3Set(0.3f, 1, 0)), S_OK);
    ExpectNear(TransformPoint(eye, view), 0, 0, 0);
    ExpectNear(TransformPoint(at, view), 0, 0, Vec3Length(Vec3Sub(at, eye)));
    EXPECT_EQ(view._14, 0.0f);
    EXPECT_EQ(view._44, 1.0f);

    // Camera looking along +z with up along +y: a point to the right is +x.
    ASSERT_EQ(MakeViewTransform(view, Vec3Set(0, 0, 0), Vec3Set(0, 0, 1), Vec3Set(0, 1, 0)), S_OK);
    ExpectNear(TransformPoint(Vec3Set(2, 3, 4), view), 2, 3, 4);
}

TEST(MathMat4, ViewTransformFallsBackOrFails) {
    Mat4 view;
    // Up parallel to the view: world y is used instead.
    ASSERT_EQ(MakeViewTransform(view, Vec3Set(0, 0, 0), Vec3Set(0, 0, 10), Vec3Set(0, 0, -3)), S_OK);
    ExpectNear(Vec3Set(view._12, view._22, view._32), 0, 1, 0);
    // Looking straight up with up along y: world z is used.
    ASSERT_EQ(MakeViewTransform(view, Vec3Set(1, 1, 1), Vec3Set(1, 9, 1), Vec3Set(0, 1, 0)), S_OK);
    ExpectNear(Vec3Set(view._12, view._22, view._32), 0, 0, 1);
    ExpectNear(Vec3Set(view._11, view._21, view._31), -1, 0, 0);

    // Eye on at, or a NaN viewing direction, fails and leaves the identity.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Mat4 identity = Mat4Identity();
    for (const Vec3& at : {Vec3Set(2, 3, 4), Vec3Set(nan, 3, 5)}) {
        view._23 = 42.0f;
        EXPECT_EQ(MakeViewTransform(view, Vec3Set(2, 3, 4), at, Vec3Set(0, 1, 0)), E_INVALIDARG);
        EXPECT_EQ(std::memcmp(&view, &identity, sizeof view), 0);
    }
    // A NaN up vector only sends it to the fall-back.
    EXPECT_EQ(MakeViewTransform(view, Vec3Set(0, 0, 0), Vec3Set(0, 0, 1), Vec3Set(nan, nan, nan)), S_OK);
}
