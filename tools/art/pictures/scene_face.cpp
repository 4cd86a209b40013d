// scene_face.cpp — picture 2: an imaginary face made only of glyphs. A head
// built from smooth-blended distance shapes is ray-marched into a shading
// map (key light, cyan rim light, occlusion); a grid of glyphs then takes
// its brightness from that map, and falling streaks pass over it.
#include <algorithm>
#include <cmath>
#include <vector>

#include "pictures/scene_kit.h"
#include "pictures/scenes.h"
#include "pictures/vec3.h"

namespace {

float SMin(float a, float b, float k) {
  float h = std::clamp(0.5f + 0.5f * (b - a) / k, 0.0f, 1.0f);
  return b * (1 - h) + a * h - k * h * (1 - h);
}

float SMax(float a, float b, float k) { return -SMin(-a, -b, k); }

float Ellipsoid(Vec3 p, Vec3 c, Vec3 r) {
  Vec3 q = p - c;
  Vec3 a{q.x / r.x, q.y / r.y, q.z / r.z};
  Vec3 b{q.x / (r.x * r.x), q.y / (r.y * r.y), q.z / (r.z * r.z)};
  float k0 = Length(a), k1 = Length(b);
  return k1 > 0 ? k0 * (k0 - 1.0f) / k1 : -std::min({r.x, r.y, r.z});
}

float Capsule(Vec3 p, Vec3 a, Vec3 b, float r) {
  Vec3 pa = p - a, ba = b - a;
  float h = std::clamp(Dot(pa, ba) / Dot(ba, ba), 0.0f, 1.0f);
  return Length(pa - ba * h) - r;
}

float Sphere(Vec3 p, Vec3 c, float r) { return Length(p - c) - r; }

// The head, facing +z, about 2 units tall; symmetric in x.
float Head(Vec3 p) {
  Vec3 m{std::fabs(p.x), p.y, p.z};  // mirrored for the paired features
  float d = Ellipsoid(p, {0, 0.28f, -0.05f}, {0.74f, 0.9f, 0.86f});                       // skull
  d = SMin(d, Ellipsoid(p, {0, -0.32f, 0.16f}, {0.6f, 0.62f, 0.62f}), 0.28f);             // face mass
  d = SMin(d, Ellipsoid(p, {0, -0.86f, 0.38f}, {0.24f, 0.16f, 0.2f}), 0.2f);               // chin
  d = SMin(d, Ellipsoid(m, {0.42f, -0.12f, 0.48f}, {0.2f, 0.16f, 0.18f}), 0.16f);          // cheekbones
  d = SMin(d, Capsule(m, {0.08f, 0.3f, 0.72f}, {0.42f, 0.3f, 0.62f}, 0.075f), 0.12f);       // brow
  d = SMin(d, Capsule(p, {0, 0.14f, 0.8f}, {0, -0.22f, 0.98f}, 0.075f), 0.1f);              // nose bridge
  d = SMin(d, Sphere(p, {0, -0.24f, 0.95f}, 0.1f), 0.08f);                                  // nose tip
  d = SMin(d, Ellipsoid(m, {0.09f, -0.27f, 0.88f}, {0.07f, 0.055f, 0.06f}), 0.05f);        // nostrils
  // Eye sockets carved out, eyeballs set into them.
  d = SMax(d, -Sphere(m, {0.28f, 0.1f, 0.86f}, 0.17f), 0.08f);
  d = std::min(d, Sphere(m, {0.28f, 0.1f, 0.64f}, 0.16f));
  // Lids: thin shells over the upper part of the eyes.
  d = SMin(d, std::max(Sphere(m, {0.28f, 0.1f, 0.64f}, 0.185f), -(m.y - 0.11f) - 0.0f), 0.02f);
  // Lips.
  d = SMin(d, Ellipsoid(p, {0, -0.48f, 0.8f}, {0.2f, 0.055f, 0.09f}), 0.06f);
  d = SMin(d, Ellipsoid(p, {0, -0.58f, 0.77f}, {0.17f, 0.06f, 0.09f}), 0.06f);
  d = SMax(d, -Ellipsoid(p, {0, -0.53f, 0.86f}, {0.16f, 0.012f, 0.08f}), 0.015f);           // mouth line
  d = SMin(d, Ellipsoid(m, {0.76f, 0.02f, -0.02f}, {0.07f, 0.2f, 0.12f}), 0.05f);          // ears
  d = SMin(d, Capsule(p, {0, -0.7f, -0.15f}, {0, -2.2f, -0.3f}, 0.43f), 0.3f);             // neck
  return d;
}

struct Pose {
  float yaw, pitch, roll;
};

float Scene(Vec3 p, const Pose& pose) {
  Vec3 q = RotateZ(RotateX(RotateY(p, -pose.yaw), -pose.pitch), -pose.roll);
  return Head(q);
}

Vec3 Normal(Vec3 p, const Pose& pose) {
  const float e = 0.002f;
  return Normalize({Scene(p + Vec3{e, 0, 0}, pose) - Scene(p - Vec3{e, 0, 0}, pose),
                    Scene(p + Vec3{0, e, 0}, pose) - Scene(p - Vec3{0, e, 0}, pose),
                    Scene(p + Vec3{0, 0, e}, pose) - Scene(p - Vec3{0, 0, e}, pose)});
}

struct Shade {
  float key = 0, rim = 0, mask = 0;
};

// Ray-marches one view ray from the camera at (0, 0, dist).
Shade Trace(float sx, float sy, float dist, const Pose& pose) {
  Vec3 o{0, 0, dist};
  Vec3 dir = Normalize({sx, sy, -1.0f});
  float t = dist - 1.6f;
  for (int i = 0; i < 96 && t < dist + 2; ++i) {
    Vec3 p = o + dir * t;
    float d = Scene(p, pose);
    if (d < 0.001f) {
      Vec3 n = Normal(p, pose);
      Vec3 key = Normalize({-0.45f, 0.6f, 0.7f});
      Vec3 back = Normalize({0.9f, 0.2f, -0.4f});
      float diff = std::max(0.0f, Dot(n, key));
      // Ambient occlusion from a few steps along the normal.
      float ao = 1;
      for (int k = 1; k <= 4; ++k) {
        float h = 0.04f * k;
        ao -= (h - Scene(p + n * h, pose)) * (0.9f / k);
      }
      ao = std::clamp(ao, 0.0f, 1.0f);
      // Soft shadow of the key light (the nose on the cheek, the brow on the eyes).
      float shadow = 1;
      float st = 0.02f;
      for (int k = 0; k < 24 && st < 1.5f; ++k) {
        float h = Scene(p + key * st, pose);
        shadow = std::min(shadow, 10.0f * h / st);
        st += std::clamp(h, 0.01f, 0.2f);
      }
      shadow = std::clamp(shadow, 0.0f, 1.0f);
      float facing = std::max(0.0f, Dot(n, dir * -1.0f));
      Vec3 h = Normalize(key - dir);
      float specular = std::pow(std::max(0.0f, Dot(n, h)), 28.0f) * shadow;
      Shade s;
      s.key = (0.05f + diff * shadow * 0.95f) * (0.35f + 0.65f * ao) + 0.5f * specular;
      s.rim = std::pow(1.0f - facing, 3.0f) * std::max(0.0f, Dot(n, back) + 0.3f) * ao;
      s.mask = 1;
      return s;
    }
    t += d * 0.9f;
  }
  return {};
}

}  // namespace

