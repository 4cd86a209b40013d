// window_backend_sdl.cpp — native windows and input through SDL2, with Xlib
// for the questions SDL cannot answer about other programs' windows.
//
// Provides: borderless top-most windows (full screen on the desktop when they
// cover the screen), child windows inside a foreign X11 window (a preview
// parent or an xscreensaver window: an X11 child created with Xlib and
// adopted by SDL), keyboard, mouse, focus-loss and close events turned into
// Win32 messages, the pointer position and visibility, the screen rectangle,
// X11 window existence, size and raising (errors trapped, never fatal), the
// active window, and finding another process's saver window by its WM_CLASS
// and title. Without X11 (Wayland), a per-user lock file in $XDG_RUNTIME_DIR
// tells whether another full-screen saver runs.
//
// Windows are created with SDL_WINDOW_OPENGL where the display allows it, so
// that the DirectDraw layer can put a GL context on them (NativeSdlWindow);
// once it has, FillBlack and PresentImage paint through that context
// (SetNativeFillHook, SetNativeImageHook), before that through the window
// surface. A child inside a foreign parent follows the parent's size.
//
// Limits: foreign parents need X11 and must be on the X screen of $DISPLAY;
// the screen is treated as one display, whatever monitors make it up.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "platform/win32/window_backend.h"
#include "platform/win32/x11_dpms.h"

namespace platform {
namespace {

int g_xErrorCode = 0;
// Installed for the whole process once the display is open: an X error (a
// window that another program destroyed, a draw into it) is noted, never
// fatal; the code that cares looks at it through XErrorTrap.
int TrapXError(Display*, XErrorEvent* event) {
    g_xErrorCode = event->error_code;
    return 0;
}

// The display went away (the X server ended): nothing more can be shown or
// closed on it, so the process ends at once, in one line, without running the
// destructors of objects that talk to the display.
int LoseDisplay(Display*) {
    static const char kText[] = "vexlar3d: the connection to the X display was lost\n";
    ssize_t ignored = write(STDERR_FILENO, kText, sizeof kText - 1);
    (void)ignored;
    _exit(1);
}

// Keeps an X error from a vanished window from ending the process.
class XErrorTrap {
public:
    explicit XErrorTrap(Display* display) : display_(display) {
        XSync(display_, False);
        g_xErrorCode = 0;
        previous_ = XSetErrorHandler(TrapXError);
    }
    ~XErrorTrap() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    bool Failed() {
        XSync(display_, False);
        return g_xErrorCode != 0;
    }

private:
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

WPARAM VirtualKeyFromSdl(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<WPARAM>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<WPARAM>(key);
    if (key >= SDLK_F1 && key <= SDLK_F12) return static_cast<WPARAM>(0x70 + (key - SDLK_F1));
    switch (key) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_TAB: return 0x09;
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return 0x10;
    case SDLK_LCTRL: case SDLK_RCTRL: return 0x11;
    case SDLK_LALT: case SDLK_RALT: return 0x12;
    default: return 0xFF;
    }
}

// "DISPLAY ':9'" and/or "WAYLAND_DISPLAY 'wayland-1'", for messages.
std::string NamedDisplays(const char* display, const char* wayland) {
    std::string named;
    if (display && *display) named = std::string("'") + display + "' (DISPLAY)";
    if (wayland && *wayland) named += (named.empty() ? "'" : " or '") + std::string(wayland) + "' (WAYLAND_DISPLAY)";
    return named.empty() ? "given by SDL_VIDEODRIVER" : named;
}

// Whether the Wayland display offers an input seat. SDL 2.26 crashes while
// starting on a compositor without one (a headless Weston with no input
// devices: its clipboard set-up uses the absent seat); asked here first, on a
// connection of our own, that display is left for X11 or named.
bool WaylandHasSeat() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return true;  // SDL then says why it cannot connect
    bool seat = false;
    static const wl_registry_listener listener = {
        [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
            if (std::strcmp(interface, wl_seat_interface.name) == 0) *static_cast<bool*>(data) = true;
        },
        [](void*, wl_registry*, uint32_t) {},
    };
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &seat);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return seat || !answered;
}

