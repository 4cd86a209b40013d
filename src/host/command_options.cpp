// command_options.cpp — --help, --version and the xscreensaver options.
#include "host/command_options.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kUsageExitCode = 2;
constexpr int kNoDisplayExitCode = 1;
constexpr double kDefaultRenderSeconds = 10.0;

StartPlan Stop(int code, std::string out, std::string err) {
    StartPlan plan;
    plan.exitNow = true;
    plan.exitCode = code;
    plan.out = std::move(out);
    plan.err = std::move(err);
    return plan;
}

// A whole decimal number within [low, high], nothing after it.
bool ParseNumber(const std::string& text, long long low, long long high, long long* value) {
    if (text.empty() || (!std::isdigit(static_cast<unsigned char>(text[0])) && text[0] != '-' && text[0] != '+')) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
    *value = parsed;
    return true;
}

bool ParseSize(const std::string& text, int* width, int* height) {
    const size_t x = text.find_first_of("xX");
    long long w = 0, h = 0;
    if (x == std::string::npos || !ParseNumber(text.substr(0, x), 16, 8192, &w) ||
        !ParseNumber(text.substr(x + 1), 16, 8192, &h)) {
        return false;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

bool ParseTimeOfDay(const std::string& text, int* hour, int* minute, int* second) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') return false;
    long long h = 0, m = 0, s = 0;
    if (!ParseNumber(text.substr(0, 2), 0, 23, &h) || !ParseNumber(text.substr(3, 2), 0, 59, &m) ||
        !ParseNumber(text.substr(6, 2), 0, 59, &s)) {
        return false;
    }
    *hour = static_cast<int>(h);
    *minute = static_cast<int>(m);
    *second = static_cast<int>(s);
    return true;
}

bool IsRenderRequest(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        if (arg == "--render" || arg.rfind("--render=", 0) == 0) return true;
    }
    return false;
}

// --render DIR and the options that go with it; each option takes its value
// as the next argument or after an equals sign. --help and --version still
// print and end.
StartPlan PlanRender(int argc, const char* const* argv) {
    StartPlan plan;
    plan.render = true;
    RenderOptions& options = plan.renderOptions;
    bool haveDirectory = false, haveSeconds = false, haveFrames = false;
    double seconds = 0.0;
    long long number = 0;

    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i] ? argv[i] : "";
        std::string value;
        bool hasValue = false;
        const size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        auto bad = [&](const std::string& what) {
            return Stop(kUsageExitCode, "",
                        "vexlar3d: " + name + " needs " + what + ", not '" + value + "' (see vexlar3d --help)\n");
        };
        if (name == "--help") return Stop(0, HelpText(), "");
        if (name == "--version") return Stop(0, "vexlar3d " VEXLAR_VERSION "\n", "");
        static const char* const kValued[] = {"--render", "--size", "--fps",  "--seconds",
                                              "--frames", "--every", "--seed", "--time", "--set"};
        bool valued = false;
        for (const char* option : kValued) valued = valued || name == option;
        if (!valued) {
            return Stop(kUsageExitCode, "",
                        "vexlar3d: --render does not go with '" + name + "' (see vexlar3d --help)\n");
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                return Stop(kUsageExitCode, "", "vexlar3d: " + name + " needs a value (see vexlar3d --help)\n");
            }
            value = argv[++i] ? argv[i] : "";
        }

        if (name == "--render") {
            if (value.empty()) return bad("a folder");
            options.directory = value;
            haveDirectory = true;
        } else if (name == "--size") {
            if (!ParseSize(value, &options.width, &options.height)) return bad("WIDTHxHEIGHT, each 16 to 8192");
        } else if (name == "--fps") {
            if (!ParseNumber(value, 1, 1000, &number)) return bad("a frame rate from 1 to 1000");
            options.fps = static_cast<int>(number);
        } else if (name == "--seconds") {
            char* end = nullptr;
            errno = 0;
            seconds = value.empty() ? 0.0 : std::strtod(value.c_str(), &end);
            if (value.empty() || errno != 0 || *end != '\0' || !(seconds > 0.0) || seconds > 86400.0) {
                return bad("a number of seconds above 0, at most 86400");
            }
            haveSeconds = true;
        } else if (name == "--frames") {
            if (!ParseNumber(value, 1, 10000000, &number)) return bad("a frame count from 1 to 10000000");
            options.frames = static_cast<int>(number);
            haveFrames = true;
        } else if (name == "--every") {
            if (!ParseNumber(value, 1, INT_MAX, &number)) return bad("a whole number from 1");
            options.every = static_cast<int>(number);
        } else if (name == "--seed") {
            if (!ParseNumber(value, 0, 0xFFFFFFFFll, &number)) return bad("a seed from 0 to 4294967295");
            options.seed = static_cast<uint32_t>(number);
            options.hasSeed = true;
        } else if (name == "--time") {
            if (!ParseTimeOfDay(value, &options.hour, &options.minute, &options.second)) return bad("HH:MM:SS");
            options.hasTime = true;
        } else {  // --set
            const size_t at = value.find('=');
            if (at == std::string::npos || !SettingByName(value.substr(0, at)) ||
                !ParseNumber(value.substr(at + 1), INT32_MIN, INT32_MAX, &number)) {
                return bad("Name=Value with a settings value name (ShowFPS, VexlarStream, ...) and a whole number");
            }
            options.settings.emplace_back(value.substr(0, at), static_cast<int32_t>(number));
        }
    }

    if (!haveDirectory) return Stop(kUsageExitCode, "", "vexlar3d: --render needs a folder (see vexlar3d --help)\n");
    if (haveSeconds && haveFrames) {
        return Stop(kUsageExitCode, "", "vexlar3d: give --seconds or --frames, not both\n");
    }
    if (!haveFrames) {
        if (!haveSeconds) seconds = kDefaultRenderSeconds;
        const double frames = std::ceil(seconds * options.fps - 1e-9);
        options.frames = frames < 1.0 ? 1 : (frames > 10000000.0 ? 10000000 : static_cast<int>(frames));
    }
    return plan;
}

