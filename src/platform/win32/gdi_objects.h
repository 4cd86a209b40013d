// gdi_objects.h — the objects behind GDI handles, and the table that tells a
// live handle from a stale or foreign one.
//
// A handle is the address of its object. Bitmaps are device-dependent bitmaps
// of the one format this layer has: 32 bits a pixel, stored as 0xAARRGGBB
// words (bytes B, G, R, A in memory), rows top-down without padding. Device
// contexts (gdi_dc.cpp) live in the same table. A memory DC starts with the
// stock 1 x 1 bitmap selected; that bitmap is never in the table and
// DeleteObject leaves it alone, as it does every stock object.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform::gdi {

enum class GdiKind { Bitmap, MemoryDc, PixelViewDc };

struct GdiObject {
    explicit GdiObject(GdiKind k) : kind(k) {}
    virtual ~GdiObject() = default;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    const GdiKind kind;
    // How many device contexts have it selected; DeleteObject refuses while non-zero.
    int selections = 0;
};

struct BitmapObject : GdiObject {
    BitmapObject(int w, int h)
        : GdiObject(GdiKind::Bitmap), width(w), height(h),
          pixels(static_cast<size_t>(w) * static_cast<size_t>(h), 0u) {}
    uint32_t* Row(int y) { return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width); }
    const uint32_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width); }

    int width;
    int height;
    std::vector<uint32_t> pixels;
};

// Takes the object into the table and returns its handle.
HGDIOBJ AddGdiObject(std::unique_ptr<GdiObject> object);
// Destroys a live object whatever its kind; false for an unknown handle.
bool RemoveGdiObject(HGDIOBJ handle);
// The live object behind a handle, or null (also for handles of other kinds).
GdiObject* FindGdiObject(HGDIOBJ handle);
BitmapObject* FindBitmap(HGDIOBJ handle);
// The bitmap every new memory DC holds; FindBitmap answers it too.
BitmapObject* StockBitmap();
// Number of live objects, for tests that check nothing leaks.
size_t LiveGdiObjectCount();

}  // namespace platform::gdi
