// video_mode_menu.h — the full-screen modes the settings dialog offers. The
// application lists them (app/video_modes); the program's entry hands the
// dialog that list, so that the dialog needs nothing of the application and
// fills its combo box itself.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct VideoModeEntries {
    std::vector<std::string> labels;  // "W x H  B bits", in the list's order
    DWORD selected = 0;               // the current mode; labels.size() when none is
};

// The list's operations, as app/video_modes.h describes them.
struct VideoModeMenu {
    DWORD (*enumerate)() = nullptr;
    bool (*find)(LONG height, LONG width, LONG bitCount) = nullptr;
    void (*selectFirst)(LONG* height, LONG* width, LONG* bitCount) = nullptr;
    void (*select)(DWORD index) = nullptr;
    void (*getSelected)(LONG* height, LONG* width, LONG* bitCount) = nullptr;
    VideoModeEntries (*entries)() = nullptr;
};

// The list the dialog offers from now on; without one it offers no modes.
void SetVideoModeMenu(const VideoModeMenu& menu);
