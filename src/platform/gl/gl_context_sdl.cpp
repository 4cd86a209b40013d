// gl_context_sdl.cpp — an OpenGL context on the SDL window of a Win32
// window: double-buffered, vertical sync on where the driver allows it.
#include "platform/gl/gl_context.h"

#include <GL/gl.h>
#include <SDL.h>

#include "platform/platform.h"
#include "platform/win32/window_backend.h"

namespace platform::gl {
namespace {

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
        NoteContextError("the display offers no OpenGL for windows (no GLX on the X server, or no GL driver)");
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
        NoteContextError(std::string("no OpenGL context on the window: ") + SDL_GetError());
        return nullptr;
    }
    auto result = std::make_unique<SdlContext>(hwnd, window, context);
    if (!result->MakeCurrent()) {
        NoteContextError(std::string("the window's OpenGL context cannot be used: ") + SDL_GetError());
        return nullptr;
    }
    NoteContextError("");
    // Software renderers and virtual X servers refuse: then nothing paces the swaps.
    NoteVerticalSync(SDL_GL_SetSwapInterval(1) == 0);
    result->ReadRenderer();
    return result;
}

}  // namespace platform::gl

namespace platform {
namespace {
bool g_verticalSync = false;
}  // namespace

bool VerticalSyncInEffect() { return g_verticalSync; }
void NoteVerticalSync(bool inEffect) { g_verticalSync = inEffect; }

}  // namespace platform
