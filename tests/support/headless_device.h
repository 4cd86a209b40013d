// A real DirectDraw 7 + Direct3D 7 device on the headless backend, drawing
// into an off-screen 32-bit render target (256 x 256 unless asked
// otherwise), for tests that render or create textures; and reading any
// 16- or 32-bit surface back as 0xRRGGBB pixels.
//
//   testsupport::HeadlessDevice d;
//   ASSERT_EQ(d.Create(), "");
//   d.Device()->Clear(...);
//   uint32_t p = d.TargetPixel(10, 20);
#pragma once

#include <d3d.h>
#include <ddraw.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class HeadlessDevice {
public:
    HeadlessDevice() = default;
    ~HeadlessDevice() { Destroy(); }
    HeadlessDevice(const HeadlessDevice&) = delete;
    HeadlessDevice& operator=(const HeadlessDevice&) = delete;

    // Brings up the device; returns "" on success, else which step failed
    // and its result code.
    std::string Create(const GUID& deviceType = IID_IDirect3DHALDevice, DWORD width = 256, DWORD height = 256);
    // Releases the device, the target, Direct3D and DirectDraw.
    void Destroy();

    IDirect3DDevice7* Device() const { return device_; }
    IDirectDraw7* DirectDraw() const { return directDraw_; }
    IDirectDrawSurface7* Target() const { return target_; }

    // The render target's pixel as 0xRRGGBB (0 when it cannot be read).
    uint32_t TargetPixel(int x, int y) const;

    // The surface's pixels as 0xRRGGBB, rows top-down; empty when it cannot
    // be locked or is neither 16 nor 32 bits. Alpha, if any, in *alpha.
    static std::vector<uint32_t> ReadSurface(IDirectDrawSurface7* surface, DWORD* width, DWORD* height,
                                             std::vector<uint8_t>* alpha = nullptr);

private:
    IDirectDraw7* directDraw_ = nullptr;
    IDirect3D7* direct3D_ = nullptr;
    IDirectDrawSurface7* target_ = nullptr;
    IDirect3DDevice7* device_ = nullptr;
};

}  // namespace testsupport
