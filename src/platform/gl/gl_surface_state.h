// gl_surface_state.h — what the OpenGL side keeps for one DirectDraw surface.
//
// A surface's pixels live in its own memory in its own format; these are the
// GL copies made from them when a draw needs them, each remembering which
// version of the pixels it holds: a texture of the whole surface, a tile in
// a shared atlas page (small textures, so that draws with different textures
// can share one GL draw call), a colour texture behind a framebuffer object
// (render targets and the primary surface), a depth renderbuffer (z-buffers).
#pragma once

#include <cstdint>

namespace platform::gl {

struct SurfaceGl {
    unsigned texture = 0;  // sampling copy, RGBA8
    uint64_t textureVersion = 0;
    bool textureValid = false;

    int atlasPage = -1;  // tile with a one-texel wrapped border
    int atlasX = 0, atlasY = 0;
    uint64_t atlasVersion = 0;
    bool atlasValid = false;

    unsigned fbo = 0;  // render target
    unsigned colorTexture = 0;
    uint64_t colorVersion = 0;
    bool colorValid = false;
    unsigned attachedDepth = 0;

    unsigned depthBuffer = 0;  // z-buffer
    unsigned depthFormat = 0;
};

}  // namespace platform::gl
