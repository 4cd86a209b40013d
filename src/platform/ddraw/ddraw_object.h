// ddraw_object.h — IDirectDraw7 and IDirectDrawClipper.
//
// A DirectDraw object stands for one display. Its display mode is a render
// resolution only: SetDisplayMode changes what GetDisplayMode reports and the
// size of a flipping chain, never the monitor. The object owns the OpenGL
// context its surfaces and devices draw with, created when first needed: on
// the SDL window of the cooperative (or clipper) window when there is one,
// else headless on EGL. A window context also takes over the window's
// background and GDI painting (the window backend's fill and image hooks).
//
// Provides: SetCooperativeLevel (DDSCL_NORMAL, DDSCL_FULLSCREEN |
// DDSCL_EXCLUSIVE, plus flags that change nothing here), GetDisplayMode,
// SetDisplayMode (the modes EnumDisplayModes lists), EnumDisplayModes (16
// and 32 bits; a filter by width, height and bit count), CreateSurface,
// CreateClipper, TestCooperativeLevel (fails with DDERR_NOEXCLUSIVEMODE
// while a full-screen window is hidden or minimised), RestoreAllSurfaces,
// QueryInterface for IID_IDirectDraw7 and IID_IDirect3D7.
#pragma once

#include <ddraw.h>

#include <memory>
#include <vector>

#include "platform/com_object.h"
#include "platform/ddraw/display_info.h"
#include "platform/ddraw/pixel_format.h"

namespace platform::gl {
class GlRenderer;
}

namespace platform::ddraw {

class DirectDrawSurface7GL;

// Answers QueryInterface for no interface, IID_IUnknown included.
class DirectDrawClipperGL final : public ComObject<IDirectDrawClipper, E_NOINTERFACE> {
public:
    explicit DirectDrawClipperGL(IDirectDraw7* owner);
    HRESULT GetHWnd(HWND* hwnd) override;
    HRESULT SetHWnd(DWORD flags, HWND hwnd) override;
    HWND Window() const { return hwnd_; }

private:
    ~DirectDrawClipperGL();
    IDirectDraw7* owner_;
    HWND hwnd_ = nullptr;
};

// Answers QueryInterface for IID_IDirectDraw7 (not IID_IUnknown) and hands
// out a new IDirect3D7 for IID_IDirect3D7.
class DirectDraw7GL final : public ComObject<IDirectDraw7, DDERR_INVALIDPARAMS, IID_IDirectDraw7> {
public:
    explicit DirectDraw7GL(const DisplayInfo& display);

    HRESULT QueryInterface(REFIID riid, LPVOID* ppvObj) override;

    HRESULT CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer) override;
    HRESULT CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* out, IUnknown* outer) override;
    HRESULT EnumDisplayModes(DWORD flags, LPDDSURFACEDESC2 filter, LPVOID context,
                             LPDDENUMMODESCALLBACK2 callback) override;
    HRESULT GetDisplayMode(LPDDSURFACEDESC2 desc) override;
    HRESULT RestoreAllSurfaces() override;
    HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags) override;
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitCount, DWORD refreshRate, DWORD flags) override;
    HRESULT TestCooperativeLevel() override;

    // ---- inside the layer ----
    // The renderer, with its context current; null when no GL context can be made.
    gl::GlRenderer* Renderer();
    // The renderer if it exists, with its context current; never creates one.
    gl::GlRenderer* ExistingRenderer();
    int ModeWidth() const { return modeWidth_; }
    int ModeHeight() const { return modeHeight_; }
    int ModeBitCount() const { return modeBits_; }
    bool IsExclusive() const { return exclusive_; }
    HWND CooperativeWindow() const { return hwnd_; }
    // The window the primary surface presents into: the cooperative window,
    // else the window of a clipper set on the primary.
    HWND PresentWindow(const DirectDrawSurface7GL* primary) const;

    void RegisterSurface(DirectDrawSurface7GL* surface);
    void UnregisterSurface(DirectDrawSurface7GL* surface);
    // In exclusive mode: whether the full-screen window is on its display.
    // Losing it marks the video-memory surfaces lost.
    bool CheckDisplayOwned();

private:
    ~DirectDraw7GL();
    bool ModeListed(DWORD width, DWORD height, DWORD bitCount) const;

    DisplayInfo display_;
    HWND hwnd_ = nullptr;
    HWND fillHookWindow_ = nullptr;
    DWORD coopFlags_ = 0;
    bool exclusive_ = false;
    int modeWidth_;
    int modeHeight_;
    int modeBits_;
    bool wasOwned_ = true;
    std::vector<DirectDrawSurface7GL*> surfaces_;
    std::unique_ptr<gl::GlRenderer> renderer_;
    bool rendererFailed_ = false;
};

}  // namespace platform::ddraw
