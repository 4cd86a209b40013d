// contact_sheet.cpp — lays out all the generated art on one labelled page,
// docs/contact_sheet.png: every image in resources/textures (small ones
// enlarged with square pixels, large ones shrunk), the icon sizes and a
// wireframe and texture layout of the cube model. Files are shown in a fixed
// order with their resource ids; images that are missing are skipped and
// unknown ones are added at the end, so the sheet follows whatever is there.
// Labels use M+ 1 Code (SIL OFL).
// Usage: contact_sheet [resource-dir] [output.png]
#include "art_common.h"

#include <dirent.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kPageW = 1680;
constexpr int kMargin = 28;
constexpr int kGap = 22;
constexpr int kLabelH = 34;

struct Known {
  const char* file;
  int id;
  const char* role;
};

// Every file the saver embeds from resources/textures, in display order.
const Known kKnown[] = {
    {"glyphs.bmp", 208, "glyph sheet"},       {"drum_1.jpg", 200, "sky drum 1"},
    {"drum_2.jpg", 201, "sky drum 2"},        {"drum_3.jpg", 202, "sky drum 3"},
    {"drum_4.jpg", 203, "sky drum 4"},        {"digit_0.jpg", 180, "digit 0"},
    {"digit_1.jpg", 195, "digit 1"},          {"digit_2.jpg", 196, "digit 2"},
    {"digit_3.jpg", 197, "digit 3"},          {"digit_4.jpg", 194, "digit 4"},
    {"digit_5.jpg", 181, "digit 5"},          {"digit_6.jpg", 182, "digit 6"},
    {"digit_7.jpg", 183, "digit 7"},          {"digit_8.jpg", 184, "digit 8"},
    {"digit_9.jpg", 185, "digit 9"},          {"digit_colon.jpg", 198, "colon"},
    {"digit_point.jpg", 199, "point"},        {"near_glyph.bmp", 210, "near-glyph map"},
    {"ray.bmp", 211, "ray"},                  {"picture_01.jpg", 239, "picture 1"},
    {"picture_02.jpg", 240, "picture 2"},     {"picture_03.jpg", 241, "picture 3"},
    {"picture_04.jpg", 242, "picture 4"},     {"picture_05.jpg", 243, "picture 5"},
    {"picture_06.jpg", 244, "picture 6"},     {"picture_07.jpg", 245, "picture 7"},
    {"picture_08.jpg", 246, "picture 8"},     {"picture_09.jpg", 247, "picture 9"},
    {"picture_10.jpg", 248, "picture 10"},    {"picture_11.jpg", 249, "picture 11"},
    {"picture_12.jpg", 250, "picture 12"},
};

struct Image {
  std::string title;  // first label line
  std::string info;   // second label line
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;   // opaque images
  std::vector<uint8_t> rgba;  // icons (with alpha) when not empty
  double scale = 1.0;
  int tiles = 1;        // drawn tiles x tiles, to show that it repeats seamlessly
  int section = 0;      // which part of the page it goes to (Section)
  bool custom = false;  // drawn by a callback (the cube)
};

// Parts of the page, top to bottom; kSmall sits beside kDrums.
enum Section { kTopRow, kDrums, kSmall, kLarge, kIcons };

