// art_common.cpp — the shared random generator and FreeImage writers.
#include "art_common.h"

#include <FreeImage.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <cairo-ft.h>

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

ArtRandom::ArtRandom(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}

uint32_t ArtRandom::Next() {
  state_ ^= state_ >> 12;
  state_ ^= state_ << 25;
  state_ ^= state_ >> 27;
  return static_cast<uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32);
}

double ArtRandom::Uniform() { return Next() * (1.0 / 4294967296.0); }

double ArtRandom::Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

uint32_t ArtRandom::Below(uint32_t n) {
  return static_cast<uint32_t>((static_cast<uint64_t>(Next()) * n) >> 32);
}

double ArtRandom::Gaussian() {
  double s = 0.0;
  for (int i = 0; i < 12; ++i) s += Uniform();
  return s - 6.0;
}

uint8_t ToByte(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 1.0) return 255;
  return static_cast<uint8_t>(std::lround(v * 255.0));
}

namespace {

struct FreeImageInit {
  FreeImageInit() { FreeImage_Initialise(FALSE); }
  ~FreeImageInit() { FreeImage_DeInitialise(); }
};

void EnsureFreeImage() { static FreeImageInit init; }

// FreeImage stores rows bottom-up; copies top-down RGB(A) into a fresh bitmap.
FIBITMAP* MakeColourBitmap(int w, int h, const uint8_t* px, int channels) {
  EnsureFreeImage();
  FIBITMAP* dib = FreeImage_Allocate(w, h, channels * 8);
  if (!dib) return nullptr;
  for (int y = 0; y < h; ++y) {
    BYTE* line = FreeImage_GetScanLine(dib, h - 1 - y);
    const uint8_t* src = px + static_cast<size_t>(y) * w * channels;
    for (int x = 0; x < w; ++x) {
      line[x * channels + FI_RGBA_RED] = src[x * channels + 0];
      line[x * channels + FI_RGBA_GREEN] = src[x * channels + 1];
      line[x * channels + FI_RGBA_BLUE] = src[x * channels + 2];
      if (channels == 4) line[x * channels + FI_RGBA_ALPHA] = src[x * channels + 3];
    }
  }
  return dib;
}

}  // namespace

bool SaveRgbJpeg(const char* path, int w, int h, const uint8_t* rgb, int quality) {
  FIBITMAP* dib = MakeColourBitmap(w, h, rgb, 3);
  if (!dib) return false;
  // Full-resolution chroma keeps thin green strokes from bleeding.
  int flags = quality | JPEG_SUBSAMPLING_444 | JPEG_BASELINE;
  bool ok = FreeImage_Save(FIF_JPEG, dib, path, flags) != FALSE;
  FreeImage_Unload(dib);
  return ok;
}

bool SavePng(const char* path, int w, int h, const uint8_t* pixels, int channels) {
  if (channels != 3 && channels != 4) return false;
  FIBITMAP* dib = MakeColourBitmap(w, h, pixels, channels);
  if (!dib) return false;
  bool ok = FreeImage_Save(FIF_PNG, dib, path, PNG_Z_BEST_COMPRESSION) != FALSE;
  FreeImage_Unload(dib);
  return ok;
}

bool SaveBmp24(const char* path, int w, int h, const uint8_t* rgb) {
  FIBITMAP* dib = MakeColourBitmap(w, h, rgb, 3);
  if (!dib) return false;
  bool ok = FreeImage_Save(FIF_BMP, dib, path, BMP_DEFAULT) != FALSE;
  FreeImage_Unload(dib);
  return ok;
}

