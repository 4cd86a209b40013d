// screen_quad.h — placing and drawing four-vertex screen-space rectangles
// (overlay glyphs, full-screen quads) made of ScreenVertex records in
// triangle-strip order: bottom left, top left, bottom right, top right.
#pragma once

#include <d3d.h>

#include "math/packed_color.h"
#include "math/vertices.h"

// Writes only the screen x and y of vertices[0..3]; x, y, w, h are fractions
// of the viewport's rectangle (its z range is ignored).
void SetScreenRect(const D3DVIEWPORT7& viewport, ScreenVertex* vertices, float x, float y, float w, float h);

// Draws the quad twice on texture stage 0: first the mask with
// (ZERO, INVSRCCOLOR), darkening what lies under its bright texels, then the
// image with (ONE, SRCALPHA). Alpha blending must already be on; the blend
// factors are left set. Returns 0.
HRESULT DrawMaskedQuad(IDirect3DDevice7* device, ScreenVertex* vertices, IDirectDrawSurface7* maskTexture,
                       IDirectDrawSurface7* imageTexture);
