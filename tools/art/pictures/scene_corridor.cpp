// scene_corridor.cpp — picture 3: a square corridor of glyph walls running to
// a vanishing point where a doorway of light waits. The walls carry falling
// streams, the ceiling a dim glyph grid, the polished floor mirrors both;
// light from the far end and a scattering haze give the depth.
#include <algorithm>
#include <cmath>

#include "pictures/scene_kit.h"
#include "pictures/scenes.h"
#include "pictures/vec3.h"

namespace {

constexpr float kEnd = 32.0f;               // depth of the far wall
constexpr float kCellW = 0.11f, kCellH = 0.165f;
constexpr float kHalfW = 1.0f, kHalfH = 1.0f;  // the corridor's half size

struct Hit {
  float t = 1e9f;
  int surface = -1;  // 0 left, 1 right, 2 ceiling, 3 floor, 4 far wall
  Vec3 p;
};

Hit Intersect(Vec3 o, Vec3 d) {
  Hit h;
  auto test = [&](float t, int s) {
    if (t > 1e-4f && t < h.t) {
      h.t = t;
      h.surface = s;
    }
  };
  if (d.x < 0) test((-kHalfW - o.x) / d.x, 0);
  if (d.x > 0) test((kHalfW - o.x) / d.x, 1);
  if (d.y > 0) test((kHalfH - o.y) / d.y, 2);
  if (d.y < 0) test((-kHalfH - o.y) / d.y, 3);
  if (d.z > 0) test((kEnd - o.z) / d.z, 4);
  h.p = o + d * h.t;
  return h;
}

// Light leaving a wall or ceiling point, fog excluded.
Rgb ShadeWall(const GlyphAtlas& atlas, const Hit& h, float footprint) {
  float u, v;  // cell coordinates on the surface
  int key;
  float rows, rain, base;
  if (h.surface <= 1) {
    u = h.p.z / kCellW;
    v = (kHalfH - h.p.y) / kCellH;
    key = 300 + h.surface;
    rows = 2 * kHalfH / kCellH;
    rain = 0.55f;
    base = 0.05f;
  } else {
    u = (h.p.x + kHalfW) / kCellW;
    v = h.p.z / kCellH;
    key = 310;
    rows = kEnd / kCellH;
    rain = 0.0f;
    base = 0.035f;
  }
  int col = static_cast<int>(std::floor(u)), row = static_cast<int>(std::floor(v));
  bool head;
  float light = RainCellLight(key, col, row, rows, rain, base, &head);
  float cover = atlas.Sample(atlas.Pick(Hash3(key, col, row)), u - col, v - row, footprint);
  // Light from the doorway grazes the walls near the far end.
  float near = std::exp(-(kEnd - h.p.z) / 6.0f);
  Rgb glyph = head ? kLead * 2.0f : kBody;
  return glyph * (light * cover * (0.9f + 2.5f * near)) + kDeep * (0.01f + 0.25f * near);
}

Rgb Fog(Rgb c, float t, float z) {
  // Haze thickens with distance and glows towards the lit end.
  float keep = std::exp(-t / 22.0f);
  Rgb haze = kBody * (0.03f + 0.6f * std::exp(-(kEnd - z) / 8.0f));
  return c * keep + haze * (1 - keep);
}

}  // namespace

void PaintRainCorridor(Canvas& c, const GlyphAtlas& atlas, FinishParams* finish) {
  const int W = c.W(), H = c.H();
  const float f = H * 0.75f;
  const float cx = W * 0.5f, cy = H * 0.5f;
  const Vec3 eye{-0.12f, 0.08f, 0.0f};
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      Vec3 d = Normalize({(x + 0.5f - cx) / f, -(y + 0.5f - cy) / f, 1.0f});
      Hit h = Intersect(eye, d);
      Rgb col;
      auto footprintOf = [&](const Hit& hit, Vec3 dir, float dist) {
        Vec3 n = hit.surface <= 1 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
        float cosine = std::max(std::fabs(Dot(dir, n)), 0.08f);
        return dist / f / kCellH / std::sqrt(cosine);
      };
      if (h.surface == 4) {
        // The doorway: a blinding square of light in the far wall.
        float ax = std::fabs(h.p.x), ay = std::fabs(h.p.y + 0.25f);
        float door = (ax < 0.42f && ay < 0.75f) ? 1.0f : 0.0f;
        col = kWhite * (9.0f * door) + kBody * (0.6f * (1 - door));
      } else if (h.surface == 3) {
        // Polished floor: a dim reflection of the corridor and a faint grid.
        Vec3 r{d.x, -d.y, d.z};
        Hit m = Intersect(h.p, r);
        Rgb mirrored;
        if (m.surface == 4) {
          float ax = std::fabs(m.p.x), ay = std::fabs(m.p.y + 0.25f);
          mirrored = (ax < 0.42f && ay < 0.75f) ? kWhite * 9.0f : kBody * 0.6f;
        } else if (m.surface >= 0) {
          mirrored = ShadeWall(atlas, m, footprintOf(m, r, h.t + m.t) * 1.5f);
        }
        mirrored = Fog(mirrored, m.t, m.p.z);
        float fresnel = 0.25f + 0.5f * std::pow(1.0f - std::fabs(d.y), 5.0f);
        float gx = std::fabs(std::fmod(h.p.x + 10.0f, 0.5f) - 0.25f), gz = std::fabs(std::fmod(h.p.z, 0.5f) - 0.25f);
        float px = h.t / f;
        float grid = std::clamp(1.0f - (0.25f - std::max(gx, gz)) / (px * 1.5f), 0.0f, 1.0f);
        col = mirrored * fresnel + kBody * (0.05f * grid * (0.4f + std::exp(-(kEnd - h.p.z) / 12.0f)));
      } else if (h.surface >= 0) {
        col = ShadeWall(atlas, h, footprintOf(h, d, h.t));
      }
      c.At(x, y) = Fog(col, h.t, h.p.z);
    }

  // Loose glyphs drifting down the corridor's middle, large and soft near the eye.
  Canvas drift(c.OutW(), c.OutH(), 2);
  for (int i = 0; i < 110; ++i) {
    float z = 1.2f + 26.0f * std::pow(HashF(i, 1, 303), 1.7f);
    Vec3 p{(HashF(i, 2, 303) * 2 - 1) * 0.85f, (HashF(i, 3, 303) * 2 - 1) * 0.85f, z};
    Vec3 q = p - eye;
    float sx = cx + f * q.x / q.z, sy = cy - f * q.y / q.z;
    float size = f * 0.14f / q.z;
    float light = (0.25f + 0.8f * HashF(i, 4, 303)) * std::exp(-z / 20.0f);
    Rgb colour = HashF(i, 5, 303) < 0.15f ? kLead * 1.6f : kBody;
    atlas.Draw(z < 4 ? drift : c, atlas.Pick(Hash3(i, 6, 303)), sx, sy, size, colour * light);
  }
  drift.Blur(3);
  c.AddCanvas(drift, 1.0f);

  // Light spilling from the doorway into the haze.
  float doorX = cx + f * (0.0f - eye.x) / kEnd, doorY = cy - f * (-0.25f - eye.y) / kEnd;
  c.AddSpot(doorX, doorY, 45, kBody * 0.35f);
  c.AddSpot(doorX, doorY, 160, kBody * 0.08f);

  c.Bloom(0.6f, {6, 26, 110}, {0.5f, 0.4f, 0.35f});
  finish->exposure = 1.5f;
  finish->vignette = 0.55f;
}