bool FileExists(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

std::vector<std::string> ListDir(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Small images are enlarged by whole factors; big ones are shrunk to a row of four.
double ScaleFor(int w, int h) {
  if (w <= 16 && h <= 16) return 4.0;
  if (w <= 64 && h <= 64) return 2.0;
  if (w <= 256 && h <= 256) return 1.0;
  return 388.0 / w;
}

cairo_surface_t* SurfaceFrom(const Image& im) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, im.w, im.h);
  cairo_surface_flush(s);
  uint8_t* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < im.h; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < im.w; ++x) {
      size_t i = static_cast<size_t>(y) * im.w + x;
      uint32_t r, g, b, a = 255;
      if (!im.rgba.empty()) {
        a = im.rgba[i * 4 + 3];
        r = im.rgba[i * 4] * a / 255;
        g = im.rgba[i * 4 + 1] * a / 255;
        b = im.rgba[i * 4 + 2] * a / 255;
      } else {
        r = im.rgb[i * 3];
        g = im.rgb[i * 3 + 1];
        b = im.rgb[i * 3 + 2];
      }
      row[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

// Reads a PNG with its alpha (the icons' rounded corners) through Cairo.
bool LoadRgba(const std::string& path, Image* im) {
  if (!FileExists(path)) return false;
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return false;
  }
  im->w = cairo_image_surface_get_width(s);
  im->h = cairo_image_surface_get_height(s);
  const uint8_t* d = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  im->rgba.assign(static_cast<size_t>(im->w) * im->h * 4, 0);
  for (int y = 0; y < im->h; ++y)
    for (int x = 0; x < im->w; ++x) {
      uint32_t p = reinterpret_cast<const uint32_t*>(d + y * stride)[x];
      size_t i = static_cast<size_t>(y) * im->w + x;
      uint32_t a = p >> 24;
      im->rgba[i * 4 + 3] = static_cast<uint8_t>(a);
      for (int c = 0; c < 3; ++c) {
        uint32_t v = (p >> (16 - 8 * c)) & 0xFF;
        im->rgba[i * 4 + c] = static_cast<uint8_t>(a ? std::min<uint32_t>(255, v * 255 / a) : 0);
      }
    }
  cairo_surface_destroy(s);
  return true;
}

struct Vec {
  double x, y, z;
};

struct CubeModel {
  std::vector<Vec> vertices;
  std::vector<std::array<int, 3>> triangles;
  std::vector<std::array<double, 6>> uv;  // s0 t0 s1 t1 s2 t2
  std::string group;
};

// Minimal reader of the cube file for the drawing (header, vertices, triangles, first group name).
bool ReadCube(const std::string& path, CubeModel* m) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::vector<uint8_t> b;
  uint8_t buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) b.insert(b.end(), buf, buf + n);
  std::fclose(f);
  size_t o = 0;
  auto need = [&](size_t k) { return o + k <= b.size(); };
  auto u16 = [&]() { uint16_t v = static_cast<uint16_t>(b[o] | (b[o + 1] << 8)); o += 2; return v; };
  auto f32 = [&]() { float v; std::memcpy(&v, &b[o], 4); o += 4; return static_cast<double>(v); };
  if (!need(16) || std::memcmp(b.data(), "MS3D000000", 10) != 0) return false;
  o = 14;
  int nv = u16();
  if (!need(static_cast<size_t>(nv) * 15 + 2)) return false;
  for (int i = 0; i < nv; ++i) {
    o += 1;
    double x = f32(), y = f32(), z = f32();
    o += 2;
    m->vertices.push_back({x, y, z});
  }
  int nt = u16();
  if (!need(static_cast<size_t>(nt) * 70 + 35)) return false;
  for (int i = 0; i < nt; ++i) {
    o += 2;
    std::array<int, 3> t{};
    for (int& k : t) {
      k = u16();
      if (k >= nv) return false;
    }
    o += 36;
    std::array<double, 6> uv{};
    for (int k = 0; k < 3; ++k) uv[k * 2] = f32();
    for (int k = 0; k < 3; ++k) uv[k * 2 + 1] = f32();
    o += 2;
    m->triangles.push_back(t);
    m->uv.push_back(uv);
  }
  if (u16() > 0) m->group.assign(reinterpret_cast<const char*>(&b[o + 1]), strnlen(reinterpret_cast<const char*>(&b[o + 1]), 32));
  return true;
}

