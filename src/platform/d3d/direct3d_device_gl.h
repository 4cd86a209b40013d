// direct3d_device_gl.h — IDirect3DDevice7 on OpenGL.
//
// Keeps Direct3D 7's results: row-vector matrices (p' = p x M), clip depth
// 0..w, left-handed space, the top-left screen origin with pixel centres on
// whole coordinates, counter-clockwise culling judged on screen with y down,
// pre-transformed vertices (0x1C4) drawn perspective-correct through rhw and
// never lit. Lighting as Direct3D computes it without lights: a lit vertex's
// colour is its ambient source (the material's ambient colour by default)
// times D3DRENDERSTATE_AMBIENT plus its emissive source, its alpha the
// diffuse source's; 0x1E2 records are read as position, reserved word,
// diffuse, specular, u, v. Two texture stages with Direct3D's blending
// cascade; render states are recorded and turned into GL state when a draw
// needs them.
//
// Vertices are transformed and lit on the processor and go to GL in clip
// coordinates, so draws under different transforms and lights can share a
// batch (see gl_renderer.h). Nothing is allocated per draw.
//
// Accepts the vertex formats 0x112, 0x1E2 and 0x1C4 (others:
// DDERR_INVALIDPARAMS) and all primitive types. Left out: lights, fog,
// flat shading (drawn Gouraud), clip planes, stencil, texture transforms,
// more than two stages.
#pragma once

#include <d3d.h>

#include <vector>

#include "platform/com_object.h"
#include "platform/gl/gl_renderer.h"

namespace platform::ddraw {
class DirectDraw7GL;
class DirectDrawSurface7GL;
}  // namespace platform::ddraw

namespace platform::d3d {

// Answers QueryInterface for no interface, IID_IUnknown included.
class Direct3DDevice7GL final : public ComObject<IDirect3DDevice7, E_NOINTERFACE> {
public:
    Direct3DDevice7GL(IDirect3D7* direct3D, ddraw::DirectDraw7GL* owner, ddraw::DirectDrawSurface7GL* target,
                      bool hardware);

    HRESULT GetCaps(LPD3DDEVICEDESC7 lpD3DDevDesc) override;
    HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK lpD3DEnumPixelProc, LPVOID lpArg) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT SetRenderTarget(LPDIRECTDRAWSURFACE7 lpNewRenderTarget, DWORD dwFlags) override;
    HRESULT GetRenderTarget(LPDIRECTDRAWSURFACE7* lplpRenderTarget) override;
    HRESULT Clear(DWORD dwCount, LPD3DRECT lpRects, DWORD dwFlags, D3DCOLOR dwColor, D3DVALUE dvZ,
                  DWORD dwStencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE dtstTransformStateType, LPD3DMATRIX lpD3DMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE dtstTransformStateType, LPD3DMATRIX lpD3DMatrix) override;
    HRESULT SetViewport(LPD3DVIEWPORT7 lpViewport) override;
    HRESULT GetViewport(LPD3DVIEWPORT7 lpViewport) override;
    HRESULT SetMaterial(LPD3DMATERIAL7 lpMaterial) override;
    HRESULT GetMaterial(LPD3DMATERIAL7 lpMaterial) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE dwRenderStateType, DWORD dwRenderState) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE dwRenderStateType, LPDWORD lpdwRenderState) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE dptPrimitiveType, DWORD dwVertexTypeDesc, LPVOID lpvVertices,
                          DWORD dwVertexCount, DWORD dwFlags) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE d3dptPrimitiveType, DWORD dwVertexTypeDesc, LPVOID lpvVertices,
                                 DWORD dwVertexCount, LPWORD lpwIndices, DWORD dwIndexCount, DWORD dwFlags) override;
    HRESULT GetTexture(DWORD dwStage, LPDIRECTDRAWSURFACE7* lplpTexture) override;
    HRESULT SetTexture(DWORD dwStage, LPDIRECTDRAWSURFACE7 lpTexture) override;
    HRESULT GetTextureStageState(DWORD dwStage, D3DTEXTURESTAGESTATETYPE dwState, LPDWORD lpdwValue) override;
    HRESULT SetTextureStageState(DWORD dwStage, D3DTEXTURESTAGESTATETYPE dwState, DWORD dwValue) override;

    // Draws everything batched so far; with wait, also waits for GL to finish.
    void FlushDrawing(bool wait);
    uint64_t GlDrawCalls();

private:
    static constexpr int kStages = 8;
    static constexpr int kRenderStates = 256;
    static constexpr int kStageStates = 32;

    ~Direct3DDevice7GL();
    HRESULT Draw(D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices, DWORD vertexCount, const WORD* indices,
                 DWORD indexCount);
    void UpdateBaseState();
    bool ResolveTextures(gl::DrawState* state, float tiles[2][4]);
    void UpdateTransform();
    gl::GlRenderer* Renderer();

    IDirect3D7* direct3D_;
    ddraw::DirectDraw7GL* owner_;
    ddraw::DirectDrawSurface7GL* target_;
    bool hardware_;
    bool inScene_ = false;
    ddraw::DirectDrawSurface7GL* textures_[kStages] = {};
    DWORD renderStates_[kRenderStates] = {};
    DWORD stageStates_[kStages][kStageStates] = {};
    D3DMATRIX world_{}, view_{}, projection_{}, combined_{};
    bool transformDirty_ = true;
    D3DVIEWPORT7 viewport_{};
    D3DMATERIAL7 material_{};
    gl::DrawState base_;
    bool baseDirty_ = true;
    std::vector<RECT> clearRects_;
};

// Flushes a device of this layer (benchmarks and tests); false for others.
bool FlushDevice(IDirect3DDevice7* device, bool wait);
// GL draw calls made by the device's DirectDraw object so far (0 for
// devices of other implementations), for tests of batching.
uint64_t DeviceGlDrawCalls(IDirect3DDevice7* device);

}  // namespace platform::d3d
