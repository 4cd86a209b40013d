// scene_horizon.cpp — picture 7: an endless grid floor running to a glowing
// horizon, a ridge of glyph-textured hills against the glow, and a sky of
// falling code above. Pulses race along the floor's lines to the horizon;
// the polished floor mirrors the glow. Grid lines are filtered by their
// pixel footprint so they melt into an even sheen instead of shimmering.
#include <algorithm>
#include <cmath>

#include "pictures/scene_kit.h"
#include "pictures/scenes.h"

namespace {

// Share of a pixel covered by lines of half-width hw on a unit grid, for a
// pixel footprint `foot`; the far field converges to the mean coverage.
float GridCoverage(float x, float hw, float foot) {
  float fx = x - std::floor(x);
  float d = std::min(fx, 1.0f - fx);
  float reach = hw + foot * 0.5f;
  float cover = std::clamp((reach - d) / std::max(foot, 1e-4f), 0.0f, 1.0f);
  float mean = 2 * hw;
  float blend = std::clamp(foot / 0.5f, 0.0f, 1.0f);
  return cover * (1 - blend) * std::min(1.0f, 2 * hw / std::max(foot, 1e-4f)) + mean * blend;
}

}  // namespace

void PaintHorizonGrid(Canvas& c, const GlyphAtlas& atlas, FinishParams* finish) {
  const int W = c.W(), H = c.H();
  const float cx = W * 0.5f, cy = H * 0.57f, f = H * 0.9f, camH = 1.0f;
  const float glowW = W * 0.22f;

  // Horizon glow, as seen in the sky and mirrored in the floor.
  auto glow = [&](float x, float y) {
    float dx = (x - cx) / glowW, dy = (y - cy) / (H * 0.07f);
    float core = std::exp(-(dx * dx * 0.6f + dy * dy));
    float wide = std::exp(-std::fabs(y - cy) / (H * 0.18f)) * (0.35f + 0.65f * std::exp(-dx * dx * 0.15f));
    return kBody * (1.4f * core + 0.14f * wide) + kLead * (1.3f * core * core);
  };

  // Sky: the glow and falling code that fades into it.
  for (int y = 0; y < static_cast<int>(cy) + 1; ++y)
    for (int x = 0; x < W; ++x) c.At(x, y) = glow(x + 0.5f, y + 0.5f) + kDeep * 0.01f;
  DrawRainField(c, atlas, 17.0f, 1.1f, 0.5f, 0.0f, cy, 701u,
                [&](float y) { return 0.35f + 0.65f * SmoothStep(0.0f, cy * 0.7f, y) * (1.0f - SmoothStep(cy * 0.8f, cy, y)); });

  // Hills on the horizon: a noisy ridge filled with dim glyphs, lit along its crest.
  const float cellH = 9.0f, cellW = cellH * 0.62f;
  for (int x = 0; x < W; ++x) {
    float u = static_cast<float>(x) / W;
    float ridge = Fbm(u * 5.0f, 0.5f, 702, 5);
    float valley = 1.0f - 0.75f * std::exp(-std::pow((u - 0.5f) / 0.13f, 2.0f));
    float top = cy - H * (0.015f + 0.3f * ridge * ridge * ridge * valley);
    for (int y = static_cast<int>(top); y <= static_cast<int>(cy); ++y) {
      if (y < 0) continue;
      int col = static_cast<int>(x / cellW), row = static_cast<int>((cy - y) / cellH);
      float lu = x / cellW - col, lv = 1.0f - ((cy - y) / cellH - row);
      float cover = atlas.Sample(atlas.Pick(Hash3(col, row, 703)), lu, lv, 1.0f / cellH);
      float depthFade = 0.4f + 0.6f * (cy - y) / (cy - top + 1);
      float lit = HashF(col, row, 704) < 0.15f ? 0.55f : 0.16f;
      Rgb back = glow(x + 0.5f, y + 0.5f) * 0.12f;
      c.At(x, y) = back + kBody * (cover * lit * depthFade) + kDeep * 0.015f;
    }
    float rim = top;
    c.AddSub(x + 0.5f, rim, kBody * 0.8f);
    c.AddSub(x + 0.5f, rim + 1.0f, kBody * 0.3f);
  }

  // The floor.
  for (int y = static_cast<int>(cy) + 1; y < H; ++y) {
    float z = f * camH / (y + 0.5f - cy);
    float footZ = z * z / (f * camH);  // world depth covered by one pixel row
    float footX = z / f;
    for (int x = 0; x < W; ++x) {
      float wx = (x + 0.5f - cx) * z / f;
      float lx = GridCoverage(wx * 2.0f, 0.03f, footX * 2.0f), lz = GridCoverage(z, 0.015f, footZ);
      // Pulses run away from the viewer along some of the depth lines.
      int line = static_cast<int>(std::floor(wx * 2.0f + 0.5f));
      float pulse = 0;
      bool head = false;
      if (HashF(line, 1, 705) < 0.5f) {
        float len = 6 + 14 * HashF(line, 2, 705);
        float headZ = 4 + std::pow(HashF(line, 3, 705), 1.5f) * 40;
        float ahead = z - headZ;  // the head leads, the tail trails towards the viewer
        pulse = StreamFalloff(-ahead, len);
        head = ahead <= 0 && ahead > -0.8f;
      }
      float fade = std::exp(-z / 70.0f);
      float near = 0.25f + 0.75f * fade;
      Rgb col = kBody * (0.45f * std::max(lx, lz * 0.8f) * near);
      Rgb pulseCol = head ? kLead * 4.0f : kBody * (4.0f * pulse);
      col += pulseCol * (lx * (0.4f + 0.6f * fade));
      // Gloss: the horizon glow mirrored and smeared by the floor.
      Rgb mirror = glow(x + 0.5f, 2 * cy - (y + 0.5f)) * (0.35f * (0.5f + 0.5f * Fbm(wx * 0.3f, z * 2.0f, 706, 2)));
      c.At(x, y) = col + mirror + kDeep * 0.01f;
    }
  }

  c.Bloom(0.5f, {5, 22, 90}, {0.5f, 0.4f, 0.4f});
  finish->exposure = 1.55f;
  finish->vignette = 0.45f;
}
