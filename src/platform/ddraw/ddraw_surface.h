// ddraw_surface.h — IDirectDrawSurface7: a pixel buffer in its own format.
//
// Every surface keeps its pixels in memory (Lock hands them out, the blits
// work on them, GetDC lets GDI draw into them); textures are mirrored into
// OpenGL when a draw needs them after a change, render targets are drawn by
// OpenGL and read back when the program looks at them. A change on either
// side is tracked with a version counter and a "GL is newer" flag.
//
// The primary surface with DDSCAPS_FLIP and a back buffer count is a
// flipping chain: the back buffers are created with it, live as long as it
// does whatever their own counts say (as in DirectDraw), and Flip presents
// the first back buffer. A primary without a chain is the screen; a Blt to
// it presents into the window of its clipper (or the cooperative window).
//
// Provides: AddRef/Release with true counts (a surface holds a reference on
// its DirectDraw object), Lock/Unlock (DDLOCK_WAIT, READONLY), Blt (stretch
// by point sampling, DDBLT_COLORFILL, DDBLT_KEYSRC, DDBLT_KEYSRCOVERRIDE,
// DDBLT_KEYDEST(OVERRIDE), DDBLT_WAIT), BltFast, GetDC/ReleaseDC, GetCaps,
// GetSurfaceDesc, GetPixelFormat, Get/SetColorKey (source and destination
// blit keys), Flip, Get/Add/DeleteAttachedSurface (z-buffers), SetClipper,
// IsLost, Restore, GetDDInterface. Left out: overlays, palettes, mipmaps,
// stereo.
#pragma once

#include <ddraw.h>

#include <cstdint>
#include <vector>

#include "platform/com_object.h"
#include "platform/gl/gl_surface_state.h"
#include "platform/ddraw/pixel_format.h"

namespace platform::ddraw {

class DirectDraw7GL;
class DirectDrawClipperGL;

// Answers QueryInterface for IID_IDirectDrawSurface7 only (not IID_IUnknown).
// A surface's pixel memory, zero from the start. Large blocks are mapped
// straight from the system, so that their pages take memory only once they
// are written: a render target that only GL draws into never is.
class PixelMemory {
public:
    PixelMemory() = default;
    explicit PixelMemory(size_t size);
    ~PixelMemory();
    PixelMemory(const PixelMemory&) = delete;
    PixelMemory& operator=(const PixelMemory&) = delete;
    void swap(PixelMemory& other) noexcept;
    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    bool mapped_ = false;
};

class DirectDrawSurface7GL final
    : public ComObject<IDirectDrawSurface7, DDERR_INVALIDPARAMS, IID_IDirectDrawSurface7> {
public:
    // Creates a surface (and, for a flipping primary, its back buffers).
    static HRESULT Create(DirectDraw7GL* owner, const DDSURFACEDESC2& desc, DirectDrawSurface7GL** out);

    // IDirectDrawSurface7
    HRESULT AddAttachedSurface(IDirectDrawSurface7* surface) override;
    HRESULT Blt(LPRECT destRect, IDirectDrawSurface7* source, LPRECT sourceRect, DWORD flags, LPDDBLTFX fx) override;
    HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface7* source, LPRECT sourceRect, DWORD trans) override;
    HRESULT DeleteAttachedSurface(DWORD flags, IDirectDrawSurface7* surface) override;
    HRESULT Flip(IDirectDrawSurface7* targetOverride, DWORD flags) override;
    HRESULT GetAttachedSurface(LPDDSCAPS2 caps, IDirectDrawSurface7** out) override;
    HRESULT GetCaps(LPDDSCAPS2 caps) override;
    HRESULT GetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT GetDC(HDC* dc) override;
    HRESULT GetPixelFormat(LPDDPIXELFORMAT format) override;
    HRESULT GetSurfaceDesc(LPDDSURFACEDESC2 desc) override;
    HRESULT IsLost() override;
    HRESULT Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) override;
    HRESULT ReleaseDC(HDC dc) override;
    HRESULT Restore() override;
    HRESULT SetClipper(LPDIRECTDRAWCLIPPER clipper) override;
    HRESULT SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT Unlock(LPRECT rect) override;
    HRESULT GetDDInterface(LPVOID* out) override;

    // ---- inside the layer ----
    static DirectDrawSurface7GL* From(IDirectDrawSurface7* surface);

    DirectDraw7GL* Owner() const { return owner_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Pitch() const { return pitch_; }
    const PixelLayout& Layout() const { return layout_; }
    uint8_t* Pixels() { return pixels_.data(); }
    const uint8_t* Pixels() const { return pixels_.data(); }
    DWORD Caps() const { return caps_.dwCaps; }
    bool IsTexture() const { return caps_.dwCaps & DDSCAPS_TEXTURE; }
    bool IsRenderTarget() const { return caps_.dwCaps & DDSCAPS_3DDEVICE; }
    bool IsPrimary() const { return caps_.dwCaps & DDSCAPS_PRIMARYSURFACE; }
    bool IsZBuffer() const { return caps_.dwCaps & DDSCAPS_ZBUFFER; }
    bool IsDead() const { return dead_; }
    DirectDrawSurface7GL* ZBuffer() const { return zBuffer_; }
    HWND ClipperWindow() const;

    // Pixel versions: bumped by every change made on the processor side.
    uint64_t Version() const { return version_; }
    void PixelsChanged() { ++version_; }
    // Set by the renderer after drawing into the surface's GL copy.
    bool GlNewer() const { return glNewer_; }
    void SetGlNewer(bool newer) { glNewer_ = newer; }
    // Brings drawn pixels back into memory before they are read or changed.
    void SyncFromGl();
    gl::SurfaceGl& Gl() { return gl_; }

    void SetLost(bool lost) { lost_ = lost; }
    bool Lost() const { return lost_; }
    // Frees the pixels and GL objects and detaches everything; the object
    // itself lives on until its last reference goes.
    void Kill();

private:
    DirectDrawSurface7GL(DirectDraw7GL* owner, int width, int height, const PixelLayout& layout, const DDSCAPS2& caps);
    ~DirectDrawSurface7GL();
    // A back buffer belongs to its chain, which deletes it with its front.
    void LastReferenceGone() override;

    HRESULT Present(const RECT* destRect, DirectDrawSurface7GL* source, const RECT& sourceRect);
    HRESULT ResolveRect(const RECT* in, RECT* out) const;
    void FillDescription(DDSURFACEDESC2* desc) const;
    void SwapContents(DirectDrawSurface7GL& other);

    DirectDraw7GL* owner_;
    int width_;
    int height_;
    int pitch_;
    PixelLayout layout_;
    DDSCAPS2 caps_;
    PixelMemory pixels_;
    uint64_t version_ = 1;
    bool glNewer_ = false;
    gl::SurfaceGl gl_;

    bool locked_ = false;
    bool lockReadOnly_ = false;
    HDC dc_ = nullptr;
    bool lost_ = false;
    bool dead_ = false;
    bool hasSrcKey_ = false;
    bool hasDestKey_ = false;
    DDCOLORKEY srcKey_{};
    DDCOLORKEY destKey_{};

    DirectDrawSurface7GL* zBuffer_ = nullptr;            // attached depth buffer (one reference)
    std::vector<DirectDrawSurface7GL*> chain_;           // back buffers of a flipping primary (owned)
    DirectDrawSurface7GL* chainRoot_ = nullptr;          // the primary of a back buffer
    DirectDrawClipperGL* clipper_ = nullptr;            // one reference
    DWORD backBufferCount_ = 0;
};

}  // namespace platform::ddraw
