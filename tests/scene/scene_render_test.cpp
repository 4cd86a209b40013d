// Whole frames of the scene on the headless device, at fixed seeds and
// times, compared with the reference images in tests/scene/reference/
// within a tolerance: the opening frame, free flight (at 4:3, 16:9 and 8:3),
// the climb through the rays, a picture fully shown, a glitch flash, the
// overlay with a fixed clock, and the three Background settings. Also: the
// device set-up's textures, wide views against the 4:3 one, and the world
// repeating after the camera's wrap period.
//
// VEXLAR_UPDATE_REFERENCES=1 rewrites the reference images from this run
// (look at them before committing).
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/headless_render.h"
#include "platform/image/image_decoder.h"
#include "platform/image/image_writer.h"
#include "platform/platform_testing.h"
#include "scene/flight_scene.h"
#include "scene_test_support.h"

namespace {

using scenetest::TimeZone;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr time_t kNoon = 45296;  // 12:34:56 UTC on the first day of 1970

std::filesystem::path ReferencePath(const std::string& name) {
    return std::filesystem::path(__FILE__).parent_path() / "reference" / (name + ".png");
}

// A PNG as 0x00RRGGBB pixels, rows top-down; empty when unreadable.
std::vector<uint32_t> ReadPng(const std::filesystem::path& path, int* width, int* height) {
    std::vector<uint32_t> pixels;
    ImageBitmap* image = ImageLoad(kImageFormatPng, path.c_str(), 0);
    if (!image) return pixels;
    const auto* header = static_cast<const BITMAPINFOHEADER*>(ImageGetInfoHeader(image));
    const auto* bits = static_cast<const uint8_t*>(ImageGetBits(image));
    if (header && bits && (header->biBitCount == 24 || header->biBitCount == 32)) {
        *width = header->biWidth;
        *height = header->biHeight;
        const int bytes = header->biBitCount / 8;
        const size_t pitch = ((static_cast<size_t>(*width) * bytes) + 3) & ~size_t{3};
        pixels.resize(static_cast<size_t>(*width) * *height);
        for (int y = 0; y < *height; ++y) {
            const uint8_t* row = bits + static_cast<size_t>(*height - 1 - y) * pitch;  // bottom-up
            for (int x = 0; x < *width; ++x) {
                const uint8_t* p = row + x * bytes;
                pixels[static_cast<size_t>(y) * *width + x] = uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
            }
        }
    }
    ImageUnload(image);
    return pixels;
}

struct Difference {
    double mean = 0.0;         // mean absolute difference per channel, 0..255
    double largeShare = 0.0;   // share of pixels where some channel differs by more than 48
};

Difference Compare(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    Difference d;
    if (a.size() != b.size() || a.empty()) return Difference{255.0, 1.0};
    long long sum = 0, large = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int worst = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const int delta = std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF));
            sum += delta;
            worst = std::max(worst, delta);
        }
        large += worst > 48;
    }
    d.mean = static_cast<double>(sum) / (3.0 * static_cast<double>(a.size()));
    d.largeShare = static_cast<double>(large) / static_cast<double>(a.size());
    return d;
}

double MeanLevel(const std::vector<uint32_t>& pixels) {
    double sum = 0.0;
    for (uint32_t p : pixels) sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
    return pixels.empty() ? 0.0 : sum / (3.0 * static_cast<double>(pixels.size()));
}

Settings RenderSettings() {
    Settings s = BuiltInSettings;
    s.ShowTime = 0;
    s.ShowFPS = 0;
    return s;
}

class SceneRenderTest : public ::testing::Test {
protected:
    void SetUp() override { utc_ = std::make_unique<TimeZone>("UTC"); }
    void TearDown() override {
        renderer.Close();
        ResetFlightScene();
        CurrentSettings = BuiltInSettings;
        utc_.reset();
    }

