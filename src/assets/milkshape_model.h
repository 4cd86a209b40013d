// milkshape_model.h — MilkShapeModel: a model read from the binary MS3D
// format (versions 3 and 4), kept as one flat triangle list of SceneVertex
// records per group and drawn with a world transform built from a position
// and three rotation angles.
//
// Only the vertices, triangles, groups and the material count are read;
// keyframes, joints and the materials' contents are not. The file's
// right-handed coordinates become the device's left-handed ones (x mirrored,
// winding reversed). Every count and index is checked against the image
// before it is used; an image that fails a check is refused with one line on
// stderr and the model is left as it was. The model sets no material, texture
// or render state: it draws with whatever the caller has set.
#pragma once

#include <d3d.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "math/mat4.h"
#include "math/vec3.h"
#include "math/vertices.h"

struct ModelGroup {
    int32_t vertexCount = 0;           // three per triangle
    std::vector<SceneVertex> vertices;  // triangle list, vertexCount records
    int32_t indexCount = 0;            // 0 after loading
    std::vector<WORD> indices;         // none after loading
    int32_t materialIndex = -1;        // the file's signed byte; not used for drawing
};

class MilkShapeModel {
public:
    MilkShapeModel() = default;

    // Both return 0 whether or not the model was read; a failure is one line
    // on stderr and leaves the model as it was.
    HRESULT LoadFromMemory(const void* bytes, size_t size);
    HRESULT LoadFromFile(const char* path);

    // 0, or E_FAIL (bounds unchanged) when there is no vertex at all.
    HRESULT ComputeBounds();
    // Move or scale every vertex position of every group; normals stay.
    void Translate(float dx, float dy, float dz);
    // E_FAIL when a group's vertex array does not hold its vertexCount records.
    HRESULT ScaleVertices(float sx, float sy, float sz);
    // Centres the model on the origin and scales it uniformly to a z extent
    // of `depth`; returns the scale factor (1 when the model has no depth to
    // scale, and is then only centred).
    float NormalizeToDepth(float depth);

    void SetPosition(float x, float y, float z) { position = Vec3{x, y, z}; }
    void SetRotation(float ax, float ay, float az) { rotation = Vec3{ax, ay, az}; }  // degrees

    // Draws every group with the model's world transform and restores the
    // device's world transform afterwards. Returns 0.
    HRESULT Draw(IDirect3DDevice7* device);

    Vec3 position;
    Mat4 world{};
    int8_t eulerOrder = 1;  // 0: X, Y, Z; 1: Z, X, Y (MakeEulerRotation)
    std::vector<ModelGroup> groups;
    int32_t groupCount = 0;
    int32_t materialCount = 0;
    Vec3 rotation;
    uint8_t indexed = 1;  // 1: draw with index lists; loading sets 0
    Vec3 boundsMax;
    Vec3 boundsMin;
};
