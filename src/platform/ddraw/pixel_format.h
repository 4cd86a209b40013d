// pixel_format.h — the pixel layouts DirectDraw surfaces are stored in.
//
// A PixelLayout describes one DDPIXELFORMAT: bits per pixel and the red,
// green, blue and alpha masks (or, for depth buffers, the depth bits). It
// converts single pixels to and from 0xAARRGGBB, widening narrow channels by
// bit replication (5 bits 0x1F become 0xFF) and narrowing by truncation, the
// way DirectDraw's software blitter and GDI do. A layout without an alpha
// mask reads as opaque.
//
// Limits: RGB formats of 16, 24 and 32 bits and depth formats only; no
// palettes, FourCC codes or luminance.
#pragma once

#include <ddraw.h>

#include <cstdint>
#include <cstring>

namespace platform::ddraw {

enum class StandardFormat { R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, X8R8G8B8, A8R8G8B8, R8G8B8, Z16, Z24, Z32 };

struct PixelLayout {
    DWORD bitCount = 0;
    DWORD rMask = 0, gMask = 0, bMask = 0, aMask = 0;
    bool isDepth = false;
    DWORD depthBits = 0;

    // Shift and width of each channel, derived from the masks.
    int shift[4] = {0, 0, 0, 0};  // r, g, b, a
    int width[4] = {0, 0, 0, 0};

    bool Valid() const { return bitCount == 16 || bitCount == 24 || bitCount == 32; }
    int BytesPerPixel() const { return static_cast<int>(bitCount / 8); }
    bool HasAlpha() const { return aMask != 0; }
    DWORD ColorMask() const { return rMask | gMask | bMask | aMask; }
    bool Is(StandardFormat format) const;

    uint32_t ToArgb(uint32_t raw) const;
    uint32_t FromArgb(uint32_t argb) const;
    bool SameAs(const PixelLayout& other) const {
        return bitCount == other.bitCount && rMask == other.rMask && gMask == other.gMask && bMask == other.bMask &&
               aMask == other.aMask && isDepth == other.isDepth;
    }
};

// The layout of a DDPIXELFORMAT; an invalid layout (bitCount 0) when it is
// not one this layer stores.
PixelLayout LayoutFromPixelFormat(const DDPIXELFORMAT& format);
PixelLayout LayoutOf(StandardFormat format);
DDPIXELFORMAT PixelFormatOf(StandardFormat format);
DDPIXELFORMAT PixelFormatOf(const PixelLayout& layout);
// The format of a display mode of this many bits (16: 565, 32: X8R8G8B8,
// 24: R8G8B8, 8: palette-indexed).
DDPIXELFORMAT DisplayPixelFormat(DWORD bitCount);

inline uint32_t ReadPixel(const uint8_t* p, int bytes) {
    switch (bytes) {
    case 2: {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    case 3: return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
    default: {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    }
}

inline void WritePixel(uint8_t* p, int bytes, uint32_t value) {
    switch (bytes) {
    case 2: {
        uint16_t v = static_cast<uint16_t>(value);
        std::memcpy(p, &v, 2);
        break;
    }
    case 3:
        p[0] = static_cast<uint8_t>(value);
        p[1] = static_cast<uint8_t>(value >> 8);
        p[2] = static_cast<uint8_t>(value >> 16);
        break;
    default: std::memcpy(p, &value, 4); break;
    }
}

}  // namespace platform::ddraw
