// window_backend.h — the contract between the Win32 window manager and the
// system below it.
//
// window_manager.cpp keeps every Win32 rule (classes, windows, the message
// queue, timers, message order); a backend only shows native windows, reads
// input and answers questions about the screen and about windows of other
// programs. Two backends implement it: SDL2 with Xlib (window_backend_sdl.cpp)
// and an in-memory one for tests (window_backend_headless.cpp).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct SDL_Window;

namespace platform {

// What the manager knows of one of its windows, as the backend sees it.
struct NativeWindowRequest {
    HWND hwnd = nullptr;
    std::string className;
    std::string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};                  // screen rectangle for top-level, client rectangle of the parent for children
    uintptr_t foreignParent = 0;  // X11 id when the parent belongs to another program
};

class WindowBackendImpl {
public:
    virtual ~WindowBackendImpl() = default;

    // Opens the display on first use. False when there is none; Error() says why.
    virtual bool Open() = 0;
    virtual std::string Error() const = 0;

    // Native windows: created hidden, shown when the Win32 window becomes visible.
    virtual bool CreateNative(const NativeWindowRequest& request) = 0;
    virtual void DestroyNative(HWND hwnd) = 0;
    virtual void ShowNative(HWND hwnd, bool show) = 0;
    virtual void RaiseNative(HWND hwnd) = 0;
    // Paints the window's client area black (the class background of the saver).
    virtual void FillBlack(HWND hwnd) = 0;
    // Shows a picture of the whole client area: 0xAARRGGBB words, rows
    // top-down, width x height (the client size when it was painted).
    virtual void PresentImage(HWND hwnd, const uint32_t* argb, int width, int height) = 0;

    // Reads pending input and hands it to the manager (PostInput, SendInput).
    // Waits up to waitMs for the first event; 0 means do not wait.
    virtual void PumpEvents(uint32_t waitMs) = 0;

    virtual POINT CursorPos() = 0;
    virtual void SetCursorVisible(bool visible) = 0;
    // The primary screen's rectangle.
    virtual RECT ScreenRect() = 0;

    // Windows of other programs, by X11 id.
    virtual bool ForeignWindowExists(uintptr_t id) = 0;
    virtual bool ForeignClientSize(uintptr_t id, int* width, int* height) = 0;
    virtual bool RaiseForeign(uintptr_t id) = 0;
    virtual uintptr_t ForeignForegroundWindow() = 0;
    // A saver window of another process with this class and title; 0 when none.
    virtual uintptr_t FindOtherProcessWindow(const char* className, const char* title) = 0;
    virtual uintptr_t RootWindowId() = 0;
};

std::unique_ptr<WindowBackendImpl> MakeSdlBackend();
std::unique_ptr<WindowBackendImpl> MakeHeadlessBackend();
// Forgets the headless screen, pointer and foreign windows (SelectWindowBackend does this).
void ResetHeadlessWorld();
void HeadlessForgetForeignWindow(uintptr_t id);
// Whether the headless backend shows hwnd (NativeWindowShown with that backend).
bool HeadlessWindowShown(HWND hwnd);

// Called by backends from PumpEvents.
// Posts an input message the way the system queue does; a mouse message is
// preceded by a WM_SETCURSOR sent to the window.
void PostInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Sends a notification (WM_ACTIVATEAPP, WM_SIZE) straight to the window procedure.
LRESULT SendNotification(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The top-level windows of the process, for close requests from signals.
void PostCloseToTopLevelWindows();
// A native window inside a foreign parent took the parent's new client size:
// the Win32 window follows (WM_SIZE) and is repainted.
void NativeWindowResized(HWND hwnd, int width, int height);
// The foreign parent of a native window was destroyed, and the native window
// with it: the Win32 window is destroyed too, as a child is with its parent.
void NativeParentDestroyed(HWND hwnd);
// The native window can no longer, or again, be seen (unmapped, covered, its
// parent unmapped, the monitor powered down): WM_SHOWWINDOW with
// SW_PARENTCLOSING or SW_PARENTOPENING, as Win32 tells a window whose parent
// is minimised or restored.
void NativeVisibilityChanged(HWND hwnd, bool visible);

// For the DirectDraw layer, which draws into the windows of this process.
// The SDL window behind hwnd (created with SDL_WINDOW_OPENGL where the display
// allows it); null with the headless backend or for a window without one.
SDL_Window* NativeSdlWindow(HWND hwnd);
// Holds hwnd's X window while a GL context is made on it: the X server is
// grabbed, so that no other program can destroy it (with a parent of theirs)
// half way. False, and nothing held, when the window is already gone.
// Without X11 there is nothing to hold. Hold it only for what cannot meet a
// window gone half way, never across a frame: while it is held every other
// program on the display waits, so a stop from the terminal waits for the
// release.
bool HoldNativeWindow(HWND hwnd);
void ReleaseNativeWindow(HWND hwnd);
// Whether hwnd's X window still exists on the X server (a round trip, no
// grab); true without X11.
bool NativeWindowOnDisplay(HWND hwnd);
// Whether hwnd is shown on its display: created, visible, not minimised.
bool NativeWindowShown(HWND hwnd);
// A GL context on the window paints it from now on: FillBlack calls the hook
// instead of painting the window surface. An empty hook removes it.
void SetNativeFillHook(HWND hwnd, std::function<void()> hook);
// Likewise for pictures painted with GDI: PresentImage calls the hook.
using NativeImageHook = std::function<void(const uint32_t* argb, int width, int height)>;
void SetNativeImageHook(HWND hwnd, NativeImageHook hook);

}  // namespace platform
