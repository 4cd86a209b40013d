// d3d_bench.cpp — frames per second of the Direct3D layer on the headless
// backend against plain OpenGL drawing the same pixels, at 800 x 600 and
// 1920 x 1080:
//   (a) sky: six full-screen layers of one bilinear 256 x 256 texture,
//       repeating six times, added onto the frame (as the sky box does);
//   (b) glyphs: 5,000 lit 16 x 16 pixel quads, each with its own SetTexture
//       (90 glyph textures) and SetRenderState(D3DRENDERSTATE_AMBIENT), added
//       with ONE / SRCALPHA (as the glyph streams do).
// Every frame is cleared and waited for; the two take turns in three rounds
// and the best round of each is printed: frames per second, and processor
// milliseconds per frame (all threads), which other load on the machine
// disturbs less. Also prints the largest channel difference between the two
// renderings' last frames.
//
//   vexlar_bench [seconds per measurement, default 2]
#include <d3d.h>
#include <ddraw.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "gl_baseline.h"
#include "math/vertices.h"
#include "platform/d3d/direct3d_device_gl.h"
#include "platform/platform.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 3;
using platform::gl::BaselineQuad;
using platform::gl::BaselineScene;
using platform::gl::BaselineTexture;

uint32_t g_seed = 12345;
uint32_t Next() {
    g_seed = g_seed * 214013u + 2531011u;
    return (g_seed >> 16) & 0x7FFF;
}

BaselineScene SkyScene(int width, int height) {
    BaselineScene scene;
    scene.width = width;
    scene.height = height;
    scene.additive = true;
    BaselineTexture t{256, 256, std::vector<uint32_t>(256 * 256)};
    for (uint32_t& p : t.argb) {
        uint32_t g = Next() & 0xFF;
        p = 0xFF000000u | (g / 4) << 16 | g << 8 | (g / 3);
    }
    scene.textures.push_back(std::move(t));
    for (int layer = 0; layer < 6; ++layer)
        scene.quads.push_back(BaselineQuad{0, 0, static_cast<float>(width), static_cast<float>(height), 0.002f,
                                           0.002f + layer * 0.1f, 5.998f, 5.998f + layer * 0.1f, 0xFF2A2A2A, 0});
    return scene;
}

BaselineScene GlyphScene(int width, int height) {
    BaselineScene scene;
    scene.width = width;
    scene.height = height;
    scene.additive = false;
    for (int g = 0; g < 90; ++g) {
        BaselineTexture t{16, 16, std::vector<uint32_t>(256)};
        for (uint32_t& p : t.argb) p = (Next() & 3) ? 0xFFFFFFFF : 0xFF000000;
        scene.textures.push_back(std::move(t));
    }
    for (int i = 0; i < 5000; ++i) {
        float x = static_cast<float>(Next() % static_cast<uint32_t>(width - 16));
        float y = static_cast<float>(Next() % static_cast<uint32_t>(height - 16));
        uint32_t color = 0xFF000000u | (Next() & 0x3F) << 16 | (Next() & 0xFF) << 8 | (Next() & 0x3F);
        scene.quads.push_back(BaselineQuad{x, y, x + 16, y + 16, 0, 0, 1, 1, color, static_cast<int>(Next() % 90)});
    }
    return scene;
}

// The layer: a DirectDraw object with a 32-bit render target and a HAL device.
struct Layer {
    IDirectDraw7* dd = nullptr;
    IDirectDrawSurface7* target = nullptr;
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    std::vector<IDirectDrawSurface7*> textures;

