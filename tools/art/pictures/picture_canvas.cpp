// picture_canvas.cpp — light buffer, bloom and tone mapping for the pictures.
#include "pictures/picture_canvas.h"

#include <algorithm>
#include <cmath>

#include "art_common.h"

Canvas::Canvas(int outWidth, int outHeight, int supersample)
    : outW_(outWidth), outH_(outHeight), ss_(supersample),
      w_(outWidth * supersample), h_(outHeight * supersample),
      px_(static_cast<size_t>(w_) * h_) {}

void Canvas::AddSub(float x, float y, Rgb c) {
  float fx = x - 0.5f, fy = y - 0.5f;
  int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
  float ax = fx - x0, ay = fy - y0;
  Add(x0, y0, c * ((1 - ax) * (1 - ay)));
  Add(x0 + 1, y0, c * (ax * (1 - ay)));
  Add(x0, y0 + 1, c * ((1 - ax) * ay));
  Add(x0 + 1, y0 + 1, c * (ax * ay));
}

void Canvas::AddSpot(float x, float y, float radius, Rgb c) {
  if (radius < 0.3f) {
    AddSub(x, y, c);
    return;
  }
  int reach = static_cast<int>(std::ceil(radius * 3.0f));
  int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
  float inv = 1.0f / (2.0f * radius * radius);
  for (int py = std::max(0, cy - reach); py <= std::min(h_ - 1, cy + reach); ++py)
    for (int px = std::max(0, cx - reach); px <= std::min(w_ - 1, cx + reach); ++px) {
      float dx = px + 0.5f - x, dy = py + 0.5f - y;
      float d2 = dx * dx + dy * dy;
      if (d2 > 9.0f * radius * radius) continue;
      At(px, py) += c * std::exp(-d2 * inv);
    }
}

void Canvas::AddLine(float x0, float y0, float x1, float y1, float width, Rgb c, bool keepBrightest) {
  float half = std::max(0.5f, width * 0.5f);
  int minX = std::max(0, static_cast<int>(std::floor(std::min(x0, x1) - half - 1)));
  int maxX = std::min(w_ - 1, static_cast<int>(std::ceil(std::max(x0, x1) + half + 1)));
  int minY = std::max(0, static_cast<int>(std::floor(std::min(y0, y1) - half - 1)));
  int maxY = std::min(h_ - 1, static_cast<int>(std::ceil(std::max(y0, y1) + half + 1)));
  float dx = x1 - x0, dy = y1 - y0;
  float len2 = dx * dx + dy * dy;
  // Thin lines keep their energy: below one pixel wide the coverage fades instead.
  float gain = width < 1.0f ? std::max(width, 0.05f) : 1.0f;
  for (int py = minY; py <= maxY; ++py)
    for (int px = minX; px <= maxX; ++px) {
      float qx = px + 0.5f - x0, qy = py + 0.5f - y0;
      float t = len2 > 0 ? std::clamp((qx * dx + qy * dy) / len2, 0.0f, 1.0f) : 0.0f;
      float ex = qx - t * dx, ey = qy - t * dy;
      float d = std::sqrt(ex * ex + ey * ey);
      float cover = std::clamp(half + 0.5f - d, 0.0f, 1.0f);
      if (cover <= 0) continue;
      Rgb add = c * (cover * gain);
      Rgb& p = At(px, py);
      if (keepBrightest) p = {std::max(p.r, add.r), std::max(p.g, add.g), std::max(p.b, add.b)};
      else p += add;
    }
}

void Canvas::AddCanvas(const Canvas& other, float k) {
  for (size_t i = 0; i < px_.size() && i < other.px_.size(); ++i) px_[i] += other.px_[i] * k;
}

namespace {

// One box pass of radius r along a line of n samples with the given stride;
// outside the image counts as black.
template <typename T>
void BoxLine(T* data, int n, int stride, int r, std::vector<T>* tmp) {
  tmp->assign(n, T{});
  T sum{};
  float norm = 1.0f / (2 * r + 1);
  for (int i = 0; i <= std::min(r, n - 1); ++i) sum += data[i * stride];
  for (int i = 0; i < n; ++i) {
    (*tmp)[i] = sum * norm;
    int add = i + r + 1, sub = i - r;
    if (add < n) sum += data[add * stride];
    if (sub >= 0) sum += data[sub * stride] * -1.0f;
  }
  for (int i = 0; i < n; ++i) data[i * stride] = (*tmp)[i];
}

template <typename T>
void BoxBlurImpl(std::vector<T>* img, int w, int h, int r) {
  if (r <= 0) return;
  std::vector<T> tmp;
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < h; ++y) BoxLine(img->data() + static_cast<size_t>(y) * w, w, 1, r, &tmp);
    for (int x = 0; x < w; ++x) BoxLine(img->data() + x, h, w, r, &tmp);
  }
}

struct Scalar {
  float v = 0;
  Scalar& operator+=(Scalar o) { v += o.v; return *this; }
  Scalar operator*(float s) const { return {v * s}; }
};

}  // namespace

void BoxBlur3(std::vector<Rgb>* img, int w, int h, int r) { BoxBlurImpl(img, w, h, r); }