    void Open(const Settings& settings, uint32_t seed, int width = kWidth, int height = kHeight) {
        CurrentSettings = settings;
        ASSERT_EQ(renderer.Open(width, height, 30, seed, kNoon), "");
    }
    void Steps(int count) {
        for (int i = 0; i < count; ++i) renderer.Step();
    }
    std::vector<uint32_t> Frame() {
        std::vector<uint32_t> pixels;
        EXPECT_TRUE(renderer.ReadFrame(pixels));
        return pixels;
    }

    // Compares the frame, of the renderer's size, with the reference image of that name.
    void ExpectLooksLike(const std::string& name, const std::vector<uint32_t>& frame) {
        const int width = renderer.Width(), height = renderer.Height();
        ASSERT_EQ(frame.size(), static_cast<size_t>(width * height));
        const std::filesystem::path path = ReferencePath(name);
        const char* update = std::getenv("VEXLAR_UPDATE_REFERENCES");
        if (update && *update && *update != '0') {
            std::filesystem::create_directories(path.parent_path());
            ASSERT_TRUE(WritePngFile(path.c_str(), width, height, frame.data())) << path;
            return;
        }
        int referenceWidth = 0, referenceHeight = 0;
        const std::vector<uint32_t> reference = ReadPng(path, &referenceWidth, &referenceHeight);
        ASSERT_FALSE(reference.empty()) << "no reference image " << path
                                        << " (VEXLAR_UPDATE_REFERENCES=1 writes it)";
        ASSERT_EQ(referenceWidth, width);
        ASSERT_EQ(referenceHeight, height);
        const Difference d = Compare(frame, reference);
        const bool same = d.mean <= 1.0 && d.largeShare <= 0.005;
        if (!same) {
            const std::filesystem::path actual = std::filesystem::temp_directory_path() / (name + "-actual.png");
            WritePngFile(actual.c_str(), width, height, frame.data());
            ADD_FAILURE() << name << " differs from its reference: mean " << d.mean << ", "
                          << d.largeShare * 100.0 << "% of pixels far off; this run's frame is " << actual;
        }
    }

    // Phase 5 with the picked cube upright 7.8 units in front of the camera.
    void HoldCubeInFront(int stage) {
        Scene.phase = PhasePicture;
        Scene.phaseClock = 100.0f;
        Scene.position = Scene.eye = Vec3{10.0f, 20.0f, 30.0f};
        Scene.heading = 90.0f;
        Scene.pitch = 0.0f;
        Scene.yawTurn = TurnChannel{90.0f, 0.0f, 0.0f, 100.0f};
        Scene.pitchTurn = TurnChannel{0.0f, 0.0f, 0.0f, 100.0f};
        Scene.rollTurn = TurnChannel{0.0f, 0.0f, 0.0f, 100.0f};
        Scene.turnLock = true;
        SparkField& sparks = Scene.sparks;
        sparks.holding = 1;
        sparks.selected = 0;
        sparks.stage = stage;
        sparks.cubes[0].position = Vec3{10.0f, 20.0f, 37.8f};
        sparks.cubes[0].rotation = Vec3{};
        Scene.pictureCursor = 0;
        LoadCurrentPicture(renderer.Device());
    }

    HeadlessRenderer renderer;

private:
    std::unique_ptr<TimeZone> utc_;
};

TEST_F(SceneRenderTest, DeviceSetupLoadsEveryTexture) {
    Open(RenderSettings(), 1234);
    for (IDirectDrawSurface7* texture : Scene.digitTextures) EXPECT_NE(texture, nullptr);
    for (IDirectDrawSurface7* texture : Scene.backgroundTextures) EXPECT_NE(texture, nullptr);
    EXPECT_NE(Scene.backgroundTextures[2], Scene.backgroundTextures[3]);  // the same image, textures of their own
    EXPECT_NE(Scene.font.sheet, nullptr);
    EXPECT_NE(Scene.font.glyphs[65].texture, nullptr);
    EXPECT_NE(Scene.glyphStreams.nearTexture, nullptr);
    EXPECT_NE(Scene.rays.texture, nullptr);
    EXPECT_NE(Scene.rainGrid.texture, nullptr);
    EXPECT_TRUE(Scene.gridPrepared);
    EXPECT_EQ(Scene.pictureTexture, nullptr);
    Scene.pictureCursor = 3;
    LoadCurrentPicture(renderer.Device());
    ASSERT_NE(Scene.pictureTexture, nullptr);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(Scene.pictureTexture->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwWidth, 512u);
    EXPECT_EQ(desc.dwHeight, 512u);

    ReleaseSceneTextures();
    EXPECT_EQ(Scene.pictureTexture, nullptr);
    EXPECT_EQ(Scene.font.glyphs[65].texture, nullptr);
    // In preview nothing is decoded, and frames stay black.
    Scene.isPreview = true;
    CreateSceneDeviceObjects(nullptr, renderer.Device());
    for (IDirectDrawSurface7* texture : Scene.digitTextures) EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(Scene.font.sheet, nullptr);
    EXPECT_EQ(Scene.rays.texture, nullptr);
    Steps(1);
    EXPECT_EQ(MeanLevel(Frame()), 0.0);
}

