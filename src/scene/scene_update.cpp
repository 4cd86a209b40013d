// scene_update.cpp — UpdateScene: elapsed time, sky-box scroll, effect tick,
// the flight programme of eight phases, the turn channels, the camera and
// the view transform.
//
// Angles and their sums are single-precision floats, rounded at every store:
// the programme compares some of them for exact equality (phase 1 waits for a
// heading of exactly 89 degrees with pitch and roll exactly 0; the picture
// clock runs only at a roll of exactly 0).
#include <cmath>
#include <cstdint>

#include "config/settings.h"
#include "math/mat4.h"
#include "math/vec3.h"
#include "scene/flight_scene.h"
#include "scene/scene_random.h"
#include "scene/sky_box.h"

namespace {

constexpr float kEffectTick = 0.2f;   // effects are stepped at most 50 times a second
constexpr float kEffectScale = 0.04f;  // effect step per time unit gathered
constexpr float kMsToTimeUnits = 0.01f;

struct TurnParameters {
    float timerRange;  // new timer: U * timerRange + 5
    float minimum;     // smallest size of a random turn
};
constexpr TurnParameters kTurnParameters[3] = {{40.0f, 60.0f}, {10.0f, 30.0f}, {10.0f, 30.0f}};

float U() { return SceneRandomUnit(); }

float Total(const TurnChannel& channel) { return channel.base + channel.offset; }

// A pitch turn never takes the camera beyond 89 degrees up or down.
float ClampPitchTarget(float base, float target) {
    if (base + target > 89.0f) target = 89.0f - base;
    if (base + target < -89.0f) target = -89.0f - base;
    return target;
}

// 0..360 (360 itself stays).
float IntoFullTurn(float degrees) {
    if (!std::isfinite(degrees)) return 0.0f;
    if (std::fabs(degrees) > 3600.0f) degrees = std::fmod(degrees, 360.0f);
    while (degrees > 360.0f) degrees -= 360.0f;
    while (degrees < 0.0f) degrees += 360.0f;
    return degrees;
}

bool AllTurnsEnded() {
    return Scene.yawTurn.target == Scene.yawTurn.offset && Scene.pitchTurn.target == Scene.pitchTurn.offset &&
           Scene.rollTurn.target == Scene.rollTurn.offset;
}

void FoldTurn(TurnChannel& channel) {
    channel.base += channel.offset;
    channel.offset = 0.0f;
}

// Pitch up to look straight up (89 degrees).
void StartLookUp() {
    FoldTurn(Scene.pitchTurn);
    Scene.pitchTurn.target = 89.0f - Scene.pitchTurn.base;
}

// Turns toward heading 89 with pitch and roll 0, each the short way round.
void StartAlignment() {
    TurnChannel& yaw = Scene.yawTurn;
    TurnChannel& pitch = Scene.pitchTurn;
    TurnChannel& roll = Scene.rollTurn;
    FoldTurn(pitch);
    pitch.target = -pitch.base;
    FoldTurn(yaw);
    yaw.base = IntoFullTurn(yaw.base);
    yaw.target = 89.0f - yaw.base;
    if (yaw.target < -180.0f) yaw.target += 360.0f;
    FoldTurn(roll);
    roll.base = IntoFullTurn(roll.base);
    roll.target = -roll.base;
    if (roll.target < -180.0f) roll.target = 360.0f - roll.base;
}

// Levels the roll the short way round.
void StartLevelRoll() {
    TurnChannel& roll = Scene.rollTurn;
    FoldTurn(roll);
    roll.base = IntoFullTurn(roll.base);
    roll.target = -roll.base;
    if (-roll.base < -180.0f) roll.target = 360.0f - roll.base;
}

void StartFlash() {
    Scene.flashActive = true;
    Scene.flashWait = U() * (Scene.phaseClock * 0.09f + 2.0f) + 1.0f;
    Scene.flashPeak = U() * 100.0f + 150.0f;
    Scene.flashLevel = 0.0f;
}

// Phase 5, every frame while a cube is held: the cube faces the camera, the
// picture fades in, glitch flashes run while the clock runs down, then the
// cube is sent away.
void RunPictureProgramme(float dt) {
    SparkField& sparks = Scene.sparks;
    if (!Scene.turnLock) {
        Scene.turnLock = true;
        StartLevelRoll();
    }
    if (Total(Scene.rollTurn) == 0.0f && sparks.stage > SparkField::StageSettle) Scene.phaseClock -= dt;
    if (Scene.phaseClock < 110.0f && sparks.stage == SparkField::StageAtRest) sparks.stage = SparkField::StagePictureShown;
    if (Scene.phaseClock < 85.0f && sparks.stage == SparkField::StagePictureShown) {
        StartFlash();
        sparks.stage = SparkField::StageGlitch;
    } else if (sparks.stage == SparkField::StageGlitch) {
        if (Scene.flashActive) {
            Scene.flashLevel += dt * 150.0f;
            if (Scene.flashLevel > Scene.flashPeak) {
                Scene.flashLevel = Scene.flashPeak;
                Scene.flashActive = false;
            }
        } else {
            Scene.flashLevel -= dt * 100.0f;
            if (Scene.flashLevel < 0.0f) Scene.flashLevel = 0.0f;
        }
        Scene.flashWait -= dt;
        if (Scene.flashWait < 0.0f && Scene.flashLevel == 0.0f && !Scene.flashActive && Scene.phaseClock > 0.0f) {
            StartFlash();
        }
    }
    if (Scene.phaseClock < 0.0f && sparks.stage == SparkField::StageGlitch && Scene.flashLevel <= 0.0f) {
        sparks.stage = SparkField::StageRecede;
    }
}

// Step 4: what the current phase does every frame.
void RunPhase(float dt) {
    switch (Scene.phase) {
        case PhaseRoam:
        case PhaseRoamBeforeRays:
        case PhaseRoamBeforePicture:
        case PhaseRoamAfterPicture:
            Scene.phaseClock -= dt;
            break;
        case PhaseAlign:
            if (Total(Scene.yawTurn) == 89.0f && Total(Scene.pitchTurn) == 0.0f && Total(Scene.rollTurn) == 0.0f) {
                Scene.phaseClock -= dt;
            }
            break;
        case PhaseRays:
            if (Total(Scene.pitchTurn) > 88.0f) {
                Scene.phaseClock -= dt;
                if (Scene.phaseClock > 0.0f) {
                    Scene.climbSpeed += dt;
                    if (Scene.climbSpeed > 8.0f && Scene.rays.activeCount == 0) Scene.rays.Start();
                    if (Scene.climbSpeed > 20.0f) Scene.climbSpeed = 20.0f;
                }
            }
            break;
        case PhasePicture:
            if (Scene.sparks.holding) RunPictureProgramme(dt);
            break;
        case PhaseLookUp:
            if (Total(Scene.pitchTurn) > 88.0f) Scene.phaseClock -= dt;
            break;
    }
}

// Step 5: the end of the current phase once its clock is below 0.
void EndPhase(IDirect3DDevice7* device, float dt) {
    switch (Scene.phase) {
        case PhaseRoam:
            Scene.turnLock = true;
            if (AllTurnsEnded()) {
                Scene.turnLock = false;
                Scene.phaseClock = 100.0f;
                Scene.phase = PhaseAlign;
                StartAlignment();
            }
            break;
        case PhaseAlign:
            Scene.turnLock = true;
            if (AllTurnsEnded()) {
                Scene.turnLock = false;
                Scene.phaseClock = 100.0f;
                Scene.phase = CurrentSettings.DoThrottle     ? PhaseRoamBeforeRays
                              : CurrentSettings.ShowPictures ? PhaseRoamBeforePicture
                                                             : PhaseRoamAfterPicture;
                StartRandomTurns();
            }
            break;
        case PhaseRoamBeforeRays:
            Scene.turnLock = true;
            if (AllTurnsEnded()) {
                Scene.turnLock = false;
                Scene.phaseClock = 100.0f;
                Scene.phase = PhaseRays;
                StartLookUp();
                Scene.climbSpeed = 0.0f;
            }
            break;
        case PhaseRays:
            Scene.climbSpeed -= dt;
            if (Scene.climbSpeed < 5.0f) Scene.rays.respawn = 0;
            if (Scene.climbSpeed < 0.0f) {
                Scene.climbSpeed = 0.0f;
                if (Scene.rays.activeCount < 1) {
                    Scene.phaseClock = 100.0f;
                    Scene.phase = CurrentSettings.ShowPictures ? PhaseRoamBeforePicture : PhaseRoamAfterPicture;
                    StartRandomTurns();
                } else {
                    Scene.phaseClock = 0.0f;  // wait for the last ray to die
                }
            }
            break;
        case PhaseRoamBeforePicture:
            Scene.turnLock = true;
            if (AllTurnsEnded()) {
                Scene.phaseClock = 150.0f;
                Scene.pictureCursor += 1;
                if (Scene.pictureCursor >= Scene.pictureCount) {
                    ShufflePictures();
                    Scene.pictureCursor = 0;
                }
                LoadCurrentPicture(device);
                Scene.turnLock = false;
                Scene.sparks.pickRequest = 1;
                Scene.phase = PhasePicture;
                StartRandomTurns();
            }
            break;
        case PhasePicture:
            if (Scene.sparks.stage == SparkField::StageGone) {
                TurnChannel& yaw = Scene.yawTurn;
                TurnChannel& pitch = Scene.pitchTurn;
                TurnChannel& roll = Scene.rollTurn;
                Scene.turnLock = false;
                Scene.phaseClock = 100.0f;
                Scene.phase = PhaseRoamAfterPicture;
                yaw.offset = 0.0f;
                FoldTurn(pitch);
                yaw.base = Scene.heading;
                yaw.timer = U() * 10.0f + 5.0f;
                yaw.offset = 0.0f;
                yaw.target = U() * 160.0f - 80.0f;
                pitch.base = Scene.pitch;
                pitch.timer = U() * 10.0f + 5.0f;
                pitch.offset = 0.0f;
                pitch.target = ClampPitchTarget(pitch.base, U() * 160.0f - 80.0f);
                FoldTurn(roll);
                roll.timer = 10.0f;
                roll.target = U() * 160.0f - 80.0f;
                Scene.sparks.holding = 0;
                Scene.sparks.selected = -1;
            }
            break;
        case PhaseRoamAfterPicture:
            if (AllTurnsEnded()) {
                Scene.phaseClock = 100.0f;
                Scene.phase = PhaseLookUp;
                StartLookUp();
            }
            Scene.turnLock = true;
            break;
        case PhaseLookUp:
            Scene.turnLock = false;
            Scene.phaseClock = 100.0f;
            Scene.phase = PhaseRoam;
            StartRandomTurns();
            break;
    }
}

// Keeps a turn total within 0..360 by moving its base.
void WrapTotal(TurnChannel& channel) {
    const float total = Total(channel);
    if (total >= 360.0f) channel.base -= 360.0f;
    else if (total < 0.0f) channel.base += 360.0f;
}

// The camera stands still and turns toward the held cube, a fifth of the way
// per time unit. A long frame (more than five units, half a second) goes the
// whole way and no further: beyond it the step would swing past the cube, and the pitch
// past straight up.
void FaceHeldCube(float dt) {
    const float share = std::fmin(0.2f * dt, 1.0f);
    Scene.eye = Scene.position;
    const Vec3 d = Vec3Sub(Scene.sparks.selectedPosition, Scene.position);
    const float length = Vec3Length(d);
    if (length > 0.0f && std::isfinite(length)) {
        const float sinePitch = std::fmax(-1.0f, std::fmin(1.0f, d.y / length));
        const float wantedPitch = std::asin(sinePitch) * RadiansToDegrees;
        const float dp = wantedPitch - Scene.pitch;
        float c = Scene.pitch + share * dp;
        Scene.pitch = std::fabs(wantedPitch - c) < std::fabs(dp) ? c : wantedPitch;

        // Straight above or below the cube has no heading of its own: keep it.
        const float cosinePitch = std::cos(wantedPitch * DegreesToRadians);
        const float cosineHeading = (d.x / length) / cosinePitch;
        if (cosinePitch != 0.0f && !std::isnan(cosineHeading)) {
            float wantedHeading = std::acos(std::fmax(-1.0f, std::fmin(1.0f, cosineHeading))) * RadiansToDegrees;
            if (d.z / length < 0.0f) wantedHeading = 360.0f - wantedHeading;
            float dh = wantedHeading - Scene.heading;
            float extra = 0.0f;
            if (std::fabs(dh) > 180.0f) {
                extra = -360.0f * Sign(dh);
                dh += extra;
            }
            c = Scene.heading + share * dh;
            Scene.heading = std::fabs(wantedHeading + extra - c) < std::fabs(dh) ? c : wantedHeading;
            if (Scene.heading >= 360.0f) Scene.heading -= 360.0f;
            if (Scene.heading < 0.0f) Scene.heading += 360.0f;
        }
    }
    Scene.yawTurn.base = Scene.heading;
    Scene.yawTurn.offset = 0.0f;
    Scene.pitchTurn.base = Scene.pitch;
    Scene.pitchTurn.offset = 0.0f;
}

// The streams and the cubes repeat in every direction, so moving the camera
// by a whole common period changes nothing on screen. Keeping it within one
// period keeps its coordinates precise however long the flight (the climbs
// alone add some 2,000 units a cycle).
void KeepCameraInPeriod() {
    float* position[3] = {&Scene.position.x, &Scene.position.y, &Scene.position.z};
    float* eye[3] = {&Scene.eye.x, &Scene.eye.y, &Scene.eye.z};
    float* held[3] = {&Scene.sparks.selectedPosition.x, &Scene.sparks.selectedPosition.y,
                      &Scene.sparks.selectedPosition.z};
    const float periods[3] = {Scene.repeatPeriod.x, Scene.repeatPeriod.y, Scene.repeatPeriod.z};
    for (int a = 0; a < 3; ++a) {
        const float period = periods[a];
        const float p = *position[a];
        if (period <= 0.0f || !std::isfinite(p) || std::fabs(p) <= period) continue;
        const float shift = p - std::fmod(p, period);
        *position[a] -= shift;
        *eye[a] -= shift;
        *held[a] -= shift;
    }
}

void SetView(IDirect3DDevice7* device) {
    const float p = Scene.pitch * DegreesToRadians;
    const float h = Scene.heading * DegreesToRadians;
    const float r = Total(Scene.rollTurn) * DegreesToRadians;
    const Vec3 at{Scene.eye.x + std::cos(p) * std::cos(h), Scene.eye.y + std::sin(p),
                  Scene.eye.z + std::cos(p) * std::sin(h)};
    const Vec3 up{std::sin(r), std::cos(r), 0.0f};
    Mat4 view = Mat4Identity();
    MakeViewTransform(view, Scene.eye, at, up);
    device->SetTransform(D3DTRANSFORMSTATE_VIEW, &view);
}

}  // namespace

