// gl_renderer.cpp — surfaces mirrored into OpenGL, batches, clears and
// presentation. Row 0 of every framebuffer object and texture is the top row
// of the surface, so Direct3D's top-left origin needs no flip inside the
// layer; only presentation into a window flips.
#define GL_GLEXT_PROTOTYPES 1
#include "platform/gl/gl_renderer.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <d3d.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "platform/gl/gl_shaders.h"
#include "platform/ddraw/ddraw_surface.h"

namespace platform::gl {

using ddraw::PixelLayout;
using ddraw::StandardFormat;
using ddraw::DirectDrawSurface7GL;

namespace {

constexpr int kAtlasSize = 512;
constexpr int kAtlasMaxTile = 64;

GLuint Compile(GLenum type, const char* source) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint Link(const char* vertexSource, const char* fragmentSource, bool drawAttributes) {
    GLuint vs = Compile(GL_VERTEX_SHADER, vertexSource);
    GLuint fs = Compile(GL_FRAGMENT_SHADER, fragmentSource);
    if (!vs || !fs) {
        if (vs) glDeleteShader(vs);
        if (fs) glDeleteShader(fs);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    if (drawAttributes) {
        glBindAttribLocation(program, kPosition, "aPosition");
        glBindAttribLocation(program, kDiffuse, "aDiffuse");
        glBindAttribLocation(program, kSpecular, "aSpecular");
        glBindAttribLocation(program, kTexCoord, "aTexCoord");
        glBindAttribLocation(program, kTile0, "aTile0");
        glBindAttribLocation(program, kTile1, "aTile1");
    } else {
        glBindAttribLocation(program, 0, "aPosition");
        glBindAttribLocation(program, 1, "aTexCoord");
    }
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

// GL's format and type for reading and writing a surface's own pixels, or
// false when its layout needs converting.
bool NativeTransfer(const PixelLayout& layout, GLenum* format, GLenum* type) {
    if (layout.Is(StandardFormat::R5G6B5)) {
        *format = GL_RGB;
        *type = GL_UNSIGNED_SHORT_5_6_5;
        return true;
    }
    if (layout.Is(StandardFormat::X8R8G8B8) || layout.Is(StandardFormat::A8R8G8B8)) {
        *format = GL_BGRA;
        *type = GL_UNSIGNED_INT_8_8_8_8_REV;
        return true;
    }
    if (layout.Is(StandardFormat::X1R5G5B5) || layout.Is(StandardFormat::A1R5G5B5)) {
        *format = GL_BGRA;
        *type = GL_UNSIGNED_SHORT_1_5_5_5_REV;
        return true;
    }
    if (layout.Is(StandardFormat::A4R4G4B4)) {
        *format = GL_BGRA;
        *type = GL_UNSIGNED_SHORT_4_4_4_4_REV;
        return true;
    }
    if (layout.Is(StandardFormat::R8G8B8)) {
        *format = GL_BGR;
        *type = GL_UNSIGNED_BYTE;
        return true;
    }
    return false;
}

GLenum ColorInternalFormat(const PixelLayout& layout, bool hasRgb565) {
    if (layout.Is(StandardFormat::R5G6B5)) return hasRgb565 ? GL_RGB565 : GL_RGB5;
    if (layout.Is(StandardFormat::X1R5G5B5)) return GL_RGB5;
    if (layout.Is(StandardFormat::A1R5G5B5)) return GL_RGB5_A1;
    if (layout.Is(StandardFormat::A4R4G4B4)) return GL_RGBA4;
    if (layout.HasAlpha()) return GL_RGBA8;
    return GL_RGB8;
}

GLenum GlFilter(uint32_t d3dFilter) { return d3dFilter == D3DTFG_POINT ? GL_NEAREST : GL_LINEAR; }

GLenum GlWrap(uint32_t address) {
    switch (address) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    default: return GL_REPEAT;
    }
}

void SetTextureParameters(const StageTexture& t) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, t.minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, t.magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, t.wrapS);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, t.wrapT);
    if (t.wrapS == GL_CLAMP_TO_BORDER || t.wrapT == GL_CLAMP_TO_BORDER) {
        float border[4] = {((t.border >> 16) & 0xFF) / 255.0f, ((t.border >> 8) & 0xFF) / 255.0f,
                           (t.border & 0xFF) / 255.0f, ((t.border >> 24) & 0xFF) / 255.0f};
        glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    }
}

}  // namespace

DrawState MakeDrawState() {
    DrawState state;
    std::memset(&state, 0, sizeof(state));
    return state;
}

bool SameState(const DrawState& a, const DrawState& b) { return std::memcmp(&a, &b, sizeof(DrawState)) == 0; }

