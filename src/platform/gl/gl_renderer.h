// gl_renderer.h — the OpenGL machinery behind DirectDraw surfaces and the
// Direct3D device: one per DirectDraw object, on that object's context.
//
// It mirrors surfaces into GL (textures, atlas tiles, framebuffer objects,
// depth renderbuffers), reads render targets back, clears, presents a
// surface into a window or into the primary surface, and draws batches.
//
// Batching: the device hands over each draw as GL-ready vertices (clip
// coordinates, colours already lit) with a DrawState that holds everything
// GL state depends on. Consecutive draws with an equal DrawState go into one
// vertex array and one GL draw call; a colour change never breaks a batch
// (colours are per vertex) and neither does a texture change between small
// textures, which share an atlas page and carry their tile per vertex. The
// arrays are sized once; nothing is allocated per frame. Any operation that
// reads or replaces GL contents flushes the pending batch first, so batching
// never changes what is drawn.
//
// Limits: two texture stages; textures of up to 64 x 64 texels use the atlas
// when both address modes wrap (each tile has a one-texel border copied from
// the opposite edge, so wrapping bilinear filtering is exact), all others
// their own GL texture. GL keeps filtering per texture, so two stages that
// sample the same atlas page in one draw share the filter of stage 1.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gl/gl_context.h"
#include "platform/gl/gl_surface_state.h"

namespace platform::ddraw {
class DirectDrawSurface7GL;
}

namespace platform::gl {

// One vertex as the GL program reads it: 64 bytes.
struct GpuVertex {
    float pos[4];         // GL clip coordinates
    uint8_t diffuse[4];   // r, g, b, a
    uint8_t specular[4];  // r, g, b, a
    float uv[2];
    float tile0[4];  // atlas tile of stage 0: origin u, v and extent u, v
    float tile1[4];
};
static_assert(sizeof(GpuVertex) == 64, "GpuVertex is 64 bytes");

enum class TexMode : uint8_t { None = 0, Direct = 1, Atlas = 2 };

// The texture combiner of one stage (Direct3D's values, fitted into bytes).
struct StageProgram {
    uint8_t colorOp;
    uint8_t colorArg1;
    uint8_t colorArg2;
    uint8_t alphaOp;
    uint8_t alphaArg1;
    uint8_t alphaArg2;
    TexMode tex;
    uint8_t pad;
};

// Which results of the combiners leave the target as it was under the
// draw's blending, so the program discards them and the blend, the
// framebuffer's read and its write are skipped (flags, combined).
enum UnchangedWhen : uint8_t {
    kUnchangedNever = 0,
    kUnchangedRgbZero = 1,    // all of red, green and blue are 0
    kUnchangedAlphaZero = 2,  // alpha is 0
    kUnchangedAlphaOne = 4,   // alpha is 1
};

// The blending (GL factors) and target under which results leave the target
// unchanged; only for draws that write no depth.
uint8_t UnchangedWhenFor(bool blend, uint32_t srcBlend, uint32_t dstBlend, bool depthWrite, bool targetHasAlpha);

struct ProgramKey {
    StageProgram stage[2];
    uint8_t specular;
    uint8_t unchangedWhen;  // UnchangedWhen flags
    uint8_t pad[6];
};

struct StageTexture {
    unsigned texture;
    uint16_t minFilter;  // GL enums fit 16 bits
    uint16_t magFilter;
    uint16_t wrapS;
    uint16_t wrapT;
    uint32_t border;  // 0xAARRGGBB
};

// Everything the GL state of a draw depends on. Compared bytewise: always
// start from MakeDrawState, which clears the padding.
struct DrawState {
    ddraw::DirectDrawSurface7GL* target;
    uint32_t primitive;  // GL_TRIANGLES, GL_LINES or GL_POINTS
    int32_t viewport[4];
    float minZ, maxZ;
    uint32_t depthTest, depthWrite, depthFunc;
    uint32_t blend, srcBlend, dstBlend;
    uint32_t alphaTest, alphaFunc;
    float alphaRef;
    uint32_t cull;  // 0, GL_FRONT or GL_BACK
    uint32_t polygonMode;
    uint32_t dither;
    uint32_t textureFactor;
    ProgramKey program;
    StageTexture tex[2];
};
DrawState MakeDrawState();
bool SameState(const DrawState& a, const DrawState& b);

// How a stage samples: D3D filter and address values.
struct SamplerState {
    uint32_t minFilter, magFilter;
    uint32_t addressU, addressV;
    uint32_t border;
};

// One frame's drawing as the renderer handed it to GL: every batch (its
// state, vertices and indices) and every clear of a whole viewport, in
// order. Replayed from resident buffers, it measures what the frame's
// pixels cost GL alone.
struct DrawRecording {
    struct Op {
        bool clear = false;
        DrawState state;            // a batch's state; for a clear its target and viewport
        uint32_t firstIndex = 0;    // a batch's indices, into indices
        uint32_t indexCount = 0;
        uint32_t firstVertex = 0;   // a batch's vertices, into vertices
        uint32_t vertexCount = 0;
        uint32_t clearFlags = 0;    // a clear's D3DCLEAR flags, colour and depth
        uint32_t clearColor = 0;
        float clearZ = 1.0f;
    };
    std::vector<Op> ops;
    std::vector<GpuVertex> vertices;
    std::vector<uint32_t> indices;  // absolute, into vertices
};

// What a replay of a recording measured.
struct ReplayFigures {
    double frameMs = 0.0;  // per frame, waited for to its end
    int drawCalls = 0;     // GL draws per frame: one per run of equal state
    int clears = 0;
    int frames = 0;
    double shadedPixels = 0.0;  // the drawn triangles' area in target pixels, one pass
};

class GlRenderer {
public:
    static constexpr int kMaxVertices = 65535;
    static constexpr int kMaxIndices = 65535 * 3;

