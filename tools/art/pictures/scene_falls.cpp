// scene_falls.cpp — picture 8: a river of glyphs flowing across a plateau to
// its edge and pouring over as a curtain of falling characters that speed
// up as they drop, into glowing mist and a spray of loose glyphs, between
// dark cliffs faintly written with code.
#include <algorithm>
#include <cmath>

#include "art_common.h"
#include "pictures/scene_kit.h"
#include "pictures/scenes.h"

void PaintGlyphFalls(Canvas& c, const GlyphAtlas& atlas, FinishParams* finish) {
  const int W = c.W(), H = c.H();
  const float horizon = H * 0.17f, lip = H * 0.4f, pool = H * 0.93f;
  const float mid = W * 0.5f;
  const float lipHalf = W * 0.2f;        // half width of the fall at the lip
  const float farHalf = W * 0.035f;      // half width of the river at the horizon
  auto riverHalf = [&](float y) {        // the river narrows into the distance
    float t = std::clamp((y - horizon) / (lip - horizon), 0.0f, 1.0f);
    return farHalf + (lipHalf - farHalf) * t * t;
  };
  auto riverMid = [&](float y) {         // and bends a little on its way
    float t = std::clamp((y - horizon) / (lip - horizon), 0.0f, 1.0f);
    return mid + W * 0.06f * (1 - t) * (1 - t) * std::sin(3.0f * t + 0.5f);
  };

  // Sky and plateau: a dim glow on the horizon, dark land, code in the sky.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float d = std::fabs(y - horizon) / (H * 0.06f);
      c.At(x, y) = kDeep * (0.02f + 0.2f * std::exp(-d));
    }
  DrawRainField(c, atlas, 14.0f, 0.9f, 0.16f, 0.0f, horizon, 801u,
                [&](float y) { return 0.4f + 0.6f * (y / horizon); });

  // The river: a perspective sheet of glyph cells flowing towards the lip.
  for (int y = static_cast<int>(horizon) + 1; y < static_cast<int>(lip); ++y) {
    float depth = (lip - horizon) / (y + 0.5f - horizon + 1.0f);  // 1 at the lip, growing away
    float half = riverHalf(y + 0.5f), centre = riverMid(y + 0.5f);
    float cellH = 20.0f / depth, cellW = half * 2 / 28.0f;
    float v = (lip - y) * depth / 20.0f;  // rows counted back from the lip
    for (int x = static_cast<int>(centre - half - 40); x <= static_cast<int>(centre + half + 40); ++x) {
      if (x < 0 || x >= W) continue;
      float across = (x + 0.5f - (centre - half)) / (2 * half);
      float bank = std::min(across, 1.0f - across) * 2 * half;
      float fog = std::exp(-(depth - 1) / 9.0f);
      if (across < 0 || across > 1) {
        // The banks: dark ground lit by the river's edge.
        float edge = std::exp(-std::fabs(bank) / (8.0f + 4.0f / depth));
        c.At(x, y) += kBody * (0.15f * edge * fog);
        continue;
      }
      float u = across * 28.0f;
      int col = static_cast<int>(u), row = static_cast<int>(v);
      bool head;
      float light = RainCellLight(810, col, -row, 40.0f, 0.5f, 0.12f, &head);
      float cover = atlas.Sample(atlas.Pick(Hash3(col, row, 811)), u - col, 1.0f - (v - row), 1.0f / std::min(cellH, cellW * 1.5f));
      float shore = SmoothStep(0.0f, 0.06f, std::min(across, 1 - across));
      Rgb glyph = head ? kLead * 1.6f : kBody;
      c.At(x, y) = c.At(x, y) * 0.3f + (glyph * (light * cover * 1.2f) + kDeep * 0.08f) * (fog * shore) +
                   kDeep * (0.15f * (1 - fog));
    }
  }

  // Cliffs either side of the fall: dark rock written with faint static code.
  const float cellH = 18.0f, cellW = cellH * 0.62f;
  for (int y = static_cast<int>(lip); y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float t = (y - lip) / (H - lip);
      float half = lipHalf * (1.0f + 0.4f * t) + W * 0.01f * std::sin(y * 0.011f) * t;
      float out = std::fabs(x + 0.5f - mid) - half;
      if (out < 0) {
        c.At(x, y) = kDeep * (0.02f + 0.05f * t);  // the hollow behind the curtain
        continue;
      }
      int col = static_cast<int>(x / cellW), row = static_cast<int>(y / cellH);
      float cover = atlas.Sample(atlas.Pick(Hash3(col, row, 820)), x / cellW - col, y / cellH - row, 1.0f / cellH);
      float rock = 0.4f + 0.6f * Fbm(x * 0.004f, y * 0.01f, 821, 4);
      float lit = std::exp(-out / (W * 0.12f));  // the fall lights the rock near it
      float stone = HashF(col, row, 822) < 0.12f ? 0.35f : 0.1f;
      float rim = std::exp(-out / 10.0f);  // the cliff edge beside the fall
      c.At(x, y) = kBody * (cover * stone * rock * (0.4f + 1.6f * lit) + 0.12f * rim) +
                   kDeep * (0.02f + 0.08f * lit * rock);
    }

  // The curtain: columns of glyphs leave the lip and accelerate downwards.
  Canvas back(c.OutW(), c.OutH(), 2);
  const float gh = 22.0f, gw = gh * 0.62f;
  for (int layer = 0; layer < 3; ++layer) {
    float inset = layer * gw * 0.33f;
    int columns = static_cast<int>(2 * lipHalf / gw);
    float light = layer == 2 ? 1.0f : layer == 1 ? 0.55f : 0.3f;
    for (int col = 0; col < columns; ++col) {
      float x0 = mid - lipHalf + (col + 0.5f) * gw + inset;
      float outward = (x0 - mid) / lipHalf;  // columns spread as they fall
      float len = 10 + 16 * HashF(col, layer, 830);
      float headIdx = HashF(col, layer, 831) * 40;
      float head2 = headIdx - 22 - 20 * HashF(col, layer, 834);
      float phase = HashF(col, layer, 835), speed = 0.85f + 0.3f * HashF(col, layer, 836);
      for (int k = 0; k < 70; ++k) {
        float t = (k + phase) * 0.55f * speed;
        float y = lip + gh * (0.75f * t + 0.06f * t * t);
        if (y > pool + gh) break;
        float x = x0 + outward * lipHalf * 0.36f * (y - lip) / (pool - lip) + std::sin(y * 0.015f + col * 1.7f) * 3.0f;
        float behind = headIdx - k, behind2 = head2 - k;
        float b = 0.05f + std::max(StreamFalloff(behind, len), StreamFalloff(behind2, len * 0.8f));
        bool head = (behind >= 0 && behind < 1) || (behind2 >= 0 && behind2 < 1);
        // The glyphs stretch a little as they gather speed.
        float size = gh * (1.0f + 0.012f * t);
        Rgb colour = head ? kLead * 1.8f : kBody;
        atlas.Draw(layer == 0 ? back : c, atlas.Pick(Hash3(col * 3 + layer, k, 832)), x, y, size,
                   colour * (b * light * (0.7f + 0.5f * HashF(col, k, 833))));
      }
    }
  }
  back.Blur(2);
  c.AddCanvas(back, 1.0f);
  // The lip itself catches the light.
  for (int x = static_cast<int>(mid - lipHalf); x < mid + lipHalf; ++x)
    c.AddSpot(x + 0.5f, lip + 2, 3.0f, kBody * (0.05f + 0.06f * Fbm(x * 0.05f, 0.0f, 837, 2)));

  // Mist where the fall lands, and a spray of loose glyphs thrown up.
  for (int y = static_cast<int>(lip + (pool - lip) * 0.5f); y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float dx = (x - mid) / (lipHalf * 1.6f), dy = (y - pool) / (H * 0.09f);
      float cloud = std::exp(-(dx * dx + dy * dy)) * (0.5f + 0.8f * Fbm(x * 0.006f, y * 0.012f, 840, 5));
      c.At(x, y) += kBody * (0.75f * cloud) + kLead * (0.25f * cloud * cloud);
    }
  ArtRandom rng(841);
  for (int i = 0; i < 260; ++i) {
    float a = static_cast<float>(rng.Uniform(-3.0, 0.0));
    float r = static_cast<float>(std::pow(rng.Uniform(), 0.7) * lipHalf * 1.5);
    float x = mid + std::cos(a) * r * 1.3f, y = pool + std::sin(a) * r * 0.45f + 10;
    float size = static_cast<float>(rng.Uniform(8, 20));
    float b = static_cast<float>(rng.Uniform(0.2, 1.0)) * std::exp(-r / (lipHalf * 0.9f));
    atlas.DrawRotated(c, atlas.Random(rng), x, y, size, static_cast<float>(rng.Uniform(-1.0, 1.0)), kBody * (1.2f * b));
  }

  c.Bloom(0.5f, {5, 22, 90}, {0.5f, 0.4f, 0.35f});
  finish->exposure = 1.6f;
  finish->vignette = 0.5f;
}
