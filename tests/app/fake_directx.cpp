// Fake DirectDraw 7 / Direct3D 7 objects for the app tests.
#include "app/fake_directx.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/platform_testing.h"
#include "support/com_doubles.h"

namespace fakedx {
namespace {

HRESULT Check(const char* call) {
    W().calls.push_back(call);
    auto failure = W().failures.find(call);
    return failure == W().failures.end() ? S_OK : failure->second;
}

template <typename I>
struct Counted : I {
    ULONG refs = 1;
    bool orphan = false;  // no longer counted as alive, see Surface
    Counted() { ++W().liveObjects; }
    virtual ~Counted() {
        if (orphan) std::erase(W().orphans, static_cast<IUnknown*>(this));
        else --W().liveObjects;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override {
        if (refs == 0) {
            ADD_FAILURE() << "object released more often than referenced";
            return 0;
        }
        ULONG left = --refs;
        if (left == 0) delete this;
        return left;
    }
};

struct Clipper : Counted<testsupport::NullClipper> {
    HRESULT SetHWnd(DWORD, HWND window) override {
        W().clipperWindow = window;
        return Check("SetHWnd");
    }
};

struct Surface : Counted<testsupport::NullSurface> {
    DDSURFACEDESC2 desc{};
    std::vector<Surface*> attached;  // each holds a reference, except chain members
    bool inChain = false;            // created with its primary; goes when the primary goes
    IDirectDrawClipper* clipper = nullptr;

    // A flipping chain goes with its primary, whatever references are left
    // on its members; a member still referenced stays in memory, uncounted,
    // so that a late release does not touch freed memory.
    ~Surface() override { Detach(); }
    void Detach() {
        if (clipper) clipper->Release();
        clipper = nullptr;
        for (Surface* s : attached) {
            if (s->inChain && !s->orphan) {
                s->orphan = true;
                --W().liveObjects;
                W().orphans.push_back(s);
                s->Detach();
            }
            s->Release();
        }
        attached.clear();
    }
    Surface* AttachChain(DWORD caps, DWORD caps2) {
        auto* s = new Surface;
        s->desc = desc;
        s->desc.ddsCaps.dwCaps = caps;
        s->desc.ddsCaps.dwCaps2 = caps2;
        s->inChain = true;
        attached.push_back(s);
        return s;
    }
    HRESULT AddAttachedSurface(IDirectDrawSurface7* s) override {
        if (HRESULT hr = Check("AddAttachedSurface"); FAILED(hr)) return hr;
        W().attachments.emplace_back(this, s);
        s->AddRef();
        attached.push_back(static_cast<Surface*>(s));
        return S_OK;
    }
    HRESULT Blt(LPRECT dest, IDirectDrawSurface7* source, LPRECT sourceRect, DWORD flags, LPDDBLTFX) override {
        W().bltDest = dest ? *dest : RECT{};
        W().bltSource = source;
        W().bltHadSourceRect = sourceRect != nullptr;
        W().bltFlags = flags;
        return Check("Blt");
    }
    HRESULT Flip(IDirectDrawSurface7* target, DWORD flags) override {
        EXPECT_EQ(target, nullptr);
        W().flips.push_back(flags);
        return Check("Flip");
    }
    HRESULT GetAttachedSurface(LPDDSCAPS2 caps, IDirectDrawSurface7** out) override {
        *out = nullptr;
        if (HRESULT hr = Check("GetAttachedSurface"); FAILED(hr)) return hr;
        for (Surface* s : attached) {
            if ((s->desc.ddsCaps.dwCaps & caps->dwCaps) == caps->dwCaps &&
                (s->desc.ddsCaps.dwCaps2 & caps->dwCaps2) == caps->dwCaps2) {
                s->AddRef();
                *out = s;
                return S_OK;
            }
        }
        return DDERR_NOTFOUND;
    }
    HRESULT GetSurfaceDesc(LPDDSURFACEDESC2 out) override {
        *out = desc;
        return S_OK;
    }
    HRESULT IsLost() override { return S_OK; }
    HRESULT Restore() override { return S_OK; }
    HRESULT SetClipper(LPDIRECTDRAWCLIPPER c) override {
        if (HRESULT hr = Check("SetClipper"); FAILED(hr)) return hr;
        if (c) c->AddRef();
        if (clipper) clipper->Release();
        clipper = c;
        return S_OK;
    }
};

struct FakeDevice : Counted<testsupport::NullDevice> {
    IDirectDrawSurface7* target;
    explicit FakeDevice(IDirectDrawSurface7* renderTarget) : target(renderTarget) { target->AddRef(); }
    ~FakeDevice() override { target->Release(); }
    HRESULT GetCaps(LPD3DDEVICEDESC7 out) override {
        *out = D3DDEVICEDESC7{};
        out->dpcTriCaps.dwRasterCaps = W().rasterCaps;
        return Check("GetCaps");
    }
    HRESULT SetViewport(LPD3DVIEWPORT7 viewport) override {
        W().viewport = *viewport;
        return Check("SetViewport");
    }
    HRESULT BeginScene() override { return Check("BeginScene"); }
    HRESULT EndScene() override { return Check("EndScene"); }
    HRESULT Clear(DWORD, LPD3DRECT, DWORD, D3DCOLOR, D3DVALUE, DWORD) override { return S_OK; }
    HRESULT SetRenderTarget(LPDIRECTDRAWSURFACE7 surface, DWORD) override {
        if (HRESULT hr = Check("SetRenderTarget"); FAILED(hr)) return hr;
        W().renderTarget = surface;
        surface->AddRef();
        target->Release();
        target = surface;
        return S_OK;
    }
};

struct Direct3D : Counted<testsupport::NullDirect3D> {
    IDirectDraw7* owner;
    size_t driver;
    Direct3D(IDirectDraw7* directDraw, size_t driverIndex) : owner(directDraw), driver(driverIndex) {
        owner->AddRef();
    }
    ~Direct3D() override { owner->Release(); }
    HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, LPVOID context) override {
        for (DeviceSpec spec : W().drivers[driver].devices) {
            std::string name = spec.description + " name";
            if (callback(spec.description.data(), name.data(), &spec.desc, context) == D3DENUMRET_CANCEL) break;
        }
        return S_OK;
    }
    HRESULT CreateDevice(REFCLSID type, LPDIRECTDRAWSURFACE7 surface, LPDIRECT3DDEVICE7* out) override {
        *out = nullptr;
        W().deviceType = type;
        W().deviceTypes.push_back(type);
        if (HRESULT hr = Check("CreateDevice"); FAILED(hr)) return hr;
        if (W().failHardwareDevice && type == IID_IDirect3DHALDevice) return DDERR_GENERIC;
        *out = new FakeDevice(surface);
        return S_OK;
    }
    HRESULT EnumZBufferFormats(REFCLSID type, LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) override {
        W().calls.push_back("EnumZBufferFormats");
        W().zFormatDeviceType = type;
        for (DDPIXELFORMAT format : W().zFormats) {
            if (callback(&format, context) == D3DENUMRET_CANCEL) break;
        }
        return S_OK;
    }
};

struct DirectDraw : Counted<testsupport::NullDirectDraw> {
    size_t driver;
    explicit DirectDraw(size_t driverIndex) : driver(driverIndex) {}