TEST_F(SceneRenderTest, OpeningFrame) {
    Settings settings = BuiltInSettings;
    settings.ShowFPS = 1;
    Open(settings, 1234);
    Steps(1);
    ExpectLooksLike("opening", Frame());
}

TEST_F(SceneRenderTest, FreeFlight) {
    Settings settings = RenderSettings();
    settings.ShowPictures = 0;
    settings.DoThrottle = 0;
    Open(settings, 5150);
    Steps(90);
    EXPECT_EQ(Scene.phase, PhaseRoam);
    ExpectLooksLike("free_flight", Frame());
}

// A wider view sees more of the same flight at the same proportions: the
// middle of a 16:9 or an 8:3 frame is the 4:3 frame of the same height.
TEST_F(SceneRenderTest, WideViewsSeeMoreAtTheSameProportions) {
    struct Shape {
        const char* reference;
        int width, height;
    } const shapes[] = {{"free_flight_640x360", 640, 360}, {"free_flight_1280x480", 1280, 480}};
    Settings settings = RenderSettings();
    settings.ShowPictures = 0;
    settings.DoThrottle = 0;
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.reference);
        const int narrow = shape.height * 4 / 3;
        Open(settings, 5150, narrow, shape.height);
        Steps(90);
        const std::vector<uint32_t> designed = Frame();
        renderer.Close();

        Open(settings, 5150, shape.width, shape.height);
        Steps(90);
        const std::vector<uint32_t> wide = Frame();
        ExpectLooksLike(shape.reference, wide);
        renderer.Close();

        ASSERT_EQ(wide.size(), static_cast<size_t>(shape.width * shape.height));
        std::vector<uint32_t> middle;
        const int left = (shape.width - narrow) / 2;
        for (int y = 0; y < shape.height; ++y) {
            const auto row = wide.begin() + static_cast<std::ptrdiff_t>(y) * shape.width + left;
            middle.insert(middle.end(), row, row + narrow);
        }
        // Only near the 4:3 frame's corners, where its view cone leaves out a
        // few glyphs that the wider cone draws, may pixels differ much.
        const Difference d = Compare(middle, designed);
        EXPECT_LT(d.mean, 1.0);
        EXPECT_LT(d.largeShare, 0.01);
        EXPECT_GT(MeanLevel(designed), 10.0);
    }
}

TEST_F(SceneRenderTest, ClimbThroughTheRays) {
    Open(RenderSettings(), 77);
    Scene.phase = PhaseRays;
    Scene.phaseClock = 50.0f;
    Scene.climbSpeed = 20.0f;
    Scene.yawTurn = TurnChannel{89.0f, 0.0f, 0.0f, 100.0f};
    Scene.pitchTurn = TurnChannel{89.0f, 0.0f, 0.0f, 100.0f};
    Scene.rollTurn = TurnChannel{0.0f, 0.0f, 0.0f, 100.0f};
    Scene.pitch = 89.0f;
    Scene.rays.Start();
    Scene.rays.Update(0.1f);  // halfway up their light
    Steps(2);
    ASSERT_EQ(Scene.rays.activeCount, 10);
    ExpectLooksLike("climb_rays", Frame());
}

