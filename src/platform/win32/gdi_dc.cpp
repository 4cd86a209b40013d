// gdi_dc.cpp — memory device contexts, pixel-view device contexts,
// CreateCompatibleDC, SelectObject, DeleteDC and BitBlt.
//
// A memory DC draws into the bitmap selected into it (the stock 1 x 1 bitmap
// until another is selected); a bitmap can be selected into one DC at a time,
// and DeleteObject refuses it while it is. DeleteDC lets go of the selected
// bitmap, so a bitmap left selected can still be deleted after its DC.
// A pixel-view DC (gdi_dc.h) draws into pixels it does not own; only
// DeletePixelViewDc deletes it.
//
// BitBlt supports SRCCOPY only, between any two of these DCs (the same one
// included, overlapping or not), converting between their pixel layouts and
// clipping to both. A window's DC (its handle) draws into the window's
// picture (window_image.h), shown when the DC is released. The screen's DC
// has no pixels here: BitBlt to or from it returns FALSE, as does
// SelectObject into any window or screen DC.
#include "platform/win32/gdi_dc.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "platform/win32/gdi_objects.h"
#include "platform/win32/gdi_pixel_format.h"
#include "platform/win32/handles.h"
#include "platform/win32/window_image.h"

namespace platform::gdi {
namespace {

struct MemoryDcObject : GdiObject {
    MemoryDcObject() : GdiObject(GdiKind::MemoryDc) {}
    BitmapObject* selected = StockBitmap();
};

struct PixelViewDcObject : GdiObject {
    PixelViewDcObject(const PixelView& v, const PixelFormat& f) : GdiObject(GdiKind::PixelViewDc), view(v), format(f) {}
    PixelView view;
    PixelFormat format;
};

// The pixels a DC draws into.
struct Surface {
    uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int64_t pitch = 0;
    PixelFormat format;