uint8_t UnchangedWhenFor(bool blend, uint32_t srcBlend, uint32_t dstBlend, bool depthWrite, bool targetHasAlpha) {
    if (!blend || depthWrite) return kUnchangedNever;
    // result = source x S + target x D keeps the target where S makes the
    // source 0 and D is 1 in every channel the target stores.
    if (srcBlend == GL_ONE && dstBlend == GL_ONE)
        return kUnchangedRgbZero | (targetHasAlpha ? kUnchangedAlphaZero : 0);
    if (srcBlend == GL_ONE && dstBlend == GL_SRC_ALPHA && !targetHasAlpha)
        return kUnchangedRgbZero | kUnchangedAlphaOne;
    if (srcBlend == GL_ZERO && dstBlend == GL_ONE_MINUS_SRC_COLOR)
        return kUnchangedRgbZero | (targetHasAlpha ? kUnchangedAlphaZero : 0);
    if (srcBlend == GL_SRC_ALPHA && dstBlend == GL_ONE_MINUS_SRC_ALPHA) return kUnchangedAlphaZero;
    if (srcBlend == GL_ONE && dstBlend == GL_ONE_MINUS_SRC_ALPHA) return kUnchangedRgbZero | kUnchangedAlphaZero;
    return kUnchangedNever;
}

struct GlRenderer::Program {
    ProgramKey key;
    GLuint id = 0;
    GLint textureFactor = -1;
    uint32_t lastFactor = 0;
    bool factorSet = false;
};

struct GlRenderer::AtlasPage {
    GLuint texture = 0;
    int shelfY = 0;       // top of the open shelf
    int shelfX = 0;       // next free x on it
    int shelfHeight = 0;  // tallest tile on it
    std::vector<std::array<int, 4>> freeSlots;  // x, y, w, h of released tiles
};

std::unique_ptr<GlRenderer> GlRenderer::Create(std::unique_ptr<GlContext> context) {
    if (!context) return nullptr;
    std::unique_ptr<GlRenderer> renderer(new GlRenderer(std::move(context)));
    if (!renderer->Init()) return nullptr;
    return renderer;
}

GlRenderer::GlRenderer(std::unique_ptr<GlContext> context) : context_(std::move(context)) {
    pending_ = MakeDrawState();
    applied_ = MakeDrawState();
}

GlRenderer::~GlRenderer() {
    if (Activate()) {
        for (auto& p : programs_) glDeleteProgram(p->id);
        for (auto& page : pages_) glDeleteTextures(1, &page->texture);
        if (presentProgram_) glDeleteProgram(presentProgram_);
        if (imageTexture_) glDeleteTextures(1, &imageTexture_);
    }
}

bool GlRenderer::Init() {
    if (!Activate()) return false;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const bool fbo =
        version && (version[0] >= '3' || (extensions && std::strstr(extensions, "GL_ARB_framebuffer_object")));
    if (!version || version[0] < '2' || !fbo) {
        NoteContextError(WithDriverHint("the OpenGL driver (" + context_->Renderer() + ", OpenGL " +
                                        (version ? version : "of no version") +
                                        ") lacks OpenGL 2.1 with framebuffer objects"));
        return false;
    }
    hasRgb565_ = version[0] >= '4' || (extensions && std::strstr(extensions, "GL_ARB_ES2_compatibility"));
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
    presentProgram_ = Link(PresentVertexShader(), PresentFragmentShader(), false);
    if (!presentProgram_) return false;
    presentTexLocation_ = glGetUniformLocation(presentProgram_, "uTex");
    vertices_.reset(new GpuVertex[kMaxVertices]);
    indices_.reset(new uint16_t[kMaxIndices]);
    // Room to convert a 512 x 512 texture (the largest the scene updates)
    // and a bordered tile without growing later.
    staging_.reserve(512 * 512 + 2 * 66 * 66);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glDisable(GL_DITHER);
    return glGetError() == GL_NO_ERROR;
}

// ---- programs --------------------------------------------------------------------------

GlRenderer::Program* GlRenderer::ProgramFor(const ProgramKey& key) {
    if (lastProgram_ && std::memcmp(&lastProgram_->key, &key, sizeof(key)) == 0) return lastProgram_;
    for (auto& p : programs_) {
        if (std::memcmp(&p->key, &key, sizeof(key)) == 0) return lastProgram_ = p.get();
    }
    std::string fragment = DrawFragmentShader(key);
    std::string vertex = DrawVertexShader(key);
    GLuint id = Link(vertex.c_str(), fragment.c_str(), true);
    if (!id) return nullptr;
    auto program = std::make_unique<Program>();
    program->key = key;
    program->id = id;
    glUseProgram(id);
    glUniform1i(glGetUniformLocation(id, "uTex0"), 0);
    glUniform1i(glGetUniformLocation(id, "uTex1"), 1);
    program->textureFactor = glGetUniformLocation(id, "uTextureFactor");
    programs_.push_back(std::move(program));
    InvalidateState();
    return lastProgram_ = programs_.back().get();
}

// ---- surfaces ----------------------------------------------------------------------------

void GlRenderer::ReleaseSurface(DirectDrawSurface7GL& surface) {
    if (!Activate()) return;
    if (vertexCount_) Flush();
    if (copy_.target == &surface) copy_ = DeferredCopy{};  // nobody will see it
    SettleCopyOf(surface);
    SurfaceGl& g = surface.Gl();
    if (g.texture) glDeleteTextures(1, &g.texture);
    if (g.fbo) glDeleteFramebuffers(1, &g.fbo);
    if (g.colorTexture) glDeleteTextures(1, &g.colorTexture);
    if (g.depthBuffer) glDeleteRenderbuffers(1, &g.depthBuffer);
    if (g.atlasPage >= 0 && g.atlasPage < static_cast<int>(pages_.size())) {
        pages_[g.atlasPage]->freeSlots.push_back({g.atlasX, g.atlasY, surface.Width() + 2, surface.Height() + 2});
    }
    g = SurfaceGl{};
    InvalidateState();
}

