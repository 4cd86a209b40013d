// MilkShapeModel: winding and mirroring, versions, damaged images, bounds
// after normalisation, drawing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "assets/milkshape_model.h"
#include "support/null_d3d_device.h"
#include "test_support.h"

namespace {

struct Ms3dTriangle {
    uint16_t index[3];
    float normal[3][3];
    float s[3], t[3];
};

// An MS3D image written from its parts.
struct Ms3dImage {
    int32_t version = 4;
    std::vector<Vec3> vertices;
    std::vector<Ms3dTriangle> triangles;
    std::vector<std::vector<uint16_t>> groups;  // triangle indices; material byte = group number
    int materials = 1;

    std::string Bytes() const {
        std::string out("MS3D000000");
        auto put = [&](const void* p, size_t n) { out.append(static_cast<const char*>(p), n); };
        auto u16 = [&](uint16_t v) { put(&v, 2); };
        put(&version, 4);
        u16(static_cast<uint16_t>(vertices.size()));
        for (const Vec3& v : vertices) out += '\0', put(&v, 12), out += '\xFF', out += '\0';
        u16(static_cast<uint16_t>(triangles.size()));
        for (const Ms3dTriangle& t : triangles)
            u16(0), put(t.index, 6), put(t.normal, 36), put(t.s, 12), put(t.t, 12), u16(1);
        u16(static_cast<uint16_t>(groups.size()));
        for (size_t g = 0; g < groups.size(); ++g) {
            out += '\0', out.append(32, 'g'), u16(static_cast<uint16_t>(groups[g].size()));
            put(groups[g].data(), 2 * groups[g].size()), out += static_cast<char>(g == 1 ? -1 : 5);
        }
        u16(static_cast<uint16_t>(materials));
        return out.append(static_cast<size_t>(materials) * 361, '\x01');
    }
};

Ms3dTriangle Triangle(uint16_t a, uint16_t b, uint16_t c) {
    Ms3dTriangle t{{a, b, c}, {}, {0.0f, 0.25f, 0.5f}, {1.0f, 0.5f, 0.0f}};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) t.normal[k][i] = 0.1f * static_cast<float>(k + 1) * static_cast<float>(i + 1);
    return t;
}

// A 20-unit box from (10, -5, 3): 8 vertices, 12 triangles in group 0, an
// empty group 1, and one spare triangle; two materials.
Ms3dImage BoxImage() {
    Ms3dImage image;
    for (int i = 0; i < 8; ++i)
        image.vertices.push_back(Vec3{(i & 1) ? 30.0f : 10.0f, (i & 2) ? 15.0f : -5.0f, (i & 4) ? 23.0f : 3.0f});
    const uint16_t faces[12][3] = {{0, 1, 3}, {0, 3, 2}, {4, 6, 7}, {4, 7, 5}, {0, 4, 5}, {0, 5, 1},
                                   {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}};
    image.groups = {{}, {}};
    for (uint16_t i = 0; i < 12; ++i) {
        image.triangles.push_back(Triangle(faces[i][0], faces[i][1], faces[i][2]));
        image.groups[0].push_back(i);
    }
    image.triangles.push_back(Triangle(0, 0, 0));
    image.materials = 2;
    return image;
}

std::string Load(MilkShapeModel& model, const std::string& bytes) {
    testing::internal::CaptureStderr();
    model.LoadFromMemory(bytes.data(), bytes.size());
    return testing::internal::GetCapturedStderr();
}

bool Empty(const MilkShapeModel& m) { return m.groupCount == 0 && m.groups.empty() && m.materialCount == 0; }

}  // namespace

TEST(MilkShapeModel, TrianglesAreMirroredAndRewoundAlikeInVersionsThreeAndFour) {
    Ms3dImage image;
    image.vertices = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    image.triangles = {Triangle(0, 1, 2)};
    image.groups = {{0}};
    for (int version : {4, 3}) {
        SCOPED_TRACE(version);
        image.version = version;
        MilkShapeModel model;
        EXPECT_EQ(Load(model, image.Bytes()), "");
        ASSERT_EQ(model.groupCount, 1);
        EXPECT_EQ(model.materialCount, 1);
        EXPECT_EQ(model.indexed, 0);
        const ModelGroup& g = model.groups[0];
        EXPECT_EQ(g.materialIndex, 5);
        ASSERT_EQ(g.vertexCount, 3);
        const int corner[3] = {0, 2, 1};  // output order
        for (int out = 0; out < 3; ++out) {
            const int c = corner[out];
            const SceneVertex& v = g.vertices[out];
            const Vec3& p = image.vertices[c];
            const float* n = image.triangles[0].normal[c];
            EXPECT_TRUE(v.position.x == -p.x && v.position.y == p.y && v.position.z == p.z) << out;
            EXPECT_TRUE(v.normal.x == -n[0] && v.normal.y == n[1] && v.normal.z == n[2]) << out;
            EXPECT_TRUE(v.u == image.triangles[0].s[c] && v.v == image.triangles[0].t[c]) << out;
        }
    }
}

