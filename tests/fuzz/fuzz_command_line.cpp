// fuzz_command_line.cpp — feeds the input, split at NUL bytes, as the process
// arguments to PlanStart (host/command_options.h); a last piece starting with
// "XSCREENSAVER_WINDOW=" is that variable's value instead. When the plan runs
// a mode, its arguments become the command line (platform::SetCommandLine)
// that SkipProgramName and the switch parsing of host/dispatch.h read, as in
// main.cpp; the parsing stops short of DispatchMode, which opens windows.
//
// Checks that a plan either ends with a message or names the program and
// what to run, and that the window a plan names is the one the switch reads
// back from the command line, whatever the program's name.
#include <sanitizer/common_interface_defs.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "host/command_options.h"
#include "host/dispatch.h"
#include "platform/platform_testing.h"

namespace {

constexpr std::string_view kEnvironmentPrefix = "XSCREENSAVER_WINDOW=";

// A broken promise is a finding: said through the sanitizer's report
// channel (libFuzzer may have closed stderr), then an abort.
void Require(bool condition, const char* what) {
    if (condition) return;
    __sanitizer_report_error_summary((std::string("fuzz_command_line: ") + what).c_str());
    std::abort();
}

uintptr_t RootWindow() { return 0x2a; }

// A window number as PlanStart writes one: decimal, no leading zero, 32 bits.
bool IsWrittenWindow(const std::string& text) {
    if (text.empty() || text.size() > 10 || text[0] == '0') return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return std::stoull(text) <= 0xFFFFFFFFull;
}

// The dispatcher's reading of the switch: separators, the letter, then the
// window number after blanks (p, l, a) or after a colon (c).
DWORD SwitchWindow(LPCSTR arguments, char* letter) {
    LPCSTR p = arguments;
    while (*p == ' ' || *p == '-' || *p == '/') ++p;
    *letter = (*p >= 'a' && *p <= 'z') ? static_cast<char>(*p - 'a' + 'A') : *p;
    if (*letter == 'P' || *letter == 'L' || *letter == 'A') {
        LPCSTR number = p + 1;
        while (*number == ' ') ++number;
        return ParseWindowHandle(number);
    }
    if (*letter == 'C' && p[1] == ':') return ParseWindowHandle(p + 2);
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> pieces;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (size_t start = 0; start <= input.size();) {
        const size_t end = std::min(input.find('\0', start), input.size());
        pieces.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    std::string environment;
    const char* screensaverWindow = nullptr;
    if (pieces.size() > 1 && pieces.back().rfind(kEnvironmentPrefix, 0) == 0) {
        environment = pieces.back().substr(kEnvironmentPrefix.size());
        screensaverWindow = environment.c_str();
        pieces.pop_back();
    }
    std::vector<const char*> argv;
    for (const std::string& piece : pieces) argv.push_back(piece.c_str());

    const StartPlan plan = PlanStart(static_cast<int>(argv.size()), argv.data(), screensaverWindow, RootWindow);
    if (plan.exitNow) {
        Require(plan.exitCode == 0 ? !plan.out.empty() : !plan.err.empty(), "a plan ends without a word");
        return 0;
    }
    if (plan.render || plan.bench) return 0;
    Require(!plan.arguments.empty() && plan.arguments[0] == argv[0], "a plan lost the program's name");

    std::vector<const char*> arguments;
    for (const std::string& argument : plan.arguments) arguments.push_back(argument.c_str());
    platform::SetCommandLine(static_cast<int>(arguments.size()), arguments.data());
    char letter = 0;
    const DWORD window = SwitchWindow(SkipProgramName(GetCommandLineA()), &letter);
    if (plan.arguments.size() == 3 && plan.arguments[1] == "/l" && IsWrittenWindow(plan.arguments[2])) {
        // The window must reach the dispatcher as it was named.
        Require(letter == 'L' && std::to_string(window) == plan.arguments[2],
                "the window of the plan does not reach the switch");
    }
    return 0;
}
