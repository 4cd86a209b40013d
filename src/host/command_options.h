// command_options.h — the Linux conventions in front of the saver switches.
//
// --help and --version print and end; xscreensaver's -root and -window-id ID
// (and $XSCREENSAVER_WINDOW when nothing else is on the command line) become
// "/l ID", so the saver draws into that window through the usual switch
// handling (-window-id, xscreensaver's small settings preview, without
// music); --render DIR and its options ask for frames rendered headless
// (app/headless_render.h), --bench for a timed headless run
// (app/headless_bench.h). Any other double-dash option is an error.
// Everything else is left for the switch dispatcher, unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/headless_bench.h"
#include "app/headless_render.h"

struct StartPlan {
    bool exitNow = false;  // end with exitCode without running any mode
    int exitCode = 0;
    // The process arguments to build the command line from: the originals, or
    // the program name with "/l" and the window id.
    std::vector<std::string> arguments;
    std::string out;  // text for stdout
    std::string err;  // text for stderr
    bool render = false;  // render headless with renderOptions instead of running a mode
    RenderOptions renderOptions;
    bool bench = false;  // time the flight headless with benchOptions instead of running a mode
    BenchOptions benchOptions;
    bool silent = false;  // -window-id: the saver runs without music
};

// `screensaverWindow` is $XSCREENSAVER_WINDOW (null when unset);
// `rootWindowId` is asked only for -root and gives 0 when there is no display.
StartPlan PlanStart(int argc, const char* const* argv, const char* screensaverWindow,
                    uintptr_t (*rootWindowId)());

// A window id in decimal or 0x hexadecimal, non-zero and within 32 bits.
bool ParseWindowId(const std::string& text, uint32_t* id);

std::string HelpText();