TEST(MilkShapeModel, OldVersionsForeignImagesAndMissingFilesAreReported) {
    Ms3dImage image = BoxImage();
    for (int32_t version : {2, 0, -4}) {
        image.version = version;
        MilkShapeModel model;
        EXPECT_EQ(Load(model, image.Bytes()), "I know nothing about MS3D v1.2\n");
        EXPECT_TRUE(Empty(model));
    }
    std::string foreign = BoxImage().Bytes();
    foreign[4] = 'X';
    MilkShapeModel model;
    EXPECT_EQ(Load(model, foreign), "Not an MS3D file.\n");
    testing::internal::CaptureStderr();
    model.LoadFromFile("/nonexistent/cube.ms3d");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Couldn't open the model file.\n");
    EXPECT_TRUE(Empty(model));

    const std::string dir = testsupport::MakeTempDir("ms3d");
    testsupport::WriteFile(dir + "/box.ms3d", BoxImage().Bytes());
    model.LoadFromFile((dir + "/box.ms3d").c_str());
    testsupport::RemoveTree(dir);
    EXPECT_EQ(model.groupCount, 2);
    EXPECT_EQ(model.materialCount, 2);
}

TEST(MilkShapeModel, EveryTruncationAndInconsistencyIsRefusedWithoutTouchingTheModel) {
    const Ms3dImage good = BoxImage();
    const std::string bytes = good.Bytes();
    std::vector<std::string> corpus;
    for (size_t cut = 0; cut < bytes.size(); ++cut) corpus.push_back(bytes.substr(0, cut));

    // Each count raised past the records that follow it, and indices past
    // the records they name.
    const size_t vertexCountAt = 14;
    const size_t triangleCountAt = vertexCountAt + 2 + 8 * 15;
    const size_t groupCountAt = triangleCountAt + 2 + 13 * 70;
    const size_t groupTrianglesAt = groupCountAt + 2 + 33;
    const size_t materialCountAt = bytes.size() - 2 - 2 * 361;
    auto patched = [&](size_t at, uint16_t value) {
        std::string b = bytes;
        std::memcpy(&b[at], &value, 2);
        return b;
    };
    for (size_t at : {vertexCountAt, triangleCountAt, groupCountAt, groupTrianglesAt, materialCountAt})
        for (uint16_t value : {uint16_t(0xFFFF), uint16_t(bytes[at] + 1)}) corpus.push_back(patched(at, value));
    corpus.push_back(patched(triangleCountAt + 2 + 70 + 4, 8));  // triangle 1, corner 1: vertex 8 of 8
    corpus.push_back(patched(groupTrianglesAt + 2 + 4, 13));     // group 0's third triangle: 13 of 13

    for (size_t i = 0; i < corpus.size(); ++i) {
        MilkShapeModel model;
        ASSERT_EQ(Load(model, corpus[i]), "Not an MS3D file.\n") << i;
        ASSERT_TRUE(Empty(model)) << i;
    }

    // A loaded model survives a damaged image; data after the materials is not read.
    MilkShapeModel model;
    EXPECT_EQ(Load(model, bytes + std::string(100, '\xEE')), "");
    EXPECT_EQ(Load(model, corpus[bytes.size() / 2]), "Not an MS3D file.\n");
    EXPECT_EQ(model.groupCount, 2);
    EXPECT_EQ(model.groups[0].vertexCount, 36);
}