void StepTurn(TurnChannel& channel, TurnAxis axis, float dt) {
    const float sign = Sign(channel.target);
    if (std::fabs(channel.target) * 0.5f > std::fabs(channel.offset)) {
        channel.offset += (channel.offset + 0.1f * sign) * 0.2f * dt;  // first half: speeding up
    } else {
        channel.offset += ((channel.target - channel.offset) + 0.1f * sign) * 0.2f * dt;  // second half: slowing
    }
    if (std::fabs(channel.target) < std::fabs(channel.offset)) channel.offset = channel.target;

    channel.timer -= dt;
    if (channel.timer >= 0.0f) return;
    channel.timer = 0.0f;
    if (std::fabs(channel.target) != std::fabs(channel.offset) || Scene.turnLock) return;

    const TurnParameters& parameters = kTurnParameters[axis];
    channel.timer = U() * parameters.timerRange + 5.0f;
    channel.offset = 0.0f;
    channel.base += channel.target;
    if (Scene.phase == PhaseAlign || Scene.phase == PhaseRays) {
        channel.target = 0.0f;
    } else {
        channel.target = U() * 120.0f - 60.0f;
        channel.target += Sign(channel.target) * parameters.minimum;
    }
    if (axis == TurnPitch) channel.target = ClampPitchTarget(channel.base, channel.target);
}

