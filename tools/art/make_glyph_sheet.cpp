// make_glyph_sheet.cpp — writes the glyph sheet textures/glyphs.bmp: 256 x 256,
// one bit, 16 x 24 cells, 16 a row. Cell 0 stays blank; cells 1..97 hold
// mirrored katakana, plain digits, a few Latin capitals and symbols, rendered with
// hinting from the M+ fonts (SIL OFL) and kept one-bit throughout.
// Cells 1..65 (the ids the falling streams use) get the katakana, digits and
// the most code-like symbols; small kana, Latin and thin marks fill 66..97.
// Usage: make_glyph_sheet [resource-dir]   (prints the id -> character table)
#include "art_common.h"
#include "glyph_set.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kSheetSize = kGlyphSheetSize;
constexpr int kCellW = kGlyphCellW;
constexpr int kCellH = kGlyphCellH;
constexpr int kColumns = kGlyphColumns;
constexpr int kInkW = kCellW - 2;  // one-pixel margin on each side
constexpr int kInkH = kCellH - 2;
// Largest horizontal / vertical pixel-size ratio tried for each face.
constexpr double kKanaAspect = 0.62;
constexpr double kCodeAspect = 0.75;

struct Style {
  ArtFont* font;
  int pixelW = 0;
  int pixelH = 0;
  int baseline = 0;  // row of the baseline inside the cell
};

// Vertical extent (top above baseline, bottom below) of a group of glyphs.
void Extent(const Style& s, const std::vector<uint32_t>& codes, int* top, int* bottom, int* widest) {
  *top = -1000;
  *bottom = 1000;
  *widest = 0;
  for (uint32_t c : codes) {
    GlyphBitmap g;
    if (!s.font->Render(c, true, &g) || g.height == 0) continue;
    *top = std::max(*top, g.top);
    *bottom = std::min(*bottom, g.top - g.height);
    *widest = std::max(*widest, g.width);
  }
}

// Picks the largest hinted size whose glyphs fill the cell height, then the
// widest horizontal size that still keeps every glyph inside the margin.
Style FitStyle(ArtFont* font, const std::vector<uint32_t>& codes, double maxAspect) {
  Style s{font};
  int top = 0, bottom = 0, widest = 0;
  for (int h = 48; h >= 8; --h) {
    s.pixelW = h;
    s.pixelH = h;
    font->SetPixelSize(h, h);
    Extent(s, codes, &top, &bottom, &widest);
    if (top - bottom <= kInkH) break;
  }
  for (int w = static_cast<int>(s.pixelH * maxAspect); w >= 4; --w) {
    font->SetPixelSize(w, s.pixelH);
    int t, b;
    Extent(s, codes, &t, &b, &widest);
    if (widest <= kInkW && t - b <= kInkH) {
      s.pixelW = w;
      top = t;
      bottom = b;
      break;
    }
  }
  s.baseline = 1 + (kInkH - (top - bottom)) / 2 + top;
  return s;
}

// Draws one glyph centred horizontally in its cell, kana mirrored left to right.
void DrawCell(const Style& s, uint32_t code, bool mirror, int cell, std::vector<uint8_t>* sheet) {
  s.font->SetPixelSize(s.pixelW, s.pixelH);
  GlyphBitmap g;
  if (!s.font->Render(code, true, &g)) {
    std::fprintf(stderr, "font lacks U+%04X\n", code);
    std::exit(1);
  }
  // Ink bounds, so that the centring ignores empty bitmap columns.
  int x0 = g.width, x1 = -1;
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x)
      if (g.coverage[static_cast<size_t>(y) * g.width + x]) {
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
      }
  if (x1 < 0) return;
  int inkW = x1 - x0 + 1;
  int cellX = (cell % kColumns) * kCellW;
  int cellY = (cell / kColumns) * kCellH;
  int left = 1 + (kInkW - inkW + 1) / 2;
  int topRow = s.baseline - g.top;
  for (int y = 0; y < g.height; ++y) {
    int py = topRow + y;
    if (py < 1 || py > kInkH) continue;
    for (int x = x0; x <= x1; ++x) {
      if (!g.coverage[static_cast<size_t>(y) * g.width + x]) continue;
      int px = left + (mirror ? x1 - x : x - x0);
      if (px < 1 || px > kInkW) continue;
      (*sheet)[static_cast<size_t>(cellY + py) * kSheetSize + cellX + px] = 1;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = ResourceDir(argc, argv);
  ArtFont kanaFont, codeFont;
  if (!kanaFont.Open(FindFont("Mplus1-Bold.otf")) || !codeFont.Open(FindFont("Mplus1Code-Medium.otf"))) {
    std::fprintf(stderr, "M+ fonts not found (package fonts-mplus)\n");
    return 1;
  }
  const std::vector<GlyphEntry>& order = GlyphSheetOrder();

  // Each group is sized to fill the cell height; small kana and symbols take
  // the size and baseline of their group so they keep their place in a line.
  std::vector<uint32_t> bigKana, brackets, codeChars;
  for (const GlyphEntry& e : order) {
    if (e.kind == GlyphKind::Kana) bigKana.push_back(e.code);
    if (e.kind == GlyphKind::Bracket) brackets.push_back(e.code);
    if (e.kind == GlyphKind::Digit || e.kind == GlyphKind::Latin) codeChars.push_back(e.code);
  }
  Style kana = FitStyle(&kanaFont, bigKana, kKanaAspect);
  Style bracket = FitStyle(&kanaFont, brackets, kKanaAspect);
  Style code = FitStyle(&codeFont, codeChars, kCodeAspect);

  std::vector<uint8_t> sheet(static_cast<size_t>(kSheetSize) * kSheetSize, 0);
  for (int i = 0; i < kGlyphCells; ++i) {
    const GlyphEntry& e = order[i];
    bool kanaFace = e.kind == GlyphKind::Kana || e.kind == GlyphKind::SmallKana;
    const Style& style = kanaFace ? kana : e.kind == GlyphKind::Bracket ? bracket : code;
    DrawCell(style, e.code, e.mirrored, i + 1, &sheet);
    std::printf("%2d %s%s", i + 1, e.label, (i + 1) % 8 == 0 ? "\n" : "\t");
  }
  std::printf("\nkana %dx%d px, code %dx%d px\n", kana.pixelW, kana.pixelH, code.pixelW, code.pixelH);

  std::string out = dir + "/textures/glyphs.bmp";
  if (!MakeDirs(dir + "/textures") || !SaveBmp1(out.c_str(), kSheetSize, kSheetSize, sheet.data())) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