TEST_F(SceneRenderTest, PictureFullyShown) {
    Open(RenderSettings(), 1);
    HoldCubeInFront(SparkField::StagePictureShown);
    Steps(2);
    ASSERT_EQ(Scene.sparks.stage, SparkField::StagePictureShown);
    const std::vector<uint32_t> frame = Frame();
    ExpectLooksLike("picture_shown", frame);
    // The picture covers the view: the cube's face fills the frame.
    int lit = 0;
    for (uint32_t p : frame) lit += (p & 0xFFFFFF) != 0;
    EXPECT_GT(lit, kWidth * kHeight / 2);
}

TEST_F(SceneRenderTest, GlitchFlash) {
    Open(RenderSettings(), 1);
    HoldCubeInFront(SparkField::StageGlitch);
    Scene.phaseClock = 50.0f;
    Scene.flashActive = false;
    Scene.flashLevel = 190.0f;
    Scene.flashPeak = 190.0f;
    Scene.flashWait = 100.0f;
    Steps(1);
    ASSERT_GT(Scene.flashLevel, 150.0f);
    ExpectLooksLike("glitch_flash", Frame());
}

TEST_F(SceneRenderTest, OverlayWithAFixedClock) {
    Settings settings = RenderSettings();
    settings.ShowTime = 1;
    settings.ShowFPS = 1;
    settings.Background = 1;
    settings.VexlarStream = 0;
    settings.ShowPictures = 0;
    Open(settings, 9);
    Scene.fpsValue = 57.5f;  // under virtual time drawing takes no time, so the value stays
    Steps(1);
    const std::vector<uint32_t> frame = Frame();
    ExpectLooksLike("overlay_clock", frame);
    // Bright digits at the bottom right (12:34:56) and top left (57.50).
    auto brightIn = [&](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += ((frame[static_cast<size_t>(y) * kWidth + x] >> 8) & 0xFF) > 160;
        return n;
    };
    EXPECT_GT(brightIn(224, 220, 320, 232), 100);
    EXPECT_GT(brightIn(3, 2, 63, 14), 50);
}

TEST_F(SceneRenderTest, BackgroundSettings) {
    double levels[4] = {};
    for (int background = 1; background <= 3; ++background) {
        Settings settings = RenderSettings();
        settings.Background = background;
        settings.VexlarStream = 0;
        settings.ShowPictures = 0;
        Open(settings, 31);
        Steps(1);
        const std::vector<uint32_t> frame = Frame();
        levels[background] = MeanLevel(frame);
        ExpectLooksLike("background_" + std::to_string(background), frame);
        renderer.Close();
    }
    EXPECT_LT(levels[1], 2.0);  // black apart from the cubes
    EXPECT_GT(levels[2], levels[1] + 5.0);
    EXPECT_GT(levels[3], levels[2] + 5.0);
}

// Moving the camera by the wrap period changes nothing on screen: the
// streams and the cubes repeat after it.
TEST_F(SceneRenderTest, WorldRepeatsAfterTheWrapPeriod) {
    std::vector<uint32_t> frames[2];
    for (int shifted = 0; shifted < 2; ++shifted) {
        Settings settings = RenderSettings();
        settings.ShowPictures = 0;
        settings.DoThrottle = 0;
        settings.VexlarStream = 2;
        Open(settings, 606);
        const Vec3 period = Scene.repeatPeriod;
        EXPECT_EQ(period.x, 1750.0f);
        Scene.repeatPeriod = Vec3{};  // no wrapping: the camera really is a period away
        Scene.position = Vec3{37.0f, -12.0f, 41.0f};
        if (shifted) Scene.position = Vec3{37.0f + period.x, -12.0f + period.y, 41.0f - period.z};
        Steps(3);
        frames[shifted] = Frame();
        renderer.Close();
    }
    const Difference d = Compare(frames[0], frames[1]);
    EXPECT_LT(d.mean, 0.5);
    EXPECT_LT(d.largeShare, 0.002);
    EXPECT_GT(MeanLevel(frames[0]), 10.0);
}

}  // namespace
