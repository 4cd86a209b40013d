// flight_scene.cpp — the scene record, its one-time and device set-up, the
// scene textures and the picture order.
#include "scene/flight_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "assets/texture_loader.h"
#include "config/settings.h"
#include "math/mat4.h"
#include "platform/platform.h"
#include "scene/scene_random.h"
#include "scene/sky_box.h"

FlightScene Scene;

namespace {

constexpr int kModelResourceId = 221;
constexpr float kCubeBoxSize = 250.0f;
constexpr int kPictureSize = 512;

// Glyph stream volumes by the VexlarStream setting 1..3.
struct StreamAmount {
    float boxX, boxY, boxZ;
    int32_t count;
};
constexpr StreamAmount kStreamAmounts[3] = {
    {55.0f, 120.0f, 55.0f, 400},
    {70.0f, 120.0f, 70.0f, 750},
    {80.0f, 120.0f, 80.0f, 950},
};
constexpr float kGlyphSize = 0.75f;

// Picture index -> "TEXTURES" resource id.
constexpr int kPictureResources[kPictureCount] = {242, 239, 240, 249, 250, 241, 243, 244, 245, 246, 247, 248};

struct TextureSlot {
    int resourceId;
    const char* fileName;
};
constexpr TextureSlot kDigitTextures[kDigitTextureCount] = {
    {180, "Texture/0.jpg"}, {195, "Texture/1.jpg"}, {196, "Texture/2.jpg"},      {197, "Texture/3.jpg"},
    {194, "Texture/4.jpg"}, {181, "Texture/5.jpg"}, {182, "Texture/6.jpg"},      {183, "Texture/7.jpg"},
    {184, "Texture/8.jpg"}, {185, "Texture/9.jpg"}, {198, "Texture/dbl_pt.jpg"}, {199, "Texture/pt.jpg"},
};
// Drums in the order they are loaded: 4, 5, 1, 2, 3, 6. Drums 3 and 4, and
// 2 and 6, load the same image into textures of their own.
struct DrumTexture {
    int drum;
    TextureSlot slot;
};
constexpr DrumTexture kDrumTextures[kBackgroundDrumCount] = {
    {4, {203, "Texture/Drennach_scr_15.jpg"}}, {5, {202, "Texture/Drennach_scr_18.jpg"}},
    {1, {200, "Texture/Drennach_scr_16.jpg"}}, {2, {201, "Texture/Drennach_scr_17.jpg"}},
    {3, {203, "Texture/Drennach_scr_15.jpg"}}, {6, {201, "Texture/Drennach_scr_17.jpg"}},
};
constexpr TextureSlot kFontSheet{208, "Texture/font3.bmp"};
constexpr TextureSlot kNearTexture{210, "Texture/LMap.bmp"};
constexpr TextureSlot kRayTexture{211, "Texture/Ray.bmp"};

void ReleaseTexture(IDirectDrawSurface7*& texture) {
    if (texture) texture->Release();
    texture = nullptr;
}

// A value in 0..count-1 from a draw of 0..1 (a draw of exactly 1 gives the last).
int32_t RandomIndex(int32_t count) {
    int32_t index = static_cast<int32_t>(SceneRandomUnit() * static_cast<float>(count));
    return index >= count ? count - 1 : index;
}

void ShuffleOrder(bool keepLastApart) {
    const int32_t count = Scene.pictureCount;
    if (count <= 0 || Scene.pictureOrder.size() != static_cast<size_t>(count)) return;
    int32_t* order = Scene.pictureOrder.data();
    const int32_t last = order[count - 1];
    for (int32_t i = 0; i < count; ++i) order[i] = i;
    const int swaps = static_cast<int>(SceneRandomUnit() * 50.0f + 50.0f);
    for (int s = 0; s < swaps; ++s) {
        const int32_t a = RandomIndex(count);
        const int32_t b = RandomIndex(count);
        const int32_t kept = order[a];
        order[a] = order[b];
        order[b] = kept;
    }
    if (keepLastApart && last == order[0]) {
        order[0] = order[count - 1];
        order[count - 1] = last;
    }
}

void LoadModel() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(kModelResourceId), "MESHES");
    if (!resource) return;
    const DWORD size = SizeofResource(module, resource);
    HGLOBAL data = size ? LoadResource(module, resource) : nullptr;
    if (!data) return;
    Scene.model.LoadFromMemory(LockResource(data), size);
    Scene.model.NormalizeToDepth(6.0f);
}

