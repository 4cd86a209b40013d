// scene_vortex.cpp — picture 6: a vortex of symbols. Rings of glyphs, turned
// to follow the swirl, grow outwards from a blinding core; spiral arms of
// brighter glyphs wind into it, each glyph trailing a short smear of its
// turning, and the nearest outer glyphs fall out of focus.
#include <algorithm>
#include <cmath>

#include "pictures/scene_kit.h"
#include "pictures/scenes.h"

namespace {

constexpr float kTwoPi = 6.2831853f;

}  // namespace

void PaintSymbolVortex(Canvas& c, const GlyphAtlas& atlas, FinishParams* finish) {
  const int W = c.W(), H = c.H();
  const float cx = W * 0.53f, cy = H * 0.47f;
  const float twist = 1.35f;  // how tightly the arms wind
  const int arms = 5;
  const float maxR = std::hypot(static_cast<float>(W), static_cast<float>(H)) * 0.62f;

  // A deep glow around the core.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float r = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / H;
      c.At(x, y) = kDeep * (0.25f * std::exp(-r / 0.07f) + 0.05f * std::exp(-r / 0.35f));
    }

  Canvas soft(c.OutW(), c.OutH(), 2);
  int ring = 0;
  for (float r = 14.0f; r < maxR; ++ring) {
    float h = 0.13f * r + 3.0f;
    int n = std::max(6, static_cast<int>(kTwoPi * r / (h * 0.72f)));
    float ringOffset = HashF(ring, 0, 601) * kTwoPi;
    float lnr = std::log(r);
    // Light falls off away from the core; the inner rings burn brightest.
    float glow = 0.25f + 2.4f * std::exp(-r / (H * 0.09f));
    bool outer = r > H * 0.55f;
    for (int i = 0; i < n; ++i) {
      float theta = ringOffset + kTwoPi * i / n;
      float armPhase = std::fmod(((theta - twist * lnr) * arms / kTwoPi) + 1000.0f, 1.0f);
      float arm = std::exp(-std::pow((armPhase - 0.5f) / 0.16f, 2.0f));
      // Streams run inwards along the arms.
      float along = lnr * 7.0f + HashF(ring, i, 602) * 0.5f;
      float stream = 0.4f + 0.6f * std::pow(std::fmod(along + 10 * arm, 1.0f), 3.0f);
      float light = glow * (0.035f + 1.0f * arm * stream) * (0.6f + 0.8f * HashF(ring, i, 603));
      float angle = theta - kTwoPi * 0.25f - 0.35f;  // tops lean into the swirl
      int id = atlas.Pick(Hash3(ring, i, 604));
      Rgb colour = arm * stream > 0.75f ? kLead * 1.5f : kBody;
      Canvas& target = outer ? soft : c;
      // The glyph and its smear behind the turning direction.
      for (int k = 0; k < 5; ++k) {
        float back = theta - k * (h * 0.22f) / r;
        float px = cx + r * std::cos(back), py = cy + r * std::sin(back);
        if (px < -h || py < -h || px > W + h || py > H + h) continue;
        float fade = k == 0 ? 1.0f : 0.32f * std::pow(0.6f, static_cast<float>(k - 1));
        atlas.DrawRotated(target, id, px, py, h, angle - k * (h * 0.22f) / r, colour * (light * fade));
      }
    }
    r *= 1.0f + 0.13f * 0.78f;
  }
  soft.Blur(4);
  c.AddCanvas(soft, 1.0f);

  // The core: a white point inside a mint halo.
  c.AddSpot(cx, cy, 6, kWhite * 12.0f);
  c.AddSpot(cx, cy, 22, kLead * 2.0f);
  c.AddSpot(cx, cy, 70, kBody * 0.5f);

  c.Bloom(0.55f, {6, 24, 100}, {0.5f, 0.4f, 0.35f});
  finish->exposure = 1.5f;
  finish->vignette = 0.5f;
}