void StartRandomTurns() {
    TurnChannel& yaw = Scene.yawTurn;
    TurnChannel& pitch = Scene.pitchTurn;
    TurnChannel& roll = Scene.rollTurn;
    FoldTurn(yaw);
    pitch.base += pitch.offset;
    roll.base += roll.offset;
    pitch.offset = 0.0f;

    yaw.timer = U() * 10.0f + 5.0f;
    yaw.offset = 0.0f;
    yaw.target = U() * 160.0f - 80.0f;
    pitch.timer = U() * 10.0f + 5.0f;
    pitch.offset = 0.0f;
    pitch.target = ClampPitchTarget(pitch.base, U() * 160.0f - 80.0f);
    roll.timer = 10.0f;
    roll.offset = 0.0f;
    roll.target = U() * 160.0f - 80.0f;
}

HRESULT UpdateScene(IDirect3DDevice7* device, float) {
    // Elapsed time from the millisecond counter, exact across its wrap-around.
    // A step back of the clock counts as no time.
    const DWORD now = timeGetTime();
    DWORD ms = now - Scene.lastFrameTime;
    if (ms > 0x7FFFFFFFu) ms = 0;
    Scene.lastFrameTime = timeGetTime();
    const float dt = static_cast<float>(ms) * kMsToTimeUnits;

    ScrollBackground(dt);

    Scene.effectClock += dt;
    if (Scene.effectClock > kEffectTick) {
        const float step = Scene.effectClock * kEffectScale;
        Scene.rainGrid.Update(step);
        Scene.glyphStreams.Update(step);
        if (Scene.phase == PhaseRays) Scene.rays.Update(step);
        Scene.gridDirty = true;
        // After a very long frame the remainder is taken at once; a float far
        // above the tick would not shrink by subtracting it.
        if (Scene.effectClock > 1000.0f) Scene.effectClock = std::fmod(Scene.effectClock, kEffectTick);
        while (Scene.effectClock > kEffectTick) Scene.effectClock -= kEffectTick;
    }

    RunPhase(dt);
    if (Scene.phaseClock < 0.0f) EndPhase(device, dt);

    Scene.sparks.Update(dt, Scene.eye.x, Scene.eye.y, Scene.eye.z);

    StepTurn(Scene.yawTurn, TurnYaw, dt);
    StepTurn(Scene.pitchTurn, TurnPitch, dt);
    StepTurn(Scene.rollTurn, TurnRoll, dt);
    WrapTotal(Scene.yawTurn);
    WrapTotal(Scene.rollTurn);

    if (!Scene.sparks.holding) {
        const float yaw = Total(Scene.yawTurn) * DegreesToRadians;
        const float pitch = Scene.pitch * DegreesToRadians;  // still the previous frame's
        Scene.position.x += std::cos(yaw) * std::cos(pitch) * dt;
        Scene.position.z += std::sin(yaw) * std::cos(pitch) * dt;
        Scene.position.y += Scene.climbSpeed * dt;
        Scene.eye = Scene.position;
        Scene.heading = Total(Scene.yawTurn);
        Scene.pitch = Total(Scene.pitchTurn);
    } else {
        FaceHeldCube(dt);
    }
    KeepCameraInPeriod();

    SetView(device);
    return 0;
}
