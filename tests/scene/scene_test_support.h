// Helpers for the scene tests: a device that accepts every call and records
// what the scene's own code sets (render states, textures, transforms,
// draws by vertex format), and a fixture that sets the scene up at a fixed
// seed under the virtual clock and steps it frame by frame.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "config/settings.h"
#include "math/mat4.h"
#include "math/vertices.h"
#include "platform/platform_testing.h"
#include "scene/flight_scene.h"
#include "support/null_d3d_device.h"
#include "test_support.h"

namespace scenetest {

struct SceneCall {
    enum Kind { State, Texture, Transform, Draw, StageState, Material, Clear, Begin, End } kind = State;
    DWORD a = 0;  // state, stage, transform type, primitive type
    DWORD b = 0;  // value, vertex format
    IDirectDrawSurface7* texture = nullptr;
    D3DMATRIX matrix{};
    DWORD count = 0;  // vertices of a draw
    float x = 0.0f;   // screen quads: the top-left corner
    float y = 0.0f;
};

// Answers every call with success. With `recording` off it only counts, so
// that long runs stay fast.
struct SceneDevice : testsupport::NullDevice {
    bool recording = true;
    bool failBeginScene = false;
    DWORD drawMilliseconds = 0;  // virtual time each scene takes, from BeginScene to EndScene
    std::vector<SceneCall> calls;
    D3DMATRIX view{};
    D3DVIEWPORT7 viewport{0, 0, 800, 600, 0.0f, 1.0f};
    int draws = 0;

    SceneDevice() { view = Mat4Identity(); }

    void Add(const SceneCall& call) {
        if (recording) calls.push_back(call);
    }
    HRESULT Clear(DWORD, LPD3DRECT, DWORD, D3DCOLOR, D3DVALUE, DWORD) override {
        Add(SceneCall{SceneCall::Clear});
        return D3D_OK;
    }
    HRESULT BeginScene() override {
        Add(SceneCall{SceneCall::Begin});
        return failBeginScene ? D3DERR_SCENE_IN_SCENE : D3D_OK;
    }
    HRESULT EndScene() override {
        Add(SceneCall{SceneCall::End});
        if (drawMilliseconds) platform::AdvanceVirtualClock(drawMilliseconds);
        return D3D_OK;
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        Add(SceneCall{SceneCall::State, static_cast<DWORD>(state), value});
        return D3D_OK;
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE, LPDWORD value) override {
        if (value) *value = 0;
        return D3D_OK;
    }
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) override {
        SceneCall call{SceneCall::StageState, stage, value};
        call.count = static_cast<DWORD>(state);
        Add(call);
        return D3D_OK;
    }
    HRESULT SetTexture(DWORD stage, LPDIRECTDRAWSURFACE7 texture) override {
        Add(SceneCall{SceneCall::Texture, stage, 0, texture});
        return D3D_OK;
    }
    HRESULT SetMaterial(LPD3DMATERIAL7) override {
        Add(SceneCall{SceneCall::Material});
        return D3D_OK;
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, LPD3DMATRIX matrix) override {
        SceneCall call{SceneCall::Transform, static_cast<DWORD>(type)};
        if (matrix) call.matrix = *matrix;
        if (type == D3DTRANSFORMSTATE_VIEW && matrix) view = *matrix;
        Add(call);
        return D3D_OK;
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, LPD3DMATRIX matrix) override {
        if (!matrix) return DDERR_INVALIDPARAMS;
        *matrix = type == D3DTRANSFORMSTATE_VIEW ? view : static_cast<D3DMATRIX>(Mat4Identity());
        return D3D_OK;
    }
    HRESULT GetViewport(LPD3DVIEWPORT7 out) override {
        if (out) *out = viewport;
        return D3D_OK;
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD count, DWORD) override {
        ++draws;
        SceneCall call{SceneCall::Draw, static_cast<DWORD>(type), fvf};
        call.count = count;
        if (fvf == ScreenVertexFVF && vertices && count == 4) {
            call.x = static_cast<const ScreenVertex*>(vertices)[1].x;
            call.y = static_cast<const ScreenVertex*>(vertices)[1].y;
        }
        Add(call);
        return D3D_OK;
    }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID, DWORD count, LPWORD, DWORD,
                                 DWORD) override {
        return DrawPrimitive(type, fvf, nullptr, count, 0);
    }

    int CountDraws(DWORD fvf) const {
        int n = 0;
        for (const SceneCall& c : calls) n += c.kind == SceneCall::Draw && c.b == fvf;
        return n;
    }
    // The values set for `state`, in order.
    std::vector<DWORD> StatesOf(D3DRENDERSTATETYPE state) const {
        std::vector<DWORD> out;
        for (const SceneCall& c : calls)
            if (c.kind == SceneCall::State && c.a == static_cast<DWORD>(state)) out.push_back(c.b);
        return out;
    }
    void Reset() {
        calls.clear();
        draws = 0;
    }
};

// Runs with the process's local time zone set to `zone`.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        const char* old = std::getenv("TZ");
        hadOld_ = old != nullptr;
        if (old) old_ = old;
        testsupport::SetEnv("TZ", zone);
        tzset();
    }
    ~TimeZone() {
        testsupport::SetEnv("TZ", hadOld_ ? old_.c_str() : nullptr);
        tzset();
    }

private:
    bool hadOld_ = false;
    std::string old_;
};

// Distinct stand-ins for textures; the recording device never touches them.
inline IDirectDrawSurface7* FakeTexture(int id) {
    static char slots[64];
    return reinterpret_cast<IDirectDrawSurface7*>(&slots[id & 63]);
}

// The settings the tests start from: the built-in ones with pictures and
// rays as asked, few streams (fast), no overlay.
inline Settings TestSettings(bool pictures, bool rays) {
    Settings s = BuiltInSettings;
    s.ShowPictures = pictures ? 1 : 0;
    s.DoThrottle = rays ? 1 : 0;
    s.VexlarStream = 1;
    s.ShowTime = 0;
    s.ShowFPS = 0;
    s.Background = 3;
    s.BackgroundBr = 100;
    return s;
}

// The scene set up at a seed under the virtual clock, without device
// objects; Frame steps it by a number of milliseconds.
class SceneTest : public ::testing::Test {
protected:
    void TearDown() override {
        ResetFlightScene();
        platform::UseRealClock();
        CurrentSettings = BuiltInSettings;
    }

    void Start(const Settings& settings, uint32_t seed) {
        CurrentSettings = settings;
        ResetFlightScene();
        platform::UseVirtualClock(100000, static_cast<time_t>(seed));
        SetupScene();
        Scene.lastFrameTime = timeGetTime();
    }
    // One update, and a drawing when `draw` (the cubes are picked while drawing).
    void Frame(DWORD ms, bool draw = true) {
        platform::AdvanceVirtualClock(ms);
        UpdateScene(&device, 0.0f);
        if (draw) DrawScene(&device);
    }

    SceneDevice device;
};

}  // namespace scenetest
