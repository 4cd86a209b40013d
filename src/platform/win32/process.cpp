// process.cpp — the command line (GetCommandLineA, CharNextA) and the end of
// the process (ExitProcess).
//
// The command line is written the way Windows passes it: the program name,
// then the arguments separated by one blank; an argument that is empty or
// holds a blank or a tab is put in double quotes, and double quotes inside an
// argument are escaped with a backslash (backslashes before them doubled).
// The program name follows the stricter rule it is read back by
// (SkipProgramName): quoted when it holds any byte up to the blank, and
// without its double quotes, which no Windows file name holds and that rule
// cannot carry.
// Until the entry point sets it, the text is built from /proc/self/cmdline.
// CharNextA steps over one UTF-8 character, the multi-byte set of this system.
// Also the process-wide music lock (an flock held until the process ends),
// and the session bus kept disabled where there is none.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform_testing.h"
#include "platform/win32/shell_execute.h"

namespace {

std::string g_commandLine;
bool g_commandLineSet = false;
std::function<void(UINT)> g_exitHook;

std::string QuoteArgument(const std::string& arg) {
    bool quote = arg.empty() || arg.find_first_of(" \t") != std::string::npos;
    std::string out;
    if (quote) out += '"';
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    // Backslashes before the closing quote are doubled so it stays a quote.
    out.append(quote ? backslashes * 2 : backslashes, '\\');
    if (quote) out += '"';
    return out;
}

// Read back, the name runs to the first byte up to the blank, or in quotes to
// the next quote, with no escapes.
std::string QuoteProgramName(const std::string& name) {
    std::string bare;
    bool quote = name.empty();
    for (char c : name) {
        if (c == '"') continue;
        if (static_cast<unsigned char>(c) <= ' ') quote = true;
        bare += c;
    }
    return quote ? '"' + bare + '"' : bare;
}

std::string CommandLineFromArguments(const std::vector<std::string>& args) {
    std::string text;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0) text += ' ';
        text += i == 0 ? QuoteProgramName(args[i]) : QuoteArgument(args[i]);
    }
    return text;
}

std::string CommandLineOfThisProcess() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::ostringstream raw;
    raw << in.rdbuf();
    std::vector<std::string> args;
    std::string all = raw.str();
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos) end = all.size();
        args.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return CommandLineFromArguments(args);
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at `s`, or 0 when it is not one.
// Overlong forms, surrogates and values above U+10FFFF are not well formed.
int Utf8SequenceLength(const unsigned char* s) {
    unsigned char c = s[0];
    if (c >= 0xC2 && c <= 0xDF) return IsContinuation(s[1]) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        unsigned char lo = c == 0xE0 ? 0xA0 : 0x80;
        unsigned char hi = c == 0xED ? 0x9F : 0xBF;
        return (s[1] >= lo && s[1] <= hi && IsContinuation(s[2])) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        unsigned char lo = c == 0xF0 ? 0x90 : 0x80;
        unsigned char hi = c == 0xF4 ? 0x8F : 0xBF;
        return (s[1] >= lo && s[1] <= hi && IsContinuation(s[2]) && IsContinuation(s[3])) ? 4 : 0;
    }
    return 0;
}

}  // namespace

namespace platform {

void SetCommandLine(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 0; argv && i < argc; ++i) args.push_back(argv[i] ? argv[i] : "");
    SetCommandLineText(CommandLineFromArguments(args));
}

void SetCommandLineText(const std::string& text) {
    g_commandLine = text;
    g_commandLineSet = true;
}

void SetExitProcessHook(std::function<void(UINT)> hook) { g_exitHook = std::move(hook); }

// "disabled:" is no transport that libdbus or GLib knows: connecting fails
// at once, and neither falls back to autolaunching.
constexpr char kDisabledBus[] = "disabled:";
bool g_sessionBusDisabled = false;

void UseUserRuntimeDir() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return;
    const std::string path = "/run/user/" + std::to_string(getuid());
    struct stat folder = {};
    if (lstat(path.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode) && folder.st_uid == getuid() &&
        (folder.st_mode & 077) == 0)
        setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
}

void StayOffAbsentSessionBus() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return;
    // Where both libraries look next: the bus of a systemd user session.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat bus = {};
    if (runtime && *runtime && stat((std::string(runtime) + "/bus").c_str(), &bus) == 0 && S_ISSOCK(bus.st_mode))
        return;
    setenv("DBUS_SESSION_BUS_ADDRESS", kDisabledBus, 1);
    g_sessionBusDisabled = true;
}

std::vector<std::string> EnvironmentForChildren() {
    const std::string ours = std::string("DBUS_SESSION_BUS_ADDRESS=") + kDisabledBus;
    std::vector<std::string> variables;
    for (char** entry = environ; entry && *entry; ++entry) {
        if (g_sessionBusDisabled && ours == *entry) continue;
        variables.emplace_back(*entry);
    }
    return variables;
}

}  // namespace platform

LPSTR GetCommandLineA() {
    if (!g_commandLineSet) platform::SetCommandLineText(CommandLineOfThisProcess());
    return g_commandLine.data();
}

LPSTR CharNextA(LPCSTR text) {
    if (!text || *text == '\0') return const_cast<LPSTR>(text);
    // Each byte checked is non-zero before the next is read, so the terminator
    // is never passed: a NUL is not a continuation byte.
    int length = Utf8SequenceLength(reinterpret_cast<const unsigned char*>(text));
    return const_cast<LPSTR>(text + (length > 0 ? length : 1));
}

void ExitProcess(UINT exitCode) {
    std::fflush(nullptr);
    if (g_exitHook) {
        std::function<void(UINT)> hook = g_exitHook;
        hook(exitCode);
    }
    // A hook that returns does not keep the process alive.
    std::exit(static_cast<int>(exitCode));
}

namespace platform {

bool TakeMusicLock() {
    static int held = -1;
    static std::string heldPath;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string path = runtime && *runtime ? std::string(runtime) + "/vexlar3d-music.lock"
                                                 : "/tmp/vexlar3d-music-" + std::to_string(getuid()) + ".lock";
    if (held >= 0 && path == heldPath) return true;
    // O_NOFOLLOW: a link planted in a shared folder must not make us create or lock another file.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return true;  // nowhere to keep a lock: play, as a single copy would
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    if (held >= 0) close(held);
    held = fd;
    heldPath = path;
    return true;
}

}  // namespace platform
