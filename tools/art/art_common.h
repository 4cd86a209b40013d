// art_common.h — helpers shared by the art generators in tools/art: a fixed
// pseudo-random generator (same sequence on every machine and library), image
// writers on top of FreeImage, glyph rendering with FreeType and a bridge from
// Cairo surfaces to plain RGB. Pixel buffers are top-down rows, no padding.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// xorshift64* generator; the sequence depends on the seed alone.
class ArtRandom {
public:
  explicit ArtRandom(uint64_t seed = 0x9E3779B97F4A7C15ull);
  uint32_t Next();
  // Uniform in [0, 1).
  double Uniform();
  // Uniform in [lo, hi).
  double Uniform(double lo, double hi);
  // Uniform integer in [0, n); n must be positive.
  uint32_t Below(uint32_t n);
  // Approximately normal (sum of uniforms), mean 0, deviation 1.
  double Gaussian();

private:
  uint64_t state_;
};

// rgb: w*h*3 bytes, R G B order, top row first. quality: 1..100.
bool SaveRgbJpeg(const char* path, int w, int h, const uint8_t* rgb, int quality);
// rgb: w*h*3 bytes (channels == 3) or rgba w*h*4 bytes (channels == 4), top row first.
bool SavePng(const char* path, int w, int h, const uint8_t* pixels, int channels);
// bits: w*h bytes, nonzero = white. Written as a one-bit BMP with a black/white palette.
bool SaveBmp1(const char* path, int w, int h, const uint8_t* bits);
// rgb: w*h*3 bytes, R G B order, top row first.
bool SaveBmp24(const char* path, int w, int h, const uint8_t* rgb);

// Loads any image FreeImage reads into 8-bit RGB (top row first). False on failure.
bool LoadRgb(const char* path, int* w, int* h, std::vector<uint8_t>* rgb);

// Maps 0..1 to 0..255, clamped and rounded.
uint8_t ToByte(double v);

// Directory of the repository's resources folder: argv[1] if given, else "resources".
std::string ResourceDir(int argc, char** argv);

// Creates a directory and its parents; true if it exists afterwards.
bool MakeDirs(const std::string& path);

// Full path of a font file found under /usr/share/fonts (searched recursively),
// or "" when it is not installed.
std::string FindFont(const char* fileName);

// One glyph rendered by FreeType: coverage 0..255 (or 0/255 when rendered
// monochrome), width x height, its top-left corner at (left, -top) from the
// pen position on the baseline.
struct GlyphBitmap {
  int width = 0;
  int height = 0;
  int left = 0;
  int top = 0;
  int advance = 0;  // pixels
  std::vector<uint8_t> coverage;
};

// A FreeType face with hinting on. Pixel sizes may differ in x and y, which
// condenses or widens the glyphs.
class ArtFont {
public:
  ArtFont();
  ~ArtFont();
  ArtFont(const ArtFont&) = delete;
  ArtFont& operator=(const ArtFont&) = delete;

  bool Open(const std::string& path);
  bool HasGlyph(uint32_t codepoint) const;
  void SetPixelSize(int width, int height);
  // mono: FreeType's own one-bit rasteriser with its monochrome hinting.
  bool Render(uint32_t codepoint, bool mono, GlyphBitmap* out) const;
  // A Cairo font face on this face (owned by the ArtFont, valid while it lives),
  // for drawing outlines with cairo_show_text / cairo_text_path.
  cairo_font_face_t* CairoFace();

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Copies a Cairo image surface (ARGB32 or RGB24) into top-down RGB bytes;
// Cairo's premultiplied colour is the picture composited over black.
std::vector<uint8_t> CairoToRgb(cairo_surface_t* surface);

// Separable Gaussian blur of a w x h float field. wrap: the field tiles
// seamlessly (edges wrap around); otherwise outside samples count as zero.
void GaussianBlur(std::vector<float>* field, int w, int h, double sigma, bool wrap);