    HRESULT QueryInterface(REFIID iid, LPVOID* out) override {
        *out = nullptr;
        if (iid == IID_IDirectDraw7) {
            AddRef();
            *out = static_cast<IDirectDraw7*>(this);
            return S_OK;
        }
        if (iid != IID_IDirect3D7 || W().drivers[driver].failDirect3D) return E_NOINTERFACE;
        HRESULT hr = Check("QueryDirect3D");
        if (FAILED(hr)) return hr;
        *out = static_cast<IDirect3D7*>(new Direct3D(this, driver));
        return S_OK;
    }
    HRESULT CreateClipper(DWORD, LPDIRECTDRAWCLIPPER* out, IUnknown*) override {
        *out = nullptr;
        if (HRESULT hr = Check("CreateClipper"); FAILED(hr)) return hr;
        *out = new Clipper;
        return S_OK;
    }
    HRESULT CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* out, IUnknown*) override {
        *out = nullptr;
        W().createdSurfaces.push_back(*desc);
        DWORD caps = desc->ddsCaps.dwCaps;
        HRESULT hr = Check((caps & DDSCAPS_PRIMARYSURFACE) ? "CreatePrimary"
                           : (caps & DDSCAPS_ZBUFFER)     ? "CreateZBuffer"
                                                          : "CreateBackBuffer");
        if (FAILED(hr)) return hr;
        auto* s = new Surface;
        s->desc = *desc;
        if (!(desc->dwFlags & DDSD_PIXELFORMAT)) s->desc.ddpfPixelFormat = W().displayMode.ddpfPixelFormat;
        if (caps & DDSCAPS_PRIMARYSURFACE) {
            s->desc.dwWidth = W().displayMode.dwWidth;
            s->desc.dwHeight = W().displayMode.dwHeight;
        }
        if ((caps & DDSCAPS_FLIP) && desc->dwBackBufferCount > 0) {
            Surface* back = s->AttachChain(DDSCAPS_BACKBUFFER | DDSCAPS_3DDEVICE, 0);
            if (desc->ddsCaps.dwCaps2 & DDSCAPS2_STEREOSURFACELEFT)
                back->AttachChain(DDSCAPS_3DDEVICE, DDSCAPS2_STEREOSURFACELEFT);
        }
        *out = s;
        return S_OK;
    }
    HRESULT EnumDisplayModes(DWORD, LPDDSURFACEDESC2, LPVOID context, LPDDENUMMODESCALLBACK2 callback) override {
        for (DDSURFACEDESC2 mode : W().drivers[driver].modes) {
            if (callback(&mode, context) == DDENUMRET_CANCEL) break;
        }
        return S_OK;
    }
    HRESULT GetDisplayMode(LPDDSURFACEDESC2 out) override {
        HRESULT hr = Check("GetDisplayMode");
        if (SUCCEEDED(hr)) *out = W().displayMode;
        return hr;
    }
    HRESULT RestoreAllSurfaces() override { return Check("RestoreAllSurfaces"); }
    HRESULT SetCooperativeLevel(HWND, DWORD flags) override {
        W().cooperativeLevels.push_back(flags);
        return Check("SetCooperativeLevel");
    }
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bpp, DWORD refresh, DWORD flags) override {
        W().setDisplayMode = {width, height, bpp, refresh, flags};
        W().displayModes.push_back({width, height, bpp});
        HRESULT hr = Check("SetDisplayMode");
        if (SUCCEEDED(hr) && W().refuseUnlistedModes) {
            const auto& modes = W().drivers[driver].modes;
            const bool listed = std::any_of(modes.begin(), modes.end(), [&](const DDSURFACEDESC2& m) {
                return m.dwWidth == width && m.dwHeight == height && m.ddpfPixelFormat.dwRGBBitCount == bpp;
            });
            if (!listed) hr = DDERR_INVALIDMODE;
        }
        if (SUCCEEDED(hr)) W().displayMode = Mode(width, height, bpp);
        return hr;
    }
    HRESULT TestCooperativeLevel() override { return Check("TestCooperativeLevel"); }
};

