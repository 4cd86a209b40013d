// command_options.cpp — --help, --version and the xscreensaver options.
#include "host/command_options.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <utility>

#include "config/setting_table.h"

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

std::string AsciiLowerCopy(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
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

// One dashed argument taken apart: "--volume=40" gives the name "volume",
// the value "40" and the spelling "--volume" for messages.
struct DashedArgument {
    std::string spelled;
    std::string name;
    bool hasValue = false;
    std::string value;
};

DashedArgument SplitDashed(const std::string& arg) {
    DashedArgument dashed;
    const size_t dashes = arg.rfind("--", 0) == 0 ? 2 : 1;
    const size_t equals = arg.find('=');
    dashed.spelled = arg.substr(0, equals);
    dashed.name = dashed.spelled.substr(dashes);
    if (equals != std::string::npos) {
        dashed.hasValue = true;
        dashed.value = arg.substr(equals + 1);
    }
    return dashed;
}

int IndexOfField(int32_t Settings::*field) {
    int index = 0;
    while (index + 1 < kSettingCount && kSettingTable[index].field != field) ++index;
    return index;
}

std::string AllowedValues(const SettingInfo& info) {
    if (info.kind == SettingKind::Choice) {
        return std::string("one of ") + info.choices[0] + ", " + info.choices[1] + ", " + info.choices[2] +
               " (or 1 to 3)";
    }
    if (info.kind == SettingKind::Mode) {
        return "WIDTHxHEIGHTxBITS, each side " + SettingRangeText(info) + ", bits " +
               SettingRangeText(kSettingTable[IndexOfField(&Settings::BitCount)]);
    }
    return "a whole number from " + std::to_string(info.minimum) + " to " + std::to_string(info.maximum);
}

// Each part within its field's range, as a stored mode must be.
bool ParseMode(const std::string& text, long long* width, long long* height, long long* bits) {
    const size_t first = text.find_first_of("xX");
    const size_t second = first == std::string::npos ? first : text.find_first_of("xX", first + 1);
    if (second == std::string::npos) return false;
    const std::string parts[3] = {text.substr(0, first), text.substr(first + 1, second - first - 1),
                                  text.substr(second + 1)};
    const std::pair<int32_t Settings::*, long long*> fields[3] = {
        {&Settings::Width, width}, {&Settings::Height, height}, {&Settings::BitCount, bits}};
    for (int i = 0; i < 3; ++i) {
        const SettingInfo& info = kSettingTable[IndexOfField(fields[i].first)];
        if (!ParseNumber(parts[i], info.minimum, info.maximum, fields[i].second) ||
            !SettingValueAllowed(info, static_cast<int32_t>(*fields[i].second))) {
            return false;
        }
    }
    return true;
}

enum class OptionMatch { NotMine, Taken, Refused };

// The settings' own options: --NAME and --no-NAME for flags, --NAME VALUE for
// the others (the value after "=" or as the next argument, which `next`
// consumes), and --mode. On a refusal `error` says why.
OptionMatch TakeSettingOption(const DashedArgument& arg, const std::function<const char*()>& next,
                              SettingOverrides& overrides, std::string* error) {
    const bool negated = arg.name.rfind("no-", 0) == 0;
    const std::string bare = negated ? arg.name.substr(3) : arg.name;
    for (const SettingInfo& info : kSettingTable) {
        if (bare != info.option) continue;
        if (info.kind == SettingKind::Mode && info.field != &Settings::Width) continue;
        if (info.kind == SettingKind::Flag) {
            if (arg.hasValue) {
                *error = arg.spelled + " takes no value; use --" + info.option + " or --no-" + info.option;
                return OptionMatch::Refused;
            }
            SetOverride(overrides, info.field, negated ? 0 : 1);
            return OptionMatch::Taken;
        }
        if (negated) return OptionMatch::NotMine;
        std::string value = arg.value;
        if (!arg.hasValue) {
            const char* following = next();
            if (!following) {
                *error = arg.spelled + " needs " + AllowedValues(info);
                return OptionMatch::Refused;
            }
            value = following;
        }
        long long number = 0, height = 0, bits = 0;
        bool good = false;
        if (info.kind == SettingKind::Mode) {
            good = ParseMode(value, &number, &height, &bits);
            if (good) {
                SetOverride(overrides, &Settings::Width, static_cast<int32_t>(number));
                SetOverride(overrides, &Settings::Height, static_cast<int32_t>(height));
                SetOverride(overrides, &Settings::BitCount, static_cast<int32_t>(bits));
                SetOverride(overrides, &Settings::UseDesktopSettings, 0);
                return OptionMatch::Taken;
            }
        } else {
            if (info.kind == SettingKind::Choice) {
                for (int i = 0; i < 3; ++i) {
                    if (AsciiLowerCopy(value) == info.choices[i]) {
                        number = i + 1;
                        good = true;
                    }
                }
            }
            good = good || ParseNumber(value, info.minimum, info.maximum, &number);
            if (good) {
                SetOverride(overrides, info.field, static_cast<int32_t>(number));
                return OptionMatch::Taken;
            }
        }
        *error = arg.spelled + " needs " + AllowedValues(info) + ", not '" + value + "'";
        return OptionMatch::Refused;
    }
    return OptionMatch::NotMine;
}

// The settings option at argv[i] of a headless mode's command line; i moves
// past a value taken from the next argument.
OptionMatch TakeSettingOptionAt(int argc, const char* const* argv, int& i, SettingOverrides& overrides,
                                std::string* error) {
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    return TakeSettingOption(SplitDashed(argv[i] ? argv[i] : ""), next, overrides, error);
}

// "-name" or "-name=value" where name is one of the long options.
bool IsLongOptionName(const std::string& arg) {
    if (arg.size() < 3 || arg[0] != '-' || arg[1] == '-') return false;
    const std::string name = arg.substr(1, arg.find('=') - 1);
    static const char* const kOwn[] = {"help",    "version", "root",   "window", "window-id", "delay",
                                       "visual",  "install", "mono",   "pair",   "max-fps",   "render",
                                       "size",    "frame-rate", "seconds", "frames", "every", "seed",
                                       "time",    "set",     "bench"};
    for (const char* own : kOwn) {
        if (name == own) return true;
    }
    const std::string bare = name.rfind("no-", 0) == 0 ? name.substr(3) : name;
    for (const SettingInfo& info : kSettingTable) {
        if (bare == info.option) return true;
    }
    return false;
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
        static const char* const kValued[] = {"--render", "--size", "--frame-rate", "--seconds",
                                              "--frames", "--every", "--seed",       "--time", "--set"};
        bool valued = false;
        for (const char* option : kValued) valued = valued || name == option;
        // --fps is the frame counter here too; a number given to it was meant as the frame rate.
        const char* following = i + 1 < argc ? argv[i + 1] : nullptr;
        const bool numberFollows = following && std::isdigit(static_cast<unsigned char>(following[0]));
        if (name == "--fps" && (hasValue || numberFollows)) {
            return Stop(kUsageExitCode, "",
                        "vexlar3d: --fps shows the frames-per-second counter and takes no value; the frame rate of"
                        " --render is --frame-rate N (see vexlar3d --help)\n");
        }
        if (!valued && name.rfind("--", 0) == 0) {
            // The settings' options change the rendered flight as they change the saver's.
            std::string error;
            const OptionMatch match = TakeSettingOptionAt(argc, argv, i, options.overrides, &error);
            if (match == OptionMatch::Taken) continue;
            if (match == OptionMatch::Refused) return Stop(kUsageExitCode, "", "vexlar3d: " + error + "\n");
        }
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
        } else if (name == "--frame-rate") {
            if (!ParseNumber(value, 1, 1000, &number)) return bad("a frame rate from 1 to 1000");
            options.frameRate = static_cast<int>(number);
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
            if (at == std::string::npos || !SettingByValueName(value.substr(0, at)) ||
                !ParseNumber(value.substr(at + 1), INT32_MIN, INT32_MAX, &number)) {
                return bad("Name=Value with a settings value name (ShowFPS, VexlarStream, ...) and a whole number");
            }
            const SettingInfo& info = *SettingByValueName(value.substr(0, at));
            if (!SettingValueAllowed(info, static_cast<int32_t>(number))) {
                return Stop(kUsageExitCode, "",
                            "vexlar3d: --set " + value + ": " + info.valueName + " takes " + SettingRangeText(info) +
                                " (see vexlar3d --help)\n");
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
        const double frames = std::ceil(seconds * options.frameRate - 1e-9);
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
    bool sized = false;
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
        const bool own = name == "--size" || name == "--seconds" || name == "--seed";
        if (!own && name.rfind("--", 0) == 0) {
            // The settings' options change the benched scene as they change the saver's.
            std::string error;
            const OptionMatch match = TakeSettingOptionAt(argc, argv, i, options.overrides, &error);
            if (match == OptionMatch::Taken) continue;
            if (match == OptionMatch::Refused) return Stop(kUsageExitCode, "", "vexlar3d: " + error + "\n");
        }
        if (!own) {
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
            int width = 0, height = 0;
            if (!ParseSize(value, &width, &height)) return bad("WIDTHxHEIGHT, each 16 to 8192");
            if (!sized) options.sizes.clear();
            sized = true;
            options.sizes.emplace_back(width, height);
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
    std::string text =
        "Usage: vexlar3d [switch] [options]\n"
        "A 3D code-rain screen saver.\n"
        "\n"
        "Switches (a dash may replace the slash; upper or lower case):\n"
        "  /s          run full screen\n"
        "  /p N        show the still preview inside window N (a decimal number)\n"
        "  /l N        run inside window N\n"
        "  /c[:N]      open the settings (owned by window N); also with nothing given\n"
        "  /a N        change the screen-saver password (older Windows family only)\n"
        "\n"
        "Options (one dash or two):\n"
        "  --root            run in the window xscreensaver gives ($XSCREENSAVER_WINDOW),\n"
        "                    else on the (virtual) root window\n"
        "  --window-id ID    run inside the X11 window ID, decimal or 0x hexadecimal,\n"
        "                    without music (xscreensaver's settings preview); wins\n"
        "                    over --root\n"
        "  --window          run in a window of its own that closes like any other\n"
        "  --delay N         wait N microseconds between frames\n"
        "  --max-fps N       at most N frames a second; 0 for no cap (default 60,\n"
        "                    or no cap where the display syncs to its refresh)\n"
        "  --visual V, --install, --mono, --pair   accepted and ignored\n"
        "\n"
        "Settings for this run only (nothing is stored; see /c to store them):\n";
    for (const SettingInfo& info : kSettingTable) {
        if (info.kind == SettingKind::Mode && info.field != &Settings::Width) continue;
        std::string usage = std::string("  --") + info.option;
        if (info.kind == SettingKind::Flag) {
            usage += ", --no-" + std::string(info.option);
        } else if (info.kind == SettingKind::Choice) {
            usage += std::string(" ") + info.choices[0] + "|" + info.choices[1] + "|" + info.choices[2];
        } else if (info.kind == SettingKind::Mode) {
            usage += " WxHxBITS";
        } else {
            usage += " " + std::to_string(info.minimum) + ".." + std::to_string(info.maximum);
        }
        usage += usage.size() < 38 ? std::string(38 - usage.size(), ' ') : "\n" + std::string(38, ' ');
        text += usage + info.help + " (\"" + info.caption + "\")\n";
    }
    text +=
        "  With settings options but no switch, the saver runs full screen.\n"
        "\n"
        "Headless:\n"
        "  --render DIR    render the flight headless into DIR as PNG files, or into a\n"
        "                  video when DIR ends in .mp4, .webm or .gif (needs ffmpeg), with:\n"
        "    --size WxH        frame size (default 800x600)\n"
        "    --frame-rate N    simulated frames per second (default 30)\n"
        "    --seconds S       length of the flight (default 10)\n"
        "    --frames N        or the number of frames\n"
        "    --every K         write every K-th frame, from the first (default 1)\n"
        "    --seed N          seed of the flight (default: the clock)\n"
        "    --time HH:MM:SS   time of day the clock overlay starts at (default: now)\n"
        "    --set Name=Value  a setting by its registry value name, e.g. ShowFPS=1,\n"
        "                      VexlarStream=3, Background=2 (repeatable; nothing is stored);\n"
        "                      the settings options above work here too (--fps shows\n"
        "                      the frames-per-second counter, as everywhere)\n"
        "  --bench         time the flight headless and print frames per second,\n"
        "                  frame times, CPU time per frame and the frame's fill\n"
        "                  bound (one frame replayed through GL alone), with:\n"
        "    --size WxH        frame size (default 800x600; repeat it for several)\n"
        "                      and the settings options above, e.g. --background 1\n"
        "    --seconds S       how long to measure (default 10)\n"
        "    --seed N          seed of the flight (default 1)\n"
        "  --help, -h      show this text\n"
        "  --version       show the version\n"
        "\n"
        "Exit codes:\n"
        "  0    ended as asked (a key, the mouse, SIGTERM, SIGINT, SIGHUP, its window gone)\n"
        "  1    no display, or the display went away; no OpenGL driver that works (one\n"
        "       line names the Debian package to install, libgl1-mesa-dri): --render,\n"
        "       --bench, --root, --window-id and --window end at once, /s and /l once\n"
        "       their black window is closed; a folder or video for --render that\n"
        "       cannot be written\n"
        "  2    a mistake on the command line, or a window to draw into that does not exist\n"
        "  3    stopped by an unexpected failure\n"
        "  255  a switch that cannot be used (an unknown one, /p or /l without a window)\n"
        "  The settings dialog (/c) ends with 1 when it stored the settings, 2 when cancelled,\n"
        "  and 3 when they could not be stored (it says why).\n"
        "\n"
        "Environment:\n"
        "  XSCREENSAVER_WINDOW  window to run inside with --root, or when no switch is given\n"
        "  XDG_CONFIG_HOME      settings live in $XDG_CONFIG_HOME/vexlar3d/registry.reg\n"
        "                       (default ~/.config/vexlar3d/registry.reg)\n";
    return text;
}

StartPlan PlanStart(int argc, const char* const* givenArgv, const char* screensaverWindow,
                    uintptr_t (*rootWindowId)()) {
    const std::string program = argc > 0 && givenArgv[0] ? givenArgv[0] : "vexlar3d";
    // One dash or two: a long option written with one gets its second here.
    // Single-dash words that are no option stay as they are, for the switches.
    std::vector<std::string> spelled;
    std::vector<const char*> pointers;
    for (int i = 0; i < argc; ++i) {
        std::string arg = givenArgv[i] ? givenArgv[i] : "";
        if (i > 0 && IsLongOptionName(arg)) arg.insert(0, "-");
        spelled.push_back(arg);
    }
    for (const std::string& arg : spelled) pointers.push_back(arg.c_str());
    const char* const* argv = pointers.data();
    if (IsRenderRequest(argc, argv)) return PlanRender(argc, argv);
    if (IsBenchRequest(argc, argv)) return PlanBench(argc, argv);

    enum class Target { None, Root, WindowId, OwnWindow };
    Target target = Target::None;
    uint32_t windowId = 0;
    bool runOptions = false;  // something that asks for the flight to run
    std::vector<std::string> switches;
    StartPlan plan;

    for (int i = 1; i < argc; ++i) {
        const std::string text = argv[i] ? argv[i] : "";
        if (text.size() < 2 || text[0] != '-') {
            switches.push_back(text);
            continue;
        }
        const DashedArgument arg = SplitDashed(text);
        const bool doubleDash = text.rfind("--", 0) == 0;
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto refuse = [&](const std::string& why) {
            return Stop(kUsageExitCode, "", "vexlar3d: " + why + " (see vexlar3d --help)\n");
        };
        // The option's value, after "=" or as the next argument; null when there is none.
        auto value = [&]() -> const char* { return arg.hasValue ? arg.value.c_str() : next(); };
        auto refuseValue = [&](const char* given, const std::string& what) {
            return refuse(arg.spelled + " needs " + what + ", not " +
                          (given ? "'" + std::string(given) + "'" : std::string("nothing")));
        };
        const std::string& name = arg.name;

        if (name == "help" || name == "h") return Stop(0, HelpText(), "");
        if (name == "version") return Stop(0, "vexlar3d " VEXLAR_VERSION "\n", "");
        if (name == "root" || name == "window") {
            if (arg.hasValue) return refuse(arg.spelled + " takes no value");
            if (target == Target::None) target = name == "root" ? Target::Root : Target::OwnWindow;
        } else if (name == "window-id") {
            // xscreensaver's settings preview passes "--root --window-id ID":
            // the window named wins over the others, whatever their order.
            const char* given = value();
            uint32_t id = 0;
            if (!given || !ParseWindowId(given, &id))
                return refuseValue(given, "a window id in decimal or 0x hexadecimal");
            if (target != Target::WindowId) {  // of several ids, the first wins
                target = Target::WindowId;
                windowId = id;
            }
        } else if (name == "delay") {
            const char* given = value();
            long long micros = 0;
            if (!given || !ParseNumber(given, 0, 10000000, &micros))
                return refuseValue(given, "microseconds from 0 to 10000000");
            plan.frameDelayUs = static_cast<int32_t>(micros);
            runOptions = true;
        } else if (name == "max-fps") {
            const char* given = value();
            long long fps = 0;
            if (!given || !ParseNumber(given, 0, 1000, &fps))
                return refuseValue(given, "frames a second from 0 (no cap) to 1000");
            plan.maxFps = static_cast<int32_t>(fps);
            runOptions = true;
        } else if (name == "visual") {
            if (!value()) return refuse(arg.spelled + " needs a value");
        } else if (name == "install" || name == "mono" || name == "pair") {
            // Colour maps and stereo pairs do not apply to a GL flight.
        } else {
            std::string error;
            switch (TakeSettingOption(arg, next, plan.overrides, &error)) {
            case OptionMatch::Taken:
                runOptions = true;
                continue;
            case OptionMatch::Refused:
                return refuse(error);
            case OptionMatch::NotMine:
                break;
            }
            if (doubleDash) return refuse("unknown option '" + text + "'");
            switches.push_back(text);  // a Windows-style switch such as -s or -p
        }
    }

    const bool envWindow = screensaverWindow && *screensaverWindow;
    if (target == Target::WindowId) {
        plan.namedWindow = windowId;
        plan.namedWindowSource = "--window-id";
    }
    if (target == Target::Root || (target == Target::None && switches.empty() && envWindow)) {
        if (envWindow) {
            if (!ParseWindowId(screensaverWindow, &windowId)) {
                return Stop(kUsageExitCode, "",
                            std::string("vexlar3d: XSCREENSAVER_WINDOW is not a window id: '") + screensaverWindow +
                                "'\n");
            }
            plan.namedWindow = windowId;
            plan.namedWindowSource = "XSCREENSAVER_WINDOW";
        } else {
            const uintptr_t root = rootWindowId ? rootWindowId() : 0;
            if (root == 0 || root > 0xFFFFFFFFu) {
                return Stop(kNoDisplayExitCode, "", "vexlar3d: --root needs an X11 display, and none could be opened\n");
            }
            windowId = static_cast<uint32_t>(root);
        }
        target = Target::WindowId;
    } else if (target == Target::WindowId) {
        plan.silent = true;  // xscreensaver's small preview in its settings
    }

    if (target == Target::WindowId) {
        plan.hostWindow = true;
        plan.arguments = {program, "/l", std::to_string(windowId)};
    } else if (target == Target::OwnWindow || (switches.empty() && runOptions)) {
        plan.ownWindow = target == Target::OwnWindow;
        plan.arguments = {program, "/s"};
    } else {
        plan.arguments.push_back(program);
        plan.arguments.insert(plan.arguments.end(), switches.begin(), switches.end());
    }
    return plan;
}
