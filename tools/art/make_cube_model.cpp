// make_cube_model.cpp — writes the floating cubes' model meshes/cube.ms3d: a
// MilkShape 3D binary, version 4, little-endian and packed, holding a cube
// 20 units on a side centred on the origin, 20 vertices, 12 triangles, one
// group "Box03" and one material, followed by an empty animation block.
//
// Each face maps the whole texture once, upright on the side faces. The cube
// is laid out in the saver's left-handed space first (front faces clockwise
// seen from outside, u to the viewer's right, v downwards) and then written the
// way the saver's reader expects a right-handed file: x negated and each
// triangle's corners 1 and 2 swapped, which the reader undoes on loading.
// Texture coordinates live in the triangles, so vertices are shared only
// where two faces meet along an edge: the front and right faces share their
// common edge, and so do the back and left faces (6 x 4 - 2 x 2 = 20).
// Usage: make_cube_model [resource-dir]   (prints a check of the result)
#include "art_common.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr float kHalf = 10.0f;

struct V3 {
  float x, y, z;
};
V3 Sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Scale(V3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
V3 Add(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
bool Same(V3 a, V3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// One face in the saver's left-handed space: outward normal and "up" as seen
// from outside; right = normal x up (left-handed).
struct Face {
  V3 normal;
  V3 up;
};

const Face kFaces[6] = {
    {{0, 0, -1}, {0, 1, 0}},  // front (towards -z)
    {{1, 0, 0}, {0, 1, 0}},   // right
    {{0, 0, 1}, {0, 1, 0}},   // back
    {{-1, 0, 0}, {0, 1, 0}},  // left
    {{0, 1, 0}, {0, 0, 1}},   // top
    {{0, -1, 0}, {0, 0, -1}}, // bottom
};

struct Corner {
  V3 pos;  // left-handed
  float u, v;
};

struct Triangle {
  std::array<int, 3> index;  // into the vertex table, left-handed order
  std::array<float, 3> u, v;
  V3 normal;
};

class Writer {
public:
  void U8(uint8_t v) { bytes.push_back(v); }
  void I8(int8_t v) { U8(static_cast<uint8_t>(v)); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void I32(int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(u >> (8 * i)));
  }
  void F32(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    I32(static_cast<int32_t>(u));
  }
  void Text(const char* s, size_t field) {
    size_t n = std::strlen(s);
    for (size_t i = 0; i < field; ++i) U8(i < n ? static_cast<uint8_t>(s[i]) : 0);
  }
  std::vector<uint8_t> bytes;
};

}  // namespace

int main(int argc, char** argv) {
  std::string dir = ResourceDir(argc, argv);

  std::vector<V3> vertices;
  std::vector<int> faceCorners[6];
  // Shares a vertex with an earlier face only where the layout says so.
  auto vertexFor = [&](V3 p, int face) {
    bool mayShare = face == 1 || face == 3;  // right shares with front, left with back
    if (mayShare)
      for (int i : faceCorners[face - 1])
        if (Same(vertices[i], p)) return i;
    vertices.push_back(p);
    return static_cast<int>(vertices.size()) - 1;
  };

  std::vector<Triangle> triangles;
  for (int f = 0; f < 6; ++f) {
    const Face& face = kFaces[f];
    V3 right = Cross(face.normal, face.up);
    V3 centre = Scale(face.normal, kHalf);
    // Corners top-left, top-right, bottom-right, bottom-left as seen from outside.
    const float su[4] = {-1, 1, 1, -1}, sv[4] = {1, 1, -1, -1};
    Corner c[4];
    int idx[4];
    for (int k = 0; k < 4; ++k) {
      c[k].pos = Add(centre, Add(Scale(right, su[k] * kHalf), Scale(face.up, sv[k] * kHalf)));
      c[k].u = su[k] > 0 ? 1.0f : 0.0f;
      c[k].v = sv[k] > 0 ? 0.0f : 1.0f;
    }
    for (int k = 0; k < 4; ++k) {
      idx[k] = vertexFor(c[k].pos, f);
      faceCorners[f].push_back(idx[k]);
    }
    // Clockwise seen from outside (the saver's front faces): TL, TR, BR and TL, BR, BL.
    const int tri[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (const auto& t : tri) {
      Triangle out;
      for (int k = 0; k < 3; ++k) {
        out.index[k] = idx[t[k]];
        out.u[k] = c[t[k]].u;
        out.v[k] = c[t[k]].v;
      }
      out.normal = face.normal;
      triangles.push_back(out);
    }
  }
  if (vertices.size() != 20 || triangles.size() != 12) {
    std::fprintf(stderr, "cube layout gave %zu vertices and %zu triangles\n", vertices.size(), triangles.size());
    return 1;
  }

  std::vector<int> references(vertices.size(), 0);
  for (const Triangle& t : triangles)
    for (int k = 0; k < 3; ++k) ++references[t.index[k]];

  Writer w;
  w.Text("MS3D000000", 10);
  w.I32(4);
  w.U16(static_cast<uint16_t>(vertices.size()));
  for (size_t i = 0; i < vertices.size(); ++i) {
    w.U8(0);                // flags
    w.F32(-vertices[i].x);  // right-handed file: x mirrored
    w.F32(vertices[i].y);
    w.F32(vertices[i].z);
    w.I8(-1);  // no bone
    w.U8(static_cast<uint8_t>(references[i]));
  }
  // File corner order 0, 2, 1: the reader writes 0, 2, 1 back, restoring ours.
  const int fileOrder[3] = {0, 2, 1};
  w.U16(static_cast<uint16_t>(triangles.size()));
  for (const Triangle& t : triangles) {
    w.U16(0);  // flags
    for (int k : fileOrder) w.U16(static_cast<uint16_t>(t.index[k]));
    for (int k = 0; k < 3; ++k) {  // flat: every corner has the face normal
      w.F32(-t.normal.x);
      w.F32(t.normal.y);
      w.F32(t.normal.z);
    }
    for (int k : fileOrder) w.F32(t.u[k]);
    for (int k : fileOrder) w.F32(t.v[k]);
    w.U8(1);  // smoothing group
    w.U8(0);  // group index
  }
  w.U16(1);  // groups
  w.U8(0);
  w.Text("Box03", 32);
  w.U16(static_cast<uint16_t>(triangles.size()));
  for (size_t i = 0; i < triangles.size(); ++i) w.U16(static_cast<uint16_t>(i));
  w.I8(0);   // material 0
  w.U16(1);  // materials
  w.Text("CodeRain", 32);
  const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f}, diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
  const float specular[4] = {0, 0, 0, 1}, emissive[4] = {0, 0, 0, 1};
  for (float f : ambient) w.F32(f);
  for (float f : diffuse) w.F32(f);
  for (float f : specular) w.F32(f);
  for (float f : emissive) w.F32(f);
  w.F32(0.0f);  // shininess
  w.F32(1.0f);  // transparency (opaque)
  w.I8(0);      // mode
  w.Text("", 128);  // texture: the saver sets its own
  w.Text("", 128);  // alpha map
  // Animation block: frames per second, current time, total frames, no joints.
  w.F32(24.0f);
  w.F32(0.0f);
  w.I32(30);
  w.U16(0);

  // Check: read the triangles back the way the saver does (x negated, corners
  // 0, 2, 1) and confirm clockwise-from-outside winding and upright mapping.
  int good = 0;
  for (size_t i = 0; i < triangles.size(); ++i) {
    const Triangle& t = triangles[i];
    V3 p[3];
    for (int k = 0; k < 3; ++k) p[k] = vertices[t.index[k]];
    V3 n = Cross(Sub(p[1], p[0]), Sub(p[2], p[0]));
    bool outward = Dot(n, t.normal) > 0.0f;
    const Face& face = kFaces[i / 2];
    V3 right = Cross(face.normal, face.up);
    bool upright = true;
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b) {
        float dr = Dot(Sub(p[b], p[a]), right), du = Dot(Sub(p[b], p[a]), face.up);
        if ((dr > 0) != (t.u[b] > t.u[a]) && dr != 0) upright = false;
        if ((du > 0) != (t.v[b] < t.v[a]) && du != 0) upright = false;
      }
    if (outward && upright) ++good;
  }
  std::printf("cube.ms3d: %zu bytes, %zu vertices, %zu triangles, %d/12 faces outward and upright\n",
              w.bytes.size(), vertices.size(), triangles.size(), good);
  if (good != 12) return 1;

  std::string path = dir + "/meshes/cube.ms3d";
  if (!MakeDirs(dir + "/meshes")) return 1;
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return 1;
  bool ok = std::fwrite(w.bytes.data(), 1, w.bytes.size(), out) == w.bytes.size();
  ok = std::fclose(out) == 0 && ok;
  return ok ? 0 : 1;
}
