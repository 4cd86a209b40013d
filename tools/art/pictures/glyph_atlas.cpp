// glyph_atlas.cpp — FreeType rendering of the picture glyph set into mipmapped masks.
#include "pictures/glyph_atlas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "art_common.h"
#include "glyph_set.h"

namespace {

struct Bitmap {
  int w = 0, h = 0, top = 0;  // top: rows from the baseline up to the first row
  std::vector<float> a;
};

bool RenderChar(const ArtFont& font, uint32_t code, Bitmap* out) {
  GlyphBitmap g;
  if (!font.Render(code, false, &g) || g.width <= 0 || g.height <= 0) return false;
  out->w = g.width;
  out->h = g.height;
  out->top = g.top;
  out->a.resize(g.coverage.size());
  for (size_t i = 0; i < g.coverage.size(); ++i) out->a[i] = g.coverage[i] / 255.0f;
  return true;
}

// Copies a rendered bitmap into a cell: centred horizontally (squeezed if it
// is too wide), its baseline on row `baseline`; mirrored left to right when asked.
std::vector<float> PlaceInCell(const Bitmap& b, int baseline, bool mirror) {
  const int cw = GlyphAtlas::kCellW, ch = GlyphAtlas::kCellH;
  std::vector<float> cell(static_cast<size_t>(cw) * ch, 0.0f);
  int maxW = cw - 6;
  float squeeze = b.w > maxW ? static_cast<float>(b.w) / maxW : 1.0f;
  int tw = static_cast<int>(std::ceil(b.w / squeeze));
  int left = (cw - tw) / 2;
  int top = baseline - b.top;
  for (int y = 0; y < b.h; ++y) {
    int cy = top + y;
    if (cy < 0 || cy >= ch) continue;
    for (int x = 0; x < tw; ++x) {
      // Area average of the source columns that fall into this column.
      float s0 = x * squeeze, s1 = (x + 1) * squeeze, sum = 0.0f;
      for (int sx = static_cast<int>(s0); sx < std::min(b.w, static_cast<int>(std::ceil(s1))); ++sx) {
        float lo = std::max(s0, static_cast<float>(sx)), hi = std::min(s1, sx + 1.0f);
        sum += b.a[static_cast<size_t>(y) * b.w + sx] * (hi - lo);
      }
      int cx = left + (mirror ? tw - 1 - x : x);
      if (cx >= 0 && cx < cw) cell[static_cast<size_t>(cy) * cw + cx] = std::min(1.0f, sum / squeeze);
    }
  }
  return cell;
}

// Sizes a face so that the probe character is `rows` tall, condensed to
// `aspect` of its height; returns the baseline row that centres the probe.
int FitFace(ArtFont& font, uint32_t probe, int rows, double aspect) {
  font.SetPixelSize(100, 100);
  Bitmap b;
  int px = rows;
  if (RenderChar(font, probe, &b)) px = static_cast<int>(std::lround(100.0 * rows / b.h));
  font.SetPixelSize(static_cast<int>(std::lround(px * aspect)), px);
  if (!RenderChar(font, probe, &b)) return GlyphAtlas::kCellH * 3 / 4;
  return (GlyphAtlas::kCellH - b.h) / 2 + b.top;
}

}  // namespace

bool GlyphAtlas::Load() {
  // The same faces and glyph set as the saver's glyph sheet: condensed bold
  // katakana and the monospaced code face for digits, letters and symbols.
  ArtFont kanaFont, codeFont;
  if (!kanaFont.Open(FindFont("Mplus1-Bold.otf")) || !codeFont.Open(FindFont("Mplus1Code-Medium.otf"))) {
    std::fprintf(stderr, "make_pictures: M+ fonts not found (package fonts-mplus)\n");
    return false;
  }
  int kanaBase = FitFace(kanaFont, 0x30A2, 82, 0.62);
  int codeBase = FitFace(codeFont, '0', 74, 0.8);

  glyphs_.clear();
  streamCount_ = 0;
  const std::vector<GlyphEntry>& order = GlyphSheetOrder();
  for (size_t i = 0; i < order.size(); ++i) {
    const GlyphEntry& e = order[i];
    bool kana = e.kind == GlyphKind::Kana || e.kind == GlyphKind::SmallKana || e.kind == GlyphKind::Bracket;
    Bitmap b;
    if (!RenderChar(kana ? kanaFont : codeFont, e.code, &b)) {
      std::fprintf(stderr, "make_pictures: font lacks U+%04X\n", e.code);
      return false;
    }
    Glyph g;
    g.levels.push_back({kCellW, kCellH, PlaceInCell(b, kana ? kanaBase : codeBase, e.mirrored)});
    while (g.levels.back().w > 2) {
      const Level& p = g.levels.back();
      Level l{p.w / 2, p.h / 2, {}};
      l.a.resize(static_cast<size_t>(l.w) * l.h);
      for (int y = 0; y < l.h; ++y)
        for (int x = 0; x < l.w; ++x)
          l.a[static_cast<size_t>(y) * l.w + x] =
              0.25f * (p.a[(2 * y) * p.w + 2 * x] + p.a[(2 * y) * p.w + 2 * x + 1] +
                       p.a[(2 * y + 1) * p.w + 2 * x] + p.a[(2 * y + 1) * p.w + 2 * x + 1]);
      g.levels.push_back(std::move(l));
    }
    glyphs_.push_back(std::move(g));
    if (static_cast<int>(i) < kGlyphStreamIds) ++streamCount_;
  }
  return streamCount_ > 0;
}

