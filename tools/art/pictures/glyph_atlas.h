// glyph_atlas.h — the glyph set of the pictures as filtered coverage masks.
// The glyph sheet's own set (mirrored katakana condensed to half width,
// digits, a few Latin capitals and symbols, from the same M+ faces) is
// rendered once with FreeType into 64 x 96 cells with mip chains, so scenes
// can sample a glyph at any size, upright, turned or through a perspective
// mapping, without aliasing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pictures/picture_canvas.h"

class ArtRandom;

class GlyphAtlas {
 public:
  static constexpr int kCellW = 64;
  static constexpr int kCellH = 96;

  // Renders the glyph sheet's set (same order, same M+ faces). False if the
  // fonts are missing.
  bool Load();

  int Count() const { return static_cast<int>(glyphs_.size()); }
  // A glyph id drawn with the set's weights: mostly the stream glyphs
  // (katakana, digits, code symbols), rarely small kana, Latin or thin marks.
  int Random(ArtRandom& rng) const;
  // The same weighting driven by a hash value instead of a generator.
  int Pick(uint32_t hash) const;

  // Coverage 0..1 of glyph id at cell coordinates (u, v) in 0..1 (outside is
  // 0). footprint: cell widths covered by one output pixel, picks the filter.
  float Sample(int id, float u, float v, float footprint) const;

  // Draws glyph id centred at (cx, cy), cell height `height` work pixels,
  // light colour c times coverage.
  void Draw(Canvas& canvas, int id, float cx, float cy, float height, Rgb c) const;
  // As Draw, turned by `angle` radians (clockwise on screen, y pointing down).
  void DrawRotated(Canvas& canvas, int id, float cx, float cy, float height, float angle, Rgb c) const;

 private:
  struct Level {
    int w, h;
    std::vector<float> a;
  };
  struct Glyph {
    std::vector<Level> levels;
  };
  float SampleLevel(const Level& l, float u, float v) const;

  std::vector<Glyph> glyphs_;
  int streamCount_ = 0;
};
