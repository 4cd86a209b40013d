// ddraw_object.cpp — the DirectDraw object, its clipper, DirectDrawCreateEx
// and DirectDrawEnumerateExA.
#include "platform/ddraw/ddraw_object.h"

#include <d3d.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/d3d/direct3d_gl.h"
#include "platform/gl/gl_renderer.h"
#include "platform/ddraw/ddraw_surface.h"
#include "platform/platform_testing.h"
#include "platform/win32/window_backend.h"

namespace platform {
namespace {

DirectDrawCreateHook& CreateHook() {
    static DirectDrawCreateHook hook;
    return hook;
}

DirectDrawEnumerateHook& EnumerateHook() {
    static DirectDrawEnumerateHook hook;
    return hook;
}

}  // namespace

void SetDirectDrawCreateHook(DirectDrawCreateHook hook) { CreateHook() = std::move(hook); }
void SetDirectDrawEnumerateHook(DirectDrawEnumerateHook hook) { EnumerateHook() = std::move(hook); }

void FinishRendering(IDirectDraw7* directDraw) {
    auto* impl = dynamic_cast<ddraw::DirectDraw7GL*>(directDraw);
    if (!impl) return;
    if (gl::GlRenderer* renderer = impl->ExistingRenderer()) renderer->Finish();
}

namespace {
gl::DrawRecording& Recording() {
    static gl::DrawRecording recording;
    return recording;
}
}  // namespace

void StartDrawRecording(IDirectDraw7* directDraw) {
    auto* impl = dynamic_cast<ddraw::DirectDraw7GL*>(directDraw);
    gl::GlRenderer* renderer = impl ? impl->ExistingRenderer() : nullptr;
    if (!renderer) return;
    Recording() = gl::DrawRecording{};
    renderer->Record(&Recording());
}

bool ReplayDrawRecording(IDirectDraw7* directDraw, double seconds, FillBound* bound) {
    auto* impl = dynamic_cast<ddraw::DirectDraw7GL*>(directDraw);
    gl::GlRenderer* renderer = impl ? impl->ExistingRenderer() : nullptr;
    if (!renderer) return false;
    renderer->Record(nullptr);
    gl::DrawRecording recording = std::move(Recording());
    Recording() = gl::DrawRecording{};
    // One replay to learn the pace, then as many frames as fill the time.
    gl::ReplayFigures figures;
    if (!renderer->Replay(recording, 1, &figures)) return false;
    const int frames = figures.frameMs > 0.0 ? static_cast<int>(seconds * 1000.0 / figures.frameMs) : 1;
    if (!renderer->Replay(recording, std::max(3, std::min(frames, 2000)), &figures)) return false;
    bound->passMs = figures.frameMs;
    bound->drawCalls = figures.drawCalls;
    bound->shadedPixels = figures.shadedPixels;
    return true;
}

namespace ddraw {
namespace {

// Secondary displays are named by a GUID of this layer with the display's
// index in its last byte.
GUID SecondaryDisplayGuid(int index) {
    GUID guid = {0x7665786c, 0x6464, 0x7277, {0x8a, 0x21, 0x4d, 0x6f, 0x6e, 0x69, 0x74, 0x00}};
    guid.Data4[7] = static_cast<BYTE>(index);
    return guid;
}

void FillModeDescription(DDSURFACEDESC2* desc, int width, int height, int bitCount, int refreshRate) {
    std::memset(desc, 0, sizeof(*desc));
    desc->dwSize = sizeof(DDSURFACEDESC2);
    desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    desc->dwWidth = static_cast<DWORD>(width);
    desc->dwHeight = static_cast<DWORD>(height);
    int bytes = bitCount <= 8 ? 1 : bitCount / 8;
    desc->lPitch = (width * bytes + 3) & ~3;
    desc->dwRefreshRate = static_cast<DWORD>(refreshRate);
    desc->ddpfPixelFormat = DisplayPixelFormat(static_cast<DWORD>(bitCount));
}

}  // namespace

// ---- clipper -----------------------------------------------------------------------------

DirectDrawClipperGL::DirectDrawClipperGL(IDirectDraw7* owner) : owner_(owner) { owner_->AddRef(); }
DirectDrawClipperGL::~DirectDrawClipperGL() { owner_->Release(); }

HRESULT DirectDrawClipperGL::GetHWnd(HWND* hwnd) {
    if (!hwnd) return DDERR_INVALIDPARAMS;
    *hwnd = hwnd_;
    return DD_OK;
}

HRESULT DirectDrawClipperGL::SetHWnd(DWORD, HWND hwnd) {
    if (hwnd && !IsWindow(hwnd)) return DDERR_INVALIDPARAMS;
    hwnd_ = hwnd;
    return DD_OK;
}

// ---- DirectDraw object -----------------------------------------------------------------------

DirectDraw7GL::DirectDraw7GL(const DisplayInfo& display)
    : display_(display), modeWidth_(display.width), modeHeight_(display.height), modeBits_(display.bitCount) {}

DirectDraw7GL::~DirectDraw7GL() {
    if (fillHookWindow_) {
        SetNativeFillHook(fillHookWindow_, nullptr);
        SetNativeImageHook(fillHookWindow_, nullptr);
    }
    renderer_.reset();
}

HRESULT DirectDraw7GL::QueryInterface(REFIID riid, LPVOID* ppvObj) {
    if (!ppvObj || riid != IID_IDirect3D7) return ComObject::QueryInterface(riid, ppvObj);
    *ppvObj = nullptr;
    IDirect3D7* d3d = nullptr;
    HRESULT hr = d3d::CreateDirect3D(this, &d3d);
    if (FAILED(hr)) return hr;
    *ppvObj = d3d;
    return DD_OK;
}

HRESULT DirectDraw7GL::CreateClipper(DWORD, LPDIRECTDRAWCLIPPER* out, IUnknown* outer) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (outer) return DDERR_INVALIDPARAMS;
    *out = new (std::nothrow) DirectDrawClipperGL(this);
    return *out ? DD_OK : DDERR_OUTOFMEMORY;
}

HRESULT DirectDraw7GL::CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* out, IUnknown* outer) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!desc || outer) return DDERR_INVALIDPARAMS;
    DirectDrawSurface7GL* surface = nullptr;
    HRESULT hr = DirectDrawSurface7GL::Create(this, *desc, &surface);
    if (SUCCEEDED(hr)) *out = surface;
    return hr;
}

