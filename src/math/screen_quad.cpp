// screen_quad.cpp — screen rectangles for ScreenVertex quads.
#include "math/screen_quad.h"

void SetScreenRect(const D3DVIEWPORT7& viewport, ScreenVertex* vertices, float x, float y, float w, float h) {
    const float left = static_cast<float>(viewport.dwX) + static_cast<float>(viewport.dwWidth) * x;
    const float right = static_cast<float>(viewport.dwX) + static_cast<float>(viewport.dwWidth) * (x + w);
    const float top = static_cast<float>(viewport.dwY) + static_cast<float>(viewport.dwHeight) * y;
    const float bottom = static_cast<float>(viewport.dwY) + static_cast<float>(viewport.dwHeight) * (y + h);
    vertices[0].x = left;
    vertices[0].y = bottom;
    vertices[1].x = left;
    vertices[1].y = top;
    vertices[2].x = right;
    vertices[2].y = bottom;
    vertices[3].x = right;
    vertices[3].y = top;
}

HRESULT DrawMaskedQuad(IDirect3DDevice7* device, ScreenVertex* vertices, IDirectDrawSurface7* maskTexture,
                       IDirectDrawSurface7* imageTexture) {
    device->SetTexture(0, maskTexture);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ZERO);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCCOLOR);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, ScreenVertexFVF, vertices, 4, 0);

    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_SRCALPHA);
    device->SetTexture(0, imageTexture);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, ScreenVertexFVF, vertices, 4, 0);
    return S_OK;
}