void GlRenderer::PrepareTexture(DirectDrawSurface7GL& surface) {
    if (surface.Width() <= kAtlasMaxTile && surface.Height() <= kAtlasMaxTile && surface.Gl().atlasPage < 0 &&
        Activate())
        PlaceInAtlas(surface);
}

void GlRenderer::ConvertRows(const DirectDrawSurface7GL& surface, int x, int y, int w, int h, uint32_t* out,
                             int stride) {
    const PixelLayout& layout = surface.Layout();
    int bytes = layout.BytesPerPixel();
    const bool x8 = layout.Is(StandardFormat::X8R8G8B8);
    const bool a8 = layout.Is(StandardFormat::A8R8G8B8);
    const bool r565 = layout.Is(StandardFormat::R5G6B5);
    for (int row = 0; row < h; ++row) {
        const uint8_t* src = surface.Pixels() + static_cast<size_t>(y + row) * surface.Pitch() + x * bytes;
        uint32_t* dst = out + static_cast<size_t>(row) * stride;
        if (x8 || a8) {
            std::memcpy(dst, src, static_cast<size_t>(w) * 4);
            if (x8) {
                for (int i = 0; i < w; ++i) dst[i] |= 0xFF000000u;
            }
        } else if (r565) {
            for (int i = 0; i < w; ++i) {
                uint32_t p = static_cast<uint32_t>(src[2 * i]) | (static_cast<uint32_t>(src[2 * i + 1]) << 8);
                uint32_t r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
                r = (r << 3) | (r >> 2);
                g = (g << 2) | (g >> 4);
                b = (b << 3) | (b >> 2);
                dst[i] = 0xFF000000u | (r << 16) | (g << 8) | b;
            }
        } else {
            for (int i = 0; i < w; ++i) dst[i] = layout.ToArgb(ddraw::ReadPixel(src + i * bytes, bytes));
        }
    }
}

bool GlRenderer::UploadOwnTexture(DirectDrawSurface7GL& surface) {
    SurfaceGl& g = surface.Gl();
    int w = surface.Width(), h = surface.Height();
    if (vertexCount_) Flush();
    glActiveTexture(GL_TEXTURE0);
    const bool fresh = !g.texture;
    if (fresh) glGenTextures(1, &g.texture);
    glBindTexture(GL_TEXTURE_2D, g.texture);
    // 32-bit surfaces go up as they are (an X8 layout into a texture without
    // alpha, which reads as opaque); others are converted first.
    const PixelLayout& layout = surface.Layout();
    const bool x8 = layout.Is(StandardFormat::X8R8G8B8);
    if ((x8 || layout.Is(StandardFormat::A8R8G8B8)) && surface.Pitch() % 4 == 0) {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, surface.Pitch() / 4);
        if (fresh)
            glTexImage2D(GL_TEXTURE_2D, 0, x8 ? GL_RGB8 : GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                         surface.Pixels());
        else
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, surface.Pixels());
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    } else {
        staging_.resize(static_cast<size_t>(w) * h);
        ConvertRows(surface, 0, 0, w, h, staging_.data(), w);
        if (fresh)
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, staging_.data());
        else
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, staging_.data());
    }
    g.textureValid = true;
    g.textureVersion = surface.Version();
    InvalidateState();
    return true;
}

bool GlRenderer::PlaceInAtlas(DirectDrawSurface7GL& surface) {
    SurfaceGl& g = surface.Gl();
    int w = surface.Width() + 2, h = surface.Height() + 2;
    for (size_t p = 0; p < pages_.size(); ++p) {
        AtlasPage& page = *pages_[p];
        for (size_t i = 0; i < page.freeSlots.size(); ++i) {
            if (page.freeSlots[i][2] == w && page.freeSlots[i][3] == h) {
                g.atlasPage = static_cast<int>(p);
                g.atlasX = page.freeSlots[i][0];
                g.atlasY = page.freeSlots[i][1];
                page.freeSlots.erase(page.freeSlots.begin() + static_cast<long>(i));
                return true;
            }
        }
        if (page.shelfX + w > kAtlasSize) {
            page.shelfY += page.shelfHeight;
            page.shelfX = 0;
            page.shelfHeight = 0;
        }
        if (page.shelfY + h <= kAtlasSize && page.shelfX + w <= kAtlasSize) {
            g.atlasPage = static_cast<int>(p);
            g.atlasX = page.shelfX;
            g.atlasY = page.shelfY;
            page.shelfX += w;
            page.shelfHeight = std::max(page.shelfHeight, h);
            return true;
        }
    }
    auto page = std::make_unique<AtlasPage>();
    glGenTextures(1, &page->texture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, page->texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kAtlasSize, kAtlasSize, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    pages_.push_back(std::move(page));
    InvalidateState();
    return PlaceInAtlas(surface);
}

void GlRenderer::UploadAtlasTile(DirectDrawSurface7GL& surface) {
    SurfaceGl& g = surface.Gl();
    int w = surface.Width(), h = surface.Height();
    int bw = w + 2, bh = h + 2;
    if (vertexCount_) Flush();
    size_t inner = static_cast<size_t>(w) * h;
    staging_.resize(inner + static_cast<size_t>(bw) * bh);
    uint32_t* plain = staging_.data();
    uint32_t* bordered = plain + inner;
    ConvertRows(surface, 0, 0, w, h, plain, w);
    // The border repeats the opposite edge, so bilinear filtering at a tile's
    // edge wraps exactly as a repeating texture of its own would.
    for (int by = 0; by < bh; ++by) {
        int sy = (by - 1 + h) % h;
        for (int bx = 0; bx < bw; ++bx) {
            int sx = (bx - 1 + w) % w;
            bordered[static_cast<size_t>(by) * bw + bx] = plain[static_cast<size_t>(sy) * w + sx];
        }
    }
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, pages_[g.atlasPage]->texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, g.atlasX, g.atlasY, bw, bh, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, bordered);
    g.atlasValid = true;
    g.atlasVersion = surface.Version();
    InvalidateState();
}

