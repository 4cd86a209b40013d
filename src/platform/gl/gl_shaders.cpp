// gl_shaders.cpp — GLSL sources; the fragment shader follows Direct3D 7's
// texture stage rules: a stage whose colour operation is DISABLE ends the
// cascade, CURRENT in stage 0 is the diffuse colour, an alpha operation of
// DISABLE passes the current alpha on. A stage that reads a texture but has
// none bound passes colour and alpha on unchanged (the device gives it a
// pass-through combiner, or an empty atlas tile inside a batch).
#include "platform/gl/gl_shaders.h"

#include <d3d.h>

namespace platform::gl {
namespace {

std::string Argument(uint8_t arg, int stage, bool alpha) {
    const char* name = "cur";
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: name = "vDiffuse"; break;
    case D3DTA_TEXTURE: name = stage == 0 ? "t0" : "t1"; break;
    case D3DTA_TFACTOR: name = "uTextureFactor"; break;
    case D3DTA_SPECULAR: name = "vSpecular"; break;
    default: break;
    }
    std::string base = (arg & D3DTA_COMPLEMENT) ? std::string("(vec4(1.0) - ") + name + ")" : std::string(name);
    if (alpha) return base + ".a";
    if (arg & D3DTA_ALPHAREPLICATE) return "vec3(" + base + ".a)";
    return base + ".rgb";
}

std::string Operation(uint8_t op, const std::string& a1, const std::string& a2, int stage) {
    const char* tex = stage == 0 ? "t0" : "t1";
    auto lerp = [&](const std::string& f) { return "mix(" + a2 + ", " + a1 + ", " + f + ")"; };
    switch (op) {
    case D3DTOP_SELECTARG1: return a1;
    case D3DTOP_SELECTARG2: return a2;
    case D3DTOP_MODULATE: return a1 + " * " + a2;
    case D3DTOP_MODULATE2X: return "2.0 * " + a1 + " * " + a2;
    case D3DTOP_MODULATE4X: return "4.0 * " + a1 + " * " + a2;
    case D3DTOP_ADD: return a1 + " + " + a2;
    case D3DTOP_ADDSIGNED: return a1 + " + " + a2 + " - 0.5";
    case D3DTOP_ADDSIGNED2X: return "2.0 * (" + a1 + " + " + a2 + " - 0.5)";
    case D3DTOP_SUBTRACT: return a1 + " - " + a2;
    case D3DTOP_ADDSMOOTH: return a1 + " + " + a2 + " - " + a1 + " * " + a2;
    case D3DTOP_BLENDDIFFUSEALPHA: return lerp("vDiffuse.a");
    case D3DTOP_BLENDTEXTUREALPHA: return lerp(std::string(tex) + ".a");
    case D3DTOP_BLENDFACTORALPHA: return lerp("uTextureFactor.a");
    default: return a1 + " * " + a2;
    }
}

std::string Sample(TexMode mode, int stage) {
    std::string unit = stage == 0 ? "uTex0" : "uTex1";
    std::string tile = stage == 0 ? "vTile0" : "vTile1";
    switch (mode) {
    case TexMode::Direct: return "texture2D(" + unit + ", vTexCoord)";
    case TexMode::Atlas: return "texture2D(" + unit + ", " + tile + ".xy + fract(vTexCoord) * " + tile + ".zw)";
    case TexMode::None: break;
    }
    return "vec4(1.0)";
}

struct Needs {
    bool specular = false;
    bool texCoord = false;
    bool tile[2] = {false, false};
};

Needs NeedsOf(const ProgramKey& key) {
    Needs n;
    n.specular = key.specular != 0;
    for (int i = 0; i < 2; ++i) {
        const StageProgram& st = key.stage[i];
        if (st.colorOp == 0 || st.colorOp == D3DTOP_DISABLE) break;
        if (st.tex != TexMode::None) n.texCoord = true;
        for (uint8_t arg : {st.colorArg1, st.colorArg2, st.alphaArg1, st.alphaArg2}) {
            if ((arg & D3DTA_SELECTMASK) == D3DTA_SPECULAR) n.specular = true;
        }
        if (st.tex == TexMode::Atlas) n.tile[i] = true;
    }
    return n;
}

// Only the varyings the fragment program reads are passed: each one costs
// llvmpipe set-up per triangle and interpolation per pixel.
std::string Varyings(const Needs& n) {
    std::string s = "varying vec4 vDiffuse;\n";
    if (n.specular) s += "varying vec4 vSpecular;\n";
    if (n.texCoord) s += "varying vec2 vTexCoord;\n";
    if (n.tile[0]) s += "varying vec4 vTile0;\n";
    if (n.tile[1]) s += "varying vec4 vTile1;\n";
    return s;
}

}  // namespace

