// texture_loader.cpp — decoding images into device textures through a GDI
// bitmap, so that GDI converts the pixels to the surface's format.
//
// The image library is initialised and de-initialised around every single
// load. Resources are read from memory through a reader bounded by the
// resource's size: reads stop at its end and seeks may count from it. An
// image whose decoder asked for bytes past the end is taken as damaged.
#include "assets/texture_loader.h"

#include <cstdio>
#include <cstring>

#include "platform/image/image_decoder.h"

namespace {

// Not among the codes the platform's ddraw.h lists; its documented value.
constexpr HRESULT kWasStillDrawing = MAKE_DDHRESULT(540);

constexpr DWORD kTextureDescFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_TEXTURESTAGE;
static_assert(kTextureDescFlags == 0x101007);


// ---- texture creation ---------------------------------------------------------------

struct FormatSearch {
    DWORD bitCount;
    bool found;
    DDPIXELFORMAT format;
};

HRESULT AcceptFormat(LPDDPIXELFORMAT format, LPVOID context) {
    auto* search = static_cast<FormatSearch*>(context);
    constexpr DWORD kBumpLuminance = 0x00040000;  // DDPF_BUMPLUMINANCE
    constexpr DWORD kBumpDuDv = 0x00080000;       // DDPF_BUMPDUDV
    const DWORD refused = DDPF_ALPHAPIXELS | DDPF_LUMINANCE | kBumpLuminance | kBumpDuDv;
    if (format && format->dwRGBBitCount == search->bitCount && format->dwFourCC == 0 &&
        (format->dwFlags & refused) == 0) {
        search->format = *format;
        search->found = true;
        return D3DENUMRET_CANCEL;
    }
    return D3DENUMRET_OK;
}

DWORD RoundUpToPowerOfTwo(DWORD value) {
    DWORD power = 1;
    while (power < value && power < 0x80000000u) power <<= 1;
    return power;
}

// The texture description for width x height with the memory placement the
// device type asks for.
void FillTextureDesc(const D3DDEVICEDESC7& device, DWORD width, DWORD height, DDSURFACEDESC2* desc) {
    std::memset(desc, 0, sizeof *desc);
    desc->dwSize = sizeof *desc;
    desc->dwFlags = kTextureDescFlags;
    desc->ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    desc->dwWidth = width;
    desc->dwHeight = height;
    desc->dwTextureStage = 0;
    if (device.deviceGUID == IID_IDirect3DHALDevice || device.deviceGUID == IID_IDirect3DTnLHalDevice)
        desc->ddsCaps.dwCaps2 |= DDSCAPS2_TEXTUREMANAGE;
    else
        desc->ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
}

// Power-of-two and square sides where the device's texture caps ask for them.
void RoundToTextureCaps(const D3DDEVICEDESC7& device, DDSURFACEDESC2* desc) {
    const DWORD caps = device.dpcTriCaps.dwTextureCaps;
    if (caps & D3DPTEXTURECAPS_POW2) {
        desc->dwWidth = RoundUpToPowerOfTwo(desc->dwWidth);
        desc->dwHeight = RoundUpToPowerOfTwo(desc->dwHeight);
    }
    if (caps & D3DPTEXTURECAPS_SQUAREONLY) {
        const DWORD side = desc->dwWidth > desc->dwHeight ? desc->dwWidth : desc->dwHeight;
        desc->dwWidth = desc->dwHeight = side;
    }
}

// The first plain 32-bit RGB format the device offers, else the first 16-bit
// one; false when it offers neither.
bool ChooseTextureFormat(IDirect3DDevice7* device, DDSURFACEDESC2* desc) {
    FormatSearch search{32, false, {}};
    device->EnumTextureFormats(AcceptFormat, &search);
    if (!search.found) {
        search.bitCount = 16;
        device->EnumTextureFormats(AcceptFormat, &search);
    }
    if (!search.found) return false;
    desc->ddpfPixelFormat = search.format;
    return true;
}

// Creates the surface through the DirectDraw object behind the device's
// render target.
IDirectDrawSurface7* CreateTextureSurface(IDirect3DDevice7* device, DDSURFACEDESC2* desc) {
    IDirectDrawSurface7* target = nullptr;
    if (FAILED(device->GetRenderTarget(&target)) || !target) return nullptr;
    IDirectDraw7* directDraw = nullptr;
    HRESULT hr = target->GetDDInterface(reinterpret_cast<LPVOID*>(&directDraw));
    target->Release();
    if (FAILED(hr) || !directDraw) return nullptr;
    IDirectDrawSurface7* surface = nullptr;
    hr = directDraw->CreateSurface(desc, &surface, nullptr);
    directDraw->Release();
    return SUCCEEDED(hr) ? surface : nullptr;
}

HRESULT LockWaiting(IDirectDrawSurface7* surface, DDSURFACEDESC2* desc) {
    HRESULT hr;
    do {
        std::memset(desc, 0, sizeof *desc);
        desc->dwSize = sizeof *desc;
        hr = surface->Lock(nullptr, desc, DDLOCK_WAIT, nullptr);
    } while (hr == kWasStillDrawing);
    return hr;
}

// Black pixels fully transparent, every other pixel fully opaque.
void FixUpAlpha(IDirectDrawSurface7* surface, const DDPIXELFORMAT& format) {
    const DWORD bitCount = format.dwRGBBitCount;
    if (bitCount != 16 && bitCount != 32) return;
    DDSURFACEDESC2 locked;
    if (FAILED(LockWaiting(surface, &locked)) || !locked.lpSurface) return;
    const DWORD colour = format.dwRBitMask | format.dwGBitMask | format.dwBBitMask;
    const DWORD alpha = format.dwRGBAlphaBitMask;
    auto* row = static_cast<BYTE*>(locked.lpSurface);
    for (DWORD y = 0; y < locked.dwHeight; ++y, row += locked.lPitch) {
        if (bitCount == 32) {
            auto* pixel = reinterpret_cast<DWORD*>(row);
            for (DWORD x = 0; x < locked.dwWidth; ++x) {
                DWORD p = pixel[x] & colour;
                pixel[x] = p ? (p | alpha) : 0;
            }
        } else {
            auto* pixel = reinterpret_cast<WORD*>(row);
            for (DWORD x = 0; x < locked.dwWidth; ++x) {
                DWORD p = pixel[x] & colour;
                pixel[x] = static_cast<WORD>(p ? (p | alpha) : 0);
            }
        }
    }
    surface->Unlock(nullptr);
}

// ---- decoding ---------------------------------------------------------------------

struct DecodedTexture {
    IDirectDrawSurface7* texture = nullptr;
    LONG imageWidth = 0;
    LONG imageHeight = 0;
};

// Turns a decoded image into a texture through a GDI bitmap; the image is
// unloaded.
DecodedTexture TextureFromImage(IDirect3DDevice7* device, ImageBitmap* image) {
    DecodedTexture result;
    ImageSetTransparent(image, false);
    HDC screen = GetDC(nullptr);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(ImageGetInfoHeader(image));
    HBITMAP bitmap = header ? CreateDIBitmap(screen, header, CBM_INIT, ImageGetBits(image),
                                             static_cast<const BITMAPINFO*>(ImageGetInfo(image)), DIB_RGB_COLORS)
                            : nullptr;
    if (bitmap) {
        result.texture = CreateTextureFromBitmap(device, bitmap);
        result.imageWidth = header->biWidth;
        result.imageHeight = header->biHeight < 0 ? -header->biHeight : header->biHeight;
        DeleteObject(bitmap);
    }
    ImageUnload(image);
    ReleaseDC(nullptr, screen);
    return result;
}

// Decodes resource `resourceId` into a texture. False when the resource is
// missing or empty (and nothing was decoded).
bool DecodeResource(IDirect3DDevice7* device, int resourceId, const char* fileName, DecodedTexture* decoded,
                    IDirectDrawSurface7** out) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(resourceId), "TEXTURES");
    if (!resource) return false;
    const DWORD size = SizeofResource(module, resource);
    if (size == 0) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    if (!loaded) return false;
    const void* data = LockResource(loaded);
    if (!data) return false;

    if (*out) {
        (*out)->Release();
        *out = nullptr;
    }

    ImageInitialise(false);
    ImageBitmap* image = ImageLoadFromBytes(ImageFormatFromFilename(fileName), data, size);
    if (image) *decoded = TextureFromImage(device, image);
    ImageDeInitialise();
    return true;
}

}  // namespace

