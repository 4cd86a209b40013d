// make_digits.cpp — writes the twelve overlay digits textures/digit_0.jpg ..
// digit_9.jpg, digit_colon.jpg and digit_point.jpg: 64 x 64 JPEG, a bold
// monospaced character in white with a pale green rim and a soft green glow on
// pure black. All twelve share one font size, baseline and advance box, so a
// clock built from them does not jitter. Font: M+ 1 Code Bold (SIL OFL).
// Usage: make_digits [resource-dir]
#include "art_common.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 64;
constexpr double kDigitHeight = 40.0;  // pixels from baseline to the top of "0"
constexpr double kRimWidth = 1.7;      // pixels of mint outside the white core
constexpr double kGlowSigma = 3.6;
constexpr double kGlowStrength = 0.85;

struct Mint {
  double r, g, b;
};
constexpr Mint kRim{131 / 255.0, 252 / 255.0, 188 / 255.0};
constexpr Mint kGlow{20 / 255.0, 224 / 255.0, 20 / 255.0};

// Renders the text path into an A8 coverage field, filled (strokeWidth 0) or stroked.
std::vector<float> Coverage(cairo_font_face_t* face, double fontSize, const char* text, double x, double y,
                            double strokeWidth) {
  cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_A8, kSize, kSize);
  cairo_t* cr = cairo_create(surf);
  cairo_set_font_face(cr, face);
  cairo_set_font_size(cr, fontSize);
  cairo_font_options_t* opts = cairo_font_options_create();
  cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(opts, CAIRO_ANTIALIAS_GRAY);
  cairo_set_font_options(cr, opts);
  cairo_font_options_destroy(opts);
  cairo_move_to(cr, x, y);
  cairo_text_path(cr, text);
  if (strokeWidth > 0.0) {
    cairo_set_line_width(cr, strokeWidth);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
  }
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(surf);
  std::vector<float> out(kSize * kSize);
  const uint8_t* data = cairo_image_surface_get_data(surf);
  int stride = cairo_image_surface_get_stride(surf);
  for (int yy = 0; yy < kSize; ++yy)
    for (int xx = 0; xx < kSize; ++xx) out[yy * kSize + xx] = data[yy * stride + xx] / 255.0f;
  cairo_surface_destroy(surf);
  return out;
}

struct Layout {
  double fontSize;
  double x;  // pen position shared by all twelve
  double baseline;
};

Layout MeasureLayout(cairo_font_face_t* face) {
  cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_A8, kSize, kSize);
  cairo_t* cr = cairo_create(surf);
  cairo_set_font_face(cr, face);
  cairo_set_font_size(cr, 100.0);
  cairo_text_extents_t zero;
  cairo_text_extents(cr, "0", &zero);
  Layout l;
  l.fontSize = 100.0 * kDigitHeight / -zero.y_bearing;
  cairo_set_font_size(cr, l.fontSize);
  cairo_text_extents(cr, "0", &zero);
  // Centre the monospaced advance box, and the digits' height, in the square.
  l.x = (kSize - zero.x_advance) / 2.0;
  l.baseline = (kSize + kDigitHeight) / 2.0;
  cairo_destroy(cr);
  cairo_surface_destroy(surf);
  return l;
}

bool WriteCharacter(cairo_font_face_t* face, const Layout& l, const char* text, const std::string& path) {
  std::vector<float> core = Coverage(face, l.fontSize, text, l.x, l.baseline, 0.0);
  std::vector<float> outer = Coverage(face, l.fontSize, text, l.x, l.baseline, 2.0 * kRimWidth);
  std::vector<float> glow = outer;
  GaussianBlur(&glow, kSize, kSize, kGlowSigma, false);
  std::vector<uint8_t> rgb(kSize * kSize * 3);
  for (int i = 0; i < kSize * kSize; ++i) {
    // The glow's faint skirt is cut to zero so the background stays pure black.
    double g = std::max(0.0, glow[i] * kGlowStrength - 0.03) / (1.0 - 0.03);
    double r = kGlow.r * g, gr = kGlow.g * g, b = kGlow.b * g;
    double rim = outer[i];
    r = r * (1 - rim) + kRim.r * rim;
    gr = gr * (1 - rim) + kRim.g * rim;
    b = b * (1 - rim) + kRim.b * rim;
    double c = core[i];
    r = r * (1 - c) + c;
    gr = gr * (1 - c) + c;
    b = b * (1 - c) + c;
    rgb[i * 3 + 0] = ToByte(r);
    rgb[i * 3 + 1] = ToByte(gr);
    rgb[i * 3 + 2] = ToByte(b);
  }
  return SaveRgbJpeg(path.c_str(), kSize, kSize, rgb.data(), 95);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = ResourceDir(argc, argv);
  ArtFont font;
  if (!font.Open(FindFont("Mplus1Code-Bold.otf"))) {
    std::fprintf(stderr, "M+ 1 Code Bold not found (package fonts-mplus)\n");
    return 1;
  }
  cairo_font_face_t* face = font.CairoFace();
  Layout layout = MeasureLayout(face);
  if (!MakeDirs(dir + "/textures")) return 1;
  struct Item {
    const char* text;
    const char* name;
  };
  const Item items[] = {{"0", "0"}, {"1", "1"}, {"2", "2"}, {"3", "3"},         {"4", "4"},        {"5", "5"},
                        {"6", "6"}, {"7", "7"}, {"8", "8"}, {"9", "9"}, {":", "colon"}, {".", "point"}};
  for (const Item& it : items) {
    std::string path = dir + "/textures/digit_" + it.name + ".jpg";
    if (!WriteCharacter(face, layout, it.text, path)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