// --help and --version anywhere win over --bench.
bool IsBenchRequest(int argc, const char* const* argv) {
    bool bench = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        if (arg == "--help" || arg == "--version") return false;
        bench = bench || arg == "--bench";
    }
    return bench;
}

// --bench and its options, each with its value next or after an equals sign.
StartPlan PlanBench(int argc, const char* const* argv) {
    StartPlan plan;
    plan.bench = true;
    BenchOptions& options = plan.benchOptions;
    long long number = 0;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i] ? argv[i] : "";
        if (name == "--bench") continue;
        std::string value;
        const size_t equals = name.find('=');
        const bool hasValue = name.rfind("--", 0) == 0 && equals != std::string::npos;
        if (hasValue) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        if (name != "--size" && name != "--seconds" && name != "--seed") {
            return Stop(kUsageExitCode, "",
                        "vexlar3d: --bench does not go with '" + name + "' (see vexlar3d --help)\n");
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                return Stop(kUsageExitCode, "", "vexlar3d: " + name + " needs a value (see vexlar3d --help)\n");
            }
            value = argv[++i] ? argv[i] : "";
        }
        auto bad = [&](const std::string& what) {
            return Stop(kUsageExitCode, "",
                        "vexlar3d: " + name + " needs " + what + ", not '" + value + "' (see vexlar3d --help)\n");
        };
        if (name == "--size") {
            if (!ParseSize(value, &options.width, &options.height)) return bad("WIDTHxHEIGHT, each 16 to 8192");
        } else if (name == "--seconds") {
            char* end = nullptr;
            errno = 0;
            const double seconds = value.empty() ? 0.0 : std::strtod(value.c_str(), &end);
            if (value.empty() || errno != 0 || *end != '\0' || !(seconds > 0.0) || seconds > 3600.0) {
                return bad("a number of seconds above 0, at most 3600");
            }
            options.seconds = seconds;
        } else {
            if (!ParseNumber(value, 0, 0xFFFFFFFFll, &number)) return bad("a seed from 0 to 4294967295");
            options.seed = static_cast<uint32_t>(number);
        }
    }
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
           "  --render DIR    render the flight headless into DIR as PNG files, with:\n"
           "    --size WxH        frame size (default 800x600)\n"
           "    --fps N           simulated frames per second (default 30)\n"
           "    --seconds S       length of the flight (default 10)\n"
           "    --frames N        or the number of frames\n"
           "    --every K         write every K-th frame, from the first (default 1)\n"
           "    --seed N          seed of the flight (default: the clock)\n"
           "    --time HH:MM:SS   time of day the clock overlay starts at (default: now)\n"
           "    --set Name=Value  a setting by its registry value name, e.g. ShowFPS=1,\n"
           "                      VexlarStream=3, Background=2 (repeatable; nothing is stored)\n"
           "  --bench         time the flight headless and print frames per second,\n"
           "                  frame times and CPU time per frame, with:\n"
           "    --size WxH        frame size (default 800x600)\n"
           "    --seconds S       how long to measure (default 10)\n"
           "    --seed N          seed of the flight (default 1)\n"
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

    if (IsRenderRequest(argc, argv)) return PlanRender(argc, argv);
    if (IsBenchRequest(argc, argv)) return PlanBench(argc, argv);
    bool silent = false;

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
            silent = true;  // xscreensaver's small preview in its settings
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
        plan.silent = silent;
    } else {
        for (int i = 0; i < argc; ++i) plan.arguments.emplace_back(argv[i] ? argv[i] : "");
    }
    return plan;
}
