// pixel_format.cpp — pixel layouts and single-pixel conversions.
#include "platform/ddraw/pixel_format.h"

namespace platform::ddraw {
namespace {

void DeriveChannels(PixelLayout& layout) {
    const DWORD masks[4] = {layout.rMask, layout.gMask, layout.bMask, layout.aMask};
    for (int c = 0; c < 4; ++c) {
        DWORD m = masks[c];
        int s = 0, w = 0;
        if (m) {
            while (!(m & 1u)) {
                m >>= 1;
                ++s;
            }
            while (m & 1u) {
                m >>= 1;
                ++w;
            }
        }
        layout.shift[c] = s;
        layout.width[c] = w;
    }
}

PixelLayout MakeLayout(DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a) {
    PixelLayout layout;
    layout.bitCount = bits;
    layout.rMask = r;
    layout.gMask = g;
    layout.bMask = b;
    layout.aMask = a;
    DeriveChannels(layout);
    return layout;
}

PixelLayout MakeDepthLayout(DWORD containerBits, DWORD depthBits) {
    PixelLayout layout;
    layout.bitCount = containerBits;
    layout.isDepth = true;
    layout.depthBits = depthBits;
    return layout;
}

// Widens an n-bit channel value to 8 bits by repeating its bit pattern.
inline uint32_t Widen(uint32_t v, int n) {
    if (n >= 8) return v >> (n - 8);
    if (n <= 0) return 0;
    uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        int shift = 8 - filled - n;
        out |= shift >= 0 ? (v << shift) : (v >> -shift);
        filled += n;
    }
    return out & 0xFFu;
}

}  // namespace

bool PixelLayout::Is(StandardFormat format) const { return SameAs(LayoutOf(format)); }

uint32_t PixelLayout::ToArgb(uint32_t raw) const {
    uint32_t out = 0;
    const DWORD masks[4] = {rMask, gMask, bMask, aMask};
    const int place[4] = {16, 8, 0, 24};
    for (int c = 0; c < 4; ++c) {
        uint32_t v;
        if (masks[c]) v = Widen((raw & masks[c]) >> shift[c], width[c]);
        else v = c == 3 ? 0xFFu : 0u;
        out |= v << place[c];
    }
    return out;
}

uint32_t PixelLayout::FromArgb(uint32_t argb) const {
    uint32_t out = 0;
    const DWORD masks[4] = {rMask, gMask, bMask, aMask};
    const int place[4] = {16, 8, 0, 24};
    for (int c = 0; c < 4; ++c) {
        if (!masks[c]) continue;
        uint32_t v = (argb >> place[c]) & 0xFFu;
        v = width[c] >= 8 ? v << (width[c] - 8) : v >> (8 - width[c]);
        out |= (v << shift[c]) & masks[c];
    }
    return out;
}

PixelLayout LayoutOf(StandardFormat format) {
    switch (format) {
    case StandardFormat::R5G6B5: return MakeLayout(16, 0xF800, 0x07E0, 0x001F, 0);
    case StandardFormat::X1R5G5B5: return MakeLayout(16, 0x7C00, 0x03E0, 0x001F, 0);
    case StandardFormat::A1R5G5B5: return MakeLayout(16, 0x7C00, 0x03E0, 0x001F, 0x8000);
    case StandardFormat::A4R4G4B4: return MakeLayout(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
    case StandardFormat::X8R8G8B8: return MakeLayout(32, 0xFF0000, 0xFF00, 0xFF, 0);
    case StandardFormat::A8R8G8B8: return MakeLayout(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    case StandardFormat::R8G8B8: return MakeLayout(24, 0xFF0000, 0xFF00, 0xFF, 0);
    case StandardFormat::Z16: return MakeDepthLayout(16, 16);
    case StandardFormat::Z24: return MakeDepthLayout(32, 24);
    case StandardFormat::Z32: return MakeDepthLayout(32, 32);
    }
    return PixelLayout{};
}

DDPIXELFORMAT PixelFormatOf(const PixelLayout& layout) {
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof(DDPIXELFORMAT);
    if (layout.isDepth) {
        pf.dwFlags = DDPF_ZBUFFER;
        pf.dwZBufferBitDepth = layout.depthBits;
        pf.dwZBitMask = layout.depthBits >= 32 ? 0xFFFFFFFFu : ((1u << layout.depthBits) - 1u);
        return pf;
    }
    pf.dwFlags = DDPF_RGB | (layout.aMask ? DDPF_ALPHAPIXELS : 0);
    pf.dwRGBBitCount = layout.bitCount;
    pf.dwRBitMask = layout.rMask;
    pf.dwGBitMask = layout.gMask;
    pf.dwBBitMask = layout.bMask;
    pf.dwRGBAlphaBitMask = layout.aMask;
    return pf;
}

DDPIXELFORMAT PixelFormatOf(StandardFormat format) { return PixelFormatOf(LayoutOf(format)); }

DDPIXELFORMAT DisplayPixelFormat(DWORD bitCount) {
    if (bitCount == 16) return PixelFormatOf(StandardFormat::R5G6B5);
    if (bitCount == 24) return PixelFormatOf(StandardFormat::R8G8B8);
    if (bitCount == 32) return PixelFormatOf(StandardFormat::X8R8G8B8);
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof(DDPIXELFORMAT);
    pf.dwFlags = DDPF_RGB | (bitCount <= 8 ? DDPF_PALETTEINDEXED8 : 0);
    pf.dwRGBBitCount = bitCount;
    return pf;
}

PixelLayout LayoutFromPixelFormat(const DDPIXELFORMAT& format) {
    if (format.dwFlags & DDPF_ZBUFFER) {
        DWORD bits = format.dwZBufferBitDepth;
        if (bits == 16) return LayoutOf(StandardFormat::Z16);
        if (bits == 24) return LayoutOf(StandardFormat::Z24);
        if (bits == 32) {
            // A 32-bit container whose mask holds 24 bits is a 24-bit buffer.
            if (format.dwZBitMask != 0 && format.dwZBitMask != 0xFFFFFFFFu) return LayoutOf(StandardFormat::Z24);
            return LayoutOf(StandardFormat::Z32);
        }
        return PixelLayout{};
    }
    if (!(format.dwFlags & DDPF_RGB) || (format.dwFlags & (DDPF_FOURCC | DDPF_PALETTEINDEXED8 | DDPF_LUMINANCE)))
        return PixelLayout{};
    DWORD bits = format.dwRGBBitCount;
    if (bits != 16 && bits != 24 && bits != 32) return PixelLayout{};
    DWORD alpha = (format.dwFlags & DDPF_ALPHAPIXELS) ? format.dwRGBAlphaBitMask : 0;
    DWORD r = format.dwRBitMask, g = format.dwGBitMask, b = format.dwBBitMask;
    if (!r || !g || !b || (r & g) || (r & b) || (g & b) || (alpha & (r | g | b))) return PixelLayout{};
    DWORD limit = bits == 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u);
    if (((r | g | b | alpha) & ~limit) != 0) return PixelLayout{};
    PixelLayout layout = MakeLayout(bits, r, g, b, alpha);
    // Each mask must be one run of bits.
    const DWORD masks[4] = {r, g, b, alpha};
    for (int c = 0; c < 4; ++c) {
        if (!masks[c]) continue;
        DWORD run = layout.width[c] >= 32 ? 0xFFFFFFFFu : ((1u << layout.width[c]) - 1u);
        if ((run << layout.shift[c]) != masks[c]) return PixelLayout{};
    }
    return layout;
}

}  // namespace platform::ddraw