bool DirectDraw7GL::ModeListed(DWORD width, DWORD height, DWORD bitCount) const {
    if (bitCount != 16 && bitCount != 32) return false;
    for (const ModeSize& s : OfferedModeSizes(display_)) {
        if (static_cast<DWORD>(s.width) == width && static_cast<DWORD>(s.height) == height) return true;
    }
    return false;
}

HRESULT DirectDraw7GL::EnumDisplayModes(DWORD, LPDDSURFACEDESC2 filter, LPVOID context,
                                        LPDDENUMMODESCALLBACK2 callback) {
    if (!callback) return DDERR_INVALIDPARAMS;
    for (const ModeSize& s : OfferedModeSizes(display_)) {
        for (int bits : {16, 32}) {
            if (filter) {
                if ((filter->dwFlags & DDSD_WIDTH) && filter->dwWidth != static_cast<DWORD>(s.width)) continue;
                if ((filter->dwFlags & DDSD_HEIGHT) && filter->dwHeight != static_cast<DWORD>(s.height)) continue;
                if ((filter->dwFlags & DDSD_PIXELFORMAT) &&
                    filter->ddpfPixelFormat.dwRGBBitCount != static_cast<DWORD>(bits))
                    continue;
            }
            DDSURFACEDESC2 mode;
            FillModeDescription(&mode, s.width, s.height, bits, 0);
            if (callback(&mode, context) == DDENUMRET_CANCEL) return DD_OK;
        }
    }
    return DD_OK;
}

HRESULT DirectDraw7GL::GetDisplayMode(LPDDSURFACEDESC2 desc) {
    if (!desc) return DDERR_INVALIDPARAMS;
    FillModeDescription(desc, modeWidth_, modeHeight_, modeBits_, display_.refreshRate);
    return DD_OK;
}

HRESULT DirectDraw7GL::RestoreAllSurfaces() {
    if (!CheckDisplayOwned()) return DDERR_NOEXCLUSIVEMODE;
    for (DirectDrawSurface7GL* s : surfaces_) s->SetLost(false);
    return DD_OK;
}

HRESULT DirectDraw7GL::SetCooperativeLevel(HWND hwnd, DWORD flags) {
    bool fullscreen = flags & DDSCL_FULLSCREEN;
    bool exclusive = flags & DDSCL_EXCLUSIVE;
    bool normal = flags & DDSCL_NORMAL;
    if (fullscreen != exclusive) return DDERR_INVALIDPARAMS;
    if (normal == fullscreen) return DDERR_INVALIDPARAMS;
    if (hwnd && !IsWindow(hwnd)) return DDERR_INVALIDPARAMS;
    if (exclusive && !hwnd) return DDERR_INVALIDPARAMS;
    if (exclusive_ && !exclusive) {
        // Leaving exclusive mode restores the desktop's mode.
        modeWidth_ = display_.width;
        modeHeight_ = display_.height;
        modeBits_ = display_.bitCount;
    }
    exclusive_ = exclusive;
    coopFlags_ = flags;
    if (hwnd) hwnd_ = hwnd;
    wasOwned_ = true;
    return DD_OK;
}

HRESULT DirectDraw7GL::SetDisplayMode(DWORD width, DWORD height, DWORD bitCount, DWORD, DWORD) {
    if (!ModeListed(width, height, bitCount)) return DDERR_INVALIDMODE;
    modeWidth_ = static_cast<int>(width);
    modeHeight_ = static_cast<int>(height);
    modeBits_ = static_cast<int>(bitCount);
    return DD_OK;
}

