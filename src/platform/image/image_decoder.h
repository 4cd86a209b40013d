// image_decoder.h — the image library's calls that the texture loaders make,
// under names of our own, so that code outside src/platform/ never includes
// the library's header (which declares Win32-like types of its own).
//
// Each call forwards to the library one for one: Initialise, DeInitialise,
// GetFIFFromFilename, LoadFromHandle (with a reader record of four
// callbacks), Load, SetTransparent, GetInfo, GetInfoHeader, GetBits, Unload.
// Two guards are added: a load first reads the image's header alone and
// refuses one whose size exceeds kMaxImageSide or kMaxImagePixels before any
// pixel memory is asked for, and no exception of the library leaves these
// calls (a failed load answers null). ImageEncode writes images, for tests
// and tools.
//
// Decoded images keep the library's layout: rows bottom-up, pixels as bytes
// B, G, R(, A), a palette for 1, 4 and 8 bits; ImageGetInfoHeader and
// ImageGetInfo point at records laid out as the Win32 BITMAPINFOHEADER and
// BITMAPINFO (header, then the palette).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Format numbers as the library gives them.
typedef int ImageFormat;
inline constexpr ImageFormat kImageFormatUnknown = -1;
inline constexpr ImageFormat kImageFormatBmp = 0;
inline constexpr ImageFormat kImageFormatJpeg = 2;
inline constexpr ImageFormat kImageFormatPng = 13;

inline constexpr int kMaxImageSide = 16384;
inline constexpr uint64_t kMaxImagePixels = 16u * 1024u * 1024u;

// The reader record: origin 0, 1 and 2 of seek mean start, current position
// and end, as for fseek; seek answers 0 on success.
typedef void* ImageHandle;
typedef unsigned (*ImageReadProc)(void* buffer, unsigned size, unsigned count, ImageHandle handle);
typedef unsigned (*ImageWriteProc)(void* buffer, unsigned size, unsigned count, ImageHandle handle);
typedef int (*ImageSeekProc)(ImageHandle handle, long offset, int origin);
typedef long (*ImageTellProc)(ImageHandle handle);

struct ImageIO {
    ImageReadProc read_proc;
    ImageWriteProc write_proc;
    ImageSeekProc seek_proc;
    ImageTellProc tell_proc;
};

// A decoded image; owned by the caller until ImageUnload.
struct ImageBitmap;

void ImageInitialise(bool loadLocalPluginsOnly);
void ImageDeInitialise();
// kImageFormatUnknown for a name whose extension no plug-in claims.
ImageFormat ImageFormatFromFilename(const char* fileName);
ImageBitmap* ImageLoadFromHandle(ImageFormat format, ImageIO* io, ImageHandle handle, int flags);
// Decodes the `size` bytes at `data` through a reader bounded by them: reads
// stop at the end and seeks may not leave [0, size]. An image for which the
// decoder asked past the end (a damaged one) is not a picture: null.
ImageBitmap* ImageLoadFromBytes(ImageFormat format, const void* data, size_t size);
ImageBitmap* ImageLoad(ImageFormat format, const char* path, int flags);
void ImageSetTransparent(ImageBitmap* image, bool enabled);
const void* ImageGetInfo(ImageBitmap* image);
const void* ImageGetInfoHeader(ImageBitmap* image);
const void* ImageGetBits(ImageBitmap* image);
void ImageUnload(ImageBitmap* image);

// Writes a width x height image given as 0xAARRGGBB pixels, rows top-down.
// bitsPerPixel 24, or 1 for a black-and-white image (pixels of grey level 128
// or more become white). False when the format cannot be written so.
bool ImageEncode(ImageFormat format, int width, int height, const uint32_t* pixels, int bitsPerPixel,
                 std::vector<unsigned char>* out);
