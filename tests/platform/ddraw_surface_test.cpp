// DirectDraw surfaces on the headless backend: Lock contents in 16 and 32
// bits, the stretch blit, colour fill and the source-key override, GetDC with
// GDI's BitBlt of 1-bit and 24-bit DIBs, and reference counts.
#include <gtest/gtest.h>

#include <cstring>

#include "d3d_fixture.h"

using d3dtest::DeviceFixture;
using d3dtest::ReadArgb;
using d3dtest::SurfaceDesc;
using d3dtest::WriteArgb;
using platform::ddraw::StandardFormat;

namespace {

class DDrawSurface : public DeviceFixture {
protected:
    IDirectDrawSurface7* Plain(int w, int h, StandardFormat format) {
        DDPIXELFORMAT pf = d3dtest::Format(format);
        DDSURFACEDESC2 desc = SurfaceDesc(DDSCAPS_TEXTURE, w, h, &pf);
        IDirectDrawSurface7* s = nullptr;
        EXPECT_EQ(dd->CreateSurface(&desc, &s, nullptr), DD_OK);
        return s;
    }
};

ULONG RefCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

}  // namespace

TEST_F(DDrawSurface, LockHandsOutThePixelsInTheSurfaceFormat) {
    Create(8, 8);
    for (StandardFormat format : {StandardFormat::R5G6B5, StandardFormat::X8R8G8B8}) {
        const bool is16 = format == StandardFormat::R5G6B5;
        SCOPED_TRACE(is16 ? 16 : 32);
        IDirectDrawSurface7* s = Plain(5, 3, format);
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(s->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        EXPECT_EQ(desc.dwWidth, 5u);
        EXPECT_EQ(desc.dwHeight, 3u);
        EXPECT_EQ(desc.lPitch, is16 ? 12 : 20);  // rows padded to four bytes
        EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, is16 ? 16u : 32u);
        EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask, is16 ? 0xF800u : 0xFF0000u);
        EXPECT_EQ(desc.ddpfPixelFormat.dwGBitMask, is16 ? 0x07E0u : 0x00FF00u);
        EXPECT_TRUE(desc.dwFlags & DDSD_LPSURFACE);
        EXPECT_EQ(s->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
        // Write raw values: pixel (x, y) = y * 16 + x.
        for (int y = 0; y < 3; ++y) {
            uint8_t* row = static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch;
            for (int x = 0; x < 5; ++x) {
                uint32_t v = static_cast<uint32_t>(y * 16 + x);
                if (is16) reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(v);
                else reinterpret_cast<uint32_t*>(row)[x] = v;
            }
        }
        ASSERT_EQ(s->Unlock(nullptr), DD_OK);
        EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED);

        // A rectangle lock starts at its top-left pixel, with the same pitch.
        RECT r{2, 1, 4, 3};
        ASSERT_EQ(s->Lock(&r, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr), DD_OK);
        uint32_t first = is16 ? *static_cast<uint16_t*>(desc.lpSurface) : *static_cast<uint32_t*>(desc.lpSurface);
        EXPECT_EQ(first, 1u * 16 + 2);
        const uint8_t* next = static_cast<uint8_t*>(desc.lpSurface) + desc.lPitch;
        EXPECT_EQ(is16 ? *reinterpret_cast<const uint16_t*>(next) : *reinterpret_cast<const uint32_t*>(next),
                  2u * 16 + 2);
        s->Unlock(nullptr);
        RECT outside{4, 0, 6, 1};
        EXPECT_EQ(s->Lock(&outside, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);

        DDSURFACEDESC2 info{};
        info.dwSize = sizeof info;
        ASSERT_EQ(s->GetSurfaceDesc(&info), DD_OK);
        EXPECT_EQ(info.lpSurface, nullptr);
        EXPECT_TRUE(info.ddsCaps.dwCaps & DDSCAPS_TEXTURE);
        EXPECT_EQ(info.ddpfPixelFormat.dwRGBBitCount, is16 ? 16u : 32u);
        s->Release();
    }
}

TEST_F(DDrawSurface, RenderTargetLocksReadDrawingBackAndWritesReachTheDevice) {
    for (int bits : {16, 32}) {
        SCOPED_TRACE(bits);
        Create(8, 8, bits);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF0000, 1.0f, 0);
        // Drawn pixels are read back by Lock ...
        EXPECT_EQ(Pixel(3, 3), 0xFF0000u);
        // ... and pixels written through Lock are under the next drawing.
        std::vector<uint32_t> pixels = ReadArgb(target);
        pixels[0] = 0xFF0000FF;
        WriteArgb(target, pixels);
        device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
        device->BeginScene();
        DrawScreenQuad(0, 0, 4, 4, 0xFF00FF00);
        device->EndScene();
        EXPECT_EQ(Pixel(0, 0), 0x00FFFFu);
        EXPECT_EQ(Pixel(1, 0), 0xFFFF00u);
        EXPECT_EQ(Pixel(5, 5), 0xFF0000u);
    }
}

