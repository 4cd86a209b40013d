// direct3d_gl.cpp — IDirect3D7 and the device descriptions.
#include "platform/d3d/direct3d_gl.h"

#include <cstring>
#include <new>

#include "platform/com_object.h"
#include "platform/d3d/direct3d_device_gl.h"
#include "platform/ddraw/ddraw_object.h"
#include "platform/ddraw/ddraw_surface.h"
#include "platform/platform_testing.h"

namespace platform {
namespace {
bool g_pow2Caps = false;
bool g_squareOnlyCaps = false;
}  // namespace

void SetTextureCapsForTest(bool pow2, bool squareOnly) {
    g_pow2Caps = pow2;
    g_squareOnlyCaps = squareOnly;
}

namespace d3d {
namespace {

constexpr ddraw::StandardFormat kTextureFormats[] = {
    ddraw::StandardFormat::R5G6B5,   ddraw::StandardFormat::X1R5G5B5, ddraw::StandardFormat::A1R5G5B5,
    ddraw::StandardFormat::A4R4G4B4, ddraw::StandardFormat::X8R8G8B8, ddraw::StandardFormat::A8R8G8B8,
};

constexpr ddraw::StandardFormat kDepthFormats[] = {ddraw::StandardFormat::Z16, ddraw::StandardFormat::Z24,
                                                   ddraw::StandardFormat::Z32};

D3DPRIMCAPS PrimitiveCaps() {
    D3DPRIMCAPS caps{};
    caps.dwSize = sizeof(D3DPRIMCAPS);
    caps.dwMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW;
    caps.dwRasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_SUBPIXEL;
    caps.dwZCmpCaps = 0xFF;
    const DWORD blends = 0x1FFF;
    caps.dwSrcBlendCaps = blends;
    caps.dwDestBlendCaps = blends & ~static_cast<DWORD>(D3DPBLENDCAPS_SRCALPHASAT | D3DPBLENDCAPS_BOTHSRCALPHA |
                                                        D3DPBLENDCAPS_BOTHINVSRCALPHA);
    caps.dwAlphaCmpCaps = 0xFF;
    caps.dwShadeCaps =
        D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
    caps.dwTextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_TRANSPARENCY;
    if (g_pow2Caps) caps.dwTextureCaps |= D3DPTEXTURECAPS_POW2;
    if (g_squareOnlyCaps) caps.dwTextureCaps |= D3DPTEXTURECAPS_SQUAREONLY;
    caps.dwTextureFilterCaps = D3DPTFILTERCAPS_NEAREST | D3DPTFILTERCAPS_LINEAR | D3DPTFILTERCAPS_MINFPOINT |
                               D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    caps.dwTextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                                D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV;
    return caps;
}

// Answers QueryInterface for IID_IDirect3D7 (not IID_IUnknown) and passes
// IID_IDirectDraw7 on to its DirectDraw object.
class Direct3D7GL final : public ComObject<IDirect3D7, DDERR_INVALIDPARAMS, IID_IDirect3D7> {
public:
    explicit Direct3D7GL(ddraw::DirectDraw7GL* owner) : owner_(owner) { owner_->AddRef(); }

    HRESULT QueryInterface(REFIID riid, LPVOID* ppvObj) override {
        if (ppvObj && riid == IID_IDirectDraw7) return owner_->QueryInterface(riid, ppvObj);
        return ComObject::QueryInterface(riid, ppvObj);
    }

    HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7 lpEnumDevicesCallback, LPVOID lpUserArg) override {
        if (!lpEnumDevicesCallback) return DDERR_INVALIDPARAMS;
        char softwareDescription[] = "Software rasteriser on OpenGL";
        char softwareName[] = "RGB Emulation";
        D3DDEVICEDESC7 software = DescribeDevice(false);
        if (lpEnumDevicesCallback(softwareDescription, softwareName, &software, lpUserArg) == D3DENUMRET_CANCEL)
            return D3D_OK;
        char hardwareDescription[] = "Hardware device on OpenGL";
        char hardwareName[] = "Direct3D HAL";
        D3DDEVICEDESC7 hardware = DescribeDevice(true);
        lpEnumDevicesCallback(hardwareDescription, hardwareName, &hardware, lpUserArg);
        return D3D_OK;
    }

