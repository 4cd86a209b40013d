// gl_context_egl.cpp — a headless OpenGL context on Mesa's EGL surfaceless
// platform (no display, no default framebuffer; everything goes into
// framebuffer objects). Falls back to the default EGL display when the
// surfaceless platform is missing. A step that fails notes why, with the
// driver package to install (ContextError).
#include "platform/gl/gl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <string>

namespace platform::gl {
namespace {

// EGL's last error by its name, as EGL's documentation spells it.
std::string EglErrorText() {
    const EGLint code = eglGetError();
    switch (code) {
    case EGL_SUCCESS: return "no error code";
    case EGL_NOT_INITIALIZED: return "EGL_NOT_INITIALIZED";
    case EGL_BAD_ACCESS: return "EGL_BAD_ACCESS";
    case EGL_BAD_ALLOC: return "EGL_BAD_ALLOC";
    case EGL_BAD_ATTRIBUTE: return "EGL_BAD_ATTRIBUTE";
    case EGL_BAD_CONFIG: return "EGL_BAD_CONFIG";
    case EGL_BAD_CONTEXT: return "EGL_BAD_CONTEXT";
    case EGL_BAD_DISPLAY: return "EGL_BAD_DISPLAY";
    case EGL_BAD_MATCH: return "EGL_BAD_MATCH";
    case EGL_BAD_PARAMETER: return "EGL_BAD_PARAMETER";
    default: break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "EGL error 0x%04X", static_cast<unsigned>(code));
    return text;
}

// A window's reason, when there is one, is the one to tell.
void NoteHeadlessError(const std::string& reason) {
    if (ContextError().empty()) NoteContextError(WithDriverHint(reason));
}

// The one display, opened on first use; `failure` says why there is none.
EGLDisplay SharedDisplay(std::string* failure) {
    static EGLDisplay display = EGL_NO_DISPLAY;
    static std::string why;
    static bool tried = false;
    *failure = why;
    if (tried) return display;
    tried = true;
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay candidate = EGL_NO_DISPLAY;
    if (getPlatformDisplay) candidate = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (candidate == EGL_NO_DISPLAY || !eglInitialize(candidate, &major, &minor)) {
        candidate = eglGetDisplay(EGL_DEFAULT_DISPLAY);
        if (candidate == EGL_NO_DISPLAY || !eglInitialize(candidate, &major, &minor)) {
            why = *failure = EglErrorText();
            return EGL_NO_DISPLAY;
        }
    }
    display = candidate;
    return display;
}

class EglContext final : public GlContext {
public:
    EglContext(EGLDisplay display, EGLContext context) : display_(display), context_(context) {}
    ~EglContext() override {
        Forget();
        eglDestroyContext(display_, context_);
    }
    bool HasWindow() const override { return false; }
    void DrawableSize(int* width, int* height) const override {
        *width = 0;
        *height = 0;
    }
    void SwapWindow() override {}
    HWND Window() const override { return nullptr; }

    void ReadRenderer() {
        const GLubyte* text = glGetString(GL_RENDERER);
        renderer_ = text ? reinterpret_cast<const char*>(text) : "";
    }

protected:
    bool Activate() override {
        eglBindAPI(EGL_OPENGL_API);
        return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
    }
    void Deactivate() override { eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT); }

private:
    EGLDisplay display_;
    EGLContext context_;
};

}  // namespace

std::unique_ptr<GlContext> CreateHeadlessContext() {
    TuneAllocatorForGl();
    std::string failure;
    EGLDisplay display = SharedDisplay(&failure);
    if (display == EGL_NO_DISPLAY) {
        NoteHeadlessError("no OpenGL driver found for drawing off screen (EGL: " + failure + ")");
        return nullptr;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        NoteHeadlessError("the OpenGL driver offers no desktop OpenGL off screen (" + EglErrorText() + ")");
        return nullptr;
    }
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1) config = nullptr;
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 2, EGL_CONTEXT_MINOR_VERSION, 1, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        NoteHeadlessError("the OpenGL driver gives no OpenGL 2.1 context off screen (" + EglErrorText() + ")");
        return nullptr;
    }
    auto result = std::make_unique<EglContext>(display, context);
    if (!result->MakeCurrent()) {
        NoteHeadlessError("the OpenGL driver's context off screen cannot be used (" + EglErrorText() + ")");
        return nullptr;
    }
    result->ReadRenderer();
    return result;
}

}  // namespace platform::gl
