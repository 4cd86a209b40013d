// gdi_pixel_format.cpp — checking channel masks and building pixel layouts.
#include "platform/win32/gdi_pixel_format.h"

namespace platform::gdi {
namespace {

bool MakeChannel(DWORD mask, int bitCount, Channel* out) {
    *out = Channel{};
    if (mask == 0) return true;
    if (bitCount < 32 && (mask >> bitCount) != 0) return false;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0) ++shift;
    uint32_t run = mask >> shift;
    if ((run & (run + 1)) != 0) return false;  // not one contiguous run
    int bits = 0;
    while (bits < 32 && (run >> bits) != 0) ++bits;
    if (bits > 16) return false;
    *out = Channel{mask, shift, bits};
    return true;
}

}  // namespace

bool MakePixelFormat(DWORD bitCount, DWORD rMask, DWORD gMask, DWORD bMask, DWORD aMask, PixelFormat* out) {
    *out = PixelFormat{};
    if (bitCount != 16 && bitCount != 24 && bitCount != 32) return false;
    if (!rMask || !gMask || !bMask) return false;
    if ((rMask & gMask) || (rMask & bMask) || (gMask & bMask) || (aMask & (rMask | gMask | bMask))) return false;
    PixelFormat f;
    f.bytesPerPixel = static_cast<int>(bitCount / 8);
    int bits = static_cast<int>(bitCount);
    if (!MakeChannel(rMask, bits, &f.red) || !MakeChannel(gMask, bits, &f.green) ||
        !MakeChannel(bMask, bits, &f.blue) || !MakeChannel(aMask, bits, &f.alpha))
        return false;
    *out = f;
    return true;
}

PixelFormat Argb32Format() {
    PixelFormat f;
    MakePixelFormat(32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, &f);
    return f;
}

bool SameFormat(const PixelFormat& a, const PixelFormat& b) {
    return a.bytesPerPixel == b.bytesPerPixel && a.red.mask == b.red.mask && a.green.mask == b.green.mask &&
           a.blue.mask == b.blue.mask && a.alpha.mask == b.alpha.mask;
}

}  // namespace platform::gdi
