// scene_city.cpp — picture 1: an avenue of glyph towers running to one tall
// tower with a beacon, wet street reflections, code falling in front.
// One-point perspective with the camera looking level down the avenue, so
// tower fronts are flat rectangles and sides are trapezoids; towers are
// painted far to near, each face shaded per pixel from its glyph cells.
#include <algorithm>
#include <cmath>
#include <vector>

#include "art_common.h"
#include "pictures/scene_kit.h"
#include "pictures/scenes.h"

namespace {

struct Tower {
  float x, z, w, d, h;  // centre x, centre z, width, depth, height
  int id;
  float bright;   // light of its glyphs
  float rain;     // share of columns with falling streams
  float cell = 1.5f;  // scale of its glyph cells
  float haze = 1.0f;  // scale of the fog between it and the camera
};

struct View {
  float cx, cy, f, camX, camY;
  float fogDist;
  float horizonGlow;  // height in pixels of the glow band at the horizon
  std::vector<float>* depth = nullptr;  // nearest tower depth per pixel
};

constexpr float kCellW = 1.2f, kCellH = 1.8f;

Rgb FogColour(const View& v, float sy) {
  float d = std::fabs(sy - v.cy) / v.horizonGlow;
  return kDeep * (0.01f + 0.55f * std::exp(-d) + 0.09f * std::exp(-d * 0.3f));
}

Rgb ShadeFacade(const Tower& t, const GlyphAtlas& atlas, int face, float u, float y, float footprint,
                float mirror) {
  if (u < 0 || y < 0 || y > t.h) return Rgb{};
  float fromTop = t.h - y;
  float cw = kCellW * t.cell, ch = kCellH * t.cell;
  int col = static_cast<int>(u / cw), row = static_cast<int>(fromTop / ch);
  float lu = u / cw - col, lv = fromTop / ch - row;
  footprint /= t.cell;
  bool head;
  float light = RainCellLight(t.id * 8 + face, col, row, t.h / ch, t.rain, 0.065f, &head) * t.bright;
  int id = atlas.Pick(Hash3(t.id * 8 + face, col, row));
  float cover = atlas.Sample(id, lu, lv, footprint);
  Rgb glyph = head ? kLead * 2.2f : kBody;
  // The tower body: a faint green that darkens towards the street.
  Rgb body = kDeep * (0.004f + 0.012f * (y / t.h));
  float sideShade = face == 0 ? 1.0f : 0.7f;
  return (body + glyph * (light * cover)) * (sideShade * mirror);
}

void Apply(Canvas& c, int x, int y, Rgb col, float z, const View& v, bool replace, float haze = 1.0f) {
  float fog = 1.0f - std::exp(-z * haze / v.fogDist);
  Rgb out = Mix(col, FogColour(v, static_cast<float>(y)), fog);
  if (replace) c.At(x, y) = out;
  else c.At(x, y) += out;
  if (replace && v.depth) (*v.depth)[static_cast<size_t>(y) * c.W() + x] = z;
}

// Draws a tower's visible faces. mirror < 0 paints its reflection in the street.
void DrawTower(Canvas& c, const GlyphAtlas& atlas, const Tower& t, const View& v, bool reflection) {
  float sign = reflection ? -1.0f : 1.0f;
  float gain = reflection ? 0.28f : 1.0f;
  auto project = [&](float y, float z) { return v.cy - v.f * (sign * y - v.camY) / z; };
  float zn = t.z - t.d / 2, zf = t.z + t.d / 2;
  float xl = t.x - t.w / 2, xr = t.x + t.w / 2;
  // Side face facing the avenue, if the camera sees it.
  for (int side = 0; side < 2; ++side) {
    float xs = side == 0 ? xr : xl;
    bool visible = side == 0 ? v.camX > xr : v.camX < xl;
    if (!visible) continue;
    float dx = xs - v.camX;
    float s0 = v.cx + v.f * dx / zn, s1 = v.cx + v.f * dx / zf;
    int a = std::max(0, static_cast<int>(std::floor(std::min(s0, s1))));
    int b = std::min(c.W() - 1, static_cast<int>(std::ceil(std::max(s0, s1))));
    for (int sx = a; sx <= b; ++sx) {
      float px = sx + 0.5f - v.cx;
      if (std::fabs(px) < 1e-3f) continue;
      float z = v.f * dx / px;
      if (z < zn || z > zf) continue;
      float u = side == 0 ? (z - zn) : (zf - z);
      float top = project(t.h, z), bottom = project(0, z);
      int y0 = std::max(0, static_cast<int>(std::floor(std::min(top, bottom))));
      int y1 = std::min(c.H() - 1, static_cast<int>(std::ceil(std::max(top, bottom))));
      float vert = z / v.f / kCellH;
      float horiz = z * z / (v.f * std::fabs(dx)) / kCellW * GlyphAtlas::kCellW / GlyphAtlas::kCellH;
      float footprint = std::max(vert, horiz * 0.8f);
      for (int sy = y0; sy <= y1; ++sy) {
        float wy = sign * (v.camY - (sy + 0.5f - v.cy) * z / v.f);
        if (wy < 0 || wy > t.h) continue;
        Apply(c, sx, sy, ShadeFacade(t, atlas, 1 + side, u, wy, footprint, gain), z, v, true, t.haze);
      }
    }
  }
  // Front face: a flat rectangle at depth zn.
  float z = zn;
  float s0 = v.cx + v.f * (xl - v.camX) / z, s1 = v.cx + v.f * (xr - v.camX) / z;
  float top = project(t.h, z), bottom = project(0, z);
  int x0 = std::max(0, static_cast<int>(std::floor(s0))), x1 = std::min(c.W() - 1, static_cast<int>(std::ceil(s1)));
  int y0 = std::max(0, static_cast<int>(std::floor(std::min(top, bottom))));
  int y1 = std::min(c.H() - 1, static_cast<int>(std::ceil(std::max(top, bottom))));
  float footprint = z / v.f / kCellH;
  for (int sy = y0; sy <= y1; ++sy) {
    float wy = sign * (v.camY - (sy + 0.5f - v.cy) * z / v.f);
    if (wy < 0 || wy > t.h) continue;
    for (int sx = x0; sx <= x1; ++sx) {
      float wx = v.camX + (sx + 0.5f - v.cx) * z / v.f;
      if (wx < xl || wx > xr) continue;
      Rgb col = ShadeFacade(t, atlas, 0, wx - xl, wy, footprint, gain);
      // A faint lit edge on the corners keeps the silhouettes readable.
      float edge = std::min(wx - xl, xr - wx) / (z / v.f);
      float rimWidth = t.cell > 2.0f ? 4.0f : 1.5f;
      if (edge < rimWidth) col += kBody * ((t.cell > 2.0f ? 0.2f : 0.05f) * t.bright * gain * (rimWidth - edge) / rimWidth);
      float roof = (t.h - wy) / (z / v.f);
      if (roof < 2.0f) col += kBody * (0.25f * gain * (2.0f - roof) / 2.0f);
      Apply(c, sx, sy, col, z, v, true, t.haze);
    }
  }
}

}  // namespace