bool SaveBmp1(const char* path, int w, int h, const uint8_t* bits) {
  EnsureFreeImage();
  FIBITMAP* dib = FreeImage_Allocate(w, h, 1);
  if (!dib) return false;
  RGBQUAD* pal = FreeImage_GetPalette(dib);
  pal[0].rgbRed = pal[0].rgbGreen = pal[0].rgbBlue = 0;
  pal[1].rgbRed = pal[1].rgbGreen = pal[1].rgbBlue = 255;
  pal[0].rgbReserved = pal[1].rgbReserved = 0;
  for (int y = 0; y < h; ++y) {
    BYTE* line = FreeImage_GetScanLine(dib, h - 1 - y);
    std::memset(line, 0, FreeImage_GetPitch(dib));
    for (int x = 0; x < w; ++x)
      if (bits[static_cast<size_t>(y) * w + x]) line[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
  }
  bool ok = FreeImage_Save(FIF_BMP, dib, path, BMP_DEFAULT) != FALSE;
  FreeImage_Unload(dib);
  return ok;
}

bool LoadRgb(const char* path, int* w, int* h, std::vector<uint8_t>* rgb) {
  EnsureFreeImage();
  FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(path, 0);
  if (fif == FIF_UNKNOWN) fif = FreeImage_GetFIFFromFilename(path);
  if (fif == FIF_UNKNOWN) return false;
  FIBITMAP* src = FreeImage_Load(fif, path, 0);
  if (!src) return false;
  FIBITMAP* dib = FreeImage_ConvertTo24Bits(src);
  FreeImage_Unload(src);
  if (!dib) return false;
  *w = static_cast<int>(FreeImage_GetWidth(dib));
  *h = static_cast<int>(FreeImage_GetHeight(dib));
  rgb->assign(static_cast<size_t>(*w) * *h * 3, 0);
  for (int y = 0; y < *h; ++y) {
    const BYTE* line = FreeImage_GetScanLine(dib, *h - 1 - y);
    uint8_t* dst = rgb->data() + static_cast<size_t>(y) * *w * 3;
    for (int x = 0; x < *w; ++x) {
      dst[x * 3 + 0] = line[x * 3 + FI_RGBA_RED];
      dst[x * 3 + 1] = line[x * 3 + FI_RGBA_GREEN];
      dst[x * 3 + 2] = line[x * 3 + FI_RGBA_BLUE];
    }
  }
  FreeImage_Unload(dib);
  return true;
}

std::string ResourceDir(int argc, char** argv) {
  return argc > 1 ? std::string(argv[1]) : std::string("resources");
}

bool MakeDirs(const std::string& path) {
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == '/') {
      std::string part = path.substr(0, pos);
      if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

std::string FindFileUnder(const std::string& dir, const char* fileName) {
  DIR* d = opendir(dir.c_str());
  if (!d) return "";
  // Sorted so the answer does not depend on directory order.
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  for (const std::string& n : names)
    if (n == fileName) return dir + "/" + n;
  for (const std::string& n : names) {
    std::string sub = dir + "/" + n;
    struct stat st;
    if (stat(sub.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      std::string found = FindFileUnder(sub, fileName);
      if (!found.empty()) return found;
    }
  }
  return "";
}

}  // namespace

std::string FindFont(const char* fileName) { return FindFileUnder("/usr/share/fonts", fileName); }

struct ArtFont::Impl {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  cairo_font_face_t* cairoFace = nullptr;
};

ArtFont::ArtFont() : impl_(new Impl) { FT_Init_FreeType(&impl_->lib); }

ArtFont::~ArtFont() {
  if (impl_->cairoFace) cairo_font_face_destroy(impl_->cairoFace);
  if (impl_->face) FT_Done_Face(impl_->face);
  if (impl_->lib) FT_Done_FreeType(impl_->lib);
}

bool ArtFont::Open(const std::string& path) {
  if (!impl_->lib || path.empty()) return false;
  if (impl_->cairoFace) cairo_font_face_destroy(impl_->cairoFace);
  impl_->cairoFace = nullptr;
  if (impl_->face) FT_Done_Face(impl_->face);
  impl_->face = nullptr;
  return FT_New_Face(impl_->lib, path.c_str(), 0, &impl_->face) == 0;
}

bool ArtFont::HasGlyph(uint32_t codepoint) const {
  return impl_->face && FT_Get_Char_Index(impl_->face, codepoint) != 0;
}

void ArtFont::SetPixelSize(int width, int height) {
  if (impl_->face) FT_Set_Pixel_Sizes(impl_->face, width, height);
}

bool ArtFont::Render(uint32_t codepoint, bool mono, GlyphBitmap* out) const {
  FT_Face face = impl_->face;
  if (!face || !HasGlyph(codepoint)) return false;
  FT_Int32 flags = FT_LOAD_DEFAULT | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  if (FT_Load_Char(face, codepoint, flags) != 0) return false;
  if (FT_Render_Glyph(face->glyph, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return false;
  const FT_Bitmap& b = face->glyph->bitmap;
  out->width = static_cast<int>(b.width);
  out->height = static_cast<int>(b.rows);
  out->left = face->glyph->bitmap_left;
  out->top = face->glyph->bitmap_top;
  out->advance = static_cast<int>((face->glyph->advance.x + 32) >> 6);
  out->coverage.assign(static_cast<size_t>(out->width) * out->height, 0);
  for (int y = 0; y < out->height; ++y) {
    const uint8_t* row = b.buffer + static_cast<ptrdiff_t>(y) * b.pitch;
    for (int x = 0; x < out->width; ++x) {
      uint8_t v = mono ? (((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0) : row[x];
      out->coverage[static_cast<size_t>(y) * out->width + x] = v;
    }
  }
  return true;
}

cairo_font_face_t* ArtFont::CairoFace() {
  if (!impl_->face) return nullptr;
  if (!impl_->cairoFace) impl_->cairoFace = cairo_ft_font_face_create_for_ft_face(impl_->face, 0);
  return impl_->cairoFace;
}

std::vector<uint8_t> CairoToRgb(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  int w = cairo_image_surface_get_width(surface);
  int h = cairo_image_surface_get_height(surface);
  int stride = cairo_image_surface_get_stride(surface);
  const uint8_t* data = cairo_image_surface_get_data(surface);
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (int x = 0; x < w; ++x) {
      uint32_t p = row[x];
      uint8_t* d = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      d[0] = static_cast<uint8_t>(p >> 16);
      d[1] = static_cast<uint8_t>(p >> 8);
      d[2] = static_cast<uint8_t>(p);
    }
  }
  return rgb;
}

void GaussianBlur(std::vector<float>* field, int w, int h, double sigma, bool wrap) {
  if (sigma <= 0.0) return;
  int radius = static_cast<int>(std::ceil(sigma * 3.0));
  std::vector<double> kernel(2 * radius + 1);
  double sum = 0.0;
  for (int i = -radius; i <= radius; ++i) sum += kernel[i + radius] = std::exp(-0.5 * i * i / (sigma * sigma));
  for (double& k : kernel) k /= sum;
  std::vector<float>& f = *field;
  std::vector<float> tmp(f.size());
  auto pass = [&](const std::vector<float>& src, std::vector<float>& dst, int len, int lines, bool horizontal) {
    for (int line = 0; line < lines; ++line) {
      for (int i = 0; i < len; ++i) {
        double acc = 0.0;
        for (int k = -radius; k <= radius; ++k) {
          int j = i + k;
          if (wrap) {
            j %= len;
            if (j < 0) j += len;
          } else if (j < 0 || j >= len) {
            continue;
          }
          size_t at = horizontal ? static_cast<size_t>(line) * w + j : static_cast<size_t>(j) * w + line;
          acc += kernel[k + radius] * src[at];
        }
        size_t out = horizontal ? static_cast<size_t>(line) * w + i : static_cast<size_t>(i) * w + line;
        dst[out] = static_cast<float>(acc);
      }
    }
  };
  pass(f, tmp, w, h, true);
  pass(tmp, f, h, w, false);
}