std::string Hex(uintptr_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(value));
    return text;
}

std::string SaverLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return std::string(runtime) + "/vexlar3d-saver.lock";
    return "/tmp/vexlar3d-saver-" + std::to_string(getuid()) + ".lock";
}

struct NativeWindow {
    SDL_Window* sdl = nullptr;
    Window xChild = 0;   // our X11 child inside a foreign parent
    Window xParent = 0;  // that parent, whose size the child follows
    Window xWatched = 0;  // the X window whose visibility this connection hears of
    bool hadFocus = false;
    // What decides whether anything of it can be seen; see Visible().
    bool mapped = true;
    bool unobscured = true;
    bool parentMapped = true;
    bool reportedVisible = true;
};

class SdlBackend;
SdlBackend* g_liveBackend = nullptr;

// Never destroyed: the backend itself may be torn down by a static destructor
// at exit, after a function-local map would already be gone.
std::map<HWND, std::function<void()>>& FillHooks() {
    static auto* hooks = new std::map<HWND, std::function<void()>>;
    return *hooks;
}

std::map<HWND, NativeImageHook>& ImageHooks() {
    static auto* hooks = new std::map<HWND, NativeImageHook>;
    return *hooks;
}

class SdlBackend final : public WindowBackendImpl {
public:
    SdlBackend() { g_liveBackend = this; }
    ~SdlBackend() override {
        if (g_liveBackend == this) g_liveBackend = nullptr;
        FillHooks().clear();
        ImageHooks().clear();
        for (auto& [hwnd, native] : natives_) Release(native);
        if (x_) XCloseDisplay(x_);
        if (lockFd_ >= 0) close(lockFd_);
        if (sdlStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
        // The last user of SDL lets go of all of it.
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
    }

    bool Open() override {
        const char* display = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        bool hasDisplay = (display && *display) || (wayland && *wayland);
        if (!hasDisplay && !(driver && *driver)) {
            error_ = "no display to draw on: neither DISPLAY nor WAYLAND_DISPLAY is set";
            return false;
        }
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        // SDL loads the session bus library for itself and unloads it at the
        // end, while the library's own globals still hold what it allocated:
        // kept loaded, that memory stays what it is, reachable, not lost.
        dlopen("libdbus-1.so.3", RTLD_LAZY | RTLD_NODELETE);
        // Without RandR, SDL's one display is the X screen of $DISPLAY, all of
        // it: a GL context is made on the screen of the window it draws into
        // (xscreensaver runs one copy per X screen, each with DISPLAY=:N.k),
        // and a full-screen window spans every monitor of that screen.
        SDL_SetHintWithPriority(SDL_HINT_VIDEO_X11_XRANDR, "0", SDL_HINT_DEFAULT);
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        // A screen saver never holds off the desktop's own idle steps (an idle
        // daemon's screen lock, the monitor's power-down): SDL would inhibit
        // them while a window is open.
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
        const std::string named = NamedDisplays(display, wayland);
        // Only the kinds of display named are tried: no probing of others
        // (with their own messages), no silent fall-back.
        if (!(driver && *driver)) {
            const bool x11 = display && *display;
            bool wl = wayland && *wayland;
            if (wl && !WaylandHasSeat()) {
                if (!x11) {
                    error_ = "the Wayland display '" + std::string(wayland) +
                             "' has no input seat, and SDL cannot start on such a display; run with an X11 "
                             "display (DISPLAY, for example Xwayland's)";
                    return false;
                }
                wl = false;
            }
            SDL_SetHint(SDL_HINT_VIDEODRIVER, wl && x11 ? "wayland,x11" : wl ? "wayland" : "x11");
        }
        // A busy X server may refuse a connection for a moment (a full
        // listen queue): a few tries over about a second before giving up.
        bool started = false;
        for (int attempt = 0; attempt < 4 && !started; ++attempt) {
            if (attempt > 0) SDL_Delay(250);
            started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        }
        if (!started) {
            error_ = "cannot open the display " + named + ": " + SDL_GetError();
            SDL_Quit();  // what SDL opened on the way (the session bus) goes too
            return false;
        }
        sdlStarted_ = true;
        // SDL falls back to a driver that shows nothing when the display it
        // was given cannot be reached; only a driver asked for by name may.
        const char* chosen = SDL_GetCurrentVideoDriver();
        const std::string current = chosen ? chosen : "";
        if (!(driver && *driver) && current != "x11" && current != "wayland") {
            error_ = "cannot open the display " + named;
            return false;
        }
        x11Windows_ = current == "x11";
        if (display && *display) x_ = XOpenDisplay(nullptr);
        XSetErrorHandler(TrapXError);
        XSetIOErrorHandler(LoseDisplay);
        hasDpms_ = X11HasDpms(x_);
        return true;
    }

    std::string Error() const override { return error_; }

    bool CreateNative(const NativeWindowRequest& request) override {
        NativeWindow native;
        int width = std::max<int>(1, request.rect.right - request.rect.left);
        int height = std::max<int>(1, request.rect.bottom - request.rect.top);
        if (request.foreignParent) {
            if (!x_) {
                error_ = "window 0x" + Hex(request.foreignParent) +
                         " would be an X11 window, and there is no X11 display (DISPLAY is not set)";
                return false;
            }
            // A window inside an X11 window is an X11 window: SDL on Wayland
            // (the first choice where both are named) starts again on X11.
            if (!x11Windows_ && !RestartOnX11()) return false;
            {
                XErrorTrap trap(x_);
                XWindowAttributes parent{};
                if (XGetWindowAttributes(x_, request.foreignParent, &parent) && !trap.Failed() &&
                    XScreenNumberOfScreen(parent.screen) != DefaultScreen(x_)) {
                    // GL on another screen than SDL's fails inside the X server.
                    error_ = "window 0x" + Hex(request.foreignParent) + " is on X screen " +
                             std::to_string(XScreenNumberOfScreen(parent.screen)) + "; run with DISPLAY naming it (" +
                             DisplayString(x_) + " names screen " + std::to_string(DefaultScreen(x_)) + ")";
                    return false;
                }
                native.xChild = XCreateSimpleWindow(x_, request.foreignParent, 0, 0, width, height, 0,
                                                    BlackPixel(x_, DefaultScreen(x_)),
                                                    BlackPixel(x_, DefaultScreen(x_)));
                if (trap.Failed()) return false;
                XStoreName(x_, native.xChild, request.title.c_str());
                // The parent's size changes reach this connection, which PumpEvents reads.
                XSelectInput(x_, request.foreignParent, StructureNotifyMask);
                native.xParent = request.foreignParent;
            }
            SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
            native.sdl = SDL_CreateWindowFrom(reinterpret_cast<void*>(native.xChild));
            // A display without GL still gets a plain window (the device then says why it cannot draw).
            if (!native.sdl) {
                SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "0");
                native.sdl = SDL_CreateWindowFrom(reinterpret_cast<void*>(native.xChild));
            }
            if (!native.sdl) {
                error_ = std::string("cannot make a window inside window 0x") + Hex(request.foreignParent) + ": " +
                         SDL_GetError();
                XDestroyWindow(x_, native.xChild);
                XFlush(x_);
                return false;
            }
        } else {
            RECT screen = ScreenRect();
            bool coversScreen = request.rect.left <= screen.left && request.rect.top <= screen.top &&
                                request.rect.right >= screen.right && request.rect.bottom >= screen.bottom;
            // A captioned window is an ordinary desktop window: decorated, and resizable with a frame.
            Uint32 flags = SDL_WINDOW_HIDDEN;
            if (!(request.style & WS_CAPTION)) flags |= SDL_WINDOW_BORDERLESS;
            if (request.style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
            if (request.exStyle & WS_EX_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
            if (coversScreen && (request.style & WS_POPUP)) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
            native.sdl = SDL_CreateWindow(request.title.c_str(), request.rect.left, request.rect.top, width, height,
                                          flags | SDL_WINDOW_OPENGL);
            // A display without GL (an 8-bit X server) still gets a plain window.
            if (!native.sdl)
                native.sdl = SDL_CreateWindow(request.title.c_str(), request.rect.left, request.rect.top, width,
                                              height, flags);
            if (!native.sdl) return false;
            MarkAsOurs(native.sdl, request.className);
            if (request.exStyle & WS_EX_TOPMOST) TakeSaverLock();
        }
        if (x_) {
            if (native.xChild) {
                Watch(native, native.xChild);
            } else {
                SDL_SysWMinfo info;
                SDL_VERSION(&info.version);
                if (SDL_GetWindowWMInfo(native.sdl, &info) && info.subsystem == SDL_SYSWM_X11)
                    Watch(native, info.info.x11.window);
            }
        }
        windowIds_[SDL_GetWindowID(native.sdl)] = request.hwnd;
        natives_[request.hwnd] = native;
        return true;
    }

    void DestroyNative(HWND hwnd) override {
        auto it = natives_.find(hwnd);
        if (it == natives_.end()) return;
        windowIds_.erase(SDL_GetWindowID(it->second.sdl));
        FillHooks().erase(hwnd);
        ImageHooks().erase(hwnd);
        Release(it->second);
        natives_.erase(it);
    }

    void ShowNative(HWND hwnd, bool show) override {
        auto it = natives_.find(hwnd);
        if (it == natives_.end()) return;
        if (it->second.xChild && x_) {
            XErrorTrap trap(x_);
            if (show) XMapWindow(x_, it->second.xChild);
            else XUnmapWindow(x_, it->second.xChild);
        }
        if (show) SDL_ShowWindow(it->second.sdl);
        else SDL_HideWindow(it->second.sdl);
    }

    void RaiseNative(HWND hwnd) override {
        auto it = natives_.find(hwnd);
        if (it != natives_.end()) SDL_RaiseWindow(it->second.sdl);
    }

    void FillBlack(HWND hwnd) override {
        auto it = natives_.find(hwnd);
        if (it == natives_.end()) return;
        auto hook = FillHooks().find(hwnd);
        if (hook != FillHooks().end()) {
            hook->second();
            return;
        }
        SDL_Surface* surface = SDL_GetWindowSurface(it->second.sdl);
        if (!surface) return;
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
        SDL_UpdateWindowSurface(it->second.sdl);
    }

    void PresentImage(HWND hwnd, const uint32_t* argb, int width, int height) override {
        auto it = natives_.find(hwnd);
        if (it == natives_.end() || !argb || width <= 0 || height <= 0) return;
        auto hook = ImageHooks().find(hwnd);
        if (hook != ImageHooks().end()) {
            hook->second(argb, width, height);
            return;
        }
        SDL_Surface* target = SDL_GetWindowSurface(it->second.sdl);
        SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(argb), width, height, 32,
                                                                 width * 4, SDL_PIXELFORMAT_RGB888);
        if (target && source) {
            SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
            SDL_BlitSurface(source, nullptr, target, nullptr);
            SDL_UpdateWindowSurface(it->second.sdl);
        }
        if (source) SDL_FreeSurface(source);
    }

    void PumpEvents(uint32_t waitMs) override {
        SDL_Event event;
        if (waitMs > 0 && SDL_WaitEventTimeout(&event, static_cast<int>(waitMs))) Handle(event);
        while (SDL_PollEvent(&event)) Handle(event);
        FollowForeignParents();
    }

    // Asked of the X server itself where there is one: SDL's global position
    // is a cache that only raw input events refresh, and pointers moved by
    // other means (synthetic input, a remote session) leave it stale.
    POINT CursorPos() override {
        if (x_ && x11Windows_) {
            Window root = 0, child = 0;
            int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
            unsigned mask = 0;
            XErrorTrap trap(x_);
            if (XQueryPointer(x_, DefaultRootWindow(x_), &root, &child, &rootX, &rootY, &windowX, &windowY, &mask))
                return POINT{rootX, rootY};
        }
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        return POINT{x, y};
    }

    void SetCursorVisible(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

    RECT ScreenRect() override {
        SDL_Rect bounds{0, 0, 0, 0};
        if (SDL_GetDisplayBounds(0, &bounds) != 0) return RECT{0, 0, 640, 480};
        return RECT{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    }

    bool ForeignWindowExists(uintptr_t id) override {
        if (!x_ || id == 0) return false;
        XErrorTrap trap(x_);
        XWindowAttributes attributes;
        Status ok = XGetWindowAttributes(x_, static_cast<Window>(id), &attributes);
        return ok != 0 && !trap.Failed();
    }

    bool ForeignClientSize(uintptr_t id, int* width, int* height) override {
        if (!x_ || id == 0) return false;
        XErrorTrap trap(x_);
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(x_, static_cast<Window>(id), &attributes) || trap.Failed()) return false;
        *width = attributes.width;
        *height = attributes.height;
        return true;
    }

    bool RaiseForeign(uintptr_t id) override {
        if (!x_ || id == 0 || id == kOtherSaverHandle) return false;
        XErrorTrap trap(x_);
        Window window = static_cast<Window>(id);
        XRaiseWindow(x_, window);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(x_, "_NET_ACTIVE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;  // request from a pager-like tool: honoured without a timestamp
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(x_, DefaultRootWindow(x_), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        return !trap.Failed();
    }

    uintptr_t ForeignForegroundWindow() override {
        if (!x_) return 0;
        XErrorTrap trap(x_);
        Window active = WindowProperty(DefaultRootWindow(x_), "_NET_ACTIVE_WINDOW");
        if (active) return active;
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(x_, &focus, &revert);
        return focus > PointerRoot ? focus : 0;
    }

    uintptr_t FindOtherProcessWindow(const char* className, const char* title) override {
        if (x_ && className) {
            XErrorTrap trap(x_);
            if (Window found = Search(DefaultRootWindow(x_), className, title, 0)) return found;
        }
        return OtherSaverHoldsLock() ? kOtherSaverHandle : 0;
    }

    SDL_Window* SdlWindow(HWND hwnd) const {
        auto it = natives_.find(hwnd);
        return it == natives_.end() ? nullptr : it->second.sdl;
    }

    uintptr_t RootWindowId() override {
        if (!x_) return 0;
        XErrorTrap trap(x_);
        Window root = DefaultRootWindow(x_);
        Window rootReturn = 0, parentReturn = 0;
        Window* children = nullptr;
        unsigned count = 0;
        Window result = root;
        if (XQueryTree(x_, root, &rootReturn, &parentReturn, &children, &count)) {
            for (unsigned i = 0; i < count; ++i) {
                if (Window vroot = WindowProperty(children[i], "__SWM_VROOT")) {
                    result = vroot;
                    break;
                }
            }
            if (children) XFree(children);
        }
        return result;
    }

private:
    bool RestartOnX11() {
        if (!natives_.empty()) {
            error_ = "cannot draw into an X11 window beside the Wayland windows already made";
            return false;
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            sdlStarted_ = false;
            error_ = std::string("cannot open the X11 display '") + DisplayString(x_) + "': " + SDL_GetError();
            return false;
        }
        x11Windows_ = true;
        return true;
    }

    // Reads this connection's events: a foreign parent that changed size
    // takes our child along, one that was destroyed took our child with it,
    // and windows that were unmapped, covered or uncovered, or a monitor
    // powered down, stop or restart the drawing. (Input and the other events
    // of our windows are SDL's.)
    void FollowForeignParents() {
        if (!x_) return;
        std::vector<HWND> orphans;
        while (XPending(x_) > 0) {
            XEvent event;
            XNextEvent(x_, &event);
            for (auto& [hwnd, native] : natives_) {
                const Window window = event.xany.window;
                if (event.type == VisibilityNotify && window == native.xWatched) {
                    native.unobscured = event.xvisibility.state != VisibilityFullyObscured;
                } else if ((event.type == MapNotify || event.type == UnmapNotify) && window == native.xWatched) {
                    native.mapped = event.type == MapNotify;
                } else if (!native.xParent || window != native.xParent) {
                    continue;
                } else if (event.type == MapNotify || event.type == UnmapNotify) {
                    native.parentMapped = event.type == MapNotify;
                } else if (event.type == DestroyNotify && event.xdestroywindow.window == native.xParent) {
                    native.xChild = 0;  // gone with its parent
                    native.xParent = native.xWatched = 0;
                    orphans.push_back(hwnd);
                } else if (event.type == ConfigureNotify) {
                    FollowParentSize(hwnd, native, event.xconfigure.width, event.xconfigure.height);
                }
            }
        }
        PollDpms();
        std::vector<std::pair<HWND, bool>> changed;
        for (auto& [hwnd, native] : natives_) {
            const bool visible = native.mapped && native.unobscured && native.parentMapped && monitorOn_;
            if (visible != native.reportedVisible) changed.emplace_back(hwnd, visible);
            native.reportedVisible = visible;
        }
        // Told after the walk: what the windows do about it may destroy natives.
        for (const auto& [hwnd, visible] : changed) NativeVisibilityChanged(hwnd, visible);
        for (HWND hwnd : orphans) NativeParentDestroyed(hwnd);
    }

    void FollowParentSize(HWND hwnd, NativeWindow& native, int parentWidth, int parentHeight) {
        const int width = std::max(1, parentWidth);
        const int height = std::max(1, parentHeight);
        RECT client{};
        GetClientRect(hwnd, &client);
        if (client.right == width && client.bottom == height) return;
        // Through SDL, which resizes the X window and learns the new
        // size (it hears no events of a window it did not create).
        SDL_SetWindowSize(native.sdl, width, height);
        NativeWindowResized(hwnd, width, height);
    }

    // Whether the monitor is powered (display power management), asked at
    // most once a second.
    void PollDpms() {
        if (!hasDpms_) return;
        const Uint32 now = SDL_GetTicks();
        if (now - lastDpmsPoll_ < 1000) return;
        lastDpmsPoll_ = now;
        XErrorTrap trap(x_);
        monitorOn_ = X11MonitorPowered(x_);
    }

    // Asks this connection to hear whether `window` is mapped and seen.
    void Watch(NativeWindow& native, Window window) {
        XErrorTrap trap(x_);
        XSelectInput(x_, window, VisibilityChangeMask | StructureNotifyMask);
        native.xWatched = window;
    }

    void Release(NativeWindow& native) {
        if (native.sdl) {
            // What SDL asks of the window as it lets go reaches the server
            // now, while the window still exists and errors are still ours
            // to note (at exit SDL puts back the handler that prints them).
            SDL_SysWMinfo info;
            SDL_VERSION(&info.version);
            Display* sdlDisplay = nullptr;
            if (SDL_GetWindowWMInfo(native.sdl, &info) && info.subsystem == SDL_SYSWM_X11)
                sdlDisplay = info.info.x11.display;
            SDL_DestroyWindow(native.sdl);
            if (sdlDisplay) XSync(sdlDisplay, False);
        }
        native.sdl = nullptr;
        if (native.xChild && x_) {
            XErrorTrap trap(x_);
            XDestroyWindow(x_, native.xChild);
        }
        native.xChild = 0;
    }

    // Lets another process find this window: WM_CLASS carries the window class.
    void MarkAsOurs(SDL_Window* window, const std::string& className) {
        if (!x_) return;
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
        XErrorTrap trap(x_);
        XClassHint hint;
        std::string name = "vexlar3d";
        hint.res_name = name.data();
        std::string cls = className;
        hint.res_class = cls.data();
        XSetClassHint(x_, info.info.x11.window, &hint);
        long pid = getpid();
        XChangeProperty(x_, info.info.x11.window, XInternAtom(x_, "_NET_WM_PID", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    }

    Window WindowProperty(Window window, const char* name) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        Window value = 0;
        if (XGetWindowProperty(x_, window, XInternAtom(x_, name, False), 0, 1, False, XA_WINDOW, &type, &format,
                               &count, &after, &data) == Success &&
            data && count == 1 && format == 32) {
            value = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
        }
        if (data) XFree(data);
        return value;
    }

    long WindowPid(Window window) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        long pid = 0;
        if (XGetWindowProperty(x_, window, XInternAtom(x_, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type,
                               &format, &count, &after, &data) == Success &&
            data && count == 1 && format == 32) {
            pid = *reinterpret_cast<long*>(data);
        }
        if (data) XFree(data);
        return pid;
    }

    bool Matches(Window window, const char* className, const char* title) {
        XClassHint hint{};
        if (!XGetClassHint(x_, window, &hint)) return false;
        bool classOk = hint.res_class && strcasecmp(hint.res_class, className) == 0;
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
        if (!classOk) return false;
        if (title) {
            char* name = nullptr;
            bool titleOk = XFetchName(x_, window, &name) && name && std::strcmp(name, title) == 0;
            if (name) XFree(name);
            if (!titleOk) return false;
        }
        return WindowPid(window) != getpid();
    }

    // Top-level windows sit directly under the root or inside a window manager's frame.
    Window Search(Window parent, const char* className, const char* title, int depth) {
        Window rootReturn = 0, parentReturn = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(x_, parent, &rootReturn, &parentReturn, &children, &count)) return 0;
        Window found = 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            if (Matches(children[i], className, title)) found = children[i];
            else if (depth < 1) found = Search(children[i], className, title, depth + 1);
        }
        if (children) XFree(children);
        return found;
    }

    void TakeSaverLock() {
        if (lockFd_ >= 0) return;
        int fd = open(SaverLockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return;
        }
        lockFd_ = fd;
    }

    bool OtherSaverHoldsLock() {
        if (lockFd_ >= 0) return false;
        int fd = open(SaverLockPath().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        bool held = flock(fd, LOCK_SH | LOCK_NB) != 0;
        close(fd);
        return held;
    }

    HWND WindowFor(Uint32 windowId) {
        auto it = windowIds_.find(windowId);
        if (it != windowIds_.end()) return it->second;
        // Input without a focused window goes to the first window (no window manager).
        return natives_.empty() ? nullptr : natives_.begin()->first;
    }

    void Handle(const SDL_Event& event) {
        switch (event.type) {
        case SDL_KEYDOWN: {
            HWND hwnd = WindowFor(event.key.windowID);
            bool alt = (event.key.keysym.mod & KMOD_ALT) != 0 || event.key.keysym.sym == SDLK_F10;
            LPARAM lParam = 1 | (static_cast<LPARAM>(event.key.keysym.scancode & 0xFF) << 16);
            if (alt) lParam |= LPARAM{1} << 29;
            if (event.key.repeat) lParam |= LPARAM{1} << 30;
            PostInput(hwnd, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, VirtualKeyFromSdl(event.key.keysym.sym), lParam);
            break;
        }
        case SDL_MOUSEMOTION:
            PostInput(WindowFor(event.motion.windowID), WM_MOUSEMOVE, 0, MAKELPARAM(event.motion.x, event.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN: {
            UINT msg = event.button.button == SDL_BUTTON_LEFT    ? WM_LBUTTONDOWN
                       : event.button.button == SDL_BUTTON_RIGHT ? WM_RBUTTONDOWN
                                                                 : WM_MBUTTONDOWN;
            PostInput(WindowFor(event.button.windowID), msg, 0, MAKELPARAM(event.button.x, event.button.y));
            break;
        }
        case SDL_WINDOWEVENT: {
            HWND hwnd = WindowFor(event.window.windowID);
            auto native = natives_.find(hwnd);
            if (native == natives_.end()) break;
            switch (event.window.event) {
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                native->second.hadFocus = true;
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                // Only a window that had the focus can lose it to another program.
                if (native->second.hadFocus) SendNotification(hwnd, WM_ACTIVATEAPP, FALSE, 0);
                break;
            case SDL_WINDOWEVENT_CLOSE:
                PostInput(hwnd, WM_CLOSE, 0, 0);
                break;
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                if (!native->second.xParent) NativeWindowResized(hwnd, event.window.data1, event.window.data2);
                break;
            case SDL_WINDOWEVENT_EXPOSED:
                InvalidateRect(hwnd, nullptr, TRUE);
                break;
            default:
                break;
            }
            break;
        }
        default:
            break;
        }
    }

    std::string error_;
    bool sdlStarted_ = false;
    Display* x_ = nullptr;
    bool x11Windows_ = false;  // SDL makes its windows on X11 (not on Wayland)
    int lockFd_ = -1;
    bool hasDpms_ = false;
    bool monitorOn_ = true;
    Uint32 lastDpmsPoll_ = 0;
    std::map<HWND, NativeWindow> natives_;
    std::map<Uint32, HWND> windowIds_;
};

}  // namespace

std::unique_ptr<WindowBackendImpl> MakeSdlBackend() { return std::make_unique<SdlBackend>(); }

SDL_Window* NativeSdlWindow(HWND hwnd) {
    if (CurrentWindowBackend() != WindowBackend::Sdl || !g_liveBackend) return nullptr;
    return g_liveBackend->SdlWindow(hwnd);
}

namespace {

// SDL's own connection to the X server and hwnd's X window; null display
// when hwnd has none.
std::pair<Display*, ::Window> X11WindowOf(HWND hwnd) {
    SDL_Window* window = NativeSdlWindow(hwnd);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return {nullptr, 0};
    return {info.info.x11.display, info.info.x11.window};
}

}  // namespace

namespace {

// While the server is held, a stop from the terminal (Ctrl-Z) or a
// background read or write waits until it is let go: a stopped holder would
// freeze every program on the display. Only SIGSTOP cannot be put off.
constexpr int kJobControlStops[] = {SIGTSTP, SIGTTIN, SIGTTOU};
volatile sig_atomic_t g_stopPutOff = 0;
struct sigaction g_stopActions[3];

void PutOffStop(int signal) { g_stopPutOff = signal; }

void DeferStops() {
    g_stopPutOff = 0;
    struct sigaction deferred = {};
    deferred.sa_handler = PutOffStop;
    sigemptyset(&deferred.sa_mask);
    deferred.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) sigaction(kJobControlStops[i], &deferred, &g_stopActions[i]);
}

void AllowStops() {
    for (int i = 0; i < 3; ++i) sigaction(kJobControlStops[i], &g_stopActions[i], nullptr);
    if (g_stopPutOff) raise(g_stopPutOff);
    g_stopPutOff = 0;
}

}  // namespace

bool HoldNativeWindow(HWND hwnd) {
    const auto [display, window] = X11WindowOf(hwnd);
    if (!display) return true;
    DeferStops();
    XGrabServer(display);
    XErrorTrap trap(display);
    XWindowAttributes attributes;
    const bool alive = XGetWindowAttributes(display, window, &attributes) != 0 && !trap.Failed();
    if (!alive) {
        XUngrabServer(display);
        XFlush(display);
        AllowStops();
    }
    return alive;
}

bool NativeWindowOnDisplay(HWND hwnd) {
    const auto [display, window] = X11WindowOf(hwnd);
    if (!display) return true;
    XErrorTrap trap(display);
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) != 0 && !trap.Failed();
}

void ReleaseNativeWindow(HWND hwnd) {
    const auto [display, window] = X11WindowOf(hwnd);
    (void)window;
    if (!display) return;
    XUngrabServer(display);
    XFlush(display);
    AllowStops();
}

bool NativeWindowShown(HWND hwnd) {
    if (CurrentWindowBackend() == WindowBackend::Headless) return HeadlessWindowShown(hwnd);
    SDL_Window* window = NativeSdlWindow(hwnd);
    if (!window) return false;
    Uint32 flags = SDL_GetWindowFlags(window);
    return (flags & SDL_WINDOW_SHOWN) && !(flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED));
}

void SetNativeFillHook(HWND hwnd, std::function<void()> hook) {
    if (hook) FillHooks()[hwnd] = std::move(hook);
    else FillHooks().erase(hwnd);
}

void SetNativeImageHook(HWND hwnd, NativeImageHook hook) {
    if (hook) ImageHooks()[hwnd] = std::move(hook);
    else ImageHooks().erase(hwnd);
}

}  // namespace platform
