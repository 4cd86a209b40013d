// d3d.h — the Direct3D 7 shape of the platform layer (first slice).
//
// Declares so far:
//   - base types D3DVALUE, D3DCOLOR, D3DMATRIX (_11.._44 over m[4][4]),
//     D3DVIEWPORT7, and the success code D3D_OK;
//   - enumerations D3DPRIMITIVETYPE, D3DTRANSFORMSTATETYPE,
//     D3DRENDERSTATETYPE (the documented values the saver uses and their
//     neighbours), D3DBLEND, D3DCULL, D3DSHADEMODE;
//   - the flexible-vertex-format flags XYZ, XYZRHW, NORMAL, RESERVED1,
//     DIFFUSE, SPECULAR, TEX1 and the three classic composites;
//   - IDirect3DDevice7 as an abstract interface with the Direct3D 7
//     signatures of SetTexture, SetRenderState, GetRenderState,
//     DrawPrimitive, SetTransform, GetTransform, GetViewport, AddRef, Release.
// Values and signatures follow the documented Direct3D 7 interfaces. The
// OpenGL implementation of the device, and the rest of the interface
// (creation, Clear, scenes, texture stages, materials), come with the device
// layer in src/platform/d3d/.
#pragma once

#include "ddraw.h"
#include "windows.h"

#define D3D_OK DD_OK

typedef float D3DVALUE;
typedef D3DVALUE* LPD3DVALUE;
typedef DWORD D3DCOLOR;
typedef D3DCOLOR* LPD3DCOLOR;

// Row-major 4x4 matrix; points are row vectors (p' = p x M), the
// translation sits in _41 _42 _43.
struct D3DMATRIX {
    union {
        struct {
            D3DVALUE _11, _12, _13, _14;
            D3DVALUE _21, _22, _23, _24;
            D3DVALUE _31, _32, _33, _34;
            D3DVALUE _41, _42, _43, _44;
        };
        D3DVALUE m[4][4];
    };
};
typedef D3DMATRIX* LPD3DMATRIX;
static_assert(sizeof(D3DMATRIX) == 64, "D3DMATRIX is sixteen packed floats");

struct D3DVIEWPORT7 {
    DWORD dwX;
    DWORD dwY;
    DWORD dwWidth;
    DWORD dwHeight;
    D3DVALUE dvMinZ;
    D3DVALUE dvMaxZ;
};
typedef D3DVIEWPORT7* LPD3DVIEWPORT7;

enum D3DPRIMITIVETYPE {
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6,
    D3DPT_FORCE_DWORD = 0x7fffffff
};

enum D3DTRANSFORMSTATETYPE {
    D3DTRANSFORMSTATE_WORLD = 1,
    D3DTRANSFORMSTATE_VIEW = 2,
    D3DTRANSFORMSTATE_PROJECTION = 3,
    D3DTRANSFORMSTATE_FORCE_DWORD = 0x7fffffff
};

