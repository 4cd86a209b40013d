// gl_baseline.h — plain OpenGL drawings of simple textured quads, the
// yardstick the device layer is measured against by the benchmark
// (tools/bench): what the same pixels cost when drawn straight with OpenGL
// in the fewest calls, on a headless context of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace platform::gl {

struct BaselineTexture {
    int width;
    int height;
    std::vector<uint32_t> argb;  // rows top-down
};

// A quad over the pixels [x0, x1) x [y0, y1) (top-left origin), its texture
// coordinates running from (u0, v0) to (u1, v1), coloured (modulated) by color.
struct BaselineQuad {
    float x0, y0, x1, y1;
    float u0, v0, u1, v1;
    uint32_t color;  // 0xAARRGGBB
    int texture;
};

struct BaselineScene {
    int width = 0;
    int height = 0;
    bool additive = true;  // ONE, ONE; else ONE, SRCALPHA
    std::vector<BaselineTexture> textures;
    std::vector<BaselineQuad> quads;
};

// Draws a scene with one clear and one draw call a frame (several textures
// packed into one atlas), each frame waited for, on a headless context of
// its own.
class Baseline {
public:
    Baseline();
    ~Baseline();
    Baseline(const Baseline&) = delete;
    Baseline& operator=(const Baseline&) = delete;

    // False when no GL context can be made.
    bool Prepare(const BaselineScene& scene);
    // Draws frames frames and returns frames per second.
    double Run(int frames);
    // The last frame as 0xRRGGBB, rows top-down.
    std::vector<uint32_t> Pixels();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace platform::gl
