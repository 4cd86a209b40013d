// gdi_pixel_format.h — packed RGB pixel layouts described by bit count and
// channel masks, and conversion of single pixels to and from 0xAARRGGBB.
//
// Pixels of 16, 24 or 32 bits, stored little-endian. Each mask must be one
// contiguous run of at most 16 bits inside the pixel, and the masks must not
// overlap; red, green and blue are required, alpha is optional (a layout
// without it reads as opaque). Narrowing a channel keeps its top bits (565:
// r >> 3 << 11 | g >> 2 << 5 | b >> 3); widening repeats the bits, so a full
// 5-bit channel reads back as 255.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace platform::gdi {

struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;  // 0: the layout has no such channel
};

struct PixelFormat {
    int bytesPerPixel = 0;
    Channel red, green, blue, alpha;
};

// False when the bit count or the masks describe no layout this code handles.
bool MakePixelFormat(DWORD bitCount, DWORD rMask, DWORD gMask, DWORD bMask, DWORD aMask, PixelFormat* out);
// 0xAARRGGBB with the alpha of 0xFF000000.
PixelFormat Argb32Format();
bool SameFormat(const PixelFormat& a, const PixelFormat& b);

inline uint32_t WidenTo8(uint32_t value, int bits) {
    if (bits >= 8) return value >> (bits - 8);
    uint32_t result = value << (8 - bits);
    for (int s = bits; s < 8; s *= 2) result |= result >> s;
    return result & 0xFF;
}

inline uint32_t NarrowFrom8(uint32_t value, int bits) {
    if (bits <= 8) return value >> (8 - bits);
    uint32_t result = value << (bits - 8);
    for (int s = 8; s < bits; s *= 2) result |= result >> s;
    return result & ((1u << bits) - 1);
}

inline uint32_t DecodePixel(const PixelFormat& f, uint32_t raw) {
    auto get = [raw](const Channel& c) { return WidenTo8((raw & c.mask) >> c.shift, c.bits); };
    uint32_t a = f.alpha.bits ? get(f.alpha) : 0xFFu;
    return a << 24 | get(f.red) << 16 | get(f.green) << 8 | get(f.blue);
}

// Bits outside the masks are written as 0.
inline uint32_t EncodePixel(const PixelFormat& f, uint32_t argb) {
    auto put = [](const Channel& c, uint32_t v8) { return c.bits ? NarrowFrom8(v8, c.bits) << c.shift : 0u; };
    return put(f.red, (argb >> 16) & 0xFF) | put(f.green, (argb >> 8) & 0xFF) | put(f.blue, argb & 0xFF) |
           put(f.alpha, argb >> 24);
}

inline uint32_t LoadRaw(const uint8_t* p, int bytesPerPixel) {
    switch (bytesPerPixel) {
        case 2: return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
        case 3: return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
        default: {
            uint32_t v;
            std::memcpy(&v, p, 4);
            return v;
        }
    }
}

inline void StoreRaw(uint8_t* p, int bytesPerPixel, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    if (bytesPerPixel >= 3) p[2] = static_cast<uint8_t>(v >> 16);
    if (bytesPerPixel == 4) p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace platform::gdi
