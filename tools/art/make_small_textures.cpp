// make_small_textures.cpp — writes the near-glyph map textures/near_glyph.bmp
// (64 x 64, one bit: lit 3 x 3 lamps on a 4-pixel pitch, tiling seamlessly),
// the ray textures/ray.bmp (64 x 64, 24 bits: a vertical beam with a mint-white
// core fading to black at the sides and the ends) and the icon
// icons/vexlar3d_<size>.png at 16, 32, 48, 64, 128 and 256 pixels (a mint
// leading glyph under a short fading green tail, on a black rounded tile).
// Icon glyphs come from M+ 1 Code Bold (SIL OFL).
// Usage: make_small_textures [resource-dir]
#include "art_common.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

bool MakeNearGlyphMap(const std::string& dir) {
  constexpr int kSize = 64;
  std::vector<uint8_t> bits(kSize * kSize, 0);
  // Lamps of 3 x 3 lit pixels, each followed by one dark row and column.
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) bits[y * kSize + x] = (x % 4 != 3 && y % 4 != 3) ? 1 : 0;
  std::string path = dir + "/textures/near_glyph.bmp";
  return SaveBmp1(path.c_str(), kSize, kSize, bits.data());
}

double SmoothStep(double e0, double e1, double x) {
  double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

bool MakeRay(const std::string& dir) {
  constexpr int kSize = 64;
  std::vector<uint8_t> rgb(kSize * kSize * 3);
  auto across = [](double d) {  // d: 0 at the centre line, 1 at the edge pixel centre
    double core = std::exp(-d * d / (2 * 0.07 * 0.07));
    double body = std::exp(-d * d / (2 * 0.30 * 0.30));
    double edge = std::exp(-1.0 / (2 * 0.30 * 0.30));
    return 0.55 * core + 0.45 * (body - edge) / (1.0 - edge);
  };
  for (int y = 0; y < kSize; ++y) {
    // Ends fade over a quarter of the height each and reach black at the outer rows.
    double yc = (y + 0.5) / kSize;
    double along = SmoothStep(0.5 / kSize, 0.28, yc) * SmoothStep(0.5 / kSize, 0.28, 1.0 - yc);
    for (int x = 0; x < kSize; ++x) {
      double d = std::fabs(x + 0.5 - kSize / 2.0) / (kSize / 2.0 - 0.5);
      double i = std::max(0.0, across(std::min(d, 1.0))) * along;
      // Green body, mint towards the core, nearly white on the centre line.
      double r = 20 / 255.0 * i + (131 - 20) / 255.0 * std::pow(i, 3) + (235 - 131) / 255.0 * std::pow(i, 8);
      double g = 224 / 255.0 * i + (252 - 224) / 255.0 * std::pow(i, 3) + (255 - 252) / 255.0 * std::pow(i, 8);
      double b = 20 / 255.0 * i + (188 - 20) / 255.0 * std::pow(i, 3) + (235 - 188) / 255.0 * std::pow(i, 8);
      uint8_t* p = &rgb[(y * kSize + x) * 3];
      p[0] = ToByte(r);
      p[1] = ToByte(g);
      p[2] = ToByte(b);
    }
  }
  std::string path = dir + "/textures/ray.bmp";
  return SaveBmp24(path.c_str(), kSize, kSize, rgb.data());
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

// Draws text centred on (cx, baseline) mirrored left to right, as the saver's kana are.
void MirroredText(cairo_t* cr, const char* text, double cx, double baseline) {
  cairo_text_extents_t e;
  cairo_text_extents(cr, text, &e);
  cairo_save(cr);
  cairo_translate(cr, cx, baseline);
  cairo_scale(cr, -1.0, 1.0);
  cairo_move_to(cr, -(e.x_bearing + e.width / 2.0), 0.0);
  cairo_show_text(cr, text);
  cairo_restore(cr);
}

bool MakeIcon(ArtFont* font, int size, const std::string& dir) {
  cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(surf);
  double s = size;
  RoundedRect(cr, 0, 0, s, s, s * 0.16);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_fill_preserve(cr);
  cairo_clip(cr);

  cairo_set_font_face(cr, font->CairoFace());
  cairo_font_options_t* opts = cairo_font_options_create();
  // Small sizes snap to the pixel grid; large ones keep the outline's shape.
  cairo_font_options_set_hint_style(opts, size <= 32 ? CAIRO_HINT_STYLE_FULL : CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(opts, CAIRO_ANTIALIAS_GRAY);
  cairo_set_font_options(cr, opts);
  cairo_font_options_destroy(opts);

  // One column: the head low in the tile, the tail above it fading upwards.
  const char* tail[] = {"\xE3\x83\x86", "\xE3\x82\xAB", "\xE3\x83\xA8"};  // te ka yo
  const char* head = "\xE3\x83\xA2";                                        // mo
  // The column (tail glyphs, gaps, head) fills most of the tile's height.
  int tailCount = size <= 32 ? 1 : 2;
  cairo_set_font_size(cr, 100.0);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, head, &ext);
  double gapShare = 0.22;  // gap between glyphs, as a share of a glyph's height
  double columnH = s * (size <= 16 ? 0.92 : 0.80);
  double glyphH = columnH / ((tailCount + 1) + tailCount * gapShare);
  double glyph = 100.0 * glyphH / ext.height;
  double pitch = glyphH * (1.0 + gapShare);
  double cx = s * 0.5;
  // Baseline of the head: the column centred vertically in the tile.
  double headBase = (s + columnH) / 2.0 - (ext.height + ext.y_bearing) * glyph / 100.0;
  cairo_set_font_size(cr, glyph);
  for (int k = 1; k <= tailCount; ++k) {
    double level = size <= 32 ? 0.75 : 1.0 - 0.3 * k;
    cairo_set_source_rgb(cr, 20 / 255.0 * level, 224 / 255.0 * level, 20 / 255.0 * level);
    MirroredText(cr, tail[k - 1], cx, headBase - k * pitch);
  }
  // Soft halo behind the head, then the mint head itself.
  if (size >= 32) {
    cairo_pattern_t* halo = cairo_pattern_create_radial(cx, headBase - glyph * 0.42, 0, cx,
                                                        headBase - glyph * 0.42, glyph * 0.9);
    cairo_pattern_add_color_stop_rgba(halo, 0.0, 20 / 255.0, 224 / 255.0, 20 / 255.0, 0.45);
    cairo_pattern_add_color_stop_rgba(halo, 1.0, 20 / 255.0, 224 / 255.0, 20 / 255.0, 0.0);
    cairo_set_source(cr, halo);
    cairo_paint(cr);
    cairo_pattern_destroy(halo);
  }
  cairo_set_source_rgb(cr, 131 / 255.0, 252 / 255.0, 188 / 255.0);
  MirroredText(cr, head, cx, headBase);
  cairo_destroy(cr);

  // PNG keeps the tile's rounded corners transparent; un-premultiply Cairo's colours.
  cairo_surface_flush(surf);
  const uint8_t* data = cairo_image_surface_get_data(surf);
  int stride = cairo_image_surface_get_stride(surf);
  std::vector<uint8_t> rgba(static_cast<size_t>(size) * size * 4);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      uint32_t p = reinterpret_cast<const uint32_t*>(data + y * stride)[x];
      uint8_t a = static_cast<uint8_t>(p >> 24);
      uint8_t* d = &rgba[(static_cast<size_t>(y) * size + x) * 4];
      for (int c = 0; c < 3; ++c) {
        uint32_t v = (p >> (16 - 8 * c)) & 0xFF;
        d[c] = a ? static_cast<uint8_t>(std::min<uint32_t>(255, (v * 255 + a / 2) / a)) : 0;
      }
      d[3] = a;
    }
  cairo_surface_destroy(surf);
  std::string path = dir + "/icons/vexlar3d_" + std::to_string(size) + ".png";
  return SavePng(path.c_str(), size, size, rgba.data(), 4);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = ResourceDir(argc, argv);
  if (!MakeDirs(dir + "/textures") || !MakeDirs(dir + "/icons")) return 1;
  if (!MakeNearGlyphMap(dir) || !MakeRay(dir)) {
    std::fprintf(stderr, "cannot write the near-glyph map or the ray\n");
    return 1;
  }
  ArtFont font;
  if (!font.Open(FindFont("Mplus1Code-Bold.otf"))) {
    std::fprintf(stderr, "M+ 1 Code Bold not found (package fonts-mplus)\n");
    return 1;
  }
  for (int size : {16, 32, 48, 64, 128, 256}) {
    if (!MakeIcon(&font, size, dir)) {
      std::fprintf(stderr, "cannot write the %d-pixel icon\n", size);
      return 1;
    }
  }
  return 0;
}
