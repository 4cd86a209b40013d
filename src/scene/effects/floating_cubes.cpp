// floating_cubes.cpp — SparkField: drift, the pick cycle and drawing.
#include "scene/effects/floating_cubes.h"

#include <algorithm>
#include <cmath>

#include "assets/milkshape_model.h"
#include "math/packed_color.h"
#include "scene/effects/repeating_volume.h"
#include "scene/scene_random.h"

namespace {

// A drift component of magnitude 1..1.5 with a random sign.
float RandomDrift() {
    float v = SceneRandomUnit() - 0.5f;
    v += Sign(v);
    return v;
}

// A spin of magnitude 3..8 degrees per step unit with a random sign.
float RandomSpin() {
    float v = SceneRandomUnit() * 10.0f - 5.0f;
    v += 3.0f * Sign(v);
    return v;
}

void WrapPosition(Vec3& p, const Vec3& box) {
    p.x = WrapIntoBox(p.x, box.x);
    p.y = WrapIntoBox(p.y, box.y);
    p.z = WrapIntoBox(p.z, box.z);
}

Vec3 NearestCopy(const VolumeView& view, const Vec3& p) {
    return Vec3{view.OffsetX(p.x), view.OffsetY(p.y), view.OffsetZ(p.z)};
}

// Settling turn of one angle: in stage 0 it keeps turning (wrapped on 360);
// in stage 1 it turns on until it leaves 0..360 and then rests at exactly 0.
void TurnAngle(float& angle, float spin, float step, int32_t stage) {
    if (angle == 0.0f && stage != SparkField::StageApproach) return;
    angle = angle + spin * 1.2f * step;
    if (stage == SparkField::StageApproach) {
        angle = WrapAngle(angle);
    } else if (angle < 0.0f || angle > 360.0f) {
        angle = 0.0f;
    }
}

}  // namespace

void SparkField::Init(float boxX, float boxY, float boxZ, MilkShapeModel* cubeModel) {
    selected = -1;
    pickRequest = 0;
    holding = 0;
    drawMode = 0;
    model = cubeModel;
    boxSize = Vec3{boxX, boxY, boxZ};
    for (FloatingCube& cube : cubes) {
        cube.position.x = SceneRandomUnit() * boxX;
        cube.velocity.x = RandomDrift();
        cube.position.y = SceneRandomUnit() * boxY;
        cube.velocity.y = RandomDrift();
        cube.position.z = SceneRandomUnit() * boxZ;
        cube.velocity.z = RandomDrift();
        cube.rotation.x = SceneRandomUnit() * 360.0f;
        cube.spin.x = RandomSpin();
        cube.rotation.y = SceneRandomUnit() * 360.0f;
        cube.spin.y = RandomSpin();
        cube.rotation.z = 0.0f;
        cube.spin.z = 0.0f;
    }
}