enum D3DRENDERSTATETYPE {
    D3DRENDERSTATE_ANTIALIAS = 2,
    D3DRENDERSTATE_TEXTUREPERSPECTIVE = 4,
    D3DRENDERSTATE_ZENABLE = 7,
    D3DRENDERSTATE_FILLMODE = 8,
    D3DRENDERSTATE_SHADEMODE = 9,
    D3DRENDERSTATE_ZWRITEENABLE = 14,
    D3DRENDERSTATE_ALPHATESTENABLE = 15,
    D3DRENDERSTATE_LASTPIXEL = 16,
    D3DRENDERSTATE_SRCBLEND = 19,
    D3DRENDERSTATE_DESTBLEND = 20,
    D3DRENDERSTATE_CULLMODE = 22,
    D3DRENDERSTATE_ZFUNC = 23,
    D3DRENDERSTATE_ALPHAREF = 24,
    D3DRENDERSTATE_ALPHAFUNC = 25,
    D3DRENDERSTATE_DITHERENABLE = 26,
    D3DRENDERSTATE_ALPHABLENDENABLE = 27,
    D3DRENDERSTATE_FOGENABLE = 28,
    D3DRENDERSTATE_SPECULARENABLE = 29,
    D3DRENDERSTATE_FOGCOLOR = 34,
    D3DRENDERSTATE_FOGTABLEMODE = 35,
    D3DRENDERSTATE_FOGSTART = 36,
    D3DRENDERSTATE_FOGEND = 37,
    D3DRENDERSTATE_FOGDENSITY = 38,
    D3DRENDERSTATE_COLORKEYENABLE = 41,
    D3DRENDERSTATE_ZBIAS = 47,
    D3DRENDERSTATE_RANGEFOGENABLE = 48,
    D3DRENDERSTATE_STENCILENABLE = 52,
    D3DRENDERSTATE_STENCILFAIL = 53,
    D3DRENDERSTATE_STENCILZFAIL = 54,
    D3DRENDERSTATE_STENCILPASS = 55,
    D3DRENDERSTATE_STENCILFUNC = 56,
    D3DRENDERSTATE_STENCILREF = 57,
    D3DRENDERSTATE_STENCILMASK = 58,
    D3DRENDERSTATE_STENCILWRITEMASK = 59,
    D3DRENDERSTATE_TEXTUREFACTOR = 60,
    D3DRENDERSTATE_WRAP0 = 128,
    D3DRENDERSTATE_WRAP1 = 129,
    D3DRENDERSTATE_CLIPPING = 136,
    D3DRENDERSTATE_LIGHTING = 137,
    D3DRENDERSTATE_AMBIENT = 139,
    D3DRENDERSTATE_FOGVERTEXMODE = 140,
    D3DRENDERSTATE_COLORVERTEX = 141,
    D3DRENDERSTATE_LOCALVIEWER = 142,
    D3DRENDERSTATE_NORMALIZENORMALS = 143,
    D3DRENDERSTATE_DIFFUSEMATERIALSOURCE = 145,
    D3DRENDERSTATE_SPECULARMATERIALSOURCE = 146,
    D3DRENDERSTATE_AMBIENTMATERIALSOURCE = 147,
    D3DRENDERSTATE_EMISSIVEMATERIALSOURCE = 148,
    D3DRENDERSTATE_VERTEXBLEND = 151,
    D3DRENDERSTATE_CLIPPLANEENABLE = 152,
    D3DRENDERSTATE_FORCE_DWORD = 0x7fffffff
};

enum D3DBLEND {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTALPHA = 7,
    D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9,
    D3DBLEND_INVDESTCOLOR = 10,
    D3DBLEND_SRCALPHASAT = 11,
    D3DBLEND_BOTHSRCALPHA = 12,
    D3DBLEND_BOTHINVSRCALPHA = 13,
    D3DBLEND_FORCE_DWORD = 0x7fffffff
};

enum D3DCULL {
    D3DCULL_NONE = 1,
    D3DCULL_CW = 2,
    D3DCULL_CCW = 3,
    D3DCULL_FORCE_DWORD = 0x7fffffff
};

enum D3DSHADEMODE {
    D3DSHADE_FLAT = 1,
    D3DSHADE_GOURAUD = 2,
    D3DSHADE_PHONG = 3,
    D3DSHADE_FORCE_DWORD = 0x7fffffff
};

// ---- flexible vertex format -------------------------------------------------
#define D3DFVF_XYZ 0x002
#define D3DFVF_XYZRHW 0x004
#define D3DFVF_NORMAL 0x010
#define D3DFVF_RESERVED1 0x020
#define D3DFVF_DIFFUSE 0x040
#define D3DFVF_SPECULAR 0x080
#define D3DFVF_TEX1 0x100

#define D3DFVF_VERTEX (D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1)
#define D3DFVF_LVERTEX (D3DFVF_XYZ | D3DFVF_RESERVED1 | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1)
#define D3DFVF_TLVERTEX (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1)

// ---- the device ----------------------------------------------------------------
// Reference-counted: the last Release destroys the device.
struct IDirect3DDevice7 {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE dtstTransformStateType, LPD3DMATRIX lpD3DMatrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE dtstTransformStateType, LPD3DMATRIX lpD3DMatrix) = 0;
    virtual HRESULT GetViewport(LPD3DVIEWPORT7 lpViewport) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE dwRenderStateType, DWORD dwRenderState) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE dwRenderStateType, LPDWORD lpdwRenderState) = 0;
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE dptPrimitiveType, DWORD dwVertexTypeDesc, LPVOID lpvVertices,
                                  DWORD dwVertexCount, DWORD dwFlags) = 0;
    virtual HRESULT SetTexture(DWORD dwStage, LPDIRECTDRAWSURFACE7 lpTexture) = 0;
};
typedef IDirect3DDevice7* LPDIRECT3DDEVICE7;