TexMode GlRenderer::ResolveTexture(DirectDrawSurface7GL* surface, const SamplerState& sampler, StageTexture* out,
                                   float tile[4]) {
    std::memset(out, 0, sizeof(*out));
    if (!surface || surface->IsDead() || surface->IsZBuffer()) return TexMode::None;
    SettleCopyOf(*surface);
    if (surface->GlNewer() || (PendingState() && PendingState()->target == surface)) surface->SyncFromGl();
    SurfaceGl& g = surface->Gl();
    out->minFilter = static_cast<uint16_t>(GlFilter(sampler.minFilter));
    out->magFilter = static_cast<uint16_t>(GlFilter(sampler.magFilter));
    bool wraps = sampler.addressU == D3DTADDRESS_WRAP && sampler.addressV == D3DTADDRESS_WRAP;
    if (wraps && surface->Width() <= kAtlasMaxTile && surface->Height() <= kAtlasMaxTile) {
        if (g.atlasPage < 0 && !PlaceInAtlas(*surface)) return TexMode::None;
        if (!g.atlasValid || g.atlasVersion != surface->Version()) UploadAtlasTile(*surface);
        out->texture = pages_[g.atlasPage]->texture;
        out->wrapS = GL_CLAMP_TO_EDGE;
        out->wrapT = GL_CLAMP_TO_EDGE;
        tile[0] = static_cast<float>(g.atlasX + 1) / kAtlasSize;
        tile[1] = static_cast<float>(g.atlasY + 1) / kAtlasSize;
        tile[2] = static_cast<float>(surface->Width()) / kAtlasSize;
        tile[3] = static_cast<float>(surface->Height()) / kAtlasSize;
        return TexMode::Atlas;
    }
    if (!g.textureValid || g.textureVersion != surface->Version()) UploadOwnTexture(*surface);
    out->texture = g.texture;
    out->wrapS = static_cast<uint16_t>(GlWrap(sampler.addressU));
    out->wrapT = static_cast<uint16_t>(GlWrap(sampler.addressV));
    out->border = (out->wrapS == GL_CLAMP_TO_BORDER || out->wrapT == GL_CLAMP_TO_BORDER) ? sampler.border : 0;
    return TexMode::Direct;
}

bool GlRenderer::EnsureColorBuffer(DirectDrawSurface7GL& surface) {
    SurfaceGl& g = surface.Gl();
    if (g.fbo) return true;
    glGenTextures(1, &g.colorTexture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, g.colorTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(ColorInternalFormat(surface.Layout(), hasRgb565_)),
                 surface.Width(), surface.Height(), 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &g.fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, g.fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, g.colorTexture, 0);
    g.colorValid = false;
    g.attachedDepth = 0;
    InvalidateState();
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        glDeleteFramebuffers(1, &g.fbo);
        glDeleteTextures(1, &g.colorTexture);
        g.fbo = 0;
        g.colorTexture = 0;
        return false;
    }
    return true;
}

