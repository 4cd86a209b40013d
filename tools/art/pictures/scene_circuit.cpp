// scene_circuit.cpp — picture 5: a circuit board seen at a low angle. Bundles
// of traces leave a central chip with 45-degree bends, pulses of light run
// along them towards the chip, glyph labels are printed on the board. The
// board is painted flat into its own light map, then viewed in perspective
// with mip filtering and a shallow depth of field.
#include <algorithm>
#include <cmath>
#include <vector>

#include "pictures/scene_kit.h"
#include "pictures/scenes.h"
#include "pictures/vec3.h"

namespace {

constexpr int kBoard = 2400;  // light map size in board units (= map pixels)

struct Pt {
  float x, y;
};

// A trace path from the chip outwards as a polyline.
using Path = std::vector<Pt>;

// Walks a polyline and calls f(point, distance from its start) every `step`.
template <typename F>
void WalkPath(const Path& p, float step, F f) {
  float dist = 0;
  for (size_t i = 0; i + 1 < p.size(); ++i) {
    float dx = p[i + 1].x - p[i].x, dy = p[i + 1].y - p[i].y;
    float len = std::sqrt(dx * dx + dy * dy);
    int n = std::max(1, static_cast<int>(len / step));
    for (int k = 0; k < n; ++k) {
      float t = static_cast<float>(k) / n;
      f(Pt{p[i].x + dx * t, p[i].y + dy * t}, dist + len * t, len / n, Pt{dx / len, dy / len});
    }
    dist += len;
  }
}

float PathLength(const Path& p) {
  float d = 0;
  for (size_t i = 0; i + 1 < p.size(); ++i) d += std::hypot(p[i + 1].x - p[i].x, p[i + 1].y - p[i].y);
  return d;
}

// Draws one trace: a dim copper line with a pulse running inwards.
void DrawTrace(Canvas& board, const Path& path, float width, int seed) {
  float length = PathLength(path);
  float tail = 160 + 260 * HashF(seed, 1, 501);
  // The pulse head's distance from the chip end of the path (index 0 is the chip).
  float head = HashF(seed, 2, 501) * (length + tail);
  bool lit = HashF(seed, 3, 501) < 0.7f;
  WalkPath(path, 3.0f, [&](Pt p, float d, float segLen, Pt dir) {
    float behind = d - head;  // the tail trails outwards, behind the inbound head
    float pulse = lit && behind >= 0 && behind < tail ? std::pow(1.0f - behind / tail, 2.2f) : 0.0f;
    Rgb col = kBody * (0.05f + 1.6f * pulse);
    if (lit && behind >= 0 && behind < 6) col = kLead * 4.0f;
    board.AddLine(p.x, p.y, p.x + dir.x * segLen, p.y + dir.y * segLen, width, col);
  });
  // A via where the trace ends: a small ring.
  Pt end = path.back();
  for (int i = 0; i < 48; ++i) {
    float a = 6.2831853f * i / 48, b = 6.2831853f * (i + 1) / 48;
    board.AddLine(end.x + 7 * std::cos(a), end.y + 7 * std::sin(a), end.x + 7 * std::cos(b), end.y + 7 * std::sin(b),
                  2.5f, kBody * 0.25f);
  }
}

struct Mip {
  int size;
  std::vector<Rgb> px;
};

Rgb SampleMip(const Mip& m, float u, float v) {
  float fx = u * m.size - 0.5f, fy = v * m.size - 0.5f;
  int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
  float ax = fx - x0, ay = fy - y0;
  auto at = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= m.size || y >= m.size) return Rgb{};
    return m.px[static_cast<size_t>(y) * m.size + x];
  };
  return Mix(Mix(at(x0, y0), at(x0 + 1, y0), ax), Mix(at(x0, y0 + 1), at(x0 + 1, y0 + 1), ax), ay);
}

}  // namespace

