// scene_door.cpp — picture 11: a doorway of light in a wall of glyphs. A
// lamp behind the wall shines through the opening; its beam is marched
// through a hazy room, lights a door-shaped patch on the glyph-tiled floor
// and wakes the wall's glyphs near the opening; loose glyphs float in it.
#include <algorithm>
#include <cmath>

#include "art_common.h"
#include "pictures/scene_kit.h"
#include "pictures/scenes.h"
#include "pictures/vec3.h"

namespace {

constexpr float kWallZ = 12.0f;
constexpr float kDoorX0 = 0.35f, kDoorX1 = 1.45f, kDoorTop = 2.6f;  // floor at y = 0
const Vec3 kLamp{0.9f, 2.0f, kWallZ + 9.0f};

// True when the straight path from p to the lamp passes through the doorway.
bool Lit(Vec3 p, Vec3 lamp = kLamp) {
  if (p.z >= kWallZ) return true;
  Vec3 d = lamp - p;
  float t = (kWallZ - p.z) / d.z;
  float x = p.x + d.x * t, y = p.y + d.y * t;
  return x > kDoorX0 && x < kDoorX1 && y > 0 && y < kDoorTop;
}

// Share of a broad lamp seen through the doorway: soft edges on the floor.
float LitSoft(Vec3 p) {
  float sum = 0;
  for (int j = -2; j <= 2; ++j)
    for (int i = -2; i <= 2; ++i) sum += Lit(p, kLamp + Vec3{i * 0.1f, j * 0.1f, 0}) ? 1.0f : 0.0f;
  return sum / 25.0f;
}

float LampFalloff(Vec3 p) {
  Vec3 d = kLamp - p;
  return 110.0f / (Dot(d, d) + 4.0f);
}

}  // namespace

void PaintLightDoor(Canvas& c, const GlyphAtlas& atlas, FinishParams* finish) {
  const int W = c.W(), H = c.H();
  const float f = H * 1.25f, cx = W * 0.5f, cy = H * 0.42f;
  const Vec3 eye{0.0f, 1.45f, 0.0f};
  const float cellW = 0.1f, cellH = 0.16f;

  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      Vec3 d = Normalize({(x + 0.5f - cx) / f, -(y + 0.5f - cy) / f, 1.0f});
      // The view ray ends on the wall, in the doorway, or on the floor.
      float tWall = (kWallZ - eye.z) / d.z;
      float tFloor = d.y < 0 ? -eye.y / d.y : 1e9f;
      float t = std::min(tWall, tFloor);
      Vec3 p = eye + d * t;
      Rgb col;
      float foot = t / f;
      if (tWall <= tFloor) {
        if (p.x > kDoorX0 && p.x < kDoorX1 && p.y < kDoorTop) {
          // The opening: white at its heart, mint towards the jambs.
          float ex = std::min(p.x - kDoorX0, kDoorX1 - p.x), ey = kDoorTop - p.y;
          float inner = SmoothStep(0.0f, 0.25f, std::min(ex, ey));
          col = Mix(kLead * 5.0f, kWhite * 9.0f, inner);
        } else {
          // The wall: glyph cells carrying streams, waking near the doorway.
          float u = (p.x + 20.0f) / cellW, v = (8.0f - p.y) / cellH;
          int colI = static_cast<int>(u), rowI = static_cast<int>(v);
          bool head;
          float light = RainCellLight(1101, colI, rowI, 8.0f / cellH, 0.3f, 0.06f, &head);
          float cover = atlas.Sample(atlas.Pick(Hash3(colI, rowI, 1102)), u - colI, v - rowI, foot / cellH);
          float dx = p.x < kDoorX0 ? kDoorX0 - p.x : (p.x > kDoorX1 ? p.x - kDoorX1 : 0.0f);
          float dy = std::max(0.0f, p.y - kDoorTop);
          float near = std::exp(-std::sqrt(dx * dx + dy * dy) / 0.9f);
          Rgb glyph = head ? kLead * 1.6f : kBody;
          col = glyph * (light * cover * (0.5f + 3.0f * near)) + kDeep * (0.01f + 0.06f * near);
        }
      } else {
        // The floor: dark tiles of glyphs, lit where the doorway's light lands.
        float u = (p.x + 20.0f) / (cellW * 2.5f), v = p.z / (cellH * 1.6f);
        int colI = static_cast<int>(u), rowI = static_cast<int>(v);
        float grazing = std::max(0.05f, -d.y);
        float cover = atlas.Sample(atlas.Pick(Hash3(colI, rowI, 1103)), u - colI, 1.0f - (v - rowI),
                                   foot / (cellH * 1.6f) / grazing);
        float lamp = LitSoft(p) * LampFalloff(p);
        float base = 0.03f + 0.05f * HashF(colI, rowI, 1104);
        // A soft sheen of the doorway mirrored in the polished floor.
        Vec3 r{d.x, -d.y, d.z};
        float tr = (kWallZ - p.z) / r.z;
        Vec3 q = p + r * tr;
        float sheen = (q.x > kDoorX0 - 0.2f && q.x < kDoorX1 + 0.2f && q.y < kDoorTop) ? 0.5f : 0.0f;
        sheen *= std::exp(-(kWallZ - p.z) / 5.0f) * (0.5f + 0.5f * Fbm(p.x * 3.0f, p.z * 0.8f, 1105, 3));
        col = kBody * (cover * (base + 0.9f * lamp)) + kLead * (0.35f * lamp) + kBody * sheen;
      }
      // Haze: march the ray and gather light wherever the beam crosses it.
      float scatter = 0;
      const int steps = 40;
      float jitter = HashF(x, y, 1106);
      for (int s = 0; s < steps; ++s) {
        float ts = t * (s + jitter) / steps;
        Vec3 ps = eye + d * ts;
        if (Lit(ps)) scatter += LampFalloff(ps);
      }
      scatter *= t / steps * 0.05f;
      col += kBody * scatter + kLead * (scatter * 0.15f);
      c.At(x, y) = col + kDeep * 0.01f;
    }

  // Loose glyphs floating in the beam, like dust in sunlight.
  ArtRandom rng(1107);
  for (int i = 0; i < 900 ; ++i) {
    Vec3 p{static_cast<float>(rng.Uniform(-1.5, 3.0)), static_cast<float>(rng.Uniform(0.05, 2.8)),
           static_cast<float>(rng.Uniform(4.0, kWallZ - 0.2))};
    if (!Lit(p)) continue;
    Vec3 q = p - eye;
    float sx = cx + f * q.x / q.z, sy = cy - f * q.y / q.z;
    float size = f * 0.07f / q.z;
    atlas.DrawRotated(c, atlas.Random(rng), sx, sy, size, static_cast<float>(rng.Uniform(-0.6, 0.6)),
                      kBody * (LampFalloff(p) * static_cast<float>(rng.Uniform(0.5, 1.6))));
  }

  c.Bloom(0.6f, {6, 26, 110}, {0.5f, 0.4f, 0.4f});
  finish->exposure = 1.45f;
  finish->vignette = 0.5f;
}