// The smallest length after which boxes of sizes a and b both repeat; one of
// them alone when the other is 0; 0 (no common period) for sizes that are
// not whole numbers.
float CommonPeriod(float a, float b) {
    auto whole = [](float size) { return size > 0.0f && size < 100000.0f && std::floor(size) == size; };
    if (a <= 0.0f) return whole(b) ? b : 0.0f;
    if (b <= 0.0f) return whole(a) ? a : 0.0f;
    if (!whole(a) || !whole(b)) return 0.0f;
    int64_t x = static_cast<int64_t>(a), y = static_cast<int64_t>(b);
    int64_t p = x, q = y;
    while (q != 0) {
        const int64_t r = p % q;
        p = q;
        q = r;
    }
    const int64_t period = x / p * y;
    return period <= 1000000 ? static_cast<float>(period) : 0.0f;
}

// The factor on the projection's horizontal scale for a viewport of width x
// height: (4/3) / (width/height), exactly 1 at 4:3; 1 for a viewport of no
// size (unknown).
float WidthScale(DWORD width, DWORD height) {
    if (width == 0 || height == 0) return 1.0f;
    return (4.0f * static_cast<float>(height)) / (3.0f * static_cast<float>(width));
}

// Degrees from the view axis to a corner of the view, for horizontal and
// vertical projection scales xScale and yScale.
float CornerAngle(float xScale, float yScale) {
    return std::atan(std::hypot(1.0f / xScale, 1.0f / yScale)) * RadiansToDegrees;
}

void LoadTexture(IDirectDrawSurface7** slot, IDirect3DDevice7* device, const TextureSlot& texture) {
    LoadTextureResource(slot, device, texture.resourceId, texture.fileName);
}

}  // namespace

void ResetFlightScene() {
    std::destroy_at(&Scene);
    std::construct_at(&Scene);
}