bool GlRenderer::BindTarget(DirectDrawSurface7GL& surface) {
    if (surface.IsDead() || !Activate()) return false;
    SettleCopyOf(surface);
    if (!EnsureColorBuffer(surface)) return false;
    SurfaceGl& g = surface.Gl();
    glBindFramebuffer(GL_FRAMEBUFFER, g.fbo);
    if (!surface.GlNewer() && (!g.colorValid || g.colorVersion != surface.Version())) {
        GLenum format = 0, type = 0;
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, g.colorTexture);
        if (NativeTransfer(surface.Layout(), &format, &type)) {
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, surface.Width(), surface.Height(), format, type,
                            surface.Pixels());
        } else {
            staging_.resize(static_cast<size_t>(surface.Width()) * surface.Height());
            ConvertRows(surface, 0, 0, surface.Width(), surface.Height(), staging_.data(), surface.Width());
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, surface.Width(), surface.Height(), GL_BGRA,
                            GL_UNSIGNED_INT_8_8_8_8_REV, staging_.data());
        }
        g.colorValid = true;
        g.colorVersion = surface.Version();
        InvalidateState();
    }
    DirectDrawSurface7GL* z = surface.ZBuffer();
    GLuint depth = 0;
    bool freshDepth = false;
    if (z && !z->IsDead()) {
        SurfaceGl& zg = z->Gl();
        if (!zg.depthBuffer) {
            DWORD bits = z->Layout().depthBits;
            GLenum formats[3] = {bits >= 32   ? static_cast<GLenum>(GL_DEPTH_COMPONENT32)
                                 : bits >= 24 ? static_cast<GLenum>(GL_DEPTH_COMPONENT24)
                                              : static_cast<GLenum>(GL_DEPTH_COMPONENT16),
                                 GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT16};
            glGenRenderbuffers(1, &zg.depthBuffer);
            freshDepth = true;
            glBindRenderbuffer(GL_RENDERBUFFER, zg.depthBuffer);
            for (GLenum f : formats) {
                while (glGetError() != GL_NO_ERROR) {
                }
                glRenderbufferStorage(GL_RENDERBUFFER, f, z->Width(), z->Height());
                if (glGetError() == GL_NO_ERROR) {
                    zg.depthFormat = f;
                    break;
                }
            }
        }
        depth = zg.depthBuffer;
    }
    if (g.attachedDepth != depth) {
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        if (depth && glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 0);
            depth = 0;
        }
        g.attachedDepth = depth;
        InvalidateState();
        if (depth && freshDepth) {
            // A new z-buffer starts at the far plane rather than at whatever GL leaves.
            glDisable(GL_SCISSOR_TEST);
            glDepthMask(GL_TRUE);
            glClearDepth(1.0);
            glClear(GL_DEPTH_BUFFER_BIT);
        }
    }
    return true;
}

bool GlRenderer::ReadBack(DirectDrawSurface7GL& surface) {
    if (!Activate()) return false;
    SettleCopyOf(surface);
    if (vertexCount_ && pending_.target == &surface) Flush();
    SurfaceGl& g = surface.Gl();
    if (!surface.GlNewer() || !g.fbo) {
        surface.SetGlNewer(false);
        return true;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, g.fbo);
    InvalidateState();
    GLenum format = 0, type = 0;
    if (NativeTransfer(surface.Layout(), &format, &type)) {
        glReadPixels(0, 0, surface.Width(), surface.Height(), format, type, surface.Pixels());
    } else {
        const PixelLayout& layout = surface.Layout();
        staging_.resize(static_cast<size_t>(surface.Width()) * surface.Height());
        glReadPixels(0, 0, surface.Width(), surface.Height(), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, staging_.data());
        int bytes = layout.BytesPerPixel();
        for (int y = 0; y < surface.Height(); ++y) {
            uint8_t* row = surface.Pixels() + static_cast<size_t>(y) * surface.Pitch();
            for (int x = 0; x < surface.Width(); ++x)
                ddraw::WritePixel(row + x * bytes, bytes,
                                  layout.FromArgb(staging_[static_cast<size_t>(y) * surface.Width() + x]));
        }
    }
    surface.SetGlNewer(false);
    g.colorValid = true;
    g.colorVersion = surface.Version();
    return true;
}

// ---- drawing -----------------------------------------------------------------------------------

GpuVertex* GlRenderer::BeginDraw(const DrawState& state, int vertexCount, int indexCount, uint16_t** indices,
                                 uint16_t* firstVertex) {
    if (vertexCount > kMaxVertices || indexCount > kMaxIndices) return nullptr;
    if (vertexCount_ && (!SameState(state, pending_) || vertexCount_ + vertexCount > kMaxVertices ||
                         indexCount_ + indexCount > kMaxIndices)) {
        Flush();
    }
    if (!vertexCount_) pending_ = state;
    *indices = indices_.get() + indexCount_;
    *firstVertex = static_cast<uint16_t>(vertexCount_);
    return vertices_.get() + vertexCount_;
}

void GlRenderer::EndDraw(int vertexCount, int indexCount) {
    vertexCount_ += vertexCount;
    indexCount_ += indexCount;
}

