// scene_draw.cpp — DrawScene: the sky box, the cubes, the glyph streams and
// the rays, the cross-fades of the picture phase, the clock and the
// frames-per-second counter over the frame, and the measurement of the
// drawing rate.
//
// Brightness values are 0..255 levels handed to the effects or turned into a
// grey ambient colour. The overlay reuses one four-vertex quad; nothing is
// allocated while drawing. The flight state is only read.
#include <cstdio>

#include "config/settings.h"
#include "math/packed_color.h"
#include "math/screen_quad.h"
#include "scene/flight_scene.h"
#include "scene/sky_box.h"

namespace {

constexpr float kGlyphWidth = 0.037f;
constexpr float kGlyphHeight = 0.048f;
constexpr float kClockX = 0.7f;
constexpr float kClockY = 0.92f;
constexpr float kCounterX = 0.01f;
constexpr float kCounterY = 0.01f;
constexpr int kTextCapacity = 32;

// A level truncated to an integer; held to 0..255 first so that the
// conversion stays in range whatever the programme's clocks did.
int Truncated(float level) {
    if (!(level > 0.0f)) return 0;
    if (level > 255.0f) return 255;
    return static_cast<int>(level);
}

void DrawCubes(IDirect3DDevice7* device, int32_t mode) {
    Scene.sparks.drawMode = mode;
    Scene.sparks.Draw(device, Scene.eye.x, Scene.eye.y, Scene.eye.z, Scene.heading, Scene.pitch);
}

void StreamPass(IDirect3DDevice7* device, float brightness) {
    device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_SRCALPHA);
    Scene.glyphStreams.brightness = brightness;
    Scene.glyphStreams.Draw(device, Scene.eye.x, Scene.eye.y, Scene.eye.z, Scene.heading, Scene.pitch);
}

void Opaque(IDirect3DDevice7* device) {
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
}

// Additive: the blend factors are still ONE, ONE from the sky box.
void BlendOn(IDirect3DDevice7* device) {
    device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
}

void PictureOnly(IDirect3DDevice7* device) {
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0xFFFFFF);
    device->SetTexture(0, Scene.pictureTexture);
}

void DrawFreeFlight(IDirect3DDevice7* device) {
    Opaque(device);
    device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0xFFFFFF);
    device->SetTexture(0, Scene.rainGrid.texture);
    DrawCubes(device, 0);
    StreamPass(device, 255.0f);
    if (Scene.phase == PhaseRays && Scene.climbSpeed > 0.0f) {
        // A ray's strip turns its back to the camera at its centre, so the
        // default culling would drop every ray: draw them two-sided.
        device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        Scene.rays.Draw(device, Scene.eye.x, Scene.eye.y, Scene.eye.z);
        device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CCW);
    }
}

// The picture phase: what is drawn follows the stage of the picked cube.
void DrawPictureStage(IDirect3DDevice7* device) {
    SparkField& sparks = Scene.sparks;
    IDirectDrawSurface7* grid = Scene.rainGrid.texture;
    IDirectDrawSurface7* picture = Scene.pictureTexture;
    float b = 255.0f;
    switch (sparks.stage) {
        case SparkField::StageApproach:
        case SparkField::StageSettle:
            Opaque(device);
            device->SetTexture(0, grid);
            sparks.selectedBrightness = 255.0f;
            DrawCubes(device, 2);
            device->SetTexture(0, picture);
            if (sparks.holding && sparks.distance < 20.0f) {
                b = (20.0f - sparks.distance) * 50.0f / 20.0f;
                const int k = Truncated(b);
                sparks.selectedBrightness = b;
                DrawCubes(device, 1);  // the picture, faintly
                b = static_cast<float>(255 - k);
                BlendOn(device);
            } else {
                b = 255.0f;
            }
            sparks.selectedBrightness = b;
            device->SetTexture(0, grid);
            DrawCubes(device, 1);  // code rain over the faint picture
            StreamPass(device, 255.0f);
            break;
        case SparkField::StageAtRest: {
            Opaque(device);
            device->SetTexture(0, picture);
            b = (150.0f - Scene.phaseClock) / 40.0f * 205.0f + 46.0f;
            const int k = Truncated(b);
            sparks.selectedBrightness = b;
            DrawCubes(device, 1);
            b = static_cast<float>(255 - k);
            const int k2 = Truncated(b);
            BlendOn(device);
            device->SetTexture(0, grid);
            sparks.selectedBrightness = b;
            DrawCubes(device, 1);
            StreamPass(device, static_cast<float>(k2));
            break;
        }
        case SparkField::StagePictureShown:
            PictureOnly(device);
            sparks.selectedBrightness = 255.0f;
            DrawCubes(device, 1);
            break;
        case SparkField::StageGlitch:
            PictureOnly(device);
            sparks.selectedBrightness = Scene.flashLevel > 0.0f ? 255.0f - Scene.flashLevel * 0.65f : 255.0f;
            DrawCubes(device, 1);
            if (Scene.flashLevel > 0.0f) {
                BlendOn(device);
                const int f = Truncated(Scene.flashLevel);
                device->SetRenderState(D3DRENDERSTATE_AMBIENT, MakeColor(f, f, f));
                device->SetTexture(0, grid);
                DrawCubes(device, 1);
                StreamPass(device, Scene.flashLevel);
            }
            break;
        case SparkField::StageRecede:
            if (Scene.phaseClock >= -25.0f) {
                Opaque(device);
                b = (Scene.phaseClock + 25.0f) / 25.0f * 255.0f;
                const int k = Truncated(b);
                sparks.selectedBrightness = b;
                device->SetTexture(0, picture);
                DrawCubes(device, 1);
                device->SetTexture(0, grid);
                DrawCubes(device, 2);  // the other cubes return
                b = static_cast<float>(255 - k);
                const int k2 = Truncated(b);
                sparks.selectedBrightness = b;
                BlendOn(device);
                DrawCubes(device, 1);  // code rain over the fading picture
                StreamPass(device, static_cast<float>(k2));
                break;
            }
            [[fallthrough]];
        default:
            Opaque(device);
            device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0xFFFFFF);
            device->SetTexture(0, grid);
            sparks.selectedBrightness = 255.0f;
            DrawCubes(device, 0);
            StreamPass(device, 255.0f);
            break;
    }
}

