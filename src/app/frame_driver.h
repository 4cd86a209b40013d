// frame_driver.h — the glue between the saver window, the device framework
// and the scene.
//
// InitApp sets the scene up and brings up the device with the best mode that
// works: the configured (or the desktop's) mode, then the same size at 16
// bits, then 640 x 480 x 16, then the software rasteriser. RenderFrame draws
// one frame, pausing while another program owns the display and restoring
// lost surfaces. ShutdownApp releases the scene's textures, stops the music
// and destroys the framework. Everything runs on the message-loop thread.
#pragma once

#include <d3d.h>
#include <ddraw.h>
#include <windows.h>

#include "app/app_state.h"


// 0, or E_FAIL (scene set-up or every mode failed), or E_OUTOFMEMORY.
HRESULT InitApp(HWND window);
// One attempt: the framework on the window (full screen unless the window is
// a child) and the scene's device objects. On a scene failure the attempt
// is undone and the scene's result returned.
HRESULT InitDeviceObjects(HWND window, DDSURFACEDESC2* mode, const GUID* deviceType);
HRESULT RenderFrame();
void ShutdownApp(HWND window);
// Releases the scene's textures (their handles become null) and stops the
// music when it was wanted.
void ReleaseDeviceObjects(HWND window, IDirect3DDevice7* device);
HRESULT RestoreDeviceObjects();
HRESULT DeleteDeviceObjects();

// A windowed device whose window changed size is brought up again at the new
// size, the scene's textures with it (the music plays on). Does nothing in
// full screen, without a device, or when the size is the same. 0 on success
// or when nothing was to be done.
HRESULT ResizeApp(HWND window);
