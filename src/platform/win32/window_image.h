// window_image.h — the picture behind a window's device context.
//
// GDI draws into a window through this picture: one 0xAARRGGBB word a pixel,
// rows top-down, the size of the client area (kept in step with it, black
// when new or resized). Erasing the class's black background clears it; a
// DC released after drawing shows it on the window.
#pragma once

#include <windows.h>

#include <cstdint>

namespace platform {

struct WindowImageView {
    uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
};

// The picture of one of this process's windows, sized to its client area;
// false for any other handle or an empty client area.
bool WindowImageOf(HWND hwnd, WindowImageView* out);
// Something was drawn into the picture: it is shown when the DC is released.
void MarkWindowImageChanged(HWND hwnd);

}  // namespace platform