void PaintGlyphCity(Canvas& c, const GlyphAtlas& atlas, FinishParams* finish) {
  const int W = c.W(), H = c.H();
  View v{W * 0.5f, H * 0.6f, W * 0.5f / std::tan(0.55f), 0.0f, 70.0f, 1100.0f, H * 0.06f};

  // Sky: dark, a glow band at the horizon, distant code falling behind the towers.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) c.At(x, y) = FogColour(v, static_cast<float>(y)) * (y < v.cy ? 1.0f : 0.6f);
  DrawRainField(c, atlas, 13.0f, 1.4f, 0.22f, 0.0f, v.cy, 4101u,
                [&](float y) { return 0.25f + 0.75f * SmoothStep(0.0f, v.cy, y); });

  // The city: towers in blocks on both sides of the avenue, one at its end.
  ArtRandom rng(239);
  std::vector<Tower> towers;
  int id = 1;
  for (int side = -1; side <= 1; side += 2) {
    for (float z = 240; z < 2200;) {
      float depth = static_cast<float>(rng.Uniform(14, 30));
      for (float edge = 30; edge < 700;) {
        float w = static_cast<float>(rng.Uniform(9, 24));
        // Mostly low blocks with a few tall towers; low around the spire.
        float x = side * (edge + w / 2);
        float tall = rng.Uniform() < 0.12 ? static_cast<float>(rng.Uniform(90, 200)) : 0.0f;
        float h = static_cast<float>(20 + std::pow(rng.Uniform(), 1.8) * 70) + tall;
        float dz = z - 700, clear = std::exp(-(x * x + dz * dz) / (2 * 260.0f * 260.0f));
        h *= 1.0f - 0.65f * clear;
        if (rng.Uniform() < 0.7)
          towers.push_back({x, z + depth / 2, w, depth, h, id++,
                            static_cast<float>(rng.Uniform(0.9, 1.6)), static_cast<float>(rng.Uniform(0.25, 0.7))});
        edge += w + static_cast<float>(rng.Uniform(4, 22));
      }
      z += depth + static_cast<float>(rng.Uniform(10, 30));
    }
  }
  // Far blocks beyond the avenue's end, and the tall tower closing it.
  for (int i = 0; i < 60; ++i) {
    float x = static_cast<float>(rng.Uniform(-700, 700));
    if (std::fabs(x) < 120) continue;
    towers.push_back({x, static_cast<float>(rng.Uniform(1300, 2400)), static_cast<float>(rng.Uniform(20, 50)),
                      30, static_cast<float>(rng.Uniform(60, 200)), id++, 0.9f, 0.3f});
  }
  const Tower spire{0, 700, 50, 50, 380, id++, 2.4f, 0.9f, 2.4f, 0.45f};
  towers.push_back(spire);
  std::sort(towers.begin(), towers.end(), [](const Tower& a, const Tower& b) { return a.z > b.z; });

  // The street: wet, reflecting the towers, with lines running to the horizon.
  Canvas reflection(c.OutW(), c.OutH(), 2);
  for (const Tower& t : towers) DrawTower(reflection, atlas, t, v, true);
  reflection.Blur(2);
  for (int y = static_cast<int>(v.cy) + 1; y < H; ++y) {
    float z = v.f * v.camY / (y + 0.5f - v.cy);
    for (int x = 0; x < W; ++x) {
      float wx = v.camX + (x + 0.5f - v.cx) * z / v.f;
      float pix = z / v.f;
      // Ripples break the reflection into horizontal streaks.
      float ripple = 0.35f + 0.9f * Fbm(wx * 0.08f, z * 0.9f, 51, 3);
      Rgb col = reflection.At(x, y) * (3.0f * ripple);
      float lines = 0;
      for (float lx : {-24.0f, 24.0f}) lines += std::clamp(0.25f - (std::fabs(wx - lx) - 0.12f) / pix, 0.0f, 1.0f);
      float dash = std::fmod(z, 9.0f) < 4.0f ? 1.0f : 0.0f;
      lines += dash * std::clamp(0.5f - (std::fabs(wx) - 0.15f) / pix, 0.0f, 1.0f);
      col += kBody * (0.6f * lines);
      Apply(c, x, y, col, z, v, false);
    }
  }

  std::vector<float> depth(static_cast<size_t>(W) * H, 1e9f);
  View front = v;
  front.depth = &depth;
  for (const Tower& t : towers) DrawTower(c, atlas, t, front, false);

  // The spire's mast and beacon, and its light falling on the street.
  float topY = v.cy - v.f * (spire.h - v.camY) / (spire.z - spire.d / 2);
  float mastTop = v.cy - v.f * (spire.h + 55 - v.camY) / spire.z;
  c.AddLine(v.cx, topY, v.cx, mastTop, 2.5f, kBody * 0.8f);
  c.AddSpot(v.cx, mastTop, 5, kWhite * 6.0f);
  c.AddSpot(v.cx, mastTop, 22, kLead * 1.2f);
  c.AddSpot(v.cx, mastTop, 90, kBody * 0.12f);
  // Small lights on the roofs of the tall towers.
  for (const Tower& t : towers) {
    if (t.h < 125 || t.id == spire.id) continue;
    float z = t.z - t.d / 2;
    float rx = v.cx + v.f * (t.x - v.camX) / z, ry = v.cy - v.f * (t.h + 2 - v.camY) / z;
    int ix = static_cast<int>(rx), iy = static_cast<int>(ry + 3);
    if (ix < 0 || iy < 0 || ix >= W || iy >= H || depth[static_cast<size_t>(iy) * W + ix] < z - 1) continue;
    float fade = std::exp(-z / v.fogDist);
    c.AddSpot(rx, ry, 2.0f, kLead * (2.5f * fade));
    c.AddSpot(rx, ry, 10.0f, kBody * (0.1f * fade));
  }
  for (int y = 0; y < static_cast<int>(mastTop); ++y) {
    float t = y / mastTop;
    for (int dx = -40; dx <= 40; ++dx) {
      float k = std::exp(-dx * dx / 300.0f) * (0.04f + 0.12f * t * t);
      c.Add(static_cast<int>(v.cx) + dx, y, kBody * k);
    }
  }
  float reflY = v.cy + v.f * (spire.h + 55 + v.camY) / spire.z;
  for (int y = static_cast<int>(v.cy); y < H; ++y) {
    float t = std::exp(-std::fabs(y - reflY) / (H * 0.25f));
    for (int dx = -60; dx <= 60; ++dx) {
      float n = 0.6f + 0.8f * Fbm(dx * 0.3f, y * 0.02f, 71, 3);
      c.Add(static_cast<int>(v.cx) + dx, y, kBody * (0.07f * t * n * std::exp(-dx * dx / 900.0f)));
    }
  }

  // Streams of data crossing the city between the towers, like traffic.
  for (int i = 0; i < 14; ++i) {
    float z = static_cast<float>(rng.Uniform(260, 900));
    float y = static_cast<float>(rng.Uniform(75, 200));
    float dir = rng.Uniform() < 0.5 ? -1.0f : 1.0f;
    float headX = static_cast<float>(rng.Uniform(-260, 260));
    float spacing = 3.4f;
    int length = 18 + static_cast<int>(rng.Below(22));
    for (int k = 0; k < length; ++k) {
      float wx = headX - dir * k * spacing;
      float sx = v.cx + v.f * (wx - v.camX) / z, sy = v.cy - v.f * (y - v.camY) / z;
      int ix = static_cast<int>(sx), iy = static_cast<int>(sy);
      if (ix < 0 || iy < 0 || ix >= W || iy >= H || depth[static_cast<size_t>(iy) * W + ix] < z) continue;
      float b = StreamFalloff(static_cast<float>(k), static_cast<float>(length)) * std::exp(-z / 1600.0f);
      Rgb colour = k == 0 ? kLead * 2.0f : kBody;
      atlas.Draw(c, atlas.Pick(Hash3(i, k, 4404)), sx, sy, v.f * 5.0f / z, colour * (1.6f * b));
    }
  }

  // Code falling in front of the city: small and sharp far away, large and soft near.
  Canvas nearRain(c.OutW(), c.OutH(), 2);
  DrawRainField(nearRain, atlas, 46.0f, 0.1f, 0.8f, -100.0f, static_cast<float>(H), 4303u, [](float) { return 1.0f; });
  nearRain.Blur(3);
  c.AddCanvas(nearRain, 1.0f);

  c.Bloom(0.5f, {6, 24, 80}, {0.5f, 0.35f, 0.25f});
  finish->exposure = 2.1f;
}