void GlRenderer::ApplyState(const DrawState& s) {
    const DrawState& a = applied_;
    bool all = !stateValid_;
    if (all || std::memcmp(a.viewport, s.viewport, sizeof(s.viewport)) != 0)
        glViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
    if (all || a.minZ != s.minZ || a.maxZ != s.maxZ) glDepthRange(s.minZ, s.maxZ);
    if (all || a.depthTest != s.depthTest) (s.depthTest ? glEnable : glDisable)(GL_DEPTH_TEST);
    if (all || a.depthWrite != s.depthWrite) glDepthMask(s.depthWrite ? GL_TRUE : GL_FALSE);
    if (all || a.depthFunc != s.depthFunc) glDepthFunc(s.depthFunc);
    if (all || a.blend != s.blend) (s.blend ? glEnable : glDisable)(GL_BLEND);
    if (all || a.srcBlend != s.srcBlend || a.dstBlend != s.dstBlend) glBlendFunc(s.srcBlend, s.dstBlend);
    if (all || a.alphaTest != s.alphaTest) (s.alphaTest ? glEnable : glDisable)(GL_ALPHA_TEST);
    if (all || a.alphaFunc != s.alphaFunc || a.alphaRef != s.alphaRef) glAlphaFunc(s.alphaFunc, s.alphaRef);
    if (all || a.cull != s.cull) {
        if (s.cull) {
            glEnable(GL_CULL_FACE);
            glCullFace(s.cull);
        } else {
            glDisable(GL_CULL_FACE);
        }
    }
    if (all || a.polygonMode != s.polygonMode) glPolygonMode(GL_FRONT_AND_BACK, s.polygonMode);
    if (all || a.dither != s.dither) (s.dither ? glEnable : glDisable)(GL_DITHER);
    if (all) {
        glDisable(GL_SCISSOR_TEST);
        glDisable(GL_STENCIL_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glFrontFace(GL_CCW);
    }
    for (int i = 0; i < 2; ++i) {
        const StageTexture& t = s.tex[i];
        if (!t.texture) continue;
        if (!all && std::memcmp(&a.tex[i], &t, sizeof(t)) == 0) continue;
        glActiveTexture(GL_TEXTURE0 + i);
        glBindTexture(GL_TEXTURE_2D, t.texture);
        SetTextureParameters(t);
    }
    glActiveTexture(GL_TEXTURE0);
    applied_ = s;
    stateValid_ = true;
}

void GlRenderer::Flush() {
    if (!vertexCount_) return;
    int vertexCount = vertexCount_, indexCount = indexCount_;
    vertexCount_ = 0;
    indexCount_ = 0;
    DirectDrawSurface7GL* target = pending_.target;
    if (!target || !BindTarget(*target)) return;
    Program* program = ProgramFor(pending_.program);
    if (!program) return;
    ApplyState(pending_);
    UseProgram(*program, pending_.textureFactor);
    if (recording_) RecordBatch(vertexCount, indexCount);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    const GpuVertex* v = vertices_.get();
    const GLsizei stride = sizeof(GpuVertex);
    glVertexAttribPointer(kPosition, 4, GL_FLOAT, GL_FALSE, stride, v->pos);
    glVertexAttribPointer(kDiffuse, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, v->diffuse);
    glVertexAttribPointer(kSpecular, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, v->specular);
    glVertexAttribPointer(kTexCoord, 2, GL_FLOAT, GL_FALSE, stride, v->uv);
    glVertexAttribPointer(kTile0, 4, GL_FLOAT, GL_FALSE, stride, v->tile0);
    glVertexAttribPointer(kTile1, 4, GL_FLOAT, GL_FALSE, stride, v->tile1);
    for (int i = kPosition; i <= kTile1; ++i) glEnableVertexAttribArray(static_cast<GLuint>(i));
    ++drawCalls_;
    glDrawRangeElements(pending_.primitive, 0, static_cast<GLuint>(vertexCount - 1), indexCount, GL_UNSIGNED_SHORT,
                        indices_.get());
    target->SetGlNewer(true);
}

void GlRenderer::UseProgram(Program& program, uint32_t textureFactor) {
    glUseProgram(program.id);
    if (program.textureFactor >= 0 && (!program.factorSet || program.lastFactor != textureFactor)) {
        const uint32_t f = textureFactor;
        glUniform4f(program.textureFactor, ((f >> 16) & 0xFF) / 255.0f, ((f >> 8) & 0xFF) / 255.0f,
                    (f & 0xFF) / 255.0f, ((f >> 24) & 0xFF) / 255.0f);
        program.lastFactor = f;
        program.factorSet = true;
    }
}

void GlRenderer::Clear(DirectDrawSurface7GL& target, const int viewport[4], DWORD count, const RECT* rects, DWORD flags,
                       DWORD color, float z) {
    if (!Activate()) return;
    if (vertexCount_) Flush();
    if (copy_.source == &target && !TradeForClear(target, viewport, count && rects ? count : 0, flags)) SettleCopy();
    if (recording_ && (!count || !rects)) {
        DrawRecording::Op op;
        op.clear = true;
        op.state = MakeDrawState();
        op.state.target = &target;
        std::memcpy(op.state.viewport, viewport, sizeof(op.state.viewport));
        op.clearFlags = flags;
        op.clearColor = color;
        op.clearZ = z;
        recording_->ops.push_back(op);
    }
    if (!BindTarget(target)) return;
    InvalidateState();
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        // The colour as the target stores it: narrowed by truncation, then exact.
        const PixelLayout& layout = target.Layout();
        uint32_t raw = layout.FromArgb(color);
        float channel[4];
        const DWORD masks[4] = {layout.rMask, layout.gMask, layout.bMask, layout.aMask};
        for (int c = 0; c < 4; ++c) {
            if (!masks[c]) {
                channel[c] = c == 3 ? ((color >> 24) & 0xFF) / 255.0f : 0.0f;
                continue;
            }
            uint32_t max = (1u << layout.width[c]) - 1u;
            channel[c] = static_cast<float>((raw & masks[c]) >> layout.shift[c]) / static_cast<float>(max);
        }
        glClearColor(channel[0], channel[1], channel[2], channel[3]);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_ZBUFFER) && target.Gl().attachedDepth) {
        glClearDepth(std::clamp(z, 0.0f, 1.0f));
        glDepthMask(GL_TRUE);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (!mask) return;
    glEnable(GL_SCISSOR_TEST);
    RECT view{viewport[0], viewport[1], viewport[0] + viewport[2], viewport[1] + viewport[3]};
    DWORD n = count && rects ? count : 1;
    for (DWORD i = 0; i < n; ++i) {
        RECT r = count && rects ? rects[i] : view;
        r.left = std::max(r.left, view.left);
        r.top = std::max(r.top, view.top);
        r.right = std::min(r.right, view.right);
        r.bottom = std::min(r.bottom, view.bottom);
        if (r.right <= r.left || r.bottom <= r.top) continue;
        glScissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
        glClear(mask);
    }
    glDisable(GL_SCISSOR_TEST);
    if (mask & GL_COLOR_BUFFER_BIT) target.SetGlNewer(true);
}

