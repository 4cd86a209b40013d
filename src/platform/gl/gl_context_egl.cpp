// gl_context_egl.cpp — a headless OpenGL context on Mesa's EGL surfaceless
// platform (no display, no default framebuffer; everything goes into
// framebuffer objects). Falls back to the default EGL display when the
// surfaceless platform is missing.
#include "platform/gl/gl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

namespace platform::gl {
namespace {

EGLDisplay SharedDisplay() {
    static EGLDisplay display = EGL_NO_DISPLAY;
    static bool tried = false;
    if (tried) return display;
    tried = true;
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay candidate = EGL_NO_DISPLAY;
    if (getPlatformDisplay) candidate = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (candidate == EGL_NO_DISPLAY || !eglInitialize(candidate, &major, &minor)) {
        candidate = eglGetDisplay(EGL_DEFAULT_DISPLAY);
        if (candidate == EGL_NO_DISPLAY || !eglInitialize(candidate, &major, &minor)) return EGL_NO_DISPLAY;
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
    EGLDisplay display = SharedDisplay();
    if (display == EGL_NO_DISPLAY) {
        // A window's reason, when there is one, is the one to tell.
        if (ContextError().empty()) NoteContextError("no OpenGL driver for drawing off screen (EGL found none)");
        return nullptr;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) return nullptr;
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1) config = nullptr;
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 2, EGL_CONTEXT_MINOR_VERSION, 1, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) return nullptr;
    auto result = std::make_unique<EglContext>(display, context);
    if (!result->MakeCurrent()) return nullptr;
    result->ReadRenderer();
    return result;
}

}  // namespace platform::gl
