// resources.cpp — FindResourceA, LoadResource, LockResource, SizeofResource,
// LoadIconA and LoadBitmapA over the resources compiled into the executable.
//
// Only the executable's own module (or null) has resources. Names and types
// are integers (MAKEINTRESOURCE, or the "#123" text form); a type may also be
// a name, compared without regard to ASCII case. Languages are not kept.
// LoadResource gives the address of the bytes, which LockResource returns
// unchanged; the bytes are read-only and live as long as the process.
// LoadIconA finds icon groups (the icon cannot be drawn: the handle only says
// that the icon exists) and has no system icons. LoadBitmapA decodes a whole
// .bmp file into a 32-bit bitmap object (see gdi_objects.h).
#include <cstring>
#include <memory>

#include "platform/win32/gdi_objects.h"
#include "platform/win32/modules.h"
#include "platform/win32/resource_table.h"
#include "platform/win32/resources_freeimage.h"

namespace platform {
namespace {

const EmbeddedResource* g_substitute = nullptr;
size_t g_substituteCount = 0;
bool g_substituted = false;

// An integer name or type: MAKEINTRESOURCE, or "#" followed by decimal digits.
bool IntegerResource(LPCSTR text, uint16_t* value) {
    if (IS_INTRESOURCE(text)) {
        *value = static_cast<uint16_t>(reinterpret_cast<uintptr_t>(text));
        return *value != 0;
    }
    if (text[0] != '#' || text[1] == '\0') return false;
    uint32_t v = 0;
    for (const char* p = text + 1; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + static_cast<uint32_t>(*p - '0');
        if (v > 0xFFFF) return false;
    }
    *value = static_cast<uint16_t>(v);
    return v != 0;
}

bool SameTypeName(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char ca = (*a >= 'a' && *a <= 'z') ? static_cast<char>(*a - 32) : *a;
        char cb = (*b >= 'a' && *b <= 'z') ? static_cast<char>(*b - 32) : *b;
        if (ca != cb) return false;
    }
    return *a == *b;
}

const EmbeddedResource* Find(HMODULE module, LPCSTR name, LPCSTR type) {
    if ((module && module != ExecutableInstance()) || !name || !type) return nullptr;
    uint16_t id = 0;
    if (!IntegerResource(name, &id)) return nullptr;  // resources have integer ids only
    uint16_t typeId = 0;
    bool integerType = IntegerResource(type, &typeId);
    if (!integerType && IS_INTRESOURCE(type)) return nullptr;
    size_t count = 0;
    const EmbeddedResource* table = ActiveResources(&count);
    for (size_t i = 0; i < count; ++i) {
        const EmbeddedResource& r = table[i];
        if (r.id != id) continue;
        if (integerType ? (!r.typeName && r.typeId == typeId) : (r.typeName && SameTypeName(r.typeName, type)))
            return &r;
    }
    return nullptr;
}

// The entry an HRSRC stands for, when it is one of the active table.
const EmbeddedResource* Entry(HRSRC resource) {
    size_t count = 0;
    const EmbeddedResource* table = ActiveResources(&count);
    auto address = reinterpret_cast<uintptr_t>(resource);
    auto first = reinterpret_cast<uintptr_t>(table);
    if (!resource || !table || address < first || address >= first + count * sizeof(EmbeddedResource) ||
        (address - first) % sizeof(EmbeddedResource) != 0)
        return nullptr;
    return table + (address - first) / sizeof(EmbeddedResource);
}

}  // namespace

const EmbeddedResource* ActiveResources(size_t* count) {
    if (g_substituted) {
        if (count) *count = g_substituteCount;
        return g_substitute;
    }
    return EmbeddedResources(count);
}

void SubstituteResources(const EmbeddedResource* table, size_t count) {
    g_substituted = table != nullptr;
    g_substitute = table;
    g_substituteCount = table ? count : 0;
}

}  // namespace platform

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    const platform::EmbeddedResource* r = platform::Find(module, name, type);
    return reinterpret_cast<HRSRC>(const_cast<platform::EmbeddedResource*>(r));
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    if (module && module != platform::ExecutableInstance()) return nullptr;
    const platform::EmbeddedResource* r = platform::Entry(resource);
    return r ? const_cast<unsigned char*>(r->data) : nullptr;
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE module, HRSRC resource) {
    if (module && module != platform::ExecutableInstance()) return 0;
    const platform::EmbeddedResource* r = platform::Entry(resource);
    return r ? static_cast<DWORD>(r->size) : 0;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (instance != platform::ExecutableInstance()) return nullptr;  // no system icons
    const platform::EmbeddedResource* r = platform::Find(instance, name, RT_GROUP_ICON);
    return reinterpret_cast<HICON>(const_cast<platform::EmbeddedResource*>(r));
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
    if (instance != platform::ExecutableInstance()) return nullptr;  // no system bitmaps
    const platform::EmbeddedResource* r = platform::Find(instance, name, RT_BITMAP);
    platform::DecodedBitmap decoded;
    if (!r || !platform::DecodeBmpFile(r->data, r->size, &decoded)) return nullptr;
    auto bitmap = std::make_unique<platform::gdi::BitmapObject>(decoded.width, decoded.height);
    bitmap->pixels = std::move(decoded.pixels);
    return static_cast<HBITMAP>(platform::gdi::AddGdiObject(std::move(bitmap)));
}