HRESULT LoadTextureResource(IDirectDrawSurface7** out, IDirect3DDevice7* device, int resourceId,
                            const char* fileName) {
    if (!out) return S_OK;
    DecodedTexture decoded;
    if (DecodeResource(device, resourceId, fileName, &decoded, out)) *out = decoded.texture;
    return S_OK;
}

HRESULT LoadTextureResourceScaled(IDirectDrawSurface7** out, IDirect3DDevice7* device, int resourceId,
                                  const char* fileName, int size) {
    if (!out) return S_OK;
    DecodedTexture decoded;
    if (!DecodeResource(device, resourceId, fileName, &decoded, out)) return S_OK;
    if (!decoded.texture) return S_OK;
    const WORD side = static_cast<WORD>(size > 0 && size <= 0xFFFF ? size : 0);
    if (side && CreateEmptyTexture(out, device, side, side)) {
        RECT source{0, 0, decoded.imageWidth, decoded.imageHeight};
        RECT dest{0, 0, size, size};
        (*out)->Blt(&dest, decoded.texture, &source, 0, nullptr);
    }
    decoded.texture->Release();
    return S_OK;
}

HRESULT LoadTextureFile(IDirectDrawSurface7** out, IDirect3DDevice7* device, const char* path) {
    if (!out) return S_OK;
    if (*out) {
        (*out)->Release();
        *out = nullptr;
    }
    ImageInitialise(false);
    const ImageFormat format = ImageFormatFromFilename(path);
    ImageBitmap* image = format == kImageFormatUnknown ? nullptr : ImageLoad(format, path, 0);
    if (image) *out = TextureFromImage(device, image).texture;
    ImageDeInitialise();
    return S_OK;
}