std::string DrawVertexShader(const ProgramKey& key) {
    Needs n = NeedsOf(key);
    std::string s =
        "#version 120\n"
        "attribute vec4 aPosition;\n"
        "attribute vec4 aDiffuse;\n"
        "attribute vec4 aSpecular;\n"
        "attribute vec2 aTexCoord;\n"
        "attribute vec4 aTile0;\n"
        "attribute vec4 aTile1;\n" +
        Varyings(n) +
        "void main() {\n"
        "    gl_Position = aPosition;\n"
        "    vDiffuse = aDiffuse;\n";
    if (n.specular) s += "    vSpecular = aSpecular;\n";
    if (n.texCoord) s += "    vTexCoord = aTexCoord;\n";
    if (n.tile[0]) s += "    vTile0 = aTile0;\n";
    if (n.tile[1]) s += "    vTile1 = aTile1;\n";
    s += "}\n";
    return s;
}

std::string DrawFragmentShader(const ProgramKey& key) {
    std::string s =
        "#version 120\n"
        "uniform sampler2D uTex0;\n"
        "uniform sampler2D uTex1;\n"
        "uniform vec4 uTextureFactor;\n" +
        Varyings(NeedsOf(key)) +
        "void main() {\n"
        "    vec4 cur = vDiffuse;\n";
    for (int i = 0; i < 2; ++i) {
        const StageProgram& st = key.stage[i];
        if (st.colorOp == 0 || st.colorOp == D3DTOP_DISABLE) break;
        std::string t = i == 0 ? "t0" : "t1";
        std::string rgb = Operation(st.colorOp, Argument(st.colorArg1, i, false), Argument(st.colorArg2, i, false), i);
        std::string a = st.alphaOp == D3DTOP_DISABLE
                            ? std::string("cur.a")
                            : Operation(st.alphaOp, Argument(st.alphaArg1, i, true), Argument(st.alphaArg2, i, true), i);
        s += "    vec4 " + t + " = " + Sample(st.tex, i) + ";\n";
        std::string result = "clamp(vec4(" + rgb + ", " + a + "), 0.0, 1.0)";
        // In a batch over an atlas page, a draw without a texture in this
        // stage carries an empty tile and skips the stage.
        if (st.tex == TexMode::Atlas)
            s += std::string("    cur = ") + (i == 0 ? "vTile0" : "vTile1") + ".z > 0.0 ? " + result + " : cur;\n";
        else
            s += "    cur = " + result + ";\n";
    }
    if (key.specular) s += "    cur.rgb = min(cur.rgb + vSpecular.rgb, 1.0);\n";
    // A result that leaves the target as it was is not blended at all (glyph
    // and sky textures are mostly black under additive blending).
    std::string unchanged;
    auto also = [&](const char* test) { unchanged += (unchanged.empty() ? "" : " && ") + std::string(test); };
    if (key.unchangedWhen & kUnchangedRgbZero) also("cur.rgb == vec3(0.0)");
    if (key.unchangedWhen & kUnchangedAlphaZero) also("cur.a == 0.0");
    if (key.unchangedWhen & kUnchangedAlphaOne) also("cur.a == 1.0");
    if (!unchanged.empty()) s += "    if (" + unchanged + ") discard;\n";
    s += "    gl_FragColor = cur;\n}\n";
    return s;
}

const char* PresentVertexShader() {
    return "#version 120\n"
           "attribute vec2 aPosition;\n"
           "attribute vec2 aTexCoord;\n"
           "varying vec2 vTexCoord;\n"
           "void main() {\n"
           "    gl_Position = vec4(aPosition, 0.0, 1.0);\n"
           "    vTexCoord = aTexCoord;\n"
           "}\n";
}

const char* PresentFragmentShader() {
    return "#version 120\n"
           "uniform sampler2D uTex;\n"
           "varying vec2 vTexCoord;\n"
           "void main() { gl_FragColor = vec4(texture2D(uTex, vTexCoord).rgb, 1.0); }\n";
}

}  // namespace platform::gl
