// gl_context.h — an OpenGL context that the DirectDraw and Direct3D layer
// draws with.
//
// Two backends: a window context on an SDL2 window (double-buffered, vertical
// sync on; the window's framebuffer is what Flip and a blit to the primary
// surface present into), and a headless context on Mesa's EGL surfaceless
// platform that has no default framebuffer at all, chosen when there is no
// window to draw on. Either way everything is drawn into framebuffer objects;
// OpenGL 2.1 (compatibility profile) with framebuffer objects is all the
// layer asks for. Entry points come from libOpenGL, whose dispatch follows
// the current context.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

struct SDL_Window;

namespace platform::gl {

class GlContext {
public:
    virtual ~GlContext() = default;

    // Makes this context current (cheap when it already is).
    bool MakeCurrent();
    // Whether this context draws into a window that can be presented.
    virtual bool HasWindow() const = 0;
    // Size of the window's drawable in pixels (0 x 0 when headless).
    virtual void DrawableSize(int* width, int* height) const = 0;
    virtual void SwapWindow() = 0;
    virtual HWND Window() const = 0;
    // Whether the window is still on its display, asked of the display
    // server itself: another program may destroy it (with a parent of
    // theirs) at any moment, and the software rasteriser's X11 present,
    // given a window gone, reads its size from uninitialised memory and may
    // clear gigabytes for it. Asked just before each present.
    virtual bool WindowOnDisplay() const { return HasWindow(); }

    const std::string& Renderer() const { return renderer_; }

protected:
    virtual bool Activate() = 0;
    virtual void Deactivate() = 0;
    void Forget();  // called by destructors of backends
    std::string renderer_;
};

// Headless context on EGL's surfaceless platform; null when EGL cannot give one.
std::unique_ptr<GlContext> CreateHeadlessContext();
// Window context on the SDL window of hwnd; null when the window has no SDL
// window or it cannot hold a GL context.
std::unique_ptr<GlContext> CreateWindowContext(HWND hwnd);
// Why the last context could not be made, in words for the user ("" when
// every one asked for was made); NoteContextError records it.
std::string ContextError();
void NoteContextError(std::string reason);
// `reason` followed by the Debian packages that hold the drivers
// (`packages`, by default Mesa's, which also draw without a GPU): what a
// failure that a driver would cure says, as one line.
std::string WithDriverHint(const std::string& reason, const char* packages = "libgl1-mesa-dri");

// Raises glibc's mmap and trim thresholds: Mesa's many small allocations per
// draw otherwise fault pages constantly (done once per process).
void TuneAllocatorForGl();

}  // namespace platform::gl
