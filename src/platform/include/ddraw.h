// ddraw.h — the DirectDraw 7 shape of the platform layer (first slice).
//
// Declares so far: the success code DD_OK and the interface names
// IDirectDraw7 and IDirectDrawSurface7 with their pointer typedefs, enough
// for Direct3D calls that take a texture surface. Surfaces, their methods,
// DDSURFACEDESC2, the DDERR_* codes and the OpenGL-backed implementation come
// with the device layer in src/platform/ddraw/.
#pragma once

#include "windows.h"

#define DD_OK S_OK

struct IDirectDraw7;
struct IDirectDrawSurface7;

typedef IDirectDraw7* LPDIRECTDRAW7;
typedef IDirectDrawSurface7* LPDIRECTDRAWSURFACE7;