    static std::unique_ptr<GlRenderer> Create(std::unique_ptr<GlContext> context);
    ~GlRenderer();

    GlContext& Context() { return *context_; }
    bool Activate() { return context_->MakeCurrent(); }

    // ---- surfaces ----
    void ReleaseSurface(ddraw::DirectDrawSurface7GL& surface);
    // Reserves a small texture's atlas tile when it is created, so that its
    // first draw, possibly mid-flight, allocates nothing.
    void PrepareTexture(ddraw::DirectDrawSurface7GL& surface);
    // Reads a drawn surface back into its memory.
    bool ReadBack(ddraw::DirectDrawSurface7GL& surface);
    // Makes the framebuffer object of a render target, with its attached
    // z-buffer, current and up to date with its memory. False when GL fails.
    bool BindTarget(ddraw::DirectDrawSurface7GL& surface);
    // Resolves how a stage samples a texture surface (null: none bound).
    // Fills the GL texture and sampling of the stage; for atlas tiles also
    // the tile rectangle (u, v origin and extent). Uploads changed pixels.
    TexMode ResolveTexture(ddraw::DirectDrawSurface7GL* surface, const SamplerState& sampler, StageTexture* out,
                           float tile[4]);

    // ---- drawing ----
    // Room for a draw of vertexCount vertices and indexCount indices under
    // state; flushes first when the state differs or the arrays are full.
    // Returns the vertex array to fill, the index array and the index of
    // the first vertex (to add to the draw's own indices).
    GpuVertex* BeginDraw(const DrawState& state, int vertexCount, int indexCount, uint16_t** indices,
                         uint16_t* firstVertex);
    void EndDraw(int vertexCount, int indexCount);
    void Flush();
    const DrawState* PendingState() const { return vertexCount_ ? &pending_ : nullptr; }

    // D3D Clear on a render target: rectangles in target pixels (none: the
    // whole viewport), limited to the viewport.
    void Clear(ddraw::DirectDrawSurface7GL& target, const int viewport[4], DWORD count, const RECT* rects, DWORD flags,
               DWORD color, float z);

