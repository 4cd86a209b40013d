// floating_cubes.h — SparkField: 30 copies of the scene's cube model
// drifting and tumbling in a box that repeats in every direction, drawn at
// the copy nearest to the camera and faded near the faces of that copy. On
// the scene's request one cube in view is picked, brought up to hang just in
// front of the camera, turned upright, and later sent away again.
//
// Stages of the picked cube: 0 approach, 1 settle, 2 at rest, 3 and 4 set
// by the scene, 5 recede, 6 gone. Fixed array; the model is the scene's.
#pragma once

#include <d3d.h>

#include <cstdint>

#include "math/vec3.h"

class MilkShapeModel;

struct FloatingCube {
    Vec3 position;  // box coordinates
    Vec3 velocity;
    Vec3 rotation;  // degrees about x, y, z; z stays 0
    Vec3 spin;      // degrees per step unit
};

struct SparkField {
    static constexpr int CubeCount = 30;
    static constexpr float ConeLimit = 45.0f;       // degrees from the view axis: drawn at a 4:3 view, picked at any
    static constexpr float PickMinAngle = 15.0f;    // picked only beyond this angle
    static constexpr float PickMinDistanceSq = 144.0f;   // 12 units
    static constexpr float PickMaxDistanceSq = 2500.0f;  // 50 units
    static constexpr float TargetDepth = 7.8f;      // picked cube hangs this far short of the camera in z
    static constexpr float ApproachSpeed = 1.75f;
    static constexpr float EdgeFade = 15.0f;        // fade band inside each box face

    enum Stage : int32_t {
        StageApproach = 0,
        StageSettle = 1,
        StageAtRest = 2,
        StagePictureShown = 3,
        StageGlitch = 4,
        StageRecede = 5,
        StageGone = 6,
    };

    // Stores the box and the model and scatters the cubes with random
    // places, drift and spin.
    void Init(float boxX, float boxY, float boxZ, MilkShapeModel* model);
    // Moves every free cube; steers the picked one. step is the frame's
    // time step (non-negative).
    void Update(float step, float camX, float camY, float camZ);
    // Draws the cubes drawMode admits and performs a pending pick. The
    // caller sets the texture and blend factors.
    void Draw(IDirect3DDevice7* device, float camX, float camY, float camZ, float yawDeg, float pitchDeg);

    int32_t selected = -1;
    Vec3 selectedPosition;
    float distance = 0.0f;
    float selectedBrightness = 0.0f;  // 0..255, set by the scene
    uint8_t pickRequest = 0;
    uint8_t holding = 0;
    int32_t stage = 0;
    FloatingCube cubes[CubeCount];
    MilkShapeModel* model = nullptr;
    Vec3 boxSize;
    int32_t drawMode = 0;  // 0 all, 1 only the picked cube, 2 all but the picked cube
    float coneLimit = ConeLimit;  // cubes are drawn within this; the scene widens it for wider views
};
