// glyph_streams.cpp — GlyphStreams: set-up, fall, cone culling and drawing.
#include "scene/effects/glyph_streams.h"

#include <algorithm>
#include <cmath>

#include "assets/glyph_font.h"
#include "math/packed_color.h"
#include "scene/effects/repeating_volume.h"
#include "scene/scene_random.h"

namespace {

constexpr int FrontSquare = 0;
constexpr int BackSquare = 4;

IDirectDrawSurface7* GlyphTexture(const GlyphFont* font, int32_t id) {
    if (!font || id < 0 || static_cast<size_t>(id) >= font->glyphs.size()) return nullptr;
    return font->glyphs[static_cast<size_t>(id)].texture;
}

// One channel of a glyph's ambient colour. The fade is never below 0, so the
// value stays in 0..255 for any brightness up to 255.
int Channel(float base, float fade, float brightness) {
    const float value = base * fade / 255.0f * brightness;
    return static_cast<int>(std::clamp(value, 0.0f, 255.0f));
}

}  // namespace

void GlyphStreams::Init(float boxX, float boxY, float boxZ, float width, float height, int32_t count) {
    boxSize = Vec3{boxX, boxY, boxZ};
    glyphWidth = width;
    glyphHeight = height;
    streamCount = std::clamp<int32_t>(count, 0, MaxStreams);

    const float w = width, h = height;
    const Vec3 frontNormal{0.0f, 0.0f, 1.0f}, backNormal{0.0f, 0.0f, -1.0f};
    templateQuads[0] = SceneVertex(Vec3{0.0f, h, 0.0f}, frontNormal, 0.01f, 0.01f);
    templateQuads[1] = SceneVertex(Vec3{0.0f, 0.0f, 0.0f}, frontNormal, 0.01f, 0.99f);
    templateQuads[2] = SceneVertex(Vec3{w, h, 0.0f}, frontNormal, 0.99f, 0.01f);
    templateQuads[3] = SceneVertex(Vec3{w, 0.0f, 0.0f}, frontNormal, 0.99f, 0.99f);
    // The back square winds the other way and still maps u = 0.01 at x = 0.
    templateQuads[4] = SceneVertex(Vec3{0.0f, h, 0.0f}, backNormal, 0.01f, 0.01f);
    templateQuads[5] = SceneVertex(Vec3{w, h, 0.0f}, backNormal, 0.99f, 0.01f);
    templateQuads[6] = SceneVertex(Vec3{0.0f, 0.0f, 0.0f}, backNormal, 0.01f, 0.99f);
    templateQuads[7] = SceneVertex(Vec3{w, 0.0f, 0.0f}, backNormal, 0.99f, 0.99f);
    std::copy(std::begin(templateQuads), std::end(templateQuads), std::begin(drawQuads));
}

void GlyphStreams::Randomize() {
    activeCount = streamCount;
    for (int32_t i = 0; i < activeCount; ++i) {
        GlyphStream& s = streams[i];
        s.length = static_cast<int32_t>(SceneRandomUnit() * 38.0f + 5.0f);
        s.x = SceneRandomUnit() * boxSize.x;
        s.y = SceneRandomUnit() * boxSize.y;
        s.z = SceneRandomUnit() * boxSize.z;
        s.speed = 2.0f * SceneRandomUnit() + 1.0f;
        s.scroll = 0.0f;
        for (int32_t k = 0; k < s.length; ++k) s.glyphs[k] = static_cast<int32_t>(SceneRandomUnit() * 60.0f + 1.0f);
    }
}

void GlyphStreams::Update(float step) {
    for (int32_t i = 0; i < activeCount; ++i) {
        GlyphStream& s = streams[i];
        s.scroll = s.scroll + step * 35.0f * s.speed;
        if (glyphHeight > 0.0f) {
            // Whole glyph steps, counted in float: a long frame can ask for
            // more steps than an integer holds.
            const float n = std::trunc(s.scroll / glyphHeight);
            s.y = s.y - n * glyphHeight;
            s.scroll = s.scroll - n * glyphHeight;
            // At astronomically large steps the subtraction above is only
            // approximate; keep the remainder within one glyph.
            if (!(s.scroll >= 0.0f && s.scroll < glyphHeight)) {
                s.scroll = std::isfinite(s.scroll) ? std::fmod(s.scroll, glyphHeight) : 0.0f;
                if (s.scroll < 0.0f) s.scroll += glyphHeight;
            }
        }
        const float top = static_cast<float>(s.length) * glyphHeight + s.y;
        if (top < 0.0f && boxSize.y > 0.0f) {
            if (top >= -boxSize.y) {
                s.y = s.y + boxSize.y;
            } else {
                // Fallen through more than one box height in one step: put
                // the top back into the box at once, as repeated wraps would.
                float wrapped = std::fmod(top, boxSize.y);
                if (wrapped < 0.0f) wrapped += boxSize.y;
                s.y = wrapped - static_cast<float>(s.length) * glyphHeight;
            }
        }
        for (int32_t k = 0; k < s.length; ++k) {
            if (SceneRandomUnit() > 0.85f) s.glyphs[k] = static_cast<int32_t>(SceneRandomUnit() * 60.0f + 5.0f);
        }
    }
}

