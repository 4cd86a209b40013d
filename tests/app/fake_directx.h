// Stand-ins for DirectDraw 7 and Direct3D 7, installed through the platform's
// DirectDrawCreateEx / DirectDrawEnumerateExA hooks: true reference counts,
// configurable drivers (modes, devices), desktop mode, z-buffer formats and
// raster caps, a failure per named call, and a record of calls and arguments.
#pragma once

#include <d3d.h>
#include <ddraw.h>

#include <map>
#include <string>
#include <vector>

namespace fakedx {

struct DeviceSpec {
    std::string description;
    D3DDEVICEDESC7 desc{};
};

struct Driver {
    bool hasGuid = false;
    GUID guid{};
    std::string description = "Primary Display";
    std::vector<DDSURFACEDESC2> modes;
    std::vector<DeviceSpec> devices;
    bool failCreate = false;
    bool failDirect3D = false;
};

struct World {
    // Configuration.
    std::vector<Driver> drivers;  // the primary display first
    DDSURFACEDESC2 displayMode{};  // the desktop, changed by SetDisplayMode
    DWORD rasterCaps = 0;
    std::vector<DDPIXELFORMAT> zFormats;
    // Call name -> result. Names: DirectDrawCreateEx, SetCooperativeLevel,
    // GetDisplayMode, SetDisplayMode, CreatePrimary, CreateBackBuffer,
    // CreateZBuffer, GetAttachedSurface, CreateClipper, SetHWnd, SetClipper,
    // QueryDirect3D, CreateDevice, SetViewport, GetCaps, AddAttachedSurface,
    // SetRenderTarget, Flip, Blt, RestoreAllSurfaces, TestCooperativeLevel,
    // BeginScene, EndScene.
    std::map<std::string, HRESULT> failures;
    // SetDisplayMode refuses (DDERR_INVALIDMODE) a mode the driver does not list.
    bool refuseUnlistedModes = false;
    // CreateDevice refuses the hardware device type (DDERR_GENERIC).
    bool failHardwareDevice = false;

    // Records.
    std::vector<std::string> calls;
    std::vector<DWORD> cooperativeLevels;
    std::vector<DWORD> setDisplayMode;  // width, height, bpp, refresh, flags
    std::vector<std::vector<DWORD>> displayModes;  // width, height, bpp of every SetDisplayMode
    std::vector<GUID> deviceTypes;                 // of every CreateDevice
    std::vector<DDSURFACEDESC2> createdSurfaces;
    std::vector<DWORD> flips;
    RECT bltDest{};
    IDirectDrawSurface7* bltSource = nullptr;
    bool bltHadSourceRect = false;
    DWORD bltFlags = 0;
    D3DVIEWPORT7 viewport{};
    GUID deviceType{};
    GUID zFormatDeviceType{};
    HWND clipperWindow = nullptr;
    IDirectDrawSurface7* renderTarget = nullptr;
    std::vector<std::pair<IDirectDrawSurface7*, IDirectDrawSurface7*>> attachments;  // (to, attached)
    DWORD enumerateFlags = 0;
    int enumerateCalls = 0;
    int liveObjects = 0;
    std::vector<IUnknown*> orphans;  // chain members that outlived their primary
};

World& W();
// Fresh world with one primary driver at 1024 x 768 x 32, z formats of 16
// and 32 bits, and the hooks installed.
void Install();
void Uninstall();

DDSURFACEDESC2 Mode(DWORD width, DWORD height, DWORD bitCount);
DDPIXELFORMAT ZFormat(DWORD depth);
DeviceSpec Device(const char* description, bool hardware, DWORD renderDepths);
int Count(const std::string& call);

}  // namespace fakedx