TEST_F(DDrawSurface, StretchBltSamplesPointsAndConvertsFormats) {
    Create(8, 8);
    // 2 x 2 doubled to 4 x 4.
    IDirectDrawSurface7* small = Plain(2, 2, StandardFormat::X8R8G8B8);
    WriteArgb(small, {0xFF110000, 0xFF220000, 0xFF330000, 0xFF440000});
    IDirectDrawSurface7* big = Plain(4, 4, StandardFormat::X8R8G8B8);
    ASSERT_EQ(big->Blt(nullptr, small, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    std::vector<uint32_t> p = ReadArgb(big);
    const uint32_t expected[16] = {0x11, 0x11, 0x22, 0x22, 0x11, 0x11, 0x22, 0x22,
                                   0x33, 0x33, 0x44, 0x44, 0x33, 0x33, 0x44, 0x44};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i] & 0xFFFFFF, expected[i] << 16) << i;

    // A 16 x 24 glyph cell squeezed into 16 x 16: row y comes from source row
    // (2y + 1) * 24 / 32 (the centre of the destination row).
    IDirectDrawSurface7* sheet = Plain(32, 48, StandardFormat::X8R8G8B8);
    std::vector<uint32_t> rows(32 * 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 32; ++x) rows[y * 32 + x] = 0xFF000000u | static_cast<uint32_t>(y) << 8 | x;
    WriteArgb(sheet, rows);
    IDirectDrawSurface7* glyph = Plain(16, 16, StandardFormat::X8R8G8B8);
    RECT cell{16, 24, 32, 48}, dest{0, 0, 16, 16};
    ASSERT_EQ(glyph->Blt(&dest, sheet, &cell, 0, nullptr), DD_OK);
    p = ReadArgb(glyph);
    for (int y = 0; y < 16; ++y) {
        EXPECT_EQ((p[y * 16 + 5] >> 8) & 0xFF, 24u + (2 * y + 1) * 24 / 32) << y;
        EXPECT_EQ(p[y * 16 + 5] & 0xFF, 21u);
    }

    // Different formats convert: 32-bit into 565 and back widens by replication.
    IDirectDrawSurface7* s565 = Plain(2, 2, StandardFormat::R5G6B5);
    ASSERT_EQ(s565->Blt(nullptr, small, nullptr, 0, nullptr), DD_OK);
    p = ReadArgb(s565);
    EXPECT_EQ(p[3] & 0xFFFFFF, 0x420000u);  // 0x44 -> 5 bits 8 -> 0x42

    RECT bad{0, 0, 17, 5};
    EXPECT_EQ(glyph->Blt(&bad, small, nullptr, 0, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(glyph->Blt(nullptr, nullptr, nullptr, 0, nullptr), DDERR_INVALIDPARAMS);
    for (IDirectDrawSurface7* s : {small, big, sheet, glyph, s565}) s->Release();
}

TEST_F(DDrawSurface, ColourFillAndSourceKeysSkipExactlyTheKeyedColour) {
    Create(8, 8);
    for (StandardFormat format : {StandardFormat::X8R8G8B8, StandardFormat::R5G6B5}) {
        SCOPED_TRACE(static_cast<int>(format));
        platform::ddraw::PixelLayout layout = platform::ddraw::LayoutOf(format);
        IDirectDrawSurface7* sheet = Plain(4, 1, format);
        // White, almost white, black, grey.
        WriteArgb(sheet, {0xFFFFFFFF, 0xFFF7FFFF, 0xFF000000, 0xFF808080});
        IDirectDrawSurface7* texture = Plain(4, 1, format);

        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = layout.FromArgb(0xFF00FF00);
        ASSERT_EQ(texture->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
        std::vector<uint32_t> p = ReadArgb(texture);
        for (uint32_t v : p) EXPECT_EQ(v & 0xFFFFFF, 0x00FF00u);

        // The key is the format's white; only the pure white pixel is skipped.
        fx.ddckSrcColorkey.dwColorSpaceLowValue = layout.rMask | layout.gMask | layout.bMask;
        fx.ddckSrcColorkey.dwColorSpaceHighValue = fx.ddckSrcColorkey.dwColorSpaceLowValue;
        ASSERT_EQ(texture->Blt(nullptr, sheet, nullptr, DDBLT_KEYSRCOVERRIDE, &fx), DD_OK);
        p = ReadArgb(texture);
        EXPECT_EQ(p[0] & 0xFFFFFF, 0x00FF00u);
        EXPECT_NE(p[1] & 0xFFFFFF, 0x00FF00u);
        EXPECT_EQ(p[2] & 0xFFFFFF, 0u);
        EXPECT_EQ(p[3] & 0xFFFFFF, layout.ToArgb(layout.FromArgb(0xFF808080)) & 0xFFFFFF);

        // The surface's own key (black, as textures get) with DDBLT_KEYSRC and BltFast.
        DDCOLORKEY black{0, 0};
        ASSERT_EQ(sheet->SetColorKey(DDCKEY_SRCBLT, &black), DD_OK);
        ASSERT_EQ(texture->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
        ASSERT_EQ(texture->BltFast(0, 0, sheet, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
        p = ReadArgb(texture);
        EXPECT_EQ(p[0] & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(p[2] & 0xFFFFFF, 0x00FF00u);
        DDCOLORKEY got{};
        EXPECT_EQ(sheet->GetColorKey(DDCKEY_SRCBLT, &got), DD_OK);
        EXPECT_EQ(texture->GetColorKey(DDCKEY_SRCBLT, &got), DDERR_NOCOLORKEY);
        RECT part{2, 0, 4, 1};
        EXPECT_EQ(texture->BltFast(3, 0, sheet, &part, 0), DDERR_INVALIDRECT);
        sheet->Release();
        texture->Release();
    }
}

TEST_F(DDrawSurface, GetDcTakesGdiBlitsOfOneBitAnd24BitDibs) {
    Create(8, 8);
    // A 1-bit DIB, 8 x 2, bottom-up, palette red (0) and blue (1).
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } mono{};
    mono.header.biSize = sizeof(BITMAPINFOHEADER);
    mono.header.biWidth = 8;
    mono.header.biHeight = 2;
    mono.header.biPlanes = 1;
    mono.header.biBitCount = 1;
    mono.colors[0] = RGBQUAD{0, 0, 255, 0};
    mono.colors[1] = RGBQUAD{255, 0, 0, 0};
    const uint8_t monoBits[8] = {0x0F, 0, 0, 0, 0xA0, 0, 0, 0};  // bottom row first, rows padded to 4 bytes
    // A 24-bit DIB, 2 x 2, top-down (negative height).
    BITMAPINFO rgb{};
    rgb.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    rgb.bmiHeader.biWidth = 2;
    rgb.bmiHeader.biHeight = -2;
    rgb.bmiHeader.biPlanes = 1;
    rgb.bmiHeader.biBitCount = 24;
    const uint8_t rgbBits[16] = {0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0, 0, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0, 0};

    HDC screen = GetDC(nullptr);
    HBITMAP monoBitmap = CreateDIBitmap(screen, &mono.header, CBM_INIT, monoBits,
                                        reinterpret_cast<BITMAPINFO*>(&mono), DIB_RGB_COLORS);
    HBITMAP rgbBitmap = CreateDIBitmap(screen, &rgb.bmiHeader, CBM_INIT, rgbBits, &rgb, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    ASSERT_NE(monoBitmap, nullptr);
    ASSERT_NE(rgbBitmap, nullptr);

    for (StandardFormat format : {StandardFormat::X8R8G8B8, StandardFormat::R5G6B5}) {
        SCOPED_TRACE(static_cast<int>(format));
        platform::ddraw::PixelLayout layout = platform::ddraw::LayoutOf(format);
        auto stored = [&](uint32_t rgbValue) { return layout.ToArgb(layout.FromArgb(rgbValue)) & 0xFFFFFF; };
        IDirectDrawSurface7* texture = Plain(8, 4, format);
        HDC memory = CreateCompatibleDC(nullptr);
        ASSERT_NE(memory, nullptr);
        HGDIOBJ old = SelectObject(memory, monoBitmap);
        HDC surfaceDc = nullptr;
        ASSERT_EQ(texture->GetDC(&surfaceDc), DD_OK);
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        EXPECT_EQ(texture->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
        EXPECT_TRUE(BitBlt(surfaceDc, 0, 0, 8, 2, memory, 0, 0, SRCCOPY));
        SelectObject(memory, rgbBitmap);
        EXPECT_TRUE(BitBlt(surfaceDc, 0, 2, 2, 2, memory, 0, 0, SRCCOPY));
        ASSERT_EQ(texture->ReleaseDC(surfaceDc), DD_OK);
        EXPECT_EQ(texture->ReleaseDC(surfaceDc), DDERR_NODC);
        SelectObject(memory, old);
        DeleteDC(memory);

        std::vector<uint32_t> p = ReadArgb(texture);
        // Top row of the picture is the DIB's last row: 0xA0 = blue, red, blue, red, then red.
        EXPECT_EQ(p[0] & 0xFFFFFF, 0x0000FFu);
        EXPECT_EQ(p[1] & 0xFFFFFF, 0xFF0000u);
        EXPECT_EQ(p[2] & 0xFFFFFF, 0x0000FFu);
        EXPECT_EQ(p[7] & 0xFFFFFF, 0xFF0000u);
        // Second row: 0x0F = four red, four blue.
        EXPECT_EQ(p[8 + 3] & 0xFFFFFF, 0xFF0000u);
        EXPECT_EQ(p[8 + 4] & 0xFFFFFF, 0x0000FFu);
        // The 24-bit DIB, top-down, BGR bytes.
        EXPECT_EQ(p[16 + 0] & 0xFFFFFF, stored(0x102030));
        EXPECT_EQ(p[16 + 1] & 0xFFFFFF, stored(0x405060));
        EXPECT_EQ(p[24 + 0] & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(p[24 + 1] & 0xFFFFFF, stored(0x800000));

        // What GDI drew reaches the device.
        device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_POINT);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_POINT);
        device->SetTexture(0, texture);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->BeginScene();
        DrawScreenQuad(0, 0, 8, 4, 0xFFFFFFFF);
        device->EndScene();
        EXPECT_EQ(Pixel(1, 0), 0xFF0000u);
        EXPECT_EQ(Pixel(1, 3), stored(0x800000));
        device->SetTexture(0, nullptr);
        texture->Release();
    }
    DeleteObject(monoBitmap);
    DeleteObject(rgbBitmap);
}

TEST_F(DDrawSurface, ReferenceCountsAreTrue) {
    Create(8, 8);
    ULONG base = RefCount(dd);
    IDirectDrawSurface7* s = Plain(4, 4, StandardFormat::X8R8G8B8);
    // A surface holds its DirectDraw object.
    EXPECT_EQ(RefCount(dd), base + 1);
    EXPECT_EQ(RefCount(s), 1u);
    IDirectDraw7* owner = nullptr;
    ASSERT_EQ(s->GetDDInterface(reinterpret_cast<LPVOID*>(&owner)), DD_OK);
    EXPECT_EQ(owner, dd);
    EXPECT_EQ(owner->Release(), base + 1);

    // SetTexture holds a reference until it is replaced or the device goes.
    ASSERT_EQ(device->SetTexture(0, s), DD_OK);
    EXPECT_EQ(RefCount(s), 2u);
    IDirectDrawSurface7* got = nullptr;
    ASSERT_EQ(device->GetTexture(0, &got), DD_OK);
    EXPECT_EQ(got, s);
    got->Release();
    ASSERT_EQ(device->SetTexture(0, nullptr), DD_OK);
    EXPECT_EQ(s->Release(), 0u);
    EXPECT_EQ(RefCount(dd), base);

    // The device holds its render target; the z-buffer is held by the target it is attached to.
    EXPECT_EQ(RefCount(target), 2u);
    EXPECT_EQ(RefCount(zbuf), 2u);
    ASSERT_EQ(target->DeleteAttachedSurface(0, zbuf), DD_OK);
    EXPECT_EQ(RefCount(zbuf), 1u);
    EXPECT_EQ(target->DeleteAttachedSurface(0, zbuf), DDERR_SURFACENOTATTACHED);
    IDirectDrawSurface7* render = nullptr;
    ASSERT_EQ(device->GetRenderTarget(&render), DD_OK);
    EXPECT_EQ(render, target);
    EXPECT_EQ(render->Release(), 2u);

    // Everything released leaves the DirectDraw object alone.
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;
    EXPECT_EQ(zbuf->Release(), 0u);
    zbuf = nullptr;
    EXPECT_EQ(target->Release(), 0u);
    target = nullptr;
    EXPECT_EQ(d3d->Release(), 0u);
    d3d = nullptr;
    EXPECT_EQ(dd->Release(), 0u);
    dd = nullptr;
}
