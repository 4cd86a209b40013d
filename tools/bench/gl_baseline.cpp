// gl_baseline.cpp — the benchmark's plain OpenGL reference: fixed-function
// GL, one vertex array, one glDrawArrays per frame.
#define GL_GLEXT_PROTOTYPES 1
#include "gl_baseline.h"

#include "platform/gl/gl_context.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace platform::gl {
namespace {

struct Vertex {
    float x, y, u, v;
    uint8_t rgba[4];
};

}  // namespace

struct Baseline::State {
    std::unique_ptr<GlContext> context;
    std::vector<Vertex> vertices;
    int width = 0, height = 0;
    GLuint texture = 0, fbo = 0, color = 0;
};

Baseline::Baseline() : state_(std::make_unique<State>()) {}

Baseline::~Baseline() {
    if (state_->context && state_->context->MakeCurrent()) {
        glDeleteFramebuffers(1, &state_->fbo);
        glDeleteTextures(1, &state_->color);
        glDeleteTextures(1, &state_->texture);
    }
}

bool Baseline::Prepare(const BaselineScene& scene) {
    State& st = *state_;
    st.context = CreateHeadlessContext();
    if (!st.context || !st.context->MakeCurrent() || scene.textures.empty()) return false;
    st.width = scene.width;
    st.height = scene.height;

    // One texture of its own (repeating), or all of them side by side in one
    // atlas row with a texel of padding, each quad's coordinates mapped into it.
    const bool atlas = scene.textures.size() > 1;
    int atlasW = 0, atlasH = 0;
    std::vector<int> offsets;
    for (const BaselineTexture& t : scene.textures) {
        offsets.push_back(atlasW + 1);
        atlasW += t.width + 2;
        atlasH = std::max(atlasH, t.height + 2);
    }
    glGenTextures(1, &st.texture);
    glBindTexture(GL_TEXTURE_2D, st.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (atlas) {
        std::vector<uint32_t> pixels(static_cast<size_t>(atlasW) * atlasH, 0);
        for (size_t i = 0; i < scene.textures.size(); ++i) {
            const BaselineTexture& t = scene.textures[i];
            for (int y = 0; y < t.height; ++y)
                for (int x = 0; x < t.width; ++x)
                    pixels[static_cast<size_t>(y + 1) * atlasW + offsets[i] + x] =
                        t.argb[static_cast<size_t>(y) * t.width + x] | 0xFF000000u;
        }
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, atlasW, atlasH, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                     pixels.data());
    } else {
        const BaselineTexture& t = scene.textures[0];
        std::vector<uint32_t> pixels = t.argb;
        for (uint32_t& p : pixels) p |= 0xFF000000u;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, t.width, t.height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                     pixels.data());
    }

    st.vertices.reserve(scene.quads.size() * 4);
    for (const BaselineQuad& q : scene.quads) {
        float u0 = q.u0, v0 = q.v0, u1 = q.u1, v1 = q.v1;
        if (atlas) {
            const BaselineTexture& t = scene.textures[static_cast<size_t>(q.texture)];
            float ox = static_cast<float>(offsets[static_cast<size_t>(q.texture)]);
            u0 = (ox + u0 * t.width) / atlasW;
            u1 = (ox + u1 * t.width) / atlasW;
            v0 = (1.0f + v0 * t.height) / atlasH;
            v1 = (1.0f + v1 * t.height) / atlasH;
        }
        uint8_t rgba[4] = {static_cast<uint8_t>(q.color >> 16), static_cast<uint8_t>(q.color >> 8),
                           static_cast<uint8_t>(q.color), static_cast<uint8_t>(q.color >> 24)};
        const Vertex corners[4] = {{q.x0, q.y0, u0, v0, {}}, {q.x1, q.y0, u1, v0, {}}, {q.x1, q.y1, u1, v1, {}},
                                   {q.x0, q.y1, u0, v1, {}}};
        for (Vertex v : corners) {
            std::copy(rgba, rgba + 4, v.rgba);
            st.vertices.push_back(v);
        }
    }

    glGenTextures(1, &st.color);
    glBindTexture(GL_TEXTURE_2D, st.color);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, scene.width, scene.height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &st.fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, st.fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, st.color, 0);
    glBindTexture(GL_TEXTURE_2D, st.texture);

    // Row 0 of the framebuffer is the top row, as the device layer keeps it.
    glViewport(0, 0, scene.width, scene.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, scene.width, 0, scene.height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, scene.additive ? GL_ONE : GL_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_DITHER);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &st.vertices[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &st.vertices[0].u);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), st.vertices[0].rgba);
    glClearColor(0, 0, 0, 1);
    Run(1);
    return glGetError() == GL_NO_ERROR;
}

double Baseline::Run(int frames) {
    State& st = *state_;
    if (!st.context || !st.context->MakeCurrent()) return 0.0;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        glClear(GL_COLOR_BUFFER_BIT);
        glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(st.vertices.size()));
        glFinish();
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return seconds > 0 ? frames / seconds : 0.0;
}

std::vector<uint32_t> Baseline::Pixels() {
    State& st = *state_;
    std::vector<uint32_t> frame(static_cast<size_t>(st.width) * st.height, 0);
    if (!st.context || !st.context->MakeCurrent()) return frame;
    glReadPixels(0, 0, st.width, st.height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, frame.data());
    for (uint32_t& p : frame) p &= 0xFFFFFF;
    return frame;
}

}  // namespace platform::gl