    bool Create(int width, int height) {
        if (FAILED(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&dd), IID_IDirectDraw7, nullptr))) return false;
        dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
        DDSURFACEDESC2 desc;
        std::memset(&desc, 0, sizeof desc);
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
        desc.dwWidth = static_cast<DWORD>(width);
        desc.dwHeight = static_cast<DWORD>(height);
        desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
        desc.ddpfPixelFormat.dwRGBBitCount = 32;
        desc.ddpfPixelFormat.dwRBitMask = 0xFF0000;
        desc.ddpfPixelFormat.dwGBitMask = 0xFF00;
        desc.ddpfPixelFormat.dwBBitMask = 0xFF;
        if (FAILED(dd->CreateSurface(&desc, &target, nullptr))) return false;
        if (FAILED(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d)))) return false;
        if (FAILED(d3d->CreateDevice(IID_IDirect3DHALDevice, target, &device))) return false;
        D3DVIEWPORT7 vp{0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0.0f, 1.0f};
        device->SetViewport(&vp);
        // The scene's device set-up: stages, render states, material.
        for (DWORD stage : {0u, 1u}) {
            device->SetTextureStageState(stage, D3DTSS_ADDRESS, D3DTADDRESS_WRAP);
            device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_MODULATE);
            device->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
            device->SetTextureStageState(stage, D3DTSS_COLORARG2, stage == 0 ? D3DTA_DIFFUSE : D3DTA_CURRENT);
            device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTFN_LINEAR);
            device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
            device->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
            device->SetTextureStageState(stage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        }
        device->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
        device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, TRUE);
        device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
        D3DMATERIAL7 material{};
        material.diffuse = {1, 1, 1, 1};
        material.ambient = {1, 1, 1, 1};
        device->SetMaterial(&material);
        // World and view identity; the projection maps pixels to clip space.
        D3DMATRIX projection{};
        projection._11 = 2.0f / static_cast<float>(width);
        projection._22 = -2.0f / static_cast<float>(height);
        projection._41 = -1.0f;
        projection._42 = 1.0f;
        projection._43 = 0.5f;
        projection._44 = 1.0f;
        device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
        return true;
    }

    bool Load(const BaselineScene& scene) {
        for (const BaselineTexture& t : scene.textures) {
            DDSURFACEDESC2 desc;
            std::memset(&desc, 0, sizeof desc);
            desc.dwSize = sizeof desc;
            desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
            desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
            desc.dwWidth = static_cast<DWORD>(t.width);
            desc.dwHeight = static_cast<DWORD>(t.height);
            desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
            desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
            desc.ddpfPixelFormat.dwRGBBitCount = 32;
            desc.ddpfPixelFormat.dwRBitMask = 0xFF0000;
            desc.ddpfPixelFormat.dwGBitMask = 0xFF00;
            desc.ddpfPixelFormat.dwBBitMask = 0xFF;
            IDirectDrawSurface7* s = nullptr;
            if (FAILED(dd->CreateSurface(&desc, &s, nullptr))) return false;
            DDSURFACEDESC2 lock;
            std::memset(&lock, 0, sizeof lock);
            lock.dwSize = sizeof lock;
            if (FAILED(s->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr))) return false;
            for (int y = 0; y < t.height; ++y)
                std::memcpy(static_cast<uint8_t*>(lock.lpSurface) + static_cast<size_t>(y) * lock.lPitch,
                            &t.argb[static_cast<size_t>(y) * t.width], static_cast<size_t>(t.width) * 4);
            s->Unlock(nullptr);
            textures.push_back(s);
        }
        return true;
    }

    void Frame(const BaselineScene& scene) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        device->BeginScene();
        device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRENDERSTATE_DESTBLEND, scene.additive ? D3DBLEND_ONE : D3DBLEND_SRCALPHA);
        for (size_t i = 0; i < scene.quads.size(); ++i) {
            const BaselineQuad& q = scene.quads[i];
            SceneVertex v[4] = {SceneVertex(Vec3{q.x0, q.y1, 0}, 0, 0, -1, q.u0, q.v1),
                                SceneVertex(Vec3{q.x0, q.y0, 0}, 0, 0, -1, q.u0, q.v0),
                                SceneVertex(Vec3{q.x1, q.y1, 0}, 0, 0, -1, q.u1, q.v1),
                                SceneVertex(Vec3{q.x1, q.y0, 0}, 0, 0, -1, q.u1, q.v0)};
            // Pixel corners sit half a pixel before Direct3D's pixel centres.
            for (SceneVertex& p : v) {
                p.position.x -= 0.5f;
                p.position.y -= 0.5f;
            }
            device->SetRenderState(D3DRENDERSTATE_AMBIENT, q.color & 0xFFFFFF);
            device->SetTexture(0, textures[static_cast<size_t>(q.texture)]);
            device->DrawPrimitive(D3DPT_TRIANGLESTRIP, (i & 1) ? LitVertexFVF : SceneVertexFVF, v, 4, 0);
        }
        device->EndScene();
        platform::d3d::FlushDevice(device, true);
    }

    std::vector<uint32_t> Pixels(int width, int height) {
        std::vector<uint32_t> out(static_cast<size_t>(width) * height);
        DDSURFACEDESC2 lock;
        std::memset(&lock, 0, sizeof lock);
        lock.dwSize = sizeof lock;
        if (FAILED(target->Lock(nullptr, &lock, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) return out;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                out[static_cast<size_t>(y) * width + x] =
                    reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(lock.lpSurface) +
                                                      static_cast<size_t>(y) * lock.lPitch)[x] &
                    0xFFFFFF;
        target->Unlock(nullptr);
        return out;
    }

    ~Layer() {
        if (device) {
            device->SetTexture(0, nullptr);
            device->Release();
        }
        for (IDirectDrawSurface7* t : textures) t->Release();
        if (target) target->Release();
        if (d3d) d3d->Release();
        if (dd) dd->Release();
    }
};

