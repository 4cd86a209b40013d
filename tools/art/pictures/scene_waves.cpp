// scene_waves.cpp — picture 12: interference across a field of glyphs. A
// plain of glyphs seen from above the surface ripples with the waves of two
// sources; each glyph rises with the summed wave and shines with its
// interference, so bright and dark fringes sweep across the field to a
// hazy horizon. The sources themselves glow as pillars of light.
#include <algorithm>
#include <cmath>

#include "pictures/scene_kit.h"
#include "pictures/scenes.h"
#include "pictures/vec3.h"

namespace {

struct Source {
  float x, z, phase;
};

const Source kSources[] = {{-5.5f, 22.0f, 0.0f}, {6.0f, 30.0f, 1.3f}};
constexpr float kWaveK = 2.2f;  // radians per unit of distance

// Summed wave of the sources at (x, z): height and interference light 0..1.
void Wave(float x, float z, float* height, float* light) {
  float sum = 0, amp = 0;
  for (const Source& s : kSources) {
    float r = std::hypot(x - s.x, z - s.z);
    float a = 1.0f / std::sqrt(r * 0.25f + 1.0f);
    sum += a * std::cos(kWaveK * r - s.phase);
    amp += a;
  }
  *height = 0.22f * sum;
  *light = (sum / amp) * (sum / amp);
}

}  // namespace

void PaintWaveField(Canvas& c, const GlyphAtlas& atlas, FinishParams* finish) {
  const int W = c.W(), H = c.H();
  const float f = H * 0.95f, cx = W * 0.5f, cy = H * 0.5f;
  const Vec3 eye{0.0f, 6.5f, 0.0f};
  const float pitch = 0.3f;  // looking down
  auto project = [&](Vec3 p, float* sx, float* sy) {
    Vec3 q = RotateX(p - eye, -pitch);
    if (q.z <= 0.1f) return -1.0f;
    *sx = cx + f * q.x / q.z;
    *sy = cy - f * q.y / q.z;
    return q.z;
  };

  // Sky glow at the horizon.
  float hx = 0, horizonY = 0;
  project({0, 0, 4000.0f}, &hx, &horizonY);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float d = std::fabs(y - horizonY) / (H * (y > horizonY ? 0.13f : 0.07f));
      c.At(x, y) = kDeep * (0.015f + 0.22f * std::exp(-d) + 0.05f * std::exp(-d * 0.2f));
    }
  DrawRainField(c, atlas, 14.0f, 0.8f, 0.14f, 0.0f, horizonY, 1201u,
                [&](float y) { return 0.3f + 0.7f * y / std::max(1.0f, horizonY); });

  // The field: rows of glyphs from far to near, each lifted by the wave.
  const float spacingX = 0.26f, spacingZ = 0.38f;
  for (int row = 560; row >= 0; --row) {
    float z = 3.0f + row * spacingZ;
    float fog = std::exp(-z / 90.0f);
    int reach = static_cast<int>((z * 0.9f + 6.0f) / spacingX);
    for (int col = -reach; col <= reach; ++col) {
      float x = col * spacingX + ((row & 1) ? spacingX * 0.5f : 0.0f);
      float h, light;
      Wave(x, z, &h, &light);
      float sx = 0, sy = 0;
      float depth = project({x, h, z}, &sx, &sy);
      if (depth < 0 || sx < -40 || sx > W + 40 || sy < -40 || sy > H + 40) continue;
      float size = f * 0.27f / depth;
      float crest = SmoothStep(0.55f, 1.0f, light);
      float b = (0.03f + 1.3f * std::pow(light, 2.5f)) * (0.85f + 0.3f * HashF(col, row, 1202));
      Rgb colour = crest > 0.6f && HashF(col, row, 1203) < 0.25f ? kLead * 1.4f : kBody;
      Rgb lit = colour * (b * fog);
      atlas.Draw(c, atlas.Pick(Hash3(col, row, 1204)), sx, sy, size, lit);
    }
  }

  // Each source: a pillar of light rising out of the field.
  for (const Source& s : kSources) {
    float bx = 0, by = 0, tx = 0, ty = 0;
    float d0 = project({s.x, 0.3f, s.z}, &bx, &by);
    project({s.x, 9.0f, s.z}, &tx, &ty);
    if (d0 < 0) continue;
    float width = f * 0.25f / d0;
    for (int y = std::max(0, static_cast<int>(ty)); y < std::min(H, static_cast<int>(by)); ++y) {
      float t = (y - ty) / (by - ty);
      for (int dx = -static_cast<int>(width * 3); dx <= static_cast<int>(width * 3); ++dx) {
        float k = std::exp(-(dx * dx) / (2 * width * width)) * (0.1f + 0.9f * t * t);
        c.Add(static_cast<int>(bx) + dx, y, kBody * (0.35f * k));
      }
    }
    c.AddSpot(bx, by, width * 1.2f, kWhite * 3.0f);
    c.AddSpot(bx, by, width * 5.0f, kLead * 0.35f);
  }

  c.Bloom(0.5f, {5, 22, 90}, {0.5f, 0.4f, 0.35f});
  finish->exposure = 1.55f;
  finish->vignette = 0.5f;
}