TEST(MilkShapeModel, NormalizeToDepthCentresAndScales) {
    MilkShapeModel model;
    Load(model, BoxImage().Bytes());
    ASSERT_EQ(model.ComputeBounds(), S_OK);
    EXPECT_FLOAT_EQ(model.boundsMin.x, -30.0f);  // mirrored
    EXPECT_FLOAT_EQ(model.boundsMax.x, -10.0f);
    const Vec3 normal = model.groups[0].vertices[0].normal;
    EXPECT_FLOAT_EQ(model.NormalizeToDepth(6.0f), 0.3f);
    for (float c : {model.boundsMin.x, model.boundsMin.y, model.boundsMin.z}) EXPECT_NEAR(c, -3.0f, 1e-5f);
    for (float c : {model.boundsMax.x, model.boundsMax.y, model.boundsMax.z}) EXPECT_NEAR(c, 3.0f, 1e-5f);
    EXPECT_EQ(model.groups[0].vertices[0].normal.x, normal.x);

    // Nothing to measure, nothing to move; no depth, no scaling to infinity.
    MilkShapeModel empty;
    EXPECT_EQ(empty.ComputeBounds(), E_FAIL);
    EXPECT_EQ(empty.NormalizeToDepth(6.0f), 1.0f);
    Ms3dImage flat;
    flat.vertices = {{0, 0, 5}, {4, 0, 5}, {0, 2, 5}};
    flat.triangles = {Triangle(0, 1, 2)};
    flat.groups = {{0}};
    Load(empty, flat.Bytes());
    EXPECT_EQ(empty.NormalizeToDepth(6.0f), 1.0f);
    EXPECT_FLOAT_EQ(empty.boundsMax.x, 2.0f);
    EXPECT_FLOAT_EQ(empty.boundsMax.z, 0.0f);
}

TEST(MilkShapeModel, DrawUsesTheModelTransformAndRestoresTheDevicesOwn) {
    struct Device : testsupport::NullDevice {
        D3DMATRIX world{};
        std::vector<std::pair<DWORD, D3DMATRIX>> draws;  // vertex count, world at the draw
        int indexedDraws = 0;
        HRESULT GetTransform(D3DTRANSFORMSTATETYPE, LPD3DMATRIX m) override { return *m = world, S_OK; }
        HRESULT SetTransform(D3DTRANSFORMSTATETYPE, LPD3DMATRIX m) override { return world = *m, S_OK; }
        HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID, DWORD count, DWORD) override {
            if (type == D3DPT_TRIANGLELIST && fvf == 0x112) draws.push_back({count, world});
            return S_OK;
        }
        HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, DWORD, LPVOID, DWORD, LPWORD, DWORD count, DWORD) override {
            return indexedDraws += static_cast<int>(count), S_OK;
        }
    } device;
    for (int i = 0; i < 16; ++i) (&device.world._11)[i] = static_cast<float>(i);
    const D3DMATRIX before = device.world;

    MilkShapeModel model;
    Load(model, BoxImage().Bytes());
    model.SetPosition(1, 2, 3);
    model.SetRotation(0, 90, 0);
    EXPECT_EQ(model.Draw(&device), S_OK);
    ASSERT_EQ(device.draws.size(), 1u);  // the empty group draws nothing
    EXPECT_EQ(device.draws[0].first, 36u);
    const D3DMATRIX& w = device.draws[0].second;
    EXPECT_TRUE(w._41 == 1 && w._42 == 2 && w._43 == 3);
    EXPECT_NEAR(w._13, -1.0f, 1e-6f);  // 90 degrees about y takes x to -z
    EXPECT_EQ(std::memcmp(&model.world, &w, sizeof w), 0);
    EXPECT_EQ(std::memcmp(&device.world, &before, sizeof before), 0);

    model.indexed = 1;
    model.groups[0].indices = {0, 1, 2};
    model.groups[0].indexCount = 3;
    model.Draw(&device);
    EXPECT_EQ(device.indexedDraws, 3);
    EXPECT_EQ(device.draws.size(), 1u);
}

TEST(MilkShapeModel, TheEmbeddedCubeLoadsAndNormalisesToADepthOfSix) {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(221), "MESHES");
    ASSERT_NE(found, nullptr) << "the cube is not in the resource manifest";
    MilkShapeModel model;
    EXPECT_EQ(Load(model, std::string(static_cast<const char*>(LockResource(LoadResource(self, found))),
                                      SizeofResource(self, found))),
              "");
    ASSERT_EQ(model.groupCount, 1);
    EXPECT_EQ(model.groups[0].vertexCount, 36);
    model.NormalizeToDepth(6.0f);
    EXPECT_NEAR(model.boundsMax.z - model.boundsMin.z, 6.0f, 1e-4f);
    EXPECT_NEAR(model.boundsMax.x + model.boundsMin.x, 0.0f, 1e-4f);
}
