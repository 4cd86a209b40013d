// video_modes.h — the display devices and their full-screen video modes.
//
// DisplayDeviceList is built once per process from every DirectDraw driver
// and every Direct3D device on it: modes of at least 600 x 480 that the
// device renders into (16, 24 or 32 bits), at most 100 per device and 20
// devices. The current device is the last one added; the selection
// operations move the current mode, which the configuration dialog shows in
// in its mode list and the saver window validates against.
#pragma once

#include <d3d.h>
#include <ddraw.h>
#include <windows.h>

#include "config/video_mode_menu.h"

inline constexpr int kMaxDisplayDevices = 20;
inline constexpr int kMaxVideoModes = 100;
inline constexpr int kDisplayDeviceNameLength = 39;

struct DisplayDevice {
    char name[kDisplayDeviceNameLength + 1];
    D3DDEVICEDESC7 deviceDesc;  // as the device enumeration reported it, deviceGUID included
    BOOL isHardware;            // D3DDEVCAPS_HWRASTERIZATION
    BOOL hasDriverGuid;         // a secondary display driver; the primary display has no identifier
    GUID driverGuid;
    DDSURFACEDESC2 modes[kMaxVideoModes];
    DWORD modeCount;
};

struct DisplayDeviceList {
    DisplayDevice devices[kMaxDisplayDevices];
    DWORD deviceCount;
    DWORD currentDevice;
    DWORD currentMode;
};

extern DisplayDeviceList DisplayDevices;

// Builds the list on the first call of the process; every call makes the
// last device current. Returns the number of devices.
DWORD EnumerateDisplayDevices();
// Forgets the list so that the next EnumerateDisplayDevices builds it again (tests).
void ResetDisplayDevices();

// Selects the first mode of the current device equal to all three values.
bool FindVideoMode(LONG height, LONG width, LONG bitCount);
// Selects mode 0 and gives its size; outputs stay as they were without a device.
void SelectFirstVideoMode(LONG* height, LONG* width, LONG* bitCount);
// An index outside the current device's modes is ignored.
void SelectVideoMode(DWORD index);
void GetSelectedVideoMode(LONG* height, LONG* width, LONG* bitCount);
// The current device's modes as the settings dialog lists them, "W x H  B
// bits", with the index of the current one.
VideoModeEntries ListVideoModes();
// The operations above, for the settings dialog (SetVideoModeMenu).
VideoModeMenu AppVideoModeMenu();
