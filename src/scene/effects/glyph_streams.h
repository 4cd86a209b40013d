// glyph_streams.h — GlyphStreams: up to 950 vertical streams of glyph tiles
// falling through a box that repeats in every direction around the camera.
//
// Each stream is drawn at the copy of the box nearest to the camera; glyphs
// outside a cone around the view direction (35 degrees at a 4:3 view) are
// skipped on the processor, glyphs near the faces of the box copy fade to
// black, and glyphs within 14 units get the near texture on stage 1. Every
// glyph is one four-vertex strip whose colour is set through the ambient
// render state. All state sits in fixed arrays; nothing is allocated after
// Init. The object never releases the textures it draws with.
#pragma once

#include <d3d.h>
#include <ddraw.h>

#include <cstdint>

#include "math/vec3.h"
#include "math/vertices.h"

struct GlyphFont;

struct GlyphStream {
    static constexpr int MaxGlyphs = 46;

    float x = 0.0f;  // lowest glyph, box coordinates; y may drift below 0
    float y = 0.0f;
    float z = 0.0f;
    int32_t length = 0;                 // 5..43 glyphs
    int32_t glyphs[MaxGlyphs] = {};     // glyph ids, 0 = the leading (lowest) glyph
    float speed = 0.0f;                 // 1..3
    float scroll = 0.0f;                // fall not yet applied as whole glyph steps
    uint8_t visible = 0;                // cone test result of the last Draw
};

struct GlyphStreams {
    static constexpr int MaxStreams = 950;
    static constexpr float ConeLimit = 35.0f;      // degrees from the view axis, at a 4:3 view
    static constexpr float NearDistanceSq = 196.0f;  // 14 units: near texture closer than this
    static constexpr float EdgeFade = 5.0f;        // fade band inside each box face

    // Stores the box and glyph size and the stream count (held to
    // 0..MaxStreams) and builds the template squares.
    void Init(float boxX, float boxY, float boxZ, float glyphWidth, float glyphHeight, int32_t count);
    // Gives every stream a random length, place, speed and glyphs.
    void Randomize();
    // Moves the streams down by the effect step (non-negative) and changes
    // some glyphs.
    void Update(float step);
    // Draws the visible glyphs for a camera at cam looking along yaw and
    // pitch (degrees). Sets the ambient level, textures 0 and 1 and draws;
    // leaves texture stage 1 empty.
    void Draw(IDirect3DDevice7* device, float camX, float camY, float camZ, float yawDeg, float pitchDeg);

    float glyphWidth = 0.0f;
    float glyphHeight = 0.0f;
    int32_t streamCount = 0;
    int32_t activeCount = 0;
    float brightness = 0.0f;  // 0..255, set by the scene before every Draw
    float coneLimit = ConeLimit;  // glyphs are drawn within this; the scene widens it for wider views
    Vec3 boxSize;
    SceneVertex templateQuads[8];  // front square 0..3, back square 4..7, at the origin
    SceneVertex drawQuads[8];
    GlyphFont* glyphFont = nullptr;
    GlyphStream streams[MaxStreams];
    IDirectDrawSurface7* nearTexture = nullptr;
};
