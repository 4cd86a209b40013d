// scene_globe.cpp — picture 4: a globe whose surface is a latitude/longitude
// grid of glyphs (bright over imaginary continents, dim over the seas), lit
// from one side, wrapped in tilted rings of glyphs that orbit it, with a
// glowing atmosphere and a sky of faint points.
#include <algorithm>
#include <cmath>
#include <vector>

#include "pictures/scene_kit.h"
#include "pictures/scenes.h"
#include "pictures/vec3.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr int kRows = 40;
constexpr int kCols = 120;

struct Camera {
  Vec3 eye;
  float f, cx, cy;
};

// Land where three crossed value-noise fields agree; 0 sea .. 1 inland.
float Land(Vec3 n) {
  float a = Fbm(n.x * 1.8f + 5.3f, n.y * 1.8f, 41, 4);
  float b = Fbm(n.y * 1.8f, n.z * 1.8f + 9.1f, 42, 4);
  float c = Fbm(n.z * 1.8f, n.x * 1.8f + 3.7f, 43, 4);
  return SmoothStep(0.5f, 0.56f, (a + b + c) / 3.0f);
}

// True if the segment from the eye to p passes through the unit sphere.
bool Hidden(const Camera& cam, Vec3 p) {
  Vec3 d = p - cam.eye;
  float len = Length(d);
  d = d * (1.0f / len);
  float b = Dot(cam.eye, d);
  float c = Dot(cam.eye, cam.eye) - 1.0f;
  float disc = b * b - c;
  if (disc <= 0) return false;
  float t = -b - std::sqrt(disc);
  return t > 0 && t < len;
}

}  // namespace

