// The headless device of headless_device.h.
#include "support/headless_device.h"

#include <cstdio>
#include <cstring>

namespace testsupport {
namespace {

std::string Failed(const char* step, HRESULT hr) {
    char text[96];
    std::snprintf(text, sizeof text, "%s failed: 0x%08X", step, static_cast<unsigned>(hr));
    return text;
}

// The channel's value widened to 8 bits.
uint32_t Channel(uint32_t raw, DWORD mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    int bits = 0;
    while ((mask >> (shift + bits)) & 1) ++bits;
    const uint32_t value = (raw & mask) >> shift;
    if (bits >= 8) return value >> (bits - 8);
    uint32_t widened = value << (8 - bits);
    for (int s = bits; s < 8; s *= 2) widened |= widened >> s;
    return widened & 0xFF;
}

}  // namespace

std::string HeadlessDevice::Create(const GUID& deviceType, DWORD width, DWORD height) {
    Destroy();
    HRESULT hr = DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&directDraw_), IID_IDirectDraw7, nullptr);
    if (FAILED(hr) || !directDraw_) return Failed("DirectDrawCreateEx", hr);
    hr = directDraw_->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
    if (FAILED(hr)) return Failed("SetCooperativeLevel", hr);

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddpfPixelFormat.dwSize = sizeof desc.ddpfPixelFormat;
    desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
    desc.ddpfPixelFormat.dwRGBBitCount = 32;
    desc.ddpfPixelFormat.dwRBitMask = 0xFF0000;
    desc.ddpfPixelFormat.dwGBitMask = 0x00FF00;
    desc.ddpfPixelFormat.dwBBitMask = 0x0000FF;
    hr = directDraw_->CreateSurface(&desc, &target_, nullptr);
    if (FAILED(hr) || !target_) return Failed("CreateSurface", hr);

    hr = directDraw_->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&direct3D_));
    if (FAILED(hr) || !direct3D_) return Failed("QueryInterface(IID_IDirect3D7)", hr);
    hr = direct3D_->CreateDevice(deviceType, target_, &device_);
    if (FAILED(hr) || !device_) return Failed("CreateDevice", hr);

    D3DVIEWPORT7 viewport{0, 0, width, height, 0.0f, 1.0f};
    hr = device_->SetViewport(&viewport);
    if (FAILED(hr)) return Failed("SetViewport", hr);
    return "";
}

void HeadlessDevice::Destroy() {
    if (device_) device_->Release();
    if (target_) target_->Release();
    if (direct3D_) direct3D_->Release();
    if (directDraw_) directDraw_->Release();
    device_ = nullptr;
    target_ = nullptr;
    direct3D_ = nullptr;
    directDraw_ = nullptr;
}

uint32_t HeadlessDevice::TargetPixel(int x, int y) const {
    DWORD width = 0, height = 0;
    const std::vector<uint32_t> pixels = ReadSurface(target_, &width, &height);
    if (x < 0 || y < 0 || static_cast<DWORD>(x) >= width || static_cast<DWORD>(y) >= height) return 0;
    return pixels[static_cast<size_t>(y) * width + static_cast<size_t>(x)];
}

std::vector<uint32_t> HeadlessDevice::ReadSurface(IDirectDrawSurface7* surface, DWORD* width, DWORD* height,
                                                  std::vector<uint8_t>* alpha) {
    std::vector<uint32_t> pixels;
    *width = *height = 0;
    if (!surface) return pixels;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (FAILED(surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr)) || !desc.lpSurface)
        return pixels;
    const DDPIXELFORMAT& f = desc.ddpfPixelFormat;
    const DWORD bytes = f.dwRGBBitCount / 8;
    if (bytes == 2 || bytes == 4) {
        *width = desc.dwWidth;
        *height = desc.dwHeight;
        pixels.resize(static_cast<size_t>(desc.dwWidth) * desc.dwHeight);
        if (alpha) alpha->assign(pixels.size(), 0xFF);
        for (DWORD y = 0; y < desc.dwHeight; ++y) {
            const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + static_cast<size_t>(y) * desc.lPitch;
            for (DWORD x = 0; x < desc.dwWidth; ++x) {
                uint32_t raw = 0;
                std::memcpy(&raw, row + static_cast<size_t>(x) * bytes, bytes);
                const size_t at = static_cast<size_t>(y) * desc.dwWidth + x;
                pixels[at] = Channel(raw, f.dwRBitMask) << 16 | Channel(raw, f.dwGBitMask) << 8 |
                             Channel(raw, f.dwBBitMask);
                if (alpha && f.dwRGBAlphaBitMask)
                    (*alpha)[at] = static_cast<uint8_t>(Channel(raw, f.dwRGBAlphaBitMask));
            }
        }
    }
    surface->Unlock(nullptr);
    return pixels;
}

}  // namespace testsupport
