// window_table.h — what the window model (window_manager.cpp) and the
// message queue (message_queue.cpp) share, private to those two files.
//
// The window model owns the table of this process's windows and the window
// backend; the queue reads the table (whether a message's window still
// exists, which windows need painting, which are top-level) and calls window
// procedures through it. The queue owns posted messages, WM_QUIT and
// timers; the window model empties it when the backend is selected again
// and drops a window's timers when the window is destroyed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace platform {

class WindowBackendImpl;

namespace wm {

struct Window {
    HWND hwnd = nullptr;
    std::string className;
    std::string title;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;
    UINT_PTR controlId = 0;  // a child's id (the hMenu argument of CreateWindowExA)
    HINSTANCE instance = nullptr;
    RECT rect{};  // screen rectangle (top-level) or rectangle in the parent's client area (child)
    bool visible = false;
    bool needsPaint = false;
    bool needsErase = false;
    bool hasNative = false;
    // What GDI painted into the client area (window_image.h).
    std::vector<uint32_t> image;
    int imageWidth = 0;
    int imageHeight = 0;
    bool imageChanged = false;
    bool destroying = false;
};

// ---- the window model (window_manager.cpp) ----
// The windows of this process by handle value, which grows with creation order.
std::map<uintptr_t, Window>& Windows();
// A window of this process; null for any other handle or a destroyed window.
Window* Find(HWND hwnd);
// The backend, opened on first use; null when it cannot be used.
WindowBackendImpl* Backend();
// Runs the window's procedure at once; 0 for no window.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// ASCII lower case: class and message names compare without regard to it.
std::string Lower(const char* text);

// ---- the message queue (message_queue.cpp) ----
// Drops every posted message, timer and WM_QUIT (registered message names stay).
void ResetMessageQueue();
// Drops the timers of a window.
void KillTimersOf(HWND hwnd);

}  // namespace wm
}  // namespace platform
