// scene_eye.cpp — picture 10: an eye made of code. Concentric rings of
// radially turned glyphs form the iris, its fibres traced by brightness
// around a black pupil with a cyan glint; a dim glyph sclera, lids edged
// with rows of glyphs, lashes of short streams, and faint echo rings
// spreading around it.
#include <algorithm>
#include <cmath>

#include "art_common.h"
#include "pictures/scene_kit.h"
#include "pictures/scenes.h"

namespace {

constexpr float kTwoPi = 6.2831853f;

struct EyeShape {
  float cx, cy, halfLen, upper, lower;
  // Lid heights above and below the centre line at horizontal offset dx.
  float Top(float dx) const {
    float t = std::clamp(1.0f - (dx / halfLen) * (dx / halfLen), 0.0f, 1.0f);
    return cy - upper * std::pow(t, 0.8f);
  }
  float Bottom(float dx) const {
    float t = std::clamp(1.0f - (dx / halfLen) * (dx / halfLen), 0.0f, 1.0f);
    return cy + lower * std::pow(t, 0.9f);
  }
  // Signed distance-like openness: > 0 inside the almond.
  float Inside(float x, float y) const {
    float dx = x - cx;
    if (std::fabs(dx) >= halfLen) return -1;
    return std::min(y - Top(dx), Bottom(dx) - y);
  }
};

}  // namespace

