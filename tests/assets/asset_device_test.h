// Shared by the texture and font tests: a fixture with the headless device
// and a substituted table of "TEXTURES" resources, images made on the spot,
// and colour comparison.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "platform/image/image_decoder.h"
#include "platform/platform_testing.h"
#include "platform/win32/resource_table.h"
#include "support/headless_device.h"

namespace assettest {

using Bytes = std::vector<unsigned char>;

// An image file of the format, from a function giving 0xRRGGBB per pixel.
inline Bytes Encode(ImageFormat format, int width, int height, const std::function<uint32_t(int, int)>& pixel,
                    int bitsPerPixel = 24) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels[static_cast<size_t>(y) * width + x] = pixel(x, y);
    Bytes out;
    EXPECT_TRUE(ImageEncode(format, width, height, pixels.data(), bitsPerPixel, &out));
    return out;
}

// Every channel of two 0xRRGGBB colours within the tolerance.
inline bool Near(uint32_t actual, uint32_t expected, int tolerance = 12) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((actual >> shift) & 0xFF), e = static_cast<int>((expected >> shift) & 0xFF);
        if (a - e > tolerance || e - a > tolerance) return false;
    }
    return true;
}

inline DDSURFACEDESC2 DescOf(IDirectDrawSurface7* surface) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (surface) surface->GetSurfaceDesc(&desc);
    return desc;
}

class AssetDeviceTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(headless.Create(), ""); }
    void TearDown() override {
        platform::SubstituteResources(nullptr, 0);
        platform::SetTextureCapsForTest(false, false);
    }

    // Makes these the only resources of the executable.
    void UseResources(std::vector<std::pair<uint16_t, Bytes>> resources) {
        images = std::move(resources);
        table.clear();
        for (const auto& [id, bytes] : images) table.push_back({0, "TEXTURES", id, bytes.data(), bytes.size()});
        platform::SubstituteResources(table.data(), table.size());
    }

    IDirect3DDevice7* Device() const { return headless.Device(); }

    // The surface's pixels as 0xRRGGBB, rows top-down.
    static std::vector<uint32_t> Pixels(IDirectDrawSurface7* surface, DWORD* width) {
        DWORD height = 0;
        return testsupport::HeadlessDevice::ReadSurface(surface, width, &height);
    }

    testsupport::HeadlessDevice headless;
    std::vector<std::pair<uint16_t, Bytes>> images;
    std::vector<platform::EmbeddedResource> table;
};

}  // namespace assettest
