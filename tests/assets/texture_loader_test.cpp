// Texture loaders on the headless device: the scene's textures, rounding to
// the device's caps, the format choice, the colour key and alpha fix-up, the
// previous texture, damaged images, scaled pictures.
#include <cstring>
#include <string>

#include "assets/asset_device_test.h"
#include "assets/texture_loader.h"
#include "support/null_d3d_device.h"

using assettest::Bytes;
using assettest::DescOf;
using assettest::Encode;
using assettest::Near;

namespace {

// The headless device with another device type and its own list of texture
// formats; surfaces are still made by the real DirectDraw object.
struct RestrictedDevice : testsupport::NullDevice {
    RestrictedDevice(IDirect3DDevice7* d, GUID t, std::vector<DDPIXELFORMAT> f) : real(d), type(t), formats(f) {}
    HRESULT GetCaps(LPD3DDEVICEDESC7 desc) override {
        const HRESULT hr = real->GetCaps(desc);
        desc->deviceGUID = type;
        return hr;
    }
    HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) override {
        for (DDPIXELFORMAT f : formats)
            if (callback(&f, context) == D3DENUMRET_CANCEL) break;
        return D3D_OK;
    }
    HRESULT GetRenderTarget(LPDIRECTDRAWSURFACE7* out) override { return real->GetRenderTarget(out); }

    IDirect3DDevice7* real;
    GUID type;
    std::vector<DDPIXELFORMAT> formats;
};

DDPIXELFORMAT Format(DWORD flags, DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof f;
    f.dwFlags = flags;
    f.dwRGBBitCount = bits;
    f.dwRBitMask = r, f.dwGBitMask = g, f.dwBBitMask = b, f.dwRGBAlphaBitMask = a;
    return f;
}

// The stored 32-bit word of a pixel, whatever the surface's masks say of it.
uint32_t RawPixel(IDirectDrawSurface7* surface, int x, int y) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    uint32_t value = 0xDEADBEEF;
    if (SUCCEEDED(surface->Lock(nullptr, &d, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) {
        std::memcpy(&value, static_cast<const char*>(d.lpSurface) + y * d.lPitch + x * 4, 4);
        surface->Unlock(nullptr);
    }
    return value;
}

uint32_t Quadrants(int x, int y, int width, int height) {
    const bool right = x >= width / 2, bottom = y >= height / 2;
    return bottom ? (right ? 0xFFFFFF : 0x0000FF) : (right ? 0x00FF00 : 0xFF0000);
}

class TextureLoader : public assettest::AssetDeviceTest {};

}  // namespace

TEST_F(TextureLoader, EveryTextureOfTheSceneLoadsAtItsSize) {
    const std::pair<int, DWORD> textures[] = {{180, 64}, {195, 64}, {196, 64}, {197, 64}, {194, 64}, {181, 64},
                                              {182, 64}, {183, 64}, {184, 64}, {185, 64}, {198, 64}, {199, 64},
                                              {203, 256}, {202, 256}, {200, 256}, {201, 256}, {208, 256},
                                              {210, 64}, {211, 64}};
    for (const auto& [id, side] : textures) {
        SCOPED_TRACE(id);
        IDirectDrawSurface7* texture = nullptr;
        LoadTextureResource(&texture, Device(), id, id == 208 || id >= 210 ? "Texture/x.bmp" : "Texture/x.jpg");
        ASSERT_NE(texture, nullptr);
        const DDSURFACEDESC2 d = DescOf(texture);
        EXPECT_EQ(d.dwWidth, side);
        EXPECT_EQ(d.dwHeight, side);
        EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, 32u);  // preferred, though 16-bit formats are listed first
        EXPECT_EQ(d.ddsCaps.dwCaps2, static_cast<DWORD>(DDSCAPS2_TEXTUREMANAGE));
        texture->Release();
    }
}

TEST_F(TextureLoader, EveryPictureLoadsScaledToTheSizeAsked) {
    ASSERT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(242), "TEXTURES"), nullptr) << "the pictures are not in the manifest";
    for (int id : {242, 239, 240, 249, 250, 241, 243, 244, 245, 246, 247, 248}) {
        IDirectDrawSurface7* picture = nullptr;
        LoadTextureResourceScaled(&picture, Device(), id, "SS.jpg", 512);
        ASSERT_NE(picture, nullptr) << id;
        EXPECT_EQ(DescOf(picture).dwWidth, 512u) << id;
        picture->Release();
    }
}

