// glyph_set.h — the glyphs of the saver's glyph sheet (textures/glyphs.bmp)
// and their cell order, shared by the sheet generator and the tools that draw
// with the sheet. The order is fixed: a rerun gives the same sheet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kGlyphSheetSize = 256;
constexpr int kGlyphCellW = 16;
constexpr int kGlyphCellH = 24;
constexpr int kGlyphColumns = kGlyphSheetSize / kGlyphCellW;
constexpr int kGlyphStreamIds = 65;  // cells 1..65: the falling streams' glyphs
constexpr int kGlyphCells = 97;      // cells 1..97 are drawn, cell 0 is blank

enum class GlyphKind { Kana, SmallKana, Bracket, Digit, Latin, Symbol };

struct GlyphEntry {
  uint32_t code;      // codepoint rendered (full-width kana stand in for half-width ones)
  GlyphKind kind;
  const char* label;  // ASCII name: "ka", "a~" (small a), "7", "K", ":" ...
  bool mirrored;      // drawn mirrored left to right (the kana)
};

// The 97 drawn glyphs in cell order: entry i sits in cell i + 1.
const std::vector<GlyphEntry>& GlyphSheetOrder();

// Cell id holding the glyph with this label, or -1.
int GlyphCellOf(const std::string& label);

// The sheet as loaded from its BMP: one byte per pixel, 1 = ink.
class GlyphSheet {
public:
  bool Load(const std::string& path);
  // Pixel (x, y) of cell id (0..159); out-of-cell coordinates read as empty.
  bool Ink(int cell, int x, int y) const;

private:
  std::vector<uint8_t> bits_;
};