// Wireframe of the cube turned to show three faces, and its texture layout.
void DrawCube(cairo_t* cr, const CubeModel& m, double x, double y, double size) {
  cairo_save(cr);
  cairo_rectangle(cr, x, y, size * 2 + kGap, size);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_fill(cr);
  double ya = 0.6, xa = 0.45;
  auto project = [&](const Vec& v) {
    double x1 = v.x * std::cos(ya) + v.z * std::sin(ya);
    double z1 = -v.x * std::sin(ya) + v.z * std::cos(ya);
    double y1 = v.y * std::cos(xa) - z1 * std::sin(xa);
    double z2 = v.y * std::sin(xa) + z1 * std::cos(xa);
    double k = size * 0.028 * 60.0 / (60.0 + z2);
    return std::array<double, 3>{x + size / 2 + x1 * k, y + size / 2 - y1 * k, z2};
  };
  cairo_set_line_width(cr, 1.5);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  for (const auto& t : m.triangles) {
    auto a = project(m.vertices[t[0]]), b = project(m.vertices[t[1]]), c = project(m.vertices[t[2]]);
    double depth = (a[2] + b[2] + c[2]) / 3.0;
    double level = depth > 0 ? 0.35 : 1.0;  // far edges dimmer
    cairo_set_source_rgba(cr, 131 / 255.0, 252 / 255.0, 188 / 255.0, level);
    cairo_move_to(cr, a[0], a[1]);
    cairo_line_to(cr, b[0], b[1]);
    cairo_line_to(cr, c[0], c[1]);
    cairo_close_path(cr);
    cairo_stroke(cr);
  }
  // Texture space: every face's two triangles over the unit square.
  double ux = x + size + kGap + size * 0.1, uy = y + size * 0.1, us = size * 0.8;
  cairo_set_source_rgb(cr, 20 / 255.0, 0.45, 20 / 255.0);
  cairo_rectangle(cr, ux, uy, us, us);
  cairo_stroke(cr);
  cairo_set_source_rgba(cr, 131 / 255.0, 252 / 255.0, 188 / 255.0, 0.5);
  for (const auto& uv : m.uv) {
    cairo_move_to(cr, ux + uv[0] * us, uy + uv[1] * us);
    cairo_line_to(cr, ux + uv[2] * us, uy + uv[3] * us);
    cairo_line_to(cr, ux + uv[4] * us, uy + uv[5] * us);
    cairo_close_path(cr);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
}

void SetupFont(cairo_t* cr, ArtFont* font, double size) {
  cairo_set_font_face(cr, font->CairoFace());
  cairo_set_font_size(cr, size);
  cairo_font_options_t* opts = cairo_font_options_create();
  cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(opts, CAIRO_ANTIALIAS_GRAY);
  cairo_set_font_options(cr, opts);
  cairo_font_options_destroy(opts);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = ResourceDir(argc, argv);
  std::string outPath = argc > 2 ? argv[2] : "docs/contact_sheet.png";
  ArtFont font;
  if (!font.Open(FindFont("Mplus1Code-Medium.otf"))) {
    std::fprintf(stderr, "M+ 1 Code Medium not found (package fonts-mplus)\n");
    return 1;
  }

  // Collect: known textures in order, then any others, then icons, then the cube.
  std::vector<Image> images;
  std::set<std::string> shown;
  auto addTexture = [&](const std::string& file, int id, const char* role) {
    Image im;
    std::string path = dir + "/textures/" + file;
    if (!LoadRgb(path.c_str(), &im.w, &im.h, &im.rgb)) return;
    im.title = id ? std::to_string(id) + "  " + file : file;
    im.info = std::string(role) + ", " + std::to_string(im.w) + " x " + std::to_string(im.h);
    im.scale = ScaleFor(im.w, im.h);
    if (file == "glyphs.bmp") {
      im.scale = 2.0;
      im.section = kTopRow;
    } else if (file.rfind("drum_", 0) == 0) {
      im.scale = 1.0;
      im.tiles = 2;
      im.info += ", tiled 2 x 2";
      im.section = (file == "drum_1.jpg" || file == "drum_2.jpg") ? kTopRow : kDrums;
    } else if (file.rfind("digit_", 0) == 0) {
      im.scale = 1.0;
      im.section = kSmall;
    } else {
      im.section = (im.w <= 64 && im.h <= 64) ? kSmall : kLarge;
    }
    images.push_back(std::move(im));
    shown.insert(file);
  };
  for (const Known& k : kKnown)
    if (FileExists(dir + "/textures/" + k.file)) addTexture(k.file, k.id, k.role);
  for (const std::string& name : ListDir(dir + "/textures"))
    if (!shown.count(name)) addTexture(name, 0, "texture");
  for (int size : {256, 128, 64, 48, 32, 16}) {
    std::string path = dir + "/icons/vexlar3d_" + std::to_string(size) + ".png";
    Image im;
    if (!LoadRgba(path, &im)) continue;
    im.title = "224  vexlar3d_" + std::to_string(size) + ".png";
    im.info = "icon, " + std::to_string(size) + " x " + std::to_string(size);
    im.scale = size <= 16 ? 4.0 : size <= 32 ? 2.0 : 1.0;
    im.section = kIcons;
    images.push_back(std::move(im));
  }
  CubeModel cube;
  bool haveCube = ReadCube(dir + "/meshes/cube.ms3d", &cube);
  if (haveCube) {
    Image im;
    im.custom = true;
    im.w = 256 * 2 + kGap;
    im.h = 256;
    im.section = kIcons;
    im.title = "221  cube.ms3d";
    im.info = "group \"" + cube.group + "\", " + std::to_string(cube.vertices.size()) + " vertices, " +
              std::to_string(cube.triangles.size()) + " triangles; wireframe and texture layout";
    images.push_back(std::move(im));
  }

  // The page is drawn on a tall canvas and cut to the height used.
  const int kCanvasH = 6000;
  cairo_surface_t* page = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kPageW, kCanvasH);
  cairo_t* cr = cairo_create(page);
  cairo_set_source_rgb(cr, 0.09, 0.10, 0.09);
  cairo_paint(cr);
  SetupFont(cr, &font, 24);
  cairo_set_source_rgb(cr, 131 / 255.0, 252 / 255.0, 188 / 255.0);
  cairo_move_to(cr, kMargin, kMargin + 26);
  cairo_show_text(cr, "Vexlar 3D art: resources/textures, icons, meshes");

  auto labelWidth = [&](const Image& im) {
    cairo_text_extents_t a, b;
    SetupFont(cr, &font, 13);
    cairo_text_extents(cr, im.title.c_str(), &a);
    SetupFont(cr, &font, 11);
    cairo_text_extents(cr, im.info.c_str(), &b);
    return std::max(a.x_advance, b.x_advance);
  };
  auto draw = [&](const Image& im, double x, double y) {
    double h = im.h * im.scale * im.tiles;
    if (im.custom) {
      DrawCube(cr, cube, x, y, 256);
    } else {
      cairo_surface_t* s = SurfaceFrom(im);
      for (int ty = 0; ty < im.tiles; ++ty)
        for (int tx = 0; tx < im.tiles; ++tx) {
          cairo_save(cr);
          cairo_translate(cr, x + tx * im.w * im.scale, y + ty * im.h * im.scale);
          cairo_scale(cr, im.scale, im.scale);
          cairo_set_source_surface(cr, s, 0, 0);
          cairo_pattern_set_filter(cairo_get_source(cr), im.scale >= 1.0 ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BEST);
          cairo_paint(cr);
          cairo_restore(cr);
        }
      cairo_surface_destroy(s);
    }
    SetupFont(cr, &font, 13);
    cairo_set_source_rgb(cr, 0.85, 0.95, 0.88);
    cairo_move_to(cr, x, y + h + 15);
    cairo_show_text(cr, im.title.c_str());
    SetupFont(cr, &font, 11);
    cairo_set_source_rgb(cr, 0.45, 0.62, 0.50);
    cairo_move_to(cr, x, y + h + 29);
    cairo_show_text(cr, im.info.c_str());
  };
  // Lays out one section left to right inside [x0, x0 + width), wrapping rows;
  // returns the bottom of what it drew.
  auto flow = [&](int section, double x0, double width, double y0) {
    double x = x0, y = y0, rowH = 0, bottom = y0;
    for (const Image& im : images) {
      if (im.section != section) continue;
      double w = im.w * im.scale * im.tiles, h = im.h * im.scale * im.tiles;
      double cellW = std::max(w, labelWidth(im));
      if (x > x0 && x + cellW > x0 + width) {
        x = x0;
        y += rowH + kLabelH + kGap;
        rowH = 0;
      }
      draw(im, x, y);
      x += cellW + kGap;
      rowH = std::max(rowH, h);
      bottom = std::max(bottom, y + h + kLabelH);
    }
    return bottom;
  };

  const double fullW = kPageW - 2 * kMargin;
  double y = kMargin + 48;
  y = flow(kTopRow, kMargin, fullW, y) + kGap;
  double drumsW = 2 * (512 + kGap);
  double drumsBottom = flow(kDrums, kMargin, drumsW, y);
  double smallBottom = flow(kSmall, kMargin + drumsW + kGap, fullW - drumsW - kGap, y);
  y = std::max(drumsBottom, smallBottom) + kGap;
  y = flow(kLarge, kMargin, fullW, y) + kGap;
  y = flow(kIcons, kMargin, fullW, y);
  int pageH = std::min(kCanvasH, static_cast<int>(y + kMargin));
  cairo_destroy(cr);

  std::vector<uint8_t> rgb = CairoToRgb(page);
  cairo_surface_destroy(page);
  rgb.resize(static_cast<size_t>(kPageW) * pageH * 3);
  size_t slash = outPath.rfind('/');
  if (slash != std::string::npos && !MakeDirs(outPath.substr(0, slash))) return 1;
  if (!SavePng(outPath.c_str(), kPageW, pageH, rgb.data(), 3)) {
    std::fprintf(stderr, "cannot write %s\n", outPath.c_str());
    return 1;
  }
  std::printf("%s: %zu items, %d x %d\n", outPath.c_str(), images.size(), kPageW, pageH);
  return 0;
}