TEST_F(TextureLoader, PowerOfTwoDevicesGetRoundedTexturesWithThePictureTopLeft) {
    UseResources({{242, Encode(kImageFormatJpeg, 800, 600, [](int x, int y) { return Quadrants(x, y, 800, 600); })},
                  {243, Encode(kImageFormatBmp, 800, 300, [](int, int) { return 0xFFFFFFu; })}});
    IDirectDrawSurface7* texture = nullptr;
    LoadTextureResource(&texture, Device(), 242, "SS.jpg");
    EXPECT_EQ(DescOf(texture).dwWidth, 800u);
    EXPECT_EQ(DescOf(texture).dwHeight, 600u);

    platform::SetTextureCapsForTest(true, false);
    LoadTextureResource(&texture, Device(), 242, "Texture/picture.JPG");
    DWORD w = 0;
    std::vector<uint32_t> pixels = Pixels(texture, &w);
    ASSERT_EQ(w, 1024u);
    ASSERT_EQ(pixels.size(), 1024u * 1024u);
    EXPECT_TRUE(Near(pixels[150 * w + 200], 0xFF0000));
    EXPECT_TRUE(Near(pixels[150 * w + 600], 0x00FF00));
    EXPECT_TRUE(Near(pixels[450 * w + 200], 0x0000FF));
    EXPECT_TRUE(Near(pixels[599 * w + 799], 0xFFFFFF));

    LoadTextureResource(&texture, Device(), 243, "wide.bmp");
    EXPECT_EQ(DescOf(texture).dwWidth, 1024u);
    EXPECT_EQ(DescOf(texture).dwHeight, 512u);
    platform::SetTextureCapsForTest(true, true);
    LoadTextureResource(&texture, Device(), 243, "wide.bmp");
    pixels = Pixels(texture, &w);
    ASSERT_EQ(pixels.size(), 1024u * 1024u);
    EXPECT_EQ(pixels[299 * w + 799], 0xFFFFFFu);
    platform::SetTextureCapsForTest(false, true);
    LoadTextureResource(&texture, Device(), 243, "wide.bmp");
    EXPECT_EQ(DescOf(texture).dwHeight, 800u);
    texture->Release();
}

