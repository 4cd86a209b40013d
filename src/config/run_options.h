// run_options.h — what the command line asks of a headless run: frames
// rendered into files (--render, app/headless_render.h) or a timed flight
// (--bench, app/headless_bench.h). The host's option parser fills them; the
// application runs them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "config/setting_table.h"

struct RenderOptions {
    std::string directory;
    int width = 800;
    int height = 600;
    int frameRate = 30;  // simulated frames per second (--frame-rate)
    int frames = 300;    // frames simulated and drawn
    int every = 1;       // every K-th frame is written, starting with frame 0
    bool hasSeed = false;
    uint32_t seed = 0;
    bool hasTime = false;
    int hour = 0;
    int minute = 0;
    int second = 0;
    // The settings' options, laid over the stored settings.
    SettingOverrides overrides;
    // Settings by registry value name, applied in order after the options.
    std::vector<std::pair<std::string, int32_t>> settings;
};

struct BenchOptions {
    std::vector<std::pair<int, int>> sizes{{800, 600}};  // width, height; each benched in turn
    double seconds = 10.0;
    uint32_t seed = 1;
    SettingOverrides overrides;  // settings options, laid over the built-in settings
};
