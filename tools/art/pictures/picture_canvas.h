// picture_canvas.h — the light buffer the still pictures are painted into.
// A supersampled float RGB canvas: scenes add light in the saver's palette,
// bloom spreads the bright parts, and Finish() tone-maps to 8-bit RGB with
// grain, faint scanlines and a vignette. Colours stay green, mint, cyan or
// white: the tone curve only ever bleaches bright green towards white.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
  float r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(float s, Rgb a) { return a * s; }
inline Rgb& operator+=(Rgb& a, Rgb b) { a.r += b.r; a.g += b.g; a.b += b.b; return a; }
inline Rgb Mix(Rgb a, Rgb b, float t) { return a * (1.0f - t) + b * t; }

// The saver's colours: stream body, leading glyph, and the two highlight tints.
inline constexpr Rgb kBody{20 / 255.0f, 224 / 255.0f, 20 / 255.0f};
inline constexpr Rgb kLead{131 / 255.0f, 252 / 255.0f, 188 / 255.0f};
inline constexpr Rgb kCyan{0.30f, 0.95f, 0.95f};
inline constexpr Rgb kWhite{1.0f, 1.0f, 1.0f};
// A deep green for fog and far light.
inline constexpr Rgb kDeep{0.03f, 0.55f, 0.06f};

struct FinishParams {
  float exposure = 1.0f;
  float vignette = 0.35f;    // darkening at the corners, 0..1
  float scanlines = 0.035f;  // depth of the row modulation
  float grain = 0.012f;      // amplitude of the film grain
  uint64_t grainSeed = 1;
};

void BoxBlur3(std::vector<Rgb>* img, int w, int h, int r);

class Canvas {
 public:
  // Output size and supersampling factor; the work buffer is ss times larger.
  Canvas(int outWidth, int outHeight, int supersample = 2);

  int W() const { return w_; }
  int H() const { return h_; }
  int OutW() const { return outW_; }
  int OutH() const { return outH_; }
  // Pixels of the work buffer per output pixel.
  float SS() const { return static_cast<float>(ss_); }

  Rgb& At(int x, int y) { return px_[static_cast<size_t>(y) * w_ + x]; }
  const Rgb& At(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
  void Add(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < w_ && y < h_) At(x, y) += c;
  }
  // Adds c * weight with bilinear spread over the four pixels around (x, y).
  void AddSub(float x, float y, Rgb c);
  // A soft round spot: gaussian of the given radius (one sigma), peak colour c.
  void AddSpot(float x, float y, float radius, Rgb c);
  // An anti-aliased line of the given width with round ends; core colour c.
  // With keepBrightest the line only raises pixels to its own light instead
  // of adding, so that joints of a polyline do not show as beads.
  void AddLine(float x0, float y0, float x1, float y1, float width, Rgb c, bool keepBrightest = false);

  // Adds blurred copies of the light above threshold, one per radius with its
  // weight (radii in work-buffer pixels).
  void Bloom(float threshold, const std::vector<float>& radii, const std::vector<float>& weights);
  // Blurs the whole buffer (three box passes of radius r, work pixels).
  void Blur(int r) { BoxBlur3(&px_, w_, h_, r); }
  // Adds another canvas of the same size, scaled by k.
  void AddCanvas(const Canvas& other, float k);

  // Box-filters down to the output size, tone-maps and writes RGB bytes.
  void Finish(const FinishParams& params, std::vector<uint8_t>* rgb) const;

 private:
  int outW_, outH_, ss_, w_, h_;
  std::vector<Rgb> px_;
};

// Blurs a single-channel image in place with three box passes of radius r.
void BoxBlur3(std::vector<float>* img, int w, int h, int r);
