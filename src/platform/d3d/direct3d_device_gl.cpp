// direct3d_device_gl.cpp — the Direct3D 7 device: state, transform and lighting
// on the processor, and draws handed to the renderer's batches.
#include "platform/d3d/direct3d_device_gl.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3d/direct3d_gl.h"
#include "platform/ddraw/ddraw_object.h"
#include "platform/ddraw/ddraw_surface.h"

namespace platform::d3d {
namespace {

// Vertices move by slightly less than half a pixel: Direct3D's pixel centres
// sit on whole coordinates and GL's on halves; keeping the shift below one
// half means an edge on a whole coordinate never falls exactly on a GL pixel
// centre, so both fill conventions cover the same pixels.
constexpr float kPixelShift = 63.0f / 128.0f;

D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX out{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
            out.m[i][j] = sum;
        }
    }
    return out;
}

GLenum BlendFactor(DWORD blend) {
    switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum CompareFunction(DWORD cmp) {
    if (cmp < D3DCMP_NEVER || cmp > D3DCMP_ALWAYS) return GL_ALWAYS;
    return GL_NEVER + (cmp - D3DCMP_NEVER);
}

// Which arguments an operation reads.
bool UsesArg1(DWORD op) { return op != D3DTOP_DISABLE && op != D3DTOP_SELECTARG2; }
bool UsesArg2(DWORD op) { return op != D3DTOP_DISABLE && op != D3DTOP_SELECTARG1; }

bool IsTexture(DWORD arg) { return (arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE; }

struct VertexLayout {
    bool rhw = false;
    int stride = 0;
    int diffuse = -1;  // byte offsets, -1 when absent
    int specular = -1;
    int tex = -1;
};

bool ReadLayout(DWORD fvf, VertexLayout* out) {
    if (fvf != D3DFVF_VERTEX && fvf != D3DFVF_LVERTEX && fvf != D3DFVF_TLVERTEX) return false;
    VertexLayout l;
    int offset = 0;
    if (fvf & D3DFVF_XYZRHW) {
        l.rhw = true;
        offset = 16;
    } else {
        offset = 12;
    }
    if (fvf & D3DFVF_NORMAL) offset += 12;
    if (fvf & D3DFVF_RESERVED1) offset += 4;
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuse = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        l.specular = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_TEX1) {
        l.tex = offset;
        offset += 8;
    }
    l.stride = offset;
    *out = l;
    return true;
}

inline void PutColor(uint8_t out[4], DWORD argb) {
    out[0] = static_cast<uint8_t>(argb >> 16);
    out[1] = static_cast<uint8_t>(argb >> 8);
    out[2] = static_cast<uint8_t>(argb);
    out[3] = static_cast<uint8_t>(argb >> 24);
}

inline uint8_t ToByte(float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return static_cast<uint8_t>(v * 255.0f + 0.5f);
}

inline float Channel(DWORD argb, int shift) { return static_cast<float>((argb >> shift) & 0xFF) / 255.0f; }

D3DCOLORVALUE ColorValue(DWORD argb) {
    return D3DCOLORVALUE{Channel(argb, 16), Channel(argb, 8), Channel(argb, 0), Channel(argb, 24)};
}

// Triangles of a primitive as index triples into its vertices (strips keep
// their winding by swapping the first two corners of every odd triangle).
int PrimitiveIndices(D3DPRIMITIVETYPE type, DWORD count, GLenum* glType) {
    switch (type) {
    case D3DPT_TRIANGLELIST: *glType = GL_TRIANGLES; return static_cast<int>(count / 3) * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: *glType = GL_TRIANGLES; return count >= 3 ? static_cast<int>(count - 2) * 3 : 0;
    case D3DPT_LINELIST: *glType = GL_LINES; return static_cast<int>(count / 2) * 2;
    case D3DPT_LINESTRIP: *glType = GL_LINES; return count >= 2 ? static_cast<int>(count - 1) * 2 : 0;
    case D3DPT_POINTLIST: *glType = GL_POINTS; return static_cast<int>(count);
    default: return -1;
    }
}

inline uint32_t ElementAt(const WORD* indices, uint32_t i) { return indices ? indices[i] : i; }

void WriteIndices(D3DPRIMITIVETYPE type, DWORD count, const WORD* source, uint16_t first, uint16_t* out) {
    switch (type) {
    case D3DPT_TRIANGLELIST:
    case D3DPT_LINELIST:
    case D3DPT_POINTLIST: {
        int per = type == D3DPT_TRIANGLELIST ? 3 : type == D3DPT_LINELIST ? 2 : 1;
        DWORD used = count / per * per;
        for (DWORD i = 0; i < used; ++i) out[i] = static_cast<uint16_t>(first + ElementAt(source, i));
        break;
    }
    case D3DPT_TRIANGLESTRIP:
        for (DWORD k = 0; k + 2 < count; ++k) {
            uint32_t a = ElementAt(source, k), b = ElementAt(source, k + 1), c = ElementAt(source, k + 2);
            if (k & 1) std::swap(a, b);
            *out++ = static_cast<uint16_t>(first + a);
            *out++ = static_cast<uint16_t>(first + b);
            *out++ = static_cast<uint16_t>(first + c);
        }
        break;
    case D3DPT_TRIANGLEFAN:
        for (DWORD k = 0; k + 2 < count; ++k) {
            *out++ = static_cast<uint16_t>(first + ElementAt(source, 0));
            *out++ = static_cast<uint16_t>(first + ElementAt(source, k + 1));
            *out++ = static_cast<uint16_t>(first + ElementAt(source, k + 2));
        }
        break;
    case D3DPT_LINESTRIP:
        for (DWORD k = 0; k + 1 < count; ++k) {
            *out++ = static_cast<uint16_t>(first + ElementAt(source, k));
            *out++ = static_cast<uint16_t>(first + ElementAt(source, k + 1));
        }
        break;
    default: break;
    }
}

}  // namespace

