// command_options.cpp — --help, --version and the xscreensaver options.
#include "host/command_options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace {

constexpr int kUsageExitCode = 2;
constexpr int kNoDisplayExitCode = 1;

StartPlan Stop(int code, std::string out, std::string err) {
    StartPlan plan;
    plan.exitNow = true;
    plan.exitCode = code;
    plan.out = std::move(out);
    plan.err = std::move(err);
    return plan;
}

}  // namespace

bool ParseWindowId(const std::string& text, uint32_t* id) {
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || !std::isxdigit(static_cast<unsigned char>(digits[0]))) return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(digits.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || value == 0 || value > 0xFFFFFFFFull) return false;
    *id = static_cast<uint32_t>(value);
    return true;
}

std::string HelpText() {
    return "Usage: vexlar3d [switch]\n"
           "A 3D code-rain screen saver.\n"
           "\n"
           "Switches (a dash may replace the slash; upper or lower case):\n"
           "  /s          run full screen\n"
           "  /p N        show the still preview inside window N\n"
           "  /l N        run inside window N\n"
           "  /c[:N]      open the settings (owned by window N); also with no switch\n"
           "  /a N        change the screen-saver password (older Windows family only)\n"
           "\n"
           "Options:\n"
           "  -root           run on the root window (xscreensaver)\n"
           "  -window-id ID   run inside the X11 window ID, decimal or 0x hexadecimal (xscreensaver)\n"
           "  --help          show this text\n"
           "  --version       show the version\n"
           "\n"
           "Environment:\n"
           "  XSCREENSAVER_WINDOW  window to run inside when no switch or option is given\n"
           "  XDG_CONFIG_HOME      settings live in $XDG_CONFIG_HOME/vexlar3d/registry.reg\n"
           "                       (default ~/.config/vexlar3d/registry.reg)\n";
}

StartPlan PlanStart(int argc, const char* const* argv, const char* screensaverWindow,
                    uintptr_t (*rootWindowId)()) {
    std::string program = argc > 0 && argv[0] ? argv[0] : "vexlar3d";
    bool wantRoot = false;
    bool haveWindowId = false;
    uint32_t windowId = 0;

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--", 0) == 0) {
            if (arg == "--help") return Stop(0, HelpText(), "");
            if (arg == "--version") return Stop(0, "vexlar3d " VEXLAR_VERSION "\n", "");
            return Stop(kUsageExitCode, "", "vexlar3d: unknown option '" + arg + "' (see vexlar3d --help)\n");
        }
        if (wantRoot || haveWindowId) continue;  // the first window option wins
        if (arg == "-root") {
            wantRoot = true;
        } else if (arg == "-window-id") {
            if (i + 1 >= argc || !ParseWindowId(argv[i + 1], &windowId)) {
                std::string given = i + 1 < argc ? std::string(" '") + argv[i + 1] + "'" : std::string();
                return Stop(kUsageExitCode, "",
                            "vexlar3d: -window-id needs a window id in decimal or 0x hexadecimal, not" +
                                (given.empty() ? std::string(" nothing") : given) + "\n");
            }
            haveWindowId = true;
            ++i;
        }
    }

    if (!wantRoot && !haveWindowId && argc <= 1 && screensaverWindow && *screensaverWindow) {
        if (!ParseWindowId(screensaverWindow, &windowId)) {
            return Stop(kUsageExitCode, "",
                        std::string("vexlar3d: XSCREENSAVER_WINDOW is not a window id: '") + screensaverWindow + "'\n");
        }
        haveWindowId = true;
    }

    if (wantRoot) {
        uintptr_t root = rootWindowId ? rootWindowId() : 0;
        if (root == 0 || root > 0xFFFFFFFFu) {
            return Stop(kNoDisplayExitCode, "", "vexlar3d: -root needs an X11 display, and none could be opened\n");
        }
        windowId = static_cast<uint32_t>(root);
        haveWindowId = true;
    }

    StartPlan plan;
    if (haveWindowId) {
        plan.arguments = {program, "/l", std::to_string(windowId)};
    } else {
        for (int i = 0; i < argc; ++i) plan.arguments.emplace_back(argv[i] ? argv[i] : "");
    }
    return plan;
}
