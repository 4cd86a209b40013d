// resources_freeimage.cpp — decodes .bmp files from memory with FreeImage
// into 32-bit top-down pixels. The header is read alone first so that a
// damaged file naming absurd dimensions is refused before FreeImage allocates
// anything for its pixels.
#include "platform/win32/resources_freeimage.h"

#include <FreeImage.h>

#include <climits>
#include <cstring>

namespace platform {
namespace {

struct MemoryStream {
    explicit MemoryStream(const unsigned char* data, size_t size)
        : stream(FreeImage_OpenMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))) {}
    ~MemoryStream() {
        if (stream) FreeImage_CloseMemory(stream);
    }
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;
    FIMEMORY* stream;
};

struct Image {
    explicit Image(FIBITMAP* b) : bitmap(b) {}
    ~Image() {
        if (bitmap) FreeImage_Unload(bitmap);
    }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    FIBITMAP* bitmap;
};

}  // namespace

bool DecodeBmpFile(const unsigned char* data, size_t size, DecodedBitmap* out) {
    if (!data || !out || size < 26 || size > static_cast<size_t>(INT_MAX)) return false;
    MemoryStream memory(data, size);
    if (!memory.stream || FreeImage_GetFileTypeFromMemory(memory.stream, 0) != FIF_BMP) return false;

    FreeImage_SeekMemory(memory.stream, 0, SEEK_SET);
    Image header(FreeImage_LoadFromMemory(FIF_BMP, memory.stream, FIF_LOAD_NOPIXELS));
    if (!header.bitmap) return false;
    uint64_t width = FreeImage_GetWidth(header.bitmap);
    uint64_t height = FreeImage_GetHeight(header.bitmap);
    if (width == 0 || height == 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        width * height > kMaxBitmapPixels)
        return false;

    FreeImage_SeekMemory(memory.stream, 0, SEEK_SET);
    Image decoded(FreeImage_LoadFromMemory(FIF_BMP, memory.stream, 0));
    if (!decoded.bitmap || !FreeImage_HasPixels(decoded.bitmap) || FreeImage_GetWidth(decoded.bitmap) != width ||
        FreeImage_GetHeight(decoded.bitmap) != height)
        return false;
    Image converted(FreeImage_ConvertTo32Bits(decoded.bitmap));
    if (!converted.bitmap) return false;

    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->pixels.assign(static_cast<size_t>(width * height), 0u);
    // FreeImage keeps rows bottom-up, each pixel as bytes B, G, R, A.
    for (uint64_t y = 0; y < height; ++y) {
        const BYTE* src = FreeImage_GetScanLine(converted.bitmap, static_cast<int>(height - 1 - y));
        std::memcpy(out->pixels.data() + y * width, src, static_cast<size_t>(width) * 4);
    }
    return true;
}

}  // namespace platform
