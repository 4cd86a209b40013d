// image_decoder_freeimage.cpp — image_decoder.h on FreeImage.
#include "platform/image/image_decoder.h"

#include <FreeImage.h>
#include <malloc.h>

#include <cstring>

#include "platform/image/bounded_reader.h"

static_assert(kImageFormatUnknown == FIF_UNKNOWN && kImageFormatBmp == FIF_BMP && kImageFormatJpeg == FIF_JPEG &&
              kImageFormatPng == FIF_PNG);

namespace {

FIBITMAP* Native(ImageBitmap* image) { return reinterpret_cast<FIBITMAP*>(image); }
ImageBitmap* Wrapped(FIBITMAP* image) { return reinterpret_cast<ImageBitmap*>(image); }

bool AcceptableSize(FIBITMAP* image) {
    const uint64_t width = FreeImage_GetWidth(image);
    const uint64_t height = FreeImage_GetHeight(image);
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

// Loads the header alone through `load`, refuses absurd sizes, then loads the
// whole image; `rewind` puts the source back where the header load started.
template <typename Load, typename Rewind>
FIBITMAP* GuardedLoad(int flags, Load load, Rewind rewind) {
    try {
        if (!(flags & FIF_LOAD_NOPIXELS)) {
            FIBITMAP* header = load(flags | FIF_LOAD_NOPIXELS);
            if (!header) return nullptr;
            const bool acceptable = AcceptableSize(header);
            FreeImage_Unload(header);
            if (!acceptable || !rewind()) return nullptr;
        }
        FIBITMAP* image = load(flags);
        if (image && (!AcceptableSize(image) || (!(flags & FIF_LOAD_NOPIXELS) && !FreeImage_HasPixels(image)))) {
            FreeImage_Unload(image);
            return nullptr;
        }
        return image;
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

void ImageInitialise(bool loadLocalPluginsOnly) { FreeImage_Initialise(loadLocalPluginsOnly ? TRUE : FALSE); }

void ImageDeInitialise() { FreeImage_DeInitialise(); }

ImageFormat ImageFormatFromFilename(const char* fileName) {
    if (!fileName) return kImageFormatUnknown;
    return FreeImage_GetFIFFromFilename(fileName);
}

ImageBitmap* ImageLoadFromBytes(ImageFormat format, const void* data, size_t size) {
    return platform::image::LoadBoundedBytes(format, data, size);
}

ImageBitmap* ImageLoadFromHandle(ImageFormat format, ImageIO* io, ImageHandle handle, int flags) {
    if (!io || !io->read_proc || !io->seek_proc || !io->tell_proc || format == kImageFormatUnknown) return nullptr;
    FreeImageIO native;
    native.read_proc = io->read_proc;
    native.write_proc = io->write_proc;
    native.seek_proc = io->seek_proc;
    native.tell_proc = io->tell_proc;
    const long start = io->tell_proc(handle);
    return Wrapped(GuardedLoad(
        flags,
        [&](int f) { return FreeImage_LoadFromHandle(static_cast<FREE_IMAGE_FORMAT>(format), &native, handle, f); },
        [&] { return start >= 0 && io->seek_proc(handle, start, SEEK_SET) == 0; }));
}

ImageBitmap* ImageLoad(ImageFormat format, const char* path, int flags) {
    if (!path || format == kImageFormatUnknown) return nullptr;
    return Wrapped(GuardedLoad(
        flags, [&](int f) { return FreeImage_Load(static_cast<FREE_IMAGE_FORMAT>(format), path, f); },
        [] { return true; }));
}

void ImageSetTransparent(ImageBitmap* image, bool enabled) {
    if (image) FreeImage_SetTransparent(Native(image), enabled ? TRUE : FALSE);
}

const void* ImageGetInfo(ImageBitmap* image) { return image ? FreeImage_GetInfo(Native(image)) : nullptr; }

const void* ImageGetInfoHeader(ImageBitmap* image) {
    return image ? FreeImage_GetInfoHeader(Native(image)) : nullptr;
}

const void* ImageGetBits(ImageBitmap* image) { return image ? FreeImage_GetBits(Native(image)) : nullptr; }

void ImageUnload(ImageBitmap* image) {
    if (!image) return;
    FreeImage_Unload(Native(image));
    // A picture's decoded pixels are the largest blocks the saver frees while
    // it runs, and the process keeps freed memory on purpose (for the GL
    // layer): give these pages back, so that hours of pictures leave the
    // resident size where it was.
    malloc_trim(0);
}

bool ImageEncode(ImageFormat format, int width, int height, const uint32_t* pixels, int bitsPerPixel,
                 std::vector<unsigned char>* out) {
    if (!pixels || !out || width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
        (bitsPerPixel != 24 && bitsPerPixel != 1))
        return false;
    FIBITMAP* image = FreeImage_Allocate(width, height, 24);
    if (!image) return false;
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(image, height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            row[x * 3 + FI_RGBA_BLUE] = static_cast<BYTE>(p);
            row[x * 3 + FI_RGBA_GREEN] = static_cast<BYTE>(p >> 8);
            row[x * 3 + FI_RGBA_RED] = static_cast<BYTE>(p >> 16);
        }
    }
    if (bitsPerPixel == 1) {
        FIBITMAP* bilevel = FreeImage_Threshold(image, 128);
        FreeImage_Unload(image);
        if (!bilevel) return false;
        image = bilevel;
    }
    bool written = false;
    FIMEMORY* memory = FreeImage_OpenMemory();
    if (memory) {
        const int flags = format == kImageFormatJpeg ? JPEG_QUALITYSUPERB : 0;
        BYTE* data = nullptr;
        DWORD size = 0;
        if (FreeImage_SaveToMemory(static_cast<FREE_IMAGE_FORMAT>(format), image, memory, flags) &&
            FreeImage_AcquireMemory(memory, &data, &size) && data) {
            out->assign(data, data + size);
            written = true;
        }
        FreeImage_CloseMemory(memory);
    }
    FreeImage_Unload(image);
    return written;
}
