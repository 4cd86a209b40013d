// scene_tree.cpp — picture 9: a tree of light whose twigs end in glyphs. The
// branches grow recursively from a glowing trunk, brightening towards the
// tips where clusters of glyphs hang like leaves; a few glyphs drift down,
// roots spread into a dark mirror of ground that reflects the crown.
#include <algorithm>
#include <cmath>

#include "art_common.h"
#include "pictures/scene_kit.h"
#include "pictures/scenes.h"

namespace {

struct TreeBrush {
  Canvas* canvas;
  const GlyphAtlas* atlas;
  ArtRandom* rng;
  float unit;  // work pixels per tree unit
};

// One branch from (x, y) at `angle` (0 = straight up), then its children.
void Grow(TreeBrush& b, float x, float y, float angle, float length, float width, int depth, int maxDepth) {
  // A gently curving limb drawn as short segments.
  const int steps = 8;
  float bend = static_cast<float>(b.rng->Uniform(-0.25, 0.25));
  float px = x, py = y, a = angle;
  float level = static_cast<float>(depth) / maxDepth;
  for (int s = 0; s < steps; ++s) {
    a += bend / steps;
    float nx = px + std::sin(a) * length / steps, ny = py - std::cos(a) * length / steps;
    float w = width * (1.0f - 0.25f * s / steps);
    Rgb col = kBody * (0.25f + 0.9f * level * level);
    b.canvas->AddLine(px, py, nx, ny, w, col * (w < 1.0f ? 1.0f : 0.7f), true);
    // A brighter core along the thicker limbs.
    if (w > 2.5f) b.canvas->AddLine(px, py, nx, ny, w * 0.3f, col * 1.3f, true);
    px = nx;
    py = ny;
  }
  if (depth >= maxDepth || length < 4.0f) {
    // Leaves: a small cluster of glyphs around the twig's end.
    int n = 1 + static_cast<int>(b.rng->Below(3));
    for (int i = 0; i < n; ++i) {
      float gx = px + static_cast<float>(b.rng->Uniform(-1.5, 1.5)) * b.unit;
      float gy = py + static_cast<float>(b.rng->Uniform(-1.5, 1.0)) * b.unit;
      float size = static_cast<float>(b.rng->Uniform(2.2, 3.6)) * b.unit;
      bool head = b.rng->Uniform() < 0.1;
      float light = static_cast<float>(b.rng->Uniform(0.25, 0.85));
      b.atlas->DrawRotated(*b.canvas, b.atlas->Random(*b.rng), gx, gy, size,
                           static_cast<float>(b.rng->Uniform(-0.4, 0.4)), (head ? kLead * 1.8f : kBody) * light);
    }
    return;
  }
  int children = b.rng->Uniform() < 0.3 ? 3 : 2;
  float spread = static_cast<float>(b.rng->Uniform(0.35, 0.6));
  for (int i = 0; i < children; ++i) {
    float t = children == 1 ? 0.0f : (static_cast<float>(i) / (children - 1) - 0.5f) * 2.0f;
    float childAngle = a + t * spread + static_cast<float>(b.rng->Uniform(-0.12, 0.12));
    // Limbs lean slightly upwards again, as trees reach for light.
    childAngle *= 0.92f;
    float childLen = length * static_cast<float>(b.rng->Uniform(0.68, 0.82));
    Grow(b, px, py, childAngle, childLen, width * 0.68f, depth + 1, maxDepth);
  }
}

}  // namespace

void PaintGlyphTree(Canvas& c, const GlyphAtlas& atlas, FinishParams* finish) {
  const int W = c.W(), H = c.H();
  const float ground = H * 0.8f, baseX = W * 0.5f;

  // Sky: a glow behind the crown, faint code falling far away.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float dx = (x - baseX) / (W * 0.3f), dy = (y - H * 0.4f) / (H * 0.3f);
      float halo = std::exp(-(dx * dx + dy * dy));
      float horizon = std::exp(-std::fabs(y - ground) / (H * 0.04f));
      c.At(x, y) = kDeep * (0.02f + 0.22f * halo + 0.25f * horizon);
    }
  DrawRainField(c, atlas, 13.0f, 0.9f, 0.12f, 0.0f, ground, 901u, [&](float y) { return 0.5f + 0.5f * y / ground; });

  // The tree, painted in its own layer so the ground can mirror it.
  Canvas tree(c.OutW(), c.OutH(), 2);
  ArtRandom rng(909);
  TreeBrush brush{&tree, &atlas, &rng, H / 200.0f};
  const float trunk = H * 0.165f;
  Grow(brush, baseX, ground, 0.0f, trunk, H * 0.028f, 0, 8);
  // Roots: short glowing lines spreading over the ground.
  for (int i = 0; i < 14; ++i) {
    float a = static_cast<float>(rng.Uniform(-1.0, 1.0));
    float len = static_cast<float>(rng.Uniform(0.15, 0.42)) * W;
    float x = baseX, y = ground;
    for (int s = 0; s < 12; ++s) {
      float nx = x + a * len / 12 + static_cast<float>(rng.Uniform(-4, 4));
      float ny = y + len / 12 * 0.12f * (1.0f - std::fabs(a)) + static_cast<float>(rng.Uniform(-1, 1.5));
      float w = 6.0f * (1.0f - s / 12.0f) + 1.0f;
      tree.AddLine(x, y, nx, ny, w, kBody * (0.35f * (1.0f - s / 14.0f)));
      x = nx;
      y = ny;
    }
  }
  // Glyphs falling from the crown like leaves.
  for (int i = 0; i < 70; ++i) {
    float x = baseX + static_cast<float>(rng.Gaussian()) * W * 0.16f;
    float y = H * 0.35f + static_cast<float>(rng.Uniform()) * (ground - H * 0.35f);
    float size = static_cast<float>(rng.Uniform(1.3, 2.4)) * brush.unit;
    atlas.DrawRotated(tree, atlas.Random(rng), x, y, size, static_cast<float>(rng.Uniform(-1.2, 1.2)),
                      kBody * static_cast<float>(rng.Uniform(0.2, 0.7)));
  }
  c.AddCanvas(tree, 1.0f);

  // The ground mirrors the tree, darker and blurred by ripples.
  Canvas mirror(c.OutW(), c.OutH(), 2);
  for (int y = static_cast<int>(ground); y < H; ++y) {
    int src = static_cast<int>(2 * ground - y);
    if (src < 0) continue;
    for (int x = 0; x < W; ++x) {
      float ripple = std::sin(y * 0.35f + 3.0f * Fbm(x * 0.01f, y * 0.05f, 902, 2)) * 3.0f;
      int sx = std::clamp(static_cast<int>(x + ripple), 0, W - 1);
      mirror.At(x, y) = tree.At(sx, src) + c.At(sx, src) * 0.3f;
    }
  }
  mirror.Blur(2);
  for (int y = static_cast<int>(ground); y < H; ++y) {
    float fade = 0.35f * std::exp(-(y - ground) / (H * 0.15f));
    for (int x = 0; x < W; ++x) c.At(x, y) = c.At(x, y) * 0.4f + mirror.At(x, y) * fade;
  }
  // A pool of light where the trunk meets the ground.
  c.AddSpot(baseX, ground, 30, kBody * 0.5f);
  c.AddSpot(baseX, ground, 120, kBody * 0.08f);

  c.Bloom(0.45f, {5, 22, 90}, {0.55f, 0.4f, 0.35f});
  finish->exposure = 1.6f;
  finish->vignette = 0.45f;
}
