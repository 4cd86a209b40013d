// scene_kit.h — pieces several pictures share: the brightness profile of a
// falling stream, glyph walls whose columns rain, and a field of falling code.
#pragma once

#include <cstdint>

#include "pictures/glyph_atlas.h"
#include "pictures/picture_canvas.h"
#include "pictures/picture_noise.h"

// Brightness of a stream cell `behind` cells above the head (0 = the head);
// `length` cells long. Zero outside the stream.
float StreamFalloff(float behind, float length);

// Light of one cell of a glyph wall whose columns carry falling streams:
// `rows` cells per column, `rainShare` of the columns raining, the others
// showing scattered glyphs at about `base`. *head marks a stream's lead cell.
float RainCellLight(int key, int col, int row, float rows, float rainShare, float base, bool* head);

// Screen-wide rain: columns of streams (about 3 x density per column) of
// cell height glyphH between rows y0 and y1, light scaled by mask(y) in 0..1.
template <typename Mask>
void DrawRainField(Canvas& canvas, const GlyphAtlas& atlas, float glyphH, float density, float intensity,
                   float y0, float y1, uint32_t seed, Mask mask);

// ---- implementation of the template

template <typename Mask>
void DrawRainField(Canvas& canvas, const GlyphAtlas& atlas, float glyphH, float density, float intensity,
                   float y0, float y1, uint32_t seed, Mask mask) {
  float cellW = glyphH * GlyphAtlas::kCellW / GlyphAtlas::kCellH;
  int columns = static_cast<int>(canvas.W() / cellW) + 1;
  int rows = static_cast<int>((y1 - y0) / glyphH) + 1;
  for (int col = 0; col < columns; ++col) {
    float x = (col + 0.5f) * cellW;
    // Several streams per column at random heights.
    int streams = static_cast<int>(density * 3 * HashF(col, 1, seed) + 0.5f);
    for (int s = 0; s < streams; ++s) {
      float length = 6 + 22 * HashF(col, s, seed + 7);
      float head = y0 + HashF(col, s, seed + 3) * (rows + length) * glyphH;
      float bright = intensity * (0.35f + 0.65f * HashF(col, s, seed + 11));
      for (int k = 0; k < static_cast<int>(length); ++k) {
        float y = head - k * glyphH;
        if (y < y0 - glyphH || y > y1 + glyphH) continue;
        float b = bright * StreamFalloff(static_cast<float>(k), length) * mask(y);
        if (b <= 0.0005f) continue;
        int id = atlas.Pick(Hash3(col, static_cast<int>(std::floor((y - y0) / glyphH)), seed));
        Rgb colour = k == 0 ? kLead * 1.6f : kBody;
        atlas.Draw(canvas, id, x, y, glyphH, colour * b);
      }
    }
  }
}