void PaintCircuitBoard(Canvas& c, const GlyphAtlas& atlas, FinishParams* finish) {
  Canvas board(kBoard / 2, kBoard / 2, 2);
  const float mid = kBoard * 0.5f, chipHalf = 150;

  // Faint board texture: a weave of noise and a grid of unused via holes.
  for (int y = 0; y < kBoard; ++y)
    for (int x = 0; x < kBoard; ++x) {
      float n = Fbm(x * 0.01f, y * 0.01f, 511, 3);
      board.At(x, y) = kDeep * (0.006f + 0.01f * n);
    }
  for (int gy = 40; gy < kBoard; gy += 80)
    for (int gx = 40; gx < kBoard; gx += 80)
      if (HashF(gx, gy, 512) < 0.25f) board.AddSpot(static_cast<float>(gx), static_cast<float>(gy), 2.5f, kBody * 0.08f);

  // Bundles of traces from the chip's four sides.
  int seed = 0;
  for (int side = 0; side < 4; ++side) {
    // Unit vectors: out of the chip, and along its side.
    Pt out = side == 0 ? Pt{1, 0} : side == 1 ? Pt{0, 1} : side == 2 ? Pt{-1, 0} : Pt{0, -1};
    Pt along{-out.y, out.x};
    const int pins = 16;
    const float pitch = 16;
    for (int k = 0; k < pins; ++k) {
      float offset = (k - (pins - 1) * 0.5f) * pitch;
      // Pins on each half bend away from the centre line; the bends are
      // staggered so that the bundle stays parallel.
      float sign = offset < 0 ? -1.0f : 1.0f;
      float rank = std::fabs(offset) / pitch;
      float straight = 60 + (pins * 0.5f - rank) * pitch * 0.42f;
      float diagonal = 90 + 140 * HashF(side, k < pins / 2 ? 0 : 1, 513);
      float run = 300 + 550 * HashF(side, k, 514);
      Pt p0{mid + out.x * chipHalf + along.x * offset, mid + out.y * chipHalf + along.y * offset};
      Pt p1{p0.x + out.x * straight, p0.y + out.y * straight};
      Pt p2{p1.x + (out.x + along.x * sign) * diagonal, p1.y + (out.y + along.y * sign) * diagonal};
      Pt p3{p2.x + out.x * run, p2.y + out.y * run};
      Path path{p0, p1, p2, p3};
      // Some traces turn once more near their end.
      if (HashF(side, k, 515) < 0.4f) {
        float turn = 80 + 120 * HashF(side, k, 516);
        path.push_back({p3.x + along.x * sign * turn, p3.y + along.y * sign * turn});
      }
      DrawTrace(board, path, 5.0f, seed++);
      // Pads where the traces meet the chip.
      board.AddLine(p0.x - out.x * 2, p0.y - out.y * 2, p0.x + out.x * 18, p0.y + out.y * 18, 9.0f, kBody * 0.3f);
    }
  }
  // Wandering traces elsewhere on the board, between small parts.
  for (int i = 0; i < 70; ++i) {
    float x = HashF(i, 1, 517) * kBoard, y = HashF(i, 2, 517) * kBoard;
    if (std::fabs(x - mid) < 420 && std::fabs(y - mid) < 420) continue;
    Path path{{x, y}};
    int dir = static_cast<int>(HashF(i, 3, 517) * 8);
    for (int seg = 0; seg < 4; ++seg) {
      float a = dir * 0.785398f, len = 60 + 220 * HashF(i, seg, 518);
      path.push_back({path.back().x + std::cos(a) * len, path.back().y + std::sin(a) * len});
      dir += HashF(i, seg, 519) < 0.5f ? 1 : -1;
    }
    DrawTrace(board, path, 3.5f, 1000 + i);
  }
  // Small parts: rectangles with a glyph label printed beside them.
  for (int i = 0; i < 26; ++i) {
    float x = HashF(i, 1, 520) * kBoard, y = HashF(i, 2, 520) * kBoard;
    if (std::fabs(x - mid) < 380 && std::fabs(y - mid) < 380) continue;
    float w = 40 + 50 * HashF(i, 3, 520), h = 20 + 26 * HashF(i, 4, 520);
    for (int e = 0; e < 4; ++e) {
      float ax = x + ((e == 1 || e == 2) ? w : 0), ay = y + (e >= 2 ? h : 0);
      float bx = x + ((e == 0 || e == 1) ? w : 0), by = y + ((e == 1 || e == 2) ? h : 0);
      board.AddLine(ax, ay, bx, by, 3, kBody * 0.3f);
    }
    for (int g = 0; g < 4; ++g)
      atlas.Draw(board, atlas.Pick(Hash3(i, g, 521)), x + g * 16 + 8, y + h + 20, 24, kBody * 0.22f);
  }
  // The chip: a dark package with a lit rim and a die of glyphs.
  for (int y = static_cast<int>(mid - chipHalf); y < mid + chipHalf; ++y)
    for (int x = static_cast<int>(mid - chipHalf); x < mid + chipHalf; ++x) board.At(x, y) = kDeep * 0.01f;
  for (int e = 0; e < 4; ++e) {
    float s = chipHalf;
    Pt a = e == 0 ? Pt{-s, -s} : e == 1 ? Pt{s, -s} : e == 2 ? Pt{s, s} : Pt{-s, s};
    Pt b = e == 0 ? Pt{s, -s} : e == 1 ? Pt{s, s} : e == 2 ? Pt{-s, s} : Pt{-s, -s};
    board.AddLine(mid + a.x, mid + a.y, mid + b.x, mid + b.y, 5, kLead * 0.9f);
  }
  for (int row = 0; row < 8; ++row)
    for (int col = 0; col < 12; ++col) {
      float x = mid - 110 + col * 20.0f, y = mid - 105 + row * 30.0f;
      float d = std::hypot(x - mid, y - mid) / 150;
      float b = (0.5f + 1.5f * HashF(col, row, 522)) * (1.5f - d);
      atlas.Draw(board, atlas.Pick(Hash3(col, row, 523)), x, y, 29, (HashF(col, row, 524) < 0.12f ? kLead * 1.5f : kBody) * b);
    }
  board.AddSpot(mid, mid, 120, kBody * 0.3f);

  // Mip chain of the board's light for filtered perspective sampling.
  std::vector<Mip> mips;
  mips.push_back({kBoard, {}});
  mips[0].px.resize(static_cast<size_t>(kBoard) * kBoard);
  for (int y = 0; y < kBoard; ++y)
    for (int x = 0; x < kBoard; ++x) mips[0].px[static_cast<size_t>(y) * kBoard + x] = board.At(x, y);
  while (mips.back().size > 8) {
    const Mip& p = mips.back();
    Mip m{p.size / 2, {}};
    m.px.resize(static_cast<size_t>(m.size) * m.size);
    for (int y = 0; y < m.size; ++y)
      for (int x = 0; x < m.size; ++x) {
        const Rgb* r0 = &p.px[static_cast<size_t>(2 * y) * p.size + 2 * x];
        const Rgb* r1 = r0 + p.size;
        m.px[static_cast<size_t>(y) * m.size + x] = (r0[0] + r0[1] + r1[0] + r1[1]) * 0.25f;
      }
    mips.push_back(std::move(m));
  }

  // View: the camera looks down at the board from a low angle.
  const int W = c.W(), H = c.H();
  const float f = H * 0.9f, cx = W * 0.5f, cy = H * 0.46f;
  const float pitch = 0.62f, height = 620.0f;
  const Vec3 eye{mid - 260.0f, height, mid + 980.0f};
  auto boardAt = [&](float sx, float sy, float* dist) {
    Vec3 d = Normalize({(sx - cx) / f, -(sy - cy) / f, -1.0f});
    d = RotateY(RotateX(d, -pitch), -0.26f);
    if (d.y >= -1e-4f) {
      *dist = -1;
      return Pt{0, 0};
    }
    float t = -eye.y / d.y;
    *dist = t;
    return Pt{eye.x + d.x * t, eye.z + d.z * t};
  };
  Canvas sharp(c.OutW(), c.OutH(), 2);
  std::vector<float> depth(static_cast<size_t>(W) * H, 0);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float dist, d1, d2;
      Pt p = boardAt(x + 0.5f, y + 0.5f, &dist);
      Pt px = boardAt(x + 1.5f, y + 0.5f, &d1), py = boardAt(x + 0.5f, y + 1.5f, &d2);
      if (dist < 0 || d1 < 0 || d2 < 0) continue;
      depth[static_cast<size_t>(y) * W + x] = dist;
      float foot = std::max(std::hypot(px.x - p.x, px.y - p.y), std::hypot(py.x - p.x, py.y - p.y));
      float lod = std::clamp(std::log2(std::max(foot * 0.8f, 1.0f)), 0.0f, static_cast<float>(mips.size() - 1));
      int l0 = static_cast<int>(lod);
      float t = lod - l0;
      Rgb col = SampleMip(mips[l0], p.x / kBoard, p.y / kBoard);
      if (l0 + 1 < static_cast<int>(mips.size())) col = Mix(col, SampleMip(mips[l0 + 1], p.x / kBoard, p.y / kBoard), t);
      float haze = 1.0f - std::exp(-dist / 2600.0f);
      sharp.At(x, y) = Mix(col, kDeep * 0.03f, haze);
    }
  // Shallow depth of field: focus on the chip, blur before and behind it.
  float focus = Length(Vec3{mid, 0, mid} - eye);
  Canvas soft = sharp;
  soft.Blur(5);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float d = depth[static_cast<size_t>(y) * W + x];
      float k = d <= 0 ? 1.0f : std::clamp(std::fabs(d - focus) / (focus * 0.55f), 0.0f, 1.0f);
      c.At(x, y) = Mix(sharp.At(x, y), soft.At(x, y), k);
    }

  c.Bloom(0.35f, {4, 16, 60}, {0.6f, 0.45f, 0.35f});
  finish->exposure = 1.7f;
  finish->vignette = 0.5f;
}