// Frames that fit in about `seconds`, judged from one timed frame.
int FramesFor(double frameSeconds, double seconds) {
    int frames = frameSeconds > 0 ? static_cast<int>(seconds / frameSeconds) : 100;
    return std::clamp(frames, 5, 2000);
}

// Processor time of the whole process (llvmpipe's threads included), which
// other load on the machine disturbs less than the wall clock.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int MaxDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    int worst = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        for (int s = 0; s < 24; s += 8)
            worst = std::max(worst, std::abs(static_cast<int>((a[i] >> s) & 0xFF) - static_cast<int>((b[i] >> s) & 0xFF)));
    return worst;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    if (seconds <= 0) seconds = 2.0;
    platform::SelectWindowBackend(platform::WindowBackend::Headless);
    std::printf("%-10s %-28s %10s %10s %6s %10s %10s %6s %5s\n", "size", "scene", "layer fps", "plain fps", "ratio",
                "layer cpu", "plain cpu", "ratio", "diff");
    const int sizes[2][2] = {{800, 600}, {1920, 1080}};
    for (const auto& size : sizes) {
        for (int kind = 0; kind < 2; ++kind) {
            g_seed = 12345;
            BaselineScene scene = kind == 0 ? SkyScene(size[0], size[1]) : GlyphScene(size[0], size[1]);
            Layer layer;
            if (!layer.Create(size[0], size[1]) || !layer.Load(scene)) {
                std::fprintf(stderr, "vexlar_bench: the device could not be created\n");
                return 1;
            }
            layer.Frame(scene);  // uploads textures, compiles programs
            platform::gl::Baseline plain;
            if (!plain.Prepare(scene)) {
                std::fprintf(stderr, "vexlar_bench: no OpenGL context for the plain drawing\n");
                return 1;
            }
            auto t0 = Clock::now();
            layer.Frame(scene);
            int frames = FramesFor(std::chrono::duration<double>(Clock::now() - t0).count(), seconds / kRounds);
            // The two take turns and the best round of each counts, so that
            // other load on the machine hurts both alike.
            double layerFps = 0, plainFps = 0, layerCpu = 1e9, plainCpu = 1e9;
            for (int round = 0; round < kRounds; ++round) {
                t0 = Clock::now();
                double c0 = CpuSeconds();
                for (int i = 0; i < frames; ++i) layer.Frame(scene);
                layerCpu = std::min(layerCpu, (CpuSeconds() - c0) * 1000.0 / frames);
                layerFps = std::max(layerFps, frames / std::chrono::duration<double>(Clock::now() - t0).count());
                c0 = CpuSeconds();
                plainFps = std::max(plainFps, plain.Run(frames));
                plainCpu = std::min(plainCpu, (CpuSeconds() - c0) * 1000.0 / frames);
            }
            std::vector<uint32_t> layerPixels = layer.Pixels(size[0], size[1]);
            std::vector<uint32_t> plainPixels = plain.Pixels();
            char label[16];
            std::snprintf(label, sizeof label, "%dx%d", size[0], size[1]);
            std::printf("%-10s %-28s %10.1f %10.1f %6.2f %10.2f %10.2f %6.2f %5d\n", label,
                        kind == 0 ? "(a) sky, 6 additive layers" : "(b) 5000 glyphs, own texture", layerFps, plainFps,
                        layerFps > 0 ? plainFps / layerFps : 0.0, layerCpu, plainCpu,
                        plainCpu > 0 ? layerCpu / plainCpu : 0.0, MaxDifference(layerPixels, plainPixels));
            std::fflush(stdout);
        }
    }
    return 0;
}
