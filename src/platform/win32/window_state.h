// window_state.h — what the dialog layer needs to know of the window manager's
// windows beyond the Win32 calls: changes as they happen, children in order,
// class names and texts.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace platform {

// Called after a window's text, enabled state, visibility or rectangle
// changed (one observer; an empty function removes it).
void SetWindowChangeObserver(std::function<void(HWND)> observer);

// The child windows of `parent`, in the order they were created.
std::vector<HWND> ChildWindows(HWND parent);

// The class name as registered, and the window text; empty for no window.
std::string WindowClassName(HWND hwnd);
std::string WindowText(HWND hwnd);

}  // namespace platform
