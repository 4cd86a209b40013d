// resources_freeimage.h — decoding of the .bmp files stored as bitmap
// resources, kept apart from windows.h because FreeImage declares Win32-like
// types of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// Largest bitmap LoadBitmapA accepts: a side of 16384 pixels and 16 Mi
// pixels in all (64 MiB of pixels), checked on the header before decoding.
constexpr int kMaxBitmapSide = 16384;
constexpr uint64_t kMaxBitmapPixels = 16u * 1024u * 1024u;

struct DecodedBitmap {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, rows top-down
};

// Decodes a whole .bmp file held in memory. False for anything that is not a
// readable BMP within the limits above.
bool DecodeBmpFile(const unsigned char* data, size_t size, DecodedBitmap* out);

}  // namespace platform