int GlyphAtlas::Random(ArtRandom& rng) const { return Pick(rng.Next()); }

int GlyphAtlas::Pick(uint32_t hash) const {
  // The stream glyphs (katakana, digits, code symbols) most of the time,
  // now and then a small kana, a Latin capital or a thin mark.
  uint32_t roll = hash % 100, rest = hash / 100;
  int others = Count() - streamCount_;
  if (roll < 93 || others <= 0) return static_cast<int>(rest % std::max(1, streamCount_));
  return streamCount_ + static_cast<int>(rest % others);
}

float GlyphAtlas::SampleLevel(const Level& l, float u, float v) const {
  float fx = u * l.w - 0.5f, fy = v * l.h - 0.5f;
  int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
  float ax = fx - x0, ay = fy - y0;
  auto at = [&](int x, int y) {
    return (x < 0 || y < 0 || x >= l.w || y >= l.h) ? 0.0f : l.a[static_cast<size_t>(y) * l.w + x];
  };
  float top = at(x0, y0) * (1 - ax) + at(x0 + 1, y0) * ax;
  float bottom = at(x0, y0 + 1) * (1 - ax) + at(x0 + 1, y0 + 1) * ax;
  return top * (1 - ay) + bottom * ay;
}

float GlyphAtlas::Sample(int id, float u, float v, float footprint) const {
  if (u <= -0.1f || v <= -0.1f || u >= 1.1f || v >= 1.1f) return 0.0f;
  const Glyph& g = glyphs_[static_cast<size_t>(id) % glyphs_.size()];
  float texels = std::max(1.0f, footprint * kCellH);
  float lod = std::min(std::log2(texels), static_cast<float>(g.levels.size() - 1));
  int l0 = static_cast<int>(lod);
  float t = lod - l0;
  float a = SampleLevel(g.levels[l0], u, v);
  if (t > 0.0f && l0 + 1 < static_cast<int>(g.levels.size())) a = a * (1 - t) + SampleLevel(g.levels[l0 + 1], u, v) * t;
  return a;
}

void GlyphAtlas::Draw(Canvas& canvas, int id, float cx, float cy, float height, Rgb c) const {
  if (height <= 0.0f) return;
  float width = height * kCellW / kCellH;
  float x0 = cx - width * 0.5f, y0 = cy - height * 0.5f;
  int ix0 = std::max(0, static_cast<int>(std::floor(x0))), iy0 = std::max(0, static_cast<int>(std::floor(y0)));
  int ix1 = std::min(canvas.W() - 1, static_cast<int>(std::ceil(x0 + width)));
  int iy1 = std::min(canvas.H() - 1, static_cast<int>(std::ceil(y0 + height)));
  float footprint = 1.0f / height;
  for (int py = iy0; py <= iy1; ++py) {
    float v = (py + 0.5f - y0) / height;
    for (int px = ix0; px <= ix1; ++px) {
      float u = (px + 0.5f - x0) / width;
      float a = Sample(id, u, v, footprint);
      if (a > 0.002f) canvas.At(px, py) += c * a;
    }
  }
}

void GlyphAtlas::DrawRotated(Canvas& canvas, int id, float cx, float cy, float height, float angle, Rgb c) const {
  if (height <= 0.0f) return;
  float width = height * kCellW / kCellH;
  float cs = std::cos(angle), sn = std::sin(angle);
  float reach = 0.5f * std::sqrt(width * width + height * height) + 1;
  int ix0 = std::max(0, static_cast<int>(std::floor(cx - reach))), iy0 = std::max(0, static_cast<int>(std::floor(cy - reach)));
  int ix1 = std::min(canvas.W() - 1, static_cast<int>(std::ceil(cx + reach)));
  int iy1 = std::min(canvas.H() - 1, static_cast<int>(std::ceil(cy + reach)));
  float footprint = 1.0f / height;
  for (int py = iy0; py <= iy1; ++py)
    for (int px = ix0; px <= ix1; ++px) {
      float dx = px + 0.5f - cx, dy = py + 0.5f - cy;
      // Back into the glyph's own upright frame.
      float lx = cs * dx + sn * dy, ly = -sn * dx + cs * dy;
      float a = Sample(id, lx / width + 0.5f, ly / height + 0.5f, footprint);
      if (a > 0.002f) canvas.At(px, py) += c * a;
    }
}
