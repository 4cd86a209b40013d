// headless_bench.h — `vexlar3d --bench`: the saver's own start-up and frame
// (InitApp, then RenderFrame from the message loop) on the headless device
// that --render uses, timed.
//
// The default scene (the built-in settings, with the settings options given;
// the user's stored ones are not read) flies at each --size in turn for
// --seconds of real time. The scene's clock is
// virtual and steps 1/60 s a frame, so every run draws the same flight
// whatever the machine's speed. Each frame is waited for to the end of its
// rasterisation. Printed: frames per second, frame-time percentiles, and the
// main thread's CPU time per frame (everything outside the GL rasteriser's
// own threads) and the whole process's; then one frame is recorded and
// replayed through GL alone, and its time printed as the fill bound with the
// ratio of the saver's frame time to it.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "config/run_options.h"

// Returns the process exit code: 0, or 1 when no device could be brought up.
int RunHeadlessBench(const BenchOptions& options);