void PaintDataGlobe(Canvas& c, const GlyphAtlas& atlas, FinishParams* finish) {
  const int W = c.W(), H = c.H();
  const Camera cam{{0, 0, 4.3f}, H * 1.05f, W * 0.5f, H * 0.5f};
  const Vec3 sun = Normalize({-0.75f, 0.45f, 0.55f});
  const float tilt = 0.38f, spin = 2.4f;

  // Far sky: points of light and a dim wash of code at the edges.
  for (int i = 0; i < 900; ++i) {
    float x = HashF(i, 1, 401) * W, y = HashF(i, 2, 401) * H;
    float b = std::pow(HashF(i, 3, 401), 6.0f) * 1.6f + 0.03f;
    c.AddSpot(x, y, 0.9f, (HashF(i, 4, 401) < 0.2f ? kCyan : kBody) * b);
  }
  DrawRainField(c, atlas, 16.0f, 0.6f, 0.09f, 0.0f, static_cast<float>(H), 402u, [](float) { return 1.0f; });

  // The globe, traced per pixel.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      Vec3 d = Normalize({(x + 0.5f - cam.cx) / cam.f, -(y + 0.5f - cam.cy) / cam.f, -1.0f});
      float b = Dot(cam.eye, d);
      float cc = Dot(cam.eye, cam.eye) - 1.0f;
      float disc = b * b - cc;
      // Closest approach of the ray to the centre, for the atmosphere.
      float miss = std::sqrt(std::max(0.0f, Dot(cam.eye, cam.eye) - b * b));
      if (disc < 0) {
        float halo = std::exp(-(miss - 1.0f) / 0.035f) * 0.5f + std::exp(-(miss - 1.0f) / 0.22f) * 0.12f;
        Vec3 side = Normalize(cam.eye + d * (-b));
        float lit = 0.35f + 0.65f * std::max(0.0f, Dot(side, sun));
        c.At(x, y) += Mix(kBody, kCyan, 0.35f) * (halo * lit);
        continue;
      }
      float t = -b - std::sqrt(disc);
      Vec3 p = cam.eye + d * t;  // on the unit sphere: also the normal
      Vec3 q = RotateY(RotateZ(p, -tilt), spin);
      float lat = std::asin(std::clamp(q.y, -1.0f, 1.0f)), lon = std::atan2(q.x, q.z);
      float v = (kPi / 2 - lat) / kPi * kRows, u = (lon + kPi) / (2 * kPi) * kCols;
      int row = static_cast<int>(v), col = static_cast<int>(u);
      float land = Land(q);
      bool head;
      float light = RainCellLight(440 + (land > 0.5f ? 1 : 0), col, row, static_cast<float>(kRows), 0.7f * land,
                                  0.03f + 0.3f * land, &head);
      float facing = std::max(0.05f, -Dot(p, d));
      float pixelCells = t / cam.f * kRows / kPi;
      float footprint = pixelCells / std::sqrt(facing);
      float cover = atlas.Sample(atlas.Pick(Hash3(col, row, 441)), u - col, v - row, footprint);
      float diff = Dot(p, sun);
      float day = SmoothStep(-0.15f, 0.35f, diff);
      Rgb glyph = head ? kLead * 1.8f : kBody;
      Rgb surface = glyph * (light * cover * (0.3f + 1.6f * day)) + kDeep * (0.01f + 0.08f * day * (0.2f + land));
      // Sun glint on the seas and a rim of atmosphere.
      Vec3 h = Normalize(sun - d);
      float glint = std::pow(std::max(0.0f, Dot(p, h)), 180.0f) * (1.0f - land) * 0.7f;
      float rim = std::pow(1.0f - facing, 4.0f) * (0.15f + 0.85f * day);
      c.At(x, y) = surface + kLead * glint + Mix(kBody, kCyan, 0.4f) * (rim * 0.8f);
    }

  // Rings of data: streams of glyphs orbiting on tilted circles.
  struct Ring {
    float radius, tiltX, tiltZ, size, phase;
    int seed;
  };
  const Ring rings[] = {
      {1.42f, 1.25f, 0.32f, 0.095f, 0.0f, 1},
      {1.72f, 1.42f, -0.42f, 0.11f, 1.3f, 2},
      {2.08f, 1.05f, 0.12f, 0.085f, 2.1f, 3},
  };
  for (const Ring& r : rings) {
    int n = static_cast<int>(2 * kPi * r.radius / (r.size * 0.7f));
    float streamLen = 26;
    // The orbit itself as a faint thread.
    for (int i = 0; i < 4000; ++i) {
      float a = 2 * kPi * i / 4000;
      Vec3 p = RotateZ(RotateX({r.radius * std::cos(a), 0, r.radius * std::sin(a)}, r.tiltX), r.tiltZ);
      if (Hidden(cam, p)) continue;
      Vec3 q = p - cam.eye;
      c.AddSub(cam.cx + cam.f * q.x / -q.z, cam.cy - cam.f * q.y / -q.z, kBody * 0.25f);
    }
    for (int i = 0; i < n; ++i) {
      float a = 2 * kPi * i / n + r.phase;
      Vec3 p = RotateZ(RotateX({r.radius * std::cos(a), 0, r.radius * std::sin(a)}, r.tiltX), r.tiltZ);
      if (Hidden(cam, p)) continue;
      Vec3 q = p - cam.eye;
      float depth = -q.z;
      float sx = cam.cx + cam.f * q.x / depth, sy = cam.cy - cam.f * q.y / depth;
      // Streams chase each other around the ring.
      float period = streamLen * 1.5f;
      float pos = std::fmod(static_cast<float>(i) + 7.0f * r.seed, period);
      float behind = pos;  // cells behind the stream's head
      float b = std::max(StreamFalloff(behind, streamLen), 0.12f);
      bool head = behind < 1;
      float near = std::clamp((4.3f - depth) / 2.0f + 0.5f, 0.3f, 1.3f);
      Rgb colour = head ? kLead * 2.4f : kBody;
      atlas.Draw(c, atlas.Pick(Hash3(i, r.seed, 450)), sx, sy, cam.f * r.size / depth, colour * (b * near * 1.8f));
    }
  }

  c.Bloom(0.55f, {5, 22, 90}, {0.45f, 0.35f, 0.3f});
  finish->exposure = 1.6f;
  finish->vignette = 0.45f;
}
