// texture_loader.h — every texture of the saver: decoded from a "TEXTURES"
// resource of the executable or from an image file, or created empty.
//
// A texture is an IDirectDrawSurface7 with DDSCAPS_TEXTURE that suits the
// device: managed on hardware devices, in system memory otherwise; a 32-bit
// RGB format when the device offers one, else a 16-bit one; sides rounded up
// to powers of two and made square when the device's texture caps ask for
// it, the picture then sitting in the top-left corner. Decoded textures carry
// a black source colour key, and where their format has alpha, black pixels
// are transparent and all others opaque. The image format comes from the
// file name's extension. Failures are silent: the texture is null.
#pragma once

#include <d3d.h>
#include <ddraw.h>
#include <windows.h>

// Decodes resource `resourceId` of type "TEXTURES" as the format named by
// fileName's extension into *out. A missing or empty resource leaves *out
// untouched; otherwise the texture *out held is released and *out becomes
// the new texture, or null when the image cannot be decoded. Returns 0.
HRESULT LoadTextureResource(IDirectDrawSurface7** out, IDirect3DDevice7* device, int resourceId,
                            const char* fileName);
// As LoadTextureResource, then stretches the whole image onto a new
// size x size texture.
HRESULT LoadTextureResourceScaled(IDirectDrawSurface7** out, IDirect3DDevice7* device, int resourceId,
                                  const char* fileName, int size);
// As LoadTextureResource for an image file on disk; the texture *out held is
// released in every case.
HRESULT LoadTextureFile(IDirectDrawSurface7** out, IDirect3DDevice7* device, const char* path);
// A new texture of exactly width x height with undefined contents into *out
// (null on failure); *out is not released first.
bool CreateEmptyTexture(IDirectDrawSurface7** out, IDirect3DDevice7* device, WORD width, WORD height);
// Sets every byte of the texture's memory to 0.
bool ClearTexture(IDirectDrawSurface7* texture);
// A new texture holding the bitmap's pixels, or null.
IDirectDrawSurface7* CreateTextureFromBitmap(IDirect3DDevice7* device, HBITMAP bitmap);
