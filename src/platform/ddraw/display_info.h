// display_info.h — the displays DirectDraw reports and their modes.
//
// A display has a desktop mode (size and bits per pixel) and its own list of
// resolutions: from SDL when the window backend is SDL, the backend's screen
// at 32 bits when it is headless, or what a test substituted
// (platform::SetDisplayForTest). A DirectDraw display mode here is only a
// render resolution, so the modes offered are the display's own resolutions
// plus the common smaller ones, each at 16 and 32 bits.
#pragma once

#include <string>
#include <vector>

namespace platform::ddraw {

struct ModeSize {
    int width;
    int height;
};

struct DisplayInfo {
    int index = 0;
    std::string name;
    int width = 0;
    int height = 0;
    int bitCount = 32;
    int refreshRate = 0;
    std::vector<ModeSize> sizes;  // the display's own resolutions
};

// Index 0 is the primary display; there is always at least one.
std::vector<DisplayInfo> QueryDisplays();
// The sizes offered as display modes: the display's own and the common
// smaller ones that fit it, sorted by width, then height.
std::vector<ModeSize> OfferedModeSizes(const DisplayInfo& display);

}  // namespace platform::ddraw