    // Presents source (its rectangle sourceRect) into the window of the
    // context, letterboxed to keep the source's proportions when the window's
    // shape differs (fit) or stretched into destRect of the window's client
    // area (destRect given); then swaps.
    bool PresentToWindow(ddraw::DirectDrawSurface7GL& source, const RECT& sourceRect, const RECT* destRect);
    // Draws source into a rectangle of target (a surface with a framebuffer
    // object), scaled with bilinear filtering.
    bool DrawSurfaceInto(ddraw::DirectDrawSurface7GL& source, const RECT& sourceRect,
                         ddraw::DirectDrawSurface7GL& target, const RECT& destRect);
    // A pixel-for-pixel copy into the primary surface is deferred: it is made
    // when either surface is next read, drawn or changed, and when the
    // source's next act is a clear of all of it, the two trade their GL
    // pictures instead (the primary takes the frame, the source clears what
    // the primary held), so a windowed frame costs no copy at all. Settle
    // makes a deferred copy now.
    void SettleCopy();
    // Settles a deferred copy that reads or writes surface (before its
    // memory is read or changed).
    void SettleCopyOf(const ddraw::DirectDrawSurface7GL& surface) {
        if (copy_.source == &surface || copy_.target == &surface) SettleCopy();
    }
    // Paints the window black and swaps (the window class's background).
    void FillWindowBlack();
    // Shows a picture of the whole client area (0xAARRGGBB words, rows
    // top-down; alpha ignored) over the window's drawable and swaps: what GDI
    // painted into a window that this context draws on.
    bool PresentImage(const uint32_t* argb, int width, int height);
    // Waits until everything drawn so far is finished (benchmarks).
    void Finish();

    int MaxTextureSize() const { return maxTextureSize_; }
    // Records every batch and clear from now on into recording (null: stop).
    void Record(DrawRecording* recording);
    // Draws a recording frames times from buffers uploaded once, with one GL
    // draw per run of batches of equal state and the textures as they are
    // now; false when GL cannot. The targets it names must still exist.
    bool Replay(const DrawRecording& recording, int frames, ReplayFigures* figures);

    // GL draw calls made so far (tests of batching).
    uint64_t DrawCalls() const { return drawCalls_; }

private:
    struct Program;
    struct AtlasPage;

    explicit GlRenderer(std::unique_ptr<GlContext> context);
    bool Init();
    Program* ProgramFor(const ProgramKey& key);
    void ApplyState(const DrawState& state);
    bool UploadOwnTexture(ddraw::DirectDrawSurface7GL& surface);
    bool PlaceInAtlas(ddraw::DirectDrawSurface7GL& surface);
    void UploadAtlasTile(ddraw::DirectDrawSurface7GL& surface);
    void ConvertRows(const ddraw::DirectDrawSurface7GL& surface, int x, int y, int w, int h, uint32_t* out, int stride);
    bool EnsureColorBuffer(ddraw::DirectDrawSurface7GL& surface);
    bool DrawTexturedQuad(unsigned texture, int texWidth, int texHeight, const RECT& sourceRect, float x0, float y0,
                          float x1, float y1, int viewportW, int viewportH, bool flipY);
    void InvalidateState() { stateValid_ = false; }
    bool CopyNow(ddraw::DirectDrawSurface7GL& source, const RECT& sourceRect, ddraw::DirectDrawSurface7GL& target,
                 const RECT& destRect);
    // The primary takes the source's picture by trading colour buffers, when
    // a clear of all of the source would make the deferred copy.
    bool TradeForClear(ddraw::DirectDrawSurface7GL& clearing, const int viewport[4], DWORD count, DWORD flags);
    void RecordBatch(int vertexCount, int indexCount);
    void UseProgram(Program& program, uint32_t textureFactor);

    std::unique_ptr<GlContext> context_;
    std::vector<std::unique_ptr<Program>> programs_;
    Program* lastProgram_ = nullptr;
    unsigned presentProgram_ = 0;
    unsigned imageTexture_ = 0;  // PresentImage's picture
    int presentTexLocation_ = -1;
    std::vector<std::unique_ptr<AtlasPage>> pages_;
    unsigned vertexBuffer_ = 0;
    unsigned indexBuffer_ = 0;
    // Sized for the largest draw; left uninitialised, so that only the part
    // batches use takes memory.
    std::unique_ptr<GpuVertex[]> vertices_;
    std::unique_ptr<uint16_t[]> indices_;
    int vertexCount_ = 0;
    int indexCount_ = 0;
    DrawState pending_;
    DrawState applied_;
    bool stateValid_ = false;
    std::vector<uint32_t> staging_;
    int maxTextureSize_ = 2048;
    bool hasRgb565_ = false;
    uint64_t drawCalls_ = 0;
    DrawRecording* recording_ = nullptr;
    struct DeferredCopy {
        ddraw::DirectDrawSurface7GL* source = nullptr;
        ddraw::DirectDrawSurface7GL* target = nullptr;
        RECT sourceRect{};
        RECT destRect{};
    } copy_;
};

}  // namespace platform::gl
