// dispatch.cpp — process entry, command-line switches and mode dispatch.
//
// One mode runs per process. The whole dispatch is guarded: a failure that
// escapes a mode clears the system's screen-saver-running state (older
// Windows family) so that the system does not believe a saver still runs.
#include "host/dispatch.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "config/config_dialog.h"
#include "host/host_state.h"
#include "host/password.h"
#include "host/saver_window.h"
#include "platform/platform.h"

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '-' || c == '/';
}

LPCSTR SkipBlanks(LPCSTR text) {
    while (*text == ' ') ++text;
    return text;
}

HWND WindowFromNumber(DWORD number) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(number));
}

// The window a switch names, or null when the number is 0 or no window.
HWND ExistingWindow(LPCSTR text) {
    HWND window = WindowFromNumber(ParseWindowHandle(text));
    return window && IsWindow(window) ? window : nullptr;
}

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int DispatchSwitch(LPCSTR arguments) {
    LPCSTR p = arguments;
    while (IsSeparator(*p)) ++p;

    switch (AsciiUpper(*p)) {
    case '\0':
        return static_cast<int>(ShowConfigDialog(nullptr));
    case 'S':
        return RunSaverWindow(nullptr);
    case 'P':
    case 'L': {
        HWND parent = ExistingWindow(SkipBlanks(p + 1));
        return parent ? RunSaverWindow(parent) : kUnusableSwitchExitCode;
    }
    case 'C':
        return static_cast<int>(ShowConfigDialog(ConfigDialogOwner(p + 1)));
    case 'A': {
        if (!Host.isWin9x) return kUnusableSwitchExitCode;
        HWND parent = ExistingWindow(SkipBlanks(p + 1));
        ChangePassword(parent ? parent : GetForegroundWindow());
        return 0;
    }
    default:
        return kUnusableSwitchExitCode;
    }
}

}  // namespace

LPCSTR SkipProgramName(LPCSTR commandLine) {
    LPCSTR p = commandLine;
    auto code = [&p] { return static_cast<unsigned char>(*p); };
    if (*p == '"') {
        p = CharNextA(p);
        while (*p && *p != '"') p = CharNextA(p);
        if (*p == '"') p = CharNextA(p);
    } else if (code() > ' ') {
        while (code() > ' ') p = CharNextA(p);
    }
    while (*p && code() <= ' ') p = CharNextA(p);
    return p;
}

void HostMain() {
    LPCSTR arguments = SkipProgramName(GetCommandLineA());
    ExitProcess(static_cast<UINT>(DispatchMode(GetModuleHandleA(nullptr), arguments)));
}

bool IsWin9xFamily() {
    OSVERSIONINFOA version = {};
    static_assert(sizeof(OSVERSIONINFOA) == 148);
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

int DispatchMode(HINSTANCE instance, LPCSTR arguments) {
    try {
        Host.instance = instance;
        Host.isWin9x = IsWin9xFamily();
        return DispatchSwitch(arguments);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "vexlar3d: stopped by an unexpected failure: %s\n", failure.what());
    } catch (...) {
        std::fprintf(stderr, "vexlar3d: stopped by an unexpected failure\n");
    }
    SetSaverRunning(false);
    return kCrashExitCode;
}

DWORD ParseWindowHandle(LPCSTR text) {
    // Decimal only, as the system writes window numbers on a command line:
    // "0x1A" is window 0. Hexadecimal X11 ids come in through --window-id and
    // $XSCREENSAVER_WINDOW, which the options turn into decimal.
    // A number past the 32 bits of a handle names no window (rather than
    // wrapping onto another one).
    uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<uint64_t>(*text - '0');
        if (value > 0xFFFFFFFFu) return 0;
    }
    return static_cast<DWORD>(value);
}

HWND ConfigDialogOwner(LPCSTR afterLetter) {
    HWND owner = *afterLetter == ':' ? ExistingWindow(afterLetter + 1) : nullptr;
    return owner ? owner : GetForegroundWindow();
}

bool RegisterDialogClasses(HINSTANCE) {
    return true;
}

INT_PTR ShowConfigDialog(HWND parent) {
    if (!RegisterDialogClasses(Host.instance)) return 0;
    INT_PTR result = DialogBoxParamA(Host.instance, MAKEINTRESOURCEA(kConfigDialogId), parent, ConfigDialogProc, 0);
    if (result == -1) {
        // Nothing could be shown: say why, since the dialog itself cannot.
        std::string reason = platform::DisplayError();
        std::fprintf(stderr, "vexlar3d: cannot open the settings dialog%s%s\n", reason.empty() ? "" : ": ",
                     reason.c_str());
    }
    return result;
}