void PaintCodeEye(Canvas& c, const GlyphAtlas& atlas, FinishParams* finish) {
  const int W = c.W(), H = c.H();
  const EyeShape eye{W * 0.5f, H * 0.52f, W * 0.4f, H * 0.25f, H * 0.19f};
  const float irisR = H * 0.215f, pupilR = irisR * 0.36f;
  const float icx = eye.cx + W * 0.01f, icy = eye.cy - H * 0.015f;

  // Echo rings around the eye: faint concentric circles of small glyphs.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) c.At(x, y) = kDeep * 0.012f;
  for (int ring = 0; ring < 9; ++ring) {
    float r = irisR * (1.9f + ring * 0.55f);
    float h = 11.0f + ring * 1.5f;
    int n = static_cast<int>(kTwoPi * r / (h * 0.8f));
    float fade = 0.22f * std::exp(-ring / 4.0f);
    for (int i = 0; i < n; ++i) {
      float a = kTwoPi * i / n + ring * 0.37f;
      float x = icx + r * std::cos(a), y = icy + r * std::sin(a);
      if (eye.Inside(x, y) > -h) continue;
      float sweep = 0.3f + 0.7f * std::pow(0.5f + 0.5f * std::cos(a * 3.0f + ring), 4.0f);
      atlas.DrawRotated(c, atlas.Pick(Hash3(ring, i, 1001)), x, y, h, a + kTwoPi * 0.25f, kBody * (fade * sweep));
    }
  }

  // Sclera: a dim glyph grid shaded like a ball, darker into the corners.
  const float gh = 15.0f, gw = gh * 0.62f;
  for (int row = 0; row * gh < H; ++row)
    for (int col = 0; col * gw < W; ++col) {
      float x = (col + 0.5f) * gw, y = (row + 0.5f) * gh;
      float in = eye.Inside(x, y);
      if (in <= 0) continue;
      float dx = (x - icx) / eye.halfLen, dy = (y - icy) / (eye.upper * 1.5f);
      float ball = std::sqrt(std::max(0.0f, 1.0f - dx * dx - dy * dy));
      if (std::hypot(x - icx, y - icy) < irisR + gh * 0.4f) continue;
      float lid = SmoothStep(0.0f, H * 0.05f, in);  // shadow under the lids
      float light = (0.04f + 0.3f * ball * ball) * (0.3f + 0.7f * lid) * (0.6f + 0.8f * HashF(col, row, 1002));
      atlas.Draw(c, atlas.Pick(Hash3(col, row, 1003)), x, y, gh, kBody * light);
    }

  // Iris: rings of glyphs turned outwards, fibres of light running radially.
  Canvas iris(c.OutW(), c.OutH(), 2);
  int ring = 0;
  for (float r = pupilR + 6; r < irisR; ++ring) {
    float h = 9.0f + 0.09f * r;
    int n = static_cast<int>(kTwoPi * r / (h * 0.66f));
    float t = (r - pupilR) / (irisR - pupilR);
    // Bright collarette near the pupil, dark limbal ring at the rim.
    float radial = 0.6f + 1.4f * std::exp(-std::pow((t - 0.22f) / 0.14f, 2.0f)) - 0.5f * SmoothStep(0.75f, 1.0f, t);
    for (int i = 0; i < n; ++i) {
      float a = kTwoPi * (i + 0.5f * (ring & 1)) / n;
      float fibre = Fbm(a * 9.0f, t * 1.5f, 1004, 4);
      fibre = std::pow(fibre, 2.2f) * 3.0f;
      float light = radial * (0.25f + fibre) * (0.7f + 0.6f * HashF(ring, i, 1005));
      float x = icx + r * std::cos(a), y = icy + r * std::sin(a);
      Rgb colour = fibre * radial > 1.6f ? kLead * 1.2f : kBody;
      atlas.DrawRotated(iris, atlas.Pick(Hash3(ring, i, 1006)), x, y, h, a + kTwoPi * 0.25f, colour * light);
    }
    r += h * 0.92f;
  }
  // The iris and pupil are cut by the lids; the pupil stays black.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float in = eye.Inside(x + 0.5f, y + 0.5f);
      float d = std::hypot(x + 0.5f - icx, y + 0.5f - icy);
      if (in <= 0 || d > irisR + 4) continue;
      float lid = SmoothStep(0.0f, H * 0.04f, in);
      float pupil = SmoothStep(pupilR - 2, pupilR + 3, d);
      float rim = SmoothStep(irisR + 4, irisR - 4, d);
      c.At(x, y) = c.At(x, y) * (1 - rim) + (iris.At(x, y) * pupil + kDeep * (0.03f * pupil)) * (rim * (0.25f + 0.75f * lid));
    }

  // Lid edges: a row of glyphs along each lid, and lashes of short streams.
  for (int lidSide = 0; lidSide < 2; ++lidSide) {
    int n = 80;
    for (int i = 0; i <= n; ++i) {
      float dx = (static_cast<float>(i) / n * 2 - 1) * eye.halfLen * 0.98f;
      float y = lidSide == 0 ? eye.Top(dx) : eye.Bottom(dx);
      float ahead = lidSide == 0 ? eye.Top(dx + 2) : eye.Bottom(dx + 2);
      float slope = std::atan2(ahead - y, 2.0f);
      float edge = std::pow(1.0f - std::fabs(dx) / eye.halfLen, 0.5f);
      atlas.DrawRotated(c, atlas.Pick(Hash3(lidSide, i, 1007)), eye.cx + dx, y, 16, slope, kBody * (0.6f * edge));
      if (lidSide == 0 && i % 2 == 0 && std::fabs(dx) < eye.halfLen * 0.85f) {
        // A lash: a stream of small glyphs curling up and out from the lid.
        float out = dx / eye.halfLen;
        float len = 6 + 5 * HashF(i, 1, 1008);
        for (int k = 1; k < static_cast<int>(len); ++k) {
          float s = k / len;
          float lx = eye.cx + dx + out * 60 * s + out * 40 * s * s;
          float ly = y - 14 * k + 20 * s * s;
          float b = StreamFalloff(len - k, len) * 0.7f * edge;
          atlas.DrawRotated(c, atlas.Pick(Hash3(i, k, 1009)), lx, ly, 12, out * 0.6f * s, kBody * b);
        }
      }
    }
  }

  // The glint on the cornea and a soft reflection of light across it.
  c.AddSpot(icx - irisR * 0.38f, icy - irisR * 0.42f, 7, kWhite * 5.0f);
  c.AddSpot(icx - irisR * 0.38f, icy - irisR * 0.42f, 22, kCyan * 0.6f);
  c.AddSpot(icx + irisR * 0.3f, icy + irisR * 0.35f, 4, kCyan * 1.2f);

  c.Bloom(0.5f, {5, 20, 80}, {0.5f, 0.4f, 0.3f});
  finish->exposure = 1.6f;
  finish->vignette = 0.55f;
}
