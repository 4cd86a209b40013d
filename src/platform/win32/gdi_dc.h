// gdi_dc.h — device contexts that draw into pixels owned by someone else.
//
// A pixel-view DC is the drawing surface of a DirectDraw surface's GetDC: its
// pixels are the surface's own, described by bitCount and the channel masks
// (16-bit 565 or 555, 24-bit, 32-bit). BitBlt into it from a memory DC with a
// selected bitmap (or from another pixel-view DC) converts to its layout; a
// BitBlt out of it into a bitmap works too. The view must stay valid until
// DeletePixelViewDc; the DC does not own the pixels.
#pragma once

#include <windows.h>

#include <cstdint>

namespace platform::gdi {

struct PixelView {
    uint8_t* bits;  // first byte of the top row
    int width;
    int height;
    int pitch;      // bytes from one row to the next
    DWORD bitCount; // 16, 24 or 32
    DWORD rMask, gMask, bMask, aMask;
};

// Returns null for a view it cannot draw into (no bits, bad size or pitch,
// unsupported depth or masks).
HDC CreatePixelViewDc(const PixelView& view);
// False for a DC that is not a live pixel-view DC.
bool DeletePixelViewDc(HDC dc);

}  // namespace platform::gdi
