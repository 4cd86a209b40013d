// A DirectDraw object with a render target, a z-buffer and a Direct3D
// device on the headless GL backend, for the conformance tests of the
// device and the surfaces; plus helpers to build textures and vertices and
// to read pixels back as 0xRRGGBB.
#pragma once

#include <d3d.h>
#include <ddraw.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "math/vertices.h"
#include "platform/ddraw/pixel_format.h"

namespace d3dtest {

inline DDPIXELFORMAT Format(platform::ddraw::StandardFormat f) { return platform::ddraw::PixelFormatOf(f); }

inline DDSURFACEDESC2 SurfaceDesc(DWORD caps, int width, int height, const DDPIXELFORMAT* format) {
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | (format ? DDSD_PIXELFORMAT : 0);
    desc.ddsCaps.dwCaps = caps;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    if (format) desc.ddpfPixelFormat = *format;
    return desc;
}

// Reads a whole surface as 0xAARRGGBB (alpha 0xFF where the format has none).
inline std::vector<uint32_t> ReadArgb(IDirectDrawSurface7* surface, int* width = nullptr, int* height = nullptr) {
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    std::vector<uint32_t> out;
    if (FAILED(surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) return out;
    platform::ddraw::PixelLayout layout = platform::ddraw::LayoutFromPixelFormat(desc.ddpfPixelFormat);
    int bytes = layout.BytesPerPixel();
    out.resize(static_cast<size_t>(desc.dwWidth) * desc.dwHeight);
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(desc.lpSurface) + static_cast<size_t>(y) * desc.lPitch;
        for (DWORD x = 0; x < desc.dwWidth; ++x)
            out[y * desc.dwWidth + x] = layout.ToArgb(platform::ddraw::ReadPixel(row + x * bytes, bytes));
    }
    surface->Unlock(nullptr);
    if (width) *width = static_cast<int>(desc.dwWidth);
    if (height) *height = static_cast<int>(desc.dwHeight);
    return out;
}

// Writes 0xAARRGGBB pixels (row-major, width x height) into a surface.
inline void WriteArgb(IDirectDrawSurface7* surface, const std::vector<uint32_t>& pixels) {
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    platform::ddraw::PixelLayout layout = platform::ddraw::LayoutFromPixelFormat(desc.ddpfPixelFormat);
    int bytes = layout.BytesPerPixel();
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
        uint8_t* row = static_cast<uint8_t*>(desc.lpSurface) + static_cast<size_t>(y) * desc.lPitch;
        for (DWORD x = 0; x < desc.dwWidth; ++x)
            platform::ddraw::WritePixel(row + x * bytes, bytes, layout.FromArgb(pixels[y * desc.dwWidth + x]));
    }
    surface->Unlock(nullptr);
}

// A screen-space quad covering the pixels [x0, x1) x [y0, y1), its texture
// coordinates running from (u0, v0) at the top left to (u1, v1).
inline void ScreenQuad(ScreenVertex v[4], float x0, float y0, float x1, float y1, D3DCOLOR color, float z = 0.5f,
                       float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1) {
    const float xs[4] = {x0, x0, x1, x1}, ys[4] = {y1, y0, y1, y0};
    const float us[4] = {u0, u0, u1, u1}, vs[4] = {v1, v0, v1, v0};
    for (int i = 0; i < 4; ++i) {
        v[i] = ScreenVertex{};
        v[i].x = xs[i] - 0.5f;
        v[i].y = ys[i] - 0.5f;
        v[i].z = z;
        v[i].rhw = 1.0f;
        v[i].diffuse = color;
        v[i].u = us[i];
        v[i].v = vs[i];
    }
}

class DeviceFixture : public testing::Test {
protected:
    void TearDown() override { Destroy(); }

    // Brings up a device on a width x height target of the given depth.
    void Create(int width = 64, int height = 64, int bits = 32, bool zbuffer = true,
                const GUID& type = IID_IDirect3DHALDevice) {
        Destroy();
        ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
        ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
        // 16: R5G6B5; 32: X8R8G8B8; 33 stands for A8R8G8B8, a target with alpha.
        DDPIXELFORMAT pf = Format(bits == 16   ? platform::ddraw::StandardFormat::R5G6B5
                                  : bits == 33 ? platform::ddraw::StandardFormat::A8R8G8B8
                                               : platform::ddraw::StandardFormat::X8R8G8B8);
        DDSURFACEDESC2 desc = SurfaceDesc(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, width, height, &pf);
        ASSERT_EQ(dd->CreateSurface(&desc, &target, nullptr), DD_OK);
        if (zbuffer) {
            DDPIXELFORMAT zf = Format(bits == 16 ? platform::ddraw::StandardFormat::Z16
                                                 : platform::ddraw::StandardFormat::Z32);
            DDSURFACEDESC2 zdesc = SurfaceDesc(DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY, width, height, &zf);
            ASSERT_EQ(dd->CreateSurface(&zdesc, &zbuf, nullptr), DD_OK);
            ASSERT_EQ(target->AddAttachedSurface(zbuf), DD_OK);
        }
        ASSERT_EQ(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d)), DD_OK);
        ASSERT_EQ(d3d->CreateDevice(type, target, &device), DD_OK);
        D3DVIEWPORT7 vp{0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0.0f, 1.0f};
        ASSERT_EQ(device->SetViewport(&vp), DD_OK);
        this->width = width;
        this->height = height;
    }

    void Destroy() {
        if (device) device->Release();
        if (zbuf) zbuf->Release();
        if (target) target->Release();
        if (d3d) d3d->Release();
        if (dd) dd->Release();
        device = nullptr;
        zbuf = nullptr;
        target = nullptr;
        d3d = nullptr;
        dd = nullptr;
    }

    IDirectDrawSurface7* Texture(int w, int h, const std::vector<uint32_t>& argb,
                                 platform::ddraw::StandardFormat format = platform::ddraw::StandardFormat::X8R8G8B8) {
        DDPIXELFORMAT pf = Format(format);
        DDSURFACEDESC2 desc = SurfaceDesc(DDSCAPS_TEXTURE, w, h, &pf);
        IDirectDrawSurface7* texture = nullptr;
        EXPECT_EQ(dd->CreateSurface(&desc, &texture, nullptr), DD_OK);
        if (texture) WriteArgb(texture, argb);
        return texture;
    }

    // The render target as 0xRRGGBB.
    std::vector<uint32_t> Frame() {
        std::vector<uint32_t> pixels = ReadArgb(target);
        for (uint32_t& p : pixels) p &= 0xFFFFFF;
        return pixels;
    }
    uint32_t Pixel(int x, int y) { return Frame()[static_cast<size_t>(y) * width + x]; }

    void DrawScreenQuad(float x0, float y0, float x1, float y1, D3DCOLOR color, float z = 0.5f) {
        ScreenVertex v[4];
        ScreenQuad(v, x0, y0, x1, y1, color, z);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, ScreenVertexFVF, v, 4, 0), DD_OK);
    }

    IDirectDraw7* dd = nullptr;
    IDirect3D7* d3d = nullptr;
    IDirectDrawSurface7* target = nullptr;
    IDirectDrawSurface7* zbuf = nullptr;
    IDirect3DDevice7* device = nullptr;
    int width = 0;
    int height = 0;
};

// Channels of two 0xRRGGBB values differ by at most tolerance.
inline bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int s = 0; s < 24; s += 8) {
        int d = static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

}  // namespace d3dtest