bool CreateEmptyTexture(IDirectDrawSurface7** out, IDirect3DDevice7* device, WORD width, WORD height) {
    if (!out) return false;
    *out = nullptr;
    D3DDEVICEDESC7 deviceDesc{};
    if (!device || FAILED(device->GetCaps(&deviceDesc))) return false;
    DDSURFACEDESC2 desc;
    FillTextureDesc(deviceDesc, width, height, &desc);
    if (!ChooseTextureFormat(device, &desc)) return false;
    *out = CreateTextureSurface(device, &desc);
    return *out != nullptr;
}

bool ClearTexture(IDirectDrawSurface7* texture) {
    if (!texture) return false;
    DDSURFACEDESC2 locked;
    if (FAILED(LockWaiting(texture, &locked)) || !locked.lpSurface) return false;
    if (locked.lPitch > 0)
        std::memset(locked.lpSurface, 0, static_cast<size_t>(locked.lPitch) * static_cast<size_t>(locked.dwHeight));
    texture->Unlock(nullptr);
    return true;
}

IDirectDrawSurface7* CreateTextureFromBitmap(IDirect3DDevice7* device, HBITMAP bitmap) {
    D3DDEVICEDESC7 deviceDesc{};
    if (!device || FAILED(device->GetCaps(&deviceDesc))) return nullptr;
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return nullptr;

    DDSURFACEDESC2 desc;
    FillTextureDesc(deviceDesc, static_cast<DWORD>(info.bmWidth), static_cast<DWORD>(info.bmHeight), &desc);
    RoundToTextureCaps(deviceDesc, &desc);
    if (!ChooseTextureFormat(device, &desc)) return nullptr;
    IDirectDrawSurface7* surface = CreateTextureSurface(device, &desc);
    if (!surface) return nullptr;

    HDC memory = CreateCompatibleDC(nullptr);
    if (!memory) {
        surface->Release();
        return nullptr;
    }
    HGDIOBJ previous = SelectObject(memory, bitmap);
    HDC surfaceDc = nullptr;
    if (SUCCEEDED(surface->GetDC(&surfaceDc))) {
        BitBlt(surfaceDc, 0, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        surface->ReleaseDC(surfaceDc);
    }
    if (previous) SelectObject(memory, previous);
    DeleteDC(memory);

    DDCOLORKEY black{0, 0};
    surface->SetColorKey(DDCKEY_SRCBLT, &black);
    if (desc.ddpfPixelFormat.dwRGBAlphaBitMask != 0) FixUpAlpha(surface, desc.ddpfPixelFormat);
    return surface;
}
