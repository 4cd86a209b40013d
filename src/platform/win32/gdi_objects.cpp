// gdi_objects.cpp — the table of live GDI objects, DeleteObject (bitmaps;
// a DC is deleted with DeleteDC) and GetObjectA (bitmaps only; other kinds
// answer 0).
#include "platform/win32/gdi_objects.h"

#include <cstring>
#include <map>

namespace platform::gdi {
namespace {

std::map<HGDIOBJ, std::unique_ptr<GdiObject>>& Table() {
    static std::map<HGDIOBJ, std::unique_ptr<GdiObject>> table;
    return table;
}

}  // namespace

HGDIOBJ AddGdiObject(std::unique_ptr<GdiObject> object) {
    if (!object) return nullptr;
    HGDIOBJ handle = object.get();
    Table()[handle] = std::move(object);
    return handle;
}

bool RemoveGdiObject(HGDIOBJ handle) { return handle && Table().erase(handle) > 0; }

BitmapObject* StockBitmap() {
    static BitmapObject stock(1, 1);
    return &stock;
}

GdiObject* FindGdiObject(HGDIOBJ handle) {
    if (!handle) return nullptr;
    if (handle == static_cast<GdiObject*>(StockBitmap())) return StockBitmap();
    auto it = Table().find(handle);
    return it == Table().end() ? nullptr : it->second.get();
}

BitmapObject* FindBitmap(HGDIOBJ handle) {
    GdiObject* object = FindGdiObject(handle);
    return (object && object->kind == GdiKind::Bitmap) ? static_cast<BitmapObject*>(object) : nullptr;
}

size_t LiveGdiObjectCount() { return Table().size(); }

}  // namespace platform::gdi

BOOL DeleteObject(HGDIOBJ object) {
    using namespace platform::gdi;
    if (object && object == static_cast<GdiObject*>(StockBitmap())) return TRUE;  // deleting a stock object is harmless
    GdiObject* found = FindGdiObject(object);
    if (!found || found->kind != GdiKind::Bitmap || found->selections > 0) return FALSE;
    return RemoveGdiObject(object) ? TRUE : FALSE;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
    const platform::gdi::BitmapObject* bitmap = platform::gdi::FindBitmap(object);
    if (!bitmap) return 0;
    if (!buffer) return static_cast<int>(sizeof(BITMAP));
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP info;
    std::memset(&info, 0, sizeof info);
    info.bmType = 0;
    info.bmWidth = bitmap->width;
    info.bmHeight = bitmap->height;
    info.bmWidthBytes = bitmap->width * 4;
    info.bmPlanes = 1;
    info.bmBitsPixel = 32;
    info.bmBits = nullptr;  // a device-dependent bitmap does not show its bits
    std::memcpy(buffer, &info, sizeof info);
    return static_cast<int>(sizeof(BITMAP));
}