    uint8_t* At(int64_t x, int64_t y) const { return bits + y * pitch + x * format.bytesPerPixel; }
    // One past the last byte of the surface.
    const uint8_t* End() const { return At(width, height - 1); }
};

template <typename T>
T* FindDc(HDC dc, GdiKind kind) {
    GdiObject* object = FindGdiObject(dc);
    return (object && object->kind == kind) ? static_cast<T*>(object) : nullptr;
}

bool SurfaceOf(HDC dc, Surface* out) {
    if (auto* memory = FindDc<MemoryDcObject>(dc, GdiKind::MemoryDc)) {
        BitmapObject* bitmap = memory->selected;
        out->bits = reinterpret_cast<uint8_t*>(bitmap->pixels.data());
        out->width = bitmap->width;
        out->height = bitmap->height;
        out->pitch = static_cast<int64_t>(bitmap->width) * 4;
        out->format = Argb32Format();
        return bitmap->width > 0 && bitmap->height > 0;
    }
    if (auto* view = FindDc<PixelViewDcObject>(dc, GdiKind::PixelViewDc)) {
        out->bits = view->view.bits;
        out->width = view->view.width;
        out->height = view->view.height;
        out->pitch = view->view.pitch;
        out->format = view->format;
        return true;
    }
    HWND window = reinterpret_cast<HWND>(dc);
    WindowImageView image;
    if (platform::IsOwnWindowHandle(window) && platform::WindowImageOf(window, &image)) {
        out->bits = reinterpret_cast<uint8_t*>(image.bits);
        out->width = image.width;
        out->height = image.height;
        out->pitch = static_cast<int64_t>(image.width) * 4;
        out->format = Argb32Format();
        return true;
    }
    return false;
}

// Narrows one axis of a copy to the part inside both surfaces; false when
// nothing is left.
bool ClipAxis(int64_t* dest, int64_t* src, int64_t* length, int64_t destLimit, int64_t srcLimit) {
    if (*dest < 0) {
        *src -= *dest;
        *length += *dest;
        *dest = 0;
    }
    if (*src < 0) {
        *dest -= *src;
        *length += *src;
        *src = 0;
    }
    *length = std::min({*length, destLimit - *dest, srcLimit - *src});
    return *length > 0;
}

void CopyPixels(const Surface& from, int64_t sx, int64_t sy, const Surface& to, int64_t dx, int64_t dy, int64_t w,
                int64_t h) {
    auto address = [](const uint8_t* p) { return reinterpret_cast<uintptr_t>(p); };
    const bool overlap = address(from.bits) < address(to.End()) && address(to.bits) < address(from.End());
    if (overlap && SameFormat(from.format, to.format) && from.bits == to.bits && from.pitch == to.pitch) {
        // Same pixels: move rows in the order that reads each before it is overwritten.
        const size_t bytes = static_cast<size_t>(w * to.format.bytesPerPixel);
        const bool upward = dy > sy;
        for (int64_t i = 0; i < h; ++i) {
            int64_t row = upward ? h - 1 - i : i;
            std::memmove(to.At(dx, dy + row), from.At(sx, sy + row), bytes);
        }
        return;
    }
    if (overlap) {
        // Aliasing views of different layouts: read the whole source first.
        std::vector<uint32_t> staged(static_cast<size_t>(w * h));
        for (int64_t row = 0; row < h; ++row) {
            const uint8_t* s = from.At(sx, sy + row);
            for (int64_t col = 0; col < w; ++col, s += from.format.bytesPerPixel)
                staged[static_cast<size_t>(row * w + col)] = DecodePixel(from.format, LoadRaw(s, from.format.bytesPerPixel));
        }
        for (int64_t row = 0; row < h; ++row) {
            uint8_t* d = to.At(dx, dy + row);
            for (int64_t col = 0; col < w; ++col, d += to.format.bytesPerPixel)
                StoreRaw(d, to.format.bytesPerPixel, EncodePixel(to.format, staged[static_cast<size_t>(row * w + col)]));
        }
        return;
    }
    if (SameFormat(from.format, to.format)) {
        const size_t bytes = static_cast<size_t>(w * to.format.bytesPerPixel);
        for (int64_t row = 0; row < h; ++row) std::memcpy(to.At(dx, dy + row), from.At(sx, sy + row), bytes);
        return;
    }
    const bool fromArgb = SameFormat(from.format, Argb32Format());
    const int inBytes = from.format.bytesPerPixel;
    const int outBytes = to.format.bytesPerPixel;
    for (int64_t row = 0; row < h; ++row) {
        const uint8_t* s = from.At(sx, sy + row);
        uint8_t* d = to.At(dx, dy + row);
        for (int64_t col = 0; col < w; ++col, s += inBytes, d += outBytes) {
            uint32_t raw = LoadRaw(s, inBytes);
            StoreRaw(d, outBytes, EncodePixel(to.format, fromArgb ? raw : DecodePixel(from.format, raw)));
        }
    }
}

}  // namespace

HDC CreatePixelViewDc(const PixelView& view) {
    if (!view.bits || view.width <= 0 || view.height <= 0 || view.pitch <= 0) return nullptr;
    DWORD r = view.rMask, g = view.gMask, b = view.bMask, a = view.aMask;
    if (!r && !g && !b && !a) {
        // No masks: the layouts a plain RGB bitmap of that depth has.
        if (view.bitCount == 16) {
            r = 0x7C00, g = 0x03E0, b = 0x001F;
        } else {
            r = 0xFF0000, g = 0x00FF00, b = 0x0000FF;
        }
    }
    PixelFormat format;
    if (!MakePixelFormat(view.bitCount, r, g, b, a, &format)) return nullptr;
    if (static_cast<int64_t>(view.pitch) < static_cast<int64_t>(view.width) * format.bytesPerPixel) return nullptr;
    try {
        return static_cast<HDC>(AddGdiObject(std::make_unique<PixelViewDcObject>(view, format)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool DeletePixelViewDc(HDC dc) {
    return FindDc<PixelViewDcObject>(dc, GdiKind::PixelViewDc) && RemoveGdiObject(dc);
}

}  // namespace platform::gdi

HDC CreateCompatibleDC(HDC dc) {
    using namespace platform::gdi;
    if (dc && !platform::IsScreenDc(dc) && !FindDc<MemoryDcObject>(dc, GdiKind::MemoryDc) &&
        !FindDc<PixelViewDcObject>(dc, GdiKind::PixelViewDc)) {
        HWND window = reinterpret_cast<HWND>(dc);  // a window's DC is its handle
        if (!platform::IsOwnWindowHandle(window) || !IsWindow(window)) return nullptr;
    }
    try {
        return static_cast<HDC>(AddGdiObject(std::make_unique<MemoryDcObject>()));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

BOOL DeleteDC(HDC dc) {
    using namespace platform::gdi;
    MemoryDcObject* memory = FindDc<MemoryDcObject>(dc, GdiKind::MemoryDc);
    if (!memory) return FALSE;
    if (memory->selected != StockBitmap()) --memory->selected->selections;
    return RemoveGdiObject(dc) ? TRUE : FALSE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    using namespace platform::gdi;
    MemoryDcObject* memory = FindDc<MemoryDcObject>(dc, GdiKind::MemoryDc);
    BitmapObject* bitmap = FindBitmap(object);
    if (!memory || !bitmap) return nullptr;
    BitmapObject* previous = memory->selected;
    if (bitmap == previous) return object;
    if (bitmap != StockBitmap() && bitmap->selections > 0) return nullptr;  // held by another DC
    if (previous != StockBitmap()) --previous->selections;
    if (bitmap != StockBitmap()) ++bitmap->selections;
    memory->selected = bitmap;
    return static_cast<GdiObject*>(previous);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
    using namespace platform::gdi;
    if (rop != SRCCOPY || width < 0 || height < 0) return FALSE;
    Surface to, from;
    if (!SurfaceOf(dest, &to) || !SurfaceOf(src, &from)) return FALSE;
    int64_t dx = x, dy = y, sx = srcX, sy = srcY, w = width, h = height;
    if (!ClipAxis(&dx, &sx, &w, to.width, from.width) || !ClipAxis(&dy, &sy, &h, to.height, from.height))
        return TRUE;  // nothing of it lies inside both
    try {
        CopyPixels(from, sx, sy, to, dx, dy, w, h);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    HWND window = reinterpret_cast<HWND>(dest);
    if (platform::IsOwnWindowHandle(window)) platform::MarkWindowImageChanged(window);
    return TRUE;
}