HRESULT SetupScene() {
    Scene.phase = CurrentSettings.ShowPictures ? PhaseRoamBeforePicture : PhaseRoam;
    LoadModel();
    SeedSceneRandom(static_cast<uint32_t>(platform::PlatformTime(nullptr)));

    Scene.position = Scene.eye;
    Scene.heading = 90.0f;
    Scene.pitch = 0.0f;
    Scene.yawTurn = TurnChannel{90.0f, 0.0f, 0.0f, 10.0f};
    Scene.pitchTurn = TurnChannel{0.0f, 0.0f, 0.0f, 10.0f};
    Scene.rollTurn = TurnChannel{0.0f, 0.0f, 90.0f, 10.0f};
    Scene.turnLock = false;

    const int32_t amount = CurrentSettings.VexlarStream;
    if (amount >= 1 && amount <= 3) {
        const StreamAmount& a = kStreamAmounts[amount - 1];
        Scene.glyphStreams.Init(a.boxX, a.boxY, a.boxZ, kGlyphSize, kGlyphSize, a.count);
    }
    Scene.glyphStreams.Randomize();
    Scene.glyphStreams.glyphFont = &Scene.font;

    Scene.sparks.Init(kCubeBoxSize, kCubeBoxSize, kCubeBoxSize, &Scene.model);
    Scene.rays.activeCount = 0;

    Scene.pictureCount = kPictureCount;
    Scene.pictureTexture = nullptr;
    Scene.pictureOrder.assign(static_cast<size_t>(Scene.pictureCount), 0);
    Scene.pictureCursor = Scene.pictureCount - 1;
    ShuffleOrder(false);

    Scene.font.InitGlyphFont(90, 16, 16, 16, 24, 0.7f, "", "");

    const bool hiTex = CurrentSettings.HiTexQuality != 0;
    Scene.rainGrid.textureWidth = Scene.rainGrid.textureHeight = hiTex ? 512 : 256;
    Scene.rainGrid.cellWidth = Scene.rainGrid.cellHeight = hiTex ? 16 : 8;
    Scene.rainGrid.font = &Scene.font;

    // Texture coordinates in the order bottom left, top left, bottom right,
    // top right, as SetScreenRect places the corners.
    constexpr float kQuadU[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    constexpr float kQuadV[4] = {1.0f, 0.0f, 1.0f, 0.0f};
    for (int i = 0; i < 4; ++i) {
        ScreenVertex& v = Scene.overlayQuad[i];
        v.z = 0.99f;
        v.rhw = 0.5f;
        v.diffuse = 0xFFFFFFFF;
        v.specular = 0;
        v.u = kQuadU[i];
        v.v = kQuadV[i];
    }

    BuildSkyBox();

    const Vec3& streamBox = Scene.glyphStreams.boxSize;
    Scene.repeatPeriod = Vec3{CommonPeriod(streamBox.x, kCubeBoxSize), CommonPeriod(streamBox.y, kCubeBoxSize),
                              CommonPeriod(streamBox.z, kCubeBoxSize)};
    return 0;
}

HRESULT CreateSceneDeviceObjects(HWND, IDirect3DDevice7* device) {
    for (DWORD stage = 0; stage < 2; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_ADDRESS, D3DTADDRESS_WRAP);
        device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(stage, D3DTSS_COLORARG2, stage == 0 ? D3DTA_DIFFUSE : D3DTA_CURRENT);
        device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTFN_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(stage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    }

    // No light is ever set: lit geometry takes the material's ambient colour
    // times the ambient render state, which the drawing uses as brightness.
    device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_NORMALIZENORMALS, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD);

    D3DMATERIAL7 material{};
    material.diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f};
    material.ambient = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f};
    device->SetMaterial(&material);

    Mat4 world = Mat4Identity();
    device->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);
    Mat4 view = Mat4Identity();
    view._43 = 1.0f;
    device->SetTransform(D3DTRANSFORMSTATE_VIEW, &view);

    D3DVIEWPORT7 viewport{};
    if (FAILED(device->GetViewport(&viewport))) viewport = D3DVIEWPORT7{};
    Mat4 projection{};
    const float depth = Scene.farPlane - Scene.nearPlane;
    const float designedX = 1.0f / std::tan(Scene.fovX * 0.5f);
    // A 4:3 viewport keeps the designed look; other shapes see more or less at its proportions.
    projection._11 = designedX * WidthScale(viewport.dwWidth, viewport.dwHeight);
    projection._22 = 1.0f / std::tan(Scene.fovY * 0.5f);
    projection._33 = Scene.farPlane / depth;
    projection._34 = 1.0f;
    projection._43 = -Scene.nearPlane * Scene.farPlane / depth;
    // Kept at 1 rather than 0: w becomes z + 1, which moves the far limit out
    // to about 2099 and keeps the sky box (350 to 606 away) in view.
    projection._44 = 1.0f;
    device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
    // The effects' view cones grow by as much as the view's corners move out.
    const float coneExtra =
        std::max(CornerAngle(projection._11, projection._22) - CornerAngle(designedX, projection._22), 0.0f);
    Scene.glyphStreams.coneLimit = GlyphStreams::ConeLimit + coneExtra;
    Scene.sparks.coneLimit = SparkField::ConeLimit + coneExtra;

    if (!Scene.isPreview) {
        for (int i = 0; i < kDigitTextureCount; ++i) LoadTexture(&Scene.digitTextures[i], device, kDigitTextures[i]);
        for (const DrumTexture& drum : kDrumTextures) {
            LoadTexture(&Scene.backgroundTextures[drum.drum - 1], device, drum.slot);
        }
        LoadTexture(&Scene.font.sheet, device, kFontSheet);
        LoadTexture(&Scene.glyphStreams.nearTexture, device, kNearTexture);
        Scene.font.BuildGlyphTextures(device);
        Scene.rainGrid.CreateDeviceObjects(device);
        if (!Scene.gridPrepared) {
            Scene.rainGrid.FillInitial();
            Scene.gridPrepared = true;
        }
        LoadTexture(&Scene.rays.texture, device, kRayTexture);
    }

    Scene.lastFrameTime = timeGetTime();
    return 0;
}

void ReleaseSceneTextures() {
    ReleaseTexture(Scene.pictureTexture);
    ReleaseTexture(Scene.rays.texture);
    ReleaseTexture(Scene.rainGrid.texture);
    ReleaseTexture(Scene.rainGrid.staging);
    ReleaseTexture(Scene.glyphStreams.nearTexture);
    for (IDirectDrawSurface7*& texture : Scene.digitTextures) ReleaseTexture(texture);
    ReleaseTexture(Scene.font.sheet);
    ReleaseTexture(Scene.font.maskImage);
    for (GlyphTiles& tiles : Scene.font.glyphs) {
        ReleaseTexture(tiles.texture);
        ReleaseTexture(tiles.mask);
    }
    for (IDirectDrawSurface7*& texture : Scene.backgroundTextures) ReleaseTexture(texture);
}

void ShufflePictures() { ShuffleOrder(true); }

int PictureResourceId(int index) { return index >= 0 && index < kPictureCount ? kPictureResources[index] : 0; }

void LoadCurrentPicture(IDirect3DDevice7* device) {
    const int32_t cursor = Scene.pictureCursor;
    if (cursor < 0 || static_cast<size_t>(cursor) >= Scene.pictureOrder.size()) return;
    const int id = PictureResourceId(Scene.pictureOrder[static_cast<size_t>(cursor)]);
    if (id == 0) return;
    LoadTextureResourceScaled(&Scene.pictureTexture, device, id, "SS.jpg", kPictureSize);
}