HRESULT CreateHook(GUID* guid, LPVOID* out, REFIID iid, IUnknown*) {
    *out = nullptr;
    if (HRESULT hr = Check("DirectDrawCreateEx"); FAILED(hr)) return hr;
    auto& drivers = W().drivers;
    auto found = std::find_if(drivers.begin(), drivers.end(), [guid](const Driver& d) {
        return guid ? d.hasGuid && d.guid == *guid : !d.hasGuid;
    });
    if (found == drivers.end() || found->failCreate) return DDERR_GENERIC;
    if (iid != IID_IDirectDraw7) return E_NOINTERFACE;
    *out = static_cast<IDirectDraw7*>(new DirectDraw(static_cast<size_t>(found - drivers.begin())));
    return S_OK;
}

HRESULT EnumerateHook(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags) {
    W().enumerateFlags = flags;
    ++W().enumerateCalls;
    for (Driver driver : W().drivers) {
        std::string name = "display";
        if (!callback(driver.hasGuid ? &driver.guid : nullptr, driver.description.data(), name.data(), context,
                      nullptr))
            break;
    }
    return S_OK;
}

}  // namespace

World& W() {
    static World world;
    return world;
}

void Install() {
    Uninstall();
    W() = World{};
    Driver primary;
    primary.modes = {Mode(640, 480, 16), Mode(800, 600, 32), Mode(1024, 768, 32)};
    primary.devices = {Device("Hardware device", true, DDBD_16 | DDBD_32)};
    W().drivers = {primary};
    W().displayMode = Mode(1024, 768, 32);
    W().zFormats = {ZFormat(16), ZFormat(32)};
    platform::SetDirectDrawCreateHook(CreateHook);
    platform::SetDirectDrawEnumerateHook(EnumerateHook);
}

void Uninstall() {
    while (!W().orphans.empty()) {
        IUnknown* orphan = W().orphans.back();
        while (orphan->Release() > 0) {
        }
    }
    platform::SetDirectDrawCreateHook({});
    platform::SetDirectDrawEnumerateHook({});
}

DDSURFACEDESC2 Mode(DWORD width, DWORD height, DWORD bitCount) {
    DDSURFACEDESC2 mode{};
    mode.dwSize = sizeof(mode);
    mode.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    mode.dwWidth = width;
    mode.dwHeight = height;
    mode.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    mode.ddpfPixelFormat.dwFlags = DDPF_RGB;
    mode.ddpfPixelFormat.dwRGBBitCount = bitCount;
    return mode;
}

DDPIXELFORMAT ZFormat(DWORD depth) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof(format);
    format.dwFlags = DDPF_ZBUFFER;
    format.dwZBufferBitDepth = depth;
    format.dwZBitMask = depth >= 32 ? 0xFFFFFFFFu : (1u << depth) - 1;
    format.dwRGBAlphaBitMask = 0xA5A50000u | depth;  // a marker, so that a partial copy shows
    return format;
}

DeviceSpec Device(const char* description, bool hardware, DWORD renderDepths) {
    DeviceSpec spec;
    spec.description = description;
    spec.desc.dwDevCaps = hardware ? D3DDEVCAPS_HWRASTERIZATION : 0;
    spec.desc.dwDeviceRenderBitDepth = renderDepths;
    spec.desc.deviceGUID = hardware ? IID_IDirect3DHALDevice : IID_IDirect3DRGBDevice;
    return spec;
}

int Count(const std::string& call) {
    return static_cast<int>(std::count(W().calls.begin(), W().calls.end(), call));
}

}  // namespace fakedx
