// video_modes.cpp — enumeration of the display drivers, their Direct3D
// devices and display modes, and the mode selection over the result.
#include "app/video_modes.h"

#include <cstdio>
#include <cstring>

DisplayDeviceList DisplayDevices;

namespace {

bool g_enumerated = false;

// One display driver while its devices are enumerated: the modes it offers
// at a usable size, before each device picks the depths it renders into.
struct DriverRecord {
    char description[kDisplayDeviceNameLength + 1];
    BOOL hasGuid;
    GUID guid;
    DDSURFACEDESC2 modes[kMaxVideoModes];
    DWORD modeCount;
};

void CopyName(char (&target)[kDisplayDeviceNameLength + 1], const char* text) {
    std::memset(target, 0, sizeof(target));
    if (!text) return;
    // At most the field's length; the last byte stays the terminator.
    size_t length = strnlen(text, kDisplayDeviceNameLength);
    std::memcpy(target, text, length);
}

HRESULT CollectMode(LPDDSURFACEDESC2 mode, LPVOID context) {
    auto* driver = static_cast<DriverRecord*>(context);
    if (!mode) return DDENUMRET_OK;
    // From 600 wide, not 640, so that 600 x 480 stays on offer.
    if (mode->dwHeight >= 480 && mode->dwWidth >= 600 && driver->modeCount < kMaxVideoModes)
        driver->modes[driver->modeCount++] = *mode;
    return DDENUMRET_OK;
}

bool DeviceRendersInto(const D3DDEVICEDESC7& desc, DWORD bitCount) {
    switch (bitCount) {
    case 32:
        return (desc.dwDeviceRenderBitDepth & DDBD_32) != 0;
    case 24:
        return (desc.dwDeviceRenderBitDepth & DDBD_24) != 0;
    case 16:
        return (desc.dwDeviceRenderBitDepth & DDBD_16) != 0;
    default:
        return false;
    }
}

HRESULT CollectDevice(LPSTR description, LPSTR, LPD3DDEVICEDESC7 desc, LPVOID context) {
    const auto* driver = static_cast<const DriverRecord*>(context);
    DisplayDeviceList& list = DisplayDevices;
    if (!desc || list.deviceCount >= kMaxDisplayDevices) return D3DENUMRET_OK;

    DisplayDevice& device = list.devices[list.deviceCount];
    std::memset(&device, 0, sizeof(device));
    CopyName(device.name, driver->hasGuid ? driver->description : description);
    device.deviceDesc = *desc;
    device.isHardware = (desc->dwDevCaps & D3DDEVCAPS_HWRASTERIZATION) ? TRUE : FALSE;
    device.hasDriverGuid = driver->hasGuid;
    device.driverGuid = driver->guid;
    // A secondary display is only worth offering with hardware rasterization.
    if (driver->hasGuid && !device.isHardware) return D3DENUMRET_OK;

    for (DWORD i = 0; i < driver->modeCount; ++i) {
        if (DeviceRendersInto(*desc, driver->modes[i].ddpfPixelFormat.dwRGBBitCount))
            device.modes[device.modeCount++] = driver->modes[i];
    }
    if (device.modeCount > 0) ++list.deviceCount;
    return D3DENUMRET_OK;
}

BOOL CollectDriver(GUID* guid, LPSTR description, LPSTR, LPVOID, HMONITOR) {
    IDirectDraw7* directDraw = nullptr;
    if (FAILED(DirectDrawCreateEx(guid, reinterpret_cast<LPVOID*>(&directDraw), IID_IDirectDraw7, nullptr)) ||
        !directDraw)
        return DDENUMRET_OK;
    IDirect3D7* direct3D = nullptr;
    if (FAILED(directDraw->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&direct3D))) || !direct3D) {
        directDraw->Release();
        return DDENUMRET_OK;
    }

    DriverRecord driver{};
    CopyName(driver.description, description);
    if (guid) {
        driver.hasGuid = TRUE;
        driver.guid = *guid;
    }
    directDraw->EnumDisplayModes(0, nullptr, &driver, CollectMode);
    direct3D->EnumDevices(CollectDevice, &driver);

    direct3D->Release();
    directDraw->Release();
    return DDENUMRET_OK;
}