bool DirectDraw7GL::CheckDisplayOwned() {
    if (!exclusive_) return true;
    bool owned = hwnd_ && NativeWindowShown(hwnd_);
    if (!owned && wasOwned_) {
        for (DirectDrawSurface7GL* s : surfaces_) {
            if (s->IsPrimary() || s->IsRenderTarget() || s->IsZBuffer()) s->SetLost(true);
        }
    }
    wasOwned_ = owned;
    return owned;
}

HRESULT DirectDraw7GL::TestCooperativeLevel() { return CheckDisplayOwned() ? DD_OK : DDERR_NOEXCLUSIVEMODE; }

HWND DirectDraw7GL::PresentWindow(const DirectDrawSurface7GL* primary) const {
    if (hwnd_) return hwnd_;
    return primary ? primary->ClipperWindow() : nullptr;
}

gl::GlRenderer* DirectDraw7GL::ExistingRenderer() {
    if (!renderer_ || !renderer_->Activate()) return nullptr;
    return renderer_.get();
}

gl::GlRenderer* DirectDraw7GL::Renderer() {
    if (renderer_) return renderer_->Activate() ? renderer_.get() : nullptr;
    if (rendererFailed_) return nullptr;
    HWND window = hwnd_;
    if (!window) {
        for (DirectDrawSurface7GL* s : surfaces_) {
            if (s->IsPrimary() && s->ClipperWindow()) window = s->ClipperWindow();
        }
    }
    std::unique_ptr<gl::GlContext> context;
    if (window) context = gl::CreateWindowContext(window);
    // A window on a display that has no GL for it (no GLX, no driver) cannot
    // be drawn into: drawing off screen instead would show nothing, so the
    // device fails and says why (ContextError).
    if (!context && window && NativeSdlWindow(window)) {
        rendererFailed_ = true;
        return nullptr;
    }
    if (context) {
        renderer_ = gl::GlRenderer::Create(std::move(context));
        if (renderer_) {
            fillHookWindow_ = window;
            gl::GlRenderer* renderer = renderer_.get();
            SetNativeFillHook(window, [renderer] { renderer->FillWindowBlack(); });
            SetNativeImageHook(window, [renderer](const uint32_t* argb, int width, int height) {
                renderer->PresentImage(argb, width, height);
            });
        }
    }
    if (!renderer_) renderer_ = gl::GlRenderer::Create(gl::CreateHeadlessContext());
    if (!renderer_) rendererFailed_ = true;
    return renderer_.get();
}

void DirectDraw7GL::RegisterSurface(DirectDrawSurface7GL* surface) { surfaces_.push_back(surface); }

void DirectDraw7GL::UnregisterSurface(DirectDrawSurface7GL* surface) {
    surfaces_.erase(std::remove(surfaces_.begin(), surfaces_.end(), surface), surfaces_.end());
}

}  // namespace ddraw
}  // namespace platform

using platform::ddraw::DirectDraw7GL;
using platform::ddraw::DisplayInfo;
using platform::ddraw::QueryDisplays;

HRESULT DirectDrawCreateEx(GUID* lpGuid, LPVOID* lplpDD, REFIID iid, IUnknown* pUnkOuter) {
    if (platform::CreateHook()) return platform::CreateHook()(lpGuid, lplpDD, iid, pUnkOuter);
    if (!lplpDD) return DDERR_INVALIDPARAMS;
    *lplpDD = nullptr;
    if (iid != IID_IDirectDraw7 || pUnkOuter) return DDERR_INVALIDPARAMS;
    std::vector<DisplayInfo> displays = QueryDisplays();
    const DisplayInfo* display = &displays[0];
    if (lpGuid) {
        display = nullptr;
        for (const DisplayInfo& d : displays) {
            if (d.index > 0 && *lpGuid == platform::ddraw::SecondaryDisplayGuid(d.index)) display = &d;
        }
        if (!display) return DDERR_INVALIDPARAMS;
    }
    auto* dd = new (std::nothrow) DirectDraw7GL(*display);
    if (!dd) return DDERR_OUTOFMEMORY;
    *lplpDD = static_cast<IDirectDraw7*>(dd);
    return DD_OK;
}

HRESULT DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA lpCallback, LPVOID lpContext, DWORD dwFlags) {
    if (platform::EnumerateHook()) return platform::EnumerateHook()(lpCallback, lpContext, dwFlags);
    if (!lpCallback) return DDERR_INVALIDPARAMS;
    std::vector<DisplayInfo> displays = QueryDisplays();
    char description[] = "Primary Display Driver";
    char name[] = "display";
    if (!lpCallback(nullptr, description, name, lpContext, nullptr)) return DD_OK;
    if (!(dwFlags & DDENUM_ATTACHEDSECONDARYDEVICES)) return DD_OK;
    for (const DisplayInfo& d : displays) {
        if (d.index == 0) continue;
        GUID guid = platform::ddraw::SecondaryDisplayGuid(d.index);
        std::string text = d.name;
        std::string driver = "display" + std::to_string(d.index + 1);
        if (!lpCallback(&guid, text.data(), driver.data(), lpContext, nullptr)) break;
    }
    return DD_OK;
}