void DrawText(IDirect3DDevice7* device, const D3DVIEWPORT7& viewport, const char* text, float x, float y) {
    int indices[kTextCapacity];
    const int count = OverlayIndices(text, indices, kTextCapacity);
    for (int i = 0; i < count; ++i) {
        if (indices[i] < 0) continue;
        SetScreenRect(viewport, Scene.overlayQuad, x + static_cast<float>(i) * kGlyphWidth, y, kGlyphWidth,
                      kGlyphHeight);
        IDirectDrawSurface7* glyph = Scene.digitTextures[indices[i]];
        DrawMaskedQuad(device, Scene.overlayQuad, glyph, glyph);
    }
}

// Each glyph is drawn with its texture as mask and image, giving texture +
// frame x (1 - texture): white glyph pixels turn white, black ones leave the
// frame as it is.
void DrawOverlay(IDirect3DDevice7* device) {
    char clock[kTextCapacity];
    FormatClockText(clock, kTextCapacity);
    D3DVIEWPORT7 viewport{};
    device->GetViewport(&viewport);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    if (CurrentSettings.ShowTime) DrawText(device, viewport, clock, kClockX, kClockY);
    if (CurrentSettings.ShowFPS) {
        char rate[kTextCapacity];
        FormatFrameRateText(Scene.fpsValue, rate, kTextCapacity);
        DrawText(device, viewport, rate, kCounterX, kCounterY);
    }
}

}  // namespace

int OverlayIndices(const char* text, int* indices, int capacity) {
    int count = 0;
    for (; text[count] != '\0' && count < capacity; ++count) {
        int index = text[count] - '0';  // the colon comes out as 10
        if (index < 0) index = 11;      // the decimal point
        if (index >= kDigitTextureCount) index = -1;
        indices[count] = index;
    }
    return count;
}

void FormatClockText(char* text, int capacity) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::snprintf(text, static_cast<size_t>(capacity), "%02u:%02u:%02u", static_cast<unsigned>(now.wHour % 100),
                  static_cast<unsigned>(now.wMinute % 100), static_cast<unsigned>(now.wSecond % 100));
}

void FormatFrameRateText(float value, char* text, int capacity) {
    std::snprintf(text, static_cast<size_t>(capacity), "%1.2f", static_cast<double>(value));
}

HRESULT DrawScene(IDirect3DDevice7* device) {
    const DWORD start = timeGetTime();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    if (FAILED(device->BeginScene())) return E_FAIL;

    if (!Scene.isPreview) {
        DrawSkyBox(device);
        if (Scene.gridDirty) {
            Scene.rainGrid.RenderTexture();
            Scene.gridDirty = false;
        }
        if (Scene.phase == PhasePicture) {
            DrawPictureStage(device);
        } else {
            DrawFreeFlight(device);
        }
        DrawOverlay(device);
    }

    device->EndScene();

    // Only the time spent drawing counts; the value is refreshed about every
    // 100 ms of it.
    Scene.fpsElapsed += static_cast<float>(timeGetTime() - start);
    Scene.fpsFrames += 1.0f;
    if (Scene.fpsElapsed > 100.0f) {
        Scene.fpsValue = Scene.fpsFrames * 1000.0f / Scene.fpsElapsed;
        Scene.fpsFrames = 0.0f;
        Scene.fpsElapsed = 0.0f;
    }
    return 0;
}
