// A device that records the calls the effect objects make (render states,
// textures, transforms and draws, with copies of the vertices), for tests
// that check draw order and values without rendering.
#pragma once

#include <cstring>
#include <vector>

#include "math/vertices.h"
#include "support/null_d3d_device.h"

namespace effectstest {

struct DeviceCall {
    enum Kind { State, Texture, Transform, Draw } kind = State;
    DWORD a = 0;  // state, stage, transform type or primitive type
    DWORD b = 0;  // value or vertex format
    IDirectDrawSurface7* texture = nullptr;
    D3DMATRIX matrix{};
    std::vector<SceneVertex> vertices;
};

struct RecordingDevice : testsupport::NullDevice {
    std::vector<DeviceCall> calls;

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        calls.push_back(DeviceCall{DeviceCall::State, static_cast<DWORD>(state), value, nullptr, {}, {}});
        return D3D_OK;
    }
    HRESULT SetTexture(DWORD stage, LPDIRECTDRAWSURFACE7 texture) override {
        calls.push_back(DeviceCall{DeviceCall::Texture, stage, 0, texture, {}, {}});
        return D3D_OK;
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, LPD3DMATRIX matrix) override {
        DeviceCall call{DeviceCall::Transform, static_cast<DWORD>(type), 0, nullptr, {}, {}};
        if (matrix) call.matrix = *matrix;
        calls.push_back(call);
        return D3D_OK;
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD count, DWORD) override {
        DeviceCall call{DeviceCall::Draw, static_cast<DWORD>(type), fvf, nullptr, {}, {}};
        // Every format the effects use is a 32-byte record laid out as SceneVertex.
        call.vertices.resize(count);
        if (vertices && count) std::memcpy(call.vertices.data(), vertices, count * sizeof(SceneVertex));
        calls.push_back(call);
        return D3D_OK;
    }

    std::vector<DeviceCall> Of(DeviceCall::Kind kind) const {
        std::vector<DeviceCall> out;
        for (const DeviceCall& c : calls)
            if (c.kind == kind) out.push_back(c);
        return out;
    }
    int Count(DeviceCall::Kind kind) const { return static_cast<int>(Of(kind).size()); }
    // Value of the last state call for `state` before call index `before`, or -1.
    long long StateBefore(size_t before, D3DRENDERSTATETYPE state) const {
        for (size_t i = before; i-- > 0;)
            if (calls[i].kind == DeviceCall::State && calls[i].a == static_cast<DWORD>(state)) return calls[i].b;
        return -1;
    }
    // The texture last set on `stage` before call index `before`.
    IDirectDrawSurface7* TextureBefore(size_t before, DWORD stage) const {
        for (size_t i = before; i-- > 0;)
            if (calls[i].kind == DeviceCall::Texture && calls[i].a == stage) return calls[i].texture;
        return nullptr;
    }
    std::vector<size_t> DrawIndices() const {
        std::vector<size_t> out;
        for (size_t i = 0; i < calls.size(); ++i)
            if (calls[i].kind == DeviceCall::Draw) out.push_back(i);
        return out;
    }
};

// Distinct, never dereferenced stand-ins for textures.
inline IDirectDrawSurface7* FakeTexture(int id) {
    static char slots[256];
    return reinterpret_cast<IDirectDrawSurface7*>(&slots[id & 0xFF]);
}

}  // namespace effectstest
