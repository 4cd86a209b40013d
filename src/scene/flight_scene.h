// flight_scene.h — FlightScene, the one scene record of the process, and the
// scene's entry points: one-time set-up, device set-up, per-frame update and
// drawing, and the picture order.
//
// The camera flies without end through the effect volumes inside a sky box;
// the flight programme cycles through eight phases (roam, align, rays, a
// picture shown on a cube, look up). Time is counted in units of a tenth of a
// second, angles in single-precision degrees. Every random choice comes from
// the scene generator (scene_random.h), seeded once by SetupScene, so a seed
// reproduces a flight. Everything the record holds is sized at set-up; no
// entry point allocates per frame (a new picture is decoded when the
// programme asks for one).
#pragma once

#include <d3d.h>
#include <ddraw.h>
#include <windows.h>

#include <cstdint>
#include <vector>

#include "assets/glyph_font.h"
#include "assets/milkshape_model.h"
#include "math/vec3.h"
#include "math/vertices.h"
#include "scene/effects/code_rain_grid.h"
#include "scene/effects/floating_cubes.h"
#include "scene/effects/glyph_streams.h"
#include "scene/effects/rays.h"

// One smoothed rotation of the camera; its total angle is base + offset.
struct TurnChannel {
    float base = 0.0f;    // degrees
    float offset = 0.0f;  // part of the current turn already done
    float target = 0.0f;  // offset at which the turn ends
    float timer = 0.0f;   // time units until a new random turn may start
};

enum ScenePhase : int32_t {
    PhaseRoam = 0,
    PhaseAlign = 1,
    PhaseRoamBeforeRays = 2,
    PhaseRays = 3,
    PhaseRoamBeforePicture = 4,
    PhasePicture = 5,
    PhaseRoamAfterPicture = 6,
    PhaseLookUp = 7,
};

inline constexpr int kDigitTextureCount = 12;  // 0..9, the colon (10), the decimal point (11)
inline constexpr int kBackgroundDrumCount = 6;
inline constexpr int kBackgroundFaceCount = 24;
inline constexpr int kPictureCount = 12;

struct FlightScene {
    // Camera.
    Vec3 position;                      // where the camera flies; SetupScene copies eye
    Vec3 eye{-4.7f, -2.6f, -73.9f};     // eye point of the current view
    float heading = 90.0f;              // 0 looks along +x, 90 along +z
    float pitch = 0.0f;                 // positive looks toward +y
    TurnChannel yawTurn{90.0f, 0.0f, 0.0f, 10.0f};
    TurnChannel pitchTurn{0.0f, 0.0f, 0.0f, 10.0f};
    TurnChannel rollTurn{0.0f, 0.0f, 90.0f, 10.0f};  // the flight begins with a 90 degree roll
    bool turnLock = false;              // no new random turn while set

    // Flight programme.
    ScenePhase phase = PhaseRoam;
    float phaseClock = 50.0f;  // countdown of the current phase
    float climbSpeed = 0.0f;   // upward speed in the rays phase
    bool flashActive = true;   // the glitch flash is rising
    float flashLevel = 0.0f;
    float flashPeak = 0.0f;
    float flashWait = 0.0f;

    // Pictures.
    int32_t pictureCount = kPictureCount;
    std::vector<int32_t> pictureOrder;  // allocated by SetupScene, kept for the process
    int32_t pictureCursor = kPictureCount - 1;
    IDirectDrawSurface7* pictureTexture = nullptr;  // 512 x 512

    // Timing and effects.
    float effectClock = 0.0f;   // time gathered toward the next effect tick
    bool gridDirty = true;      // the grid texture must be redrawn before drawing
    bool gridPrepared = false;  // the grid's first drops have been made in this process
    // timeGetTime of the previous update, kept as the counter itself so that
    // the elapsed time stays exact however long the system has been up and
    // across the counter's wrap-around.
    DWORD lastFrameTime = 0;
    float fpsElapsed = 0.0f;
    float fpsFrames = 0.0f;
    float fpsValue = 0.0f;

    // Projection and start values, written by the application before SetupScene.
    // fovX spans the width of a 4:3 viewport; wider or taller ones see more or less.
    float fovX = 0.9424778f;
    float fovY = 0.9424778f;
    float nearPlane = 0.05f;
    float farPlane = 100.0f;
    bool isPreview = false;  // the application's preview flag: no textures, black frames

    // The period after which the streams' and the cubes' volumes both repeat
    // along each axis (0: none); the camera is kept within it (SetupScene).
    Vec3 repeatPeriod;

    // Owned resources.
    IDirectDrawSurface7* digitTextures[kDigitTextureCount] = {};
    IDirectDrawSurface7* backgroundTextures[kBackgroundDrumCount] = {};  // drum 1..6
    SceneVertex backgroundFaces[kBackgroundFaceCount][6];                // drum by drum, in drawing order
    ScreenVertex overlayQuad[4];
    MilkShapeModel model;
    GlyphFont font;
    GlyphStreams glyphStreams;
    CodeRainGrid rainGrid;
    RayBurst rays;
    SparkField sparks;
};

extern FlightScene Scene;

// Puts the record back to its start values, as at process start. Textures
// still held are not released (ReleaseSceneTextures does that).
void ResetFlightScene();

// One-time set-up before any device exists; returns 0.
HRESULT SetupScene();
// Render and stage states, material, transforms and (outside preview) every
// scene texture, for a device just brought up. The projection and the
// effects' view cones follow the shape of the device's viewport (a 4:3 one,
// or one the device cannot report, gets the designed matrix). The window is
// not used. Returns 0.
HRESULT CreateSceneDeviceObjects(HWND window, IDirect3DDevice7* device);
// Releases every texture the device set-up and the programme created and
// clears the handles, so that a later device set-up starts clean.
void ReleaseSceneTextures();

// A new pictureOrder; the picture shown last never comes first.
void ShufflePictures();
// The picture of slot pictureCursor into pictureTexture (512 x 512).
void LoadCurrentPicture(IDirect3DDevice7* device);
// The "TEXTURES" resource id of picture index 0..11, 0 for any other index.
int PictureResourceId(int index);

// Advances the scene by one frame and sets the view transform. `seconds` is
// not used. Returns 0.
HRESULT UpdateScene(IDirect3DDevice7* device, float seconds);
// Draws one frame; E_FAIL when BeginScene fails, else 0.
HRESULT DrawScene(IDirect3DDevice7* device);

// Turn channels (scene_update.cpp).
enum TurnAxis : int32_t { TurnYaw = 0, TurnPitch = 1, TurnRoll = 2 };
void StepTurn(TurnChannel& channel, TurnAxis axis, float dt);
void StartRandomTurns();

// Overlay text (scene_draw.cpp): the digit-texture index of each character
// of `text`, -1 for a character no texture stands for. Returns the count.
int OverlayIndices(const char* text, int* indices, int capacity);
// The clock text "HH:MM:SS" of the local time of day into text[9].
void FormatClockText(char* text, int capacity);
// fpsValue as "%1.2f" into text.
void FormatFrameRateText(float value, char* text, int capacity);
