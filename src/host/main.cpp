// main.cpp — the vexlar3d executable.
//
// Hands the process arguments to the platform as a Windows-style command
// line, applies the Linux options in front of the saver switches (help,
// version, xscreensaver's window options, headless rendering) and runs the
// host, which ends the process itself.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/headless_bench.h"
#include "app/headless_render.h"
#include "app/saver_app.h"
#include "app/video_modes.h"
#include "host/command_options.h"
#include "host/dispatch.h"
#include "host/host_state.h"
#include "host/saver_window.h"
#include "config/setting_table.h"
#include "platform/platform.h"
#include "platform/sanitizer_defaults.h"


namespace {

// Termination signals ask for an orderly close from the first instruction of
// ours that runs: before any constructor, of the program or of the
// libraries it loads (an entry of the executable's pre-initialisation array).
void HandleTerminationFromTheStart() { platform::InstallTerminationHandlers(); }
[[gnu::section(".preinit_array"), gnu::used]] void (*kHandleTerminationFromTheStart)() =
    HandleTerminationFromTheStart;

}  // namespace

int main(int argc, char** argv) {
    // Before any library behind the platform runs: none of them may start a
    // session bus that would outlive the saver.
    platform::UseUserRuntimeDir();
    platform::StayOffAbsentSessionBus();
    // Large blocks (a picture's decoded texture, every few minutes) come from
    // the heap rather than mappings of their own, so that loading one neither
    // maps nor faults fresh pages; ImageUnload trims the heap after each.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);

    platform::SetCommandLine(argc, argv);
    platform::SelectWindowBackend(platform::WindowBackend::Sdl);

    StartPlan plan = PlanStart(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), platform::RootWindowId);
    std::fputs(plan.out.c_str(), stdout);
    std::fputs(plan.err.c_str(), stderr);
    // Without the message loop that would close it in order, a signal ends
    // the run as it always does.
    if (plan.exitNow || plan.render || plan.bench) platform::ReleaseTerminationHandlers();
    if (plan.exitNow) return plan.exitCode;
    if (plan.render) return RunHeadlessRender(plan.renderOptions);
    if (plan.bench) return RunHeadlessBench(plan.benchOptions);
    if (plan.silent) SaverApp.musicAllowed = false;
    if (plan.frameDelayUs >= 0) SaverApp.frameDelayMs = static_cast<UINT>((plan.frameDelayUs + 500) / 1000);
    if (plan.maxFps >= 0) SaverApp.maxFps = plan.maxFps;
    CommandLineOverrides = plan.overrides;
    Host.ownWindow = plan.ownWindow;
    SaverApp.endWhenDeviceFails = plan.ownWindow || plan.hostWindow;

    // A display that is named but cannot be reached is a mistake to say out
    // loud, in every mode: nothing would be seen.
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((display && *display) || (wayland && *wayland)) {
        const std::string problem = platform::DisplayError();
        if (!problem.empty()) {
            std::fprintf(stderr, "vexlar3d: %s\n", problem.c_str());
            return 1;
        }
    }
    // So is a window of ours to draw into that does not exist (the designed
    // /p and /l switches stay silent).
    if (plan.namedWindow != 0 && !(display && *display)) {
        std::fprintf(stderr, "vexlar3d: %s names an X11 window, and there is no X11 display (DISPLAY is not set)%s\n",
                     plan.namedWindowSource.c_str(),
                     wayland && *wayland ? "; on Wayland, start vexlar3d /s from an idle daemon instead" : "");
        return 1;
    }
    if (plan.namedWindow != 0 && !IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(plan.namedWindow)))) {
        std::fprintf(stderr, "vexlar3d: there is no X11 window 0x%x (from %s)\n", plan.namedWindow,
                     plan.namedWindowSource.c_str());
        return 2;
    }

    // A host's window much smaller than the screen is a settings preview,
    // whichever daemon made it (MATE's uses the same --root as its full-screen
    // saver): it is shown silently.
    RECT client{}, screen{};
    HDC screenDc = GetDC(nullptr);
    const HWND named = reinterpret_cast<HWND>(static_cast<uintptr_t>(plan.namedWindow));
    if (plan.namedWindow != 0 && GetClientRect(named, &client) && GetClipBox(screenDc, &screen) != ERROR &&
        (client.right * 2 < screen.right - screen.left || client.bottom * 2 < screen.bottom - screen.top))
        SaverApp.musicAllowed = false;
    ReleaseDC(nullptr, screenDc);

    SetSaverApplicationProc(SaverAppProc);
    SetVideoModeMenu(AppVideoModeMenu());
    std::vector<const char*> arguments;
    for (const std::string& argument : plan.arguments) arguments.push_back(argument.c_str());
    platform::SetCommandLine(static_cast<int>(arguments.size()), arguments.data());

    HostMain();
}