// ---- presentation --------------------------------------------------------------------------

bool GlRenderer::DrawTexturedQuad(unsigned texture, int texWidth, int texHeight, const RECT& sourceRect, float x0,
                                  float y0, float x1, float y1, int viewportW, int viewportH, bool flipY) {
    if (viewportW <= 0 || viewportH <= 0) return false;
    InvalidateState();
    glViewport(0, 0, viewportW, viewportH);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glUseProgram(presentProgram_);
    glUniform1i(presentTexLocation_, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    auto nx = [&](float x) { return x / viewportW * 2.0f - 1.0f; };
    auto ny = [&](float y) { return flipY ? 1.0f - y / viewportH * 2.0f : y / viewportH * 2.0f - 1.0f; };
    float u0 = static_cast<float>(sourceRect.left) / texWidth, u1 = static_cast<float>(sourceRect.right) / texWidth;
    float v0 = static_cast<float>(sourceRect.top) / texHeight, v1 = static_cast<float>(sourceRect.bottom) / texHeight;
    const float pos[8] = {nx(x0), ny(y0), nx(x1), ny(y0), nx(x0), ny(y1), nx(x1), ny(y1)};
    const float uv[8] = {u0, v0, u1, v0, u0, v1, u1, v1};
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    for (int i = 0; i < 6; ++i) glDisableVertexAttribArray(static_cast<GLuint>(i));
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, pos);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 0, uv);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableVertexAttribArray(0);
    glDisableVertexAttribArray(1);
    return true;
}

bool GlRenderer::PresentToWindow(DirectDrawSurface7GL& source, const RECT& sourceRect, const RECT* destRect) {
    if (!Activate() || !context_->HasWindow()) return false;
    if (vertexCount_) Flush();
    if (!BindTarget(source)) return false;
    int dw = 0, dh = 0;
    context_->DrawableSize(&dw, &dh);
    if (dw <= 0 || dh <= 0) return false;
    const GLuint sourceFbo = source.Gl().fbo;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    InvalidateState();
    glDisable(GL_SCISSOR_TEST);
    float x0, y0, x1, y1;
    if (destRect) {
        RECT client{};
        GetClientRect(context_->Window(), &client);
        float sx = client.right > 0 ? static_cast<float>(dw) / client.right : 1.0f;
        float sy = client.bottom > 0 ? static_cast<float>(dh) / client.bottom : 1.0f;
        x0 = destRect->left * sx;
        y0 = destRect->top * sy;
        x1 = destRect->right * sx;
        y1 = destRect->bottom * sy;
    } else {
        // The render resolution scaled to fit the window, its proportions kept.
        float srcW = static_cast<float>(sourceRect.right - sourceRect.left);
        float srcH = static_cast<float>(sourceRect.bottom - sourceRect.top);
        float scale = std::min(dw / srcW, dh / srcH);
        float w = srcW * scale, h = srcH * scale;
        x0 = (dw - w) * 0.5f;
        y0 = (dh - h) * 0.5f;
        x1 = x0 + w;
        y1 = y0 + h;
    }
    if (!context_->WindowOnDisplay()) return false;
    // What the picture leaves of the window is black.
    if (x0 > 0.0f || y0 > 0.0f || x1 < static_cast<float>(dw) || y1 < static_cast<float>(dh)) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    const bool whole = x0 == std::floor(x0) && y0 == std::floor(y0);
    if (whole && x1 - x0 == static_cast<float>(sourceRect.right - sourceRect.left) &&
        y1 - y0 == static_cast<float>(sourceRect.bottom - sourceRect.top)) {
        // Pixel for pixel: a framebuffer copy, turned upside down for the window.
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, sourceFbo);
        const GLint left = static_cast<GLint>(x0), top = static_cast<GLint>(y0);
        const GLint right = static_cast<GLint>(x1), bottom = static_cast<GLint>(y1);
        glBlitFramebuffer(sourceRect.left, sourceRect.top, sourceRect.right, sourceRect.bottom, left, dh - top, right,
                          dh - bottom, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    } else {
        DrawTexturedQuad(source.Gl().colorTexture, source.Width(), source.Height(), sourceRect, x0, y0, x1, y1, dw,
                         dh, true);
    }
    context_->SwapWindow();
    return true;
}

