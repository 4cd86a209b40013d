// make_drums.cpp — writes the four sky-box drums textures/drum_1.jpg ..
// drum_4.jpg: 256 x 256 JPEG fields of falling code seen from far away, built
// from the glyph sheet (run make_glyph_sheet first). Each tiles seamlessly in
// both directions: columns and glyph rows divide the width and height exactly
// and everything (drops, glow) wraps around the edges. Drawn at four times the
// size and box-filtered down, so the small glyphs are anti-aliased.
//   drum 1: fine and dense      drum 2: sparse, larger glyphs
//   drum 3: binary digits with a faint horizontal scan structure
//   drum 4: mixed sizes with occasional bright clusters
// Usage: make_drums [resource-dir]   (prints each drum's mean level)
#include "art_common.h"
#include "glyph_set.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kOut = 256;
constexpr int kSuper = 4;
constexpr int kN = kOut * kSuper;

// Linear light field in three channels at the supersampled size.
struct Field {
  std::vector<float> r, g, b;
  Field() : r(kN * kN, 0.0f), g(kN * kN, 0.0f), b(kN * kN, 0.0f) {}
};

struct Colour {
  float r, g, b;
};
constexpr Colour kHead{131 / 255.0f, 252 / 255.0f, 188 / 255.0f};
constexpr Colour kBody{20 / 255.0f, 224 / 255.0f, 20 / 255.0f};

struct Layer {
  int columns;         // columns across the texture
  int rows;            // glyph rows down a column
  double glyphFill;    // glyph height as a fraction of the row pitch
  double activeShare;  // share of columns that carry glyphs at all
  int dropsMin, dropsMax;
  int lengthMin, lengthMax;  // drop length in glyphs
  double dimMin, dimMax;     // level of glyphs outside any drop
  double bodyLevel;          // level right behind a head
  double headShare;          // share of drops whose head glyph is lit mint
  bool binary;               // only the digits 0 and 1
};

struct DrumStyle {
  const char* file;
  uint64_t seed;
  std::vector<Layer> layers;
  double glow;         // strength of the wrapped bloom
  double scanDepth;    // darkening of every fourth row (0: none)
  int clusters;        // bright clusters (groups of lit neighbouring columns)
};