Direct3DDevice7GL::Direct3DDevice7GL(IDirect3D7* direct3D, ddraw::DirectDraw7GL* owner,
                                     ddraw::DirectDrawSurface7GL* target, bool hardware)
    : direct3D_(direct3D), owner_(owner), target_(target), hardware_(hardware) {
    direct3D_->AddRef();
    target_->AddRef();
    base_ = gl::MakeDrawState();
    world_ = view_ = projection_ = Identity();
    viewport_ = D3DVIEWPORT7{0, 0, static_cast<DWORD>(target->Width()), static_cast<DWORD>(target->Height()), 0.0f,
                             1.0f};
    DWORD* rs = renderStates_;
    rs[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = TRUE;
    rs[D3DRENDERSTATE_ZENABLE] = target->ZBuffer() ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
    rs[D3DRENDERSTATE_LASTPIXEL] = TRUE;
    rs[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
    rs[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRENDERSTATE_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRENDERSTATE_FOGEND] = 0x3F800000;  // 1.0f
    rs[D3DRENDERSTATE_FOGDENSITY] = 0x3F800000;
    rs[D3DRENDERSTATE_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRENDERSTATE_STENCILMASK] = 0xFFFFFFFF;
    rs[D3DRENDERSTATE_STENCILWRITEMASK] = 0xFFFFFFFF;
    rs[D3DRENDERSTATE_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs[D3DRENDERSTATE_CLIPPING] = TRUE;
    rs[D3DRENDERSTATE_LIGHTING] = TRUE;
    rs[D3DRENDERSTATE_COLORVERTEX] = TRUE;
    rs[D3DRENDERSTATE_LOCALVIEWER] = TRUE;
    rs[D3DRENDERSTATE_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRENDERSTATE_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRENDERSTATE_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRENDERSTATE_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    for (int s = 0; s < kStages; ++s) {
        DWORD* ts = stageStates_[s];
        ts[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ts[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(s);
        ts[D3DTSS_ADDRESS] = D3DTADDRESS_WRAP;
        ts[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        ts[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        ts[D3DTSS_MAGFILTER] = D3DTFG_POINT;
        ts[D3DTSS_MINFILTER] = D3DTFN_POINT;
        ts[D3DTSS_MIPFILTER] = D3DTFP_NONE;
        ts[D3DTSS_MAXANISOTROPY] = 1;
    }
}

Direct3DDevice7GL::~Direct3DDevice7GL() {
    if (gl::GlRenderer* renderer = owner_->ExistingRenderer()) renderer->Flush();
    for (ddraw::DirectDrawSurface7GL*& t : textures_) {
        if (t) t->Release();
        t = nullptr;
    }
    target_->Release();
    direct3D_->Release();
}

gl::GlRenderer* Direct3DDevice7GL::Renderer() { return owner_->Renderer(); }

HRESULT Direct3DDevice7GL::GetCaps(LPD3DDEVICEDESC7 lpD3DDevDesc) {
    if (!lpD3DDevDesc) return DDERR_INVALIDPARAMS;
    *lpD3DDevDesc = DescribeDevice(hardware_);
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK lpD3DEnumPixelProc, LPVOID lpArg) {
    if (!lpD3DEnumPixelProc) return DDERR_INVALIDPARAMS;
    for (int i = 0; i < TextureFormatCount(); ++i) {
        DDPIXELFORMAT format = TextureFormat(i);
        if (lpD3DEnumPixelProc(&format, lpArg) == D3DENUMRET_CANCEL) break;
    }
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::BeginScene() {
    if (inScene_) return D3DERR_SCENE_IN_SCENE;
    if (target_->IsDead()) return DDERR_SURFACELOST;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::EndScene() {
    if (!inScene_) return D3DERR_SCENE_NOT_IN_SCENE;
    inScene_ = false;
    if (gl::GlRenderer* renderer = owner_->ExistingRenderer()) renderer->Flush();
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::SetRenderTarget(LPDIRECTDRAWSURFACE7 lpNewRenderTarget, DWORD) {
    ddraw::DirectDrawSurface7GL* surface =
        lpNewRenderTarget ? ddraw::DirectDrawSurface7GL::From(lpNewRenderTarget) : nullptr;
    if (!surface || surface->Owner() != owner_ || !surface->IsRenderTarget() || surface->IsDead())
        return DDERR_INVALIDPARAMS;
    if (surface->Layout().bitCount != 16 && surface->Layout().bitCount != 32) return DDERR_INVALIDPIXELFORMAT;
    if (gl::GlRenderer* renderer = owner_->ExistingRenderer()) renderer->Flush();
    surface->AddRef();
    target_->Release();
    target_ = surface;
    if (viewport_.dwX + viewport_.dwWidth > static_cast<DWORD>(surface->Width()) ||
        viewport_.dwY + viewport_.dwHeight > static_cast<DWORD>(surface->Height())) {
        viewport_ = D3DVIEWPORT7{0, 0, static_cast<DWORD>(surface->Width()), static_cast<DWORD>(surface->Height()),
                                 viewport_.dvMinZ, viewport_.dvMaxZ};
    }
    baseDirty_ = true;
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::GetRenderTarget(LPDIRECTDRAWSURFACE7* lplpRenderTarget) {
    if (!lplpRenderTarget) return DDERR_INVALIDPARAMS;
    target_->AddRef();
    *lplpRenderTarget = target_;
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::Clear(DWORD dwCount, LPD3DRECT lpRects, DWORD dwFlags, D3DCOLOR dwColor, D3DVALUE dvZ,
                                 DWORD) {
    if ((dwCount && !lpRects) || !(dwFlags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)))
        return DDERR_INVALIDPARAMS;
    if (target_->IsDead()) return DDERR_SURFACELOST;
    gl::GlRenderer* renderer = Renderer();
    if (!renderer) return DDERR_GENERIC;
    clearRects_.resize(dwCount);
    for (DWORD i = 0; i < dwCount; ++i) {
        clearRects_[i] = RECT{lpRects[i].x1, lpRects[i].y1, lpRects[i].x2, lpRects[i].y2};
    }
    const int view[4] = {static_cast<int>(viewport_.dwX), static_cast<int>(viewport_.dwY),
                         static_cast<int>(viewport_.dwWidth), static_cast<int>(viewport_.dwHeight)};
    renderer->Clear(*target_, view, dwCount, clearRects_.data(), dwFlags, dwColor, dvZ);
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::SetTransform(D3DTRANSFORMSTATETYPE dtstTransformStateType, LPD3DMATRIX lpD3DMatrix) {
    if (!lpD3DMatrix) return DDERR_INVALIDPARAMS;
    switch (dtstTransformStateType) {
    case D3DTRANSFORMSTATE_WORLD: world_ = *lpD3DMatrix; break;
    case D3DTRANSFORMSTATE_VIEW: view_ = *lpD3DMatrix; break;
    case D3DTRANSFORMSTATE_PROJECTION: projection_ = *lpD3DMatrix; break;
    default: return DDERR_INVALIDPARAMS;
    }
    transformDirty_ = true;
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::GetTransform(D3DTRANSFORMSTATETYPE dtstTransformStateType, LPD3DMATRIX lpD3DMatrix) {
    if (!lpD3DMatrix) return DDERR_INVALIDPARAMS;
    switch (dtstTransformStateType) {
    case D3DTRANSFORMSTATE_WORLD: *lpD3DMatrix = world_; break;
    case D3DTRANSFORMSTATE_VIEW: *lpD3DMatrix = view_; break;
    case D3DTRANSFORMSTATE_PROJECTION: *lpD3DMatrix = projection_; break;
    default: return DDERR_INVALIDPARAMS;
    }
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::SetViewport(LPD3DVIEWPORT7 lpViewport) {
    if (!lpViewport) return DDERR_INVALIDPARAMS;
    const D3DVIEWPORT7& v = *lpViewport;
    if (v.dwWidth == 0 || v.dwHeight == 0 || v.dwX + v.dwWidth > static_cast<DWORD>(target_->Width()) ||
        v.dwY + v.dwHeight > static_cast<DWORD>(target_->Height()))
        return DDERR_INVALIDPARAMS;
    if (!(v.dvMinZ >= 0.0f && v.dvMaxZ <= 1.0f && v.dvMinZ <= v.dvMaxZ)) return DDERR_INVALIDPARAMS;
    viewport_ = v;
    baseDirty_ = true;
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::GetViewport(LPD3DVIEWPORT7 lpViewport) {
    if (!lpViewport) return DDERR_INVALIDPARAMS;
    *lpViewport = viewport_;
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::SetMaterial(LPD3DMATERIAL7 lpMaterial) {
    if (!lpMaterial) return DDERR_INVALIDPARAMS;
    material_ = *lpMaterial;
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::GetMaterial(LPD3DMATERIAL7 lpMaterial) {
    if (!lpMaterial) return DDERR_INVALIDPARAMS;
    *lpMaterial = material_;
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::SetRenderState(D3DRENDERSTATETYPE dwRenderStateType, DWORD dwRenderState) {
    if (dwRenderStateType <= 0 || dwRenderStateType >= kRenderStates) return DDERR_INVALIDPARAMS;
    renderStates_[dwRenderStateType] = dwRenderState;
    // The ambient level only changes the vertex colours of the next draw;
    // every other state, the material sources included, may change the pipeline.
    if (dwRenderStateType != D3DRENDERSTATE_AMBIENT) baseDirty_ = true;
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::GetRenderState(D3DRENDERSTATETYPE dwRenderStateType, LPDWORD lpdwRenderState) {
    if (!lpdwRenderState) return DDERR_INVALIDPARAMS;
    if (dwRenderStateType <= 0 || dwRenderStateType >= kRenderStates) return DDERR_INVALIDPARAMS;
    *lpdwRenderState = renderStates_[dwRenderStateType];
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::GetTexture(DWORD dwStage, LPDIRECTDRAWSURFACE7* lplpTexture) {
    if (!lplpTexture) return DDERR_INVALIDPARAMS;
    *lplpTexture = nullptr;
    if (dwStage >= kStages) return DDERR_INVALIDPARAMS;
    if (textures_[dwStage]) {
        textures_[dwStage]->AddRef();
        *lplpTexture = textures_[dwStage];
    }
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::SetTexture(DWORD dwStage, LPDIRECTDRAWSURFACE7 lpTexture) {
    if (dwStage >= kStages) return DDERR_INVALIDPARAMS;
    ddraw::DirectDrawSurface7GL* surface = nullptr;
    if (lpTexture) {
        surface = ddraw::DirectDrawSurface7GL::From(lpTexture);
        if (!surface || surface->Owner() != owner_ || !surface->IsTexture()) return DDERR_INVALIDPARAMS;
    }
    if (surface == textures_[dwStage]) return D3D_OK;
    if (surface) surface->AddRef();
    // A texture that goes away with this release flushes the batches that sample it.
    if (textures_[dwStage]) textures_[dwStage]->Release();
    textures_[dwStage] = surface;
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::GetTextureStageState(DWORD dwStage, D3DTEXTURESTAGESTATETYPE dwState, LPDWORD lpdwValue) {
    if (!lpdwValue) return DDERR_INVALIDPARAMS;
    if (dwStage >= kStages || dwState <= 0 || dwState >= kStageStates) return DDERR_INVALIDPARAMS;
    *lpdwValue = stageStates_[dwStage][dwState];
    return D3D_OK;
}

HRESULT Direct3DDevice7GL::SetTextureStageState(DWORD dwStage, D3DTEXTURESTAGESTATETYPE dwState, DWORD dwValue) {
    if (dwStage >= kStages || dwState <= 0 || dwState >= kStageStates) return DDERR_INVALIDPARAMS;
    stageStates_[dwStage][dwState] = dwValue;
    if (dwState == D3DTSS_ADDRESS) {
        stageStates_[dwStage][D3DTSS_ADDRESSU] = dwValue;
        stageStates_[dwStage][D3DTSS_ADDRESSV] = dwValue;
    }
    baseDirty_ = true;
    return D3D_OK;
}

// ---- drawing -------------------------------------------------------------------------------

void Direct3DDevice7GL::UpdateTransform() {
    if (!transformDirty_) return;
    combined_ = Multiply(Multiply(world_, view_), projection_);
    transformDirty_ = false;
}

void Direct3DDevice7GL::UpdateBaseState() {
    if (!baseDirty_) return;
    const DWORD* rs = renderStates_;
    gl::DrawState s = gl::MakeDrawState();
    s.target = target_;
    s.viewport[0] = static_cast<int32_t>(viewport_.dwX);
    s.viewport[1] = static_cast<int32_t>(viewport_.dwY);
    s.viewport[2] = static_cast<int32_t>(viewport_.dwWidth);
    s.viewport[3] = static_cast<int32_t>(viewport_.dwHeight);
    s.minZ = viewport_.dvMinZ;
    s.maxZ = viewport_.dvMaxZ;
    s.depthTest = rs[D3DRENDERSTATE_ZENABLE] != D3DZB_FALSE;
    s.depthWrite = s.depthTest && rs[D3DRENDERSTATE_ZWRITEENABLE];
    s.depthFunc = CompareFunction(rs[D3DRENDERSTATE_ZFUNC]);
    s.blend = rs[D3DRENDERSTATE_ALPHABLENDENABLE] != 0;
    if (s.blend) {
        DWORD src = rs[D3DRENDERSTATE_SRCBLEND], dst = rs[D3DRENDERSTATE_DESTBLEND];
        if (src == D3DBLEND_BOTHSRCALPHA) {
            s.srcBlend = GL_SRC_ALPHA;
            s.dstBlend = GL_ONE_MINUS_SRC_ALPHA;
        } else if (src == D3DBLEND_BOTHINVSRCALPHA) {
            s.srcBlend = GL_ONE_MINUS_SRC_ALPHA;
            s.dstBlend = GL_SRC_ALPHA;
        } else {
            s.srcBlend = BlendFactor(src);
            s.dstBlend = dst == D3DBLEND_SRCALPHASAT ? GL_ONE : BlendFactor(dst);
        }
    } else {
        s.srcBlend = GL_ONE;
        s.dstBlend = GL_ZERO;
    }
    s.program.unchangedWhen =
        gl::UnchangedWhenFor(s.blend, s.srcBlend, s.dstBlend, s.depthWrite, target_->Layout().HasAlpha());
    s.alphaTest = rs[D3DRENDERSTATE_ALPHATESTENABLE] != 0;
    s.alphaFunc = s.alphaTest ? CompareFunction(rs[D3DRENDERSTATE_ALPHAFUNC]) : GL_ALWAYS;
    s.alphaRef = s.alphaTest ? static_cast<float>(rs[D3DRENDERSTATE_ALPHAREF] & 0xFF) / 255.0f : 0.0f;
    switch (rs[D3DRENDERSTATE_CULLMODE]) {
    // On screen, with y down, a counter-clockwise triangle has negative area in
    // the framebuffer's coordinates, which GL calls clockwise: a back face.
    case D3DCULL_CCW: s.cull = GL_BACK; break;
    case D3DCULL_CW: s.cull = GL_FRONT; break;
    default: s.cull = 0; break;
    }
    switch (rs[D3DRENDERSTATE_FILLMODE]) {
    case D3DFILL_POINT: s.polygonMode = GL_POINT; break;
    case D3DFILL_WIREFRAME: s.polygonMode = GL_LINE; break;
    default: s.polygonMode = GL_FILL; break;
    }
    s.dither = rs[D3DRENDERSTATE_DITHERENABLE] != 0;
    s.textureFactor = rs[D3DRENDERSTATE_TEXTUREFACTOR];
    for (int i = 0; i < 2; ++i) {
        const DWORD* ts = stageStates_[i];
        if (ts[D3DTSS_COLOROP] == D3DTOP_DISABLE || (i == 1 && s.program.stage[0].colorOp == 0)) break;
        gl::StageProgram& p = s.program.stage[i];
        p.colorOp = static_cast<uint8_t>(ts[D3DTSS_COLOROP]);
        p.colorArg1 = static_cast<uint8_t>(ts[D3DTSS_COLORARG1]);
        p.colorArg2 = static_cast<uint8_t>(ts[D3DTSS_COLORARG2]);
        p.alphaOp = static_cast<uint8_t>(ts[D3DTSS_ALPHAOP]);
        p.alphaArg1 = static_cast<uint8_t>(ts[D3DTSS_ALPHAARG1]);
        p.alphaArg2 = static_cast<uint8_t>(ts[D3DTSS_ALPHAARG2]);
        if (!UsesArg1(p.colorOp)) p.colorArg1 = 0;
        if (!UsesArg2(p.colorOp)) p.colorArg2 = 0;
        if (!UsesArg1(p.alphaOp)) p.alphaArg1 = 0;
        if (!UsesArg2(p.alphaOp)) p.alphaArg2 = 0;
        bool texture = IsTexture(p.colorArg1) || IsTexture(p.colorArg2) || IsTexture(p.alphaArg1) ||
                       IsTexture(p.alphaArg2) || p.colorOp == D3DTOP_BLENDTEXTUREALPHA ||
                       p.alphaOp == D3DTOP_BLENDTEXTUREALPHA;
        // Marks "reads its texture" until the draw resolves the binding.
        p.tex = texture ? gl::TexMode::Direct : gl::TexMode::None;
    }
    base_ = s;
    baseDirty_ = false;
}

bool Direct3DDevice7GL::ResolveTextures(gl::DrawState* state, float tiles[2][4]) {
    gl::GlRenderer* renderer = owner_->ExistingRenderer();
    if (!renderer) return false;
    const gl::DrawState* pending = renderer->PendingState();
    for (int i = 0; i < 2; ++i) {
        gl::StageProgram& p = state->program.stage[i];
        tiles[i][0] = tiles[i][1] = tiles[i][2] = tiles[i][3] = 0.0f;
        if (p.tex == gl::TexMode::None) continue;
        const DWORD* ts = stageStates_[i];
        gl::SamplerState sampler{ts[D3DTSS_MINFILTER], ts[D3DTSS_MAGFILTER], ts[D3DTSS_ADDRESSU],
                                 ts[D3DTSS_ADDRESSV], ts[D3DTSS_BORDERCOLOR]};
        p.tex = renderer->ResolveTexture(textures_[i], sampler, &state->tex[i], tiles[i]);
        if (p.tex != gl::TexMode::None) continue;
        // No texture: the stage passes colour and alpha on. Inside a batch
        // whose program samples an atlas page in this stage, an empty tile
        // tells the program to skip the stage, and the batch goes on.
        gl::StageProgram skip = p;
        skip.tex = gl::TexMode::Atlas;
        if (pending && std::memcmp(&pending->program.stage[i], &skip, sizeof(skip)) == 0) {
            p = skip;
            state->tex[i] = pending->tex[i];
        } else {
            p.colorOp = p.alphaOp = D3DTOP_SELECTARG1;
            p.colorArg1 = p.alphaArg1 = D3DTA_CURRENT;
            p.colorArg2 = p.alphaArg2 = 0;
        }
    }
    return true;
}

HRESULT Direct3DDevice7GL::DrawPrimitive(D3DPRIMITIVETYPE dptPrimitiveType, DWORD dwVertexTypeDesc, LPVOID lpvVertices,
                                         DWORD dwVertexCount, DWORD) {
    return Draw(dptPrimitiveType, dwVertexTypeDesc, lpvVertices, dwVertexCount, nullptr, 0);
}

HRESULT Direct3DDevice7GL::DrawIndexedPrimitive(D3DPRIMITIVETYPE d3dptPrimitiveType, DWORD dwVertexTypeDesc,
                                                LPVOID lpvVertices, DWORD dwVertexCount, LPWORD lpwIndices,
                                                DWORD dwIndexCount, DWORD) {
    if (!lpwIndices) return DDERR_INVALIDPARAMS;
    return Draw(d3dptPrimitiveType, dwVertexTypeDesc, lpvVertices, dwVertexCount, lpwIndices, dwIndexCount);
}

HRESULT Direct3DDevice7GL::Draw(D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices, DWORD vertexCount,
                                const WORD* indices, DWORD indexCount) {
    VertexLayout layout;
    if (!vertices || !ReadLayout(fvf, &layout)) return DDERR_INVALIDPARAMS;
    if (vertexCount > static_cast<DWORD>(gl::GlRenderer::kMaxVertices)) return DDERR_INVALIDPARAMS;
    GLenum glType = GL_TRIANGLES;
    DWORD elements = indices ? indexCount : vertexCount;
    int outIndices = PrimitiveIndices(type, elements, &glType);
    if (outIndices < 0) return DDERR_INVALIDPARAMS;
    if (outIndices > gl::GlRenderer::kMaxIndices) return DDERR_INVALIDPARAMS;
    if (indices) {
        for (DWORD i = 0; i < indexCount; ++i) {
            if (indices[i] >= vertexCount) return DDERR_INVALIDPARAMS;
        }
    }
    if (target_->IsDead()) return DDERR_SURFACELOST;
    if (outIndices == 0 || vertexCount == 0) return D3D_OK;
    gl::GlRenderer* renderer = Renderer();
    if (!renderer) return DDERR_GENERIC;

    UpdateBaseState();
    UpdateTransform();
    gl::DrawState state = base_;
    state.primitive = glType;
    if (glType != GL_TRIANGLES) state.cull = 0;
    const bool lit = renderStates_[D3DRENDERSTATE_LIGHTING] && !layout.rhw;
    // Without lights the lit specular colour is black; only unlit vertices add theirs.
    state.program.specular = renderStates_[D3DRENDERSTATE_SPECULARENABLE] && !lit && layout.specular >= 0;
    float tiles[2][4];
    if (!ResolveTextures(&state, tiles)) return DDERR_GENERIC;

    uint16_t* outIdx = nullptr;
    uint16_t first = 0;
    gl::GpuVertex* out = renderer->BeginDraw(state, static_cast<int>(vertexCount), outIndices, &outIdx, &first);
    if (!out) return DDERR_INVALIDPARAMS;

    // Lighting without lights: ambient source x ambient level + emissive source.
    const DWORD* rs = renderStates_;
    const bool colorVertex = rs[D3DRENDERSTATE_COLORVERTEX] != 0;
    auto source = [&](DWORD which, const D3DCOLORVALUE& material, const uint8_t* v) {
        if (colorVertex && which == D3DMCS_COLOR1 && layout.diffuse >= 0) {
            DWORD c;
            std::memcpy(&c, v + layout.diffuse, 4);
            return ColorValue(c);
        }
        if (colorVertex && which == D3DMCS_COLOR2 && layout.specular >= 0) {
            DWORD c;
            std::memcpy(&c, v + layout.specular, 4);
            return ColorValue(c);
        }
        return material;
    };
    const D3DCOLORVALUE ambientLevel = ColorValue(rs[D3DRENDERSTATE_AMBIENT]);
    const DWORD ambientSource = rs[D3DRENDERSTATE_AMBIENTMATERIALSOURCE];
    const DWORD emissiveSource = rs[D3DRENDERSTATE_EMISSIVEMATERIALSOURCE];
    const DWORD diffuseSource = rs[D3DRENDERSTATE_DIFFUSEMATERIALSOURCE];
    const bool perVertexLight =
        colorVertex && (layout.diffuse >= 0 || layout.specular >= 0) &&
        (ambientSource != D3DMCS_MATERIAL || emissiveSource != D3DMCS_MATERIAL || diffuseSource != D3DMCS_MATERIAL);
    uint8_t litColor[4] = {0, 0, 0, 0};
    auto light = [&](const uint8_t* v, uint8_t outColor[4]) {
        D3DCOLORVALUE a = source(ambientSource, material_.ambient, v);
        D3DCOLORVALUE e = source(emissiveSource, material_.emissive, v);
        D3DCOLORVALUE d = source(diffuseSource, material_.diffuse, v);
        outColor[0] = ToByte(a.r * ambientLevel.r + e.r);
        outColor[1] = ToByte(a.g * ambientLevel.g + e.g);
        outColor[2] = ToByte(a.b * ambientLevel.b + e.b);
        outColor[3] = ToByte(d.a);
    };
    const uint8_t* base = static_cast<const uint8_t*>(vertices);
    if (lit && !perVertexLight) light(base, litColor);

    const float vpX = static_cast<float>(viewport_.dwX), vpY = static_cast<float>(viewport_.dwY);
    const float vpW = static_cast<float>(viewport_.dwWidth), vpH = static_cast<float>(viewport_.dwHeight);
    const float shiftX = 2.0f * kPixelShift / vpW, shiftY = 2.0f * kPixelShift / vpH;
    const float zRange = viewport_.dvMaxZ - viewport_.dvMinZ;
    const D3DMATRIX& m = combined_;
    for (DWORD i = 0; i < vertexCount; ++i) {
        const uint8_t* v = base + static_cast<size_t>(i) * layout.stride;
        gl::GpuVertex& o = out[i];
        float p[4];
        std::memcpy(p, v, layout.rhw ? 16 : 12);
        if (layout.rhw) {
            float w = p[3] != 0.0f ? 1.0f / p[3] : 1.0f;
            float nz = zRange > 0.0f ? 2.0f * (p[2] - viewport_.dvMinZ) / zRange - 1.0f : 2.0f * p[2] - 1.0f;
            o.pos[0] = ((p[0] + kPixelShift - vpX) * 2.0f / vpW - 1.0f) * w;
            o.pos[1] = ((p[1] + kPixelShift - vpY) * 2.0f / vpH - 1.0f) * w;
            o.pos[2] = nz * w;
            o.pos[3] = w;
        } else {
            float cx = p[0] * m._11 + p[1] * m._21 + p[2] * m._31 + m._41;
            float cy = p[0] * m._12 + p[1] * m._22 + p[2] * m._32 + m._42;
            float cz = p[0] * m._13 + p[1] * m._23 + p[2] * m._33 + m._43;
            float cw = p[0] * m._14 + p[1] * m._24 + p[2] * m._34 + m._44;
            // Direct3D's clip space (y up, depth 0..w) in GL's, rows top-down.
            o.pos[0] = cx + shiftX * cw;
            o.pos[1] = -cy + shiftY * cw;
            o.pos[2] = 2.0f * cz - cw;
            o.pos[3] = cw;
        }
        if (lit) {
            if (perVertexLight) light(v, o.diffuse);
            else std::memcpy(o.diffuse, litColor, 4);
            std::memset(o.specular, 0, 4);
        } else {
            DWORD c = 0xFFFFFFFF;
            if (layout.diffuse >= 0) std::memcpy(&c, v + layout.diffuse, 4);
            PutColor(o.diffuse, c);
            c = 0;
            if (layout.specular >= 0) std::memcpy(&c, v + layout.specular, 4);
            PutColor(o.specular, c);
        }
        if (layout.tex >= 0) std::memcpy(o.uv, v + layout.tex, 8);
        else o.uv[0] = o.uv[1] = 0.0f;
        std::memcpy(o.tile0, tiles[0], sizeof(o.tile0));
        std::memcpy(o.tile1, tiles[1], sizeof(o.tile1));
    }
    WriteIndices(type, elements, indices, first, outIdx);
    renderer->EndDraw(static_cast<int>(vertexCount), outIndices);
    return D3D_OK;
}

void Direct3DDevice7GL::FlushDrawing(bool wait) {
    gl::GlRenderer* renderer = owner_->ExistingRenderer();
    if (!renderer) return;
    if (wait) renderer->Finish();
    else renderer->Flush();
}

uint64_t Direct3DDevice7GL::GlDrawCalls() {
    gl::GlRenderer* renderer = owner_->ExistingRenderer();
    return renderer ? renderer->DrawCalls() : 0;
}

uint64_t DeviceGlDrawCalls(IDirect3DDevice7* device) {
    auto* gl = dynamic_cast<Direct3DDevice7GL*>(device);
    return gl ? gl->GlDrawCalls() : 0;
}

bool FlushDevice(IDirect3DDevice7* device, bool wait) {
    auto* gl = dynamic_cast<Direct3DDevice7GL*>(device);
    if (!gl) return false;
    gl->FlushDrawing(wait);
    return true;
}

}  // namespace platform::d3d
