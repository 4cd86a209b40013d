// ddraw_surface.cpp — surfaces: creation, locks, blits, device contexts,
// colour keys, attachments and presentation.
#include "platform/ddraw/ddraw_surface.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/gl/gl_renderer.h"
#include "platform/ddraw/ddraw_object.h"
#include "platform/win32/gdi_dc.h"
#include "platform/win32/window_backend.h"

namespace platform::ddraw {
namespace {

constexpr int kMaxSurfaceSide = 16384;

bool InRange(uint32_t value, const DDCOLORKEY& key, DWORD mask) {
    uint32_t v = value & mask;
    uint32_t low = key.dwColorSpaceLowValue & mask;
    uint32_t high = key.dwColorSpaceHighValue & mask;
    if (high < low) high = low;
    return v >= low && v <= high;
}

// The loops of the common blits, for one pixel size known when compiled.
template <typename Pixel>
void FillRect(uint8_t* base, int pitch, const RECT& d, uint32_t value) {
    const Pixel v = static_cast<Pixel>(value);
    for (int y = d.top; y < d.bottom; ++y) {
        uint8_t* row = base + static_cast<size_t>(y) * pitch + static_cast<size_t>(d.left) * sizeof(Pixel);
        for (int x = 0; x < d.right - d.left; ++x) std::memcpy(row + x * sizeof(Pixel), &v, sizeof(Pixel));
    }
}

// A copy by point sampling: destination pixel (x, y) takes the source pixel
// at byte offset column[x] of source row row[y]; source pixels inside srcKey
// (when given) are skipped, and the layouts converted when they differ.
// Pictures hold few distinct colours in a row (a glyph sheet two), so the
// last conversion is kept.
template <typename SrcPixel, typename DestPixel>
void CopyPixels(const uint8_t* const* row, const int* column, uint8_t* destRow, int destPitch, int width,
                int height, const DDCOLORKEY* srcKey, DWORD mask, const PixelLayout* from, const PixelLayout* to) {
    const uint32_t low = srcKey ? srcKey->dwColorSpaceLowValue & mask : 0;
    const uint32_t high = srcKey ? std::max(srcKey->dwColorSpaceHighValue & mask, low) : 0;
    uint32_t lastIn = 0, lastOut = from ? to->FromArgb(from->ToArgb(0)) : 0;
    for (int y = 0; y < height; ++y, destRow += destPitch) {
        const uint8_t* srcRow = row[y];
        for (int x = 0; x < width; ++x) {
            SrcPixel v;
            std::memcpy(&v, srcRow + column[x], sizeof(SrcPixel));
            const uint32_t value = static_cast<uint32_t>(v);
            if (srcKey && (value & mask) >= low && (value & mask) <= high) continue;
            uint32_t out = value;
            if (from) {
                if (value != lastIn) {
                    lastIn = value;
                    lastOut = to->FromArgb(from->ToArgb(value));
                }
                out = lastOut;
            }
            const DestPixel d = static_cast<DestPixel>(out);
            std::memcpy(destRow + x * sizeof(DestPixel), &d, sizeof(DestPixel));
        }
    }
}

bool Overlaps(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Scratch memory for blits whose source and destination overlap.
std::vector<uint8_t>& Scratch() {
    static std::vector<uint8_t> scratch;
    return scratch;
}

// A blit's source byte offset per destination column and source row per
// destination row; kept, so that blits allocate nothing once warm.
std::vector<int>& ColumnScratch() {
    static std::vector<int> column;
    return column;
}

std::vector<const uint8_t*>& RowScratch() {
    static std::vector<const uint8_t*> row;
    return row;
}

}  // namespace

namespace {
constexpr size_t kMappedPixelMemory = 1 << 20;  // from this size on, mapped
}  // namespace

PixelMemory::PixelMemory(size_t size) {
    if (size == 0) return;
    if (size >= kMappedPixelMemory) {
        void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block != MAP_FAILED) {
            data_ = static_cast<uint8_t*>(block);
            size_ = size;
            mapped_ = true;
            return;
        }
    }
    data_ = static_cast<uint8_t*>(std::calloc(size, 1));
    if (!data_) throw std::bad_alloc();
    size_ = size;
}

PixelMemory::~PixelMemory() {
    if (mapped_)
        munmap(data_, size_);
    else
        std::free(data_);
}

void PixelMemory::swap(PixelMemory& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(mapped_, other.mapped_);
}

DirectDrawSurface7GL::DirectDrawSurface7GL(DirectDraw7GL* owner, int width, int height, const PixelLayout& layout,
                                           const DDSCAPS2& caps)
    : owner_(owner), width_(width), height_(height), layout_(layout), caps_(caps) {
    pitch_ = (width_ * layout_.BytesPerPixel() + 3) & ~3;
    PixelMemory(static_cast<size_t>(pitch_) * static_cast<size_t>(height_)).swap(pixels_);
    owner_->AddRef();
    owner_->RegisterSurface(this);
}

DirectDrawSurface7GL::~DirectDrawSurface7GL() {
    if (!dead_) Kill();
}

HRESULT DirectDrawSurface7GL::Create(DirectDraw7GL* owner, const DDSURFACEDESC2& desc, DirectDrawSurface7GL** out) {
    *out = nullptr;
    if (!(desc.dwFlags & DDSD_CAPS)) return DDERR_INVALIDPARAMS;
    DDSCAPS2 caps = desc.ddsCaps;
    if (caps.dwCaps2 & DDSCAPS2_STEREOSURFACELEFT) return DDERR_UNSUPPORTED;
    int width = 0, height = 0;
    PixelLayout layout;
    DWORD backBuffers = 0;
    try {
        if (caps.dwCaps & DDSCAPS_PRIMARYSURFACE) {
            if (desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT)) return DDERR_INVALIDPARAMS;
            width = owner->ModeWidth();
            height = owner->ModeHeight();
            layout = LayoutFromPixelFormat(DisplayPixelFormat(static_cast<DWORD>(owner->ModeBitCount())));
            if (!layout.Valid()) return DDERR_INVALIDPIXELFORMAT;
            if (caps.dwCaps & DDSCAPS_FLIP) {
                if (!(desc.dwFlags & DDSD_BACKBUFFERCOUNT) || desc.dwBackBufferCount < 1 ||
                    !(caps.dwCaps & DDSCAPS_COMPLEX))
                    return DDERR_INVALIDPARAMS;
                if (!owner->IsExclusive()) return DDERR_NOEXCLUSIVEMODE;
                backBuffers = desc.dwBackBufferCount;
            }
        } else {
            if (!(desc.dwFlags & DDSD_WIDTH) || !(desc.dwFlags & DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
            if (desc.dwWidth == 0 || desc.dwHeight == 0 || desc.dwWidth > kMaxSurfaceSide ||
                desc.dwHeight > kMaxSurfaceSide)
                return DDERR_INVALIDPARAMS;
            width = static_cast<int>(desc.dwWidth);
            height = static_cast<int>(desc.dwHeight);
            if (caps.dwCaps & DDSCAPS_ZBUFFER) {
                if (!(desc.dwFlags & DDSD_PIXELFORMAT) || !(desc.ddpfPixelFormat.dwFlags & DDPF_ZBUFFER))
                    return DDERR_INVALIDPIXELFORMAT;
                layout = LayoutFromPixelFormat(desc.ddpfPixelFormat);
                if (!layout.isDepth) return DDERR_INVALIDPIXELFORMAT;
            } else if (desc.dwFlags & DDSD_PIXELFORMAT) {
                layout = LayoutFromPixelFormat(desc.ddpfPixelFormat);
                if (!layout.Valid() || layout.isDepth) return DDERR_INVALIDPIXELFORMAT;
            } else {
                layout = LayoutFromPixelFormat(DisplayPixelFormat(static_cast<DWORD>(owner->ModeBitCount())));
                if (!layout.Valid()) return DDERR_INVALIDPIXELFORMAT;
            }
        }
        auto* surface = new DirectDrawSurface7GL(owner, width, height, layout, caps);
        if (surface->IsTexture()) {
            if (gl::GlRenderer* renderer = owner->ExistingRenderer()) renderer->PrepareTexture(*surface);
        }
        if (desc.dwFlags & DDSD_CKSRCBLT) surface->SetColorKey(DDCKEY_SRCBLT, const_cast<DDCOLORKEY*>(&desc.ddckCKSrcBlt));
        if (desc.dwFlags & DDSD_CKDESTBLT)
            surface->SetColorKey(DDCKEY_DESTBLT, const_cast<DDCOLORKEY*>(&desc.ddckCKDestBlt));
        if (backBuffers) {
            surface->caps_.dwCaps |= DDSCAPS_FRONTBUFFER | DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
            surface->backBufferCount_ = backBuffers;
            DDSCAPS2 backCaps{};
            backCaps.dwCaps = DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY |
                              DDSCAPS_LOCALVIDMEM | (caps.dwCaps & DDSCAPS_3DDEVICE);
            for (DWORD i = 0; i < backBuffers; ++i) {
                auto* back = new DirectDrawSurface7GL(owner, width, height, layout, backCaps);
                back->SetReferenceCount(0);  // held by the chain; GetAttachedSurface hands out references
                back->chainRoot_ = surface;
                if (i > 0) back->caps_.dwCaps &= ~static_cast<DWORD>(DDSCAPS_BACKBUFFER);
                surface->chain_.push_back(back);
            }
        }
        *out = surface;
        return DD_OK;
    } catch (const std::bad_alloc&) {
        return DDERR_OUTOFMEMORY;
    }
}

void DirectDrawSurface7GL::Kill() {
    if (dead_) return;
    if (gl::GlRenderer* renderer = owner_->ExistingRenderer()) renderer->ReleaseSurface(*this);
    if (dc_) {
        gdi::DeletePixelViewDc(dc_);
        dc_ = nullptr;
    }
    std::vector<DirectDrawSurface7GL*> chain;
    chain.swap(chain_);
    // As in DirectDraw, the surfaces created with the chain go with its front
    // whatever references are still held on them (the device framework keeps
    // one more than it gives back); such a reference is dead from here on.
    for (DirectDrawSurface7GL* back : chain) {
        back->chainRoot_ = nullptr;
        back->Kill();
        delete back;
    }
    if (zBuffer_) {
        zBuffer_->Release();
        zBuffer_ = nullptr;
    }
    if (clipper_) {
        clipper_->Release();
        clipper_ = nullptr;
    }
    PixelMemory().swap(pixels_);
    dead_ = true;
    owner_->UnregisterSurface(this);
    owner_->Release();
}

DirectDrawSurface7GL* DirectDrawSurface7GL::From(IDirectDrawSurface7* surface) {
    return dynamic_cast<DirectDrawSurface7GL*>(surface);
}

HWND DirectDrawSurface7GL::ClipperWindow() const { return clipper_ ? clipper_->Window() : nullptr; }

// ---- IUnknown ----------------------------------------------------------------------------

void DirectDrawSurface7GL::LastReferenceGone() {
    if (!chainRoot_) delete this;
}

// ---- contents ------------------------------------------------------------------------------

void DirectDrawSurface7GL::SyncFromGl() {
    if (dead_) return;
    gl::GlRenderer* renderer = owner_->ExistingRenderer();
    if (!renderer) return;
    const gl::DrawState* pending = renderer->PendingState();
    if (pending && pending->target == this) renderer->Flush();
    renderer->SettleCopyOf(*this);
    if (glNewer_) renderer->ReadBack(*this);
}

HRESULT DirectDrawSurface7GL::ResolveRect(const RECT* in, RECT* out) const {
    if (!in) {
        *out = RECT{0, 0, width_, height_};
        return DD_OK;
    }
    if (in->left < 0 || in->top < 0 || in->right > width_ || in->bottom > height_ || in->left >= in->right ||
        in->top >= in->bottom)
        return DDERR_INVALIDRECT;
    *out = *in;
    return DD_OK;
}

void DirectDrawSurface7GL::FillDescription(DDSURFACEDESC2* desc) const {
    std::memset(desc, 0, sizeof(*desc));
    desc->dwSize = sizeof(DDSURFACEDESC2);
    desc->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(width_);
    desc->dwHeight = static_cast<DWORD>(height_);
    desc->lPitch = pitch_;
    desc->ddpfPixelFormat = PixelFormatOf(layout_);
    desc->ddsCaps = caps_;
    if (backBufferCount_) {
        desc->dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc->dwBackBufferCount = backBufferCount_;
    }
    if (hasSrcKey_) {
        desc->dwFlags |= DDSD_CKSRCBLT;
        desc->ddckCKSrcBlt = srcKey_;
    }
    if (hasDestKey_) {
        desc->dwFlags |= DDSD_CKDESTBLT;
        desc->ddckCKDestBlt = destKey_;
    }
}

HRESULT DirectDrawSurface7GL::GetSurfaceDesc(LPDDSURFACEDESC2 desc) {
    if (!desc) return DDERR_INVALIDPARAMS;
    if (dead_) return DDERR_SURFACELOST;
    FillDescription(desc);
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::GetPixelFormat(LPDDPIXELFORMAT format) {
    if (!format) return DDERR_INVALIDPARAMS;
    if (dead_) return DDERR_SURFACELOST;
    *format = PixelFormatOf(layout_);
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::GetCaps(LPDDSCAPS2 caps) {
    if (!caps) return DDERR_INVALIDPARAMS;
    *caps = caps_;
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE) {
    if (!desc) return DDERR_INVALIDPARAMS;
    if (dead_ || lost_) return DDERR_SURFACELOST;
    if (locked_ || dc_) return DDERR_SURFACEBUSY;
    RECT r;
    if (HRESULT hr = ResolveRect(rect, &r); FAILED(hr)) return hr;
    if (!IsZBuffer()) SyncFromGl();
    FillDescription(desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = pixels_.data() + static_cast<size_t>(r.top) * pitch_ + r.left * layout_.BytesPerPixel();
    locked_ = true;
    lockReadOnly_ = (flags & DDLOCK_READONLY) != 0;
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::Unlock(LPRECT) {
    if (dead_) return DDERR_SURFACELOST;
    if (!locked_) return DDERR_NOTLOCKED;
    locked_ = false;
    if (!lockReadOnly_) PixelsChanged();
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::GetDC(HDC* dc) {
    if (!dc) return DDERR_INVALIDPARAMS;
    *dc = nullptr;
    if (dead_ || lost_) return DDERR_SURFACELOST;
    if (locked_ || dc_) return DDERR_SURFACEBUSY;
    if (IsZBuffer()) return DDERR_CANTCREATEDC;
    SyncFromGl();
    gdi::PixelView view{pixels_.data(), width_, height_, pitch_, layout_.bitCount,
                        layout_.rMask,  layout_.gMask, layout_.bMask, layout_.aMask};
    HDC created = gdi::CreatePixelViewDc(view);
    if (!created) return DDERR_CANTCREATEDC;
    dc_ = created;
    *dc = created;
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::ReleaseDC(HDC dc) {
    if (dead_) return DDERR_SURFACELOST;
    if (!dc_) return DDERR_NODC;
    if (dc != dc_) return DDERR_INVALIDPARAMS;
    gdi::DeletePixelViewDc(dc_);
    dc_ = nullptr;
    PixelsChanged();
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::GetColorKey(DWORD flags, LPDDCOLORKEY key) {
    if (!key) return DDERR_INVALIDPARAMS;
    if (flags & DDCKEY_SRCBLT) {
        if (!hasSrcKey_) return DDERR_NOCOLORKEY;
        *key = srcKey_;
        return DD_OK;
    }
    if (flags & DDCKEY_DESTBLT) {
        if (!hasDestKey_) return DDERR_NOCOLORKEY;
        *key = destKey_;
        return DD_OK;
    }
    return DDERR_INVALIDPARAMS;
}

HRESULT DirectDrawSurface7GL::SetColorKey(DWORD flags, LPDDCOLORKEY key) {
    if (dead_) return DDERR_SURFACELOST;
    bool* has = nullptr;
    DDCOLORKEY* slot = nullptr;
    if (flags & DDCKEY_SRCBLT) {
        has = &hasSrcKey_;
        slot = &srcKey_;
    } else if (flags & DDCKEY_DESTBLT) {
        has = &hasDestKey_;
        slot = &destKey_;
    } else {
        return DDERR_INVALIDPARAMS;
    }
    if (!key) {
        *has = false;
        return DD_OK;
    }
    *slot = *key;
    if (!(flags & DDCKEY_COLORSPACE)) slot->dwColorSpaceHighValue = slot->dwColorSpaceLowValue;
    *has = true;
    return DD_OK;
}

// ---- blits -------------------------------------------------------------------------------------

HRESULT DirectDrawSurface7GL::Blt(LPRECT destRect, IDirectDrawSurface7* source, LPRECT sourceRect, DWORD flags,
                                  LPDDBLTFX fx) {
    if (dead_ || lost_) return DDERR_SURFACELOST;
    if (locked_ || dc_) return DDERR_SURFACEBUSY;
    if (IsZBuffer()) return DDERR_UNSUPPORTED;
    DirectDrawSurface7GL* src = source ? From(source) : nullptr;
    if (source && !src) return DDERR_INVALIDPARAMS;

    if (flags & DDBLT_COLORFILL) {
        if (!fx) return DDERR_INVALIDPARAMS;
        RECT d;
        if (HRESULT hr = ResolveRect(destRect, &d); FAILED(hr)) return hr;
        SyncFromGl();
        int bytes = layout_.BytesPerPixel();
        uint32_t value = fx->dwFillColor;
        if (bytes == 2 || bytes == 4) {
            (bytes == 2 ? FillRect<uint16_t> : FillRect<uint32_t>)(pixels_.data(), pitch_, d, value);
            PixelsChanged();
            return DD_OK;
        }
        for (int y = d.top; y < d.bottom; ++y) {
            uint8_t* row = pixels_.data() + static_cast<size_t>(y) * pitch_;
            for (int x = d.left; x < d.right; ++x) WritePixel(row + x * bytes, bytes, value);
        }
        PixelsChanged();
        return DD_OK;
    }

    if (!src) return DDERR_INVALIDPARAMS;
    if (src->dead_ || src->lost_) return DDERR_SURFACELOST;
    if (src->locked_ || src->dc_) return DDERR_SURFACEBUSY;
    RECT s;
    if (HRESULT hr = src->ResolveRect(sourceRect, &s); FAILED(hr)) return hr;
    if (IsPrimary() && chain_.empty()) return Present(destRect, src, s);
    RECT d;
    if (HRESULT hr = ResolveRect(destRect, &d); FAILED(hr)) return hr;

    const DDCOLORKEY* srcKey = nullptr;
    const DDCOLORKEY* destKey = nullptr;
    if (flags & DDBLT_KEYSRCOVERRIDE) {
        if (!fx) return DDERR_INVALIDPARAMS;
        srcKey = &fx->ddckSrcColorkey;
    } else if (flags & DDBLT_KEYSRC) {
        if (!src->hasSrcKey_) return DDERR_NOCOLORKEY;
        srcKey = &src->srcKey_;
    }
    if (flags & DDBLT_KEYDESTOVERRIDE) {
        if (!fx) return DDERR_INVALIDPARAMS;
        destKey = &fx->ddckDestColorkey;
    } else if (flags & DDBLT_KEYDEST) {
        if (!hasDestKey_) return DDERR_NOCOLORKEY;
        destKey = &destKey_;
    }

    src->SyncFromGl();
    SyncFromGl();
    const int sb = src->layout_.BytesPerPixel(), db = layout_.BytesPerPixel();
    const int sw = s.right - s.left, sh = s.bottom - s.top;
    const int dw = d.right - d.left, dh = d.bottom - d.top;
    const bool same = src->layout_.SameAs(layout_);
    const DWORD srcMask = src->layout_.ColorMask();
    const DWORD destMask = layout_.ColorMask();

    // Reading from a copy keeps an overlapping blit within one surface correct.
    const uint8_t* srcBase = src->pixels_.data();
    int srcPitch = src->pitch_;
    int srcOriginX = 0, srcOriginY = 0;
    if (src == this && Overlaps(s, d)) {
        std::vector<uint8_t>& scratch = Scratch();
        scratch.resize(static_cast<size_t>(sw) * sh * sb);
        for (int y = 0; y < sh; ++y)
            std::memcpy(scratch.data() + static_cast<size_t>(y) * sw * sb,
                        pixels_.data() + static_cast<size_t>(s.top + y) * pitch_ + s.left * sb,
                        static_cast<size_t>(sw) * sb);
        srcBase = scratch.data();
        srcPitch = sw * sb;
        srcOriginX = s.left;
        srcOriginY = s.top;
    }

    // Point sampling at the centre of each destination pixel.
    auto sourceX = [&](int x) { return s.left + static_cast<int>((static_cast<int64_t>(2 * x + 1) * sw) / (2 * dw)); };
    auto sourceY = [&](int y) { return s.top + static_cast<int>((static_cast<int64_t>(2 * y + 1) * sh) / (2 * dh)); };
    if (!destKey && (sb == 2 || sb == 4) && (db == 2 || db == 4) && dw <= 4096 && dh <= 4096) {
        std::vector<int>& column = ColumnScratch();
        std::vector<const uint8_t*>& row = RowScratch();
        column.resize(static_cast<size_t>(dw));
        row.resize(static_cast<size_t>(dh));
        for (int x = 0; x < dw; ++x) column[static_cast<size_t>(x)] = (sourceX(x) - srcOriginX) * sb;
        for (int y = 0; y < dh; ++y)
            row[static_cast<size_t>(y)] = srcBase + static_cast<size_t>(sourceY(y) - srcOriginY) * srcPitch;
        uint8_t* to = pixels_.data() + static_cast<size_t>(d.top) * pitch_ + static_cast<size_t>(d.left) * db;
        const PixelLayout* fromLayout = same ? nullptr : &src->layout_;
        auto copy = sb == 2 ? (db == 2 ? CopyPixels<uint16_t, uint16_t> : CopyPixels<uint16_t, uint32_t>)
                            : (db == 2 ? CopyPixels<uint32_t, uint16_t> : CopyPixels<uint32_t, uint32_t>);
        copy(row.data(), column.data(), to, pitch_, dw, dh, srcKey, srcMask, fromLayout, &layout_);
        PixelsChanged();
        return DD_OK;
    }
    for (int y = 0; y < dh; ++y) {
        int sy = sourceY(y);
        const uint8_t* srow = srcBase + static_cast<size_t>(sy - srcOriginY) * srcPitch;
        uint8_t* drow = pixels_.data() + static_cast<size_t>(d.top + y) * pitch_;
        for (int x = 0; x < dw; ++x) {
            int sx = sourceX(x);
            uint32_t value = ReadPixel(srow + (sx - srcOriginX) * sb, sb);
            if (srcKey && InRange(value, *srcKey, srcMask)) continue;
            uint8_t* dp = drow + (d.left + x) * db;
            if (destKey && !InRange(ReadPixel(dp, db), *destKey, destMask)) continue;
            WritePixel(dp, db, same ? value : layout_.FromArgb(src->layout_.ToArgb(value)));
        }
    }
    PixelsChanged();
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::BltFast(DWORD x, DWORD y, IDirectDrawSurface7* source, LPRECT sourceRect, DWORD trans) {
    if (dead_ || lost_) return DDERR_SURFACELOST;
    DirectDrawSurface7GL* src = source ? From(source) : nullptr;
    if (!src) return DDERR_INVALIDPARAMS;
    RECT s;
    if (HRESULT hr = src->ResolveRect(sourceRect, &s); FAILED(hr)) return hr;
    RECT d{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x) + (s.right - s.left),
           static_cast<LONG>(y) + (s.bottom - s.top)};
    if (d.right > width_ || d.bottom > height_) return DDERR_INVALIDRECT;
    DWORD flags = 0;
    if (trans & DDBLTFAST_SRCCOLORKEY) flags |= DDBLT_KEYSRC;
    if (trans & DDBLTFAST_DESTCOLORKEY) flags |= DDBLT_KEYDEST;
    return Blt(&d, source, &s, flags, nullptr);
}

HRESULT DirectDrawSurface7GL::Present(const RECT* destRect, DirectDrawSurface7GL* source, const RECT& sourceRect) {
    gl::GlRenderer* renderer = owner_->Renderer();
    if (!renderer) return DD_OK;
    HWND window = owner_->PresentWindow(this);
    if (renderer->Context().HasWindow() && window == renderer->Context().Window()) {
        RECT client{};
        GetClientRect(window, &client);
        if (destRect) {
            POINT origin{0, 0};
            ClientToScreen(window, &origin);
            client = RECT{destRect->left - origin.x, destRect->top - origin.y, destRect->right - origin.x,
                          destRect->bottom - origin.y};
        }
        // A window inside another program's window may be destroyed with it
        // at any moment. The server is not held across a present (a stopped
        // saver would freeze the display): a present into a window gone
        // since ends in an X error, which the backend notes and ignores.
        renderer->PresentToWindow(*source, sourceRect, &client);
        return DD_OK;
    }
    // Headless: the picture goes into the primary surface itself.
    RECT d = destRect ? *destRect : RECT{0, 0, width_, height_};
    if (d.right <= d.left || d.bottom <= d.top) return DDERR_INVALIDRECT;
    renderer->DrawSurfaceInto(*source, sourceRect, *this, d);
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::Flip(IDirectDrawSurface7* targetOverride, DWORD) {
    if (dead_) return DDERR_SURFACELOST;
    if (chain_.empty()) return DDERR_NOTFLIPPABLE;
    if (!owner_->CheckDisplayOwned() || lost_) return DDERR_SURFACELOST;
    DirectDrawSurface7GL* back = chain_[0];
    if (targetOverride) {
        DirectDrawSurface7GL* target = From(targetOverride);
        if (std::find(chain_.begin(), chain_.end(), target) == chain_.end()) return DDERR_INVALIDPARAMS;
        back = target;
    }
    if (back->lost_) return DDERR_SURFACELOST;
    gl::GlRenderer* renderer = owner_->Renderer();
    if (renderer && renderer->Context().HasWindow() && owner_->PresentWindow(this) == renderer->Context().Window()) {
        renderer->PresentToWindow(*back, RECT{0, 0, back->width_, back->height_}, nullptr);
        return DD_OK;
    }
    // Headless: the buffers trade their pixels, as a flip does.
    if (renderer) {
        renderer->Flush();
        renderer->SettleCopy();
    }
    SwapContents(*back);
    return DD_OK;
}

void DirectDrawSurface7GL::SwapContents(DirectDrawSurface7GL& other) {
    pixels_.swap(other.pixels_);
    std::swap(version_, other.version_);
    std::swap(glNewer_, other.glNewer_);
    std::swap(gl_, other.gl_);
}

// ---- attachments ----------------------------------------------------------------------------------

HRESULT DirectDrawSurface7GL::AddAttachedSurface(IDirectDrawSurface7* surface) {
    if (dead_) return DDERR_SURFACELOST;
    DirectDrawSurface7GL* z = surface ? From(surface) : nullptr;
    if (!z || z == this || !z->IsZBuffer() || IsZBuffer()) return DDERR_INVALIDPARAMS;
    if (z->width_ != width_ || z->height_ != height_) return DDERR_INVALIDPARAMS;
    if (zBuffer_) return DDERR_INVALIDPARAMS;
    z->AddRef();
    zBuffer_ = z;
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::DeleteAttachedSurface(DWORD, IDirectDrawSurface7* surface) {
    if (dead_) return DDERR_SURFACELOST;
    DirectDrawSurface7GL* z = surface ? From(surface) : zBuffer_;
    if (!z || z != zBuffer_) return DDERR_SURFACENOTATTACHED;
    if (gl::GlRenderer* renderer = owner_->ExistingRenderer()) renderer->Flush();
    zBuffer_ = nullptr;
    z->Release();
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::GetAttachedSurface(LPDDSCAPS2 caps, IDirectDrawSurface7** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!caps) return DDERR_INVALIDPARAMS;
    if (dead_) return DDERR_SURFACELOST;
    auto matches = [caps](const DirectDrawSurface7GL* s) {
        return (s->caps_.dwCaps & caps->dwCaps) == caps->dwCaps && (s->caps_.dwCaps2 & caps->dwCaps2) == caps->dwCaps2;
    };
    DirectDrawSurface7GL* found = nullptr;
    if (!chain_.empty() && matches(chain_[0])) found = chain_[0];
    if (!found && chainRoot_) {
        // A back buffer's attachment is the next surface of the chain.
        auto& chain = chainRoot_->chain_;
        auto it = std::find(chain.begin(), chain.end(), this);
        DirectDrawSurface7GL* next = (it != chain.end() && it + 1 != chain.end()) ? *(it + 1) : chainRoot_;
        if (next != this && matches(next)) found = next;
    }
    if (!found && zBuffer_ && matches(zBuffer_)) found = zBuffer_;
    if (!found) return DDERR_NOTFOUND;
    found->AddRef();
    *out = found;
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::SetClipper(LPDIRECTDRAWCLIPPER clipper) {
    if (dead_) return DDERR_SURFACELOST;
    auto* c = clipper ? dynamic_cast<DirectDrawClipperGL*>(clipper) : nullptr;
    if (clipper && !c) return DDERR_INVALIDPARAMS;
    if (c) c->AddRef();
    if (clipper_) clipper_->Release();
    clipper_ = c;
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::IsLost() {
    if (dead_) return DDERR_SURFACELOST;
    return lost_ ? DDERR_SURFACELOST : DD_OK;
}

HRESULT DirectDrawSurface7GL::Restore() {
    if (dead_) return DDERR_SURFACELOST;
    if (owner_->IsExclusive() && !owner_->CheckDisplayOwned()) return DDERR_NOEXCLUSIVEMODE;
    lost_ = false;
    for (DirectDrawSurface7GL* back : chain_) back->lost_ = false;
    return DD_OK;
}

HRESULT DirectDrawSurface7GL::GetDDInterface(LPVOID* out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (dead_) return DDERR_SURFACELOST;
    owner_->AddRef();
    *out = static_cast<IDirectDraw7*>(owner_);
    return DD_OK;
}

}  // namespace platform::ddraw
