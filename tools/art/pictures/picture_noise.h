// picture_noise.h — deterministic hash noise for the pictures: a per-cell
// hash, smooth value noise and fractal sums. Pure integer hashing, so the
// result depends on the arguments alone.
#pragma once

#include <cmath>
#include <cstdint>

inline uint32_t HashU32(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  x ^= x >> 16;
  return x;
}

inline uint32_t Hash3(int a, int b, int c) {
  uint32_t h = HashU32(static_cast<uint32_t>(a) * 0x9E3779B1u);
  h = HashU32(h ^ (static_cast<uint32_t>(b) * 0x85EBCA77u));
  return HashU32(h ^ (static_cast<uint32_t>(c) * 0xC2B2AE3Du));
}

// Uniform in [0, 1) from three integers.
inline float HashF(int a, int b, int c = 0) { return (Hash3(a, b, c) >> 8) * (1.0f / 16777216.0f); }

inline float SmoothStep(float e0, float e1, float x) {
  float t = (x - e0) / (e1 - e0);
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  return t * t * (3 - 2 * t);
}

// Value noise in [0, 1) with quintic blending.
inline float ValueNoise(float x, float y, int seed) {
  float fx = std::floor(x), fy = std::floor(y);
  int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * tx * (tx * (tx * 6 - 15) + 10);
  ty = ty * ty * ty * (ty * (ty * 6 - 15) + 10);
  float a = HashF(ix, iy, seed), b = HashF(ix + 1, iy, seed);
  float c = HashF(ix, iy + 1, seed), d = HashF(ix + 1, iy + 1, seed);
  return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

// Fractal sum of octaves, normalised to [0, 1).
inline float Fbm(float x, float y, int seed, int octaves = 4) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * ValueNoise(x, y, seed + i * 131);
    norm += amp;
    x = x * 2.03f + 17.1f;
    y = y * 2.03f - 9.7f;
    amp *= 0.5f;
  }
  return sum / norm;
}