bool GlRenderer::DrawSurfaceInto(DirectDrawSurface7GL& source, const RECT& sourceRect, DirectDrawSurface7GL& target,
                                 const RECT& destRect) {
    if (!Activate()) return false;
    if (vertexCount_) Flush();
    if (!BindTarget(source)) return false;
    GLuint texture = source.Gl().colorTexture;
    const bool pixelForPixel = destRect.right - destRect.left == sourceRect.right - sourceRect.left &&
                               destRect.bottom - destRect.top == sourceRect.bottom - sourceRect.top;
    const bool wholeToWhole = sourceRect.left == 0 && sourceRect.top == 0 && sourceRect.right == source.Width() &&
                              sourceRect.bottom == source.Height() && destRect.left == 0 && destRect.top == 0 &&
                              destRect.right == target.Width() && destRect.bottom == target.Height();
    if (pixelForPixel && wholeToWhole && target.IsPrimary() && &source != &target) {
        // A windowed frame into the primary surface: deferred (see SettleCopy).
        if (!EnsureColorBuffer(target)) return false;
        SettleCopyOf(target);
        copy_ = DeferredCopy{&source, &target, sourceRect, destRect};
        target.SetGlNewer(true);
        return true;
    }
    if (pixelForPixel) return CopyNow(source, sourceRect, target, destRect);
    if (!BindTarget(target)) return false;
    DrawTexturedQuad(texture, source.Width(), source.Height(), sourceRect, static_cast<float>(destRect.left),
                     static_cast<float>(destRect.top), static_cast<float>(destRect.right),
                     static_cast<float>(destRect.bottom), target.Width(), target.Height(), false);
    target.SetGlNewer(true);
    return true;
}

bool GlRenderer::CopyNow(DirectDrawSurface7GL& source, const RECT& sourceRect, DirectDrawSurface7GL& target,
                         const RECT& destRect) {
    if (!BindTarget(source)) return false;
    const GLuint sourceFbo = source.Gl().fbo;
    if (!BindTarget(target)) return false;
    // A framebuffer copy, which GL does without running a program per pixel.
    InvalidateState();
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, sourceFbo);
    glBlitFramebuffer(sourceRect.left, sourceRect.top, sourceRect.right, sourceRect.bottom, destRect.left,
                      destRect.top, destRect.right, destRect.bottom, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, target.Gl().fbo);
    target.SetGlNewer(true);
    return true;
}

void GlRenderer::SettleCopy() {
    if (!copy_.source) return;
    const DeferredCopy copy = copy_;
    copy_ = DeferredCopy{};
    if (copy.source->IsDead() || copy.target->IsDead()) return;
    CopyNow(*copy.source, copy.sourceRect, *copy.target, copy.destRect);
}

bool GlRenderer::TradeForClear(DirectDrawSurface7GL& clearing, const int viewport[4], DWORD count, DWORD flags) {
    // The copy is deferred only from all of a surface to all of the primary.
    DirectDrawSurface7GL& primary = *copy_.target;
    SurfaceGl& a = clearing.Gl();
    SurfaceGl& b = primary.Gl();
    if (count != 0 || !(flags & D3DCLEAR_TARGET) || viewport[0] != 0 || viewport[1] != 0 ||
        viewport[2] != clearing.Width() || viewport[3] != clearing.Height() ||
        !primary.Layout().SameAs(clearing.Layout()) || !a.fbo || !b.fbo || b.attachedDepth != 0) {
        return false;
    }
    copy_ = DeferredCopy{};
    std::swap(a.colorTexture, b.colorTexture);
    glBindFramebuffer(GL_FRAMEBUFFER, a.fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, a.colorTexture, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, b.fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, b.colorTexture, 0);
    InvalidateState();
    return true;
}

void GlRenderer::FillWindowBlack() {
    if (!Activate() || !context_->WindowOnDisplay()) return;
    if (vertexCount_) Flush();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    InvalidateState();
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    context_->SwapWindow();
}

bool GlRenderer::PresentImage(const uint32_t* argb, int width, int height) {
    if (!argb || width <= 0 || height <= 0 || !Activate() || !context_->WindowOnDisplay()) return false;
    if (vertexCount_) Flush();
    int dw = 0, dh = 0;
    context_->DrawableSize(&dw, &dh);
    if (dw <= 0 || dh <= 0) return false;
    if (!imageTexture_) glGenTextures(1, &imageTexture_);
    InvalidateState();
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, imageTexture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, argb);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    // The picture is the client area pixel for pixel; a drawable of another
    // size (a scaled display) takes it scaled.
    DrawTexturedQuad(imageTexture_, width, height, RECT{0, 0, width, height}, 0.0f, 0.0f, static_cast<float>(dw),
                     static_cast<float>(dh), dw, dh, true);
    glBindTexture(GL_TEXTURE_2D, 0);
    context_->SwapWindow();
    return true;
}

void GlRenderer::Finish() {
    if (!Activate()) return;
    Flush();
    glFinish();
}

}  // namespace platform::gl