    HRESULT CreateDevice(REFCLSID rclsid, LPDIRECTDRAWSURFACE7 lpDDS, LPDIRECT3DDEVICE7* lplpD3DDevice) override {
        if (!lplpD3DDevice) return DDERR_INVALIDPARAMS;
        *lplpD3DDevice = nullptr;
        bool hardware = rclsid == IID_IDirect3DHALDevice;
        if (!hardware && rclsid != IID_IDirect3DRGBDevice) return DDERR_INVALIDPARAMS;
        ddraw::DirectDrawSurface7GL* surface = lpDDS ? ddraw::DirectDrawSurface7GL::From(lpDDS) : nullptr;
        if (!surface || surface->Owner() != owner_ || !surface->IsRenderTarget() || surface->IsDead())
            return DDERR_INVALIDPARAMS;
        if (surface->Layout().bitCount != 16 && surface->Layout().bitCount != 32) return DDERR_INVALIDPIXELFORMAT;
        if (!owner_->Renderer()) return D3DERR_INITFAILED;
        auto* device = new (std::nothrow) Direct3DDevice7GL(this, owner_, surface, hardware);
        if (!device) return DDERR_OUTOFMEMORY;
        *lplpD3DDevice = device;
        return D3D_OK;
    }

    HRESULT EnumZBufferFormats(REFCLSID riidDevice, LPD3DENUMPIXELFORMATSCALLBACK lpEnumCallback,
                               LPVOID lpContext) override {
        if (!lpEnumCallback) return DDERR_INVALIDPARAMS;
        if (riidDevice != IID_IDirect3DHALDevice && riidDevice != IID_IDirect3DRGBDevice) return DDERR_INVALIDPARAMS;
        for (ddraw::StandardFormat f : kDepthFormats) {
            DDPIXELFORMAT format = ddraw::PixelFormatOf(f);
            if (lpEnumCallback(&format, lpContext) == D3DENUMRET_CANCEL) break;
        }
        return D3D_OK;
    }

private:
    ~Direct3D7GL() { owner_->Release(); }
    ddraw::DirectDraw7GL* owner_;
};

}  // namespace

HRESULT CreateDirect3D(ddraw::DirectDraw7GL* owner, IDirect3D7** out) {
    *out = new (std::nothrow) Direct3D7GL(owner);
    return *out ? DD_OK : DDERR_OUTOFMEMORY;
}

D3DDEVICEDESC7 DescribeDevice(bool hardware) {
    D3DDEVICEDESC7 desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwDevCaps = D3DDEVCAPS_FLOATTLVERTEX | D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                     D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP |
                     D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX;
    if (hardware) desc.dwDevCaps |= D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_TEXTUREVIDEOMEMORY;
    desc.dpcLineCaps = PrimitiveCaps();
    desc.dpcTriCaps = PrimitiveCaps();
    desc.dwDeviceRenderBitDepth = DDBD_16 | DDBD_32;
    desc.dwDeviceZBufferBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
    desc.dwMinTextureWidth = 1;
    desc.dwMinTextureHeight = 1;
    desc.dwMaxTextureWidth = 4096;
    desc.dwMaxTextureHeight = 4096;
    desc.dwMaxTextureRepeat = 32768;
    desc.dwMaxTextureAspectRatio = 0;
    desc.dwMaxAnisotropy = 1;
    desc.dvGuardBandLeft = -32768.0f;
    desc.dvGuardBandTop = -32768.0f;
    desc.dvGuardBandRight = 32767.0f;
    desc.dvGuardBandBottom = 32767.0f;
    desc.dwFVFCaps = 1;
    desc.dwTextureOpCaps = 0x3FFF;
    desc.wMaxTextureBlendStages = 2;
    desc.wMaxSimultaneousTextures = 2;
    desc.dwMaxActiveLights = 0;
    desc.dvMaxVertexW = 1e10f;
    desc.deviceGUID = hardware ? IID_IDirect3DHALDevice : IID_IDirect3DRGBDevice;
    return desc;
}

int TextureFormatCount() { return static_cast<int>(sizeof(kTextureFormats) / sizeof(kTextureFormats[0])); }

DDPIXELFORMAT TextureFormat(int index) { return ddraw::PixelFormatOf(kTextureFormats[index]); }

}  // namespace d3d
}  // namespace platform