void BoxBlur3(std::vector<float>* img, int w, int h, int r) {
  std::vector<Scalar> tmp(img->size());
  for (size_t i = 0; i < img->size(); ++i) tmp[i].v = (*img)[i];
  BoxBlurImpl(&tmp, w, h, r);
  for (size_t i = 0; i < img->size(); ++i) (*img)[i] = tmp[i].v;
}

void Canvas::Bloom(float threshold, const std::vector<float>& radii, const std::vector<float>& weights) {
  // Blur at half resolution: cheaper, and the wide radii do not need the detail.
  int hw = w_ / 2, hh = h_ / 2;
  std::vector<Rgb> bright(static_cast<size_t>(hw) * hh);
  for (int y = 0; y < hh; ++y)
    for (int x = 0; x < hw; ++x) {
      Rgb s = (At(2 * x, 2 * y) + At(2 * x + 1, 2 * y) + At(2 * x, 2 * y + 1) + At(2 * x + 1, 2 * y + 1)) * 0.25f;
      float m = std::max({s.r, s.g, s.b});
      float k = m > threshold ? (m - threshold) / m : 0.0f;
      bright[static_cast<size_t>(y) * hw + x] = s * k;
    }
  std::vector<Rgb> sum(bright.size());
  for (size_t i = 0; i < radii.size(); ++i) {
    std::vector<Rgb> b = bright;
    // Three box passes of radius r approximate a gaussian of sigma ~ r.
    BoxBlur3(&b, hw, hh, std::max(1, static_cast<int>(std::lround(radii[i] * 0.5f))));
    for (size_t j = 0; j < b.size(); ++j) sum[j] += b[j] * weights[i];
  }
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      // Bilinear upsample of the half-resolution glow.
      float fx = (x + 0.5f) * 0.5f - 0.5f, fy = (y + 0.5f) * 0.5f - 0.5f;
      int x0 = std::clamp(static_cast<int>(std::floor(fx)), 0, hw - 1);
      int y0 = std::clamp(static_cast<int>(std::floor(fy)), 0, hh - 1);
      int x1 = std::min(x0 + 1, hw - 1), y1 = std::min(y0 + 1, hh - 1);
      float ax = std::clamp(fx - x0, 0.0f, 1.0f), ay = std::clamp(fy - y0, 0.0f, 1.0f);
      Rgb a = Mix(sum[static_cast<size_t>(y0) * hw + x0], sum[static_cast<size_t>(y0) * hw + x1], ax);
      Rgb b = Mix(sum[static_cast<size_t>(y1) * hw + x0], sum[static_cast<size_t>(y1) * hw + x1], ax);
      At(x, y) += Mix(a, b, ay);
    }
}

void Canvas::Finish(const FinishParams& p, std::vector<uint8_t>* rgb) const {
  rgb->assign(static_cast<size_t>(outW_) * outH_ * 3, 0);
  ArtRandom rng(p.grainSeed * 0x9E3779B97F4A7C15ull + 12345);
  float inv = 1.0f / (ss_ * ss_);
  for (int y = 0; y < outH_; ++y) {
    float scan = 1.0f - p.scanlines * (0.5f + 0.5f * std::cos(y * 2.0943951f));
    for (int x = 0; x < outW_; ++x) {
      Rgb s;
      for (int j = 0; j < ss_; ++j)
        for (int i = 0; i < ss_; ++i) s += At(x * ss_ + i, y * ss_ + j);
      s = s * (inv * p.exposure);
      float nx = (x + 0.5f) / outW_ * 2 - 1, ny = (y + 0.5f) / outH_ * 2 - 1;
      float vig = 1.0f - p.vignette * std::pow((nx * nx + ny * ny) * 0.5f, 1.3f);
      s = s * (vig * scan);
      // Tone curve on the strongest channel keeps the hue; light far above
      // white bleaches towards mint and then white, as phosphor does.
      float m = std::max({s.r, s.g, s.b, 1e-6f});
      float mapped = 1.0f - std::exp(-m);
      Rgb c = s * (mapped / m);
      float bleach = std::clamp((m - 1.6f) / 5.0f, 0.0f, 1.0f);
      bleach = bleach * bleach * (3 - 2 * bleach) * 0.85f;
      Rgb hot = Mix(kLead, kWhite, bleach) * mapped;
      c = Mix(c, hot, bleach);
      // Grain and dither: triangular noise of about one level, plus film grain.
      float g = static_cast<float>(rng.Uniform() - rng.Uniform());
      float grain = static_cast<float>(rng.Gaussian()) * p.grain * std::sqrt(std::max(c.g, 0.0f) + 0.02f);
      float d = g / 255.0f;
      uint8_t* o = rgb->data() + (static_cast<size_t>(y) * outW_ + x) * 3;
      o[0] = ToByte(c.r + d + grain * c.r / std::max(c.g, 1e-4f));
      o[1] = ToByte(c.g + d + grain);
      o[2] = ToByte(c.b + d + grain * c.b / std::max(c.g, 1e-4f));
      // Green stays the strongest channel, so no tint leaves the palette.
      o[0] = std::min(o[0], o[1]);
      o[2] = std::min(o[2], o[1]);
    }
  }
}