Colour Mix(Colour a, Colour b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Stamps one glyph cell scaled to w x h (supersampled pixels) at (x, y),
// wrapping around the field, keeping the brighter value where glyphs meet.
void StampGlyph(Field* f, const GlyphSheet& sheet, int cell, int x, int y, int w, int h, Colour c) {
  for (int sy = 0; sy < h; ++sy) {
    int gy = sy * kGlyphCellH / h;
    int py = ((y + sy) % kN + kN) % kN;
    for (int sx = 0; sx < w; ++sx) {
      int gx = sx * kGlyphCellW / w;
      // Strokes thickened by one sheet pixel: at this distance thin lines would vanish.
      bool ink = sheet.Ink(cell, gx, gy) || sheet.Ink(cell, gx - 1, gy) || sheet.Ink(cell, gx, gy - 1);
      if (!ink) continue;
      int px = ((x + sx) % kN + kN) % kN;
      size_t i = static_cast<size_t>(py) * kN + px;
      f->r[i] = std::max(f->r[i], c.r);
      f->g[i] = std::max(f->g[i], c.g);
      f->b[i] = std::max(f->b[i], c.b);
    }
  }
}

struct Drop {
  int head;    // row of the head glyph
  int length;  // glyphs, head included
  bool lit;    // head glyph drawn in mint
  double level;
};

void DrawLayer(Field* f, const GlyphSheet& sheet, const Layer& layer, ArtRandom* rng, int clusterRow,
               int clusterColumn, int clusterWidth) {
  // Column and row starts are i * kN / count, so the last one ends exactly at
  // the edge and the pattern wraps without a seam.
  int pitchX = kN / layer.columns;
  int pitchY = kN / layer.rows;
  int glyphH = static_cast<int>(pitchY * layer.glyphFill);
  int glyphW = glyphH * kGlyphCellW / kGlyphCellH;
  int zero = GlyphCellOf("0"), one = GlyphCellOf("1");
  for (int col = 0; col < layer.columns; ++col) {
    bool inCluster = clusterWidth > 0 && ((col - clusterColumn + layer.columns) % layer.columns) < clusterWidth;
    if (!inCluster && rng->Uniform() >= layer.activeShare) continue;
    double dim = rng->Uniform(layer.dimMin, layer.dimMax);
    int yOffset = static_cast<int>(rng->Below(static_cast<uint32_t>(pitchY)));
    std::vector<Drop> drops;
    int count = layer.dropsMin + static_cast<int>(rng->Below(static_cast<uint32_t>(layer.dropsMax - layer.dropsMin + 1)));
    for (int d = 0; d < count; ++d) {
      Drop drop;
      drop.head = static_cast<int>(rng->Below(static_cast<uint32_t>(layer.rows)));
      drop.length = layer.lengthMin + static_cast<int>(rng->Below(static_cast<uint32_t>(layer.lengthMax - layer.lengthMin + 1)));
      drop.lit = rng->Uniform() < layer.headShare;
      drop.level = layer.bodyLevel * rng->Uniform(0.55, 1.0);
      drops.push_back(drop);
    }
    if (inCluster) {
      // Neighbouring columns with heads at nearly the same height: a bright clump.
      Drop drop;
      drop.head = (clusterRow + static_cast<int>(rng->Below(3))) % layer.rows;
      drop.length = layer.lengthMax + 4 + static_cast<int>(rng->Below(8));
      drop.lit = true;
      drop.level = 1.0;
      drops.push_back(drop);
    }
    for (int row = 0; row < layer.rows; ++row) {
      double level = dim;
      Colour c = kBody;
      for (const Drop& d : drops) {
        int behind = ((d.head - row) % layer.rows + layer.rows) % layer.rows;  // tail above the head
        if (behind >= d.length) continue;
        double t = static_cast<double>(behind) / d.length;
        double v = d.level * std::pow(1.0 - t, 1.6);
        if (behind == 0 && d.lit) {
          level = std::max(level, 1.0);
          c = kHead;
        } else if (v > level) {
          level = v;
          // Bright drops keep some of the head's mint in the glyphs right behind it.
          if (d.lit && behind <= 3 && d.level >= 1.0) c = Mix(kBody, kHead, 0.6f - 0.15f * behind);
          else if (d.lit && behind == 1) c = Mix(kBody, kHead, 0.35f);
          else c = kBody;
        }
      }
      int cell;
      if (layer.binary) cell = rng->Uniform() < 0.5 ? zero : one;
      else cell = 1 + static_cast<int>(rng->Below(kGlyphCells));
      float k = static_cast<float>(level);
      int x = col * kN / layer.columns + (pitchX - glyphW) / 2;
      int y = row * kN / layer.rows + (pitchY - glyphH) / 2 + yOffset;
      StampGlyph(f, sheet, cell, x, y, glyphW, glyphH, {c.r * k, c.g * k, c.b * k});
    }
  }
}

bool MakeDrum(const GlyphSheet& sheet, const DrumStyle& style, const std::string& dir) {
  ArtRandom rng(style.seed);
  Field f;
  std::vector<float> halo(kN * kN, 0.0f);
  for (size_t li = 0; li < style.layers.size(); ++li) {
    const Layer& layer = style.layers[li];
    if (style.clusters > 0 && li == 0) {
      for (int k = 0; k < style.clusters; ++k) {
        int row = static_cast<int>(rng.Below(static_cast<uint32_t>(layer.rows)));
        int column = static_cast<int>(rng.Below(static_cast<uint32_t>(layer.columns)));
        int width = 3 + static_cast<int>(rng.Below(3));
        Layer lit = layer;
        lit.activeShare = 0.0;  // only the cluster's own columns
        DrawLayer(&f, sheet, lit, &rng, row, column, width);
        // A haze of light over the clump, brightest just above its heads.
        int cx = (column * 2 + width) * kN / (2 * layer.columns);
        int cy = (row - 3) * kN / layer.rows;
        halo[static_cast<size_t>(((cy % kN) + kN) % kN) * kN + ((cx % kN) + kN) % kN] += 1.0f;
      }
    }
    DrawLayer(&f, sheet, layer, &rng, 0, 0, 0);
  }
  if (style.clusters > 0) {
    const double sigma = 9.0 * kSuper;
    GaussianBlur(&halo, kN, kN, sigma, true);
    float peak = static_cast<float>(1.0 / (2.0 * M_PI * sigma * sigma));
    for (size_t i = 0; i < halo.size(); ++i) {
      float a = 0.22f * halo[i] / peak;
      f.r[i] += a * kBody.r;
      f.g[i] += a * kBody.g;
      f.b[i] += a * kBody.b;
    }
  }
  // Bloom around the bright glyphs, wrapped so it crosses the edges seamlessly.
  if (style.glow > 0.0) {
    std::vector<float> bloom(f.g.size());
    for (size_t i = 0; i < bloom.size(); ++i) bloom[i] = f.g[i];
    GaussianBlur(&bloom, kN, kN, 2.5 * kSuper, true);
    for (size_t i = 0; i < bloom.size(); ++i) {
      float a = static_cast<float>(style.glow) * bloom[i];
      f.r[i] += a * kBody.r;
      f.g[i] += a * kBody.g;
      f.b[i] += a * kBody.b;
    }
  }
  std::vector<uint8_t> rgb(kOut * kOut * 3);
  double sum = 0.0;
  for (int y = 0; y < kOut; ++y) {
    // Scan structure: every fourth row darker, and a slow wave of brightness
    // (a whole number of periods per tile) rolling down the texture.
    double scan = (style.scanDepth > 0.0 && y % 4 == 3) ? 1.0 - style.scanDepth : 1.0;
    if (style.scanDepth > 0.0) scan *= 1.0 - 0.6 * style.scanDepth * (0.5 + 0.5 * std::cos(y * 2.0 * M_PI * 5 / kOut));
    for (int x = 0; x < kOut; ++x) {
      double acc[3] = {0, 0, 0};
      for (int sy = 0; sy < kSuper; ++sy)
        for (int sx = 0; sx < kSuper; ++sx) {
          size_t i = static_cast<size_t>(y * kSuper + sy) * kN + x * kSuper + sx;
          acc[0] += f.r[i];
          acc[1] += f.g[i];
          acc[2] += f.b[i];
        }
      for (int c = 0; c < 3; ++c) {
        uint8_t v = ToByte(acc[c] / (kSuper * kSuper) * scan);
        rgb[(static_cast<size_t>(y) * kOut + x) * 3 + c] = v;
      }
      sum += rgb[(static_cast<size_t>(y) * kOut + x) * 3 + 1];
    }
  }
  std::printf("%s: mean green level %.1f%%\n", style.file, 100.0 * sum / (kOut * kOut * 255.0));
  std::string path = dir + "/textures/" + style.file;
  return SaveRgbJpeg(path.c_str(), kOut, kOut, rgb.data(), 92);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = ResourceDir(argc, argv);
  GlyphSheet sheet;
  if (!sheet.Load(dir + "/textures/glyphs.bmp")) {
    std::fprintf(stderr, "cannot read %s/textures/glyphs.bmp (run make_glyph_sheet first)\n", dir.c_str());
    return 1;
  }
  //                       cols rows fill  active drops  length  dim          body  heads binary
  const DrumStyle drums[] = {
      {"drum_1.jpg", 0xD1, {{48, 32, 0.92, 0.95, 2, 4, 8, 22, 0.12, 0.28, 1.00, 0.45, false}}, 1.1, 0.0, 0},
      {"drum_2.jpg", 0xD2, {{24, 16, 0.90, 0.62, 2, 3, 5, 12, 0.20, 0.36, 1.00, 0.60, false}}, 1.7, 0.0, 0},
      {"drum_3.jpg", 0xD3, {{48, 32, 0.90, 0.92, 2, 4, 8, 24, 0.20, 0.36, 1.00, 0.40, true}}, 1.1, 0.40, 0},
      {"drum_4.jpg", 0xD4,
       {{48, 32, 0.90, 0.75, 1, 3, 4, 14, 0.16, 0.32, 0.85, 0.35, false},
        {24, 16, 0.90, 0.30, 1, 1, 3, 8, 0.10, 0.22, 1.00, 0.55, false}},
       0.9, 0.0, 5},
  };
  if (!MakeDirs(dir + "/textures")) return 1;
  for (const DrumStyle& d : drums) {
    if (!MakeDrum(sheet, d, dir)) {
      std::fprintf(stderr, "cannot write %s\n", d.file);
      return 1;
    }
  }
  return 0;
}
