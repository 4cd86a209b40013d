// gdi_dib.cpp — CreateDIBitmap: device-independent bitmaps of 1, 4, 8, 16, 24
// and 32 bits made into 32-bit bitmap objects (gdi_objects.h).
//
// DIB_RGB_COLORS only. BI_RGB at every depth (16 bits as 555, 32 bits as
// bytes B, G, R, unused) and BI_BITFIELDS at 16 and 32 bits, the masks
// following a 40-byte header or held inside a larger one; compressed bits
// are refused. Rows run bottom-up when biHeight > 0 and top-down when it is
// negative, each padded to 4 bytes; within a byte the leftmost pixel is in
// the high bits. Palettes come from the colour table after the header
// (biClrUsed 0 meaning the full table); an index past the table reads black.
// The bitmap is opaque: alpha is 0xFF whatever the bits hold.
//
// The caller gives no size for the bits, so the dimensions are bounded as
// LoadBitmapA bounds them, and a non-zero biSizeImage smaller than the rows
// need is refused, before anything is read. The header gives the bitmap's
// size and the BITMAPINFO the layout of the bits; where the two differ, the
// part inside both is copied and the rest is left 0.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/win32/gdi_objects.h"
#include "platform/win32/gdi_pixel_format.h"
#include "platform/win32/resources_freeimage.h"

namespace platform::gdi {
namespace {

constexpr DWORD kInfoHeaderSize = 40;
constexpr DWORD kV5HeaderSize = 124;

struct DibSize {
    int width = 0;
    int height = 0;
    bool topDown = false;
};

bool ReadSize(const BITMAPINFOHEADER& header, DibSize* out) {
    if (header.biSize < kInfoHeaderSize || header.biWidth <= 0 || header.biHeight == 0) return false;
    const int64_t width = header.biWidth;
    const int64_t height = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    if (width > kMaxBitmapSide || height > kMaxBitmapSide ||
        static_cast<uint64_t>(width * height) > kMaxBitmapPixels)
        return false;
    *out = DibSize{static_cast<int>(width), static_cast<int>(height), header.biHeight < 0};
    return true;
}

DWORD ReadDword(const uint8_t* p) {
    DWORD v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The layout of the bits' pixels: a palette for 1 to 8 bits, a pixel format
// above that.
struct DibFormat {
    int bitCount = 0;
    uint32_t palette[256] = {};
    PixelFormat pixels;
};

bool ReadFormat(const BITMAPINFO& info, DibFormat* out) {
    const BITMAPINFOHEADER& header = info.bmiHeader;
    const auto* table = reinterpret_cast<const uint8_t*>(&info) + header.biSize;
    out->bitCount = header.biBitCount;
    switch (header.biBitCount) {
        case 1:
        case 4:
        case 8: {
            if (header.biCompression != BI_RGB) return false;
            const DWORD full = 1u << header.biBitCount;
            const DWORD entries = header.biClrUsed == 0 ? full : std::min(header.biClrUsed, full);
            std::fill(std::begin(out->palette), std::end(out->palette), 0xFF000000u);
            for (DWORD i = 0; i < entries; ++i) out->palette[i] = ReadDword(table + 4 * i) | 0xFF000000u;
            return true;
        }
        case 24:
            return header.biCompression == BI_RGB && MakePixelFormat(24, 0xFF0000, 0x00FF00, 0x0000FF, 0, &out->pixels);
        case 16:
        case 32: {
            DWORD r, g, b;
            if (header.biCompression == BI_RGB) {
                r = header.biBitCount == 16 ? 0x7C00 : 0xFF0000;
                g = header.biBitCount == 16 ? 0x03E0 : 0x00FF00;
                b = header.biBitCount == 16 ? 0x001F : 0x0000FF;
            } else if (header.biCompression == BI_BITFIELDS) {
                // Larger headers hold the masks themselves, right after the first 40 bytes.
                const uint8_t* masks = header.biSize >= kInfoHeaderSize + 12
                                           ? reinterpret_cast<const uint8_t*>(&info) + kInfoHeaderSize
                                           : table;
                r = ReadDword(masks);
                g = ReadDword(masks + 4);
                b = ReadDword(masks + 8);
            } else {
                return false;
            }
            return MakePixelFormat(header.biBitCount, r, g, b, 0, &out->pixels);
        }
        default:
            return false;
    }
}

bool CopyBits(const BITMAPINFO& info, const uint8_t* bits, BitmapObject* bitmap) {
    const BITMAPINFOHEADER& header = info.bmiHeader;
    DibSize size;
    if (header.biSize > kV5HeaderSize || header.biPlanes != 1 || !ReadSize(header, &size)) return false;
    auto format = std::make_unique<DibFormat>();
    if (!ReadFormat(info, format.get())) return false;

    const int bitCount = format->bitCount;
    const uint64_t stride = (static_cast<uint64_t>(size.width) * static_cast<uint64_t>(bitCount) + 31) / 32 * 4;
    if (header.biSizeImage != 0 && header.biSizeImage < stride * static_cast<uint64_t>(size.height)) return false;

    const int width = std::min(size.width, bitmap->width);
    const int height = std::min(size.height, bitmap->height);
    const int bytesPerPixel = format->pixels.bytesPerPixel;
    for (int y = 0; y < height; ++y) {
        const uint64_t sourceRow = size.topDown ? static_cast<uint64_t>(y) : static_cast<uint64_t>(size.height - 1 - y);
        const uint8_t* row = bits + sourceRow * stride;
        uint32_t* out = bitmap->Row(y);
        if (bitCount <= 8) {
            const uint32_t indexMask = (1u << bitCount) - 1;
            for (int x = 0; x < width; ++x) {
                const uint64_t bit = static_cast<uint64_t>(x) * static_cast<uint64_t>(bitCount);
                const int shift = 8 - bitCount - static_cast<int>(bit % 8);
                out[x] = format->palette[(row[bit / 8] >> shift) & indexMask];
            }
        } else {
            for (int x = 0; x < width; ++x)
                out[x] = DecodePixel(format->pixels, LoadRaw(row + static_cast<size_t>(x) * bytesPerPixel, bytesPerPixel));
        }
    }
    return true;
}

}  // namespace
}  // namespace platform::gdi

HBITMAP CreateDIBitmap(HDC, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage) {
    using namespace platform::gdi;
    DibSize size;
    if (!header || !ReadSize(*header, &size)) return nullptr;
    if ((init & CBM_INIT) && (!bits || !info || usage != DIB_RGB_COLORS)) return nullptr;
    try {
        auto bitmap = std::make_unique<BitmapObject>(size.width, size.height);
        if ((init & CBM_INIT) && !CopyBits(*info, static_cast<const uint8_t*>(bits), bitmap.get())) return nullptr;
        return static_cast<HBITMAP>(AddGdiObject(std::move(bitmap)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
