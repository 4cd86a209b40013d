// image_writer.cpp — image_writer.h on FreeImage.
#include "platform/image/image_writer.h"

#include <FreeImage.h>

#include <cstdio>
#include <string>

#include "platform/image/image_decoder.h"

bool WritePngFile(const char* path, int width, int height, const uint32_t* pixels) {
    if (!path || !pixels || width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) {
        return false;
    }
    FIBITMAP* image = FreeImage_Allocate(width, height, 24);
    if (!image) return false;
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(image, height - 1 - y);  // the library's rows run bottom-up
        const uint32_t* source = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int x = 0; x < width; ++x) {
            row[x * 3 + FI_RGBA_BLUE] = static_cast<BYTE>(source[x]);
            row[x * 3 + FI_RGBA_GREEN] = static_cast<BYTE>(source[x] >> 8);
            row[x * 3 + FI_RGBA_RED] = static_cast<BYTE>(source[x] >> 16);
        }
    }
    const std::string temporary = std::string(path) + ".part";
    bool written = false;
    try {
        written = FreeImage_Save(FIF_PNG, image, temporary.c_str(), PNG_Z_BEST_SPEED) != FALSE;
    } catch (...) {
        written = false;
    }
    FreeImage_Unload(image);
    if (written && std::rename(temporary.c_str(), path) != 0) written = false;
    if (!written) std::remove(temporary.c_str());
    return written;
}
