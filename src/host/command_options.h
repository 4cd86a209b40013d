// command_options.h — the Linux conventions in front of the saver switches.
//
// --help and --version print and end; xscreensaver's -root and -window-id ID
// (and $XSCREENSAVER_WINDOW when nothing else is on the command line) become
// "/l ID", so the saver draws into that window through the usual switch
// handling. Any other double-dash option is an error. Everything else is
// left for the switch dispatcher, unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct StartPlan {
    bool exitNow = false;  // end with exitCode without running any mode
    int exitCode = 0;
    // The process arguments to build the command line from: the originals, or
    // the program name with "/l" and the window id.
    std::vector<std::string> arguments;
    std::string out;  // text for stdout
    std::string err;  // text for stderr
};

// `screensaverWindow` is $XSCREENSAVER_WINDOW (null when unset);
// `rootWindowId` is asked only for -root and gives 0 when there is no display.
StartPlan PlanStart(int argc, const char* const* argv, const char* screensaverWindow,
                    uintptr_t (*rootWindowId)());

// A window id in decimal or 0x hexadecimal, non-zero and within 32 bits.
bool ParseWindowId(const std::string& text, uint32_t* id);

std::string HelpText();