void PaintCodeFace(Canvas& c, const GlyphAtlas& atlas, FinishParams* finish) {
  const int W = c.W(), H = c.H();
  const Pose pose{0.42f, -0.06f, 0.04f};
  const float dist = 5.0f, zoom = 0.28f;  // half height of the view at unit depth
  // Shading map at a quarter of the work resolution; the glyphs sample it.
  const int mw = W / 4, mh = H / 4;
  std::vector<Shade> map(static_cast<size_t>(mw) * mh);
  const float cx = 0.56f * W, cy = 0.5f * H;
  for (int y = 0; y < mh; ++y)
    for (int x = 0; x < mw; ++x) {
      float px = (x + 0.5f) * 4 - cx, py = (y + 0.5f) * 4 - cy;
      map[static_cast<size_t>(y) * mw + x] = Trace(px / (H * 0.5f) * zoom, -py / (H * 0.5f) * zoom + 0.02f, dist, pose);
    }
  auto lookup = [&](float x, float y) {
    int ix = std::clamp(static_cast<int>(x / 4), 0, mw - 1), iy = std::clamp(static_cast<int>(y / 4), 0, mh - 1);
    return map[static_cast<size_t>(iy) * mw + ix];
  };

  // Background: a dim field of code, darker around the head so it stands free.
  DrawRainField(c, atlas, 22.0f, 1.0f, 0.16f, 0.0f, static_cast<float>(H), 2201u, [](float) { return 1.0f; });

  // A faint glow of the lit skin under the glyphs lets the form read from afar.
  Canvas under(c.OutW(), c.OutH(), 2);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      Shade q = lookup(static_cast<float>(x), static_cast<float>(y));
      under.At(x, y) = kBody * (std::pow(std::clamp(q.key, 0.0f, 1.5f), 1.6f) * q.mask) + kCyan * (0.5f * q.rim);
    }
  under.Blur(6);
  c.AddCanvas(under, 0.09f);

  // The face: a fixed grid of glyphs, each as bright as the light on the skin
  // under it, with falling streaks that brighten and dim whole runs.
  const float gh = 17.0f, gw = gh * 0.62f;
  int cols = static_cast<int>(W / gw) + 1, rows = static_cast<int>(H / gh) + 1;
  for (int col = 0; col < cols; ++col) {
    float speedPhase = HashF(col, 3, 2202);
    float streakLen = 8 + 18 * HashF(col, 4, 2202);
    for (int row = 0; row < rows; ++row) {
      float x = (col + 0.5f) * gw, y = (row + 0.5f) * gh;
      Shade s = lookup(x, y);
      // Average the map over the cell for a smooth tone.
      Shade s2 = lookup(x - gw * 0.3f, y - gh * 0.3f), s3 = lookup(x + gw * 0.3f, y + gh * 0.3f);
      float mask = (s.mask + s2.mask + s3.mask) / 3;
      if (mask <= 0) continue;
      float key = (s.key + s2.key + s3.key) / 3, rim = (s.rim + s2.rim + s3.rim) / 3;
      float headRow = speedPhase * (rows + streakLen);
      float behind = headRow - row;
      float streak = StreamFalloff(behind, streakLen);
      float tone = std::pow(std::clamp(key, 0.0f, 1.5f), 1.6f);
      float light = mask * (0.05f + 1.5f * tone) * (0.75f + 0.6f * streak);
      Rgb colour = kBody * light + kCyan * (rim * 1.6f * mask);
      if (behind >= 0 && behind < 1 && tone > 0.2f) colour += kLead * (1.2f * tone);
      atlas.Draw(c, atlas.Pick(Hash3(col, row, 2203)), x, y, gh, colour);
    }
  }
  // The eyes catch the light: a glint in each.
  for (float side : {-1.0f, 1.0f}) {
    Vec3 e = RotateY(RotateX(RotateZ({side * 0.28f, 0.07f, 0.79f}, pose.roll), pose.pitch), pose.yaw);
    // Project with the camera of the trace.
    float k = 1.0f / (dist - e.z);
    float sx = cx + e.x * k / zoom * (H * 0.5f), sy = cy - (e.y * k - 0.02f) / zoom * (H * 0.5f);
    float g = side < 0 ? 1.0f : 0.6f;
    c.AddSpot(sx, sy, 2.5f, kWhite * (1.6f * g));
    c.AddSpot(sx, sy, 12, kLead * (0.15f * g));
  }

  c.Bloom(0.45f, {8, 30, 90}, {0.45f, 0.3f, 0.25f});
  finish->exposure = 1.7f;
  finish->vignette = 0.5f;
}