const DisplayDevice* CurrentDevice() {
    const DisplayDeviceList& list = DisplayDevices;
    return list.deviceCount > 0 ? &list.devices[list.currentDevice] : nullptr;
}

void ReadMode(const DDSURFACEDESC2& mode, LONG* height, LONG* width, LONG* bitCount) {
    if (height) *height = static_cast<LONG>(mode.dwHeight);
    if (width) *width = static_cast<LONG>(mode.dwWidth);
    if (bitCount) *bitCount = static_cast<LONG>(mode.ddpfPixelFormat.dwRGBBitCount);
}

}  // namespace

DWORD EnumerateDisplayDevices() {
    DisplayDeviceList& list = DisplayDevices;
    if (!g_enumerated) {
        g_enumerated = true;
        DirectDrawEnumerateExA(CollectDriver, nullptr,
                               DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES |
                                   DDENUM_NONDISPLAYDEVICES);
    }
    list.currentDevice = list.deviceCount > 0 ? list.deviceCount - 1 : 0;
    return list.deviceCount;
}

void ResetDisplayDevices() {
    std::memset(&DisplayDevices, 0, sizeof(DisplayDevices));
    g_enumerated = false;
}

bool FindVideoMode(LONG height, LONG width, LONG bitCount) {
    const DisplayDevice* device = CurrentDevice();
    if (!device) return false;
    for (DWORD i = 0; i < device->modeCount; ++i) {
        const DDSURFACEDESC2& mode = device->modes[i];
        if (static_cast<LONG>(mode.dwHeight) == height && static_cast<LONG>(mode.dwWidth) == width &&
            static_cast<LONG>(mode.ddpfPixelFormat.dwRGBBitCount) == bitCount) {
            DisplayDevices.currentMode = i;
            return true;
        }
    }
    return false;
}

void SelectFirstVideoMode(LONG* height, LONG* width, LONG* bitCount) {
    const DisplayDevice* device = CurrentDevice();
    if (!device) return;
    DisplayDevices.currentMode = 0;
    ReadMode(device->modes[0], height, width, bitCount);
}

void SelectVideoMode(DWORD index) {
    const DisplayDevice* device = CurrentDevice();
    if (device && index < device->modeCount) DisplayDevices.currentMode = index;
}

void GetSelectedVideoMode(LONG* height, LONG* width, LONG* bitCount) {
    const DisplayDevice* device = CurrentDevice();
    if (!device || DisplayDevices.currentMode >= device->modeCount) return;
    ReadMode(device->modes[DisplayDevices.currentMode], height, width, bitCount);
}

VideoModeEntries ListVideoModes() {
    VideoModeEntries entries;
    const DisplayDevice* device = CurrentDevice();
    if (!device) return entries;
    for (DWORD i = 0; i < device->modeCount; ++i) {
        const DDSURFACEDESC2& mode = device->modes[i];
        char text[64];
        std::snprintf(text, sizeof(text), "%ld x %ld  %ld bits", static_cast<long>(mode.dwWidth),
                      static_cast<long>(mode.dwHeight), static_cast<long>(mode.ddpfPixelFormat.dwRGBBitCount));
        entries.labels.emplace_back(text);
    }
    entries.selected = DisplayDevices.currentMode < device->modeCount ? DisplayDevices.currentMode : device->modeCount;
    return entries;
}

VideoModeMenu AppVideoModeMenu() {
    VideoModeMenu menu;
    menu.enumerate = EnumerateDisplayDevices;
    menu.find = FindVideoMode;
    menu.selectFirst = SelectFirstVideoMode;
    menu.select = SelectVideoMode;
    menu.getSelected = GetSelectedVideoMode;
    menu.entries = ListVideoModes;
    return menu;
}
