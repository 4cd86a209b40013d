// gl_context_sdl.cpp — an OpenGL context on the SDL window of a Win32
// window: double-buffered, vertical sync on where the driver allows it.
// When none can be made, ContextError says why in SDL's or the driver's
// words, with the driver package to install where a driver is what lacks.
#include "platform/gl/gl_context.h"

#include <dlfcn.h>

#include <GL/gl.h>
#include <SDL.h>

#include <cstring>

#include "platform/platform.h"
#include "platform/win32/window_backend.h"

namespace platform::gl {
namespace {

// Why SDL made the window without OpenGL, in its words: it loads the GL
// library again to be told (and lets it go again should it load now).
std::string WindowWithoutGlReason() {
    if (SDL_GL_LoadLibrary(nullptr) != 0) return SDL_GetError();
    SDL_GL_UnloadLibrary();
    return "the window was made without OpenGL";
}

// The window has no OpenGL: on X11 with GLX's library installed, the X
// server lacks GLX, which no package of this system cures; otherwise the
// driver is missing.
std::string NoGlForWindowText() {
    const std::string reason = WindowWithoutGlReason();
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "x11") == 0) {
        if (void* library = dlopen("libGL.so.1", RTLD_LAZY | RTLD_LOCAL)) {
            dlclose(library);
            return "the X server offers no OpenGL for windows (" + reason + ")";
        }
        return WithDriverHint("no OpenGL driver found for windows (" + reason + ")",
                              "libgl1 and libgl1-mesa-dri");
    }
    return WithDriverHint("no OpenGL driver found for windows (" + reason + ")");
}

class SdlContext final : public GlContext {
public:
    SdlContext(HWND hwnd, SDL_Window* window, SDL_GLContext context) : hwnd_(hwnd), window_(window), context_(context) {}
    ~SdlContext() override {
        Forget();
        SDL_GL_DeleteContext(context_);
    }
    bool HasWindow() const override { return WindowAlive(); }
    void DrawableSize(int* width, int* height) const override {
        *width = 0;
        *height = 0;
        if (WindowAlive()) SDL_GL_GetDrawableSize(window_, width, height);
    }
    void SwapWindow() override {
        if (WindowAlive()) SDL_GL_SwapWindow(window_);
    }
    bool WindowOnDisplay() const override { return WindowAlive() && NativeWindowOnDisplay(hwnd_); }
    HWND Window() const override { return hwnd_; }

    void ReadRenderer() {
        const GLubyte* text = glGetString(GL_RENDERER);
        renderer_ = text ? reinterpret_cast<const char*>(text) : "";
    }

protected:
    bool Activate() override { return WindowAlive() && SDL_GL_MakeCurrent(window_, context_) == 0; }
    void Deactivate() override { SDL_GL_MakeCurrent(WindowAlive() ? window_ : nullptr, nullptr); }

private:
    // The Win32 window may be destroyed before the context; its SDL window goes with it.
    bool WindowAlive() const { return NativeSdlWindow(hwnd_) == window_; }

    HWND hwnd_;
    SDL_Window* window_;
    SDL_GLContext context_;
};

}  // namespace

std::unique_ptr<GlContext> CreateWindowContext(HWND hwnd) {
    SDL_Window* window = NativeSdlWindow(hwnd);
    if (!window) return nullptr;
    if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL)) {
        NoteContextError(NoGlForWindowText());
        return nullptr;
    }
    // Another program may destroy the window (with its parent) at any
    // moment; making a context on a window gone half way crashes the GL
    // loader, so the window is held until the context is made.
    if (!HoldNativeWindow(hwnd)) return nullptr;
    struct Held {
        HWND hwnd;
        ~Held() { ReleaseNativeWindow(hwnd); }
    } held{hwnd};
    TuneAllocatorForGl();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        NoteContextError(WithDriverHint(std::string("no OpenGL context on the window (") + SDL_GetError() + ")"));
        return nullptr;
    }
    auto result = std::make_unique<SdlContext>(hwnd, window, context);
    if (!result->MakeCurrent()) {
        NoteContextError(
            WithDriverHint(std::string("the window's OpenGL context cannot be used (") + SDL_GetError() + ")"));
        return nullptr;
    }
    NoteContextError("");
    // Software renderers and virtual X servers refuse: then nothing paces the swaps.
    NoteVerticalSync(SDL_GL_SetSwapInterval(1) == 0);
    result->ReadRenderer();
    NoteRenderer(result->Renderer());
    return result;
}

}  // namespace platform::gl

namespace platform {
namespace {
bool g_verticalSync = false;
bool g_softwareRenderer = false;
}  // namespace

bool VerticalSyncInEffect() { return g_verticalSync; }
void NoteVerticalSync(bool inEffect) { g_verticalSync = inEffect; }

bool SoftwareRendererInEffect() { return g_softwareRenderer; }
void NoteRenderer(const std::string& rendererString) {
    g_softwareRenderer = false;
    for (const char* name : {"llvmpipe", "softpipe", "swrast"})
        g_softwareRenderer = g_softwareRenderer || rendererString.find(name) != std::string::npos;
}

}  // namespace platform
