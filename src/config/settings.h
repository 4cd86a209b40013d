// settings.h — the settings record and its two process-wide instances.
//
// `Settings` is exactly fifteen signed 32-bit fields, named after their
// registry values, and nothing else: copying the record copies the options.
// `DefaultSettings` starts with the built-in values and is later overwritten
// from the defaults file (FillDefaultSettings); `CurrentSettings` is the live
// record that the saver, the scene, the music and the dialog read and edit.
#pragma once

#include <cstdint>

struct Settings {
    int32_t ShowFPS;             // 0/1: frames-per-second counter
    int32_t ExitOnMouseMove;     // 0/1: mouse movement may end the saver
    int32_t ShowTime;            // 0/1: clock
    int32_t ShowPictures;        // 0/1: still pictures of the scene
    int32_t DoThrottle;          // 0/1: the "Show Rays" option
    int32_t Music;               // 0/1: play the built-in song
    int32_t MusicVolume;         // 1..100
    int32_t VexlarStream;        // 1 few, 2 average, 3 multiple glyph streams
    int32_t HiTexQuality;        // 0/1: 512 instead of 256 texture sizes
    int32_t Background;          // 1 none, 2 simple, 3 complex
    int32_t BackgroundBr;        // 1..250
    int32_t Width;               // full-screen video mode
    int32_t Height;
    int32_t BitCount;
    int32_t UseDesktopSettings;  // 0/1: run in the desktop's own mode
};
static_assert(sizeof(Settings) == 60, "Settings must be fifteen 32-bit fields and nothing more");

// The values the program carries in itself, before the defaults file is read.
extern const Settings BuiltInSettings;

extern Settings DefaultSettings;
extern Settings CurrentSettings;
