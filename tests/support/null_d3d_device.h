// A device that answers every call with E_NOTIMPL; tests derive from it and
// override the calls they watch.
#pragma once

#include <d3d.h>

namespace testsupport {

struct NullDevice : IDirect3DDevice7 {
    HRESULT QueryInterface(REFIID, LPVOID* out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 0; }
    HRESULT GetCaps(LPD3DDEVICEDESC7) override { return E_NOTIMPL; }
    HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK, LPVOID) override { return E_NOTIMPL; }
    HRESULT BeginScene() override { return E_NOTIMPL; }
    HRESULT EndScene() override { return E_NOTIMPL; }
    HRESULT SetRenderTarget(LPDIRECTDRAWSURFACE7, DWORD) override { return E_NOTIMPL; }
    HRESULT GetRenderTarget(LPDIRECTDRAWSURFACE7*) override { return E_NOTIMPL; }
    HRESULT Clear(DWORD, LPD3DRECT, DWORD, D3DCOLOR, D3DVALUE, DWORD) override { return E_NOTIMPL; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, LPD3DMATRIX) override { return E_NOTIMPL; }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE, LPD3DMATRIX) override { return E_NOTIMPL; }
    HRESULT SetViewport(LPD3DVIEWPORT7) override { return E_NOTIMPL; }
    HRESULT GetViewport(LPD3DVIEWPORT7) override { return E_NOTIMPL; }
    HRESULT SetMaterial(LPD3DMATERIAL7) override { return E_NOTIMPL; }
    HRESULT GetMaterial(LPD3DMATERIAL7) override { return E_NOTIMPL; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return E_NOTIMPL; }
    HRESULT GetRenderState(D3DRENDERSTATETYPE, LPDWORD) override { return E_NOTIMPL; }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, DWORD, LPVOID, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, DWORD, LPVOID, DWORD, LPWORD, DWORD, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT GetTexture(DWORD, LPDIRECTDRAWSURFACE7*) override { return E_NOTIMPL; }
    HRESULT SetTexture(DWORD, LPDIRECTDRAWSURFACE7) override { return E_NOTIMPL; }
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, LPDWORD) override { return E_NOTIMPL; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return E_NOTIMPL; }
};

}  // namespace testsupport
