// direct3d_gl.h — IDirect3D7 on OpenGL: device enumeration, z-buffer
// formats and device creation for one DirectDraw object.
//
// Two devices are offered, in the order a DirectX 7 system enumerates them:
// the software rasteriser IID_IDirect3DRGBDevice and the hardware device
// IID_IDirect3DHALDevice (D3DDEVCAPS_HWRASTERIZATION). Both draw through the
// same OpenGL device, into 16- and 32-bit render targets.
#pragma once

#include <d3d.h>

namespace platform::ddraw {
class DirectDraw7GL;
}

namespace platform::d3d {

// The IDirect3D7 interface of a DirectDraw object (holds a reference on it).
HRESULT CreateDirect3D(ddraw::DirectDraw7GL* owner, IDirect3D7** out);
// The description EnumDevices and GetCaps report for a device type.
D3DDEVICEDESC7 DescribeDevice(bool hardware);
// The texture formats EnumTextureFormats lists, in order.
int TextureFormatCount();
DDPIXELFORMAT TextureFormat(int index);

}  // namespace platform::d3d