TEST_F(TextureLoader, FormatPlacementColourKeyAndAlphaFollowTheDevice) {
    UseResources({{210, Encode(kImageFormatBmp, 64, 64, [](int x, int) { return x < 32 ? 0u : 0xFFFFFFu; }, 1)},
                  {211, Encode(kImageFormatBmp, 4, 1, [](int x, int) { return x == 1 ? 0xFF0000u : x * 0x101010u; })}});

    // Only 16-bit formats (the one with alpha passed over), a software device.
    RestrictedDevice sixteen(Device(), IID_IDirect3DRGBDevice,
                             {Format(DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x7C00, 0x3E0, 0x1F, 0x8000),
                              Format(DDPF_RGB, 16, 0xF800, 0x7E0, 0x1F, 0)});
    IDirectDrawSurface7* mask = nullptr;
    LoadTextureResource(&mask, &sixteen, 210, "Texture/LMap.bmp");
    ASSERT_NE(mask, nullptr);
    DDSURFACEDESC2 d = DescOf(mask);
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(d.ddpfPixelFormat.dwRBitMask, 0xF800u);
    EXPECT_TRUE(d.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_EQ(d.ddsCaps.dwCaps2 & DDSCAPS2_TEXTUREMANAGE, 0u);
    DWORD w = 0;
    std::vector<uint32_t> pixels = Pixels(mask, &w);
    EXPECT_EQ(pixels[10 * w + 5], 0u);
    EXPECT_EQ(pixels[10 * w + 40], 0xFFFFFFu);

    // Black is the source colour key: a keyed blit leaves the canvas there.
    IDirectDrawSurface7* canvas = nullptr;
    ASSERT_TRUE(CreateEmptyTexture(&canvas, Device(), 64, 64));
    DDBLTFX fill{};
    fill.dwSize = sizeof fill;
    fill.dwFillColor = 0xFF0000;
    canvas->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill);
    ASSERT_EQ(canvas->Blt(nullptr, mask, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    pixels = Pixels(canvas, &w);
    EXPECT_EQ(pixels[10 * w + 5], 0xFF0000u);
    EXPECT_EQ(pixels[10 * w + 40], 0xFFFFFFu);
    ASSERT_TRUE(ClearTexture(canvas));
    EXPECT_EQ(Pixels(canvas, &w)[10 * w + 40], 0u);
    canvas->Release();

    // A chosen format with alpha bits: black becomes fully transparent, every
    // other colour fully opaque.
    RestrictedDevice alpha(Device(), IID_IDirect3DHALDevice,
                           {Format(DDPF_RGB, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)});
    LoadTextureResource(&mask, &alpha, 211, "Texture/Ray.bmp");
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(RawPixel(mask, 0, 0), 0u);
    EXPECT_EQ(RawPixel(mask, 1, 0), 0xFFFF0000u);
    EXPECT_EQ(RawPixel(mask, 3, 0), 0xFF303030u);

    // No 16- or 32-bit format at all: no texture.
    RestrictedDevice none(Device(), IID_IDirect3DHALDevice, {Format(DDPF_RGB, 24, 0xFF0000, 0xFF00, 0xFF, 0)});
    LoadTextureResource(&mask, &none, 211, "Texture/Ray.bmp");
    EXPECT_EQ(mask, nullptr);
    EXPECT_FALSE(CreateEmptyTexture(&mask, &none, 16, 16));
}

TEST_F(TextureLoader, ThePreviousTextureAndDamagedImages) {
    const Bytes jpeg = Encode(kImageFormatJpeg, 64, 48, [](int x, int y) { return Quadrants(x, y, 64, 48); });
    const Bytes bmp = Encode(kImageFormatBmp, 64, 48, [](int x, int y) { return Quadrants(x, y, 64, 48); });
    auto put32 = [](Bytes b, size_t at, uint32_t v) { return std::memcpy(&b[at], &v, 4), b; };
    Bytes jpegTail = jpeg, bmpTail = bmp;
    jpegTail.insert(jpegTail.end(), 5000, 0x11);
    bmpTail.insert(bmpTail.end(), 17, 0x22);
    const std::vector<std::pair<Bytes, const char*>> damaged = {
        {Bytes(jpeg.begin(), jpeg.begin() + 20), "a.jpg"},
        {Bytes(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2)), "a.jpg"},
        {Bytes(jpeg.begin(), jpeg.end() - 2), "a.jpg"},  // no end marker
        {Bytes(300, 0x5A), "a.jpg"},
        {bmp, "a.jpg"},
        {Bytes(bmp.begin(), bmp.begin() + 30), "a.bmp"},
        {Bytes(bmp.begin(), bmp.begin() + 60), "a.bmp"},
        {put32(bmp, 18, 60000), "a.bmp"},                    // absurd width
        {put32(put32(bmp, 18, 16000), 22, 16000), "a.bmp"},  // too many pixels
        {put32(bmp, 10, 0x7FFFFFF0), "a.bmp"},               // pixels far past the end
        {put32(bmp, 14, 7), "a.bmp"},                        // no such header
        {jpeg, "a.bmp"},
    };
    std::vector<std::pair<uint16_t, Bytes>> resources = {{1, jpegTail}, {2, bmpTail}, {3, Bytes{}}};
    for (size_t i = 0; i < damaged.size(); ++i) resources.push_back({static_cast<uint16_t>(100 + i), damaged[i].first});
    UseResources(resources);

    // Whole images, even with bytes after them, decode; a missing or empty
    // resource leaves the texture in place.
    IDirectDrawSurface7* texture = nullptr;
    LoadTextureResource(&texture, Device(), 1, "a.jpg");
    IDirectDrawSurface7* previous = texture;
    ASSERT_NE(previous, nullptr);
    LoadTextureResource(&texture, Device(), 999, "a.jpg");
    LoadTextureResource(&texture, Device(), 3, "a.jpg");
    EXPECT_EQ(texture, previous);
    LoadTextureResource(&texture, Device(), 2, "a.bmp");
    ASSERT_NE(texture, nullptr);
    DWORD w = 0;
    EXPECT_EQ(Pixels(texture, &w)[47 * w + 63], 0xFFFFFFu);
    // An extension that names no format stores null.
    LoadTextureResource(&texture, Device(), 2, "a.xyz");
    EXPECT_EQ(texture, nullptr);
    LoadTextureResource(&texture, Device(), 2, "no_extension");
    EXPECT_EQ(texture, nullptr);

    for (size_t i = 0; i < damaged.size(); ++i) {
        ASSERT_TRUE(CreateEmptyTexture(&texture, Device(), 4, 4));
        LoadTextureResource(&texture, Device(), static_cast<int>(100 + i), damaged[i].second);
        EXPECT_EQ(texture, nullptr) << i;
    }
}

TEST_F(TextureLoader, ScaledPicturesAreStretchedWhole) {
    UseResources({{239, Encode(kImageFormatJpeg, 800, 600, [](int x, int y) { return Quadrants(x, y, 800, 600); })}});
    platform::SetTextureCapsForTest(true, false);  // the stretch takes the picture, not its 1024 x 1024 texture
    IDirectDrawSurface7* picture = nullptr;
    ASSERT_TRUE(CreateEmptyTexture(&picture, Device(), 4, 4));
    LoadTextureResourceScaled(&picture, Device(), 239, "SS.jpg", 512);
    DWORD w = 0;
    std::vector<uint32_t> pixels = Pixels(picture, &w);
    ASSERT_EQ(w, 512u);
    ASSERT_EQ(pixels.size(), 512u * 512u);
    EXPECT_TRUE(Near(pixels[100 * w + 100], 0xFF0000));
    EXPECT_TRUE(Near(pixels[100 * w + 400], 0x00FF00));
    EXPECT_TRUE(Near(pixels[400 * w + 100], 0x0000FF));
    EXPECT_TRUE(Near(pixels[510 * w + 510], 0xFFFFFF));
    LoadTextureResourceScaled(&picture, Device(), 239, "SS.none", 512);
    EXPECT_EQ(picture, nullptr);

}
