// milkshape_model.cpp — reading MS3D images, bounds, normalisation and
// drawing of MilkShapeModel.
//
// The image is read through a cursor that refuses to step past its end, and
// the whole model is built aside before it replaces the current one, so a
// short or inconsistent image never changes the model.
#include "assets/milkshape_model.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>

namespace {

constexpr char kMs3dId[10] = {'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0'};
constexpr size_t kVertexRecordSize = 15;
constexpr size_t kTriangleRecordSize = 70;
constexpr size_t kGroupNameSize = 1 + 32;  // flags and name, both ignored
constexpr size_t kMaterialRecordSize = 361;

void Report(const char* message) { std::fprintf(stderr, "%s\n", message); }

// Little-endian reads that fail instead of passing the end of the image.
class ImageCursor {
public:
    ImageCursor(const unsigned char* data, size_t size) : data_(data), size_(size) {}

    bool Has(size_t bytes) const { return bytes <= size_ - at_; }
    bool Skip(size_t bytes) {
        if (!Has(bytes)) return false;
        at_ += bytes;
        return true;
    }
    bool Bytes(void* out, size_t bytes) {
        if (!Has(bytes)) return false;
        std::memcpy(out, data_ + at_, bytes);
        at_ += bytes;
        return true;
    }
    bool U8(uint8_t* out) { return Bytes(out, 1); }
    bool U16(uint16_t* out) {
        uint8_t b[2];
        if (!Bytes(b, 2)) return false;
        *out = static_cast<uint16_t>(b[0] | b[1] << 8);
        return true;
    }
    bool I32(int32_t* out) {
        uint8_t b[4];
        if (!Bytes(b, 4)) return false;
        *out = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                    static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
        return true;
    }
    bool F32(float* out) {
        uint8_t b[4];
        if (!Bytes(b, 4)) return false;
        uint32_t bits = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                        static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
        std::memcpy(out, &bits, 4);
        return true;
    }

private:
    const unsigned char* data_;
    size_t size_;
    size_t at_ = 0;
};

struct FileVertex {
    float x, y, z;
};

struct FileTriangle {
    uint16_t index[3];
    float normal[3][3];
    float s[3];
    float t[3];
};

// Reads everything from the vertex count to the end of the materials. False
// for an image that ends early or refers to records it does not hold.
bool ReadBody(ImageCursor& in, std::vector<ModelGroup>* groups, int32_t* materialCount) {
    uint16_t vertexCount = 0;
    if (!in.U16(&vertexCount) || !in.Has(static_cast<size_t>(vertexCount) * kVertexRecordSize)) return false;
    std::vector<FileVertex> vertices(vertexCount);
    for (FileVertex& v : vertices) {
        in.Skip(1);  // flags
        in.F32(&v.x);
        in.F32(&v.y);
        in.F32(&v.z);
        in.Skip(2);  // bone id, reference count
    }

    uint16_t triangleCount = 0;
    if (!in.U16(&triangleCount) || !in.Has(static_cast<size_t>(triangleCount) * kTriangleRecordSize)) return false;
    std::vector<FileTriangle> triangles(triangleCount);
    for (FileTriangle& t : triangles) {
        in.Skip(2);  // flags
        for (uint16_t& index : t.index) {
            in.U16(&index);
            if (index >= vertexCount) return false;
        }
        for (auto& normal : t.normal)
            for (float& component : normal) in.F32(&component);
        for (float& s : t.s) in.F32(&s);
        for (float& v : t.t) in.F32(&v);
        in.Skip(2);  // smoothing group, group index
    }

    uint16_t groupCount = 0;
    if (!in.U16(&groupCount)) return false;
    std::vector<ModelGroup> built(groupCount);
    for (ModelGroup& group : built) {
        uint16_t n = 0;
        if (!in.Skip(kGroupNameSize) || !in.U16(&n) || !in.Has(static_cast<size_t>(n) * 2 + 1)) return false;
        group.vertexCount = 3 * n;
        group.vertices.resize(static_cast<size_t>(group.vertexCount));
        for (int k = 0; k < n; ++k) {
            uint16_t index = 0;
            in.U16(&index);
            if (index >= triangleCount) return false;
            const FileTriangle& t = triangles[index];
            // Corners 0, 2, 1: with x mirrored below, the reversed winding keeps
            // the same faces in front in the left-handed space.
            static constexpr int kCorner[3] = {0, 2, 1};
            for (int out = 0; out < 3; ++out) {
                const int c = kCorner[out];
                const FileVertex& v = vertices[t.index[c]];
                group.vertices[static_cast<size_t>(3 * k + out)] =
                    SceneVertex(Vec3{-v.x, v.y, v.z}, -t.normal[c][0], t.normal[c][1], t.normal[c][2], t.s[c], t.t[c]);
            }
        }
        uint8_t material = 0;
        in.U8(&material);
        group.materialIndex = static_cast<int8_t>(material);
    }

    uint16_t materials = 0;
    if (!in.U16(&materials) || !in.Skip(static_cast<size_t>(materials) * kMaterialRecordSize)) return false;

    *groups = std::move(built);
    *materialCount = materials;
    return true;
}

}  // namespace

