// command_options.h — the Linux conventions in front of the saver switches.
//
// Every option takes one dash or two. --help and --version print and end;
// xscreensaver's --root (the window in $XSCREENSAVER_WINDOW, else the
// virtual root, else the root) and --window-id ID (its small settings
// preview, without music) become "/l ID", so the saver draws into that
// window through the usual switch handling; $XSCREENSAVER_WINDOW alone does
// the same when no switch is given. --window asks for a window of its own.
// The settings' options override stored values for this run; given without
// a switch they start the saver full screen. --render DIR and its options
// ask for frames rendered headless, --bench for a timed headless run
// (config/run_options.h). An unknown double-dash option
// is an error; single-dash arguments that are no option, and everything
// else, are left for the switch dispatcher, unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/run_options.h"
#include "config/setting_table.h"

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
    bool silent = false;  // --window-id: the saver runs without music
    bool ownWindow = false;  // --window: a resizable window of its own, no close rules
    bool hostWindow = false;  // --root, --window-id or $XSCREENSAVER_WINDOW: a Linux host's window
    // The window named by --window-id or $XSCREENSAVER_WINDOW (source says
    // which), to be checked before it is used; 0 for none.
    uint32_t namedWindow = 0;
    std::string namedWindowSource;
    int32_t frameDelayUs = -1;  // --delay: microseconds between frames; -1 when not given
    int32_t maxFps = -1;        // --max-fps: 0 for no cap; -1 when not given
    SettingOverrides overrides;  // settings given for this run
};

// `screensaverWindow` is $XSCREENSAVER_WINDOW (null when unset);
// `rootWindowId` is asked only for -root and gives 0 when there is no display.
StartPlan PlanStart(int argc, const char* const* argv, const char* screensaverWindow,
                    uintptr_t (*rootWindowId)());

// A window id in decimal or 0x hexadecimal, non-zero and within 32 bits.
bool ParseWindowId(const std::string& text, uint32_t* id);

std::string HelpText();
