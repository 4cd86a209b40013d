// headless_bench.h — `vexlar3d --bench`: the saver's own start-up and frame
// (InitApp, then RenderFrame from the message loop) on the headless device
// that --render uses, timed.
//
// The default scene (the built-in settings; the user's stored ones are not
// read) flies at --size for --seconds of real time. The scene's clock is
// virtual and steps 1/60 s a frame, so every run draws the same flight
// whatever the machine's speed. Each frame is waited for to the end of its
// rasterisation. Printed: frames per second, frame-time percentiles, and the
// main thread's CPU time per frame (everything outside the GL rasteriser's
// own threads) and the whole process's.
#pragma once

#include <cstdint>

struct BenchOptions {
    int width = 800;
    int height = 600;
    double seconds = 10.0;
    uint32_t seed = 1;
};

// Returns the process exit code: 0, or 1 when no device could be brought up.
int RunHeadlessBench(const BenchOptions& options);