HRESULT MilkShapeModel::LoadFromMemory(const void* bytes, size_t size) {
    ImageCursor in(static_cast<const unsigned char*>(bytes), bytes ? size : 0);
    char id[sizeof kMs3dId];
    int32_t version = 0;
    if (!in.Bytes(id, sizeof id) || std::memcmp(id, kMs3dId, sizeof id) != 0 || !in.I32(&version)) {
        Report("Not an MS3D file.");
        return S_OK;
    }
    if (version <= 2) {
        Report("I know nothing about MS3D v1.2");
        return S_OK;
    }

    std::vector<ModelGroup> loaded;
    int32_t materials = 0;
    bool read = false;
    try {
        read = ReadBody(in, &loaded, &materials);
    } catch (const std::bad_alloc&) {
        read = false;
    }
    if (!read) {
        Report("Not an MS3D file.");
        return S_OK;
    }
    groups = std::move(loaded);
    groupCount = static_cast<int32_t>(groups.size());
    materialCount = materials;
    indexed = 0;
    return S_OK;
}

HRESULT MilkShapeModel::LoadFromFile(const char* path) {
    std::ifstream file(path ? path : "", std::ios::binary);
    if (!file) {
        Report("Couldn't open the model file.");
        return S_OK;
    }
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return LoadFromMemory(bytes.data(), bytes.size());
}

HRESULT MilkShapeModel::ComputeBounds() {
    bool started = false;
    Vec3 lo, hi;
    for (const ModelGroup& group : groups) {
        if (group.vertices.empty()) continue;
        Vec3 groupMin = group.vertices[0].position;
        Vec3 groupMax = groupMin;
        for (const SceneVertex& v : group.vertices) {
            const Vec3& p = v.position;
            if (p.x < groupMin.x) groupMin.x = p.x;
            if (p.y < groupMin.y) groupMin.y = p.y;
            if (p.z < groupMin.z) groupMin.z = p.z;
            if (p.x > groupMax.x) groupMax.x = p.x;
            if (p.y > groupMax.y) groupMax.y = p.y;
            if (p.z > groupMax.z) groupMax.z = p.z;
        }
        if (!started) {
            lo = hi = group.vertices[0].position;
            started = true;
        }
        if (groupMax.x > hi.x) hi.x = groupMax.x;
        if (groupMax.y > hi.y) hi.y = groupMax.y;
        if (groupMax.z > hi.z) hi.z = groupMax.z;
        if (groupMin.x < lo.x) lo.x = groupMin.x;
        if (groupMin.y < lo.y) lo.y = groupMin.y;
        if (groupMin.z < lo.z) lo.z = groupMin.z;
    }
    if (!started) return E_FAIL;
    boundsMin = lo;
    boundsMax = hi;
    return S_OK;
}

void MilkShapeModel::Translate(float dx, float dy, float dz) {
    for (ModelGroup& group : groups)
        for (SceneVertex& v : group.vertices) Vec3AddInPlace(v.position, dx, dy, dz);
}

HRESULT MilkShapeModel::ScaleVertices(float sx, float sy, float sz) {
    for (ModelGroup& group : groups) {
        if (group.vertexCount < 0 || group.vertices.size() != static_cast<size_t>(group.vertexCount)) return E_FAIL;
        for (SceneVertex& v : group.vertices) {
            v.position.x *= sx;
            v.position.y *= sy;
            v.position.z *= sz;
        }
    }
    return S_OK;
}

float MilkShapeModel::NormalizeToDepth(float depth) {
    if (FAILED(ComputeBounds())) return 1.0f;
    const Vec3 lo = boundsMin, hi = boundsMax;
    Translate(-(lo.x + (hi.x - lo.x) / 2), -(lo.y + (hi.y - lo.y) / 2), -(lo.z + (hi.z - lo.z) / 2));
    // A model flat in z has no depth to scale to; scaling by depth / 0 would
    // turn every position into infinities.
    float scale = 1.0f;
    if (hi.z - lo.z > 0.0f) {
        scale = depth / (hi.z - lo.z);
        ScaleVertices(scale, scale, scale);
    }
    ComputeBounds();
    return scale;
}

HRESULT MilkShapeModel::Draw(IDirect3DDevice7* device) {
    if (!device) return S_OK;
    D3DMATRIX saved{};
    const bool haveSaved = SUCCEEDED(device->GetTransform(D3DTRANSFORMSTATE_WORLD, &saved));

    MakeEulerRotation(world, rotation.x, rotation.y, rotation.z, eulerOrder);
    world._41 = position.x;
    world._42 = position.y;
    world._43 = position.z;
    device->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);

    for (ModelGroup& group : groups) {
        if (group.vertexCount <= 0 || group.vertices.size() < static_cast<size_t>(group.vertexCount)) continue;
        if (indexed) {
            if (group.indexCount <= 0 || group.indices.size() < static_cast<size_t>(group.indexCount)) continue;
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, SceneVertexFVF, group.vertices.data(),
                                         static_cast<DWORD>(group.vertexCount), group.indices.data(),
                                         static_cast<DWORD>(group.indexCount), 0);
        } else {
            device->DrawPrimitive(D3DPT_TRIANGLELIST, SceneVertexFVF, group.vertices.data(),
                                  static_cast<DWORD>(group.vertexCount), 0);
        }
    }

    if (haveSaved) device->SetTransform(D3DTRANSFORMSTATE_WORLD, &saved);
    return S_OK;
}
