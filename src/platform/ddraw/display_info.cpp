// display_info.cpp — displays, desktop modes and the offered mode sizes.
#include "platform/ddraw/display_info.h"

#include <SDL.h>
#include <windows.h>

#include <algorithm>
#include <optional>

#include "platform/platform_testing.h"

namespace platform {
namespace {

struct DisplayOverride {
    int width;
    int height;
    int bitCount;
    std::vector<DisplayModeSize> modes;
};

std::optional<DisplayOverride>& Override() {
    static std::optional<DisplayOverride> value;
    return value;
}

}  // namespace

void SetDisplayForTest(int width, int height, int bitCount, const std::vector<DisplayModeSize>& modes) {
    Override() = DisplayOverride{width, height, bitCount, modes};
}

void ClearDisplayForTest() { Override().reset(); }

bool GetDesktopDisplayMode(int* width, int* height, int* bitCount) {
    std::vector<ddraw::DisplayInfo> displays = ddraw::QueryDisplays();
    if (displays.empty()) return false;
    if (width) *width = displays[0].width;
    if (height) *height = displays[0].height;
    if (bitCount) *bitCount = displays[0].bitCount;
    return true;
}

namespace ddraw {
namespace {

// Resolutions offered below the display's own, for machines that render slowly.
constexpr ModeSize kCommonSizes[] = {
    {640, 480},   {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},  {1280, 800},
    {1280, 960},  {1280, 1024}, {1360, 768},  {1366, 768},  {1440, 900},  {1600, 900},
    {1600, 1200}, {1680, 1050}, {1920, 1080}, {1920, 1200}, {2560, 1440}, {3840, 2160},
};

void AddSize(std::vector<ModeSize>& sizes, ModeSize size) {
    if (size.width <= 0 || size.height <= 0) return;
    for (const ModeSize& s : sizes) {
        if (s.width == size.width && s.height == size.height) return;
    }
    sizes.push_back(size);
}

int SdlBitCount(Uint32 format) {
    if (SDL_ISPIXELFORMAT_INDEXED(format)) return 8;
    int bytes = SDL_BYTESPERPIXEL(format);
    return bytes >= 4 ? 32 : bytes * 8;
}

bool QuerySdlDisplays(std::vector<DisplayInfo>& out) {
    if (CurrentWindowBackend() != WindowBackend::Sdl || !SDL_WasInit(SDL_INIT_VIDEO)) return false;
    int count = SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(i, &desktop) != 0) continue;
        DisplayInfo info;
        info.index = i;
        const char* name = SDL_GetDisplayName(i);
        info.name = name ? name : "Display";
        info.width = desktop.w;
        info.height = desktop.h;
        info.bitCount = SdlBitCount(desktop.format);
        info.refreshRate = desktop.refresh_rate;
        int modes = SDL_GetNumDisplayModes(i);
        for (int m = 0; m < modes; ++m) {
            SDL_DisplayMode mode;
            if (SDL_GetDisplayMode(i, m, &mode) == 0) AddSize(info.sizes, ModeSize{mode.w, mode.h});
        }
        AddSize(info.sizes, ModeSize{desktop.w, desktop.h});
        out.push_back(std::move(info));
    }
    return !out.empty();
}

}  // namespace

std::vector<DisplayInfo> QueryDisplays() {
    std::vector<DisplayInfo> displays;
    if (const auto& o = Override()) {
        DisplayInfo info;
        info.name = "Display";
        info.width = o->width;
        info.height = o->height;
        info.bitCount = o->bitCount;
        for (const DisplayModeSize& m : o->modes) AddSize(info.sizes, ModeSize{m.width, m.height});
        AddSize(info.sizes, ModeSize{o->width, o->height});
        displays.push_back(std::move(info));
        return displays;
    }
    // Asking for the screen's clip box opens the window backend when nothing has yet.
    RECT screen{};
    GetClipBox(GetDC(nullptr), &screen);
    if (QuerySdlDisplays(displays)) return displays;
    DisplayInfo info;
    info.name = "Display";
    info.width = screen.right - screen.left > 0 ? screen.right - screen.left : 1024;
    info.height = screen.bottom - screen.top > 0 ? screen.bottom - screen.top : 768;
    info.bitCount = 32;
    AddSize(info.sizes, ModeSize{info.width, info.height});
    displays.push_back(std::move(info));
    return displays;
}

std::vector<ModeSize> OfferedModeSizes(const DisplayInfo& display) {
    std::vector<ModeSize> sizes = display.sizes;
    for (const ModeSize& s : kCommonSizes) {
        if (s.width <= display.width && s.height <= display.height) AddSize(sizes, s);
    }
    std::sort(sizes.begin(), sizes.end(), [](const ModeSize& a, const ModeSize& b) {
        return a.width != b.width ? a.width < b.width : a.height < b.height;
    });
    return sizes;
}

}  // namespace ddraw
}  // namespace platform