void SparkField::Update(float step, float camX, float camY, float camZ) {
    VolumeView view;
    view.Set(boxSize, camX, camY, camZ);
    const Vec3 camera{camX, camY, camZ};

    for (int32_t i = 0; i < CubeCount; ++i) {
        FloatingCube& cube = cubes[i];
        if (!holding || i != selected) {
            cube.position.x += step * cube.velocity.x;
            cube.position.y += step * cube.velocity.y;
            cube.position.z += step * cube.velocity.z;
            WrapPosition(cube.position, boxSize);
            cube.rotation.x = WrapAngle(cube.rotation.x + step * cube.spin.x);
            cube.rotation.y = WrapAngle(cube.rotation.y + step * cube.spin.y);
            continue;
        }

        if (stage == StageApproach) {
            // The target hangs TargetDepth short of the camera along z.
            Vec3 d = Vec3Sub(camera, selectedPosition);
            d.z = d.z <= 0.0f ? d.z + TargetDepth : d.z - TargetDepth;
            const float length = Vec3Length(d);
            Vec3 u{};
            if (length > 0.0f) u = Vec3{d.x / length, d.y / length, d.z / length};
            distance = length;
            const float stepLength =
                std::sqrt(Vec3LengthSquared(u) * step * step * ApproachSpeed * ApproachSpeed);
            if (stepLength <= length) {
                Vec3AddInPlace(cube.position, u.x * step * ApproachSpeed, u.y * step * ApproachSpeed,
                               u.z * step * ApproachSpeed);
            } else {
                Vec3AddInPlace(cube.position, u.x * length, u.y * length, u.z * length);
                stage = StageSettle;
            }
            WrapPosition(cube.position, boxSize);
        }

        if (stage == StageApproach || stage == StageSettle) {
            TurnAngle(cube.rotation.x, cube.spin.x, step, stage);
            TurnAngle(cube.rotation.y, cube.spin.y, step, stage);
            if (stage == StageSettle && cube.rotation.x == 0.0f && cube.rotation.y == 0.0f) stage = StageAtRest;
        }

        if (stage == StageRecede) {
            float e = selectedPosition.z - camZ;
            if (e <= 0.0f) {
                cube.position.z -= step * 0.3f;
                e -= step;
            } else {
                cube.position.z += step * 0.3f;
                e += step;
            }
            // Kept inside the box like every other position; the nearest
            // copy, and so the cube's place in the world, is the same.
            cube.position.z = WrapIntoBox(cube.position.z, boxSize.z);
            cube.rotation.x += Sign(cube.spin.x) * step;
            cube.rotation.y += Sign(cube.spin.y) * step;
            if (std::fabs(std::trunc(e)) > 25.0f) stage = StageGone;
        }

        const Vec3 offset = NearestCopy(view, cube.position);
        selectedPosition = Vec3{offset.x + camX, offset.y + camY, offset.z + camZ};
    }
}

void SparkField::Draw(IDirect3DDevice7* device, float camX, float camY, float camZ, float yawDeg,
                      float pitchDeg) {
    if (!device) return;
    VolumeView view;
    view.Set(boxSize, camX, camY, camZ);
    ViewCone cone;
    cone.Set(yawDeg, pitchDeg);

    for (int32_t i = 0; i < CubeCount; ++i) {
        if (drawMode == 1 && i != selected) continue;
        if (drawMode == 2 && i == selected) continue;
        const FloatingCube& cube = cubes[i];
        const Vec3 p = NearestCopy(view, cube.position);
        const Vec3 world{p.x + camX, p.y + camY, p.z + camZ};
        if (holding && i == selected) selectedPosition = world;

        float angle = 0.0f;
        if (!cone.Passes(p, coneLimit, &angle)) continue;

        const float distanceSq = Vec3LengthSquared(p);
        // Picks stay within the 4:3 cone, so that a wider view picks the same cube.
        if (pickRequest && angle > PickMinAngle && angle < ConeLimit && distanceSq > PickMinDistanceSq &&
            distanceSq < PickMaxDistanceSq) {
            pickRequest = 0;
            holding = 1;
            stage = StageApproach;
            selected = i;
            selectedPosition = world;
        }

        float fade = 255.0f;
        if (holding && i == selected) {
            const int b = static_cast<int>(std::clamp(selectedBrightness, 0.0f, 255.0f));
            device->SetRenderState(D3DRENDERSTATE_AMBIENT, MakeColor(b, b, b));
        } else {
            const int axis = DominantAxis(p);
            const float c = std::fabs(AxisValue(p, axis));
            const float half = AxisValue(view.half, axis);
            if (c > half - EdgeFade) fade = std::max((half - c) * 17.0f, 0.0f);
            const int f = static_cast<int>(fade);
            device->SetRenderState(D3DRENDERSTATE_AMBIENT, MakeColor(f, f, f));
        }

        const bool blended = fade < 255.0f;
        if (blended) {
            device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, 0);
            device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
        }
        if (model) {
            model->SetRotation(cube.rotation.x, cube.rotation.y + 90.0f, cube.rotation.z);
            model->SetPosition(world.x, world.y, world.z);
            model->Draw(device);
        }
        if (blended) {
            device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, 1);
            device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 0);
        }
    }
}