void GlyphStreams::Draw(IDirect3DDevice7* device, float camX, float camY, float camZ, float yawDeg,
                        float pitchDeg) {
    if (!device) return;
    VolumeView view;
    view.Set(boxSize, camX, camY, camZ);
    ViewCone cone;
    cone.Set(yawDeg, pitchDeg);

    // Pass 1: a stream is visible when its lowest or its top glyph is in the
    // cone. Only a lowest glyph in front decides; otherwise the last answer
    // stands.
    for (int32_t i = 0; i < activeCount; ++i) {
        GlyphStream& s = streams[i];
        const float dx = view.OffsetX(s.x);
        const float dz = view.OffsetZ(s.z);
        float angle = 0.0f;
        if (!cone.InFront(Vec3{dx, view.OffsetY(s.y), dz}, &angle)) continue;
        if (angle < coneLimit) {
            s.visible = 1;
            continue;
        }
        const float topY = s.y + static_cast<float>(s.length - 1) * glyphHeight;
        s.visible = cone.Passes(Vec3{dx, view.OffsetY(topY), dz}, coneLimit, nullptr) ? 1 : 0;
    }

    // Pass 2: one strip per glyph in the cone.
    for (int32_t i = 0; i < activeCount; ++i) {
        const GlyphStream& s = streams[i];
        if (!s.visible) continue;
        const float dx = view.OffsetX(s.x);
        const float dz = view.OffsetZ(s.z);
        for (int32_t k = 0; k < s.length; ++k) {
            float red, green, blue;
            if (k == 0) {
                red = 131.0f;
                green = 252.0f;
                blue = 188.0f;
            } else {
                const float v = static_cast<float>(k) <= static_cast<float>(s.length) * 0.5f
                                    ? 1.0f
                                    : 2.0f * static_cast<float>(s.length - k) / static_cast<float>(s.length);
                red = blue = 20.0f * v;
                green = static_cast<float>(static_cast<int>(200.0f * v + 24.0f) & 0xFF);
            }

            const Vec3 p{dx, view.OffsetY(s.y + static_cast<float>(k) * glyphHeight), dz};
            if (!cone.Passes(p, coneLimit, nullptr)) continue;

            // Fade towards the face of the box copy on the dominant axis; a
            // glyph beyond the face (a tall stream's top above the box) stays
            // black rather than turning negative.
            const int axis = DominantAxis(p);
            const float c = std::fabs(AxisValue(p, axis));
            const float half = AxisValue(view.half, axis);
            float fade = 1.0f;
            if (c > half - EdgeFade) fade = std::max((half - c) / EdgeFade, 0.0f);

            const Vec3 at{p.x + camX, p.y + camY, p.z + camZ};
            for (int j = 0; j < 8; ++j) {
                drawQuads[j].position = Vec3{templateQuads[j].position.x + at.x, templateQuads[j].position.y + at.y,
                                             templateQuads[j].position.z + at.z};
            }

            device->SetRenderState(D3DRENDERSTATE_AMBIENT,
                                   MakeColor(Channel(red, fade, brightness), Channel(green, fade, brightness),
                                             Channel(blue, fade, brightness)));
            device->SetTexture(0, GlyphTexture(glyphFont, s.glyphs[k]));
            const float distanceSq = p.x * p.x + p.y * p.y + p.z * p.z;
            device->SetTexture(1, distanceSq < NearDistanceSq ? nearTexture : nullptr);
            if (p.z >= 0.0f) {
                device->DrawPrimitive(D3DPT_TRIANGLESTRIP, LitVertexFVF, &drawQuads[BackSquare], 4, 0);
            } else {
                device->DrawPrimitive(D3DPT_TRIANGLESTRIP, SceneVertexFVF, &drawQuads[FrontSquare], 4, 0);
            }
        }
    }
    device->SetTexture(1, nullptr);
}
